// Window responsiveness: the window is shown and asked to repaint every
// 10 ms while it polls a gateway every 2 s; the longest gap between two of
// its paints is what the operator would see as a freeze.
//
//   zel-bench-paint PORT [SECONDS]   (gateway on 127.0.0.1:PORT; default 20 s)

#include "benchsupport.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace zel;

namespace {

class PaintStamps : public QObject {
public:
    bool measuring = false;
    std::vector<std::int64_t> stamps;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (measuring && event->type() == QEvent::Paint)
            stamps.push_back(bench::monotonicNs());
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 2) {
        std::fprintf(stderr, "usage: zel-bench-paint PORT [SECONDS]\n");
        return 2;
    }
    const int seconds = std::clamp(argc > 2 ? std::atoi(argv[2]) : 20, 1, 600);
    bench::requireScratchProfile(QByteArray("[Setting]\nTCPON=1\nIP=127.0.0.1\nPORT=") + argv[1] +
                                 "\n");

    auto form = bench::makeMonitor();
    PaintStamps paints;
    form->installEventFilter(&paints);
    int replies = 0;
    QObject::connect(&form->remoteLink(), &RemoteLink::replyDecoded, [&] { ++replies; });
    form->start();
    form->TrayRestore();

    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, form.get(), [&] { form->update(); });
    repaint.start(10);
    // A second to settle (window mapped, first paint), then the measured span.
    QTimer::singleShot(1000, [&] {
        paints.measuring = true;
        replies = 0;
    });
    QTimer::singleShot(1000 + seconds * 1000, [&] {
        paints.measuring = false;
        QCoreApplication::quit();
    });
    app.exec();

    double longestMs = 0;
    for (std::size_t i = 1; i < paints.stamps.size(); ++i)
        longestMs = std::max(longestMs, double(paints.stamps[i] - paints.stamps[i - 1]) / 1e6);
    std::printf("paints %zu\nreplies %d\nmax_gap_ms %.1f\n", paints.stamps.size(), replies,
                longestMs);
    return paints.stamps.size() > 1 && replies > 0 ? 0 : 1;
}
