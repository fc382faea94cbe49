#include "shell/callchain.h"

#include <QTest>

using namespace zel;

namespace {

CallChain chainOf(const QStringList& labels)
{
    CallChain chain;
    for (const QString& label : labels)
        chain.CallChainAdd(label);
    return chain;
}

const QStringList three = {QStringLiteral("Form1-get_ip"),
                           QStringLiteral("modWinSock-fncGetHostByAddress"),
                           QStringLiteral("modWinSock-fncIPAddressToLng")};

} // namespace

class TestCallChain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listing_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("left");
        QTest::newRow("first of three") << 1
                                        << "1).Form1-get_ip   <=== Current Module \r\n"
                                           "2).modWinSock-fncGetHostByAddress\r\n"
                                           "3).modWinSock-fncIPAddressToLng\r\n"
                                        << 1;
        QTest::newRow("middle") << 2
                                << "1).Form1-get_ip\r\n"
                                   "2).modWinSock-fncGetHostByAddress   <=== Current Module \r\n"
                                   "3).modWinSock-fncIPAddressToLng\r\n"
                                << 2;
        QTest::newRow("last removes nothing")
            << 3
            << "1).Form1-get_ip\r\n"
               "2).modWinSock-fncGetHostByAddress\r\n"
               "3).modWinSock-fncIPAddressToLng   <=== Current Module \r\n"
            << 3;
    }
    void listing()
    {
        QFETCH(int, level);
        QFETCH(QString, text);
        QFETCH(int, left);
        CallChain chain;
        QCOMPARE(chain.CallChainAdd(three[0]), 1);
        chain.CallChainRemove(1);
        QCOMPARE(chain.size(), 0);
        chain = chainOf(three);
        QCOMPARE(chain.CallChainText(level), text);
        QCOMPARE(chain.labels(), three.mid(0, left));
    }

    void levelOutsideChainIsError6_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -1;
        QTest::newRow("beyond the last") << 4;
    }
    void levelOutsideChainIsError6()
    {
        QFETCH(int, level);
        CallChain chain = chainOf(three);
        for (int text = 0; text < 2; ++text) {
            try {
                if (text)
                    chain.CallChainText(level);
                else
                    chain.CallChainRemove(level);
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

    void errorReport()
    {
        CallChain chain = chainOf(three);
        const RuntimeError error(6, QStringLiteral("Overflow"), QStringLiteral("ZEL"));
        QCOMPARE(errorReportText(error, chain.CallChainText(1)),
                 QStringLiteral("Error 6\r\n"
                                " Description: Overflow\r\n"
                                " Source: ZEL\r\n"
                                " CallChain: 1).Form1-get_ip   <=== Current Module \r\n"
                                "2).modWinSock-fncGetHostByAddress\r\n"
                                "3).modWinSock-fncIPAddressToLng\r\n"
                                "\r\n"));
    }

    void trimNulls_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("no NUL") << "gateway.example"
                                << "gateway.example";
        QTest::newRow("NUL first") << QString(QChar(0)) + "abc"
                                   << "";
        QTest::newRow("cut at first NUL")
            << "gw" + QString(QChar(0)) + "x" + QString(QChar(0)) << "gw";
        QTest::newRow("empty") << ""
                               << "";
    }
    void trimNulls()
    {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        CallChain chain;
        QCOMPARE(fncTrimNulls(chain, text), trimmed);
        QCOMPARE(chain.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCallChain)
#include "tst_callchain.moc"
