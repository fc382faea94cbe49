#include "alarms/alarmmonitor.h"
#include "alarms/timeline.h"
#include "history/historyreader.h"
#include "history/historyrecorder.h"
#include "history/historystore.h"
#include "history/limitreplay.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;
using namespace zel::history;

namespace {

using Line = Timeline<AlarmMonitor>;

// "from-to[,step]:forward[/temperature[/audio]]" segments, one frame a step.
struct Frame {
    qint64 s;
    TransmitterStatus record;
};

QList<Frame> script(const QString& text)
{
    QList<Frame> frames;
    for (const QString& segment : text.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = segment.split(u':');
        const QStringList range = parts[0].split(QRegularExpression(QStringLiteral("[-,]")));
        const QStringList v = parts[1].split(u'/');
        const int step = range.size() > 2 ? range[2].toInt() : 1;
        for (qint64 s = range[0].toInt(); s <= range[1].toInt(); s += step) {
            TransmitterStatus r;
            r.DeviceId = QStringLiteral("08001");
            r.OnAir = r.FreqLock = true;
            r.FrequencyMHz = QStringLiteral("98.50");
            r.ForwardW = v[0];
            r.ReflectW = QStringLiteral("5.0");
            r.TemperatureC = v.size() > 1 ? v[1] : QStringLiteral("30.6");
            r.VoltageV = QStringLiteral("48.0");
            r.CurrentA = QStringLiteral("7.5");
            r.ModPercent = QStringLiteral("9");
            r.AudioLeft = r.AudioRight = v.size() > 2 ? v[2] : QStringLiteral("100");
            frames.append({s, r});
        }
    }
    return frames;
}

QString offset(const QDateTime& t)
{
    return t.isValid() ? QString::number(Line::T0.secsTo(t)) : QString();
}

// "event state severity @s", times from the timeline's start.
QString shown(const EventRecord& e)
{
    return QStringLiteral("%1 %2 %3 @%4").arg(e.event, e.state, e.severity, offset(e.time));
}

} // namespace

// The replay runs the live monitor's limits over what the recorder kept of
// the same frames: one a second, and a gap where the link was lost.
class TestLimitReplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void matchesTheLiveMonitor_data()
    {
        QTest::addColumn<QString>("limits"); // [Limits] key=value;...
        QTest::addColumn<QString>("frames");
        // event,severity,count,seconds,first,last for each kind that raised.
        QTest::addColumn<QString>("counts");
        QTest::newRow("foldback: warning, critical, back")
            << ""
            << "0-9:500 10-19:400 20-39:200 40-49:400 50-69:500"
            << "low_power,warning,1,20,10,50;low_power,critical,1,20,20,40";
        QTest::newRow("still raised at the end") << ""
                                                 << "0-9:500 10-20:400"
                                                 << "low_power,warning,1,11,10,";
        QTest::newRow("a gap forgets the pending raise") << "forward_w.qualify_seconds=10"
                                                         << "0-9:500 10-11:200 30-45:200 46-60:500"
                                                         << "low_power,critical,1,16,30,46";
        QTest::newRow("polled every 2 s: hot and silent")
            << ""
            << "0-8,2:500 10-60,2:500/46.5/0 62-80,2:500"
            << "over_temperature,critical,1,52,10,62;silence,critical,1,52,10,62";
    }
    void matchesTheLiveMonitor()
    {
        QFETCH(QString, limits);
        QFETCH(QString, frames);
        QFETCH(QString, counts);
        MemorySettings settings;
        for (const QString& entry : limits.split(u';', Qt::SkipEmptyParts))
            settings.write(keys::LimitsSection, entry.section(u'=', 0, 0), entry.section(u'=', 1));
        const LimitSettings set = readLimitSettings(settings, AlarmSettings{});
        QCOMPARE(set.problems, QStringList());
        const double target = 500;

        Line line;
        AlarmMonitor live(line.clock);
        live.setLimits(set);
        live.setForwardTarget(target);
        const QStringList kinds = LimitMonitor(set).kinds();
        QStringList liveRows;
        connect(&live, &AlarmMonitor::eventOccurred, this, [&](const EventRecord& e) {
            if (kinds.contains(e.event) && e.state != eventstate::Suspended)
                liveRows << shown(e);
        });
        HistoryRecorder recorder(line.clock);
        QList<SecondSample> seconds;
        connect(&recorder, &HistoryRecorder::batchReady, this,
                [&](const HistoryBatch& b) { seconds += b.seconds; });

        const QList<Frame> script = ::script(frames);
        qint64 last = -1;
        for (const Frame& f : script) {
            // The watchdog finds the link lost 5 s after the last frame.
            if (last >= 0 && f.s - last > ReplayGapSeconds) {
                line.advanceTo(live, (last + ReplayGapSeconds) * 1000);
                live.linkLost();
            }
            line.advanceTo(live, f.s * 1000);
            const StatusUpdate update{line.clock.at, LinkKind::Serial, f.record};
            live.statusUpdated(update);
            recorder.record(update);
            last = f.s;
        }
        const qint64 toMs = Line::T0.toMSecsSinceEpoch() + (last + 1) * 1000;
        line.advanceTo(live, (last + 1) * 1000 - 1);
        recorder.handOverAll();

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.db"));
        {
            HistoryStore store(path);
            QVERIFY(!store.open());
            QList<EventRecord> none;
            QVERIFY(!store.write(seconds, none, toMs / 1000 + 2));
        }
        HistoryReader reader(path);
        QVERIFY(reader.open());
        QString error;
        const auto result =
            replayLimits(reader, set, target, Line::T0.toMSecsSinceEpoch(), toMs, nullptr, &error);
        QVERIFY2(result, qPrintable(error));
        QCOMPARE(result->secondsReplayed, script.size());

        QStringList liveRaises;
        for (const QString& row : std::as_const(liveRows)) {
            if (row.contains(QStringLiteral(" raised ")))
                liveRaises << row;
        }
        QStringList raises;
        for (const EventRecord& e : result->firstRaises)
            raises << shown(e);
        QCOMPARE(raises, liveRaises);

        QStringList got;
        for (const ReplayCount& c : result->counts) {
            if (c.raisedCount > 0)
                got << QStringList{c.event,
                                   c.severity,
                                   QString::number(c.raisedCount),
                                   QString::number(c.raisedSeconds),
                                   offset(c.firstRaised),
                                   offset(c.lastCleared)}
                           .join(u',');
        }
        QCOMPARE(got.join(u';'), counts);
        // Per kind, every raise and escalation the live monitor made and the
        // time of its last clear, ease or escalation are the replay's.
        for (const QString& kind : kinds) {
            int raised = 0;
            qint64 cleared = -1;
            for (const ReplayCount& c : result->counts) {
                if (c.event != kind)
                    continue;
                raised += c.raisedCount;
                if (c.lastCleared.isValid())
                    cleared = std::max(cleared, Line::T0.secsTo(c.lastCleared));
            }
            int liveRaised = 0;
            qint64 liveCleared = -1;
            for (const QString& row : std::as_const(liveRows)) {
                const QStringList w = row.split(u' ');
                if (w[0] != kind)
                    continue;
                liveRaised += w[1] == eventstate::Raised || w[1] == eventstate::Escalated;
                if (w[1] != eventstate::Raised)
                    liveCleared = std::max(liveCleared, w[3].mid(1).toLongLong());
            }
            QCOMPARE(raised, liveRaised);
            QCOMPARE(cleared, liveCleared);
        }
    }
};

QTEST_GUILESS_MAIN(TestLimitReplay)
#include "tst_limitreplay.moc"
