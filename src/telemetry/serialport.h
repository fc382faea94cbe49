#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace zel {

// The serial control as the monitor uses it: a port number, open/closed,
// "every byte waiting" reads, raw writes and one receive event. Line settings
// are fixed: 19200 baud, 8 data bits, no parity, 1 stop bit, no handshaking.
class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialPort() override = default;

    virtual void setCommPort(int portNumber) = 0;
    virtual int commPort() const = 0;
    // The device the current port number names (for messages).
    virtual QString deviceName() const = 0;

    virtual bool portOpen() const = 0;
    // Opens or closes the port; false when opening failed (see errorString()).
    virtual bool setPortOpen(bool open) = 0;
    virtual QString errorString() const = 0;

    // Every byte waiting, as the receive event announced them.
    virtual QByteArray input() = 0;
    // Hands the bytes to the open port unchanged; false when the port is not
    // open or the write failed.
    virtual bool output(const QByteArray& bytes) = 0;

Q_SIGNALS:
    // commEvent 2: characters were received.
    void onComm(int commEvent);
    // The device went away or failed; the port has been closed. Sent once.
    void portFailed(const QString& reason);
};

} // namespace zel
