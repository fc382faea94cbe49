#include "flapdetector.h"

#include <algorithm>

namespace zel {

FlapDetector::FlapDetector(int changes, qint64 windowMs) : m_changes(changes), m_windowMs(windowMs)
{
}

void FlapDetector::setLimits(int changes, qint64 windowMs)
{
    m_changes = changes;
    m_windowMs = windowMs;
}

FlapDetector::Verdict FlapDetector::change(const QString& kind, bool raised, qint64 nowMs)
{
    Kind& k = m_kinds[kind];
    const bool was = k.raised;
    k.raised = raised;
    if (raised && !was)
        k.raisedSinceMs = nowMs;
    if (k.flapping) {
        // Only the last change matters now: however fast it flaps, one entry.
        k.changes = {{nowMs, raised}};
        k.raises += raised && !was ? 1 : 0;
        if (was && !raised)
            k.raisedMs += nowMs - k.raisedSinceMs;
        return Verdict::Held;
    }
    k.changes.removeIf([&](const QPair<qint64, bool>& c) { return nowMs - c.first >= m_windowMs; });
    k.changes.append({nowMs, raised});
    if (m_changes <= 0 || k.changes.size() <= m_changes)
        return Verdict::Pass;
    // Counted from the first change the window holds.
    k.flapping = true;
    k.raises = 0;
    k.raisedMs = 0;
    for (qsizetype i = 0; i < k.changes.size(); ++i) {
        if (!k.changes[i].second)
            continue;
        ++k.raises;
        if (i + 1 < k.changes.size())
            k.raisedMs += k.changes[i + 1].first - k.changes[i].first;
    }
    return Verdict::Flapping;
}

bool FlapDetector::flapping(const QString& kind) const
{
    return m_kinds.value(kind).flapping;
}

int FlapDetector::recentChanges(const QString& kind) const
{
    return int(m_kinds.value(kind).changes.size());
}

QList<FlapDetector::Summary> FlapDetector::settle(qint64 nowMs)
{
    QList<Summary> steady;
    for (auto it = m_kinds.begin(); it != m_kinds.end(); ++it) {
        Kind& k = it.value();
        if (!k.flapping || nowMs - k.changes.constLast().first < m_windowMs)
            continue;
        steady.append(
            {it.key(), k.raises, k.raisedMs + (k.raised ? nowMs - k.raisedSinceMs : 0), k.raised});
        k.flapping = false;
        k.changes.clear();
    }
    std::sort(steady.begin(), steady.end(),
              [](const Summary& a, const Summary& b) { return a.kind < b.kind; });
    return steady;
}

qint64 FlapDetector::nextSettleMs() const
{
    qint64 next = -1;
    for (const Kind& k : m_kinds) {
        if (k.flapping) {
            const qint64 at = k.changes.constLast().first + m_windowMs;
            next = next < 0 ? at : std::min(next, at);
        }
    }
    return next;
}

} // namespace zel
