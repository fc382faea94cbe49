#include "eventstream.h"

#include <cstring>

namespace zel {

namespace {

QByteArray message(const char* event, const QByteArray& json)
{
    // Compact JSON holds no line break, so one data line carries it.
    return QByteArray("event: ") + event + "\ndata: " + json + "\n\n";
}

} // namespace

qsizetype StreamClient::read(char* to, qsizetype max)
{
    std::lock_guard lock(m_mutex);
    if (m_out.isEmpty()) {
        m_out = m_status + m_events;
        m_status.clear();
        m_events.clear();
    }
    if (m_out.isEmpty())
        return m_ended ? -1 : 0;
    const qsizetype n = std::min(max, m_out.size());
    std::memcpy(to, m_out.constData(), size_t(n));
    m_out.remove(0, n);
    return n;
}

void StreamClient::closed()
{
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_ended = true;
}

bool StreamClient::isClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

void StreamClient::putStatus(const QByteArray& message)
{
    std::unique_lock lock(m_mutex);
    if (m_ended)
        return;
    m_status = message;
    lock.unlock();
    wake();
}

void StreamClient::putEvent(const QByteArray& message)
{
    std::unique_lock lock(m_mutex);
    if (m_ended)
        return;
    if (m_out.size() + m_events.size() + message.size() > MaxPending) {
        m_ended = true;
        m_status.clear();
        m_events.clear();
    } else {
        m_events += message;
    }
    lock.unlock();
    wake();
}

void StreamClient::end()
{
    std::unique_lock lock(m_mutex);
    m_ended = true;
    lock.unlock();
    wake();
}

EventStream::EventStream(std::chrono::milliseconds minInterval,
                         std::chrono::milliseconds keepAliveInterval, QObject* parent)
    : QObject(parent)
{
    const auto sendUnsent = [this] {
        if (m_unsent)
            sendStatus();
    };
    // A frame publishes its record and then its time and counts; sent at the
    // first, the second would wait out the pacing and hold the next frame's
    // status back with it.
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    connect(&m_soon, &QTimer::timeout, this, sendUnsent);
    m_pace.setSingleShot(true);
    m_pace.setInterval(minInterval);
    connect(&m_pace, &QTimer::timeout, this, sendUnsent);
    m_keepAlive.setInterval(keepAliveInterval);
    connect(&m_keepAlive, &QTimer::timeout, this, [this] {
        each([](StreamClient& c) { c.putEvent(QByteArrayLiteral(": keep-alive\n\n")); });
    });
    m_keepAlive.start();
}

template <class F> void EventStream::each(F f)
{
    std::vector<std::shared_ptr<StreamClient>> live;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_clients.begin(); it != m_clients.end();) {
            auto c = it->lock();
            if (!c || c->isClosed()) {
                it = m_clients.erase(it);
                continue;
            }
            live.push_back(std::move(c));
            ++it;
        }
    }
    // Outside the list's lock: a client's wake reaches into the server.
    for (const auto& c : live)
        f(*c);
}

std::shared_ptr<StreamClient> EventStream::open(const QByteArray& session)
{
    auto c = std::make_shared<StreamClient>(session);
    std::lock_guard lock(m_mutex);
    // A browser that loses the line tries again after this long.
    c->putEvent(QByteArrayLiteral("retry: 3000\n\n"));
    if (!m_latest.isEmpty())
        c->putStatus(m_latest);
    m_clients.push_back(c);
    return c;
}

void EventStream::endWhere(const std::function<bool(const QByteArray&)>& gone)
{
    each([&gone](StreamClient& c) {
        if (gone(c.session()))
            c.end();
    });
}

void EventStream::endAll()
{
    each([](StreamClient& c) { c.end(); });
}

int EventStream::clients() const
{
    std::lock_guard lock(m_mutex);
    int n = 0;
    for (const auto& w : m_clients) {
        if (auto c = w.lock(); c && !c->isClosed())
            ++n;
    }
    return n;
}

void EventStream::publishStatus(const QByteArray& json)
{
    {
        std::lock_guard lock(m_mutex);
        m_latest = message("status", json);
        m_unsent = true;
    }
    if (!m_pace.isActive() && !m_soon.isActive())
        m_soon.start();
}

void EventStream::sendStatus()
{
    QByteArray latest;
    {
        std::lock_guard lock(m_mutex);
        m_unsent = false;
        // The watchdog's tick publishes the record unchanged: the browsers
        // have it, and the next frame is not to wait out a pacing for it.
        if (m_latest == m_sent)
            return;
        latest = m_sent = m_latest;
    }
    each([&latest](StreamClient& c) { c.putStatus(latest); });
    m_pace.start();
}

void EventStream::publishEvent(const QByteArray& json)
{
    const QByteArray m = message("alarm", json);
    each([&m](StreamClient& c) { c.putEvent(m); });
}

} // namespace zel
