#include "acceptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zel::http {

namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

int openSpare()
{
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

} // namespace

Acceptor::~Acceptor()
{
    stop();
}

QString Acceptor::listen(const SocketAddress& where, int backlog)
{
    stop();
    m_fd = ::socket(where.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return lastError();
    // Only a listener in TIME_WAIT is overlooked; never SO_REUSEPORT, which
    // would let a second monitor share the port unnoticed.
    const int yes = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (::bind(m_fd, where.get(), where.length) != 0 || ::listen(m_fd, backlog) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        const QString why = lastError();
        stop();
        return why;
    }
    m_port = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                               : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return QString();
}

void Acceptor::run(Take take)
{
    m_take = std::move(take);
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_spare = openSpare();
    m_thread = std::thread([this] { loop(); });
}

void Acceptor::stop()
{
    if (m_thread.joinable()) {
        const quint64 one = 1;
        [[maybe_unused]] const auto n = ::write(m_wake, &one, sizeof one);
        m_thread.join();
    }
    for (int* fd : {&m_fd, &m_wake, &m_spare}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_port = 0;
}

void Acceptor::loop()
{
    bool failing = false;
    while (true) {
        // While accept fails (no descriptor to spare, no kernel memory) the
        // queue stays readable: the listener is left out for 100 ms rather
        // than waking us at once again.
        pollfd p[2] = {{m_wake, POLLIN, 0}, {m_fd, POLLIN, 0}};
        const int ready = ::poll(p, failing ? 1 : 2, failing ? 100 : -1);
        if (ready < 0 && errno != EINTR)
            return;
        if (p[0].revents)
            return;
        if (m_spare < 0)
            m_spare = openSpare();
        failing = (failing || p[1].revents) && !acceptPending();
    }
}

bool Acceptor::acceptPending()
{
    while (true) {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(m_fd, reinterpret_cast<sockaddr*>(&peer), &length,
                                 SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            m_take(fd, reinterpret_cast<sockaddr*>(&peer), length);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if ((errno == EMFILE || errno == ENFILE) && m_spare >= 0) {
            // Refuse the newcomer with the descriptor kept for it.
            ::close(m_spare);
            m_spare = -1;
            const int refused = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (refused >= 0)
                ::close(refused);
            m_spare = openSpare();
            continue;
        }
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

} // namespace zel::http
