// The monitor without a window, its web panel on HTTPS with the self-signed
// certificate, against hostile clients: floods, slow and stalled clients,
// huge inputs, a flood of wrong sign-ins, a broken record and a stepped wall
// clock. Each leaves an engineer signed in at the start served, and the
// process up.

#include "http/httpprobe.h"
#include "support/headlessenv.h"
#include "support/pty.h"
#include "support/testframes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gnutls/gnutls.h>

#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QByteArray Password = "hostile test passphrase";

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// A TLS client from a loopback address of its choice that checks no
// certificate. A small receive buffer and segment size let a client that
// stops reading fill the window after a few kilobytes.
class TlsClient {
public:
    explicit TlsClient(int port, const char* source = "127.0.0.1", bool narrow = false)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (narrow) {
            const int buffer = 4096, segment = 88;
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
            ::setsockopt(m_fd, IPPROTO_TCP, TCP_MAXSEG, &segment, sizeof segment);
        }
        const timeval limit{10, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, source, &a.sin_addr);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            return;
        a.sin_port = htons(quint16(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            return;
        gnutls_certificate_allocate_credentials(&m_credentials);
        gnutls_init(&m_session, GNUTLS_CLIENT);
        gnutls_set_default_priority(m_session);
        gnutls_credentials_set(m_session, GNUTLS_CRD_CERTIFICATE, m_credentials);
        gnutls_transport_set_int(m_session, m_fd);
        gnutls_handshake_set_timeout(m_session, 10000);
        int rc;
        do
            rc = gnutls_handshake(m_session);
        while (rc < 0 && !gnutls_error_is_fatal(rc));
        m_ok = rc == 0;
    }
    ~TlsClient()
    {
        if (m_session)
            gnutls_deinit(m_session);
        if (m_credentials)
            gnutls_certificate_free_credentials(m_credentials);
        ::close(m_fd);
    }
    TlsClient(const TlsClient&) = delete;
    TlsClient& operator=(const TlsClient&) = delete;

    int fd() const { return m_fd; }
    bool send(const QByteArray& bytes)
    {
        for (qsizetype done = 0; m_ok && done < bytes.size();) {
            const ssize_t n =
                gnutls_record_send(m_session, bytes.constData() + done,
                                   size_t(std::min<qsizetype>(bytes.size() - done, 16384)));
            if (n > 0)
                done += n;
            else if (n != GNUTLS_E_INTERRUPTED)
                m_ok = false;
        }
        return m_ok;
    }
    // Until the server closes, `until` has come, or timeoutMs has passed.
    QByteArray read(int timeoutMs, bool* closed = nullptr, const QByteArray& until = {})
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        bool ended = !m_session;
        while (!ended && t.elapsed() < timeoutMs && (until.isEmpty() || !got.contains(until))) {
            pollfd p{m_fd, POLLIN, 0};
            if (gnutls_record_check_pending(m_session) == 0 && ::poll(&p, 1, 200) <= 0)
                continue;
            char buf[16384];
            const ssize_t n = gnutls_record_recv(m_session, buf, sizeof buf);
            if (n > 0)
                got.append(buf, n);
            else if (n != GNUTLS_E_AGAIN && n != GNUTLS_E_INTERRUPTED)
                ended = true;
        }
        if (closed)
            *closed = ended;
        return got;
    }

private:
    int m_fd = -1;
    bool m_ok = false;
    gnutls_certificate_credentials_t m_credentials = nullptr;
    gnutls_session_t m_session = nullptr;
};

struct Session {
    QByteArray cookie;
    QByteArray csrf;
};

QByteArray head(const QByteArray& method, const QByteArray& path, const Session& s = {})
{
    QByteArray h = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!s.cookie.isEmpty())
        h += "Cookie: zel_session=" + s.cookie + "\r\nX-CSRF-Token: " + s.csrf + "\r\n";
    return h;
}

QByteArray loginBody(const QByteArray& user, const QByteArray& password)
{
    return QJsonDocument(QJsonObject{{"user", QString::fromUtf8(user)},
                                     {"password", QString::fromUtf8(password)}})
        .toJson(QJsonDocument::Compact);
}

QJsonObject jsonOf(const QByteArray& answer)
{
    return QJsonDocument::fromJson(bodyOf(answer)).object();
}

