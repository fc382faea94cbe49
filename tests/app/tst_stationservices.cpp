// The station record fed by the whole monitor: frames on a pty, the set
// command as the operator sends it, the history database read back.

#include "alarms/limitsettings.h"
#include "app/stationservices.h"
#include "forms/form1.h"
#include "forms/setparameterpanel.h"
#include "history/historyreader.h"
#include "support/monitorrig.h"
#include "support/testframes.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace zel;
using namespace zel::testframes;

namespace {

const QByteArray ini = "[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=@PTY@\n"
                       "[Alarms]\nQualifySeconds=0\nClearSeconds=0\nReadbackSeconds=2\n";

// "event state" of every stored row after the monitor's own start row.
QStringList storedEvents(StationServices& services)
{
    services.history().flush();
    history::HistoryReader reader(services.historyPath());
    if (!reader.open())
        return {reader.lastError()};
    const auto events = reader.events(0, std::numeric_limits<qint64>::max());
    QStringList rows;
    for (const EventRecord& e : events.value_or(QList<EventRecord>{}))
        rows << e.event + u' ' + e.state;
    return rows;
}

} // namespace

class TestStationServices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void alarmsReachTheLog()
    {
        MonitorRig rig(ini);
        StationServices services(rig.form->core());
        services.start();
        rig.form->start();
        QVERIFY(rig.deliver(hotFrame()));
        QVERIFY(rig.deliver(goodFrame));
        QCOMPARE(storedEvents(services), QStringList({"monitor info", "over_temperature raised",
                                                      "over_temperature cleared"}));
        QCOMPARE(services.alarms().activeAlarms().size(), 0);
    }

    // Limits saved from the settings dialog judge the next reading, and what
    // cannot be used is told.
    void reloadedLimitsJudgeAtOnce()
    {
        MonitorRig rig(ini);
        StationServices services(rig.form->core());
        services.start();
        rig.form->start();
        QSignalSpy notices(&services, &StationServices::operatorNotice);
        SettingsStore& settings = rig.form->core().settings();
        settings.write(keys::LimitsSection, "temperature_c.high_critical", "");
        settings.write(keys::LimitsSection, "vswr.high_warning", "x");
        services.reloadLimits();
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.at(0).at(0).toString().contains("vswr.high_warning"));
        QVERIFY(rig.deliver(hotFrame()));
        QCOMPARE(services.alarms().activeAlarms().size(), 0);
    }

    // A port that never opened is still failed when the monitor stops: the
    // log keeps the alarm raised for the next start to take over.
    void failedPortStaysRaisedAcrossAStop()
    {
        // No qualify time: raised at the first failure, ahead of link_lost.
        MonitorRig rig("[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=/dev/zel-no-such-port\n"
                       "[Alarms]\nQualifySeconds=0\n");
        StationServices services(rig.form->core());
        services.start();
        rig.form->start();
        QTRY_COMPARE(services.alarms().activeAlarms().size(), 1);
        const QString value = services.alarms().activeAlarms().at(0).value;
        QVERIFY2(value.startsWith("Communication Port 3 (/dev/zel-no-such-port): "),
                 qPrintable(value));
        rig.form->core().stop();
        services.stop();
        QCOMPARE(storedEvents(services),
                 QStringList({"monitor info", "port_failed raised", "monitor info"}));
    }

    // The operator's SET, then what the transmitter reports: the carrier and
    // frequency asked for (87.50 MHz, on air) or another frequency.
    void readbackOfASetCommand_data()
    {
        QTest::addColumn<QByteArray>("reported");
        QTest::addColumn<QString>("outcome");
        QByteArray other = goodFrame;
        other.replace(3, 2, QByteArray::fromHex("2666")); // 98.30 MHz
        QTest::newRow("taken") << goodFrame << "readback confirmed";
        QTest::newRow("ignored") << other << "readback not_confirmed";
    }
    void readbackOfASetCommand()
    {
        QFETCH(QByteArray, reported);
        QFETCH(QString, outcome);
        MonitorRig rig(ini);
        StationServices services(rig.form->core());
        QSignalSpy told(&services, &StationServices::operatorNotice);
        QSignalSpy informed(&services, &StationServices::operatorInformation);
        services.start();
        rig.form->start();
        SetParameterPanel& panel = *rig.form->setParameterPanel();
        panel.optionOn()->setChecked(true);
        panel.frequency()->setText(QStringLiteral("87.50"));
        panel.bytePause()->setText(QStringLiteral("1"));
        QSignalSpy ended(&rig.form->core(), &MonitorCore::setCommandEnded);
        rig.form->Command4_Click();
        QVERIFY(ended.wait(3000));

        QVERIFY(rig.deliver(reported));
        rig.clock->at = rig.clock->at.addSecs(3);
        // Confirmed is information, not confirmed a warning.
        QSignalSpy& said = outcome == "readback confirmed" ? informed : told;
        QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), 5000);
        QVERIFY(said.last().first().toString().startsWith(
            outcome == "readback confirmed" ? "Readback confirmed" : "Readback not confirmed"));
        const QStringList rows = storedEvents(services);
        QVERIFY2(rows.contains("set_command info"), qPrintable(rows.join(u',')));
        QVERIFY2(rows.contains(outcome), qPrintable(rows.join(u',')));
    }
};

QTEST_MAIN(TestStationServices)
#include "tst_stationservices.moc"
