#include "qttcpsocket.h"

#include <QHostAddress>

namespace zel {

QtTcpSocket::QtTcpSocket(QObject* parent) : TcpSocket(parent)
{
    connect(&m_socket, &QAbstractSocket::stateChanged, this, [this] { Q_EMIT stateChanged(); });
    connect(&m_socket, &QAbstractSocket::errorOccurred, this, &QtTcpSocket::onError);
    connect(&m_socket, &QIODevice::readyRead, this,
            [this] { Q_EMIT DataArrival(m_socket.bytesAvailable()); });
}

QtTcpSocket::~QtTcpSocket()
{
    // No signals from a socket that is half destroyed.
    m_socket.disconnect(this);
}

int QtTcpSocket::State() const
{
    if (m_latched >= 0)
        return m_latched;
    switch (m_socket.state()) {
    case QAbstractSocket::UnconnectedState:
        return sckClosed;
    case QAbstractSocket::HostLookupState:
        return sckResolvingHost;
    case QAbstractSocket::ConnectingState:
        return sckConnecting;
    case QAbstractSocket::ConnectedState:
        return sckConnected;
    case QAbstractSocket::BoundState:
        return sckOpen;
    case QAbstractSocket::ListeningState:
        return sckListening;
    case QAbstractSocket::ClosingState:
        return sckClosing;
    }
    return sckError;
}

QString QtTcpSocket::RemoteHostIP() const
{
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return {};
    return m_socket.peerAddress().toString();
}

void QtTcpSocket::Connect()
{
    if (m_port < 1 || m_port > 65535) {
        m_latched = sckError;
        Q_EMIT stateChanged();
        return;
    }
    // IPv4 only: "localhost" must not become ::1, whose text is no IPv4 address.
    m_socket.connectToHost(m_host, quint16(m_port), QIODevice::ReadWrite,
                           QAbstractSocket::IPv4Protocol);
}

void QtTcpSocket::SendData(const QByteArray& bytes)
{
    m_socket.write(bytes);
    // On the wire now, not when the event loop next comes round.
    m_socket.flush();
}

QByteArray QtTcpSocket::GetData()
{
    return m_socket.readAll();
}

void QtTcpSocket::Close()
{
    m_socket.abort();
    m_latched = -1;
}

void QtTcpSocket::onError(QAbstractSocket::SocketError error)
{
    m_latched = error == QAbstractSocket::RemoteHostClosedError ? sckClosing : sckError;
    Q_EMIT stateChanged();
}

} // namespace zel
