#include "hostaddress.h"

namespace zel {

HostAddressLookup::HostAddressLookup(ModWinSock& winSock, CallChain& chain,
                                     OperatorDialogs& dialogs)
    : m_winSock(winSock), m_chain(chain), m_dialogs(dialogs)
{
}

QString HostAddressLookup::get_ip(const QString& host)
{
    const int level = m_chain.CallChainAdd(ModuleName + QStringLiteral("-get_ip"));
    QString address;
    try {
        if (m_winSock.fncIsIPAddress(host)) {
            m_winSock.fncGetHostByAddress(host);
            // A failed reverse lookup leaves HostAddress from some earlier
            // lookup: the address asked about is the one to connect to.
            address = m_winSock.lastLookupFound() ? m_winSock.HostAddress() : host;
        } else {
            address = m_winSock.fncGetHostByName(host);
        }
        m_reported = false;
    } catch (const RuntimeError& e) {
        const QString report = errorReportText(e, m_chain.CallChainText(level));
        // A polling timer meets the same setting every few seconds: one box
        // is enough until the setting changes.
        if (!m_reported || m_reportedHost != host)
            m_dialogs.message(report);
        m_reported = true;
        m_reportedHost = host;
        address = QStringLiteral("Error Looking up Host by address\r\nError Code: ") +
                  QString::number(e.number()) + QStringLiteral("\r\nError Description: ") +
                  e.description() + QStringLiteral("\r\n");
    }
    m_chain.CallChainRemove(level);
    return address;
}

} // namespace zel
