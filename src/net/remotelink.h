#pragma once

#include "hostaddress.h"
#include "hostresolver.h"
#include "modwinsock.h"
#include "shell/callchain.h"
#include "shell/clock.h"
#include "shell/monitorhost.h"
#include "shell/operatordialogs.h"
#include "statusreply.h"
#include "tcpclientsession.h"
#include "tcpsocket.h"
#include "tracefile.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>

namespace zel {

// What the remote link works with; empty parts get the platform's own.
struct RemoteLinkParts {
    std::unique_ptr<TcpSocket> socket;
    std::unique_ptr<HostResolver> resolver;
    std::unique_ptr<Clock> clock;
    QString traceFilePath;
    TcpClientSession::Limits limits;
    int tcpIntervalMs = 2000;
    int ddnsIntervalMs = 3000;
};

// Remote polling: TMgetTCP polls the gateway at vIP:vPort, TMgetDDNS the one
// at the address of vDDNSURL (looked up at every tick), port vDDNSPORT. Each
// reply is decoded into the host's status record, shown and appended to the
// trace file.
//
// Only one exchange uses the socket at a time: a tick that finds one under
// way (the other timer's, or a set command's) skips its poll and comes back
// one interval later.
class RemoteLink : public QObject {
    Q_OBJECT
public:
    RemoteLink(MonitorHost& host, OperatorDialogs& dialogs, RemoteLinkParts parts,
               QObject* parent = nullptr);
    ~RemoteLink() override;

    // Called by the settings load when vTCPON or vDDNSON is 1.
    void startFixedIpPolling();
    void startHostNamePolling();
    // Both timers off for good, also when a tick is under way (a reload).
    void stopPolling();

    void TMgetTCP_Timer();
    void TMgetDDNS_Timer();
    // Starts fixed-address polling when it is stopped, stops it otherwise.
    void Command5_Click();
    void Winsock2_DataArrival();

    std::uint8_t RequestMode() const { return m_collector.RequestMode(); }
    QTimer& TMgetTCP() { return m_tmGetTcp; }
    QTimer& TMgetDDNS() { return m_tmGetDdns; }
    // A poll or another exchange (a set command) is using the socket.
    bool exchangeUnderWay() const
    {
        return m_tickUnderWay || m_commandHeld || m_session.exchangeUnderWay();
    }
    // A command between polls (the set command) keeps every poll off the
    // socket from its first pause to its close.
    void holdPolls(bool held) { m_commandHeld = held; }

    // For the set commands: the same client session and address lookup.
    TcpClientSession& session() { return m_session; }
    QString get_ip(const QString& host) { return m_lookup.get_ip(host); }
    CallChain& callChain() { return m_chain; }
    const TraceFile& traceFile() const { return m_traceFile; }

Q_SIGNALS:
    // A reply went into the status record and the panel.
    void replyDecoded();
    // A poll's exchange has ended; the socket is free.
    void exchangeFinished();
    // The trace file stopped (or started again) taking records: for the
    // operator, since the trace area is cleared at the next exchange.
    void traceFileReport(const QString& text);

private:
    void tick(QTimer& timer, bool byHostName);
    void poll(const QString& host, const QString& port);
    void finishReply();
    void handleReply(const QByteArray& reply);

    MonitorHost& m_host;
    OperatorDialogs& m_dialogs;
    RemoteLinkParts m_parts;
    CallChain m_chain;
    ModWinSock m_winSock;
    HostAddressLookup m_lookup;
    TcpClientSession m_session;
    ReplyCollector m_collector;
    TraceFile m_traceFile;
    QTimer m_tmGetTcp;
    QTimer m_tmGetDdns;
    bool m_tickUnderWay = false;
    bool m_commandHeld = false;
    // Counts stopPolling calls, so a tick under way knows not to restart.
    int m_stops = 0;
};

} // namespace zel
