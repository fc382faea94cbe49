#pragma once

#include "telemetry/serialport.h"

#include <QSerialPort>

#include <functional>

namespace zel {

// The serial control over QSerialPort. Port numbers become device names
// through the resolver given at construction (see PortDirectory).
class QtSerialPort final : public SerialPort {
    Q_OBJECT
public:
    using DeviceResolver = std::function<QString(int portNumber)>;

    explicit QtSerialPort(DeviceResolver resolver, QObject* parent = nullptr);

    void setCommPort(int portNumber) override;
    int commPort() const override { return m_portNumber; }
    QString deviceName() const override;
    bool portOpen() const override { return m_port.isOpen(); }
    bool setPortOpen(bool open) override;
    QString errorString() const override { return m_error; }
    QByteArray input() override;
    bool output(const QByteArray& bytes) override;

private:
    void handleError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    DeviceResolver m_resolver;
    int m_portNumber = 1;
    QString m_error;
};

} // namespace zel
