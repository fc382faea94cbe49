#include "shelf.h"

#include <algorithm>

namespace zel {

QString shelfTooLong(qint64 durationMs, int maxHours)
{
    if (durationMs <= qint64(maxHours) * 3600 * 1000)
        return QString();
    return QStringLiteral("a shelf lasts at most %1 h ([Alarms] MaxShelveHours); %2 is longer")
        .arg(maxHours)
        .arg(shelfDurationText(durationMs));
}

Shelf::Shelf(const Clock& clock, int maxHours, QString user, QObject* parent)
    : QObject(parent), m_clock(clock), m_maxHours(maxHours), m_user(std::move(user))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Shelf::expire);
}

Shelves Shelf::shelves() const
{
    Shelves out;
    for (auto it = m_held.cbegin(); it != m_held.cend(); ++it)
        out.insert(it.key(), it->entry);
    return out;
}

EventRecord Shelf::marked(const EventRecord& row) const
{
    const auto it = m_held.constFind(row.event);
    if (it == m_held.cend())
        return row;
    EventRecord m = row;
    const QString marking = shelfMarking(it->entry, row.time);
    m.detail = m.detail.isEmpty() ? marking : m.detail + QStringLiteral("; ") + marking;
    return m;
}

QString Shelf::shelve(const QStringList& kinds, qint64 durationMs, const QString& reason,
                      const QString& by)
{
    if (const QStringList unknown = unknownKinds(kinds); !unknown.isEmpty())
        return QStringLiteral("no alarm kind: %1").arg(unknown.join(u", "));
    if (durationMs <= 0)
        return QStringLiteral("a shelf needs a time");
    if (const QString why = shelfTooLong(durationMs, m_maxHours); !why.isEmpty())
        return why;
    if (cleanReason(reason).isEmpty())
        return QStringLiteral("a shelf needs a reason");
    const QDateTime now = m_clock.now().toUTC();
    Q_EMIT eventOccurred(shelvedRow(kinds.isEmpty() ? alarm::all() : kinds, now,
                                    now.addMSecs(durationMs), reason, by.isEmpty() ? m_user : by));
    return QString();
}

void Shelf::unshelve(const QStringList& kinds)
{
    QStringList ending;
    for (const QString& kind : kinds.isEmpty() ? alarm::all() : kinds) {
        if (m_held.contains(kind))
            ending << kind;
    }
    // Unshelving everything says "all", however much of it was shelved.
    if (!ending.isEmpty())
        Q_EMIT eventOccurred(
            unshelvedRow(kinds.isEmpty() ? alarm::all() : ending, m_clock.now(), m_user));
}

void Shelf::rowsFound(const QList<EventRecord>& rows)
{
    Shelves next = shelves();
    for (const EventRecord& row : rows) {
        if (row.id <= m_lastRowId)
            continue;
        m_lastRowId = row.id;
        applyShelfRow(next, row);
    }
    const qint64 nowMs = m_clock.monotonicMs();
    const qint64 wallMs = m_clock.now().toMSecsSinceEpoch();
    const qint64 maxMs = qint64(m_maxHours) * 3600 * 1000;
    QMap<QString, Held> held;
    for (auto it = next.cbegin(); it != next.cend(); ++it) {
        const auto before = m_held.constFind(it.key());
        if (before != m_held.cend() && before->entry == *it) {
            held.insert(it.key(), *before);
            continue;
        }
        // First seen: the rest of its time by the wall clock, once.
        const qint64 left = std::clamp<qint64>(it->until.toMSecsSinceEpoch() - wallMs, 0, maxMs);
        held.insert(it.key(), {*it, nowMs + left});
    }
    const bool same = held.keys() == m_held.keys() &&
                      std::equal(held.cbegin(), held.cend(), m_held.cbegin(),
                                 [](const Held& a, const Held& b) { return a.entry == b.entry; });
    m_held = std::move(held);
    arm();
    if (!same)
        Q_EMIT changed();
}

void Shelf::expire()
{
    const qint64 nowMs = m_clock.monotonicMs();
    // One row per shelf, naming the kinds it still held.
    QMap<qint64, QStringList> ended;
    QMap<qint64, ShelfEntry> entries;
    for (auto it = m_held.cbegin(); it != m_held.cend(); ++it) {
        if (it->endMs > nowMs)
            continue;
        ended[it->entry.rowId] << it.key();
        entries.insert(it->entry.rowId, it->entry);
    }
    if (ended.isEmpty()) {
        arm();
        return;
    }
    m_held.removeIf([nowMs](const auto& it) { return it.value().endMs <= nowMs; });
    const QDateTime now = m_clock.now();
    for (auto it = ended.cbegin(); it != ended.cend(); ++it)
        Q_EMIT eventOccurred(expiredRow(*it, now, entries.value(it.key())));
    arm();
    Q_EMIT changed();
}

void Shelf::arm()
{
    if (m_held.isEmpty()) {
        m_timer.stop();
        return;
    }
    qint64 next = std::numeric_limits<qint64>::max();
    for (const Held& h : std::as_const(m_held))
        next = std::min(next, h.endMs);
    m_timer.start(int(std::clamp<qint64>(next - m_clock.monotonicMs(), 0, 3600 * 1000)));
}

} // namespace zel
