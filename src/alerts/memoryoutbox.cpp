#include "memoryoutbox.h"

#include <algorithm>

namespace zel {

MemoryOutbox::Rank rankOf(const QString& state)
{
    if (state == u"reminder")
        return MemoryOutbox::Rank::Reminder;
    if (state == u"raised" || state == u"flapping")
        return MemoryOutbox::Rank::FirstRaise;
    return MemoryOutbox::Rank::FollowUp;
}

QString MemoryOutbox::add(Alert alert)
{
    m_alerts.append(std::move(alert));
    if (m_alerts.size() <= m_capacity)
        return QString();
    // min_element keeps the first of equals: the oldest of the lowest rank.
    const auto victim =
        std::min_element(m_alerts.cbegin(), m_alerts.cend(),
                         [](const Alert& a, const Alert& b) { return int(a.rank) < int(b.rank); });
    const QString dropped = victim->id;
    m_alerts.erase(victim);
    return dropped;
}

std::optional<OutboxEntry> MemoryOutbox::oldest(const QString& channel) const
{
    for (const Alert& a : m_alerts) {
        if (a.channels.contains(channel))
            return OutboxEntry{a.id, channel, a.createdMs, 0, a.document};
    }
    return std::nullopt;
}

bool MemoryOutbox::remove(const QString& id, const QString& channel)
{
    const auto it =
        std::find_if(m_alerts.begin(), m_alerts.end(), [&](const Alert& a) { return a.id == id; });
    if (it == m_alerts.end() || !it->channels.removeOne(channel))
        return false;
    if (it->channels.isEmpty())
        m_alerts.erase(it);
    return true;
}

int MemoryOutbox::waiting(const QString& channel) const
{
    return int(std::count_if(m_alerts.cbegin(), m_alerts.cend(),
                             [&](const Alert& a) { return a.channels.contains(channel); }));
}

bool MemoryOutbox::holds(const QString& id) const
{
    return std::any_of(m_alerts.cbegin(), m_alerts.cend(),
                       [&](const Alert& a) { return a.id == id; });
}

} // namespace zel
