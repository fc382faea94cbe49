// zel-fm-history-gen: a database filled with plausible history, for the
// readers' benchmarks and for trying the windows. Old minutes are written as
// roll-ups directly; the last --second-days go through the store's own write
// path, seconds and roll-ups alike. Alarms come from the simulator's faults.

#include "history/historystore.h"
#include "history/rollup.h"
#include "simtransmitter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimeZone>

#include <cmath>
#include <random>

using namespace zel;
using namespace zel::history;

namespace {

qint64 tenths(double v)
{
    return std::llround(v * 10);
}

// One second as the recorder would keep it: the last of a few readings and
// their range. (The monitor sees 80; a few give the same row sizes, and the
// old minutes take one a second so that a year is made in about a minute.)
SecondSample secondOf(sim::Transmitter& tx, qint64 t, int readings)
{
    SecondSample s;
    s.t = t;
    for (int i = 0; i < readings; ++i) {
        const sim::Reading r = tx.sample();
        const std::array<qint64, FieldCount> v{std::llround(r.frequencyMHz * 100),
                                               tenths(r.forwardW),
                                               tenths(r.reflectW),
                                               tenths(r.temperatureC),
                                               tenths(r.voltageV),
                                               tenths(r.currentA),
                                               r.modPercent,
                                               r.audioLeft,
                                               r.audioRight};
        for (std::size_t f = 0; f < v.size(); ++f) {
            const bool keepsRange = fieldInfo(fieldAt(int(f))).keepsRange;
            s.min[f] = i == 0 || !keepsRange ? v[f] : std::min(s.min[f], v[f]);
            s.max[f] = i == 0 || !keepsRange ? v[f] : std::max(s.max[f], v[f]);
            s.value[f] = v[f];
        }
        s.deviceId = r.deviceId;
        s.onAir = r.onAir;
        s.locked = r.locked;
    }
    return s;
}

// Faults now and then, each an alarm raised and cleared, most acknowledged.
class FaultPlan {
public:
    explicit FaultPlan(quint32 seed) : m_rng(seed) {}

    // Called once a minute; returns the events of that minute.
    QList<EventRecord> minute(sim::Transmitter& tx, qint64 t, const QList<EventRecord>& stored)
    {
        QList<EventRecord> out;
        for (const EventRecord& e : stored) {
            if (e.state == eventstate::Raised && chance(0.7))
                m_toAcknowledge << e;
        }
        if (!m_toAcknowledge.isEmpty() && chance(0.2)) {
            out << acknowledgementOf(m_toAcknowledge.takeFirst(), QStringLiteral("operator"),
                                     at(t + 20));
        }
        if (m_endsAt > 0 && t >= m_endsAt) {
            tx.setScenario(sim::Scenario::Normal);
            out << event(t + 5, m_kind, eventstate::Cleared);
            m_endsAt = 0;
        } else if (m_endsAt == 0 && chance(1.0 / (3 * 1440))) {
            static const QList<std::pair<sim::Scenario, QString>> kinds{
                {sim::Scenario::HighReflect, alarm::HighReflect},
                {sim::Scenario::Overheat, alarm::OverTemperature},
                {sim::Scenario::OffAir, alarm::OffAir},
                {sim::Scenario::Unlock, alarm::Unlocked}};
            const auto& [scenario, kind] = kinds[std::uniform_int_distribution<int>(0, 3)(m_rng)];
            tx.setScenario(scenario);
            m_kind = kind;
            m_endsAt = t + 60 * std::uniform_int_distribution<int>(2, 30)(m_rng);
            out << event(t + 10, kind, eventstate::Raised);
        }
        return out;
    }

private:
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    static QDateTime at(qint64 s) { return QDateTime::fromSecsSinceEpoch(s, Qt::UTC); }
    static EventRecord event(qint64 t, const QString& kind, const QString& state)
    {
        EventRecord e;
        e.time = at(t);
        e.event = kind;
        e.state = state;
        e.detail = QStringLiteral("synthetic");
        return e;
    }

    std::mt19937 m_rng;
    QList<EventRecord> m_toAcknowledge;
    QString m_kind;
    qint64 m_endsAt = 0;
};

int fail(const QString& message)
{
    QTextStream(stderr) << "zel-fm-history-gen: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Fills a history database with plausible data."));
    parser.addHelpOption();
    const QCommandLineOption days(QStringLiteral("days"), QStringLiteral("days of history"),
                                  QStringLiteral("N"), QStringLiteral("365"));
    const QCommandLineOption secondDays(QStringLiteral("second-days"),
                                        QStringLiteral("days of 1-second samples at the end"),
                                        QStringLiteral("N"), QStringLiteral("31"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("database to create"),
                                 QStringLiteral("PATH"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("random seed"),
                                  QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({days, secondDays, out, seed});
    parser.process(app);
    const int dayCount = parser.value(days).toInt();
    const int secondDayCount = std::min(parser.value(secondDays).toInt(), dayCount);
    if (!parser.isSet(out) || dayCount <= 0 || secondDayCount < 0)
        return fail(QStringLiteral("need --out PATH and --days N > 0"));
    const QString path = parser.value(out);
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);

    HistoryStore store(path);
    StoreError opened = store.open();
    if (!opened)
        opened = store.setBulkLoading();
    if (opened)
        return fail(opened.message);
    const quint32 seedValue = parser.value(seed).toUInt();
    sim::Transmitter tx(seedValue);
    FaultPlan faults(seedValue + 1);
    QElapsedTimer clock;
    clock.start();

    const qint64 end = QDateTime::currentSecsSinceEpoch() / 60 * 60;
    const qint64 start = end - qint64(dayCount) * 86400;
    const qint64 secondsFrom = end - qint64(secondDayCount) * 86400;
    QList<EventRecord> stored;
    QList<Rollup> minutes;
    qint64 minuteRows = 0;
    for (qint64 m = start; m < secondsFrom; m += 60) {
        QList<EventRecord> events = faults.minute(tx, m, stored);
        QList<SecondSample> seconds;
        for (int i = 0; i < 60; ++i) {
            tx.step(1.0);
            seconds << secondOf(tx, m + i, 1);
        }
        minutes << rollupOfSeconds(m, seconds);
        stored.clear();
        // Minutes first: the store rolls hours up to the time it is given.
        if (minutes.size() == 1440 || m + 60 >= secondsFrom || !events.isEmpty()) {
            if (const StoreError e = store.writeMinutes(minutes))
                return fail(e.message);
            minuteRows += minutes.size();
            minutes.clear();
        }
        if (!events.isEmpty()) {
            if (const StoreError e = store.write({}, events, m + 62))
                return fail(e.message);
            stored = events;
        }
    }
    qint64 secondRows = 0;
    QList<SecondSample> batch;
    QList<EventRecord> events;
    for (qint64 t = secondsFrom; t < end; ++t) {
        if (t % 60 == 0) {
            events += faults.minute(tx, t, stored);
            stored.clear();
        }
        tx.step(1.0);
        batch << secondOf(tx, t, 3);
        if (batch.size() == 3600 || t + 1 == end) {
            if (const StoreError e = store.write(batch, events, t + 3))
                return fail(e.message);
            secondRows += batch.size();
            stored = events;
            batch.clear();
            events.clear();
        }
    }
    store.close();
    QTextStream(stdout) << "minutes_written " << minuteRows << "\nseconds_written " << secondRows
                        << "\nelapsed_s " << clock.elapsed() / 1000.0 << '\n';
    return 0;
}
