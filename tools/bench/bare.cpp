// The floor for start-up: a Qt widgets program that shows one empty window.
// Prints the time from T0 (CLOCK_MONOTONIC ns, taken by the launcher just
// before it started this process) to the window's first paint, and the peak
// resident memory half a second later.
//
//   zel-bench-bare T0

#include "peakmemory.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1'000'000'000LL + ts.tv_nsec;
}

class FirstPaint : public QObject {
public:
    long long at = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (at == 0 && event->type() == QEvent::Paint) {
            at = monotonicNs();
            QTimer::singleShot(500, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    const long long t0 = argc > 1 ? std::atoll(argv[1]) : monotonicNs();
    QApplication app(argc, argv);
    QWidget window;
    FirstPaint paint;
    window.installEventFilter(&paint);
    window.show();
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    app.exec();
    if (paint.at == 0)
        return 1;
    std::printf("ms %.2f hwm_kb %ld\n", double(paint.at - t0) / 1e6, peakKb());
    return 0;
}
