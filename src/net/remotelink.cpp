#include "remotelink.h"

#include "qttcpsocket.h"
#include "systemhostresolver.h"

#include <exception>

namespace zel {

namespace {

RemoteLinkParts withPlatformParts(RemoteLinkParts parts)
{
    if (!parts.socket)
        parts.socket = std::make_unique<QtTcpSocket>();
    if (!parts.resolver)
        parts.resolver = std::make_unique<SystemHostResolver>();
    if (!parts.clock)
        parts.clock = std::make_unique<SystemClock>();
    return parts;
}

} // namespace

RemoteLink::RemoteLink(MonitorHost& host, OperatorDialogs& dialogs, RemoteLinkParts parts,
                       QObject* parent)
    : QObject(parent), m_host(host), m_dialogs(dialogs),
      m_parts(withPlatformParts(std::move(parts))), m_resolver(std::move(m_parts.resolver)),
      m_winSock(m_resolver, m_chain), m_lookup(m_winSock, m_chain, m_dialogs),
      m_session(*m_parts.socket, host, *m_parts.clock, m_parts.limits),
      m_traceFile(m_parts.traceFilePath, m_parts.traceFileMaxBytes)
{
    m_tmGetTcp.setInterval(m_parts.tcpIntervalMs);
    m_tmGetDdns.setInterval(m_parts.ddnsIntervalMs);
    connect(&m_tmGetTcp, &QTimer::timeout, this, &RemoteLink::TMgetTCP_Timer);
    connect(&m_tmGetDdns, &QTimer::timeout, this, &RemoteLink::TMgetDDNS_Timer);
    connect(m_parts.socket.get(), &TcpSocket::DataArrival, this, &RemoteLink::Winsock2_DataArrival);
    connect(&m_session, &TcpClientSession::connectEnded, this, &RemoteLink::onConnectEnded);
    connect(&m_session, &TcpClientSession::finished, this, &RemoteLink::onSessionFinished);
    m_session.setBeforeClose([this] { finishReply(); });
}

RemoteLink::~RemoteLink()
{
    m_session.setBeforeClose({});
}

void RemoteLink::startFixedIpPolling()
{
    m_tmGetTcp.start();
}

void RemoteLink::startHostNamePolling()
{
    m_tmGetDdns.start();
}

void RemoteLink::stopPolling()
{
    ++m_stops;
    m_tmGetTcp.stop();
    m_tmGetDdns.stop();
}

void RemoteLink::TMgetTCP_Timer()
{
    tick(m_tmGetTcp, false);
}

void RemoteLink::TMgetDDNS_Timer()
{
    tick(m_tmGetDdns, true);
}

void RemoteLink::tick(QTimer& timer, bool byHostName)
{
    timer.stop();
    // Another exchange has the socket: polling now would share it and its
    // reply. This tick's turn comes as soon as the socket is free, so that
    // with both timers on neither can starve the other.
    if (exchangeUnderWay()) {
        const int stops = m_stops;
        whenSocketFree(this, [this, &timer, byHostName, stops] {
            if (stops == m_stops)
                tick(timer, byHostName);
        });
        return;
    }
    m_pollTimer = &timer;
    m_stopsAtTick = m_stops;
    const LinkSettings& link = m_host.link();
    if (byHostName) {
        m_pollStep = PollStep::LookingUp;
        const QString port = link.vDDNSPORT;
        get_ip(link.vDDNSURL, [this, port](const QString& address) { poll(address, port); });
    } else {
        poll(link.vIP, link.vPort);
    }
}

void RemoteLink::get_ip(const QString& host, std::function<void(const QString&)> then)
{
    m_resolver.fetch(host, [this, host, then = std::move(then)] { then(m_lookup.get_ip(host)); });
}

void RemoteLink::poll(const QString& host, const QString& port)
{
    m_pollStep = PollStep::Connecting;
    m_session.ConnectRemote(host, port);
}

void RemoteLink::onConnectEnded()
{
    if (m_pollStep != PollStep::Connecting)
        return;
    m_pollStep = PollStep::Exchanging;
    m_collector.pollSent();
    m_session.SendRemote(PollCommand());
}

void RemoteLink::onSessionFinished()
{
    if (m_pollStep != PollStep::Exchanging) {
        // Someone else's exchange (a held command's) ended: the hold's
        // release tells; an unheld one frees the socket now.
        if (!m_commandHeld && !m_waiting.empty())
            QMetaObject::invokeMethod(this, &RemoteLink::runWaiting, Qt::QueuedConnection);
        return;
    }
    m_pollStep = PollStep::Idle;
    if (m_stopsAtTick == m_stops)
        m_pollTimer->start();
    exchangeEnded();
}

void RemoteLink::holdPolls(bool held)
{
    const bool released = m_commandHeld && !held;
    m_commandHeld = held;
    if (released)
        exchangeEnded();
}

void RemoteLink::exchangeEnded()
{
    Q_EMIT exchangeFinished();
    // From the event loop: the step that ended the exchange returns first.
    if (!m_waiting.empty())
        QMetaObject::invokeMethod(this, &RemoteLink::runWaiting, Qt::QueuedConnection);
}

void RemoteLink::whenSocketFree(QObject* context, std::function<void()> action)
{
    if (!exchangeUnderWay() && m_waiting.empty()) {
        action();
        return;
    }
    m_waiting.push_back({context, std::move(action)});
}

void RemoteLink::runWaiting()
{
    // An action may start an exchange of its own; the rest wait for that.
    while (!exchangeUnderWay() && !m_waiting.empty()) {
        Waiting next = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (next.context)
            next.action();
    }
}

void RemoteLink::Command5_Click()
{
    whenSocketFree(this, [this] {
        if (m_tmGetTcp.isActive())
            m_tmGetTcp.stop();
        else
            m_tmGetTcp.start();
    });
}

void RemoteLink::Winsock2_DataArrival()
{
    // Always taken, whether or not anyone waits for it.
    const QByteArray data = m_parts.socket->GetData();
    if (data.isEmpty())
        return;
    if (const auto reply = m_collector.add(data))
        handleReply(*reply);
}

void RemoteLink::finishReply()
{
    Winsock2_DataArrival();
    if (const auto reply = m_collector.connectionClosed())
        handleReply(*reply);
}

void RemoteLink::handleReply(const QByteArray& reply)
{
    try {
        // A flooding gateway must not fill the trace, the trace file and the
        // program's output: what is recorded of one reply is bounded.
        const QByteArray recorded = recordedReply(reply);
        m_host.trace(QString::fromLatin1(recorded));
        m_host.replaceRxBuffer(reply);
        DecodeStatusReply(reply, m_host.statusRecord());
        m_host.markFrameReceived();
        m_host.UpdatePanel();
        if (const auto report = m_traceFile.append(recorded)) {
            m_host.trace(*report);
            Q_EMIT traceFileReport(*report);
        }
    } catch (const std::exception& e) {
        m_dialogs.message(QString::fromLocal8Bit(e.what()));
    }
    Q_EMIT replyDecoded();
}

} // namespace zel
