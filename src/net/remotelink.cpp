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
      m_parts(withPlatformParts(std::move(parts))), m_winSock(*m_parts.resolver, m_chain),
      m_lookup(m_winSock, m_chain, dialogs),
      m_session(*m_parts.socket, host, *m_parts.clock, m_parts.limits),
      m_traceFile(m_parts.traceFilePath)
{
    m_tmGetTcp.setInterval(m_parts.tcpIntervalMs);
    m_tmGetDdns.setInterval(m_parts.ddnsIntervalMs);
    connect(&m_tmGetTcp, &QTimer::timeout, this, &RemoteLink::TMgetTCP_Timer);
    connect(&m_tmGetDdns, &QTimer::timeout, this, &RemoteLink::TMgetDDNS_Timer);
    connect(m_parts.socket.get(), &TcpSocket::DataArrival, this, &RemoteLink::Winsock2_DataArrival);
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
    const int stops = m_stops;
    // This tick can only have started inside another exchange's wait; polling
    // now would share its socket and its reply.
    if (!exchangeUnderWay()) {
        m_tickUnderWay = true;
        const LinkSettings& link = m_host.link();
        if (byHostName)
            poll(get_ip(link.vDDNSURL), link.vDDNSPORT);
        else
            poll(link.vIP, link.vPort);
        m_tickUnderWay = false;
        Q_EMIT exchangeFinished();
    }
    if (stops == m_stops)
        timer.start();
}

void RemoteLink::poll(const QString& host, const QString& port)
{
    m_session.ConnectRemote(host, port);
    m_collector.pollSent();
    m_session.SendRemote(PollCommand());
}

void RemoteLink::Command5_Click()
{
    if (m_tmGetTcp.isActive())
        m_tmGetTcp.stop();
    else
        m_tmGetTcp.start();
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
        m_host.trace(QString::fromLatin1(reply));
        m_host.replaceRxBuffer(reply);
        DecodeStatusReply(reply, m_host.statusRecord());
        m_host.markFrameReceived();
        m_host.UpdatePanel();
        if (const auto report = m_traceFile.append(reply)) {
            m_host.trace(*report);
            Q_EMIT traceFileReport(*report);
        }
    } catch (const std::exception& e) {
        m_dialogs.message(QString::fromLocal8Bit(e.what()));
    }
    Q_EMIT replyDecoded();
}

} // namespace zel
