// A gateway that never answers: a listener on 127.0.0.1 whose accept queue
// is full, so the kernel drops every further SYN and a client's connect
// hangs until its own time limit. Nothing outside loopback is affected.
//
//   zel-bench-blackhole MAX_SECONDS
//
// Prints "port N" once the queue is full; ends after MAX_SECONDS or on
// SIGTERM or SIGINT.

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

// A non-blocking connect that completes within 300 ms got a queue slot.
bool connectsPromptly(const sockaddr_in& address, std::vector<int>& keep)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    keep.push_back(fd);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    pollfd writable{fd, POLLOUT, 0};
    return poll(&writable, 1, 300) > 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const int maxSeconds = std::clamp(argc > 1 ? std::atoi(argv[1]) : 60, 1, 7200);
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 0) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("zel-bench-blackhole");
        return 2;
    }
    // Fill the queue; never accept. Bounded: the kernel's queue for a backlog
    // of 0 holds one or two.
    std::vector<int> fillers;
    bool full = false;
    for (int i = 0; i < 16 && !full; ++i)
        full = !connectsPromptly(address, fillers);
    if (!full) {
        std::fprintf(stderr, "zel-bench-blackhole: the accept queue did not fill\n");
        return 1;
    }
    std::printf("port %d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    for (int i = 0; i < maxSeconds * 10 && !stopRequested; ++i)
        usleep(100'000);
    return 0;
}
