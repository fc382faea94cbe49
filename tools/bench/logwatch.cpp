// Counts the times a file in a folder is replaced by a rename (the status
// log's atomic rewrite), without touching the process that writes it.
//
//   zel-bench-logwatch DIR NAME MAX_SECONDS [IDLE_SECONDS]
//
// Ends after MAX_SECONDS, on SIGTERM or SIGINT, or once IDLE_SECONDS pass
// without a rename after the first one; then prints "logged N". Prints
// "watching" once the watch is in place.

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

double nowSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: zel-bench-logwatch DIR NAME MAX_SECONDS [IDLE_SECONDS]\n");
        return 2;
    }
    const char* name = argv[2];
    const double maxSeconds = std::clamp(std::atof(argv[3]), 1.0, 86400.0);
    const double idleSeconds = argc > 4 ? std::atof(argv[4]) : 0;

    struct sigaction action {};
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    // The kernel folds an event into the unread one before it when both have
    // the same kind and name, whatever their cookies: two renames onto NAME
    // in a row (the first snapshot, then the first exchange) would count as
    // one. Watching the moves away as well puts one between them.
    const int fd = inotify_init1(IN_CLOEXEC);
    if (fd < 0 || inotify_add_watch(fd, argv[1], IN_MOVED_TO | IN_MOVED_FROM) < 0) {
        std::fprintf(stderr, "zel-bench-logwatch: %s: %s\n", argv[1], std::strerror(errno));
        return 2;
    }
    std::printf("watching\n");
    std::fflush(stdout);

    long long count = 0;
    bool overflow = false;
    const double start = nowSeconds();
    double last = start;
    alignas(inotify_event) char buffer[64 * (sizeof(inotify_event) + NAME_MAX + 1)];
    while (!stopRequested) {
        const double now = nowSeconds();
        if (now - start > maxSeconds || (idleSeconds > 0 && count > 0 && now - last > idleSeconds))
            break;
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, 200) <= 0)
            continue;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW)
                overflow = true;
            else if ((event->mask & IN_MOVED_TO) && event->len > 0 &&
                     std::strcmp(event->name, name) == 0)
                ++count;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
        last = nowSeconds();
    }
    // A lost event would make the count too low, never too high: say so.
    std::printf("logged %lld%s\n", count, overflow ? " (event queue overflowed)" : "");
    return 0;
}
