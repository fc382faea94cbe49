#include "modwinsock.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"

#include <QStringList>

namespace zel {

namespace {

const QString crlf = QStringLiteral("\r\n");

std::uint8_t octetOrError(double value)
{
    const auto b = toByte(value);
    if (!b)
        throw RuntimeError::overflow();
    return *b;
}

} // namespace

ModWinSock::ModWinSock(HostResolver& resolver, CallChain& chain)
    : m_resolver(resolver), m_chain(chain)
{
}

QString ModWinSock::label(const char* procedure) const
{
    return ModuleName + u'-' + QLatin1String(procedure);
}

QString ModWinSock::failureText(const char* what, int code)
{
    return QLatin1String(what) + crlf + QStringLiteral("Error Code: ") + QString::number(code) +
           crlf + QStringLiteral("Error Description: ") + fncGetWinSockErrorDescription(code) +
           crlf;
}

QString ModWinSock::fncGetHostByName(const QString& host)
{
    const ChainEntry entry(m_chain, label("fncGetHostByName"));
    const HostLookup found = m_resolver.lookupByName(host);
    m_lastFound = found.found;
    if (found.found)
        subGetHostEntInfo(found.entry);
    else
        m_hostAddress = failureText("Error  Looking up Host by name", found.errorCode);
    return m_hostAddress;
}

QString ModWinSock::fncGetHostByAddress(const QString& address)
{
    const ChainEntry entry(m_chain, label("fncGetHostByAddress"));
    const std::uint32_t value = fncIPAddressToLng(address);
    const IPv4Octets octets{std::uint8_t(value), std::uint8_t(value >> 8),
                            std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
    const HostLookup found = m_resolver.lookupByAddress(octets);
    m_lastFound = found.found;
    if (found.found)
        subGetHostEntInfo(found.entry);
    else
        m_hostName = failureText("Error Looking up Host by address", found.errorCode);
    return m_hostName;
}

bool ModWinSock::fncIsIPAddress(const QString& text)
{
    const ChainEntry entry(m_chain, label("fncIsIPAddress"));
    for (const QChar c : text) {
        if (c != u'.' && (c < u'0' || c > u'9'))
            return false;
    }
    return text.count(u'.') == 3;
}

std::uint32_t ModWinSock::fncIPAddressToLng(const QString& text)
{
    const ChainEntry entry(m_chain, label("fncIPAddressToLng"));
    if (!fncIsIPAddress(text))
        return 0;
    const QStringList parts = text.split(u'.');
    // The first part goes by its numeric value (empty is 0); the others must
    // hold a number.
    std::uint32_t value = octetOrError(parseLeadingNumber(parts[0]));
    for (int i = 1; i < 4; ++i) {
        if (parts[i].isEmpty())
            throw RuntimeError::typeMismatch();
        value |= std::uint32_t(octetOrError(parseLeadingNumber(parts[i]))) << (8 * i);
    }
    return value;
}

void ModWinSock::subGetHostEntInfo(const HostEntry& hostEntry)
{
    const ChainEntry entry(m_chain, label("subGetHostEntInfo"));
    subClearHostEntInfo();
    m_hostName = fncTrimNulls(m_chain, hostEntry.name);
    const IPv4Octets& a = hostEntry.address;
    m_hostAddress = QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

void ModWinSock::subClearHostEntInfo()
{
    const ChainEntry entry(m_chain, label("subClearHostEntInfo"));
    m_hostName.clear();
}

QString ModWinSock::fncGetWinSockErrorDescription(int code)
{
    const ChainEntry entry(m_chain, label("fncGetWinSockErrorDescription"));
    switch (code) {
    case 10004:
    case 10022:
        return QStringLiteral("The (blocking) call was canceled via WSACancelBlockingCall().");
    case 10014:
        return QStringLiteral("The namelen parameter is too small.");
    case 10036:
        return QStringLiteral("A blocking Windows Sockets operation is in progress.");
    case 10050:
        return QStringLiteral("The Windows Sockets implementation has detected that the network "
                              "subsystem has failed.");
    case 10091:
        return QStringLiteral("The Windows Sockets version specified by the application is not "
                              "supported by this DLL.");
    case 10092:
        return QStringLiteral("The version of Windows Sockets API support requested is not "
                              "provided by this particular Windows Sockets implementation.");
    case 10093:
        return QStringLiteral("A successful WSAStartup() must occur before using this API.");
    case 11001:
        return QStringLiteral("Authoritative Answer Host not found.");
    case 11002:
        return QStringLiteral("Non-Authoritative Host not found, or SERVERFAIL.");
    case 11003:
        return QStringLiteral("Non recoverable errors, FORMERR, REFUSED, NOTIMP.");
    case 11004:
        return QStringLiteral("Valid name, no data record of requested type.");
    default:
        return QStringLiteral("Unknown");
    }
}

} // namespace zel
