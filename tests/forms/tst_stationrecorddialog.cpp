// The station record's settings: each limit is judged as typed by the rules
// the monitor reads it with, Save writes exactly the keys meant (empty to turn
// a default off, none for a default), and the try runs off the window's thread.

#include "config/qtsettingsstore.h"
#include "forms/limitstable.h"
#include "forms/replaypanel.h"
#include "forms/settingline.h"
#include "forms/stationrecorddialog.h"
#include "historyfixture.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>

using namespace zel;

namespace {

QTableWidgetItem* cell(StationRecordDialog& d, const QString& key)
{
    const QString reading = key.section(u'.', 0, 0);
    for (int column = 0; column < LimitsTable::ColumnCount; ++column) {
        if (LimitsTable::keyOf(*readingNamed(reading), column) == key)
            return d.limits()->item(int(*readingNamed(reading)), column);
    }
    qFatal("no cell for %s", qPrintable(key));
}

bool saveOffered(StationRecordDialog& d)
{
    return d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->isEnabled();
}

} // namespace

class TestStationRecordDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void valueIsJudgedAsTyped_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem"); // empty: usable
        QTest::newRow("relative on forward") << "forward_w.low_critical"
                                             << "40%"
                                             << "";
        QTest::newRow("number") << "temperature_c.high_critical"
                                << " 50 "
                                << "";
        QTest::newRow("empty is no limit") << "temperature_c.high_critical"
                                           << ""
                                           << "";
        QTest::newRow("relative elsewhere") << "temperature_c.high_critical"
                                            << "5%"
                                            << "is relative";
        QTest::newRow("not a number") << "pa_voltage_v.low_warning"
                                      << "4O"
                                      << "is not a number";
        QTest::newRow("negative band") << "reflected_w.hysteresis"
                                       << "-1"
                                       << "is below zero";
        QTest::newRow("seconds") << "forward_w.qualify_seconds"
                                 << "2.5"
                                 << "whole number";
        QTest::newRow("under the default critical") << "temperature_c.high_warning"
                                                    << "50"
                                                    << "out of order";
        QTest::newRow("kinds are not compared") << "forward_w.low_warning"
                                                << "400"
                                                << "";
        QTest::newRow("min forward") << "min_forward_w"
                                     << "-2"
                                     << "from 0 up";
        QTest::newRow("silence back under silent") << "silence.clear_level"
                                                   << "8"
                                                   << "below";
    }
    void valueIsJudgedAsTyped()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QtSettingsStore store(dir.filePath("ZEL.ini"));
        SystemClock clock;
        StationRecordDialog d(store, nullptr, QString(), clock);
        QVERIFY(saveOffered(d));
        QString found;
        if (auto* line = d.findChild<SettingLine*>(key)) {
            line->setText(text);
            Q_EMIT line->textEdited(text);
            found = line->problem();
        } else {
            QTableWidgetItem* c = cell(d, key);
            c->setText(text);
            found = d.limits()->problemAt(c->row(), c->column());
            QCOMPARE(c->toolTip().contains(problem), true);
        }
        QVERIFY2(problem.isEmpty() ? found.isEmpty() : found.contains(problem), qPrintable(found));
        QCOMPARE(saveOffered(d), problem.isEmpty());
        QCOMPARE(d.replay()->tryButton()->isEnabled(), problem.isEmpty());
    }

    void saveWritesTheKeysMeant_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored"); // null: missing
        QTest::addColumn<QString>("typed");  // null: Default
        QTest::addColumn<QString>("saved");  // null: missing
        QTest::newRow("default turned off") << "temperature_c.high_critical" << QString() << ""
                                            << "";
        QTest::newRow("typed") << "forward_w.low_warning" << QString() << "80%"
                               << "80%";
        QTest::newRow("default again") << "reflected_w.high_critical"
                                       << "10%" << QString() << QString();
        QTest::newRow("cleared, no default") << "pa_current_a.high_warning"
                                             << "9"
                                             << "" << QString();
        QTest::newRow("seconds cleared") << "vswr.clear_seconds"
                                         << "7"
                                         << "" << QString();
    }
    void saveWritesTheKeysMeant()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QTemporaryDir dir;
        QtSettingsStore store(dir.filePath("ZEL.ini"));
        if (!stored.isNull())
            store.write(keys::LimitsSection, key, stored);
        SystemClock clock;
        StationRecordDialog d(store, nullptr, QString(), clock);
        QSignalSpy savedSpy(&d, &StationRecordDialog::saved);
        QTableWidgetItem* c = cell(d, key);
        if (typed.isNull()) {
            d.limits()->setCurrentItem(c);
            d.findChild<QPushButton*>("restoreDefaults")->click();
        } else {
            c->setText(typed);
        }
        // Nothing is written before Save.
        QCOMPARE(store.read(keys::LimitsSection, key, "missing"),
                 stored.isNull() ? QStringLiteral("missing") : stored);
        d.accept();
        QCOMPARE(savedSpy.size(), 1);
        QSettings file(dir.filePath("ZEL.ini"), QSettings::IniFormat);
        const QString path = keys::LimitsSection + u'/' + key;
        QCOMPARE(file.contains(path), !saved.isNull());
        if (!saved.isNull())
            QCOMPARE(file.value(path).toString(), saved);
        QCOMPARE(file.value("Alarms/MaxShelveHours", "missing").toString(), "missing");
        QVERIFY(readLimitSettings(store, AlarmSettings()).problems.isEmpty());
    }

    void tryRunsAndTheWindowStaysUsable_data()
    {
        QTest::addColumn<bool>("database");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("firstRow"); // event, severity, count
        QTest::newRow("recorded") << true << "in 0:00:20 of record"
                                  << "over_temperature critical 1";
        QTest::newRow("no database") << false << "did not finish"
                                     << "";
    }
    void tryRunsAndTheWindowStaysUsable()
    {
        QFETCH(bool, database);
        QFETCH(QString, says);
        QFETCH(QString, firstRow);
        HistoryFixture f;
        QList<history::SecondSample> seconds;
        for (qint64 t = HistoryFixture::T0; t < HistoryFixture::T0 + 20; ++t)
            seconds << history::testdata::second(t, 10000, 10000, 10000);
        f.write(seconds);
        QTemporaryDir dir;
        QtSettingsStore store(dir.filePath("ZEL.ini"));
        StationRecordDialog d(store, nullptr, database ? f.path : dir.filePath("none.db"), f.clock);
        // 30.6 degrees is over this one, as typed and not saved.
        cell(d, "temperature_c.high_critical")->setText("30");
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QTest::mouseClick(d.replay()->tryButton(), Qt::LeftButton);
        QVERIFY(!d.replay()->tryButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(d.replay()->tryButton()->isEnabled(), 30000);
        QVERIFY2(d.replay()->status()->text().contains(says),
                 qPrintable(d.replay()->status()->text()));
        // The kinds in the limits' order, the one raised first.
        const QTableWidget* counts = d.replay()->counts();
        const QString first = counts->rowCount() == 0 ? QString()
                                                      : QStringList{counts->item(0, 0)->text(),
                                                                    counts->item(0, 1)->text(),
                                                                    counts->item(0, 2)->text()}
                                                            .join(u' ');
        QCOMPARE(first, firstRow);
        QCOMPARE(store.read(keys::LimitsSection, "temperature_c.high_critical", "missing"),
                 "missing");
    }
};

QTEST_MAIN(TestStationRecordDialog)
#include "tst_stationrecorddialog.moc"
