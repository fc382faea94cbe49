#pragma once

#include <QString>

#include <optional>
#include <sys/socket.h>

namespace zel::http {

// An address to listen on, written only as numbers: a dotted quad of four
// decimals ("127.0.0.1") or an IPv6 address ("::1"). Nothing is looked up,
// and none of the lenient forms a resolver takes ("0", "127.1", "0x7f.1",
// "*") counts as an address, so a setting never binds more than it says.
struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
    int family() const { return storage.ss_family; }
    static std::optional<SocketAddress> numeric(const QString& host, int port);
};

} // namespace zel::http