// The server's end of the client's connection is still open, as the
// kernel's table says: a client that reads nothing cannot see it close.
bool serverHolds(int serverPort, int clientFd)
{
    sockaddr_in me{};
    socklen_t length = sizeof me;
    ::getsockname(clientFd, reinterpret_cast<sockaddr*>(&me), &length);
    const QByteArray local =
        ':' + QByteArray::number(serverPort, 16).toUpper().rightJustified(4, '0');
    const QByteArray remote =
        ':' + QByteArray::number(ntohs(me.sin_port), 16).toUpper().rightJustified(4, '0');
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 3 && f[1].endsWith(local) && f[2].endsWith(remote) && f[3] == "01")
            return true;
    }
    return false;
}

// Memory figures mean little under the sanitizer's own bookkeeping.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool MemoryMeasured = false;
#else
constexpr bool MemoryMeasured = true;
#endif

} // namespace

class TestWebHostile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    PtyPair m_pty;
    QProcess m_monitor;
    QString m_clockFile; // empty without libfaketime
    int m_port = 0;
    int m_metricsPort = 0;
    Session m_engineer; // signed in at the start; served through everything
    std::atomic<bool> m_feeding{true};
    std::thread m_feeder;

    QByteArray ask(const QByteArray& request, const char* source = "127.0.0.1",
                   int timeoutMs = 30000)
    {
        TlsClient c(m_port, source);
        return c.send(request) ? c.read(timeoutMs) : QByteArray();
    }
    QByteArray get(const QByteArray& path, const Session& s)
    {
        return ask(head("GET", path, s) + "Connection: close\r\n\r\n");
    }
    QByteArray post(const QByteArray& path, const Session& s, const QByteArray& body,
                    const char* source = "127.0.0.1")
    {
        return ask(head("POST", path, s) + "Content-Type: application/json\r\nContent-Length: " +
                       QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body,
                   source);
    }
    Session login(const QByteArray& user, const QByteArray& password, const char* source)
    {
        const QByteArray a = post("/api/login", {}, loginBody(user, password), source);
        const qsizetype at = a.indexOf("zel_session=");
        if (at < 0)
            return {};
        return {a.mid(at + 12, a.indexOf(';', at) - at - 12),
                jsonOf(a)["csrf"].toString().toLatin1()};
    }
    bool engineerServed() { return statusOf(get("/api/status", m_engineer)) == 200; }
    qint64 rssKb() { return memoryKb(m_monitor.processId(), "VmRSS"); }

