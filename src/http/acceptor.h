#pragma once

#include "socketaddress.h"

#include <QString>

#include <functional>
#include <thread>

namespace zel::http {

// The listening socket and the thread that takes every connection off it at
// once, so nothing waits in the kernel's queue: the callback decides, and
// whatever it does not keep is closed there and then. Running out of
// descriptors refuses the newcomer; it never stops the loop or the process.
class Acceptor {
public:
    // Gets the accepted socket (non-blocking) and its peer; owns it after.
    using Take = std::function<void(int fd, const sockaddr* peer, socklen_t length)>;

    Acceptor() = default;
    ~Acceptor();
    Acceptor(const Acceptor&) = delete;
    Acceptor& operator=(const Acceptor&) = delete;

    // Binds and listens; an operator's sentence saying why not, or empty.
    QString listen(const SocketAddress& where, int backlog);
    // Starts taking connections; take runs on the acceptor's thread.
    void run(Take take);
    void stop();
    // The port bound, 0 when not listening.
    int port() const { return m_port; }

private:
    void loop();
    // Takes every connection waiting; false when accept fails otherwise
    // than for an empty queue.
    bool acceptPending();

    int m_fd = -1;
    int m_wake = -1;
    // Held open to be given up when the process is out of descriptors, so
    // the connection waiting can be accepted and closed rather than left to
    // wake the loop again and again.
    int m_spare = -1;
    int m_port = 0;
    Take m_take;
    std::thread m_thread;
};

} // namespace zel::http
