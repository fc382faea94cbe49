#include "net/fakes.h"
#include "net/hostaddress.h"
#include "net/modwinsock.h"
#include "net/systemhostresolver.h"
#include "support/fakes.h"

#include <QCoreApplication>
#include <QTest>

#include <netdb.h>

using namespace zel;

namespace {

struct Lookups {
    FakeResolver resolver;
    CallChain chain;
    FakeDialogs dialogs;
    ModWinSock winSock{resolver, chain};
    HostAddressLookup lookup{winSock, chain, dialogs};

    Lookups() { resolver.hosts.insert(QStringLiteral("gw"), {10, 0, 0, 7}); }
};

QString failureText(const char* what, int code, const char* description)
{
    return QStringLiteral("%1\r\nError Code: %2\r\nError Description: %3\r\n")
        .arg(QLatin1String(what))
        .arg(code)
        .arg(QLatin1String(description));
}

} // namespace

class TestHostLookup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Error: 0 for none, else the run-time error the conversion raises.
    void dottedAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isAddress");
        QTest::addColumn<uint>("value");
        QTest::addColumn<int>("error");
        QTest::newRow("gateway") << "192.168.1.33" << true << 0x2101A8C0u << 0;
        QTest::newRow("default setting") << "0.0.0.0" << true << 0u << 0;
        QTest::newRow("empty first octet") << ".1.2.3" << true << 0x03020100u << 0;
        QTest::newRow("empty inner octet") << "1..2.3" << true << 0u << 13;
        QTest::newRow("first above 255") << "300.1.1.1" << true << 0u << 6;
        QTest::newRow("huge") << "99999999999999999999.1.1.1" << true << 0u << 6;
        QTest::newRow("empty text") << "" << false << 0u << 0;
        QTest::newRow("two dots") << "1.2.3" << false << 0u << 0;
        QTest::newRow("host name") << "localhost" << false << 0u << 0;
    }
    void dottedAddresses()
    {
        QFETCH(QString, text);
        QFETCH(bool, isAddress);
        QFETCH(uint, value);
        QFETCH(int, error);
        Lookups l;
        QCOMPARE(l.winSock.fncIsIPAddress(text), isAddress);
        try {
            QCOMPARE(l.winSock.fncIPAddressToLng(text), value);
            QCOMPARE(error, 0);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), error);
            QCOMPARE(l.chain.labels().last(), QStringLiteral("modWinSock-fncIPAddressToLng"));
        }
    }

    // The code table, the failure texts built from it, and the platform's
    // failure each code stands for (0: none).
    void errorDescriptions_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("eai");
        const auto row = [](int code, const char* text, int eai = 0) {
            QTest::newRow(QByteArray::number(code).constData())
                << code << QString::fromLatin1(text) << eai;
        };
        const char* canceled = "The (blocking) call was canceled via WSACancelBlockingCall().";
        row(10004, canceled);
        row(10022, canceled);
        row(10014, "The namelen parameter is too small.");
        row(10036, "A blocking Windows Sockets operation is in progress.");
        row(10050, "The Windows Sockets implementation has detected that the network subsystem "
                   "has failed.");
        row(10091, "The Windows Sockets version specified by the application is not supported "
                   "by this DLL.");
        row(10092, "The version of Windows Sockets API support requested is not provided by this "
                   "particular Windows Sockets implementation.");
        row(10093, "A successful WSAStartup() must occur before using this API.");
        row(11001, "Authoritative Answer Host not found.", EAI_NONAME);
        row(11002, "Non-Authoritative Host not found, or SERVERFAIL.", EAI_AGAIN);
        row(11003, "Non recoverable errors, FORMERR, REFUSED, NOTIMP.", EAI_FAIL);
        row(11004, "Valid name, no data record of requested type.", EAI_NODATA);
        row(10060, "Unknown");
        row(EAI_SYSTEM, "Unknown", EAI_SYSTEM); // a system failure keeps its number
    }
    void errorDescriptions()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QFETCH(int, eai);
        if (eai != 0)
            QCOMPARE(SystemHostResolver::translateFailure(eai), code);
        Lookups l;
        QCOMPARE(l.winSock.fncGetWinSockErrorDescription(code), text);

        // A lookup failing with that code: its text takes the place of the
        // result, and no error is raised.
        l.resolver.failCode = code;
        const QByteArray d = text.toLatin1();
        const QString byName = failureText("Error  Looking up Host by name", code, d);
        QCOMPARE(l.lookup.get_ip(QStringLiteral("nowhere")), byName);
        QCOMPARE(l.winSock.HostAddress(), byName);
        QCOMPARE(l.winSock.fncGetHostByAddress(QStringLiteral("10.9.9.9")),
                 failureText("Error Looking up Host by address", code, d));
        QCOMPARE(l.chain.size(), 0);
        QVERIFY(l.dialogs.messages.isEmpty());
    }

    // A failed reverse lookup gives the address itself: not the address of
    // the host looked up before, nor an old failure text.
    void lookups()
    {
        Lookups l;
        QCOMPARE(l.lookup.get_ip(QStringLiteral("gw")), QStringLiteral("10.0.0.7"));
        QCOMPARE(l.winSock.HostName(), QStringLiteral("gw.example"));
        QCOMPARE(l.lookup.get_ip(QStringLiteral("10.0.0.7")), QStringLiteral("10.0.0.7"));
        QCOMPARE(l.winSock.HostName(), QStringLiteral("gw"));
        QCOMPARE(l.lookup.get_ip(QStringLiteral("192.168.1.33")), QStringLiteral("192.168.1.33"));
        l.lookup.get_ip(QStringLiteral("nowhere"));
        QCOMPARE(l.lookup.get_ip(QStringLiteral("0.0.0.0")), QStringLiteral("0.0.0.0"));
        QCOMPARE(l.chain.size(), 0);
    }

    // Reported with the chain, once per setting; the program goes on and the
    // caller gets a text no connection can be made to.
    void malformedAddressReportedOnce()
    {
        Lookups l;
        const QString report = QStringLiteral("Error 6\r\n Description: Overflow\r\n Source: ") +
                               QCoreApplication::applicationName() +
                               QStringLiteral("\r\n CallChain: 1).Form1-get_ip   <=== Current "
                                              "Module \r\n2).modWinSock-fncGetHostByAddress\r\n"
                                              "3).modWinSock-fncIPAddressToLng\r\n\r\n");
        for (int tick = 0; tick < 3; ++tick) {
            const QString host = l.lookup.get_ip(QStringLiteral("300.1.1.1"));
            QVERIFY(host.startsWith(QStringLiteral("Error Looking up Host by address\r\n")));
            QVERIFY(!l.winSock.fncIsIPAddress(host));
            QCOMPARE(l.chain.size(), 0);
        }
        QCOMPARE(l.dialogs.messages.size(), 1);
        QCOMPARE(l.dialogs.messages[0].text, report);
        QVERIFY(l.dialogs.messages[0].title.isEmpty());

        // Another malformed setting is news again.
        l.lookup.get_ip(QStringLiteral("1..2.3"));
        QCOMPARE(l.dialogs.messages.size(), 2);
        QVERIFY(l.dialogs.messages[1].text.startsWith(
            QStringLiteral("Error 13\r\n Description: Type mismatch\r\n")));
        // So is the first one after a setting that worked.
        l.lookup.get_ip(QStringLiteral("gw"));
        l.lookup.get_ip(QStringLiteral("1..2.3"));
        QCOMPARE(l.dialogs.messages.size(), 3);
    }

    void systemResolverOnLocalhost()
    {
        SystemHostResolver resolver;
        const HostLookup forward = resolver.lookupByName(QStringLiteral("localhost"));
        QVERIFY(forward.found);
        QCOMPARE(forward.entry.address, (IPv4Octets{127, 0, 0, 1}));
        const HostLookup reverse = resolver.lookupByAddress({127, 0, 0, 1});
        QVERIFY(reverse.found);
        QVERIFY(!reverse.entry.name.isEmpty());
        QCOMPARE(reverse.entry.address, (IPv4Octets{127, 0, 0, 1}));
    }
};

QTEST_GUILESS_MAIN(TestHostLookup)
#include "tst_hostlookup.moc"
