#pragma once

#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace zel::http {

// A whole request, from the connection's first byte (or the end of the last
// answer on it) to the end of its answer, gets a fixed time. The server's
// own time-out only counts silence, which a client sending a byte every
// second never leaves; past its deadline a connection is shut down here and
// the server closes it as it would any connection its client dropped.
//
// Each connection is watched through a duplicate of its socket, so a
// descriptor number the server has closed and the process has reused is
// never what gets shut down.
class RequestDeadline {
public:
    using Clock = std::chrono::steady_clock;
    struct Watched;

    explicit RequestDeadline(std::chrono::milliseconds limit);
    ~RequestDeadline();
    RequestDeadline(const RequestDeadline&) = delete;
    RequestDeadline& operator=(const RequestDeadline&) = delete;

    // Any thread. The handle stays valid until closed().
    Watched* opened(int fd, std::string address);
    // The answer is out: the next request has the whole time again.
    void answered(Watched* w);
    // No deadline until the next answered(): a streamed answer takes as
    // long as its client stays.
    void exempt(Watched* w);
    void closed(Watched* w);
    // Room for a newcomer from `address` when every place is taken: cuts
    // the oldest connection of the address holding the most, if that holds
    // at least two more than the newcomer's. So a crowd from many addresses
    // cannot keep out one with few, and a balanced crowd does not churn.
    bool cutForNewcomer(const std::string& address);

private:
    void run();

    const std::chrono::milliseconds m_limit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::list<Watched> m_watched;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace zel::http
