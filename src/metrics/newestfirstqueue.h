#pragma once

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zel {

// A fixed set of worker threads that take the newest connection first. A
// crowd of connections that never send a request then only waits out its
// own idle time-outs, while a client that asks at once is served by the next
// free worker instead of queueing behind them all.
class NewestFirstQueue final : public httplib::TaskQueue {
public:
    explicit NewestFirstQueue(int workers);
    ~NewestFirstQueue() override;

    void enqueue(std::function<void()> fn) override;
    void shutdown() override;

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_jobs;
    bool m_shutdown = false;
    std::vector<std::thread> m_threads;
};

} // namespace zel
