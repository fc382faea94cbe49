// Start-up time and peak memory of the monitor beside the floor (a bare Qt
// widgets program with one empty window). Each run starts a fresh process;
// the clock starts just before fork and stops at the first paint of the tray
// icon (monitor: settings loaded, icon in the notification area) or of the
// window (floor). Peak resident memory is read half a second after that.
//
//   zel-bench-startup RUNS BARE_PROGRAM
//   zel-bench-startup --child T0          (one monitor run, used by the above)

#include "peakmemory.h"

#include "benchsupport.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace zel;

namespace {

// The first paint of a window other than the main one, once the program has
// started: with the main window hidden in the tray that is the tray icon.
class TrayPaint : public QObject {
public:
    QWidget* mainWindow = nullptr;
    std::int64_t at = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (at == 0 && mainWindow && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() != mainWindow) {
            at = bench::monotonicNs();
            QTimer::singleShot(500, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
};

int runMonitor(int argc, char* argv[], std::int64_t t0)
{
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") ||
        qEnvironmentVariableIsEmpty("XDG_DATA_HOME")) {
        std::fprintf(stderr, "set XDG_CONFIG_HOME and XDG_DATA_HOME to a scratch folder\n");
        return 2;
    }
    // As the program's main() does.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zel-fm-monitor"));
    QApplication::setQuitOnLastWindowClosed(false);
    TrayPaint paint;
    app.installEventFilter(&paint);
    auto form = bench::makeMonitor();
    form->start();
    paint.mainWindow = form.get();
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    app.exec();
    if (paint.at == 0)
        return 1;
    std::printf("ms %.2f hwm_kb %ld\n", double(paint.at - t0) / 1e6, peakKb());
    return 0;
}

struct Run {
    double ms = 0;
    long kb = 0;
};

// Starts one process and reads its "ms X hwm_kb Y" line; bounded to 15 s.
bool launch(const std::string& program, const char* childFlag, Run& run)
{
    int out[2];
    if (pipe(out) != 0)
        return false;
    const std::string t0 = std::to_string(bench::monotonicNs());
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        if (childFlag)
            execl(program.c_str(), program.c_str(), childFlag, t0.c_str(), nullptr);
        else
            execl(program.c_str(), program.c_str(), t0.c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[256];
    pollfd readable{out[0], POLLIN, 0};
    while (poll(&readable, 1, 15000) > 0) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, std::size_t(n));
    }
    close(out[0]);
    kill(pid, SIGKILL); // no-op when it has ended; ends a hung one
    int status = 0;
    waitpid(pid, &status, 0);
    return std::sscanf(text.c_str(), "ms %lf hwm_kb %ld", &run.ms, &run.kb) == 2;
}

template <typename T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::string(argv[1]) == "--child")
        return runMonitor(argc, argv, std::atoll(argv[2]));
    if (argc != 3) {
        std::fprintf(stderr, "usage: zel-bench-startup RUNS BARE_PROGRAM\n");
        return 2;
    }
    const int runs = std::clamp(std::atoi(argv[1]), 1, 50);
    const std::string self = "/proc/self/exe";
    char path[4096];
    const ssize_t len = readlink(self.c_str(), path, sizeof path - 1);
    if (len <= 0)
        return 2;
    const std::string monitor(path, std::size_t(len));

    std::vector<double> bareMs, monitorMs;
    std::vector<long> bareKb, monitorKb;
    // One unmeasured round first, so both start with the libraries cached.
    for (int round = 0; round <= runs; ++round) {
        Run bare, mon;
        if (!launch(argv[2], nullptr, bare) || !launch(monitor, "--child", mon)) {
            std::fprintf(stderr, "a start-up run failed (no tray?)\n");
            return 1;
        }
        if (round == 0)
            continue;
        bareMs.push_back(bare.ms);
        bareKb.push_back(bare.kb);
        monitorMs.push_back(mon.ms);
        monitorKb.push_back(mon.kb);
    }
    std::printf("bare_ms %.1f\nbare_hwm_kb %ld\nmonitor_ms %.1f\nmonitor_hwm_kb %ld\n",
                median(bareMs), median(bareKb), median(monitorMs), median(monitorKb));
    return 0;
}
