#include "newestfirstqueue.h"

namespace zel {

NewestFirstQueue::NewestFirstQueue(int workers)
{
    for (int i = 0; i < workers; ++i)
        m_threads.emplace_back([this] { work(); });
}

NewestFirstQueue::~NewestFirstQueue()
{
    shutdown();
}

void NewestFirstQueue::enqueue(std::function<void()> fn)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(fn));
    }
    m_ready.notify_one();
}

void NewestFirstQueue::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_shutdown = true;
    }
    m_ready.notify_all();
    for (std::thread& t : m_threads) {
        if (t.joinable())
            t.join();
    }
}

void NewestFirstQueue::work()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [this] { return m_shutdown || !m_jobs.empty(); });
            // Connections still waiting at shutdown are served (each closes
            // its socket), bounded by the idle time-out.
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.back());
            m_jobs.pop_back();
        }
        job();
    }
}

} // namespace zel
