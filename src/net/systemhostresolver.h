#pragma once

#include "hostresolver.h"

namespace zel {

// The platform resolver (getaddrinfo/getnameinfo), blocking its caller: the
// window runs it off its thread (PrefetchedResolver).
class SystemHostResolver final : public HostResolver {
public:
    HostLookup lookupByName(const QString& name) override;
    HostLookup lookupByAddress(const IPv4Octets& address) override;

    // The Windows Sockets code for a getaddrinfo/getnameinfo failure; codes
    // without a counterpart stay as they are.
    static int translateFailure(int eaiCode);
};

} // namespace zel
