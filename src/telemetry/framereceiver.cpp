#include "framereceiver.h"

#include "statusframe.h"

namespace zel {

FrameReceiver::FrameReceiver(qsizetype cap, QObject* parent) : QObject(parent), m_cap(cap) {}

void FrameReceiver::onComm(int commEvent, const QByteArray& chunk)
{
    if (commEvent != ReceiveEvent)
        return;
    m_rxBuffer.append(chunk);
    if (!m_rxBuffer.endsWith("\r\n")) {
        if (m_rxBuffer.size() > m_cap)
            m_rxBuffer.clear();
        return;
    }
    const QByteArray frame = m_rxBuffer;
    m_rxBuffer.clear();
    if (frame.size() == StatusFrameLength)
        Q_EMIT frameReceived(frame);
}

} // namespace zel
