#include "net/fakes.h"
#include "net/remotelink.h"
#include "support/fakes.h"
#include "support/testgateway.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <mutex>

using namespace zel;

namespace {

const QByteArray workedReply = "12345 1 10110 1 1234 012 345 480 150 085 070 065\r\n";

const QStringList workedFields = {"12345", "1",    "101.10", "1",  "123.4", "1.2",
                                  "34.5",  "48.0", "15.0",   "85", "70",    "65"};

// The link on a temporary trace file, polling a gateway on 127.0.0.1, with a
// name service that knows "gw" as 127.0.0.1.
struct Rig {
    QTemporaryDir dir;
    TestGateway gateway;
    RecordingHost host;
    FakeDialogs dialogs;
    FakeResolver* resolver = nullptr;
    std::unique_ptr<RemoteLink> link;

    explicit Rig(QString traceFolder = {}, int sendSettleMs = 80,
                 std::unique_ptr<HostResolver> otherResolver = {})
    {
        gateway.replyPieces = {workedReply};
        host.settings.vIP = QStringLiteral("127.0.0.1");
        host.settings.vPort = gateway.port();
        host.settings.vDDNSURL = QStringLiteral("gw");
        host.settings.vDDNSPORT = gateway.port();
        RemoteLinkParts parts;
        auto r = std::make_unique<FakeResolver>();
        r->hosts.insert(QStringLiteral("gw"), {127, 0, 0, 1});
        resolver = r.get();
        parts.resolver = otherResolver ? std::move(otherResolver) : std::move(r);
        parts.traceFilePath =
            (traceFolder.isEmpty() ? dir.path() : traceFolder) + QStringLiteral("/logs.txt");
        parts.limits = {5, sendSettleMs, 0};
        link = std::make_unique<RemoteLink>(host, dialogs, std::move(parts));
    }
    // One tick of a polling timer, to the end of its exchange.
    bool poll(bool byHostName = false)
    {
        QSignalSpy finished(link.get(), &RemoteLink::exchangeFinished);
        byHostName ? link->TMgetDDNS_Timer() : link->TMgetTCP_Timer();
        return finished.wait(10000);
    }
    QByteArray traceFile() const
    {
        QFile f(link->traceFile().path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// A name service that answers only when let go.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<bool> asked = false;
    std::atomic<bool> answered = false;

    void letGo()
    {
        const std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
};

class GatedResolver final : public HostResolver {
public:
    explicit GatedResolver(std::shared_ptr<Gate> gate) : m_gate(std::move(gate)) {}
    HostLookup lookupByName(const QString&) override { return answer(); }
    HostLookup lookupByAddress(const IPv4Octets&) override { return answer(); }

private:
    HostLookup answer()
    {
        m_gate->asked = true;
        std::unique_lock lock(m_gate->mutex);
        m_gate->opened.wait(lock, [this] { return m_gate->open; });
        m_gate->answered = true;
        return HostLookup::success({QStringLiteral("gw"), {127, 0, 0, 1}});
    }
    std::shared_ptr<Gate> m_gate;
};

} // namespace

class TestRemoteLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Columns that hold no number read as 0, blanks included.
    void replyWithoutNumbers()
    {
        TransmitterStatus status;
        DecodeStatusReply("  7   x ab110 2  9 9 ---", status);
        QCOMPARE(statusFields(status), QStringList({"00007", "0", "0.00", "0", "9.9", "0.0", "0.0",
                                                    "0.0", "0.0", "0", "0", "0"}));
    }

    void workedExampleIntoRecordAndTraceFile()
    {
        Rig rig;
        rig.link->startFixedIpPolling();
        QVERIFY(rig.poll());
        QCOMPARE(rig.gateway.received, QByteArray::fromHex("3D7653C0A8012103EA0D0A2020202020"));
        QCOMPARE(statusFields(rig.host.status), workedFields);
        QCOMPARE(rig.host.framesMarked, 1);
        QCOMPARE(rig.host.panelUpdates, 1);
        QCOMPARE(rig.host.rxBuffer, workedReply);
        QCOMPARE(rig.traceFile(), workedReply + "\r\n");
        QCOMPARE(rig.host.lines, (QStringList{"Connected to 127.0.0.1[7]",
                                              "send >" + QString::fromLatin1(PollCommand()),
                                              QString::fromLatin1(workedReply), "Closed"}));
        QCOMPARE(rig.link->RequestMode(), 0);
        QVERIFY(rig.link->TMgetTCP().isActive());

        // Appended, never truncated.
        QVERIFY(rig.poll());
        QCOMPARE(rig.traceFile(), (workedReply + "\r\n").repeated(2));
    }

    // Pieces are gathered while the poll is outstanding and decoded once:
    // at the full length or a line end, or, when short, at the close.
    void replyInPieces_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QString>("forward");
        QTest::addColumn<QString>("right");
        // What the trace file gains: the reply as decoded.
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("three pieces")
            << QByteArrayList{workedReply.left(19), workedReply.mid(19, 20), workedReply.mid(39)}
            << "123.4"
            << "65" << workedReply;
        QTest::newRow("full length, then the line end")
            << QByteArrayList{workedReply.left(48), workedReply.mid(48)} << "123.4"
            << "65" << workedReply.left(48);
        QTest::newRow("short, decoded at the close")
            << QByteArrayList{workedReply.left(12), workedReply.mid(12, 8)} << "123.4"
            << "0" << workedReply.left(20);
    }
    void replyInPieces()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QString, forward);
        QFETCH(QString, right);
        QFETCH(QByteArray, record);
        Rig rig(QString(), 300);
        rig.gateway.replyPieces = pieces;
        QSignalSpy decoded(rig.link.get(), &RemoteLink::replyDecoded);
        QVERIFY(rig.poll());
        QCOMPARE(decoded.size(), 1);
        QCOMPARE(rig.host.panelUpdates, 1);
        QCOMPARE(rig.host.status.DeviceId, QStringLiteral("12345"));
        QCOMPARE(rig.host.status.ForwardW, forward);
        QCOMPARE(rig.host.status.AudioRight, right);
        QCOMPARE(rig.traceFile(), record + "\r\n");
        QCOMPARE(rig.link->RequestMode(), 0);
    }

    // An exchange that is no poll (a set command) finds no poll outstanding.
    void replyWithNoPollOutstandingDropped()
    {
        Rig rig;
        TcpClientSession& session = rig.link->session();
        QSignalSpy connected(&session, &TcpClientSession::connectEnded);
        session.ConnectRemote(QStringLiteral("127.0.0.1"), rig.gateway.port());
        QVERIFY(connected.wait());
        QSignalSpy finished(&session, &TcpClientSession::finished);
        session.SendRemote(QByteArray(16, 'S'));
        QVERIFY(finished.wait());
        QCOMPARE(rig.gateway.answered, 1);
        QCOMPARE(rig.host.panelUpdates, 0);
        QCOMPARE(rig.host.status, TransmitterStatus{});
        QVERIFY(!rig.host.lines.contains(QString::fromLatin1(workedReply)));
        QVERIFY(!QFile::exists(rig.link->traceFile().path()));
    }

    // The panel goes on; the operator hears of it once, and once when the
    // file can be written again.
    void traceFileFailureToldOnce()
    {
        QTemporaryDir data;
        const QString folder = data.filePath(QStringLiteral("ZEL"));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Rig rig(folder);
        QSignalSpy told(rig.link.get(), &RemoteLink::traceFileReport);
        QVERIFY(rig.poll());
        QVERIFY(rig.poll());
        QCOMPARE(rig.host.panelUpdates, 2);
        QCOMPARE(told.size(), 1);
        QVERIFY(told[0][0].toString().contains(QStringLiteral("not written")));
        QVERIFY(rig.dialogs.messages.isEmpty());

        QVERIFY(blocker.remove());
        QVERIFY(rig.poll());
        QCOMPARE(told.size(), 2);
        QVERIFY(told[1][0].toString().contains(QStringLiteral("written again")));
        QCOMPARE(rig.traceFile(), workedReply + "\r\n");
    }

    // A malformed address: told once, each tick fails like a failed lookup,
    // and polling goes on.
    void malformedHostAddressDoesNotEndPolling()
    {
        Rig rig;
        rig.link->startHostNamePolling();
        rig.host.settings.vDDNSURL = QStringLiteral("300.1.1.1");
        QVERIFY(rig.poll(true));
        QVERIFY(rig.poll(true));
        QTRY_COMPARE(rig.dialogs.messages.size(), 1);
        QVERIFY(rig.dialogs.messages[0].text.startsWith(QStringLiteral("Error 6\r\n")));
        QCOMPARE(rig.host.lines.first(), QStringLiteral("Error[9]"));
        QCOMPARE(rig.gateway.connections(), 0);
        QVERIFY(rig.link->TMgetDDNS().isActive());
        QCOMPARE(rig.link->callChain().size(), 0);
    }

    // Both timers on (a hand-edited store): their exchanges take turns.
    void bothTimersNeverShareTheSocket()
    {
        Rig rig(QString(), 60);
        rig.link->TMgetTCP().setInterval(5);
        rig.link->TMgetDDNS().setInterval(7);
        rig.link->startFixedIpPolling();
        rig.link->startHostNamePolling();
        // Which timer wins a turn depends on the machine's load: wait for both.
        QTRY_VERIFY(rig.gateway.connections() >= 6 && rig.resolver->lookups > 0);
        rig.link->stopPolling();
        QCOMPARE(rig.gateway.mostOpenAtOnce, 1);
        QCOMPARE(rig.host.panelUpdates, rig.gateway.answered);
    }

    void command5TogglesFixedAddressPolling()
    {
        Rig rig;
        rig.link->Command5_Click();
        QVERIFY(rig.link->TMgetTCP().isActive());
        rig.link->Command5_Click();
        QVERIFY(!rig.link->TMgetTCP().isActive());

        // During a tick the click waits for the exchange's end, then stops
        // the polling the tick has started again.
        rig.link->startFixedIpPolling();
        QSignalSpy finished(rig.link.get(), &RemoteLink::exchangeFinished);
        rig.link->TMgetTCP_Timer();
        rig.link->Command5_Click();
        QVERIFY(rig.link->exchangeUnderWay());
        QTRY_COMPARE(finished.size(), 1);
        QTRY_VERIFY(!rig.link->TMgetTCP().isActive());
        QTest::qWait(50);
        QVERIFY(!rig.link->TMgetTCP().isActive());
    }

    // A flooding gateway: the values come from the first columns as always,
    // but only the first 256 bytes of the reply reach the trace and the trace
    // file, followed by how many were dropped.
    void floodRecordedBounded()
    {
        Rig rig;
        rig.gateway.replyPieces = {workedReply + QByteArray(100000, 'x')};
        QVERIFY(rig.poll());
        QCOMPARE(statusFields(rig.host.status), workedFields);
        const QString traced = rig.host.lines.at(2);
        static const QRegularExpression note(
            QStringLiteral(R"( \[\.\.\. (\d+) more bytes dropped\]$)"));
        const QRegularExpressionMatch dropped = note.match(traced);
        QVERIFY2(dropped.hasMatch(), qPrintable(traced.right(60)));
        QCOMPARE(dropped.capturedStart(), 256);
        QVERIFY(traced.startsWith(QString::fromLatin1(workedReply)));
        QVERIFY(dropped.captured(1).toInt() > 0);
        QCOMPARE(rig.traceFile(), traced.toLatin1() + "\r\n");
    }

    // The program may end while a name server is still being asked: the
    // answer, when it comes, goes nowhere.
    void lookupInFlightOutlivesTheLink()
    {
        auto gate = std::make_shared<Gate>();
        {
            Rig rig({}, 80, std::make_unique<GatedResolver>(gate));
            rig.link->TMgetDDNS_Timer();
            QTRY_VERIFY(gate->asked);
            QVERIFY(rig.link->exchangeUnderWay());
        }
        gate->letGo();
        QTRY_VERIFY(gate->answered);
        QTest::qWait(20);
    }
};

QTEST_GUILESS_MAIN(TestRemoteLink)
#include "tst_remotelink.moc"
