#include "scrapeload.h"

#include "benchsupport.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ctime>
#include <string>

namespace zel::bench {
namespace {

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    return fd;
}

// Whether the server has closed fd (reads and discards anything sent).
bool closedByServer(int fd)
{
    char buf[4096];
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

} // namespace

ScrapeLoad::ScrapeLoad(int port, int perSecond, bool hostile) : m_port(port), m_perSecond(perSecond)
{
    if (hostile)
        m_hostile = std::thread([this] { harass(); });
    m_scraper = std::thread([this] { scrape(); });
}

ScrapeLoad::~ScrapeLoad()
{
    stop();
}

void ScrapeLoad::stop()
{
    m_stop = true;
    if (m_scraper.joinable())
        m_scraper.join();
    if (m_hostile.joinable())
        m_hostile.join();
}

void ScrapeLoad::scrape()
{
    httplib::Client client("127.0.0.1", m_port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    client.set_read_timeout(10, 0);
    const std::int64_t period = 1'000'000'000 / m_perSecond;
    std::int64_t due = monotonicNs();
    while (!m_stop) {
        due += period;
        const timespec at{time_t(due / 1'000'000'000), long(due % 1'000'000'000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
        const std::int64_t t0 = monotonicNs();
        const auto res = client.Get("/metrics");
        const std::int64_t t1 = monotonicNs();
        if (res && res->status == 200 &&
            res->body.find("zel_fm_frames_decoded_total") != std::string::npos)
            m_latencies.push_back(double(t1 - t0) / 1e6);
        else if (++m_failures == 1)
            m_firstFailure =
                res ? "status " + std::to_string(res->status) : httplib::to_string(res.error());
    }
}

void ScrapeLoad::harass()
{
    std::vector<int> idle;
    int longLine = -1;
    int half = -1;
    const std::string line = "GET /" + std::string(1 << 20, 'a') + " HTTP/1.1\r\n\r\n";
    while (!m_stop) {
        // Whatever the server dropped is opened again at once.
        for (int& fd : idle) {
            if (closedByServer(fd)) {
                ::close(fd);
                fd = connectTo(m_port);
            }
        }
        while (idle.size() < 1000)
            idle.push_back(connectTo(m_port));
        if (half < 0 || closedByServer(half)) {
            if (half >= 0)
                ::close(half);
            half = connectTo(m_port);
            usleep(1000);
            ::send(half, "GET /metrics HTTP/1.1\r\nHost: x\r\n", 32, MSG_NOSIGNAL);
        }
        if (longLine >= 0)
            ::close(longLine);
        longLine = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(m_port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        timeval limit{2, 0};
        ::setsockopt(longLine, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (::connect(longLine, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
            ::send(longLine, line.data(), line.size(), MSG_NOSIGNAL);
        usleep(200'000);
    }
    for (int fd : idle)
        ::close(fd);
    for (int fd : {longLine, half})
        if (fd >= 0)
            ::close(fd);
}

} // namespace zel::bench
