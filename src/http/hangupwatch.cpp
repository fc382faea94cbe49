#include "hangupwatch.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace zel::http {

HangupWatch::HangupWatch()
    : m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), m_thread([this] { run(); })
{
}

HangupWatch::~HangupWatch()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    poke();
    m_thread.join();
    for (const auto& [handle, entry] : m_entries)
        ::close(entry.fd);
    if (m_wake >= 0)
        ::close(m_wake);
}

int HangupWatch::watch(int fd, std::function<void()> gone)
{
    const int copy = fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0 || m_wake < 0) {
        if (copy >= 0)
            ::close(copy);
        return -1;
    }
    int handle;
    {
        std::lock_guard lock(m_mutex);
        handle = m_next++;
        m_entries.emplace(handle, Entry{copy, std::move(gone)});
    }
    poke();
    return handle;
}

void HangupWatch::forget(int handle)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_entries.find(handle);
        if (it == m_entries.end())
            return;
        // A poll under way still holds the socket itself: its answer for
        // this number is matched by handle, and finds none.
        ::close(it->second.fd);
        m_entries.erase(it);
    }
    poke();
}

void HangupWatch::poke()
{
    const uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(m_wake, &one, sizeof one);
}

void HangupWatch::run()
{
    std::vector<pollfd> polled;
    std::vector<int> handles;
    while (true) {
        polled.assign(1, {m_wake, POLLIN, 0});
        handles.assign(1, -1);
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            for (const auto& [handle, entry] : m_entries) {
                // Not POLLIN: what a client sends is the server's to read.
                polled.push_back({entry.fd, POLLRDHUP, 0});
                handles.push_back(handle);
            }
        }
        if (::poll(polled.data(), polled.size(), -1) < 0 && errno != EINTR)
            return;
        if (polled[0].revents) {
            uint64_t count;
            [[maybe_unused]] const auto n = ::read(m_wake, &count, sizeof count);
        }
        std::vector<std::function<void()>> gone;
        {
            std::lock_guard lock(m_mutex);
            for (size_t i = 1; i < polled.size(); ++i) {
                const auto it = m_entries.find(handles[i]);
                if (!polled[i].revents || it == m_entries.end())
                    continue;
                gone.push_back(std::move(it->second.gone));
                ::close(it->second.fd);
                m_entries.erase(it);
            }
        }
        // Outside the lock: what they call may itself forget a handle.
        for (const auto& g : gone)
            g();
    }
}

} // namespace zel::http
