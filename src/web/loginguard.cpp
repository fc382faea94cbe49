#include "loginguard.h"

namespace zel {

LoginGuard::LoginGuard(MonotonicClock clock) : LoginGuard(std::move(clock), Limits()) {}

LoginGuard::LoginGuard(MonotonicClock clock, Limits limits)
    : m_clock(std::move(clock)), m_limits(limits)
{
}

qint64 LoginGuard::lockLeft(const Table& table, const QString& key, qint64 now) const
{
    const auto it = table.constFind(key);
    return it == table.cend() ? 0 : std::max<qint64>(0, it->lockedUntil - now);
}

LoginGuard::Verdict LoginGuard::check(const QString& name, const QString& address)
{
    const QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock();
    const qint64 left = std::max(lockLeft(m_names, name, now), lockLeft(m_addresses, address, now));
    if (left <= 0)
        return {};
    return {false, int((left + 999) / 1000)};
}

bool LoginGuard::idle(const Entry& entry, qint64 now) const
{
    return entry.lockedUntil <= now &&
           (entry.failures.isEmpty() || now - entry.failures.constLast() >= m_limits.windowMs);
}

void LoginGuard::makeRoom(Table& table, qint64 now)
{
    if (table.size() < m_limits.maxEntries)
        return;
    table.removeIf([&](const Table::iterator& it) { return idle(it.value(), now); });
    while (table.size() >= m_limits.maxEntries) {
        auto oldest = table.begin();
        for (auto it = table.begin(); it != table.end(); ++it) {
            if (it->lastSeen < oldest->lastSeen)
                oldest = it;
        }
        table.erase(oldest);
    }
}

bool LoginGuard::fail(Table& table, const QString& key, qint64 now)
{
    auto it = table.find(key);
    if (it == table.end()) {
        makeRoom(table, now);
        it = table.insert(key, Entry());
    }
    Entry& entry = *it;
    entry.lastSeen = now;
    // A guess the caller let through while locked neither counts nor prolongs.
    if (entry.lockedUntil > now)
        return false;
    entry.failures.removeIf([&](qint64 t) { return now - t >= m_limits.windowMs; });
    entry.failures << now;
    if (entry.failures.size() < m_limits.failures)
        return false;
    entry.failures.clear();
    entry.lockedUntil = now + m_limits.lockMs;
    return true;
}

LoginGuard::Outcome LoginGuard::failed(const QString& name, const QString& address)
{
    const QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock();
    return {fail(m_names, name, now), fail(m_addresses, address, now)};
}

void LoginGuard::succeeded(const QString& name, const QString& address)
{
    Q_UNUSED(address);
    const QMutexLocker lock(&m_mutex);
    const auto it = m_names.find(name);
    if (it != m_names.end() && it->lockedUntil <= m_clock())
        m_names.erase(it);
}

} // namespace zel
