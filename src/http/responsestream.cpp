#include "responsestream.h"

namespace zel::http {

void ResponseStream::wake()
{
    std::lock_guard lock(m_wakeMutex);
    if (m_wake)
        m_wake();
}

void ResponseStream::setWake(std::function<void()> wake)
{
    // Waits for a wake under way, so none reaches a connection after this.
    std::lock_guard lock(m_wakeMutex);
    m_wake = std::move(wake);
}

} // namespace zel::http
