#include "systemhostresolver.h"

#include <cstring>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>

namespace zel {
namespace {

// The lookups may come before any socket has started Windows Sockets. Once
// per process; the system releases it at exit.
void startSockets()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

// getaddrinfo and getnameinfo report Windows Sockets codes already.
int platformCode(int code)
{
    return code;
}

} // namespace
} // namespace zel
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace zel {
namespace {

void startSockets() {}

int platformCode(int eaiCode)
{
    switch (eaiCode) {
    case EAI_NONAME:
        return HostLookup::HostNotFound;
    case EAI_AGAIN:
        return HostLookup::TryAgain;
    case EAI_FAIL:
        return HostLookup::NoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return HostLookup::NoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return HostLookup::NoData;
#endif
    default:
        return eaiCode;
    }
}

} // namespace
} // namespace zel
#endif

namespace zel {

int SystemHostResolver::translateFailure(int eaiCode)
{
    return platformCode(eaiCode);
}

HostLookup SystemHostResolver::lookupByName(const QString& name)
{
    startSockets();
    const QByteArray local = name.toLocal8Bit();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(local.constData(), nullptr, &hints, &found);
    if (rc != 0)
        return HostLookup::failure(translateFailure(rc));
    HostEntry entry;
    entry.name =
        QString::fromLocal8Bit(found->ai_canonname ? found->ai_canonname : local.constData());
    const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    std::memcpy(entry.address.data(), &in->sin_addr, 4);
    freeaddrinfo(found);
    return HostLookup::success(entry);
}

HostLookup SystemHostResolver::lookupByAddress(const IPv4Octets& address)
{
    startSockets();
    sockaddr_in in{};
    in.sin_family = AF_INET;
    std::memcpy(&in.sin_addr, address.data(), 4);
    char host[NI_MAXHOST] = {};
    const int rc = getnameinfo(reinterpret_cast<const sockaddr*>(&in), socklen_t(sizeof in), host,
                               NI_MAXHOST, nullptr, 0, NI_NAMEREQD);
    if (rc != 0)
        return HostLookup::failure(translateFailure(rc));
    // As the reverse entry of the name service, it lists the queried address.
    return HostLookup::success({QString::fromLocal8Bit(host), address});
}

} // namespace zel
