#include "forms/historyexport.h"
#include "forms/historywindow.h"
#include "forms/trendview.h"
#include "history/historycsv.h"
#include "historyfixture.h"

#include <QFile>
#include <QSignalSpy>

using namespace zel;
using namespace zel::history;

namespace {

constexpr qint64 T0 = HistoryFixture::T0;

// Forward power flat at 500.0 W but for one second that peaked at 520.0 W;
// high reflected power from T0+400 to T0+450, off air from T0+550 on.
void fillTraces(HistoryFixture& f)
{
    QList<SecondSample> seconds;
    for (qint64 t = T0; t < T0 + 600; ++t)
        seconds << testdata::second(t, 5000, 5000, t == T0 + 201 ? 5200 : 5000);
    f.write(seconds, {HistoryFixture::event(T0 + 400, alarm::HighReflect, eventstate::Raised),
                      HistoryFixture::event(T0 + 450, alarm::HighReflect, eventstate::Cleared),
                      HistoryFixture::event(T0 + 550, alarm::OffAir, eventstate::Raised)});
}

bool tinted(QRgb c)
{
    return !(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
}

// Columns in [x0, x1] of row y that are tinted by a trace or an alarm.
int tintedColumns(const QImage& image, int x0, int x1, int y)
{
    int n = 0;
    for (int x = x0; x <= x1; ++x)
        n += tinted(image.pixel(x, y)) ? 1 : 0;
    return n;
}

} // namespace

class TestHistoryWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each pixel column holds one bucket; a peak inside one second still
    // reaches the top of the scale in its own column and nowhere else.
    void envelopeKeepsThePeakInItsColumn()
    {
        HistoryFixture f;
        fillTraces(f);
        TrendView view;
        view.resize(480, 560);
        view.setRange(T0 - 200, T0 + 600);
        const TrendGeometry g = view.geometryNow();
        HistoryReader reader(f.path);
        QVERIFY(reader.open());
        const TrendData data = loadTrend(reader, {T0 - 200, T0 + 600, g.columns(), 1});
        QVERIFY2(data.error.isEmpty(), qPrintable(data.error));
        const qint64 width = bucketSeconds(T0 - 200, T0 + 600, g.columns());
        QVERIFY(width > 1); // several seconds per column
        const QList<TrendBucket>& forward = data.traces[0];
        QCOMPARE(forward.size(), (600 + width - 1) / width + (200 % width ? 1 : 0));
        const qsizetype peak = bucketAt(forward, T0 + 201, width);
        QVERIFY(peak >= 0);
        QCOMPARE(forward[peak].max, 5200);
        QCOMPARE(forward[peak].last, 5000);

        view.setData(data);
        const QImage image = view.grab().toImage();
        const int top = g.plot(0).top() + 3;
        const int x = int(g.xOf(forward[peak].start));
        QVERIFY(tintedColumns(image, x - 1, x + 2, top) > 0);
        QCOMPARE(tintedColumns(image, x + 12, int(g.xOf(T0 + 390)), top), 0);
        // Nothing drawn where nothing was recorded.
        QCOMPARE(
            tintedColumns(image, g.plot(0).left() + 2, int(g.xOf(T0)) - 2, g.plot(0).bottom() - 1),
            0);
    }

    // Wide columns come from one pass over the roll-ups for every trace: the
    // same buckets as the reader's trend gives a trace at a time.
    void rollupTracesMatchTheReader()
    {
        HistoryFixture f;
        QList<SecondSample> seconds;
        for (qint64 t = T0; t < T0 + 3 * 3600; t += 7)
            seconds << testdata::second(t, 5000 + t % 97, 4990 + t % 97, 5100 + t % 13);
        f.clock.at = QDateTime::fromSecsSinceEpoch(T0 + 4 * 3600, Qt::UTC);
        f.write(seconds);
        HistoryReader reader(f.path);
        QVERIFY(reader.open());
        for (int columns : {100, 2}) {
            const TrendData data = loadTrend(reader, {T0 - 600, T0 + 4 * 3600, columns, 1});
            QVERIFY(data.error.isEmpty());
            for (int i = 0; i < historyTraces().size(); ++i) {
                const auto expected =
                    reader.trend(historyTraces()[i].field, T0 - 600, T0 + 4 * 3600, columns);
                QVERIFY(expected && !expected->isEmpty());
                QCOMPARE(data.traces[i], *expected);
            }
        }
    }

