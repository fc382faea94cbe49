// The server on its own, against clients that try to wear it out: a crowd of
// idle connections, an endless header, requests fed a byte at a time; and
// the same pages over TLS.

#include "http/connectionbudget.h"
#include "http/httpprobe.h"
#include "http/httpserver.h"
#include "http/selfsignedcertificate.h"
#include "throwawaytls.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <thread>
#include <vector>

using namespace zel::http;

namespace {

const QByteArray Page = "figures\n";

HttpServer::Limits quickLimits()
{
    HttpServer::Limits l;
    l.requestMs = 2500;
    return l;
}

HttpResponse answer(const HttpRequest& request)
{
    return {request.path == "/page" ? 200 : 404, "text/plain", Page, {}};
}

// What the server made of a request, one line each.
HttpResponse echo(const HttpRequest& r)
{
    const QByteArray said =
        r.method + ' ' + r.path + '\n' + r.argument("a") + '\n' + r.header("x-said") + '\n' +
        QByteArray::fromStdString(ConnectionBudget::printable(r.peer)) + '\n' + r.body;
    return {200, "text/plain", said, {}};
}

HttpServer::Limits bodyLimits()
{
    HttpServer::Limits l = quickLimits();
    l.maxBody = 1024;
    return l;
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

qint64 residentKb()
{
    return memoryKb(::getpid(), "VmRSS");
}

} // namespace

class TestHttpServer : public QObject {
    Q_OBJECT
    HttpServer m_server{answer, quickLimits()};
    int m_port = 0;

private Q_SLOTS:
    void initTestCase()
    {
        raiseDescriptorLimit();
        QCOMPARE(m_server.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)),
                 QString());
        m_port = m_server.port();
    }

    // 1,100 idle connections once took every descriptor of the process. From
    // two addresses the crowd meets the limit per address; from eleven, the
    // limit in all, and a scraper still gets in past it.
    void idleCrowdIsTurnedAwayAtOnce_data()
    {
        QTest::addColumn<int>("addresses");
        QTest::addColumn<int>("held");
        QTest::newRow("two addresses") << 2 << 2 * 8;
        QTest::newRow("eleven addresses") << 11 << 64;
    }
    void idleCrowdIsTurnedAwayAtOnce()
    {
        QFETCH(int, addresses);
        QFETCH(int, held);
        // Time-outs far off: only a refusal can close a connection here.
        HttpServer::Limits patient;
        patient.idleSeconds = 120;
        patient.requestMs = 120000;
        HttpServer server(answer, patient);
        QCOMPARE(server.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)), QString());
        const int port = server.port();
        const int before = openDescriptors();
        std::vector<int> crowd;
        for (int i = 0; i < 1100; ++i)
            crowd.push_back(idleConnection(
                port, qPrintable(QStringLiteral("127.0.0.%1").arg(10 + i % addresses))));
        // All but the places there are are closed as they come, not left in
        // the kernel's queue.
        const auto closed = [&] {
            return std::count_if(crowd.begin(), crowd.end(), closedByServer);
        };
        QTRY_COMPARE_WITH_TIMEOUT(closed(), 1100 - held, 20000);
        // Two descriptors per connection held: its socket and its watch.
        const int serverSide = openDescriptors() - before - int(crowd.size());
        QVERIFY2(serverSide <= 2 * held + 8, qPrintable(QString::number(serverSide)));
        // A newcomer from an address holding none takes the place of one
        // from the address holding most.
        QCOMPARE(statusOf(httpRequest(port, "GET", "/page")), 200);
        for (int fd : crowd)
            ::close(fd);
    }

    void headerStreamIsCutAtTheMemoryLimit()
    {
        const qint64 before = residentKb();
        HttpProbe probe;
        QVERIFY(probe.connectTo(m_port));
        // A server that stopped reading without closing fails the test, not hangs it.
        timeval limit{10, 0};
        ::setsockopt(probe.fd(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        probe.send("GET /page HTTP/1.1\r\n");
        const QByteArray line = "X-Filler: " + QByteArray(8180, 'b') + "\r\n";
        qint64 sent = 0;
        while (sent < 40'000'000 && probe.send(line))
            sent += line.size();
        bool closed = false;
        const QByteArray got = probe.readAll(10000, &closed);
        QVERIFY2(sent < 40'000'000, "forty megabytes of header were taken");
        QVERIFY(closed);
        QVERIFY2(statusOf(got) == 0 || statusOf(got) == 431 || statusOf(got) == 400,
                 got.left(40).constData());
        QVERIFY2(residentKb() - before < 8 * 1024,
                 qPrintable(QString::number(residentKb() - before)));
        QCOMPARE(statusOf(httpRequest(m_port, "GET", "/page")), 200);
    }

    void dripFedRequestsHoldNoOneAndEnd()
    {
        // Four clients, a byte every 1.5 s: never silent long enough for the
        // silence time-out, so only the whole-request deadline ends them.
        std::vector<std::unique_ptr<HttpProbe>> drips;
        for (int i = 0; i < 4; ++i) {
            drips.push_back(std::make_unique<HttpProbe>());
            QVERIFY(drips.back()->connectTo(m_port, "127.0.0.4"));
        }
        std::mutex m;
        std::condition_variable cv;
        bool stop = false;
        std::thread dripper([&] {
            std::unique_lock lock(m);
            for (int at = 0;
                 !cv.wait_for(lock, std::chrono::milliseconds(1500), [&] { return stop; }); ++at)
                for (auto& d : drips)
                    d->send(QByteArray(1, "GET /page HTTP/1.1\r\n"[at % 20]));
        });
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(500);
            QCOMPARE(statusOf(httpRequest(m_port, "GET", "/page", 1200)), 200);
        }
        const auto allCut = [&] {
            return std::all_of(drips.begin(), drips.end(),
                               [](const auto& d) { return closedByServer(d->fd()); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(allCut(), 15000);
        {
            std::lock_guard lock(m);
            stop = true;
        }
        cv.notify_all();
        dripper.join();
    }

    // Bodies are read up to the limit and no further: a length declared over
    // it is refused before a byte is taken, an undeclared one as soon as it
    // passes; a drip-fed one meets the request deadline.
    void bodiesAreBounded_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        const QByteArray json = R"({"user":"ann","password":"p\u00e4ss"})";
        QTest::newRow("json") << "POST /login?a=b%20c+d&e HTTP/1.1\r\nX-Said: hi\r\n"
                                 "Content-Type: application/json\r\nContent-Length: " +
                                     QByteArray::number(json.size()) + "\r\n\r\n"
                              << json << 200 << "POST /login\nb c d\nhi\n127.0.0.1\n" + json;
        QTest::newRow("chunked") << QByteArray(
                                        "PUT /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n")
                                 << QByteArray("3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n") << 200
                                 << QByteArray("PUT /x\n\n\n127.0.0.1\nabcde");
        QTest::newRow("declared too long")
            << QByteArray("POST /x HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n")
            << QByteArray(8 << 20, 'x') << 413 << QByteArray();
        QByteArray chunks;
        for (int i = 0; i < 4096; ++i)
            chunks += "800\r\n" + QByteArray(0x800, 'y') + "\r\n";
        // Cut without an answer: the library takes none while a body comes in.
        QTest::newRow("undeclared too long")
            << QByteArray("POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n") << chunks << 0
            << QByteArray();
        QTest::newRow("GET body unread")
            << QByteArray("GET /x HTTP/1.1\r\nContent-Length: 5\r\n\r\n") << QByteArray("hello")
            << 200 << QByteArray("GET /x\n\n\n127.0.0.1\n");
    }
    void bodiesAreBounded()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        HttpServer server(echo, bodyLimits());
        QCOMPARE(server.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)), QString());
        const qint64 before = residentKb();
        HttpProbe probe;
        QVERIFY(probe.connectTo(server.port()));
        timeval limit{10, 0};
        ::setsockopt(probe.fd(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        probe.send(QByteArray(head).replace("HTTP/1.1\r\n",
                                            "HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"));
        // The rest of a refused body may meet a closed connection.
        probe.send(body);
        bool closed = false;
        const QByteArray got = probe.readAll(10000, &closed);
        QVERIFY2(statusOf(got) == status, got.left(60).constData());
        QVERIFY(closed);
        if (status == 200)
            QCOMPARE(bodyOf(got), answer);
        QVERIFY2(residentKb() - before < 4 * 1024,
                 qPrintable(QString::number(residentKb() - before)));
    }

    void slowBodyMeetsTheDeadline()
    {
        HttpServer server(echo, bodyLimits());
        QCOMPARE(server.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)), QString());
        HttpProbe probe;
        QVERIFY(probe.connectTo(server.port()));
        probe.send("POST /x HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n");
        // A byte a second keeps the silence time-out away; the deadline ends it.
        bool closed = false;
        QByteArray got;
        for (int i = 0; i < 15 && !closed; ++i) {
            probe.send("z");
            got += probe.readAll(1000, &closed);
        }
        QVERIFY(closed);
        QCOMPARE(statusOf(got), 0);
    }

    // The product's own certificate is the one served: what a browser is
    // asked to trust, and the fingerprint people compare with what it shows.
    void madeCertificateIsWhatItSays()
    {
        const auto made =
            makeSelfSignedCertificate(QStringLiteral("monitor.example"),
                                      {QStringLiteral("monitor.example"),
                                       QStringLiteral("192.0.2.7"), QStringLiteral("::1")});
        QVERIFY(made);
        const QString fingerprint = sha256Fingerprint(made->certificatePem);
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{2}(:[0-9A-F]{2}){31}$"))
                    .match(fingerprint)
                    .hasMatch());
        QCOMPARE(
            sha256Fingerprint("-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n"),
            QString());
        HttpServer tls(answer, quickLimits(), {made->certificatePem, made->keyPem});
        QCOMPARE(tls.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)), QString());
        const TlsAnswer got =
            tlsRequest(tls.port(), "GET /page HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        QCOMPARE(statusOf(got.answer), 200);
        QCOMPARE(bodyOf(got.answer), Page);
        // Plain HTTP on the TLS port gets no page.
        QCOMPARE(statusOf(httpRequest(tls.port(), "GET", "/page", 3000)), 0);
        const QString served = QString::fromLatin1(
            QCryptographicHash::hash(got.peerCertificateDer, QCryptographicHash::Sha256)
                .toHex(':')
                .toUpper());
        QCOMPARE(fingerprint, served);
        if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
            QSKIP("no openssl to read the certificate with");
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("x509"), QStringLiteral("-noout"),
                       QStringLiteral("-fingerprint"), QStringLiteral("-sha256"),
                       QStringLiteral("-text")});
        openssl.write(made->certificatePem);
        openssl.closeWriteChannel();
        QVERIFY(openssl.waitForFinished(30000));
        const QString text = QString::fromLatin1(openssl.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("Fingerprint=") + fingerprint), qPrintable(text));
        for (const char* part :
             {"CN = monitor.example", "DNS:monitor.example", "IP Address:192.0.2.7",
              "IP Address:0:0:0:0:0:0:0:1", "CA:FALSE", "Digital Signature",
              "TLS Web Server Authentication", "prime256v1"})
            QVERIFY2(text.contains(QLatin1String(part)), part);
    }

    void unusableKeyIsExplained()
    {
        const auto c = makeThrowawayCertificate();
        HttpServer tls(answer, quickLimits(), {c.certificatePem, "not a key"});
        QVERIFY(!tls.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)).isEmpty());
        QCOMPARE(tls.port(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHttpServer)
#include "tst_httpserver.moc"
