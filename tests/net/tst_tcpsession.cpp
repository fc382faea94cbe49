#include "net/fakes.h"
#include "net/qttcpsocket.h"
#include "net/statusreply.h"
#include "net/tcpclientsession.h"
#include "support/testgateway.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace zel;

namespace {

const TcpClientSession::Limits quick{5, 20, 0};

struct Session {
    RecordingHost host;
    SystemClock clock;
    QtTcpSocket socket;
    TcpClientSession session;

    explicit Session(TcpClientSession::Limits limits = quick) : session(socket, host, clock, limits)
    {
    }
    // The connect, then the poll as soon as it has ended; true once the
    // exchange has finished.
    bool exchange(const QString& hostName, const QString& port)
    {
        QSignalSpy done(&session, &TcpClientSession::finished);
        QObject::connect(
            &session, &TcpClientSession::connectEnded, &session,
            [this] { session.SendRemote(PollCommand()); }, Qt::SingleShotConnection);
        session.ConnectRemote(hostName, port);
        return done.wait(15000) && !session.exchangeUnderWay();
    }
};

const QString poll = QString::fromLatin1(PollCommand());

} // namespace

class TestTcpSession : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A refused connect and a port text that is no port both read as a failed
    // attempt; for the latter no connection is even tried.
    void failedAttempts_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("attempted");
        QTest::newRow("refused") << closedPort() << true;
        QTest::newRow("not a number") << "abc" << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("above 65535") << "65536" << false;
    }
    void failedAttempts()
    {
        QFETCH(QString, port);
        QFETCH(bool, attempted);
        Session s;
        QSignalSpy changes(&s.socket, &TcpSocket::stateChanged);
        QElapsedTimer took;
        took.start();
        QVERIFY(s.exchange(QStringLiteral("127.0.0.1"), port));
        QVERIFY(took.elapsed() < 4000);
        QCOMPARE(s.host.lines,
                 (QStringList{QStringLiteral("Error[9]"), QStringLiteral("can't send >") + poll,
                              QStringLiteral("Closed")}));
        QCOMPARE(!changes.isEmpty(), attempted);
        // What the callers tell the operator: the reason the trace gave.
        QCOMPARE(s.session.lastConnect().state, 9);
        QCOMPARE(s.session.lastConnectText(), QStringLiteral("Error"));
    }

    // The gateway accepts and stays silent: the poll still goes, and the
    // connection is dropped about half a second after it. (A gateway that
    // answers: the remote link tests.)
    void closedAboutHalfASecondAfterTheSend()
    {
        TestGateway gateway;
        Session s(TcpClientSession::Limits{});
        QVERIFY(s.exchange(QStringLiteral("127.0.0.1"), gateway.port()));
        QCOMPARE(s.host.lines,
                 (QStringList{QStringLiteral("Connected to 127.0.0.1[7]"),
                              QStringLiteral("send >") + poll, QStringLiteral("Closed")}));
        QCOMPARE(s.host.clears, 1);
        QTRY_VERIFY(gateway.hangUpAfterPollMs >= 0);
        QVERIFY2(gateway.hangUpAfterPollMs > 350 && gateway.hangUpAfterPollMs < 5000,
                 QByteArray::number(gateway.hangUpAfterPollMs));
    }

    // A listener whose queue is full and that never accepts answers no SYN:
    // the connect hangs. The one test that waits the real limit.
    void unansweredConnectRunsIntoTheLimit()
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&addr), len) == 0);
        QVERIFY(::listen(listener, 0) == 0);
        QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) == 0);
        const quint16 port = ntohs(addr.sin_port);
        QTcpSocket first;
        first.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(first.waitForConnected(2000));

        Session s; // the designed connect limit, short settles
        QSignalSpy ended(&s.session, &TcpClientSession::connectEnded);
        QElapsedTimer took;
        took.start();
        s.session.ConnectRemote(QStringLiteral("127.0.0.1"), QString::number(port));
        QVERIFY(ended.wait(15000));
        const qint64 waited = took.elapsed();
        QVERIFY2(waited >= 4900 && waited < 15000, qPrintable(s.host.lines.join(u'|')));
        QVERIFY(s.session.lastConnect().timedOut);
        QSignalSpy done(&s.session, &TcpClientSession::finished);
        s.session.SendRemote(PollCommand());
        QVERIFY(done.wait());
        QCOMPARE(s.host.lines,
                 (QStringList{QStringLiteral("Remote not Responce !"),
                              QStringLiteral("can't send >") + poll, QStringLiteral("Closed")}));
        ::close(listener);
    }

    // What QTcpSocket does, as the state numbers show it.
    void socketStates_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("peer"); // 0 refuses, 1 accepts, 2 accepts and hangs up
        QTest::addColumn<int>("atOnce");
        QTest::addColumn<int>("settled");
        QTest::newRow("address, refused") << "127.0.0.1" << 0 << 6 << 9;
        QTest::newRow("address, accepted") << "127.0.0.1" << 1 << 6 << 7;
        QTest::newRow("name, accepted") << "localhost" << 1 << 4 << 7;
        QTest::newRow("peer hangs up") << "127.0.0.1" << 2 << 6 << 8;
        QTest::newRow("unknown name") << "no.such.host.invalid" << 1 << 4 << 9;
    }
    void socketStates()
    {
        QFETCH(QString, host);
        QFETCH(int, peer);
        QFETCH(int, atOnce);
        QFETCH(int, settled);
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, &server, [&server, peer] {
            QTcpSocket* c = server.nextPendingConnection();
            if (peer == 2)
                c->disconnectFromHost();
        });
        QtTcpSocket socket;
        socket.setRemoteHost(host);
        socket.setRemotePort(peer == 0 ? closedPort().toInt() : server.serverPort());
        socket.Connect();
        QCOMPARE(socket.State(), atOnce);
        QTRY_COMPARE(socket.State(), settled);
        if (settled == 7)
            QCOMPARE(socket.RemoteHostIP(), QStringLiteral("127.0.0.1"));
        // Kept until the next Close, however long the caller looks away.
        QTest::qWait(50);
        QCOMPARE(socket.State(), settled);
        socket.Close();
        QCOMPARE(socket.State(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTcpSession)
#include "tst_tcpsession.moc"
