#include "pacedsend.h"

namespace zel {

PacedSend::PacedSend(SerialPort& port, QObject* parent) : QObject(parent), m_port(port)
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &PacedSend::sendNext);
}

void PacedSend::start(const QByteArray& bytes, int pauseMs)
{
    m_bytes = bytes;
    m_next = 0;
    m_sending = true;
    m_pause.setInterval(pauseMs);
    QTimer::singleShot(0, this, &PacedSend::sendNext);
}

void PacedSend::sendNext()
{
    if (m_next == m_bytes.size()) {
        finish({});
        return;
    }
    if (!m_port.portOpen()) {
        finish(QStringLiteral("serial port %1 (%2) is not open")
                   .arg(m_port.commPort())
                   .arg(m_port.deviceName()));
        return;
    }
    if (!m_port.output(m_bytes.mid(m_next, 1))) {
        finish(m_port.errorString());
        return;
    }
    ++m_next;
    m_pause.start();
}

void PacedSend::finish(const QString& error)
{
    m_sending = false;
    Q_EMIT finished(error);
}

} // namespace zel
