#include "tcpclientsession.h"

#include "common/wholenumber.h"
#include "shell/eventwait.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace zel {

TcpClientSession::TcpClientSession(TcpSocket& socket, MonitorHost& host, const Clock& clock,
                                   Limits limits)
    : m_socket(socket), m_host(host), m_clock(clock), m_limits(limits)
{
}

std::optional<qint32> TcpClientSession::remotePort(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*\+?(\d+\.?\d*|\.\d+)\s*$)"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    const auto port = roundToWhole(text.trimmed().toDouble(), 1, 65535);
    return port ? std::optional<qint32>(qint32(*port)) : std::nullopt;
}

QString TcpClientSession::SocketStateText(int state) const
{
    switch (state) {
    case TcpSocket::sckClosed:
        return QStringLiteral("Closed");
    case TcpSocket::sckOpen:
        return QStringLiteral("Open");
    case TcpSocket::sckListening:
        return QStringLiteral("Listening");
    case TcpSocket::sckConnectionPending:
        return QStringLiteral("Connection pending");
    case TcpSocket::sckResolvingHost:
        return QStringLiteral("Resolving host");
    case TcpSocket::sckHostResolved:
        return QStringLiteral("Host resolved");
    case TcpSocket::sckConnecting:
        return QStringLiteral("Connecting");
    case TcpSocket::sckConnected:
        return QStringLiteral("Connected to ") + m_socket.RemoteHostIP();
    case TcpSocket::sckClosing:
        return QStringLiteral("Peer is closing the connection");
    case TcpSocket::sckError:
        return QStringLiteral("Error");
    default:
        return {};
    }
}

bool TcpClientSession::limitPassed(qint64 startSecs) const
{
    return m_clock.now().toSecsSinceEpoch() > startSecs + m_limits.connectLimitSeconds;
}

void TcpClientSession::ConnectRemote(const QString& host, const QString& port)
{
    m_underWay = true;
    // Each exchange starts a fresh trace, so it never grows.
    m_host.clearTrace();
    m_socket.Close();
    m_socket.setRemoteHost(host);
    const auto remotePortNumber = remotePort(port);
    if (!remotePortNumber) {
        // No connection to a port that is not one: a failed attempt.
        m_host.trace(SocketStateText(TcpSocket::sckError) + QStringLiteral("[9]"));
        return;
    }
    m_socket.setRemotePort(*remotePortNumber);
    processPendingEvents();
    m_socket.Connect();
    waitForConnect();
}

void TcpClientSession::waitForConnect()
{
    const qint64 start = m_clock.now().toSecsSinceEpoch();
    const auto finished = [this, start] {
        const int state = m_socket.State();
        return state == TcpSocket::sckClosed || state == TcpSocket::sckError ||
               state == TcpSocket::sckClosing || state == TcpSocket::sckConnected ||
               limitPassed(start);
    };

    processPendingEvents();
    if (!finished()) {
        // Woken by the socket's state changes, and at the moment the clock's
        // whole second passes the limit; events run meanwhile as they would
        // between the passes of a polling loop.
        QEventLoop loop;
        QTimer clockCheck;
        clockCheck.setSingleShot(true);
        const qint64 limitEndsMs = (start + m_limits.connectLimitSeconds + 1) * 1000;
        const auto armClockCheck = [&] {
            const qint64 left = limitEndsMs - m_clock.now().toMSecsSinceEpoch();
            clockCheck.start(int(std::clamp<qint64>(left + 1, 1, 1000)));
        };
        const auto recheck = [&] {
            if (finished())
                loop.quit();
            else if (!clockCheck.isActive())
                armClockCheck();
        };
        QObject::connect(&m_socket, &TcpSocket::stateChanged, &loop, recheck);
        QObject::connect(&clockCheck, &QTimer::timeout, &loop, recheck);
        armClockCheck();
        loop.exec();
    }

    if (limitPassed(start)) {
        m_host.trace(QStringLiteral("Remote not Responce !"));
        return;
    }
    const int state = m_socket.State();
    m_host.trace(SocketStateText(state) + u'[' + QString::number(state) + u']');
}

void TcpClientSession::SendRemote(const QByteArray& text)
{
    m_underWay = true;
    const QString shown = QString::fromLatin1(text);
    if (m_socket.State() == TcpSocket::sckConnected) {
        m_socket.SendData(text);
        m_host.trace(QStringLiteral("send >") + shown);
    } else {
        m_host.trace(QStringLiteral("can't send >") + shown);
    }
    processPendingEvents();
    pauseWithoutFreezing(m_limits.sendSettleMs);
    processPendingEvents();
    if (m_beforeClose)
        m_beforeClose();
    m_socket.Close();
    m_host.trace(SocketStateText(m_socket.State()));
    pauseWithoutFreezing(m_limits.closeSettleMs);
    m_underWay = false;
}

} // namespace zel
