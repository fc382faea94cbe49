#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zel::bench {

// A Prometheus-like client scraping /metrics at a fixed rate over one
// keep-alive connection from 127.0.0.1, timing each request; optionally
// beside hostile clients from other loopback addresses: a thousand idle
// connections, four that drip a request a byte every 1.5 s, a megabyte
// request line, an endless stream of header lines and half a request left
// hanging, each renewed as the server drops it.
class ScrapeLoad {
public:
    ScrapeLoad(int port, int perSecond, bool hostile);
    ~ScrapeLoad();
    ScrapeLoad(const ScrapeLoad&) = delete;
    ScrapeLoad& operator=(const ScrapeLoad&) = delete;

    // Stops every client; the figures are final after this.
    void stop();
    // Request times in milliseconds, and how many requests failed.
    std::vector<double>& latenciesMs() { return m_latencies; }
    int failures() const { return m_failures; }
    const std::string& firstFailure() const { return m_firstFailure; }
    // Resident memory of this process before the clients began, and the
    // most seen while they ran (kB).
    long quietKb() const { return m_quietKb; }
    long hostileKb() const { return m_hostileKb; }
    // Header bytes the server took from the endless stream.
    long long headerBytes() const { return m_headerBytes; }

private:
    void scrape();
    void harass();

    int m_port;
    int m_perSecond;
    std::atomic<bool> m_stop{false};
    std::vector<double> m_latencies;
    int m_failures = 0;
    std::string m_firstFailure;
    long m_quietKb = 0;
    long m_hostileKb = 0;
    long long m_headerBytes = 0;
    std::thread m_scraper;
    std::thread m_hostile;
};

} // namespace zel::bench
