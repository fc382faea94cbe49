#include "requestdeadline.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace zel::http {

struct RequestDeadline::Watched {
    int fd = -1;
    std::string address;
    // When the request it waits on began, plus the limit.
    Clock::time_point due;
    bool cut = false;
    std::list<Watched>::iterator self;
};

RequestDeadline::RequestDeadline(std::chrono::milliseconds limit)
    : m_limit(limit), m_thread([this] { run(); })
{
}

RequestDeadline::~RequestDeadline()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
    for (const Watched& w : m_watched)
        if (w.fd >= 0)
            ::close(w.fd);
}

RequestDeadline::Watched* RequestDeadline::opened(int fd, std::string address)
{
    std::lock_guard lock(m_mutex);
    Watched& w = m_watched.emplace_back();
    w.address = std::move(address);
    w.self = std::prev(m_watched.end());
    // Without a duplicate (no descriptor to spare) the connection still has
    // the server's own silence time-out.
    w.fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    w.due = Clock::now() + m_limit;
    m_changed.notify_all();
    return &w;
}

void RequestDeadline::answered(Watched* w)
{
    std::lock_guard lock(m_mutex);
    w->due = Clock::now() + m_limit;
}

void RequestDeadline::exempt(Watched* w)
{
    std::lock_guard lock(m_mutex);
    w->due = Clock::time_point::max();
}

void RequestDeadline::closed(Watched* w)
{
    std::lock_guard lock(m_mutex);
    if (w->fd >= 0)
        ::close(w->fd);
    m_watched.erase(w->self);
}

bool RequestDeadline::cutForNewcomer(const std::string& address)
{
    std::lock_guard lock(m_mutex);
    std::unordered_map<std::string, int> held;
    for (const Watched& w : m_watched)
        if (!w.cut && w.fd >= 0)
            ++held[w.address];
    const auto mine = held.find(address);
    const int newcomerHolds = mine == held.end() ? 0 : mine->second;
    const auto most = std::max_element(
        held.begin(), held.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    if (most == held.end() || most->second < newcomerHolds + 2)
        return false;
    Watched* oldest = nullptr;
    for (Watched& w : m_watched)
        if (!w.cut && w.fd >= 0 && w.address == most->first && (!oldest || w.due < oldest->due))
            oldest = &w;
    ::shutdown(oldest->fd, SHUT_RDWR);
    oldest->cut = true;
    return true;
}

void RequestDeadline::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const Clock::time_point now = Clock::now();
        Clock::time_point next = Clock::time_point::max();
        for (Watched& w : m_watched) {
            if (w.cut || w.fd < 0)
                continue;
            if (w.due <= now) {
                ::shutdown(w.fd, SHUT_RDWR);
                w.cut = true;
            } else {
                next = std::min(next, w.due);
            }
        }
        // A due time only ever moves later, so waking at the earliest one
        // known misses none; a new connection wakes us to count it in.
        if (next == Clock::time_point::max())
            m_changed.wait(lock);
        else
            m_changed.wait_until(lock, next);
    }
}

} // namespace zel::http