    void alarmsShadedFromRaisedToCleared()
    {
        HistoryFixture f;
        fillTraces(f);
        TrendView view;
        view.resize(600, 560);
        view.setRange(T0, T0 + 600);
        const TrendGeometry g = view.geometryNow();
        HistoryReader reader(f.path);
        QVERIFY(reader.open());
        const TrendData data = loadTrend(reader, {T0, T0 + 600, g.columns(), 1});
        QCOMPARE(data.alarms.size(), 2);
        QVERIFY(!data.alarms[1].end);
        QCOMPARE(alarmsAt(data, T0 + 420).size(), 1);
        QCOMPARE(alarmsAt(data, T0 + 420).first().event, alarm::HighReflect);

        view.setData(data);
        const QImage image = view.grab().toImage();
        for (int trace : {0, 6}) {
            const int y = g.plot(trace).top() + 3;
            const QRgb shaded = image.pixel(int(g.xOf(T0 + 425)), y);
            QVERIFY(tinted(shaded) && qRed(shaded) > qBlue(shaded));
            QVERIFY(!tinted(image.pixel(int(g.xOf(T0 + 350)), y)));
            // Still raised: shaded to the end of the range.
            QVERIFY(tinted(image.pixel(g.plot(trace).right() - 2, y)));
        }
    }

    void exportsTheShownRangeAsTheCommandLineDoes_data()
    {
        QTest::addColumn<qint64>("span");
        QTest::addColumn<QString>("expected");
        const QString header = samplesHeader(Step::Second) + u'\n';
        QTest::newRow("seconds") << qint64(60)
                                 << header +
                                        "2026-01-01T00:00:00.000Z,08001,98.50,1,1,500.0,35.0,30.6,"
                                        "48.0,7.5,9,100,99,serial\n"
                                        "2026-01-01T00:00:01.000Z,08001,98.50,1,1,501.0,35.0,30.6,"
                                        "48.0,7.5,9,100,99,serial\n";
        QTest::newRow("minutes for a week")
            << qint64(7 * 86400)
            << samplesHeader(Step::Minute) +
                   "\n2026-01-01T00:00:00.000Z,08001,98.50,98.50,98.50,1.000,1.000,500.0,500.5,"
                   "501.0,35.0,35.0,35.0,30.6,30.6,30.6,48.0,48.0,48.0,7.5,7.5,7.5,9,9,9,100,100,"
                   "100,99,99,99,serial\n";
    }

    void exportsTheShownRangeAsTheCommandLineDoes()
    {
        QFETCH(qint64, span);
        QFETCH(QString, expected);
        HistoryFixture f;
        f.write(
            {testdata::second(T0, 5000, 5000, 5000), testdata::second(T0 + 1, 5010, 5010, 5010)});
        HistoryWindow window(f.path, f.clock);
        window.setView(T0 - span / 2, T0 + span / 2);
        const QString out = f.dir.filePath(QStringLiteral("out.csv"));
        QVERIFY2(window.exportCsv(out), qPrintable(window.statusText()));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), expected);
        QVERIFY(!window.exportCsv(f.dir.filePath(QStringLiteral("no/such/folder/x.csv"))));
        QVERIFY(window.statusText().startsWith(QStringLiteral("Could not export")));
    }

    // The monitor may not have written anything yet: the window says so and
    // shows the traces once the database is there.
    void missingDatabaseIsSaidThenFound()
    {
        HistoryFixture f;
        const QString later = f.dir.filePath(QStringLiteral("later.db"));
        HistoryWindow window(later, f.clock, {10, 1000});
        QSignalSpy shown(&window, &HistoryWindow::trendShown);
        window.show();
        QVERIFY(shown.wait());
        QVERIFY(window.trendView()->message().contains(QStringLiteral("no history database")));

        HistoryStore store(later);
        QVERIFY(!store.open());
        QTRY_VERIFY(window.trendView()->message().isEmpty());
        QCOMPARE(window.trendView()->data().traces.size(), historyTraces().size());
    }

    // A dragged span zooms in and stops following; End follows again.
    void zoomAndPanLeaveLiveEndReturns()
    {
        HistoryFixture f;
        fillTraces(f);
        HistoryWindow window(f.path, f.clock);
        window.showRange(HistoryWindow::Range::Hour);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        TrendView* view = window.trendView();
        QVERIFY(window.isLive());
        const TrendGeometry g = view->geometryNow();
        const int y = g.plot(2).center().y();
        const int x0 = int(g.xOf(T0 + 100));
        const int x1 = int(g.xOf(T0 + 400));
        QTest::mousePress(view, Qt::LeftButton, {}, {x0, y});
        QTest::mouseMove(view, {x1, y});
        QTest::mouseRelease(view, Qt::LeftButton, {}, {x1, y});
        QVERIFY(!window.isLive());
        QVERIFY(std::abs(view->fromS() - (T0 + 100)) <= 10);
        QVERIFY(std::abs(view->toS() - (T0 + 400)) <= 10);

        const qint64 from = view->fromS();
        const qint64 span = view->toS() - from;
        QTest::keyClick(view, Qt::Key_Left);
        QVERIFY(view->fromS() < from);
        QCOMPARE(view->toS() - view->fromS(), span);

        QTest::keyClick(view, Qt::Key_End);
        QVERIFY(window.isLive());
        QCOMPARE(view->toS() - view->fromS(), span);
        QCOMPARE(view->toS(), T0 + 601);
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
