#include "alarms/eventrecord.h"
#include "alarms/limitjudge.h"
#include "alarms/limitmonitor.h"
#include "alarms/recordrules.h"
#include "alarms/silencejudge.h"
#include "support/fakes.h"

#include <QTest>

#include <cmath>

using namespace zel;

namespace {

std::optional<double> opt(const QString& text)
{
    return text == u'-' ? std::nullopt : std::optional<double>(text.toDouble());
}

// "key=value;..." in [Limits], or "[Section]key=value".
MemorySettings store(const QString& entries)
{
    MemorySettings s;
    for (const QString& e : entries.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype close = e.indexOf(u']');
        const qsizetype eq = e.indexOf(u'=');
        s.write(close < 0 ? keys::LimitsSection : e.mid(1, close - 1),
                e.mid(close + 1, eq - close - 1), e.mid(eq + 1));
    }
    return s;
}

LimitSettings read(const QString& entries)
{
    return readLimitSettings(store(entries), AlarmSettings{});
}

// "6%", "45", or "" for no limit.
QString shown(const std::optional<Threshold>& t)
{
    if (!t)
        return QString();
    return t->relative ? QString::number(t->value * 100) + u'%' : QString::number(t->value);
}

// "low_power/warning", "-" for normal; "~" before either when suspended.
QString shown(Reading r, const LimitVerdict& v)
{
    const QString level = v.level == LimitLevel::Normal
                              ? QStringLiteral("-")
                              : limitKind(r, v.level) + u'/' + limitSeverity(v.level);
    return (v.suspended ? QStringLiteral("~") : QString()) + level;
}

// One data row of string columns.
void row(const char* name, std::initializer_list<const char*> columns)
{
    auto& r = QTest::newRow(name);
    for (const char* c : columns)
        r << QString::fromUtf8(c);
}

void columns(std::initializer_list<const char*> names)
{
    for (const char* n : names)
        QTest::addColumn<QString>(n);
}

} // namespace

