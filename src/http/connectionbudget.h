#pragma once

#include <mutex>
#include <string>
#include <sys/socket.h>
#include <unordered_map>

namespace zel::http {

// Places for connections, in all and per client address. Counted here, as
// they are taken off the listening socket, so a connection over either
// count is closed before the HTTP library sees it. The library's own limits
// are left well above these and never reached: libmicrohttpd 0.9.75's thread
// was seen to lock up for good when a connection handed to it met them.
class ConnectionBudget {
public:
    ConnectionBudget(int total, int perAddress);

    // The peer's address without its port: what "per address" counts.
    static std::string addressOf(const sockaddr* peer);
    // Such an address for people: "192.0.2.7", "2001:db8::1"; empty if none.
    static std::string printable(const std::string& address);
    // Yes; Full: a place may be made (see takeOver); No: refused.
    enum class Taken { Yes, Full, No };
    // Takes a place for a connection from `address`.
    Taken take(const std::string& address);
    // Takes one over the total, for a newcomer that had a connection cut to
    // make room: the place comes back when the cut one closes. Places over
    // the total never exceed the total itself, however slowly cut ones close.
    void takeOver(const std::string& address);
    void give(const std::string& address);

private:
    const int m_total;
    const int m_perAddress;
    std::mutex m_mutex;
    int m_used = 0;
    std::unordered_map<std::string, int> m_byAddress;
};

} // namespace zel::http
