#include "httpprobe.h"

#include <QElapsedTimer>
#include <QFile>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

HttpProbe::~HttpProbe()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool HttpProbe::connectTo(int port, const char* source)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, source, &a.sin_addr);
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return false;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool HttpProbe::send(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray HttpProbe::readAll(int timeoutMs, bool* closed)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    bool ended = false;
    while (!ended && t.elapsed() < timeoutMs) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(timeoutMs - t.elapsed())) <= 0)
            break;
        char buf[4096];
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        ended = n <= 0;
        if (n > 0)
            got.append(buf, n);
    }
    if (closed)
        *closed = ended;
    return got;
}

void raiseDescriptorLimit()
{
    rlimit r{};
    getrlimit(RLIMIT_NOFILE, &r);
    r.rlim_cur = r.rlim_max;
    setrlimit(RLIMIT_NOFILE, &r);
}

int idleConnection(int port, const char* source)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, source, &a.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    return fd;
}

bool closedByServer(int fd)
{
    char buf[256];
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

QByteArray httpRequest(int port, const QByteArray& method, const QByteArray& path, int timeoutMs)
{
    HttpProbe probe;
    if (!probe.connectTo(port) ||
        !probe.send(method + ' ' + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"))
        return {};
    return probe.readAll(timeoutMs);
}

int statusOf(const QByteArray& answer)
{
    return answer.startsWith("HTTP/1.") ? answer.mid(9, 3).toInt() : 0;
}

QByteArray bodyOf(const QByteArray& answer)
{
    const qsizetype end = answer.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : answer.mid(end + 4);
}

qint64 memoryKb(qint64 pid, const QByteArray& key)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}
