#pragma once

#include "telemetry/transmitterstatus.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace zel {

// The poll command, 16 bytes: "=vS", six fixed bytes, CR LF, five spaces.
QByteArray PollCommand();

// Decodes the gateway's fixed-column reply into the record. Positions past
// the end of a short reply read as empty: 0 or false.
void DecodeStatusReply(const QByteArray& text, TransmitterStatus& status);

// What the trace, the trace file and the program's output keep of a reply:
// its first ReplyRecordLimit bytes, then a note of how many more were dropped.
// A reply is 48 columns and a line end; a flooding gateway sends megabytes.
constexpr qsizetype ReplyRecordLimit = 256;
QByteArray recordedReply(const QByteArray& reply);

// Collects the gateway's reply while a poll is outstanding and hands it on
// whole: once it holds a full reply or a line end, or when the exchange
// closes the connection. Data with no poll outstanding is dropped.
class ReplyCollector {
public:
    static constexpr std::uint8_t NoRequest = 0;
    static constexpr std::uint8_t StatusPoll = 2;
    static constexpr qsizetype ReplyLength = 48;

    std::uint8_t RequestMode() const { return m_requestMode; }
    // A poll goes out: what arrives next is its reply.
    void pollSent();
    // The data of one receive event; the reply once it is whole.
    std::optional<QByteArray> add(const QByteArray& data);
    // The connection closes: a partial reply is all there will be.
    std::optional<QByteArray> connectionClosed();

private:
    std::optional<QByteArray> takeReply();

    std::uint8_t m_requestMode = NoRequest;
    QByteArray m_reply;
};

} // namespace zel
