#include "alarms/eventrecord.h"
#include "alarms/limitjudge.h"
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

MemorySettings limits(const QStringList& entries)
{
    MemorySettings store;
    for (const QString& e : entries) {
        const qsizetype eq = e.indexOf(u'=');
        store.write(e.startsWith(u'[') ? e.mid(1, e.indexOf(u']') - 1) : keys::LimitsSection,
                    e.mid(e.indexOf(u']') + 1, eq - e.indexOf(u']') - 1), e.mid(eq + 1));
    }
    return store;
}

LimitSettings read(const QStringList& entries)
{
    return readLimitSettings(limits(entries), AlarmSettings{});
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

} // namespace

class TestLimits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settings_data()
    {
        QTest::addColumn<QStringList>("entries"); // [Limits] key=value unless [Section] given
        QTest::addColumn<QString>("key");         // reading.level looked at
        QTest::addColumn<QString>("limit");       // as shown(); empty: off
        QTest::addColumn<QString>("problem");     // part of the one problem line; empty: none

        const QStringList none;
        QTest::newRow("default temperature") << none << "temperature_c.high_critical"
                                             << "45"
                                             << "";
        QTest::newRow("default reflected") << none << "reflected_w.high_critical"
                                           << "6%"
                                           << "";
        QTest::newRow("default low power") << none << "forward_w.low_warning"
                                           << "90%"
                                           << "";
        QTest::newRow("default low power critical") << none << "forward_w.low_critical"
                                                    << "50%"
                                                    << "";
        QTest::newRow("no default") << none << "pa_voltage_v.low_warning"
                                    << ""
                                    << "";
        QTest::newRow("empty turns a default off")
            << QStringList{"temperature_c.high_critical="} << "temperature_c.high_critical"
            << ""
            << "";
        QTest::newRow("spaced per cent")
            << QStringList{"reflected_w.high_warning= 3.5 %"} << "reflected_w.high_warning"
            << "3.5%"
            << "";
        QTest::newRow("negative absolute")
            << QStringList{"temperature_c.low_warning=-10"} << "temperature_c.low_warning"
            << "-10"
            << "";
        QTest::newRow("per cent where none applies")
            << QStringList{"temperature_c.high_warning=80%"} << "temperature_c.high_warning"
            << ""
            << "[Limits] temperature_c.high_warning = \"80%\" is relative";
        QTest::newRow("not a number") << QStringList{"vswr.high_warning=1,5"} << "vswr.high_warning"
                                      << ""
                                      << "[Limits] vswr.high_warning = \"1,5\" is not a number";
        QTest::newRow("infinite") << QStringList{"vswr.high_warning=inf"} << "vswr.high_warning"
                                  << ""
                                  << "is not a number";
        QTest::newRow("negative per cent")
            << QStringList{"forward_w.low_warning=-5%"} << "forward_w.low_warning"
            << ""
            << "[Limits] forward_w.low_warning = \"-5%\" is below zero";
        QTest::newRow("out of order is said, kept")
            << QStringList{"forward_w.low_warning=40%"} << "forward_w.low_warning"
            << "40%"
            << "forward_w.low_critical and forward_w.low_warning are out of order";
        QTest::newRow("warning equal across sides")
            << QStringList{"pa_voltage_v.low_warning=48", "pa_voltage_v.high_warning=48"}
            << "pa_voltage_v.high_warning"
            << "48"
            << "pa_voltage_v.low_warning and pa_voltage_v.high_warning are out of order";
        QTest::newRow("watts and per cent not compared")
            << QStringList{"forward_w.high_warning=100"} << "forward_w.high_warning"
            << "100"
            << "";
        QTest::newRow("bad time") << QStringList{"vswr.qualify_seconds=soon"} << "vswr.high_warning"
                                  << ""
                                  << "[Limits] vswr.qualify_seconds = \"soon\"";
        QTest::newRow("bad silence level")
            << QStringList{"silence.level=loud"} << "vswr.high_warning"
            << ""
            << "[Limits] silence.level = \"loud\"";
        QTest::newRow("silence levels crossed")
            << QStringList{"silence.level=20"} << "vswr.high_warning"
            << ""
            << "silence.clear_level = 15 is below silence.level = 20";
    }
    void settings()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, key);
        QFETCH(QString, limit);
        QFETCH(QString, problem);
        const LimitSettings s = read(entries);
        const auto r = readingNamed(key.section(u'.', 0, 0));
        QVERIFY(r);
        const LimitKey level = LimitKey(
            QStringList{"low_critical", "low_warning", "high_warning", "high_critical"}.indexOf(
                key.section(u'.', 1)));
        QCOMPARE(shown(s.of(*r).at(level)), limit);
        QCOMPARE(s.problems.size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QVERIFY2(s.problems.first().contains(problem), qPrintable(s.problems.first()));
    }

    void timesDefaultToAlarms()
    {
        AlarmSettings alarms;
        alarms.qualifySeconds = 7;
        alarms.clearSeconds = 9;
        const LimitSettings s =
            readLimitSettings(limits({"vswr.clear_seconds=0", "[Setting]SETPOWERT=500"}), alarms);
        QCOMPARE(s.of(Reading::Vswr).qualifySeconds, 7);
        QCOMPARE(s.of(Reading::Vswr).clearSeconds, 0);
        QCOMPARE(s.of(Reading::ForwardW).clearSeconds, 9);
        QCOMPARE(s.silence.seconds, 30);
        QCOMPARE(s.silence.clearLevel, 15.0);
        QCOMPARE(savedForwardTarget(limits({"[Setting]SETPOWERT=500"})), 500.0);
        QCOMPARE(savedForwardTarget(limits({})), std::nullopt);
        QCOMPARE(savedForwardTarget(limits({"[Setting]SETPOWERT=0"})), std::nullopt);
    }

    // The defaults judge exactly as the panel's red rules at their edges.
    void defaultsMatchPanelRules_data()
    {
        QTest::addColumn<QString>("temperature");
        QTest::addColumn<QString>("forward");
        QTest::addColumn<QString>("reflected");

        QTest::newRow("45.0 C") << "45.0"
                                << "100"
                                << "0";
        QTest::newRow("45.1 C") << "45.1"
                                << "100"
                                << "0";
        QTest::newRow("just above 45") << "45.0000001"
                                       << "100"
                                       << "0";
        QTest::newRow("44.9 C") << "44.9"
                                << "100"
                                << "0";
        QTest::newRow("6 of 100 W") << "30"
                                    << "100"
                                    << "6";
        QTest::newRow("6.1 of 100 W") << "30"
                                      << "100"
                                      << "6.1";
        QTest::newRow("30 of 500 W") << "30"
                                     << "500"
                                     << "30";
        QTest::newRow("30.1 of 500 W") << "30"
                                       << "500"
                                       << "30.1";
        QTest::newRow("1.998 of 33.3 W") << "30"
                                         << "33.3"
                                         << "1.998";
        QTest::newRow("1.999 of 33.3 W") << "30"
                                         << "33.3"
                                         << "1.999";
        QTest::newRow("300 of 5000 W") << "30"
                                       << "5000"
                                       << "300";
        QTest::newRow("300.01 of 5000 W") << "30"
                                          << "5000"
                                          << "300.01";
        QTest::newRow("0.3 of 5 W") << "30"
                                    << "5"
                                    << "0.3";
        QTest::newRow("0.31 of 5 W") << "30"
                                     << "5"
                                     << "0.31";
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
        QTest::addColumn<QStringList>("frame");   // forward reflected volts amps target onAir
        QTest::addColumn<QStringList>("derived"); // ratio vswr return_loss efficiency fwd_ratio

        QTest::newRow("500 W, 5 W back") << QStringList{"500", "5", "50", "12.5", "500", "1"}
                                         << QStringList{"0.01", "1.222", "20", "0.8", "1"};
        QTest::newRow("5 kW, 250 W back") << QStringList{"5000", "250", "250", "25", "5000", "1"}
                                          << QStringList{"0.05", "1.576", "13.01", "0.8", "1"};
        QTest::newRow("nothing back") << QStringList{"100", "0", "-", "10", "-", "1"}
                                      << QStringList{"0", "1", "inf", "-", "-"};
        QTest::newRow("all back") << QStringList{"100", "100", "50", "4", "200", "1"}
                                  << QStringList{"1", "-", "0", "0.5", "0.5"};
        QTest::newRow("below min_forward_w") << QStringList{"4.9", "1", "50", "1", "500", "1"}
                                             << QStringList{"-", "-", "-", "-", "-"};
        QTest::newRow("carrier off")
            << QStringList{"0", "0", "50", "0", "500", "0"} << QStringList{"-", "-", "-", "-", "-"};
        QTest::newRow("reflected missing") << QStringList{"500", "-", "50", "10", "500", "1"}
                                           << QStringList{"-", "-", "-", "1", "1"};
    }
    void readings()
    {
        QFETCH(QStringList, frame);
        QFETCH(QStringList, derived);
        TelemetryValues v;
        v.forwardW = opt(frame[0]);
        v.reflectW = opt(frame[1]);
        v.voltageV = opt(frame[2]);
        v.currentA = opt(frame[3]);
        v.onAir = frame[5] == u'1';
        const LimitReadings r = limitReadings(v, opt(frame[4]), 5);
        const Reading order[] = {Reading::ReflectRatio, Reading::Vswr, Reading::ReturnLossDb,
                                 Reading::PaEfficiency, Reading::ForwardRatio};
        for (int i = 0; i < 5; ++i) {
            const auto got = r[order[i]];
            const QString name = readingName(order[i]);
            if (derived[i] == u'-') {
                QVERIFY2(!got, qPrintable(name));
                continue;
            }
            QVERIFY2(got, qPrintable(name));
            QVERIFY2(std::abs(*got - derived[i].toDouble()) < 0.001 ||
                         (std::isinf(*got) && derived[i] == QStringLiteral("inf")),
                     qPrintable(name + u' ' + QString::number(*got)));
        }
        // Relative limits are taken against a target only on air, and
        // against a forward power only from min_forward_w up.
        QCOMPARE(r.forwardTarget.has_value(), v.onAir && frame[4] != u'-');
        QCOMPARE(r.forwardReference.has_value(), frame[0].toDouble() >= 5);
    }

    // Each step is "value reference" ("-" for none), judged from the level
    // the step before left.
    void judge_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("levels");

        QTest::newRow("500 W foldback") << QStringList{} << "forward_w"
                                        << QStringList{"498 500", "450 500", "449 500", "250 500",
                                                       "249 500", "260 500", "451 500"}
                                        << QStringList{"-",
                                                       "-",
                                                       "low_power/warning",
                                                       "low_power/warning",
                                                       "low_power/critical",
                                                       "low_power/warning",
                                                       "-"};
        QTest::newRow("500 W with a 10 W band")
            << QStringList{"forward_w.hysteresis=10"} << "forward_w"
            << QStringList{"449 500", "459 500", "461 500", "200 500",
                           "259 500", "261 500", "470 500"}
            << QStringList{"low_power/warning",  "low_power/warning", "-", "low_power/critical",
                           "low_power/critical", "low_power/warning", "-"};
        QTest::newRow("no target saved or carrier off")
            << QStringList{} << "forward_w" << QStringList{"100 -", "100 500", "0 -", "480 500"}
            << QStringList{"~-", "low_power/critical", "~low_power/critical", "-"};
        QTest::newRow("5 kW in watts")
            << QStringList{"forward_w.low_warning=4500", "forward_w.low_critical=2500",
                           "forward_w.high_warning=5250"}
            << "forward_w" << QStringList{"4600 -", "4400 -", "5300 -", "2400 -", "5000 -"}
            << QStringList{"-", "low_power/warning", "forward_w_high/warning", "low_power/critical",
                           "-"};
        QTest::newRow("5 kW reflected, warning at 3 %")
            << QStringList{"reflected_w.high_warning=3%", "reflected_w.hysteresis=0.2%"}
            << "reflected_w" << QStringList{"150 5000", "151 5000", "301 5000", "295 5000",
                                            "289 5000", "289 -",    "0 5000"}
            << QStringList{"-",
                           "high_reflect/warning",
                           "high_reflect/critical",
                           "high_reflect/critical",
                           "high_reflect/warning",
                           "~high_reflect/warning",
                           "-"};
        QTest::newRow("PA voltage both ways")
            << QStringList{"pa_voltage_v.low_warning=46", "pa_voltage_v.low_critical=42",
                           "pa_voltage_v.high_warning=52", "pa_voltage_v.hysteresis=0.5"}
            << "pa_voltage_v" << QStringList{"48 -", "45.9 -", "46.2 -", "46.6 -", "52.1 -", "41 -"}
            << QStringList{"-", "pa_voltage_v_low/warning",  "pa_voltage_v_low/warning",
                           "-", "pa_voltage_v_high/warning", "pa_voltage_v_low/critical"};
        QTest::newRow("temperature, value missing")
            << QStringList{} << "temperature_c" << QStringList{"45 -", "45.1 -", "- -", "44 -"}
            << QStringList{"-", "over_temperature/critical", "~over_temperature/critical", "-"};
        QTest::newRow("no limits")
            << QStringList{} << "vswr" << QStringList{"9 -"} << QStringList{"-"};
    }
    void judge()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, reading);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, levels);
        const LimitSettings s = read(entries);
        const auto r = readingNamed(reading);
        QVERIFY(r);
        const LimitJudge judge(*r, s.of(*r));
        LimitLevel now = LimitLevel::Normal;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QStringList step = steps[i].split(u' ');
            const LimitVerdict v = judge.judge(now, opt(step[0]), opt(step[1]));
            QCOMPARE(shown(*r, v), levels[i]);
            now = v.level;
        }
    }

    // The carrier tripping during high_reflect is no all-clear.
    void carrierTripKeepsHighReflect()
    {
        const LimitSettings s = read({});
        const LimitJudge judge(Reading::ReflectedW, s.of(Reading::ReflectedW));
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

    // Each step is "left right [off|low]": carrier off, or forward power
    // past a limit.
    void silence_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("states"); // per step: s silence, l/r that channel lost, - none

        QTest::newRow("dead air, back on either")
            << QStringList{"50 50", "9 9", "12 12", "16 12", "16 16"} << "-ssr-";
        QTest::newRow("right channel lost") << QStringList{"50 0", "50 14", "50 15.5"} << "rr-";
        QTest::newRow("left channel lost") << QStringList{"0 30"} << "l";
        QTest::newRow("exactly at the levels") << QStringList{"10 10", "5 5", "15 15"} << "-ss";
        QTest::newRow("carrier off keeps") << QStringList{"0 0 off", "0 0", "50 50 off"} << "~-s~s";
        QTest::newRow("forward past a limit keeps")
            << QStringList{"0 0", "50 50 low", "0 50 low", "50 50"} << "s~s~s-";
        QTest::newRow("audio missing keeps") << QStringList{"0 0", "- 50"} << "s~s";
    }
    void silence()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, states);
        const SilenceJudge judge(read({}).silence);
        SilenceState now;
        QString got;
        for (const QString& step : steps) {
            const QStringList f = step.split(u' ');
            TelemetryValues v;
            v.onAir = true;
            v.audioLeft = opt(f[0]);
            v.audioRight = opt(f[1]);
            const bool off = f.size() > 2 && f[2] == QStringLiteral("off");
            const bool low = f.size() > 2 && f[2] == QStringLiteral("low");
            const SilenceVerdict verdict =
                judge.judge(now, limitReadings(v, 500, 5), !off,
                            low ? LimitLevel::LowWarning : LimitLevel::Normal);
            now = verdict.state;
            if (verdict.suspended)
                got += u'~';
            got += now.silence() ? u's' : !now.channelLoss() ? u'-' : now.leftSilent ? u'l' : u'r';
        }
        QCOMPARE(got, states);
        QCOMPARE(SilenceJudge::detail({true, true}, 498.2),
                 QStringLiteral("programme silent, transmitter on air at 498 W"));
    }
};

QTEST_GUILESS_MAIN(TestLimits)
#include "tst_limits.moc"