private Q_SLOTS:
    void initTestCase()
    {
        raiseDescriptorLimit();
        QVERIFY(m_dir.isValid() && m_pty.isValid());
        m_port = freePort();
        m_metricsPort = freePort();
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("config/ZEL")));
        QFile ini(m_dir.filePath(QStringLiteral("config/ZEL/ZEL.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(
            "[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=" + m_pty.devicePath().toLocal8Bit() +
            "\n[Web]\nListen=127.0.0.1:" + QByteArray::number(m_port) +
            "\n[Metrics]\nListen=127.0.0.1:" + QByteArray::number(m_metricsPort) + "\n");
        ini.close();

        QProcessEnvironment env = headlessEnvironment(m_dir);
        QProcess add;
        add.setProcessEnvironment(env);
        add.start(QStringLiteral(ZEL_MONITOR_PATH), {"--add-user", "tester", "--role", "operator"});
        add.write(Password + '\n');
        add.closeWriteChannel();
        QVERIFY(add.waitForFinished(60000));
        QCOMPARE(add.exitCode(), 0);

        const QString preload = QStringLiteral(ZEL_LIBFAKETIME);
        if (!preload.isEmpty() && QFile::exists(preload)) {
            m_clockFile = m_dir.filePath(QStringLiteral("faketime"));
            QFile clock(m_clockFile);
            QVERIFY(clock.open(QIODevice::WriteOnly) && clock.write("+0\n") == 3);
            followWallClockFile(env, preload, m_clockFile);
        }
        m_monitor.setProcessEnvironment(env);
        // Into a file: a pipe nobody drains while a case blocks would stall it.
        m_monitor.setProcessChannelMode(QProcess::MergedChannels);
        m_monitor.setStandardOutputFile(m_dir.filePath(QStringLiteral("monitor.log")));
        // The floods are this process's; the monitor keeps the usual 1,024.
        m_monitor.setChildProcessModifier([] {
            const rlimit usual{1024, 1024};
            setrlimit(RLIMIT_NOFILE, &usual);
        });
        m_monitor.start(QStringLiteral(ZEL_MONITOR_PATH), {QStringLiteral("--headless")});
        QVERIFY(m_monitor.waitForStarted());
        // Ten records a second, so streams always have something to send.
        m_feeder = std::thread([this] {
            while (m_feeding) {
                m_pty.write(zel::testframes::goodFrame);
                std::this_thread::sleep_for(100ms);
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(
            !(m_engineer = login("tester", Password, "127.0.0.1")).cookie.isEmpty(), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(engineerServed(), 20000);
    }

    void cleanupTestCase()
    {
        m_feeding = false;
        if (m_feeder.joinable())
            m_feeder.join();
        ::kill(pid_t(m_monitor.processId()), SIGTERM);
        QVERIFY(m_monitor.waitForFinished(30000));
        QCOMPARE(m_monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_monitor.exitCode(), 0);
    }

    void flood_data()
    {
        QTest::addColumn<bool>("handshake");
        QTest::addColumn<int>("addresses");
        QTest::addColumn<int>("connections");
        QTest::newRow("idle TLS from one address") << true << 1 << 300;
        QTest::newRow("no handshake from one address") << false << 1 << 300;
        QTest::newRow("no handshake from twelve addresses") << false << 12 << 480;
    }
    void flood()
    {
        QFETCH(bool, handshake);
        QFETCH(int, addresses);
        QFETCH(int, connections);
        const qint64 before = rssKb();
        std::vector<std::unique_ptr<TlsClient>> tls;
        std::vector<int> tcp;
        for (int i = 0; i < connections; ++i) {
            const QByteArray source = "127.0.1." + QByteArray::number(1 + i % addresses);
            if (handshake)
                tls.push_back(std::make_unique<TlsClient>(m_port, source.constData()));
            else
                tcp.push_back(idleConnection(m_port, source.constData()));
        }
        QTRY_VERIFY_WITH_TIMEOUT(engineerServed(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(httpRequest(m_metricsPort, "GET", "/metrics")), 200,
                                  20000);
        qInfo("RSS before %lld kB, during the flood %lld kB", before, rssKb());
        tls.clear();
        for (int fd : tcp)
            ::close(fd);
        QTRY_VERIFY_WITH_TIMEOUT(engineerServed(), 30000);
        QCOMPARE(m_monitor.state(), QProcess::Running);
    }

    // Each byte keeps the silence limit away; the whole request's deadline
    // cuts them. A stream whose client reads nothing is cut once it stalls.
    void slowClientsAreCut()
    {
        std::atomic<bool> stop{false};
        std::atomic<int> cut{0};
        const auto drip = [&](QByteArray opening, QByteArray endless) {
            TlsClient c(m_port, "127.0.0.5");
            bool open = c.send(opening);
            for (int i = 0; open && !stop; ++i) {
                std::this_thread::sleep_for(1s);
                open = !closedByServer(c.fd()) && c.send(endless.mid(i % endless.size(), 1));
            }
            if (!open)
                ++cut;
        };
        std::thread request(drip, head("GET", "/api/status", m_engineer), QByteArray("X-Drip: a"));
        std::thread body(drip,
                         head("POST", "/api/login") +
                             "Content-Type: application/json\r\nContent-Length: 1000\r\n\r\n",
                         loginBody("tester", Password));
        TlsClient stalled(m_port, "127.0.0.6", true);
        QVERIFY(stalled.send(head("GET", "/api/stream", m_engineer) + "\r\n"));
        QCOMPARE(statusOf(stalled.read(20000, nullptr, "\r\n\r\n")), 200);

        const auto joined = qScopeGuard([&] {
            stop = true;
            request.join();
            body.join();
        });
        QVERIFY(engineerServed());
        // Rows for every stream, faster than the records' pace: shelves, on
        // one connection, fifty at a time. 160 kB outgrow what the kernel
        // holds for the stalled client.
        const QByteArray shelve =
            "{\"kinds\":[\"silence\"],\"hours\":1,\"reason\":\"" + QByteArray(200, 'r') + "\"}";
        const QByteArray one = head("POST", "/api/shelve", m_engineer) +
                               "Content-Type: application/json\r\nContent-Length: " +
                               QByteArray::number(shelve.size()) + "\r\n\r\n" + shelve;
        TlsClient shelver(m_port);
        for (int batch = 0; batch < 8; ++batch) {
            QVERIFY(shelver.send(one.repeated(50)));
            QByteArray answers;
            QElapsedTimer t;
            t.start();
            while (answers.count("HTTP/1.1 200") < 50 && t.elapsed() < 30000)
                answers += shelver.read(300);
            QCOMPARE(answers.count("HTTP/1.1 200"), 50);
        }
        QTRY_COMPARE_WITH_TIMEOUT(cut.load(), 2, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!serverHolds(m_port, stalled.fd()), 60000);
        QVERIFY(engineerServed());
    }

    void hugeInputs_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<int>>("answers"); // 0: cut without one
        const QByteArray login =
            head("POST", "/api/login") + "Content-Type: application/json\r\nConnection: close\r\n";
        const auto sized = [&login](const QByteArray& body) {
            return login + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
        };
        const QByteArray tenMb(10 << 20, 'a');
        QTest::newRow("10 MB login body") << sized(tenMb) << tenMb << QList<int>{413};
        QByteArray chunked;
        for (int i = 0; i < 10; ++i)
            chunked += "100000\r\n" + QByteArray(1 << 20, 'a') + "\r\n";
        QTest::newRow("10 MB login body in chunks") << login + "Transfer-Encoding: chunked\r\n\r\n"
                                                    << chunked + "0\r\n\r\n"
                                                    << QList<int>{0, 413};
        const QByteArray hugeName = loginBody(QByteArray(1 << 20, 'n'), "x");
        QTest::newRow("1 MB user name") << sized(hugeName) << hugeName << QList<int>{413};
        const QByteArray longName = loginBody(QByteArray(15000, 'n'), "x");
        QTest::newRow("15 kB user name") << sized(longName) << longName << QList<int>{401};
        const QByteArray nested =
            "{\"user\":" + QByteArray(6000, '[') + QByteArray(6000, ']') + ",\"password\":\"x\"}";
        QTest::newRow("deeply nested JSON") << sized(nested) << nested << QList<int>{400};
        const QList<int> refused{0, 400, 413, 414, 431};
        QTest::newRow("100 kB header line")
            << head("GET", "/api/status", m_engineer) + "X-Long: " + QByteArray(100 << 10, 'h') +
                   "\r\n\r\n"
            << QByteArray() << refused;
        QTest::newRow("1 MB cookie")
            << head("GET", "/api/status") + "Cookie: zel_session=" + QByteArray(1 << 20, 'c') +
                   "\r\n\r\n"
            << QByteArray() << refused;
    }
    void hugeInputs()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, body);
        QFETCH(QList<int>, answers);
        const qint64 before = rssKb();
        TlsClient c(m_port, "127.0.0.7");
        c.send(request);
        // A refusal on the declared length comes before the body is sent,
        // which the server then never reads.
        const bool early = request.contains("Content-Length") && body.size() > 16384;
        QByteArray answer = c.read(early ? 10000 : 0, nullptr, "\r\n\r\n");
        if (answer.isEmpty()) {
            c.send(body);
            answer = c.read(30000);
        }
        QVERIFY2(answers.contains(statusOf(answer)), answer.left(200).constData());
        const qint64 after = rssKb();
        qInfo("RSS before %lld kB, after %lld kB", before, after);
        if (MemoryMeasured)
            QVERIFY2(after - before < 8 * 1024, qPrintable(QString::number(after - before)));
        QTRY_VERIFY_WITH_TIMEOUT(engineerServed(), 30000);
    }

    // The long name's sign-in is recorded, its name cut to one short line.
    void typedNameIsCut()
    {
        QByteArray events;
        QTRY_VERIFY_WITH_TIMEOUT(
            (events = get("/api/events?kind=web_login", m_engineer)).contains("nnnnnnnnnn"), 20000);
        for (const QJsonValue& e : jsonOf(events)["events"].toArray()) {
            const QString value = e.toObject()["value"].toString();
            if (value.startsWith(u"nnnn"))
                QCOMPARE(value.size(), 64);
        }
    }

    void loginFlood()
    {
        const qint64 before = rssKb();
        std::array<int, 20> statuses{};
        std::vector<std::thread> guessers;
        for (int i = 0; i < 20; ++i)
            guessers.emplace_back([this, i, &statuses] {
                statuses[size_t(i)] = statusOf(
                    post("/api/login", {}, loginBody("ghost", "wrong " + QByteArray::number(i)),
                         "127.0.0.8"));
            });
        for (std::thread& t : guessers)
            t.join();
        const auto count = [&statuses](int s) {
            return std::count(statuses.begin(), statuses.end(), s);
        };
        // Beyond the address's connections some are turned away unanswered.
        QCOMPARE(count(401), 5);
        QCOMPARE(count(429) + count(0), 15);
        QVERIFY(count(429) > 0);
        // Locked: the right password from there too.
        QCOMPARE(statusOf(post("/api/login", {}, loginBody("tester", Password), "127.0.0.8")), 429);
        QVERIFY(engineerServed());
        const qint64 peak = memoryKb(m_monitor.processId(), "VmHWM");
        qInfo("RSS before %lld kB, after %lld kB, peak %lld kB", before, rssKb(), peak);
        // One 64 MiB check at a time, not one per thread.
        if (MemoryMeasured)
            QVERIFY2(peak - before < 100 * 1024, qPrintable(QString::number(peak - before)));
    }

    void streams()
    {
        const QByteArray open = head("GET", "/api/stream", m_engineer) + "\r\n";
        std::vector<std::unique_ptr<TlsClient>> clients;
        QList<int> statuses;
        for (int i = 0; i < 103; ++i) {
            const QByteArray source = "127.0.2." + QByteArray::number(1 + i / 12);
            clients.push_back(std::make_unique<TlsClient>(m_port, source.constData()));
            QVERIFY(clients.back()->send(open));
            statuses << statusOf(clients.back()->read(20000, nullptr, "\r\n\r\n"));
        }
        QCOMPARE(statuses.count(200), 100);
        QCOMPARE(statuses.mid(100), (QList<int>{503, 503, 503}));
        QVERIFY(engineerServed());
        clients.clear();
        // Their places are free again once they have gone.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                TlsClient c(m_port);
                return c.send(open) && statusOf(c.read(20000, nullptr, "\r\n\r\n")) == 200;
            }(),
            30000);

        // Signing out ends the session's streams.
        const Session s = login("tester", Password, "127.0.0.1");
        QVERIFY(!s.cookie.isEmpty());
        TlsClient c(m_port);
        QVERIFY(c.send(head("GET", "/api/stream", s) + "\r\n"));
        QCOMPARE(statusOf(c.read(20000, nullptr, "\r\n\r\n")), 200);
        QCOMPARE(statusOf(post("/api/logout", s, "{}")), 200);
        bool closed = false;
        c.read(60000, &closed);
        QVERIFY(closed);
        QCOMPARE(statusOf(get("/api/session", s)), 401);
        QVERIFY(engineerServed());
    }

    void brokenRecord_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("garbage") << false;
        QTest::newRow("a folder in its place") << true;
    }
    void brokenRecord()
    {
        QFETCH(bool, folder);
        const QString db = m_dir.filePath(QStringLiteral("data/ZEL/history.db"));
        // The writer keeps the files it has open; readers find the wreck.
        // The journal goes too, or a reader would find the pages there.
        QStringList moved;
        for (const QString& f : {db, db + QStringLiteral("-wal"), db + QStringLiteral("-shm")})
            if (QFile::exists(f) && QFile::rename(f, f + QStringLiteral(".kept")))
                moved << f;
        QVERIFY(moved.contains(db));
        {
            const auto restore = qScopeGuard([&] {
                if (folder)
                    QDir().rmdir(db);
                else
                    QFile::remove(db);
                for (const QString& f : moved)
                    QFile::rename(f + QStringLiteral(".kept"), f);
            });
            if (folder) {
                QVERIFY(QDir().mkdir(db));
            } else {
                QFile f(db);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(QByteArray(8192, '\x5a'));
            }
            for (const QByteArray path :
                 {"/api/alarms", "/api/events", "/api/events.csv", "/api/history?range=1h"}) {
                const QByteArray a = get(path, m_engineer);
                QVERIFY2(statusOf(a) == 503 && !jsonOf(a)["error"].toString().isEmpty(),
                         (path + ": " + a.left(300)).constData());
            }
            QVERIFY(engineerServed());
        }
        QCOMPARE(statusOf(get("/api/alarms", m_engineer)), 200);
    }

    // Sessions and lock-outs count on the monotonic clock: two hours more on
    // the wall clock end neither.
    void steppedClock()
    {
        if (m_clockFile.isEmpty())
            QSKIP("needs libfaketime (Debian package faketime)");
        for (int i = 0; i < 5; ++i)
            QCOMPARE(statusOf(post("/api/login", {}, loginBody("phantom", "wrong"), "127.0.0.11")),
                     401);
        QCOMPARE(statusOf(post("/api/login", {}, loginBody("tester", Password), "127.0.0.11")),
                 429);
        const Session fresh = login("tester", Password, "127.0.0.12");
        QVERIFY(!fresh.cookie.isEmpty());

        QFile clock(m_clockFile);
        QVERIFY(clock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(clock.write("+7200\n") == 6);
        clock.close();
        const qint64 stepped = QDateTime::currentSecsSinceEpoch() + 7000;
        QTRY_VERIFY_WITH_TIMEOUT(
            jsonOf(get("/api/history?range=1h", m_engineer))["to"].toDouble() > stepped, 20000);

        QCOMPARE(statusOf(get("/api/session", fresh)), 200);
        QCOMPARE(statusOf(post("/api/login", {}, loginBody("tester", Password), "127.0.0.11")),
                 429);
        QVERIFY(engineerServed());
    }
};

QTEST_GUILESS_MAIN(TestWebHostile)
#include "tst_webhostile.moc"
