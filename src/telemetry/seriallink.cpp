#include "seriallink.h"

namespace zel {

SerialLink::SerialLink(SerialPort& port, int retryMs, QObject* parent)
    : QObject(parent), m_port(port)
{
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &SerialLink::retry);
    connect(&m_port, &SerialPort::portFailed, this, [this](const QString& reason) {
        Q_EMIT problem(QStringLiteral("Serial port %1 failed and was closed: %2; trying again "
                                      "every %3 s")
                           .arg(portName(), reason)
                           .arg(m_retry.interval() / 1000.0));
        setDown(true, reason);
        m_retry.start();
    });
}

void SerialLink::setDown(bool down, const QString& reason)
{
    // Said at every outcome, not only at a change: a listener that took over
    // an old failure (after a restart) hears that the port works now.
    // The port as the selection dialog lists it, so an alert read far from
    // the site says which one and where.
    if (down)
        Q_EMIT portDown(QStringLiteral("Communication Port %1 (%2): %3")
                            .arg(m_port.commPort())
                            .arg(m_port.deviceName(), reason));
    else
        Q_EMIT portUp();
}

QString SerialLink::portName() const
{
    return QStringLiteral("%1 (%2)").arg(m_port.commPort()).arg(m_port.deviceName());
}

bool SerialLink::openOn(int portNumber)
{
    m_retry.stop();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_port.setCommPort(portNumber);
    if (!m_port.setPortOpen(true)) {
        Q_EMIT problem(QStringLiteral("Serial port %1 cannot be opened: %2; trying again every "
                                      "%3 s")
                           .arg(portName(), m_port.errorString())
                           .arg(m_retry.interval() / 1000.0));
        setDown(true, m_port.errorString());
        m_retry.start();
        return false;
    }
    Q_EMIT note(QStringLiteral("Serial port %1 open").arg(portName()));
    setDown(false);
    return true;
}

void SerialLink::stopRetrying()
{
    m_retry.stop();
    setDown(false);
}

void SerialLink::retry()
{
    // Someone else (the setup dialog) may have opened it meanwhile.
    if (m_port.portOpen() || m_port.setPortOpen(true)) {
        m_retry.stop();
        Q_EMIT note(QStringLiteral("Serial port %1 open again").arg(portName()));
        setDown(false);
    } else {
        // Still down: what the port_failed alarm's qualify time waits for.
        setDown(true, m_port.errorString());
    }
}

} // namespace zel
