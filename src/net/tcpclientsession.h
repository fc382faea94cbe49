#pragma once

#include "shell/clock.h"
#include "shell/monitorhost.h"
#include "tcpsocket.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace zel {

// The one-request-per-connection TCP client: connect with a time limit, send
// one command, close about half a second later, a trace line for every step.
class TcpClientSession {
public:
    struct Limits {
        // Measured in whole seconds of the clock: the wait ends 5 to 6 s after
        // the connect.
        int connectLimitSeconds = 5;
        int sendSettleMs = 500;
        int closeSettleMs = 500;
    };

    TcpClientSession(TcpSocket& socket, MonitorHost& host, const Clock& clock, Limits limits);
    TcpClientSession(TcpSocket& socket, MonitorHost& host, const Clock& clock)
        : TcpClientSession(socket, host, clock, Limits{})
    {
    }

    // Opens a connection and waits until it is made, has failed, or the time
    // limit has passed; the outcome stays in the socket and the trace.
    void ConnectRemote(const QString& host, const QString& port);
    // Sends text if connected, lets a reply come in, closes.
    void SendRemote(const QByteArray& text);
    // The trace text for a state number.
    QString SocketStateText(int state) const;

    // From the start of ConnectRemote to the end of the SendRemote after it.
    bool exchangeUnderWay() const { return m_underWay; }
    // Runs just before the connection is closed, so that a receiver can finish
    // with what the exchange brought.
    void setBeforeClose(std::function<void()> hook) { m_beforeClose = std::move(hook); }

    TcpSocket& socket() { return m_socket; }
    const Limits& limits() const { return m_limits; }

    // A port text as the remote port: a number (a fraction rounds, a half to
    // the even neighbour) from 1 to 65535; nothing otherwise.
    static std::optional<qint32> remotePort(const QString& text);

private:
    void waitForConnect();
    bool limitPassed(qint64 startSecs) const;

    TcpSocket& m_socket;
    MonitorHost& m_host;
    const Clock& m_clock;
    Limits m_limits;
    bool m_underWay = false;
    std::function<void()> m_beforeClose;
};

} // namespace zel
