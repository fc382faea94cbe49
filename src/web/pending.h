#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace zel {

// One answer handed from the monitor's thread to an HTTP thread that waits
// for it a bounded time. The first answer given counts.
template <class T> class Pending {
public:
    void give(T value)
    {
        std::lock_guard lock(m_mutex);
        if (m_value)
            return;
        m_value = std::move(value);
        m_done.notify_all();
    }
    // Nothing when no answer came in time.
    std::optional<T> wait(std::chrono::milliseconds patience)
    {
        std::unique_lock lock(m_mutex);
        m_done.wait_for(lock, patience, [this] { return m_value.has_value(); });
        return m_value;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::optional<T> m_value;
};

} // namespace zel
