#include "framereceiver.h"

#include "statusframe.h"

#include <QLoggingCategory>

#include <utility>

namespace zel {
namespace {

// Off unless asked for (QT_LOGGING_RULES="zel.serial.framing.debug=true"):
// long runs count from the program's output the blocks thrown away and the
// frames that came several at once.
Q_LOGGING_CATEGORY(lcFraming, "zel.serial.framing", QtInfoMsg)

bool isWholeFrames(const QByteArray& block)
{
    if (block.isEmpty() || block.size() % StatusFrameLength != 0)
        return false;
    for (qsizetype end = StatusFrameLength; end <= block.size(); end += StatusFrameLength) {
        if (block.at(end - 2) != '\r' || block.at(end - 1) != '\n')
            return false;
    }
    return true;
}

} // namespace

FrameReceiver::FrameReceiver(qsizetype cap, QObject* parent) : QObject(parent), m_cap(cap) {}

void FrameReceiver::onComm(int commEvent, const QByteArray& chunk)
{
    if (commEvent != ReceiveEvent)
        return;
    m_rxBuffer.append(chunk);
    if (!m_rxBuffer.endsWith("\r\n")) {
        if (m_rxBuffer.size() > m_cap)
            drop(std::exchange(m_rxBuffer, {}).size());
        return;
    }
    const QByteArray block = std::exchange(m_rxBuffer, {});
    if (!isWholeFrames(block)) {
        drop(block.size());
        return;
    }
    if (block.size() > StatusFrameLength)
        qCDebug(lcFraming, "%lld frames at once", qlonglong(block.size() / StatusFrameLength));
    for (qsizetype at = 0; at < block.size(); at += StatusFrameLength) {
        ++m_framesDecoded;
        Q_EMIT frameReceived(block.mid(at, StatusFrameLength));
    }
}

void FrameReceiver::drop(qsizetype length)
{
    ++m_blocksDropped;
    qCDebug(lcFraming, "block of %lld bytes dropped", qlonglong(length));
    Q_EMIT blockDropped(length);
}

} // namespace zel
