#pragma once

#include "config/tracesettings.h"
#include "hostaddress.h"
#include "hostresolver.h"
#include "modwinsock.h"
#include "prefetchedresolver.h"
#include "shell/callchain.h"
#include "shell/clock.h"
#include "shell/deferreddialogs.h"
#include "shell/monitorhost.h"
#include "shell/operatordialogs.h"
#include "statusreply.h"
#include "tcpclientsession.h"
#include "tcpsocket.h"
#include "tracefile.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace zel {

// What the remote link works with; empty parts get the platform's own.
struct RemoteLinkParts {
    std::unique_ptr<TcpSocket> socket;
    // Blocking; the link runs it off the window's thread.
    std::unique_ptr<HostResolver> resolver;
    std::unique_ptr<Clock> clock;
    QString traceFilePath;
    qint64 traceFileMaxBytes = DefaultTraceMaxKiB * 1024;
    TcpClientSession::Limits limits;
    int tcpIntervalMs = 2000;
    int ddnsIntervalMs = 3000;
};

// Remote polling: TMgetTCP polls the gateway at vIP:vPort, TMgetDDNS the one
// at the address of vDDNSURL (looked up at every tick), port vDDNSPORT. Each
// reply is decoded into the host's status record, shown and appended to the
// trace file.
//
// A tick stops its timer and starts it again when its exchange has ended, so
// the interval runs from the end of one exchange to the next tick. Only one
// exchange uses the socket at a time: a tick that finds one under way (the
// other timer's, or a set command's) polls once it has ended, as do the
// operator actions that need the socket (whenSocketFree).
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
    // Starts fixed-address polling when it is stopped, stops it otherwise;
    // during an exchange, once it has ended.
    void Command5_Click();
    void Winsock2_DataArrival();

    std::uint8_t RequestMode() const { return m_collector.RequestMode(); }
    QTimer& TMgetTCP() { return m_tmGetTcp; }
    QTimer& TMgetDDNS() { return m_tmGetDdns; }
    // A poll or another exchange (a set command) is using the socket.
    bool exchangeUnderWay() const
    {
        return m_pollStep != PollStep::Idle || m_commandHeld || m_session.exchangeUnderWay();
    }
    // A command between polls (a set command) keeps every poll off the
    // socket while held; releasing it lets waiting actions run.
    void holdPolls(bool held);
    // Runs action now when no exchange is under way, otherwise once the
    // exchanges under way have ended, in the order asked; dropped when
    // context is gone by then.
    void whenSocketFree(QObject* context, std::function<void()> action);

    // For the set commands: the same client session and address lookup.
    TcpClientSession& session() { return m_session; }
    // Looks the host up off the window's thread, then gives then() the
    // address get_ip makes of it.
    void get_ip(const QString& host, std::function<void(const QString&)> then);
    CallChain& callChain() { return m_chain; }
    const TraceFile& traceFile() const { return m_traceFile; }

Q_SIGNALS:
    // A reply went into the status record and the panel.
    void replyDecoded();
    // A poll's exchange or a command's hold has ended.
    void exchangeFinished();
    // The trace file stopped (or started again) taking records: for the
    // operator, since the trace area is cleared at the next exchange.
    void traceFileReport(const QString& text);

private:
    enum class PollStep { Idle, LookingUp, Connecting, Exchanging };
    struct Waiting {
        QPointer<QObject> context;
        std::function<void()> action;
    };

    void tick(QTimer& timer, bool byHostName);
    void poll(const QString& host, const QString& port);
    void onConnectEnded();
    void onSessionFinished();
    void exchangeEnded();
    void runWaiting();
    void finishReply();
    void handleReply(const QByteArray& reply);

    MonitorHost& m_host;
    DeferredDialogs m_dialogs;
    RemoteLinkParts m_parts;
    CallChain m_chain;
    PrefetchedResolver m_resolver;
    ModWinSock m_winSock;
    HostAddressLookup m_lookup;
    TcpClientSession m_session;
    ReplyCollector m_collector;
    TraceFile m_traceFile;
    QTimer m_tmGetTcp;
    QTimer m_tmGetDdns;
    PollStep m_pollStep = PollStep::Idle;
    QTimer* m_pollTimer = nullptr;
    bool m_commandHeld = false;
    // Counts stopPolling calls, so a tick under way knows not to restart.
    int m_stops = 0;
    int m_stopsAtTick = 0;
    std::deque<Waiting> m_waiting;
};

} // namespace zel
