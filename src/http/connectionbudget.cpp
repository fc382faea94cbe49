#include "connectionbudget.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace zel::http {

ConnectionBudget::ConnectionBudget(int total, int perAddress)
    : m_total(total), m_perAddress(perAddress)
{
}

std::string ConnectionBudget::addressOf(const sockaddr* peer)
{
    if (!peer)
        return {};
    if (peer->sa_family == AF_INET6) {
        const auto& a = reinterpret_cast<const sockaddr_in6*>(peer)->sin6_addr;
        return std::string(reinterpret_cast<const char*>(&a), sizeof a);
    }
    const auto& a = reinterpret_cast<const sockaddr_in*>(peer)->sin_addr;
    return std::string(reinterpret_cast<const char*>(&a), sizeof a);
}

std::string ConnectionBudget::printable(const std::string& address)
{
    if (address.size() != sizeof(in_addr) && address.size() != sizeof(in6_addr))
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(address.size() == sizeof(in_addr) ? AF_INET : AF_INET6, address.data(), text,
              sizeof text);
    return text;
}

ConnectionBudget::Taken ConnectionBudget::take(const std::string& address)
{
    std::lock_guard lock(m_mutex);
    int& mine = m_byAddress[address];
    const Taken taken = mine >= m_perAddress || m_used >= 2 * m_total ? Taken::No
                        : m_used >= m_total                           ? Taken::Full
                                                                      : Taken::Yes;
    if (taken == Taken::Yes) {
        ++m_used;
        ++mine;
    } else if (mine == 0) {
        m_byAddress.erase(address);
    }
    return taken;
}

void ConnectionBudget::takeOver(const std::string& address)
{
    std::lock_guard lock(m_mutex);
    ++m_used;
    ++m_byAddress[address];
}

void ConnectionBudget::give(const std::string& address)
{
    std::lock_guard lock(m_mutex);
    --m_used;
    if (const auto it = m_byAddress.find(address); it != m_byAddress.end() && --it->second <= 0)
        m_byAddress.erase(it);
}

} // namespace zel::http
