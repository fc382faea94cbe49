#pragma once

#include "modwinsock.h"
#include "shell/callchain.h"
#include "shell/operatordialogs.h"

#include <QString>

namespace zel {

// The main window's get_ip: turns the host setting into an address to
// connect to, reporting its errors with the call chain.
class HostAddressLookup {
public:
    static inline const QString ModuleName = QStringLiteral("Form1");

    HostAddressLookup(ModWinSock& winSock, CallChain& chain, OperatorDialogs& dialogs);

    // A host name: its first address, or the lookup's failure text. A dotted
    // address: the address found by its reverse lookup, or the address itself
    // when that lookup fails. A malformed dotted address (300.1.1.1) is
    // reported with the call chain, once while the setting stays the same,
    // and gives a failure text like a failed lookup; the program goes on.
    QString get_ip(const QString& host);

private:
    ModWinSock& m_winSock;
    CallChain& m_chain;
    OperatorDialogs& m_dialogs;
    QString m_reportedHost;
    bool m_reported = false;
};

} // namespace zel
