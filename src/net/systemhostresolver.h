#pragma once

#include "hostresolver.h"

namespace zel {

// The platform resolver (getaddrinfo/getnameinfo). The lookup runs on a thread
// of its own while the caller's thread waits in an event loop without operator
// input: a slow name server leaves the window painting, and nothing of the
// caller goes on before the lookup has returned.
class SystemHostResolver final : public HostResolver {
public:
    HostLookup lookupByName(const QString& name) override;
    HostLookup lookupByAddress(const IPv4Octets& address) override;

    // The Windows Sockets code for a getaddrinfo/getnameinfo failure; codes
    // without a counterpart stay as they are.
    static int translateFailure(int eaiCode);
};

} // namespace zel
