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
        const QString two = QStringLiteral("||        :  ");
        const auto row = [](const char* level, const QString& bar) {
            QTest::newRow(level) << QString::fromLatin1(level) << bar;
        };
        row("10", empty);
        row("11", two); // never a single cell
        row("19", two);
        row("20", QStringLiteral("|||       :  "));
        row("99", QStringLiteral("||||||||||:  "));
        row("100", QStringLiteral("||||||||||:| "));
        row("109", QStringLiteral("||||||||||:| "));
        row("110", full);
        row("-5", empty);
        row("---", empty);
        row("10.5", empty); // halves to even
        row("11.5", two);
        row("70000", full); // beyond 16 bits
        row("-70000", empty);
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
        const auto row = [](const char* name, const char* t, const char* f, const char* r,
                            bool tempAlarm, bool reflectAlarm) {
            QTest::newRow(name) << QString::fromLatin1(t) << QString::fromLatin1(f)
                                << QString::fromLatin1(r) << tempAlarm << reflectAlarm;
        };
        row("at the limits", "45.0", "100.0", "6.0", false, false);
        row("just over", "45.1", "100.0", "6.1", true, true);
        row("no forward power", "20.0", "0.0", "0.1", false, true);
        row("all zero", "0.0", "0.0", "0.0", false, false);
        row("placeholders", "---.-", "----.-", "----.-", false, false);
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
