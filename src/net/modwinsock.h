#pragma once

#include "hostresolver.h"
#include "shell/callchain.h"

#include <QString>

#include <cstdint>

namespace zel {

// The socket module: host lookups by name and by address into the module
// values HostName and HostAddress, and the texts for Windows Sockets codes.
// Its procedures trap nothing: a run-time error goes on to the caller, its
// call-chain entries left in place for the report.
class ModWinSock {
public:
    static inline const QString ModuleName = QStringLiteral("modWinSock");

    ModWinSock(HostResolver& resolver, CallChain& chain);

    const QString& HostName() const { return m_hostName; }
    const QString& HostAddress() const { return m_hostAddress; }
    // Whether the last lookup found its host (its text is then no failure).
    bool lastLookupFound() const { return m_lastFound; }

    // HostAddress after the lookup: the first address, or the failure text.
    QString fncGetHostByName(const QString& host);
    // HostName after the lookup: the host's name, or the failure text.
    QString fncGetHostByAddress(const QString& address);
    // Digits and exactly three dots; octet ranges are not looked at.
    bool fncIsIPAddress(const QString& text);
    // The four octets in text order, first octet in the lowest byte; 0 for a
    // text that is no dotted address. Error 6 for an octet above 255, 13 for
    // an empty second, third or fourth octet.
    std::uint32_t fncIPAddressToLng(const QString& text);
    void subGetHostEntInfo(const HostEntry& entry);
    void subClearHostEntInfo();
    QString fncGetWinSockErrorDescription(int code);

private:
    QString label(const char* procedure) const;
    QString failureText(const char* what, int code);

    HostResolver& m_resolver;
    CallChain& m_chain;
    QString m_hostName;
    QString m_hostAddress;
    bool m_lastFound = false;
};

} // namespace zel
