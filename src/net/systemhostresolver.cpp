#include "systemhostresolver.h"

#include <QEventLoop>
#include <QMetaObject>

#include <arpa/inet.h>
#include <cstring>
#include <functional>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace zel {

namespace {

// Runs lookup on a thread of its own; the calling thread serves its events
// meanwhile, operator input excepted.
HostLookup runOffThread(const std::function<HostLookup()>& lookup)
{
    HostLookup result;
    QEventLoop loop;
    std::thread worker([&] {
        result = lookup();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    // The loop can also end early (the program is quitting): still wait.
    worker.join();
    return result;
}

HostLookup byName(const QByteArray& name)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(name.constData(), nullptr, &hints, &found);
    if (rc != 0)
        return HostLookup::failure(SystemHostResolver::translateFailure(rc));
    HostEntry entry;
    entry.name =
        QString::fromLocal8Bit(found->ai_canonname ? found->ai_canonname : name.constData());
    const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    std::memcpy(entry.address.data(), &in->sin_addr, 4);
    freeaddrinfo(found);
    return HostLookup::success(entry);
}

HostLookup byAddress(const IPv4Octets& address)
{
    sockaddr_in in{};
    in.sin_family = AF_INET;
    std::memcpy(&in.sin_addr, address.data(), 4);
    char host[NI_MAXHOST] = {};
    const int rc = getnameinfo(reinterpret_cast<const sockaddr*>(&in), sizeof in, host, sizeof host,
                               nullptr, 0, NI_NAMEREQD);
    if (rc != 0)
        return HostLookup::failure(SystemHostResolver::translateFailure(rc));
    // As the reverse entry of the name service, it lists the queried address.
    return HostLookup::success({QString::fromLocal8Bit(host), address});
}

} // namespace

int SystemHostResolver::translateFailure(int eaiCode)
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

HostLookup SystemHostResolver::lookupByName(const QString& name)
{
    const QByteArray local = name.toLocal8Bit();
    return runOffThread([local] { return byName(local); });
}

HostLookup SystemHostResolver::lookupByAddress(const IPv4Octets& address)
{
    return runOffThread([address] { return byAddress(address); });
}

} // namespace zel
