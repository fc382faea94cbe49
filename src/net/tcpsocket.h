#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace zel {

// The TCP control Winsock2 as the monitor uses it: one client connection at a
// time, its progress seen through the state numbers below.
class TcpSocket : public QObject {
    Q_OBJECT
public:
    enum StateNumber : int {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckConnectionPending = 3,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };

    using QObject::QObject;
    ~TcpSocket() override = default;

    virtual void setRemoteHost(const QString& host) = 0;
    virtual QString RemoteHost() const = 0;
    virtual void setRemotePort(qint32 port) = 0;
    virtual qint32 RemotePort() const = 0;
    virtual int State() const = 0;
    // The peer's IPv4 address while connected; empty otherwise.
    virtual QString RemoteHostIP() const = 0;

    // Starts connecting to RemoteHost:RemotePort and returns at once.
    virtual void Connect() = 0;
    // Queues the bytes for sending, unchanged.
    virtual void SendData(const QByteArray& bytes) = 0;
    // Every byte received and not yet taken.
    virtual QByteArray GetData() = 0;
    // Drops the connection, whatever the state; afterwards State is 0.
    virtual void Close() = 0;

Q_SIGNALS:
    void DataArrival(qint64 bytesTotal);
    // State may have changed: lets waits re-check instead of polling.
    void stateChanged();
};

} // namespace zel
