#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zel::bench {

// A Prometheus-like client scraping /metrics at a fixed rate over one
// keep-alive connection, timing each request; optionally beside hostile
// clients: a thousand idle connections kept open, a megabyte request line
// and half a request left hanging, each renewed as the server drops it.
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

private:
    void scrape();
    void harass();

    int m_port;
    int m_perSecond;
    std::atomic<bool> m_stop{false};
    std::vector<double> m_latencies;
    int m_failures = 0;
    std::string m_firstFailure;
    std::thread m_scraper;
    std::thread m_hostile;
};

} // namespace zel::bench
