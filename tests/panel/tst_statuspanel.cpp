#include "forms/digitbox.h"
#include "forms/statuspanel.h"
#include "panel/panelupdate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTest>

using namespace zel;

namespace {

TransmitterStatus record(const char* forward, const char* reflect, const char* temperature,
                         const char* audio)
{
    TransmitterStatus s;
    ClearStatus(s);
    s.DeviceId = QStringLiteral("08001");
    s.FrequencyMHz = QStringLiteral("98.50");
    s.OnAir = s.FreqLock = true;
    s.ForwardW = QString::fromLatin1(forward);
    s.ReflectW = QString::fromLatin1(reflect);
    s.TemperatureC = QString::fromLatin1(temperature);
    s.VoltageV = QStringLiteral("49.9");
    s.CurrentA = QStringLiteral("14.7");
    s.ModPercent = s.AudioLeft = s.AudioRight = QString::fromLatin1(audio);
    return s;
}

// Paint events per kind of widget while the panel is on screen.
class PaintCounter : public QObject {
public:
    int frames = 0;
    int boxes = 0;
    int ids = 0;
    QStringList boxNames;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            if (qobject_cast<DigitBox*>(watched)) {
                ++boxes;
                boxNames << watched->objectName();
            } else if (qobject_cast<QGroupBox*>(watched)) {
                ++frames;
            } else if (watched->objectName() == u"OsenXPLabel1") {
                ++ids;
            }
        }
        return false;
    }
};

QImage onScreen(QWidget& w)
{
    return w.screen()->grabWindow(w.winId()).toImage();
}

} // namespace

class TestStatusPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Frame after frame only the boxes whose text changed are drawn again,
    // never the frames behind them, and the result is what a panel drawn
    // afresh shows.
    void repaintsOnlyWhatChanged()
    {
        StatusPanel panel;
        panel.resize(280, 520);
        showStatus(record("500.1", "45.0", "34.2", "60"), panel);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCoreApplication::processEvents();

        PaintCounter counter;
        qApp->installEventFilter(&counter);
        showStatus(record("500.1", "45.0", "34.2", "60"), panel);
        QCoreApplication::processEvents();
        QCOMPARE(counter.frames + counter.boxes, 0);

        // After a quiet interval the boxes of one record reach the screen at
        // once and together, not one now and the rest an interval later.
        QTest::qWait(250);
        showStatus(record("499.8", "45.0", "34.3", "60"), panel);
        // Whatever the machine's load, the first box drawn brings the other.
        QTRY_VERIFY_WITH_TIMEOUT(!counter.boxNames.isEmpty(), 5000);
        counter.boxNames.sort();
        QCOMPARE(counter.boxNames, QStringList({"DigitBox2", "DigitBox4"}));
        QCOMPARE(counter.frames, 0);

        // A burst at the line's full rate reaches the screen a few times, not
        // once per record; an ID that changes with every record too, and
        // never by drawing the frames again.
        counter.boxNames.clear();
        QElapsedTimer burst;
        burst.start();
        for (int i = 0; i < 16; ++i) {
            const QByteArray forward = QByteArray::number(400 + i) + ".0";
            TransmitterStatus s = record(forward.constData(), "45.0", "34.3", "60");
            s.DeviceId = QString::number(8100 + i);
            showStatus(s, panel);
            QTest::qWait(12);
        }
        const qint64 burstMs = burst.elapsed();
        QTest::qWait(300);
        // At most one repaint per 200 ms, and the last record's after the burst.
        const auto painted = counter.boxNames.count("DigitBox2");
        for (const auto count : {painted, qsizetype(counter.ids)})
            QVERIFY2(count < 16 && count <= burstMs / 200 + 2,
                     qPrintable(QStringLiteral("%1 repaints in %2 ms").arg(count).arg(burstMs)));
        QCOMPARE(counter.frames, 0);

        showStatus(record("1000.0", "90.5", "46.0", "110"), panel); // longer, alarms
        QTest::qWait(300);
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.frames, 0);

        StatusPanel fresh;
        fresh.resize(panel.size());
        showStatus(record("1000.0", "90.5", "46.0", "110"), fresh);
        fresh.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fresh));
        QCoreApplication::processEvents();
        const QImage shown = onScreen(panel);
        QVERIFY(!shown.isNull());
        QCOMPARE(shown, onScreen(fresh));
    }
};

QTEST_MAIN(TestStatusPanel)
#include "tst_statuspanel.moc"
