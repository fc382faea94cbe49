#pragma once

#include <QByteArray>
#include <QObject>

namespace zel {

// Collects received bytes into status frames. No I/O: chunks in, frames out.
// A buffer that ends in CR LF is taken when it is a whole number of 24-byte
// frames, each ending in CR LF (a monitor held up for a frame time or two
// reads several at once), and is thrown away otherwise; either way the buffer
// starts again empty.
class FrameReceiver : public QObject {
    Q_OBJECT
public:
    // The port's event number for "characters received".
    static constexpr int ReceiveEvent = 2;
    // Past this many bytes without a frame end the line is noise: start again.
    static constexpr qsizetype DefaultCap = 1024;

    explicit FrameReceiver(qsizetype cap = DefaultCap, QObject* parent = nullptr);

    // One receive event of the port with the bytes its read returned.
    void onComm(int commEvent, const QByteArray& chunk);

    const QByteArray& buffer() const { return m_rxBuffer; }
    // The network receiver leaves its reply here, as the shared buffer did.
    void replaceBuffer(const QByteArray& bytes) { m_rxBuffer = bytes; }

    // Since construction: frames handed on, and blocks thrown away (a wrong
    // length at CR LF, or noise past the cap).
    quint64 framesDecoded() const { return m_framesDecoded; }
    quint64 blocksDropped() const { return m_blocksDropped; }

Q_SIGNALS:
    // Once per frame, in the order received.
    void frameReceived(const QByteArray& frame);
    void blockDropped(qsizetype length);

private:
    void drop(qsizetype length);

    QByteArray m_rxBuffer;
    qsizetype m_cap;
    quint64 m_framesDecoded = 0;
    quint64 m_blocksDropped = 0;
};

} // namespace zel
