#include "panel/levelbar.h"
#include "panel/panelupdate.h"

#include <QTest>

using namespace zel;

class TestPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void levelBars_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("bar");
        const QString empty = QStringLiteral("          :  ");
        const QString full = QStringLiteral("||||||||||:||");
        QTest::newRow("0") << "0" << empty;
        QTest::newRow("10") << "10" << empty;
        QTest::newRow("11: never one cell") << "11"
                                            << "||        :  ";
        QTest::newRow("19") << "19"
                            << "||        :  ";
        QTest::newRow("20") << "20"
                            << "|||       :  ";
        QTest::newRow("99") << "99"
                            << "||||||||||:  ";
        QTest::newRow("100") << "100"
                             << "||||||||||:| ";
        QTest::newRow("109") << "109"
                             << "||||||||||:| ";
        QTest::newRow("110") << "110" << full;
        QTest::newRow("32767") << "32767" << full;
        QTest::newRow("-5") << "-5" << empty;
        QTest::newRow("placeholder") << "---" << empty;
        QTest::newRow("10.5 rounds to 10") << "10.5" << empty;
        QTest::newRow("11.5 rounds to 12") << "11.5"
                                           << "||        :  ";
        QTest::newRow("beyond 16 bits above") << "70000" << full;
        QTest::newRow("beyond 16 bits below") << "-70000" << empty;
    }
    void levelBars()
    {
        QFETCH(QString, level);
        QTEST(levelBarForText(level), "bar");
    }

    void alarmLimits_data()
    {
        QTest::addColumn<QString>("temperature");
        QTest::addColumn<QString>("forward");
        QTest::addColumn<QString>("reflect");
        QTest::addColumn<bool>("tempAlarm");
        QTest::addColumn<bool>("reflectAlarm");
        QTest::newRow("at the limits") << "45.0"
                                       << "100.0"
                                       << "6.0" << false << false;
        QTest::newRow("just over") << "45.1"
                                   << "100.0"
                                   << "6.1" << true << true;
        QTest::newRow("no forward power") << "20.0"
                                          << "0.0"
                                          << "0.1" << false << true;
        QTest::newRow("all zero") << "0.0"
                                  << "0.0"
                                  << "0.0" << false << false;
        QTest::newRow("placeholders") << "---.-"
                                      << "----.-"
                                      << "----.-" << false << false;
    }
    void alarmLimits()
    {
        QFETCH(QString, temperature);
        QFETCH(QString, forward);
        QFETCH(QString, reflect);
        QTEST(temperatureAlarm(temperature), "tempAlarm");
        QTEST(reflectAlarm(forward, reflect), "reflectAlarm");
    }
};

QTEST_GUILESS_MAIN(TestPanel)
#include "tst_panel.moc"
