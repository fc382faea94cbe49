#include "streamlink.h"

#include <microhttpd.h>

namespace zel::http {

StreamLink::StreamLink(MHD_Connection* connection, std::shared_ptr<ResponseStream> stream)
    : m_connection(connection), m_stream(std::move(stream))
{
}

void StreamLink::attach()
{
    // Weak: the stream holds its wake, and must not keep the link alive.
    m_stream->setWake([weak = weak_from_this()] {
        if (const auto link = weak.lock())
            link->wake();
    });
}

long StreamLink::read(char* to, size_t max)
{
    while (true) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return MHD_CONTENT_READER_END_WITH_ERROR;
            m_woken = false;
        }
        const qsizetype n = m_stream->read(to, qsizetype(max));
        if (n < 0)
            return n == -1 ? MHD_CONTENT_READER_END_OF_STREAM : MHD_CONTENT_READER_END_WITH_ERROR;
        if (n > 0)
            return long(n);
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return MHD_CONTENT_READER_END_WITH_ERROR;
        if (!m_woken) {
            // Returning 0 without suspending would have the server's thread
            // ask again at once, for ever.
            m_suspended = true;
            MHD_suspend_connection(m_connection);
            return 0;
        }
    }
}

void StreamLink::wake()
{
    std::lock_guard lock(m_mutex);
    if (m_suspended) {
        m_suspended = false;
        MHD_resume_connection(m_connection);
    } else {
        m_woken = true;
    }
}

void StreamLink::stop()
{
    std::lock_guard lock(m_mutex);
    m_stopping = true;
    if (m_suspended) {
        m_suspended = false;
        MHD_resume_connection(m_connection);
    }
}

void StreamLink::release()
{
    {
        std::lock_guard lock(m_mutex);
        m_connection = nullptr;
        m_stopping = true;
    }
    // Not under the lock: a wake under way holds the stream's wake lock and
    // waits for ours.
    m_stream->setWake({});
    m_stream->closed();
    m_stream.reset();
}

bool StreamRegistry::add(const std::shared_ptr<StreamLink>& link)
{
    std::lock_guard lock(m_mutex);
    if (m_stopping || int(m_links.size()) >= m_limit)
        return false;
    m_links.insert(link);
    return true;
}

void StreamRegistry::remove(const std::shared_ptr<StreamLink>& link)
{
    std::lock_guard lock(m_mutex);
    m_links.erase(link);
}

void StreamRegistry::stopAll()
{
    std::unordered_set<std::shared_ptr<StreamLink>> links;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        links = m_links;
    }
    // Outside our lock: the server's thread may be letting one go meanwhile.
    for (const auto& link : links)
        link->stop();
}

} // namespace zel::http
