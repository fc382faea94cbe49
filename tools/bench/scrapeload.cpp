#include "scrapeload.h"

#include "benchsupport.h"
#include "peakmemory.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

namespace zel::bench {
namespace {

// A connection from the loopback address `source` (127.0.0.x): the server
// counts connections per address, so the hostile clients each come from an
// address of their own, as they would from other hosts.
int connectFrom(const char* source, int port, bool blocking)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | (blocking ? 0 : SOCK_NONBLOCK), 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, source, &a.sin_addr);
    // The port is chosen at connect, with the server's address known, so
    // thousands of renewals do not run out of ports.
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &yes, sizeof yes);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
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

// Reopens fd when the server has dropped it; true when it did.
bool renew(int& fd, const char* source, int port)
{
    if (fd >= 0 && !closedByServer(fd))
        return false;
    if (fd >= 0)
        ::close(fd);
    fd = connectFrom(source, port, false);
    return true;
}

// GET /metrics over one keep-alive connection, as a scraper does: a
// connection the server closed between requests is opened again once.
class KeepAliveClient {
public:
    explicit KeepAliveClient(int port) : m_port(port) {}
    ~KeepAliveClient() { drop(); }

    // The body of a 200 answer; empty, with why, otherwise.
    std::string get(std::string& why)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const bool fresh = m_fd < 0;
            if (fresh)
                m_fd = connectFrom("127.0.0.1", m_port, true);
            std::string body;
            if (exchange(body, why))
                return body;
            drop();
            if (fresh || why != "closed")
                return {};
        }
        return {};
    }

private:
    void drop()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool exchange(std::string& body, std::string& why)
    {
        static const std::string request = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        if (::send(m_fd, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size())) {
            why = "closed";
            return false;
        }
        std::string got;
        std::size_t headerEnd = std::string::npos, length = 0;
        while (headerEnd == std::string::npos || got.size() < headerEnd + 4 + length) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 10'000) <= 0) {
                why = "time-out";
                return false;
            }
            char buf[16384];
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0) {
                why = got.empty() ? "closed" : "cut short";
                return false;
            }
            got.append(buf, std::size_t(n));
            if (headerEnd == std::string::npos &&
                (headerEnd = got.find("\r\n\r\n")) != std::string::npos) {
                const std::size_t at = got.find("Content-Length: ");
                length = at < headerEnd ? std::stoul(got.substr(at + 16)) : 0;
            }
        }
        if (got.compare(0, 12, "HTTP/1.1 200") != 0) {
            why = got.substr(0, 12);
            return false;
        }
        body = got.substr(headerEnd + 4, length);
        return true;
    }

    int m_port;
    int m_fd = -1;
};

} // namespace

ScrapeLoad::ScrapeLoad(int port, int perSecond, bool hostile) : m_port(port), m_perSecond(perSecond)
{
    m_quietKb = m_hostileKb = memoryKb("VmRSS:");
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
    KeepAliveClient client(m_port);
    const std::int64_t period = 1'000'000'000 / m_perSecond;
    std::int64_t due = monotonicNs();
    while (!m_stop) {
        due += period;
        const timespec at{time_t(due / 1'000'000'000), long(due % 1'000'000'000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
        const std::int64_t t0 = monotonicNs();
        std::string why;
        const std::string body = client.get(why);
        const std::int64_t t1 = monotonicNs();
        if (body.find("zel_fm_frames_decoded_total") != std::string::npos)
            m_latencies.push_back(double(t1 - t0) / 1e6);
        else if (++m_failures == 1)
            m_firstFailure = why.empty() ? "no figures" : why;
    }
}

void ScrapeLoad::harass()
{
    std::vector<int> idle(1000, -1);
    std::vector<int> drips(4, -1);
    std::vector<std::size_t> dripped(4, 0);
    int longLine = -1, half = -1, headers = -1;
    const std::string request = "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string line = "GET /" + std::string(1 << 20, 'a') + " HTTP/1.1\r\n\r\n";
    const std::string headerLine = "X-Filler: " + std::string(8180, 'b') + "\r\n";
    std::int64_t nextDrip = 0;
    while (!m_stop) {
        // Whatever the server dropped is opened again, up to 250 a second.
        int renewed = 0;
        for (int& fd : idle)
            if (renewed < 50 && renew(fd, "127.0.0.2", m_port))
                ++renewed;
        const bool dripNow = monotonicNs() >= nextDrip;
        for (std::size_t i = 0; i < drips.size(); ++i) {
            if (renew(drips[i], "127.0.0.3", m_port))
                dripped[i] = 0;
            else if (dripNow)
                ::send(drips[i], request.data() + dripped[i]++ % request.size(), 1, MSG_NOSIGNAL);
        }
        if (dripNow)
            nextDrip = monotonicNs() + 1'500'000'000;
        if (renew(half, "127.0.0.4", m_port)) {
            usleep(1000);
            ::send(half, request.data(), 32, MSG_NOSIGNAL);
        }
        // Request line first, then header lines for as long as they are taken.
        if (renew(headers, "127.0.0.5", m_port)) {
            usleep(1000);
            ::send(headers, request.data(), 16, MSG_NOSIGNAL);
        }
        for (ssize_t n = 1; n > 0;)
            if ((n = ::send(headers, headerLine.data(), headerLine.size(), MSG_NOSIGNAL)) > 0)
                m_headerBytes += n;
        if (renew(longLine, "127.0.0.6", m_port)) {
            usleep(1000);
            ::send(longLine, line.data(), line.size(), MSG_NOSIGNAL);
        }
        m_hostileKb = std::max(m_hostileKb, memoryKb("VmRSS:"));
        usleep(200'000);
    }
    for (const auto* fds : {&idle, &drips})
        for (int fd : *fds)
            ::close(fd);
    for (int fd : {longLine, half, headers})
        ::close(fd);
}

} // namespace zel::bench
