#pragma once

#include "simtypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace zel::sim {

// 24-byte binary status frame: eleven big-endian 16-bit fields and two flag
// bytes, ending in CR LF. Values are rounded to the field's unit and clamped
// to 0..65535; the encoder does not hide values the receiver cannot take.
QByteArray encodeStatusFrame(const Reading& reading);

// 48-character fixed-column status line plus CR LF. A value too wide for its
// column is clamped to the column's largest value (999.9 W forward, 99.9 for
// the other measured values).
QByteArray encodeStatusReply(const Reading& reading);

// Space-separated hex dump for log lines, e.g. "53 31 0D".
QString hexBytes(QByteArrayView bytes, qsizetype limit = 32);

struct CommandEvent {
    enum class Kind { Set, Address, Poll, Rejected };
    Kind kind = Kind::Rejected;
    SetCommand set;
    quint16 address = 0;
    QString reason;   // why it was rejected
    QByteArray bytes; // the bytes the event was made from

    // The log line for this event ("set carrier=ON ...", "address 300", ...).
    QString logLine() const;
};

// Decodes the seven value bytes shared by the set and the remote set command
// (on/off, F hi, F lo, P hi, P lo, R, T) and checks them against what the
// controller accepts; nullopt with a reason otherwise.
std::optional<SetCommand> decodeSetValues(QByteArrayView seven, QString* reason);

// Commands arriving on the serial line: 9-byte set commands ("S", '0'/'1',
// F, P, R, T, CR) and 2-byte address commands with no framing at all. Bytes
// may come in one piece or one at a time about 120 ms apart.
//
// Disambiguation: a first byte other than "S" starts an address pair. A
// first byte "S" followed by anything but '0'/'1' is an address too (its
// high byte happens to be 0x53). "S" followed by '0'/'1' is collected as a
// set command until nine bytes are in; if the line then stays quiet for
// kTimeoutMs with exactly two bytes collected, they were an address after
// all. Any other partial command is rejected after the same silence.
//
// Time is passed in by the caller (milliseconds, any monotonic origin), so
// the decoder does no I/O and can be driven by tests.
class SerialCommandDecoder {
public:
    static constexpr qint64 kTimeoutMs = 500;

    QList<CommandEvent> feed(QByteArrayView bytes, qint64 nowMs);
    // Resolves a partial command once the line has been quiet long enough.
    QList<CommandEvent> expire(qint64 nowMs);
    // When expire() should next be called; nullopt while nothing is pending.
    std::optional<qint64> deadline() const;

private:
    void takeByte(char byte, QList<CommandEvent>& out);

    QByteArray pending_;
    qint64 lastByteMs_ = 0;
};

// Commands arriving on one gateway connection: the 16-byte poll ("=vS", six
// fixed bytes, CR LF, five spaces) and the 13-byte remote set command
// ("=v91", the seven value bytes, CR LF). Spaces, CR and LF between commands
// are padding; other stray bytes are rejected up to the next "=".
class GatewayCommandDecoder {
public:
    QList<CommandEvent> feed(QByteArrayView bytes);

private:
    QByteArray pending_;
};

} // namespace zel::sim
