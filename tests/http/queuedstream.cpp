#include "queuedstream.h"

#include <cstring>

namespace zel::http {

bool QueuedStream::write(const QByteArray& bytes)
{
    bool queued = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_ended || m_closed)
            return false;
        queued = m_queue.size() - m_sent + bytes.size() <= m_capacity;
        if (queued) {
            m_queue.append(bytes);
        } else {
            // The client has not kept up: it gets no partial event, and is
            // cut rather than sent the end it would not take either.
            m_ended = true;
            m_overrun = true;
            m_queue.clear();
            m_sent = 0;
        }
    }
    wake();
    return queued;
}

void QueuedStream::end()
{
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    wake();
}

bool QueuedStream::isClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

qsizetype QueuedStream::read(char* to, qsizetype max)
{
    std::lock_guard lock(m_mutex);
    const qsizetype n = std::min(max, m_queue.size() - m_sent);
    if (n == 0)
        return m_overrun ? -2 : m_ended ? -1 : 0;
    std::memcpy(to, m_queue.constData() + m_sent, size_t(n));
    m_sent += n;
    // Moved down only now and then, not on every read.
    if (m_sent == m_queue.size()) {
        m_queue.clear();
        m_sent = 0;
    } else if (m_sent > 64 * 1024) {
        m_queue.remove(0, m_sent);
        m_sent = 0;
    }
    return n;
}

void QueuedStream::closed()
{
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_queue.clear();
    m_sent = 0;
}

} // namespace zel::http
