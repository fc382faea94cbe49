#include "limitreplay.h"

#include "alarms/limitmonitor.h"
#include "historyreader.h"

#include <QHash>

#include <algorithm>

namespace zel::history {
namespace {

constexpr int MaxFirstRaises = 20;

// The counts as the monitor's rows come: who stands at which severity since
// when, and the totals per kind and severity.
class Tally {
public:
    explicit Tally(const QStringList& kinds) : m_kinds(kinds) {}

    void take(const std::vector<EventRecord>& rows)
    {
        for (const EventRecord& e : rows)
            take(e);
    }

    ReplayResult finish(qint64 toMs)
    {
        for (auto it = m_standing.cbegin(); it != m_standing.cend(); ++it)
            count(it.key(), it->severity).raisedMs += std::max<qint64>(0, toMs - it->sinceMs);
        ReplayResult r;
        for (const QString& kind : m_kinds) {
            bool any = false;
            for (const QString& severity : {severity::Warning, severity::Critical}) {
                const auto it = m_counts.constFind(key(kind, severity));
                if (it == m_counts.cend())
                    continue;
                any = true;
                r.counts << ReplayCount{
                    kind,           severity, it->raised, it->raisedMs / 1000, it->firstRaised,
                    it->lastCleared};
            }
            if (!any)
                r.counts << ReplayCount{kind, QString(), 0, 0, {}, {}};
        }
        r.firstRaises = m_firstRaises;
        return r;
    }

private:
    struct Standing {
        QString severity;
        qint64 sinceMs = 0;
    };
    struct Count {
        int raised = 0;
        qint64 raisedMs = 0;
        QDateTime firstRaised;
        QDateTime lastCleared;
    };

    static QString key(const QString& kind, const QString& severity)
    {
        return kind + u'/' + severity;
    }
    Count& count(const QString& kind, const QString& severity)
    {
        return m_counts[key(kind, severity)];
    }

    void take(const EventRecord& e)
    {
        const QString& s = e.state;
        if (s == eventstate::Raised) {
            enter(e, e.severity, true);
            keepIfFirst(e);
        } else if (s == eventstate::Escalated || s == eventstate::Eased) {
            leave(e);
            enter(e, e.severity, s == eventstate::Escalated);
        } else if (s == eventstate::Cleared) {
            leave(e);
        }
        // Suspended: the alarm stands as it was.
    }

    void enter(const EventRecord& e, const QString& severity, bool counted)
    {
        const qint64 ms = e.time.toMSecsSinceEpoch();
        m_standing.insert(e.event, {severity, ms});
        Count& c = count(e.event, severity);
        if (!counted)
            return;
        ++c.raised;
        if (!c.firstRaised.isValid() || e.time < c.firstRaised)
            c.firstRaised = e.time;
    }

    void leave(const EventRecord& e)
    {
        const auto it = m_standing.constFind(e.event);
        if (it == m_standing.cend())
            return;
        Count& c = count(e.event, it->severity);
        c.raisedMs += std::max<qint64>(0, e.time.toMSecsSinceEpoch() - it->sinceMs);
        if (!c.lastCleared.isValid() || e.time > c.lastCleared)
            c.lastCleared = e.time;
        m_standing.erase(it);
    }

    // Rows come as their changes complete, and a raise's time is when its
    // condition began: one with a longer qualify time may come later but be
    // older. Kept sorted, and raises are few.
    void keepIfFirst(const EventRecord& e)
    {
        const auto at = std::upper_bound(
            m_firstRaises.begin(), m_firstRaises.end(), e.time,
            [](const QDateTime& t, const EventRecord& other) { return t < other.time; });
        if (at - m_firstRaises.begin() >= MaxFirstRaises)
            return;
        m_firstRaises.insert(at, e);
        if (m_firstRaises.size() > MaxFirstRaises)
            m_firstRaises.removeLast();
    }

    QStringList m_kinds;
    QHash<QString, Standing> m_standing;
    QHash<QString, Count> m_counts;
    QList<EventRecord> m_firstRaises;
};

} // namespace

std::optional<ReplayResult> replayLimits(HistoryReader& reader, const LimitSettings& limits,
                                         std::optional<double> forwardTarget, qint64 fromMs,
                                         qint64 toMs, const std::function<bool(int)>& progress,
                                         QString* error)
{
    LimitMonitor monitor(limits);
    Tally tally(monitor.kinds());
    // The seconds that begin in the range, as the samples command has them.
    const qint64 fromS = (fromMs + 999) / 1000;
    const qint64 toS = std::max(fromS, (toMs + 999) / 1000);
    qint64 replayed = 0;
    std::optional<qint64> lastS;
    const auto gapAfter = [&](qint64 lastSecond) {
        tally.take(monitor.complete((lastSecond + ReplayGapSeconds) * 1000));
        monitor.forgetPending();
    };
    const auto second = [&](const SecondSample& s) {
        const qint64 ms = s.t * 1000;
        if (lastS && s.t - *lastS > ReplayGapSeconds)
            gapAfter(*lastS);
        tally.take(monitor.complete(ms));
        const TelemetryValues values = sampleValues(s);
        tally.take(monitor.observe(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC), ms,
                                   limitReadings(values, forwardTarget, limits.minForwardW),
                                   values.onAir));
        lastS = s.t;
        ++replayed;
    };

    // In about a hundred parts, so progress is told and a stop heard while
    // the reader still pages through each part.
    const qint64 part = std::max<qint64>(3600, (toS - fromS + 99) / 100);
    for (qint64 from = fromS; from < toS; from += part) {
        const qint64 to = std::min(toS, from + part);
        if (!reader.forEachSecondValues(from, to, second)) {
            if (error)
                *error = reader.lastError();
            return std::nullopt;
        }
        if (progress && !progress(int((to - fromS) * 100 / (toS - fromS)))) {
            if (error)
                *error = QStringLiteral("replay stopped");
            return std::nullopt;
        }
    }
    // After the last second: what fell due before the range's end, unless
    // the record stops long enough before it to count as the link lost.
    if (lastS) {
        if ((toMs - 1) / 1000 - *lastS > ReplayGapSeconds)
            gapAfter(*lastS);
        else
            tally.take(monitor.complete(toMs - 1));
    }
    ReplayResult r = tally.finish(toMs);
    r.secondsReplayed = replayed;
    return r;
}

} // namespace zel::history
