#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace zel {

using IPv4Octets = std::array<std::uint8_t, 4>;

// What a host lookup found: the official name and the first IPv4 address.
struct HostEntry {
    QString name;
    IPv4Octets address{};
};

// A lookup's outcome: the entry, or the Windows Sockets code of its failure.
struct HostLookup {
    static constexpr int HostNotFound = 11001;
    static constexpr int TryAgain = 11002;
    static constexpr int NoRecovery = 11003;
    static constexpr int NoData = 11004;

    bool found = false;
    HostEntry entry;
    int errorCode = 0;

    static HostLookup success(HostEntry e) { return {true, std::move(e), 0}; }
    static HostLookup failure(int code) { return {false, {}, code}; }
};

// The platform's name service, IPv4 only. Both calls block their caller until
// the lookup has ended; failures come already translated to the Windows
// Sockets codes above, any other failure keeps a code of its own.
class HostResolver {
public:
    virtual ~HostResolver() = default;
    virtual HostLookup lookupByName(const QString& name) = 0;
    virtual HostLookup lookupByAddress(const IPv4Octets& address) = 0;
};

} // namespace zel
