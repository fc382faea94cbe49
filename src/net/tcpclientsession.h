#pragma once

#include "shell/clock.h"
#include "shell/monitorhost.h"
#include "tcpsocket.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

namespace zel {

// The one-request-per-connection TCP client: connect with a time limit, send
// one command, close about half a second later, a trace line for every step.
// Each step returns at once; its end is a signal. Nothing waits in a loop of
// its own, so the window, the other timers and the receive handler run as
// usual meanwhile.
class TcpClientSession : public QObject {
    Q_OBJECT
public:
    struct Limits {
        // Measured in whole seconds of the clock: the wait ends 5 to 6 s after
        // the connect.
        int connectLimitSeconds = 5;
        int sendSettleMs = 500;
        int closeSettleMs = 500;
    };

    // How the last connect ended, as its trace line told it.
    struct ConnectOutcome {
        // The state number in the trace line; the state at the limit when it
        // ran out.
        int state = TcpSocket::sckClosed;
        bool timedOut = false;
    };

    TcpClientSession(TcpSocket& socket, MonitorHost& host, const Clock& clock, Limits limits,
                     QObject* parent = nullptr);
    TcpClientSession(TcpSocket& socket, MonitorHost& host, const Clock& clock)
        : TcpClientSession(socket, host, clock, Limits{})
    {
    }
    ~TcpClientSession() override;

    // Opens a connection; connectEnded once it is made, has failed, or the
    // time limit has passed. The outcome stays in the socket, the trace and
    // lastConnect().
    void ConnectRemote(const QString& host, const QString& port);
    // Sends text if connected, lets a reply come in, closes; finished at the
    // end of the close settle.
    void SendRemote(const QByteArray& text);
    // The trace text for a state number.
    QString SocketStateText(int state) const;

    const ConnectOutcome& lastConnect() const { return m_lastConnect; }
    // What the trace said of the last connect: the state text, or the time
    // limit's line.
    QString lastConnectText() const;

    // From the start of ConnectRemote to the end of the SendRemote after it.
    bool exchangeUnderWay() const { return m_step != Step::Idle; }
    // Runs just before the connection is closed, so that a receiver can finish
    // with what the exchange brought.
    void setBeforeClose(std::function<void()> hook) { m_beforeClose = std::move(hook); }

    TcpSocket& socket() { return m_socket; }
    const Limits& limits() const { return m_limits; }

    // A port text as the remote port: a number (a fraction rounds, a half to
    // the even neighbour) from 1 to 65535; nothing otherwise.
    static std::optional<qint32> remotePort(const QString& text);

Q_SIGNALS:
    void connectEnded();
    // The exchange is over and the socket free.
    void finished();

private:
    enum class Step { Idle, Opening, Connecting, Connected, SendSettle, Draining, CloseSettle };

    void checkConnect();
    void endConnect(ConnectOutcome outcome);
    void onTimer();
    void closeConnection();
    bool limitPassed() const;
    void armClockCheck();

    TcpSocket& m_socket;
    MonitorHost& m_host;
    const Clock& m_clock;
    Limits m_limits;
    Step m_step = Step::Idle;
    // One timer for whichever wait the step has: the clock check of the
    // connect, the send settle, the close settle.
    QTimer m_timer;
    qint64 m_connectStartSecs = 0;
    ConnectOutcome m_lastConnect;
    std::function<void()> m_beforeClose;
};

} // namespace zel