class TestLimits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settings_data()
    {
        // key: the reading.level looked at; limit as shown(), empty: off;
        // problem: part of the one problem line, empty: none.
        columns({"entries", "key", "limit", "problem"});
        row("default temperature", {"", "temperature_c.high_critical", "45", ""});
        row("default reflected", {"", "reflected_w.high_critical", "6%", ""});
        row("default low power", {"", "forward_w.low_warning", "90%", ""});
        row("default low power critical", {"", "forward_w.low_critical", "50%", ""});
        row("no default", {"", "pa_voltage_v.low_warning", "", ""});
        row("empty turns a default off",
            {"temperature_c.high_critical=", "temperature_c.high_critical", "", ""});
        row("spaced per cent",
            {"reflected_w.high_warning= 3.5 %", "reflected_w.high_warning", "3.5%", ""});
        row("negative", {"temperature_c.low_warning=-10", "temperature_c.low_warning", "-10", ""});
        row("per cent where none applies",
            {"temperature_c.high_warning=80%", "temperature_c.high_warning", "",
             "[Limits] temperature_c.high_warning = \"80%\" is relative"});
        row("not a number", {"vswr.high_warning=1,5", "vswr.high_warning", "",
                             "[Limits] vswr.high_warning = \"1,5\" is not a number"});
        row("infinite", {"vswr.high_warning=inf", "vswr.high_warning", "", "is not a number"});
        row("negative per cent", {"forward_w.low_warning=-5%", "forward_w.low_warning", "",
                                  "[Limits] forward_w.low_warning = \"-5%\" is below zero"});
        row("out of order is said, kept",
            {"forward_w.low_warning=40%", "forward_w.low_warning", "40%",
             "forward_w.low_critical and forward_w.low_warning are out of order"});
        row("warnings equal across sides",
            {"pa_voltage_v.low_warning=48;pa_voltage_v.high_warning=48",
             "pa_voltage_v.high_warning", "48",
             "pa_voltage_v.low_warning and pa_voltage_v.high_warning are out of order"});
        row("watts and per cent not compared",
            {"forward_w.high_warning=100", "forward_w.high_warning", "100", ""});
        row("bad time", {"vswr.qualify_seconds=soon", "vswr.high_warning", "",
                         "[Limits] vswr.qualify_seconds = \"soon\""});
        row("bad silence level",
            {"silence.level=loud", "vswr.high_warning", "", "[Limits] silence.level = \"loud\""});
        row("silence levels crossed", {"silence.level=20", "vswr.high_warning", "",
                                       "silence.clear_level = 15 is below silence.level = 20"});
    }
    void settings()
    {
        QFETCH(QString, entries);
        QFETCH(QString, key);
        QFETCH(QString, limit);
        QFETCH(QString, problem);
        const LimitSettings s = read(entries);
        const auto r = readingNamed(key.section(u'.', 0, 0));
        QVERIFY(r);
        const QStringList levels{"low_critical", "low_warning", "high_warning", "high_critical"};
        QCOMPARE(shown(s.of(*r).at(LimitKey(levels.indexOf(key.section(u'.', 1))))), limit);
        QCOMPARE(s.problems.size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QVERIFY2(s.problems.first().contains(problem), qPrintable(s.problems.first()));
    }

    void timesAndTarget()
    {
        AlarmSettings alarms;
        alarms.qualifySeconds = 7;
        alarms.clearSeconds = 9;
        const LimitSettings s = readLimitSettings(store("vswr.clear_seconds=0"), alarms);
        QCOMPARE(s.of(Reading::Vswr).qualifySeconds, 7);
        QCOMPARE(s.of(Reading::Vswr).clearSeconds, 0);
        QCOMPARE(s.of(Reading::ForwardW).clearSeconds, 9);
        QCOMPARE(s.silence.seconds, 30);
        QCOMPARE(savedForwardTarget(store("[Setting]SETPOWERT=500")), 500.0);
        QCOMPARE(savedForwardTarget(store("")), std::nullopt);
        QCOMPARE(savedForwardTarget(store("[Setting]SETPOWERT=0")), std::nullopt);
    }

    // The defaults judge exactly as the panel's red rules at their edges.
    void defaultsMatchPanelRules_data()
    {
        columns({"temperature", "forward", "reflected"});
        row("45.0 C", {"45.0", "100", "0"});
        row("just above 45", {"45.0000001", "100", "0"});
        row("44.9 C", {"44.9", "100", "0"});
        row("6 of 100 W", {"30", "100", "6"});
        row("6.1 of 100 W", {"30", "100", "6.1"});
        row("30 of 500 W", {"30", "500", "30"});
        row("30.1 of 500 W", {"30", "500", "30.1"});
        row("1.998 of 33.3 W", {"30", "33.3", "1.998"});
        row("1.999 of 33.3 W", {"30", "33.3", "1.999"});
        row("300 of 5000 W", {"30", "5000", "300"});
        row("300.01 of 5000 W", {"30", "5000", "300.01"});
        row("0.3 of 5 W", {"30", "5", "0.3"});
        row("0.31 of 5 W", {"30", "5", "0.31"});
    }
    void defaultsMatchPanelRules()
    {
        QFETCH(QString, temperature);
        QFETCH(QString, forward);
        QFETCH(QString, reflected);
        TransmitterStatus st;
        st.OnAir = true;
        st.TemperatureC = temperature;
        st.ForwardW = forward;
        st.ReflectW = reflected;
        const LimitSettings s = read({});
        const LimitReadings r = limitReadings(telemetryValues(st), 500, s.minForwardW);
        for (const auto& [reading, kind] :
             {std::pair{Reading::TemperatureC, alarm::OverTemperature},
              std::pair{Reading::ReflectedW, alarm::HighReflect}}) {
            const LimitVerdict v = LimitJudge(reading, s.of(reading)).judge(LimitLevel::Normal, r);
            QVERIFY(!v.suspended);
            QCOMPARE(v.level != LimitLevel::Normal, recordRuleHolds(kind, st));
            if (v.level != LimitLevel::Normal)
                QCOMPARE(limitKind(reading, v.level), kind);
        }
    }

    void readings_data()
    {
        // frame: forward reflected volts amps target onAir; derived:
        // reflect_ratio vswr return_loss_db pa_efficiency forward_ratio.
        columns({"frame", "derived"});
        row("500 W, 5 W back", {"500 5 50 12.5 500 1", "0.01 1.222 20 0.8 1"});
        row("5 kW, 250 W back", {"5000 250 250 25 5000 1", "0.05 1.576 13.01 0.8 1"});
        row("nothing back", {"100 0 - 10 - 1", "0 1 inf - -"});
        row("all back", {"100 100 50 4 200 1", "1 - 0 0.5 0.5"});
        row("below min_forward_w", {"4.9 1 50 1 500 1", "- - - - -"});
        row("carrier off", {"0 0 50 0 500 0", "- - - - -"});
        row("reflected missing", {"500 - 50 10 500 1", "- - - 1 1"});
    }
    void readings()
    {
        QFETCH(QString, frame);
        QFETCH(QString, derived);
        const QStringList f = frame.split(u' ');
        const QStringList want = derived.split(u' ');
        TelemetryValues v;
        v.forwardW = opt(f[0]);
        v.reflectW = opt(f[1]);
        v.voltageV = opt(f[2]);
        v.currentA = opt(f[3]);
        v.onAir = f[5] == u'1';
        const LimitReadings r = limitReadings(v, opt(f[4]), 5);
        for (int i = 0; i < 5; ++i) {
            const Reading which = Reading(int(Reading::ReflectRatio) + i);
            const auto got = r[which];
            const QString what = readingName(which) + u' ' + QString::number(got.value_or(-1));
            QVERIFY2(got.has_value() == (want[i] != u'-'), qPrintable(what));
            if (got)
                QVERIFY2(std::isinf(*got) ? want[i] == QStringLiteral("inf")
                                          : std::abs(*got - want[i].toDouble()) < 0.001,
                         qPrintable(what));
        }
        // Relative limits are taken against a target only on air, and
        // against a forward power only from min_forward_w up.
        QCOMPARE(r.forwardTarget.has_value(), v.onAir && f[4] != u'-');
        QCOMPARE(r.forwardReference.has_value(), f[0].toDouble() >= 5);
    }

    // steps: "value reference" ("-" for none), each judged from the level
    // the one before left; levels as shown().
    void judge_data()
    {
        columns({"entries", "reading", "steps", "levels"});
        row("500 W foldback",
            {"", "forward_w", "498 500,450 500,449 500,250 500,249 500,260 500,451 500",
             "-,-,low_power/warning,low_power/warning,low_power/critical,low_power/warning,-"});
        row("500 W with a 10 W band",
            {"forward_w.hysteresis=10", "forward_w",
             "449 500,459 500,461 500,200 500,259 500,261 500,470 500",
             "low_power/warning,low_power/warning,-,low_power/critical,low_power/critical,"
             "low_power/warning,-"});
        row("no target saved or carrier off", {"", "forward_w", "100 -,100 500,0 -,480 500",
                                               "~-,low_power/critical,~low_power/critical,-"});
        row("5 kW in watts",
            {"forward_w.low_warning=4500;forward_w.low_critical=2500;forward_w.high_warning=5250",
             "forward_w", "4600 -,4400 -,5300 -,2400 -,5000 -",
             "-,low_power/warning,forward_w_high/warning,low_power/critical,-"});
        row("5 kW reflected, warning at 3 %",
            {"reflected_w.high_warning=3%;reflected_w.hysteresis=0.2%", "reflected_w",
             "150 5000,151 5000,301 5000,295 5000,289 5000,289 -,0 5000",
             "-,high_reflect/warning,high_reflect/critical,high_reflect/critical,"
             "high_reflect/warning,~high_reflect/warning,-"});
        row("PA voltage both ways",
            {"pa_voltage_v.low_warning=46;pa_voltage_v.low_critical=42;"
             "pa_voltage_v.high_warning=52;pa_voltage_v.hysteresis=0.5",
             "pa_voltage_v", "48 -,45.9 -,46.2 -,46.6 -,52.1 -,41 -",
             "-,pa_voltage_v_low/warning,pa_voltage_v_low/warning,-,pa_voltage_v_high/warning,"
             "pa_voltage_v_low/critical"});
        row("temperature, value missing",
            {"", "temperature_c", "45 -,45.1 -,- -,44 -",
             "-,over_temperature/critical,~over_temperature/critical,-"});
        row("no limits", {"", "vswr", "9 -", "-"});
    }
    void judge()
    {
        QFETCH(QString, entries);
        QFETCH(QString, reading);
        QFETCH(QString, steps);
        QFETCH(QString, levels);
        const auto r = readingNamed(reading);
        QVERIFY(r);
        const LimitJudge judge(*r, read(entries).of(*r));
        LimitLevel now = LimitLevel::Normal;
        QStringList got;
        for (const QString& step : steps.split(u',')) {
            const QStringList s = step.split(u' ');
            const LimitVerdict v = judge.judge(now, opt(s[0]), opt(s[1]));
            got << shown(*r, v);
            now = v.level;
        }
        QCOMPARE(got.join(u','), levels);
    }

    // The carrier tripping during high_reflect is no all-clear.
    void carrierTripKeepsHighReflect()
    {
        const LimitJudge judge(Reading::ReflectedW, read({}).of(Reading::ReflectedW));
        TelemetryValues v;
        v.onAir = true;
        v.forwardW = 500;
        v.reflectW = 40;
        const LimitVerdict raised = judge.judge(LimitLevel::Normal, limitReadings(v, 500, 5));
        QCOMPARE(shown(Reading::ReflectedW, raised), QStringLiteral("high_reflect/critical"));
        v.onAir = false;
        v.forwardW = 0;
        v.reflectW = 0;
        const LimitVerdict tripped = judge.judge(raised.level, limitReadings(v, 500, 5));
        QCOMPARE(shown(Reading::ReflectedW, tripped), QStringLiteral("~high_reflect/critical"));
    }

    // steps: "left right [off|low]" (carrier off, forward power past a
    // limit); states per step: s silence, l/r that channel lost, - none,
    // ~ before when not judged.
    void silence_data()
    {
        columns({"steps", "states"});
        row("dead air, back on either", {"50 50,9 9,12 12,16 12,16 16", "-ssr-"});
        row("right channel lost", {"50 0,50 14,50 15.5", "rr-"});
        row("left channel lost", {"0 30", "l"});
        row("exactly at the levels", {"10 10,5 5,15 15", "-ss"});
        row("carrier off keeps", {"0 0 off,0 0,50 50 off", "~-s~s"});
        row("forward past a limit keeps", {"0 0,50 50 low,0 50 low,50 50", "s~s~s-"});
        row("audio missing keeps", {"0 0,- 50", "s~s"});
    }
    void silence()
    {
        QFETCH(QString, steps);
        QFETCH(QString, states);
        const SilenceJudge judge(read({}).silence);
        SilenceState now;
        QString got;
        for (const QString& step : steps.split(u',')) {
            const QStringList f = step.split(u' ');
            TelemetryValues v;
            v.onAir = true;
            v.audioLeft = opt(f[0]);
            v.audioRight = opt(f[1]);
            const QString gate = f.value(2);
            const SilenceVerdict verdict = judge.judge(
                now, limitReadings(v, 500, 5), gate != QStringLiteral("off"),
                gate == QStringLiteral("low") ? LimitLevel::LowWarning : LimitLevel::Normal);
            now = verdict.state;
            if (verdict.suspended)
                got += u'~';
            got += now.silence() ? u's' : !now.channelLoss() ? u'-' : now.leftSilent ? u'l' : u'r';
        }
        QCOMPARE(got, states);
        QCOMPARE(SilenceJudge::detail({true, true}, 498.2),
                 QStringLiteral("programme silent, transmitter on air at 498 W"));
    }

    // steps: "second forward reflected left right [temperature|off]", one
    // frame each, the monitor's due changes completed before it; rows:
    // "second kind state severity" by the second they came out at, "|"
    // between. Target 500 W, times 3 s unless set.
    void monitor_data()
    {
        columns({"entries", "steps", "rows"});
        row("foldback: one warning, one escalation, one clear",
            {"",
             "0 500 5 50 50,10 300 5 50 50,13 300 5 50 50,20 240 5 50 50,23 240 5 50 50,"
             "30 490 5 50 50,33 490 5 50 50",
             "13 low_power raised warning|23 low_power escalated critical|"
             "33 low_power cleared critical"});
        row("straight to critical is one raise",
            {"", "0 200 5 50 50,3 200 5 50 50", "3 low_power raised critical"});
        row("easing back to warning, then clear",
            {"",
             "0 200 5 50 50,3 200 5 50 50,4 400 5 50 50,7 400 5 50 50,8 499 5 50 50,"
             "11 499 5 50 50",
             "3 low_power raised critical|7 low_power eased warning|11 low_power cleared warning"});
        row("a dip shorter than the qualify time raises nothing",
            {"", "0 300 5 50 50,2 500 5 50 50,5 500 5 50 50", ""});
        row("carrier trip during high reflect: suspended, no clear",
            {"",
             "0 500 40 50 50,3 500 40 50 50,5 0 0 50 50 off,6 0 0 50 50 off,"
             "40 500 5 50 50,43 500 5 50 50",
             "3 high_reflect raised critical|5 high_reflect suspended critical|"
             "43 high_reflect cleared critical"});
        row("silence after 30 s, not before; clears in 5 s",
            {"",
             "0 500 5 0 0,29 500 5 0 0,30 500 5 0 0,40 500 5 40 0,45 500 5 40 0,"
             "70 500 5 40 0",
             "30 silence raised critical|45 silence cleared critical|"
             "70 channel_loss raised warning"});
        row("silence waits while the carrier is off",
            {"", "0 0 0 0 0 off,40 0 0 0 0 off,41 500 5 0 0,71 500 5 0 0",
             "71 silence raised critical"});
        row("own times per reading",
            {"temperature_c.qualify_seconds=10;temperature_c.clear_seconds=0",
             "0 500 5 50 50 47,9 500 5 50 50 47,10 500 5 50 50 47,11 500 5 50 50 40",
             "10 over_temperature raised critical|11 over_temperature cleared critical"});
    }
    void monitor()
    {
        QFETCH(QString, entries);
        QFETCH(QString, steps);
        QFETCH(QString, rows);
        LimitMonitor monitor(read(entries));
        const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
        QStringList got;
        QString raisedDetail;
        qint64 second = 0;
        const auto take = [&](const std::vector<EventRecord>& out) {
            for (const EventRecord& e : out) {
                got << QStringLiteral("%1 %2 %3 %4").arg(second).arg(e.event, e.state, e.severity);
                if (raisedDetail.isEmpty() && e.state == eventstate::Raised)
                    raisedDetail = e.detail;
            }
        };
        for (const QString& step : steps.split(u',')) {
            const QStringList f = step.split(u' ');
            second = f[0].toLongLong();
            const qint64 ms = second * 1000;
            take(monitor.complete(ms));
            TelemetryValues v;
            v.onAir = !f.contains(QStringLiteral("off"));
            v.forwardW = f[1].toDouble();
            v.reflectW = f[2].toDouble();
            v.audioLeft = f[3].toDouble();
            v.audioRight = f[4].toDouble();
            v.temperatureC = f.size() > 5 && f[5] != QStringLiteral("off") ? f[5].toDouble() : 30.0;
            take(monitor.observe(t0.addMSecs(ms), ms, limitReadings(v, 500, 5), v.onAir));
        }
        QCOMPARE(got.join(u'|'), rows);
        if (QTest::currentDataTag() ==
            QLatin1String("silence after 30 s, not before; clears in 5 s"))
            QCOMPARE(raisedDetail, QStringLiteral("programme silent, transmitter on air at 500 W: "
                                                  "both audio channels below 10 for 30 s "
                                                  "(qualify time)"));
    }
};

QTEST_GUILESS_MAIN(TestLimits)
#include "tst_limits.moc"
