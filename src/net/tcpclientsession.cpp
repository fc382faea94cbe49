#include "tcpclientsession.h"

#include "common/wholenumber.h"

#include <QRegularExpression>

#include <algorithm>

namespace zel {

TcpClientSession::TcpClientSession(TcpSocket& socket, MonitorHost& host, const Clock& clock,
                                   Limits limits, QObject* parent)
    : QObject(parent), m_socket(socket), m_host(host), m_clock(clock), m_limits(limits)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TcpClientSession::onTimer);
    // Looked at once the socket's signals have all been delivered: a refusal
    // reads closed first and only then error.
    connect(&m_socket, &TcpSocket::stateChanged, this, [this] {
        if (m_step == Step::Connecting)
            m_timer.start(0);
    });
}

TcpClientSession::~TcpClientSession() = default;

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

QString TcpClientSession::lastConnectText() const
{
    return m_lastConnect.timedOut ? QStringLiteral("Remote not Responce !")
                                  : SocketStateText(m_lastConnect.state);
}

bool TcpClientSession::limitPassed() const
{
    return m_clock.now().toSecsSinceEpoch() > m_connectStartSecs + m_limits.connectLimitSeconds;
}

void TcpClientSession::ConnectRemote(const QString& host, const QString& port)
{
    // Not yet Connecting: the state changes that Connect itself raises come
    // before the clock is read.
    m_step = Step::Opening;
    // Each exchange starts a fresh trace, so it never grows.
    m_host.clearTrace();
    m_socket.Close();
    m_socket.setRemoteHost(host);
    const auto remotePortNumber = remotePort(port);
    if (!remotePortNumber) {
        // No connection to a port that is not one: a failed attempt.
        endConnect({TcpSocket::sckError, false});
        return;
    }
    m_socket.setRemotePort(*remotePortNumber);
    m_socket.Connect();
    m_connectStartSecs = m_clock.now().toSecsSinceEpoch();
    m_step = Step::Connecting;
    // The first look comes after one round of events, as in a polling loop.
    m_timer.start(0);
}

void TcpClientSession::armClockCheck()
{
    // Woken at the moment the clock's whole second passes the limit, or
    // within a second when the clock is moved meanwhile.
    const qint64 limitEndsMs = (m_connectStartSecs + m_limits.connectLimitSeconds + 1) * 1000;
    const qint64 left = limitEndsMs - m_clock.now().toMSecsSinceEpoch();
    m_timer.start(int(std::clamp<qint64>(left + 1, 1, 1000)));
}

void TcpClientSession::checkConnect()
{
    const int state = m_socket.State();
    const bool timedOut = limitPassed();
    if (state == TcpSocket::sckClosed || state == TcpSocket::sckError ||
        state == TcpSocket::sckClosing || state == TcpSocket::sckConnected || timedOut) {
        m_timer.stop();
        endConnect({state, timedOut});
    } else if (!m_timer.isActive()) {
        armClockCheck();
    }
}

void TcpClientSession::endConnect(ConnectOutcome outcome)
{
    m_lastConnect = outcome;
    m_step = Step::Connected;
    // The decision rests on the clock alone: a connection made in the very
    // second the limit runs out is reported as not answering and stays open.
    if (outcome.timedOut)
        m_host.trace(QStringLiteral("Remote not Responce !"));
    else
        m_host.trace(SocketStateText(outcome.state) + u'[' + QString::number(outcome.state) + u']');
    // Told from the event loop, never from inside the socket's own signal.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_step == Step::Connected)
                Q_EMIT connectEnded();
        },
        Qt::QueuedConnection);
}

void TcpClientSession::SendRemote(const QByteArray& text)
{
    m_step = Step::SendSettle;
    const QString shown = QString::fromLatin1(text);
    if (m_socket.State() == TcpSocket::sckConnected) {
        m_socket.SendData(text);
        m_host.trace(QStringLiteral("send >") + shown);
    } else {
        m_host.trace(QStringLiteral("can't send >") + shown);
    }
    m_timer.start(m_limits.sendSettleMs);
}

void TcpClientSession::onTimer()
{
    switch (m_step) {
    case Step::Connecting:
        checkConnect();
        break;
    case Step::SendSettle:
        // One more round of events: a reply that came in with the settle's
        // end is taken before the close.
        m_step = Step::Draining;
        m_timer.start(0);
        break;
    case Step::Draining:
        closeConnection();
        break;
    case Step::CloseSettle:
        m_step = Step::Idle;
        Q_EMIT finished();
        break;
    case Step::Idle:
    case Step::Opening:
    case Step::Connected:
        break;
    }
}

void TcpClientSession::closeConnection()
{
    if (m_beforeClose)
        m_beforeClose();
    m_socket.Close();
    m_host.trace(SocketStateText(m_socket.State()));
    m_step = Step::CloseSettle;
    m_timer.start(m_limits.closeSettleMs);
}

} // namespace zel
