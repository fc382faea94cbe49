#include "alarms/shelf.h"
#include "forms/alarmacknowledger.h"
#include "forms/eventswindow.h"
#include "forms/shelvedialog.h"
#include "historyfixture.h"

#include <QBrush>
#include <QComboBox>
#include <QFile>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>

using namespace zel;
using namespace zel::history;

namespace {

constexpr qint64 T0 = HistoryFixture::T0;

// Takes the requests; the test answers them.
class FakeAcknowledger final : public AlarmAcknowledger {
public:
    QList<qint64> asked;
    void acknowledge(qint64 alarmId) override { asked << alarmId; }
};

// Ids 1 to 6: high_reflect raised and cleared, off_air raised, the first
// alarm acknowledged, a set command and its readback.
void fillLog(HistoryFixture& f)
{
    EventRecord reflect = HistoryFixture::event(T0 + 10, alarm::HighReflect, eventstate::Raised);
    reflect.value = QStringLiteral("35.0");
    QList<EventRecord> events{
        reflect, HistoryFixture::event(T0 + 70, alarm::HighReflect, eventstate::Cleared),
        HistoryFixture::event(T0 + 100, alarm::OffAir, eventstate::Raised)};
    const QList<EventRecord> stored = f.write({}, events);
    QList<EventRecord> later{
        acknowledgementOf(stored[0], QStringLiteral("op"),
                          QDateTime::fromSecsSinceEpoch(T0 + 200, Qt::UTC)),
        HistoryFixture::event(T0 + 300, QStringLiteral("set_command"), eventstate::Info),
        HistoryFixture::event(T0 + 301, QStringLiteral("readback"), eventstate::Confirmed)};
    later[1].detail = QStringLiteral("frequency 98.50, power \"high\"");
    f.write({}, later);
}

QList<qint64> shownIds(const EventsModel& model)
{
    QList<qint64> ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids << model.eventAt(row).id;
    return ids;
}

void select(QTableView* table, const QList<int>& rows)
{
    table->clearSelection();
    for (int row : rows)
        table->selectionModel()->select(table->model()->index(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace

class TestEventsWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void filters_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("unacknowledgedOnly");
        QTest::addColumn<QList<qint64>>("ids");
        QTest::newRow("everything") << QString() << false << QList<qint64>{6, 5, 4, 3, 2, 1};
        QTest::newRow("alarms") << EventFilter::AllAlarms << false << QList<qint64>{4, 3, 2, 1};
        QTest::newRow("one kind") << alarm::HighReflect << false << QList<qint64>{4, 2, 1};
        QTest::newRow("occurrence") << QStringLiteral("set_command") << false << QList<qint64>{5};
        QTest::newRow("unacknowledged") << QString() << true << QList<qint64>{3};
        QTest::newRow("unacknowledged of a kind") << alarm::HighReflect << true << QList<qint64>{};
    }

    void filters()
    {
        QFETCH(QString, kind);
        QFETCH(bool, unacknowledgedOnly);
        QFETCH(QList<qint64>, ids);
        HistoryFixture f;
        fillLog(f);
        FakeAcknowledger ack;
        EventsWindow window(f.path, ack, f.clock);
        QCOMPARE(window.unacknowledgedCount(), 1);
        window.setFilter({kind, unacknowledgedOnly});
        QCOMPARE(shownIds(*window.model()), ids);
        // The confirmed readback (6) wears the information icon.
        const int readback = window.model()->rowOf(6);
        if (readback >= 0) {
            const QIcon icon =
                window.model()
                    ->data(window.model()->index(readback, EventsModel::State), Qt::DecorationRole)
                    .value<QIcon>();
            QCOMPARE(icon.pixmap(16).toImage(), window.style()
                                                    ->standardIcon(QStyle::SP_MessageBoxInformation)
                                                    .pixmap(16)
                                                    .toImage());
        }
    }

    // Only raised alarms nobody acknowledged go out, once; the answer
    // updates the table and the count.
    void acknowledgeOnlyWhatWaits()
    {
        HistoryFixture f;
        fillLog(f);
        FakeAcknowledger ack;
        EventsWindow window(f.path, ack, f.clock);
        QSignalSpy count(&window, &EventsWindow::unacknowledgedCountChanged);
        window.show();
        QPushButton* acknowledgeButton = nullptr;
        for (auto* b : window.findChildren<QPushButton*>()) {
            if (b->text().contains(QStringLiteral("Acknowledge")))
                acknowledgeButton = b;
        }
        QVERIFY(acknowledgeButton);
        // Rows newest first: 6 readback, 5 set_command, 4 ack, 3 off_air, 2, 1.
        select(window.table(), {5, 4});
        QVERIFY(!acknowledgeButton->isEnabled()); // acknowledged already, cleared
        select(window.table(), {5, 3, 1});
        QVERIFY(acknowledgeButton->isEnabled());
        acknowledgeButton->click();
        QCOMPARE(ack.asked, QList<qint64>{3});
        QVERIFY(!window.model()->isAcknowledgeable(window.model()->rowOf(3)));
        QVERIFY(!acknowledgeButton->isEnabled());

        Q_EMIT ack.refused(3, QStringLiteral("database busy"));
        QVERIFY(window.statusText().contains(QStringLiteral("database busy")));
        QVERIFY(window.model()->isAcknowledgeable(window.model()->rowOf(3)));

        QVERIFY(!f.store.acknowledge(3, QStringLiteral("op"), f.clock.now(), nullptr));
        Q_EMIT ack.acknowledged(3);
        QCOMPARE(window.unacknowledgedCount(), 0);
        QCOMPARE(count.size(), 1);
        QCOMPARE(count.first().first().toInt(), 0);
        QCOMPARE(shownIds(*window.model()).first(), 7);
    }

    // Shelve… for the selected row's kind, checked as typed; the shelf
    // writes the row, and Unshelve ends it once the log holds it.
    void shelvesTheSelectedKind()
    {
        HistoryFixture f;
        fillLog(f);
        FakeAcknowledger ack;
        EventsWindow window(f.path, ack, f.clock);
        Shelf shelf(f.clock, 12, QStringLiteral("alice"));
        QSignalSpy rows(&shelf, &Shelf::eventOccurred);
        window.setShelf(&shelf);
        window.show();
        select(window.table(), {3}); // off_air raised
        window.chooseShelf();
        auto* dialog = window.findChild<ShelveDialog*>();
        QVERIFY(dialog);
        QVERIFY(dialog->onlyButton()->isChecked());
        dialog->reasonEdit()->setText(QStringLiteral("antenna work"));
        dialog->duration()->setCurrentText(QStringLiteral("13h"));
        QVERIFY(!dialog->shelveButton()->isEnabled());
        dialog->duration()->setCurrentText(QStringLiteral("1h30m"));
        QVERIFY(dialog->shelveButton()->isEnabled());
        dialog->shelveButton()->click();
        QCOMPARE(rows.size(), 1);
        EventRecord row = rows.at(0).at(0).value<EventRecord>();
        QCOMPARE(row.value, alarm::OffAir);
        QVERIFY(row.detail.endsWith(QStringLiteral(": antenna work")));
        row.id = 100;
        shelf.rowsFound({row});
        window.unshelve();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(1).at(0).value<EventRecord>().state, shelving::Unshelved);
    }

    // Each alarm's state now, in words and colour; the active view lists the
    // raised ones and the cleared ones nobody acknowledged, from all time.
    void activeViewShowsEachAlarmsState()
    {
        HistoryFixture f;
        QList<EventRecord> events;
        for (const auto& [s, kind, state] :
             {std::tuple{T0 - 90 * 86400, alarm::OffAir, eventstate::Raised},
              std::tuple{T0 - 90 * 86400 + 5, alarm::OffAir, eventstate::Cleared},
              std::tuple{T0 + 30, alarm::HighReflect, eventstate::Raised},
              std::tuple{T0 + 40, alarm::HighReflect, eventstate::Cleared},
              std::tuple{T0 + 50, alarm::Unlocked, eventstate::Raised},
              std::tuple{T0 + 60, alarm::Unlocked, eventstate::Cleared},
              std::tuple{T0 + 100, alarm::LinkLost, eventstate::Raised}})
            events << HistoryFixture::event(s, kind, state);
        f.write({}, events);
        QVERIFY(!f.store.acknowledge(5, QStringLiteral("op"), f.clock.now(), nullptr));
        FakeAcknowledger ack;
        EventsWindow window(f.path, ack, f.clock);
        window.show();
        QCOMPARE(window.unacknowledgedCount(), 3);
        const auto stateOf = [&](qint64 id, int role) {
            const EventsModel& m = *window.model();
            return m.data(m.index(m.rowOf(id), EventsModel::State), role);
        };
        const QColor red(0xa0, 0x10, 0x10);
        const QColor amber(0xb0, 0x60, 0x00);
        window.setFilter({QString(), false, true});
        QCOMPARE(shownIds(*window.model()), (QList<qint64>{7, 3, 1}));
        QCOMPARE(stateOf(7, Qt::DisplayRole).toString(),
                 QStringLiteral("raised, not acknowledged"));
        QCOMPARE(stateOf(7, Qt::ForegroundRole).value<QBrush>().color(), red);
        for (qint64 id : {3, 1}) {
            QCOMPARE(stateOf(id, Qt::DisplayRole).toString(),
                     QStringLiteral("cleared, not acknowledged"));
            QCOMPARE(stateOf(id, Qt::ForegroundRole).value<QBrush>().color(), amber);
            QVERIFY(window.model()->isAcknowledgeable(window.model()->rowOf(id)));
        }
        QVERIFY(window.statusText().contains(QStringLiteral("1 raised now")));

        window.setFilter({QString(), false, false});
        QCOMPARE(stateOf(5, Qt::DisplayRole).toString(), QStringLiteral("cleared, acknowledged"));
        QVERIFY(!stateOf(5, Qt::ForegroundRole).isValid());
        QCOMPARE(stateOf(6, Qt::DisplayRole).toString(), eventstate::Cleared);

        QVERIFY(!f.store.acknowledge(7, QStringLiteral("op"), f.clock.now(), nullptr));
        window.setFilter({QString(), false, true});
        QCOMPARE(shownIds(*window.model()), (QList<qint64>{7, 3, 1}));
        QCOMPARE(stateOf(7, Qt::DisplayRole).toString(), QStringLiteral("raised, acknowledged"));
        window.setFilter({QString(), true, false});
        QCOMPARE(shownIds(*window.model()), (QList<qint64>{3, 1}));
    }

    // The count follows new alarms even while the window is hidden.
    void hiddenWindowCountsNewAlarms()
    {
        HistoryFixture f;
        fillLog(f);
        FakeAcknowledger ack;
        EventsWindow window(f.path, ack, f.clock);
        QSignalSpy count(&window, &EventsWindow::unacknowledgedCountChanged);
        f.write({}, {HistoryFixture::event(T0 + 500, alarm::LinkLost, eventstate::Raised)});
        window.eventsChanged();
        QCOMPARE(count.size(), 1);
        QCOMPARE(count.first().first().toInt(), 2);
    }

    void exportsShownRowsAsTheCommandLineDoes()
    {
        HistoryFixture f;
        fillLog(f);
        FakeAcknowledger ack;
        EventsWindow window(f.path, ack, f.clock);
        window.setFilter({alarm::HighReflect, false});
        const QString out = f.dir.filePath(QStringLiteral("events.csv"));
        QVERIFY(window.exportCsv(out));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 QStringLiteral("id,time,event,state,value,detail,user,severity\n"
                                "1,2026-01-01T00:00:10.000Z,high_reflect,raised,35.0,,,\n"
                                "2,2026-01-01T00:01:10.000Z,high_reflect,cleared,,,,\n"
                                "4,2026-01-01T00:03:20.000Z,high_reflect,acknowledged,1,"
                                "alarm 1 raised 2026-01-01T00:00:10.000Z,op,\n"));
    }
};

QTEST_MAIN(TestEventsWindow)
#include "tst_eventswindow.moc"
