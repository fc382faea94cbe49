#pragma once

#include <QByteArray>
#include <QObject>

namespace zel {

// Collects received bytes into status frames. No I/O: chunks in, frames out.
// A buffer that ends in CR LF is a frame when it is exactly 24 bytes long and
// is thrown away otherwise; either way the buffer starts again empty.
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

Q_SIGNALS:
    void frameReceived(const QByteArray& frame);

private:
    QByteArray m_rxBuffer;
    qsizetype m_cap;
};

} // namespace zel
