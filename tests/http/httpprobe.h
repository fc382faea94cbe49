#pragma once

#include <QByteArray>

// A bare TCP client for poking the endpoint as any client could, hostile ones
// included. Blocking, with time-outs; no HTTP of its own beyond the status.
class HttpProbe {
public:
    HttpProbe() = default;
    ~HttpProbe();
    HttpProbe(const HttpProbe&) = delete;
    HttpProbe& operator=(const HttpProbe&) = delete;

    // From the loopback address `source`: the server counts connections per
    // address, so a crowd from 127.0.0.2 is not the scraper's 127.0.0.1.
    bool connectTo(int port, const char* source = "127.0.0.1");
    bool send(const QByteArray& bytes);
    // Everything until the server closes or timeoutMs passes; closed tells which.
    QByteArray readAll(int timeoutMs, bool* closed = nullptr);

    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// Raises this process's descriptor limit to its ceiling: a crowd of a
// thousand connections needs more than some defaults give.
void raiseDescriptorLimit();

// A connection from the loopback address `source` that never sends a byte,
// opened without waiting; -1 when no socket could be made.
int idleConnection(int port, const char* source);
// Whether the server has closed fd (reads and discards anything sent).
bool closedByServer(int fd);

// One request on a fresh connection: the whole answer, or empty.
QByteArray httpRequest(int port, const QByteArray& method, const QByteArray& path,
                       int timeoutMs = 5000);
// "HTTP/1.1 200 OK..." -> 200; 0 for no answer.
int statusOf(const QByteArray& answer);
QByteArray bodyOf(const QByteArray& answer);
// A figure from /proc/PID/status ("VmRSS", "VmHWM") in kB; -1 when unread.
qint64 memoryKb(qint64 pid, const QByteArray& key);
