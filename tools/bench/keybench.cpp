// Key to repaint while polling: the window is shown with the frequency field
// focused while it polls a gateway every 2 s. A thread types into it at random
// moments through the X server (XTest), as a keyboard would; for each key the
// time from the press to the field's next paint is taken. Input held back by
// any wait of the window shows here as a long tail.
//
//   zel-bench-key PORT [KEYS]   (gateway on 127.0.0.1:PORT; default 200 keys)

#include "benchsupport.h"
#include "forms/setparameterpanel.h"
#include "xtestkeyboard.h"

#include <QApplication>
#include <QLineEdit>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

using namespace zel;

namespace {

// Presses reaching the field, and its paints: a press waits for the first
// paint after it.
class KeyToPaint : public QObject {
public:
    int pressesSeen = 0;
    std::vector<int> awaitingPaint;
    std::vector<std::int64_t> painted;

    explicit KeyToPaint(int keys) : painted(std::size_t(keys), 0) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && pressesSeen < int(painted.size())) {
            awaitingPaint.push_back(pressesSeen++);
        } else if (event->type() == QEvent::Paint && !awaitingPaint.empty()) {
            const std::int64_t now = bench::monotonicNs();
            for (int i : awaitingPaint)
                painted[std::size_t(i)] = now;
            awaitingPaint.clear();
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 2) {
        std::fprintf(stderr, "usage: zel-bench-key PORT [KEYS]\n");
        return 2;
    }
    const int keys = std::clamp(argc > 2 ? std::atoi(argv[2]) : 200, 1, 10000);
    bench::requireScratchProfile(QByteArray("[Setting]\nTCPON=1\nIP=127.0.0.1\nPORT=") + argv[1] +
                                 "\n");

    auto form = bench::makeMonitor();
    int replies = 0;
    QObject::connect(&form->remoteLink(), &RemoteLink::replyDecoded, [&] { ++replies; });
    form->start();
    form->TrayRestore();
    QLineEdit* field = form->setParameterPanel()->frequency();
    const bool focused = bench::waitUntil(
        [&] {
            form->activateWindow();
            field->setFocus();
            return form->isActiveWindow() && field->hasFocus();
        },
        5000);
    if (!focused) {
        std::fprintf(stderr, "the frequency field did not get the keyboard focus\n");
        return 1;
    }

    KeyToPaint watch(keys);
    field->installEventFilter(&watch);
    std::vector<std::int64_t> pressed(std::size_t(keys), 0);
    std::atomic<bool> typingDone{false};
    std::string problem;
    std::thread typist([&] {
        bench::XTestKeyboard keyboard;
        problem = keyboard.problem();
        // Random moments, uniform over the poll cycle, so that presses meet
        // every stage of an exchange; a digit and its erasure keep the text
        // short.
        std::mt19937 rng(20240611);
        std::uniform_int_distribution<int> gapMs(40, 400);
        for (int i = 0; i < keys && problem.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs(rng)));
            pressed[std::size_t(i)] = bench::monotonicNs();
            if (!keyboard.tap(i % 2 == 0 ? "1" : "BackSpace"))
                problem = "the keys cannot be typed";
        }
        typingDone = true;
    });

    // One second past the typing for the last paints.
    bench::waitUntil([&] { return typingDone.load(); }, keys * 500 + 10000);
    bench::waitUntil([&] { return watch.pressesSeen == keys && watch.awaitingPaint.empty(); },
                     1000);
    typist.join();
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }

    std::vector<double> latencyMs;
    for (std::size_t i = 0; i < std::size_t(keys); ++i) {
        if (pressed[i] != 0 && watch.painted[i] != 0)
            latencyMs.push_back(double(watch.painted[i] - pressed[i]) / 1e6);
    }
    const int painted = int(latencyMs.size());
    const double p50 = bench::percentile(latencyMs, 50);
    const double p99 = bench::percentile(latencyMs, 99);
    std::printf("keys %d\nkeys_painted %d\nreplies %d\np50_ms %.1f\np99_ms %.1f\nmax_ms %.1f\n",
                keys, painted, replies, p50, p99, latencyMs.empty() ? 0.0 : latencyMs.back());
    return painted == keys && replies > 0 ? 0 : 1;
}
