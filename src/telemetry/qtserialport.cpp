#include "qtserialport.h"

namespace zel {

QtSerialPort::QtSerialPort(DeviceResolver resolver, QObject* parent)
    : SerialPort(parent), m_resolver(std::move(resolver))
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] { Q_EMIT onComm(2); });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::handleError);
}

void QtSerialPort::setCommPort(int portNumber)
{
    m_portNumber = portNumber;
}

QString QtSerialPort::deviceName() const
{
    return m_resolver(m_portNumber);
}

bool QtSerialPort::setPortOpen(bool open)
{
    if (!open) {
        if (m_port.isOpen())
            m_port.close();
        return true;
    }
    if (m_port.isOpen())
        return true;
    m_port.setPortName(deviceName());
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = m_port.errorString();
        return false;
    }
    m_port.setBaudRate(QSerialPort::Baud19200);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(0);
    // Stale bytes from before the open would only delay framing.
    m_port.clear();
    m_error.clear();
    return true;
}

QByteArray QtSerialPort::input()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

bool QtSerialPort::output(const QByteArray& bytes)
{
    if (!m_port.isOpen()) {
        m_error = QStringLiteral("the port is not open");
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        m_error = m_port.errorString();
        return false;
    }
    return true;
}

void QtSerialPort::handleError(QSerialPort::SerialPortError error)
{
    // A vanished device shows up as an endless stream of read errors while the
    // port still reads as open: close at the first one and report it once.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!m_port.isOpen())
        return;
    m_error = m_port.errorString();
    m_port.clearError();
    m_port.close();
    Q_EMIT portFailed(m_error);
}

} // namespace zel
