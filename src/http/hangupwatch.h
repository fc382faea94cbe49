#pragma once

#include <functional>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace zel::http {

// Notices clients that go away while their connection sits suspended, out
// of the server's polling: a streamed answer with nothing to say would
// otherwise hold its place until it next wrote. Each socket is watched
// through a duplicate, so a number the server has closed and the process
// has reused is never what is watched.
class HangupWatch {
public:
    HangupWatch();
    ~HangupWatch();
    HangupWatch(const HangupWatch&) = delete;
    HangupWatch& operator=(const HangupWatch&) = delete;

    // Calls gone once, on the watch's thread, when the peer of fd closes or
    // shuts down its side (or the socket fails). Returns a handle for
    // forget(), -1 when there is no descriptor to spare.
    int watch(int fd, std::function<void()> gone);
    // Any thread; after it, gone is not called (unless already running).
    void forget(int handle);

private:
    struct Entry {
        int fd;
        std::function<void()> gone;
    };
    void run();
    void poke();

    std::mutex m_mutex;
    std::unordered_map<int, Entry> m_entries;
    int m_next = 0;
    int m_wake = -1;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace zel::http
