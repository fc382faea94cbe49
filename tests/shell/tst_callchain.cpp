#include "shell/callchain.h"

#include <QTest>

using namespace zel;

namespace {

const QStringList three = {QStringLiteral("Form1-get_ip"),
                           QStringLiteral("modWinSock-fncGetHostByAddress"),
                           QStringLiteral("modWinSock-fncIPAddressToLng")};

CallChain chainOfThree()
{
    CallChain chain;
    for (const QString& label : three)
        chain.CallChainAdd(label);
    return chain;
}

} // namespace

// The error report built from the listing is checked byte for byte by the
// host lookup tests.
class TestCallChain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listing_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("text");
        QTest::newRow("first lists all, keeps one") << 1
                                                    << "1).Form1-get_ip   <=== Current Module \r\n"
                                                       "2).modWinSock-fncGetHostByAddress\r\n"
                                                       "3).modWinSock-fncIPAddressToLng\r\n";
        QTest::newRow("last removes nothing")
            << 3
            << "1).Form1-get_ip\r\n"
               "2).modWinSock-fncGetHostByAddress\r\n"
               "3).modWinSock-fncIPAddressToLng   <=== Current Module \r\n";
    }
    void listing()
    {
        QFETCH(int, level);
        CallChain chain = chainOfThree();
        QTEST(chain.CallChainText(level), "text");
        QCOMPARE(chain.labels(), three.mid(0, level));
    }

    void levelOutsideChainIsError6_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("zero") << 0;
        QTest::newRow("beyond the last") << 4;
    }
    void levelOutsideChainIsError6()
    {
        QFETCH(int, level);
        CallChain chain = chainOfThree();
        for (int text = 0; text < 2; ++text) {
            try {
                text ? void(chain.CallChainText(level)) : chain.CallChainRemove(level);
                QFAIL("no error raised");
            } catch (const RuntimeError& e) {
                QCOMPARE(e.number(), 6);
            }
            QCOMPARE(chain.labels(), three);
        }
    }

    // A procedure that ends through an error leaves its entry for the report;
    // one that ends normally takes it away.
    void entriesStayOnlyAfterAnError()
    {
        CallChain chain;
        {
            const ChainEntry outer(chain, three[0]);
            try {
                const ChainEntry inner(chain, three[1]);
                {
                    const ChainEntry done(chain, QStringLiteral("modWinSock-fncIsIPAddress"));
                }
                throw RuntimeError::overflow();
            } catch (const RuntimeError&) {
                QCOMPARE(chain.labels(), three.mid(0, 2));
                chain.CallChainText(outer.level());
            }
        }
        QCOMPARE(chain.size(), 0);
    }

    void trimNulls()
    {
        CallChain chain;
        const QChar nul(0);
        QCOMPARE(fncTrimNulls(chain, QStringLiteral("gw.example")), QStringLiteral("gw.example"));
        QCOMPARE(fncTrimNulls(chain, "gw" + QString(nul) + "x" + nul), QStringLiteral("gw"));
        QCOMPARE(fncTrimNulls(chain, QString(nul) + "abc"), QString());
        QCOMPARE(chain.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCallChain)
#include "tst_callchain.moc"
