#pragma once

#include "tcpsocket.h"

#include <QTcpSocket>

namespace zel {

// Winsock2 over QTcpSocket. A refused or failed connection reads 9 and a peer
// that closed reads 8 until the next Close, as the state numbers require,
// although QTcpSocket itself falls back to unconnected.
class QtTcpSocket final : public TcpSocket {
    Q_OBJECT
public:
    explicit QtTcpSocket(QObject* parent = nullptr);
    ~QtTcpSocket() override;

    void setRemoteHost(const QString& host) override { m_host = host; }
    QString RemoteHost() const override { return m_host; }
    void setRemotePort(qint32 port) override { m_port = port; }
    qint32 RemotePort() const override { return m_port; }
    int State() const override;
    QString RemoteHostIP() const override;
    void Connect() override;
    void SendData(const QByteArray& bytes) override;
    QByteArray GetData() override;
    void Close() override;

private:
    void onError(QAbstractSocket::SocketError error);

    QTcpSocket m_socket;
    QString m_host;
    qint32 m_port = 0;
    // 8 or 9 once the connection has ended that way; -1 while it has not.
    int m_latched = -1;
};

} // namespace zel
