#include "support/fakes.h"
#include "web/accountfile.h"
#include "web/passwordhash.h"
#include "web/webapi.h"
#include "web/webassets.h"
#include "web/websettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace zel;
using http::HttpRequest;
using http::HttpResponse;

namespace {

// The station as a page sees it, with every act and log row kept for the
// test to look at.
class FakeBackend final : public WebBackend {
public:
    std::shared_ptr<const MetricsSnapshot> snapshot() const override
    {
        auto s = std::make_shared<MetricsSnapshot>();
        s->station = QStringLiteral("Hilltop");
        return s;
    }
    std::optional<QList<AlarmStatus>> activeAlarms(QString&) const override
    {
        AlarmStatus a;
        a.alarm.id = 7;
        a.alarm.event = alarm::OffAir;
        a.alarm.time = QDateTime::fromMSecsSinceEpoch(1000, Qt::UTC);
        a.state = AlarmState::RaisedUnacknowledged;
        return QList<AlarmStatus>{a};
    }
    std::optional<QList<EventRecord>> events(const EventQuery&, QString&) const override
    {
        return QList<EventRecord>{};
    }
    TrendData trend(const TrendRequest& r) const override { return TrendData{r, {}, {}, {}}; }
    QString acknowledge(qint64 id, const QString& by) override
    {
        acts << QStringLiteral("ack %1 by %2").arg(id).arg(by);
        return QString();
    }
    QString shelve(const QStringList& kinds, qint64, const QString&, const QString& by) override
    {
        acts << QStringLiteral("shelve %1 by %2").arg(kinds.join(u','), by);
        return QString();
    }
    std::optional<SetCommandReport> set(const SetParameterInput& input, const SetOrigin& origin,
                                        QString&) override
    {
        acts << QStringLiteral("set %1 by %2 from %3")
                    .arg(input.frequency, origin.user, origin.address);
        return SetCommandReport{buildSetCommand(input).command, QStringLiteral("serial"), true,
                                QString(), origin};
    }
    void logAccess(const QString& event, const QString& state, const QString& account,
                   const QString& detail) override
    {
        rows << QStringList{event, state, account, detail}.join(u'|');
    }

    QStringList acts;
    QStringList rows;
};

const QByteArray Password = "correct horse battery";

} // namespace

class TestWebApi : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    qint64 m_now = 1'000'000;
    FakeBackend m_backend;
    std::unique_ptr<AccountBook> m_accounts;
    std::unique_ptr<SessionStore> m_sessions;
    std::unique_ptr<LoginGuard> m_guard;
    std::unique_ptr<EventStream> m_stream;
    std::unique_ptr<WebApi> m_api;
    QByteArrayList m_answers;

    HttpResponse ask(const QByteArray& method, const QByteArray& path,
                     const QByteArray& cookie = {}, const QByteArray& csrf = {},
                     const QByteArray& body = {},
                     const std::string& peer = std::string("\xc0\x00\x02\x07", 4))
    {
        HttpRequest r;
        r.method = method;
        const qsizetype q = path.indexOf('?');
        r.path = q < 0 ? path : path.left(q);
        if (q >= 0) {
            for (const QByteArray& pair : path.mid(q + 1).split('&')) {
                const qsizetype eq = pair.indexOf('=');
                r.query.emplace_back(pair.left(eq), eq < 0 ? QByteArray() : pair.mid(eq + 1));
            }
        }
        if (!cookie.isEmpty())
            r.headers.emplace_back("cookie", QByteArray(WebApi::CookieName) + '=' + cookie);
        if (!csrf.isEmpty())
            r.headers.emplace_back("x-csrf-token", csrf);
        r.body = body;
        r.peer = peer;
        r.secure = true;
        HttpResponse a = m_api->answer(r);
        m_answers << a.body;
        for (const auto& [name, value] : a.headers)
            m_answers << value;
        return a;
    }
    static QByteArray header(const HttpResponse& r, const QByteArray& name)
    {
        for (const auto& [n, v] : r.headers) {
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return v;
        }
        return {};
    }
    // Signs in; the cookie's token and the CSRF token.
    std::pair<QByteArray, QByteArray>
    signIn(const QByteArray& user, const QByteArray& password = Password,
           const std::string& peer = std::string("\xc0\x00\x02\x07", 4))
    {
        const HttpResponse r =
            ask("POST", "/api/login", {}, {},
                "{\"user\":\"" + user + "\",\"password\":\"" + password + "\"}", peer);
        if (r.status != 200)
            return {};
        const QByteArray cookie = header(r, "Set-Cookie");
        const QByteArray token = cookie.mid(cookie.indexOf('=') + 1).split(';').first();
        return {token, QJsonDocument::fromJson(r.body).object()["csrf"].toString().toLatin1()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        AccountFile file(m_dir.filePath(QStringLiteral("web-accounts")));
        QVERIFY(file.load());
        const QByteArray hash = hashPassword(Password);
        QVERIFY(file.add({QStringLiteral("ann"), Role::Operator, hash}));
        QVERIFY(file.add({QStringLiteral("vic"), Role::Viewer, hash}));
        QString error;
        QVERIFY2(file.save(&error), qPrintable(error));
    }

    void init() { makeApi(false); }
    void makeApi(bool allowControl, bool secure = true)
    {
        const MonotonicClock clock = [this] { return m_now; };
        m_accounts = std::make_unique<AccountBook>(m_dir.filePath(QStringLiteral("web-accounts")));
        m_sessions = std::make_unique<SessionStore>(clock);
        m_guard = std::make_unique<LoginGuard>(clock);
        m_stream = std::make_unique<EventStream>();
        m_api = std::make_unique<WebApi>(WebApi::Parts{m_backend, *m_accounts, *m_sessions,
                                                       *m_guard, *m_stream, allowControl, secure},
                                         [] { return qint64(1'700'000'000'000); });
        m_backend.acts.clear();
        m_backend.rows.clear();
        m_answers.clear();
    }

    void apiAnswers_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("who");  // nobody, forged, altered, ann, vic
        QTest::addColumn<QString>("csrf"); // none, wrong, right
        QTest::addColumn<int>("status");
        const QList<std::pair<QByteArray, QByteArray>> paths = {
            {"GET", "/api/session"}, {"GET", "/api/status"},     {"GET", "/api/alarms"},
            {"GET", "/api/events"},  {"GET", "/api/events.csv"}, {"GET", "/api/history?range=1h"},
            {"GET", "/api/stream"},  {"POST", "/api/logout"},    {"POST", "/api/alarms/7/ack"},
            {"POST", "/api/shelve"}, {"POST", "/api/set"},       {"GET", "/api/nothing"}};
        for (const auto& [m, p] : paths) {
            for (const char* who : {"nobody", "forged", "altered"})
                QTest::addRow("%s %s %s", who, m.constData(), p.constData())
                    << m << p << QString::fromLatin1(who) << "right" << 401;
        }
        for (const QByteArray p : {"/api/logout", "/api/alarms/7/ack", "/api/shelve"}) {
            QTest::addRow("no csrf %s", p.constData()) << QByteArray("POST") << p << "ann"
                                                       << "none" << 403;
            QTest::addRow("wrong csrf %s", p.constData()) << QByteArray("POST") << p << "ann"
                                                          << "wrong" << 403;
        }
        const auto row = [](const char* name, const char* method, const char* path, const char* who,
                            const char* csrf, int status) {
            QTest::newRow(name) << QByteArray(method) << QByteArray(path)
                                << QString::fromLatin1(who) << QString::fromLatin1(csrf) << status;
        };
        row("viewer acks", "POST", "/api/alarms/7/ack", "vic", "right", 403);
        row("viewer shelves", "POST", "/api/shelve", "vic", "right", 403);
        row("operator acks", "POST", "/api/alarms/7/ack", "ann", "right", 200);
        row("viewer reads alarms", "GET", "/api/alarms", "vic", "none", 200);
        row("set is off", "POST", "/api/set", "ann", "right", 403);
        row("page without session", "GET", "/", "nobody", "none", 200);
        row("no such page", "GET", "/etc/passwd", "nobody", "none", 404);
    }
    void apiAnswers()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, path);
        QFETCH(QString, who);
        QFETCH(QString, csrf);
        QFETCH(int, status);
        QByteArray token;
        QByteArray csrfToken;
        if (who == u"ann" || who == u"vic" || who == u"altered")
            std::tie(token, csrfToken) = signIn(who == u"vic" ? "vic" : "ann");
        if (who == u"altered")
            token[5] = token[5] == 'A' ? 'B' : 'A';
        if (who == u"forged")
            token = QByteArray(43, 'A');
        const QByteArray sent = csrf == u"right"   ? csrfToken
                                : csrf == u"wrong" ? QByteArray(43, 'x')
                                                   : QByteArray();
        const QByteArray body = path.endsWith("shelve")
                                    ? "{\"kinds\":[\"off_air\"],\"hours\":1,\"reason\":\"work\"}"
                                    : QByteArray();
        const HttpResponse r = ask(method, path, token, sent, body);
        QCOMPARE(r.status, status);
        // Every answer, refused or not, carries the page's protections.
        QVERIFY(header(r, "Content-Security-Policy").contains("frame-ancestors 'none'"));
        QVERIFY(!header(r, "Content-Security-Policy").contains("unsafe-inline"));
        QCOMPARE(header(r, "Cache-Control"),
                 QByteArray(!path.startsWith("/api/") && status == 200 ? "no-cache" : "no-store"));
        if (who == u"vic" && status == 403)
            QVERIFY(m_backend.rows.last().startsWith(u"web_refused|failed|vic|"));
        if (status != 200)
            QVERIFY(m_backend.acts.isEmpty());
    }

    void settings_data()
    {
        QTest::addColumn<QString>("listen");
        QTest::addColumn<QString>("tls");
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("problem"); // part of the sentence
        const auto row = [](const char* name, const char* listen, const char* tls,
                            const char* certificate, bool enabled, const char* problem) {
            QTest::newRow(name) << QString::fromLatin1(listen) << QString::fromLatin1(tls)
                                << QString::fromLatin1(certificate) << enabled
                                << QString::fromLatin1(problem);
        };
        const char* loopbackOnly = "only on a loopback address";
        row("off by default", "", "", "", false, "");
        row("TLS on any address", "0.0.0.0:8443", "", "", true, "");
        row("plain on loopback", "127.0.0.1:8080", "off", "", true, "");
        row("plain on IPv6 loopback", "[::1]:8080", "off", "", true, "");
        row("plain elsewhere refused", "0.0.0.0:8080", "off", "", false, loopbackOnly);
        row("plain on a LAN address refused", "192.168.1.5:8080", "false", "", false, loopbackOnly);
        row("Tls neither", "127.0.0.1:8443", "maybe", "", false, "neither on nor off");
        row("certificate without key", "127.0.0.1:8443", "", "/etc/c.pem", false,
            "both Certificate and Key");
        row("bad address", "*:8443", "", "", false, "[Web] Listen");
    }
    void settings()
    {
        QFETCH(QString, listen);
        QFETCH(QString, tls);
        QFETCH(QString, certificate);
        QFETCH(bool, enabled);
        QFETCH(QString, problem);
        MemorySettings store;
        store.write(keys::WebSection, keys::Listen, listen);
        store.write(keys::WebSection, keys::WebTls, tls);
        store.write(keys::WebSection, keys::WebCertificate, certificate);
        const WebSettings w = readWebSettings(store);
        QCOMPARE(w.enabled(), enabled);
        QVERIFY2(problem.isEmpty() ? w.problem.isEmpty() : w.problem.contains(problem),
                 qPrintable(w.problem));
    }

    // A slow browser gets the newest status, never a backlog of them; one
    // that lets rows pile up is ended rather than held in memory.
    void streamKeepsOnlyThePresent()
    {
        EventStream hub(std::chrono::milliseconds(0), std::chrono::hours(1));
        auto client = hub.open("s1");
        hub.publishStatus("{\"n\":1}");
        QTest::qWait(5);
        hub.publishStatus("{\"n\":2}");
        // Events processed (the second goes out at the end of a turn), nothing read.
        QTest::qWait(20);
        char buf[4096];
        const qsizetype n = client->read(buf, sizeof buf);
        const QByteArray got(buf, int(n));
        QVERIFY(got.contains("retry: 3000"));
        QVERIFY(got.contains("event: status\ndata: {\"n\":2}\n\n"));
        QVERIFY(!got.contains("\"n\":1"));
        QCOMPARE(client->read(buf, sizeof buf), qsizetype(0));
        // The watchdog republishes an unchanged record: nothing leaves.
        hub.publishStatus("{\"n\":2}");
        QTest::qWait(20);
        QCOMPARE(client->read(buf, sizeof buf), qsizetype(0));

        const QByteArray row(1000, 'r');
        for (int i = 0; i < 300; ++i)
            hub.publishEvent(row);
        qsizetype total = 0;
        for (qsizetype k; (k = client->read(buf, sizeof buf)) > 0;)
            total += k;
        QVERIFY(total <= StreamClient::MaxPending);
        QCOMPARE(client->read(buf, sizeof buf), qsizetype(-1));

        auto other = hub.open("s2");
        hub.endWhere([](const QByteArray& s) { return s == "s2"; });
        while (other->read(buf, sizeof buf) > 0) {
        }
        QCOMPARE(other->read(buf, sizeof buf), qsizetype(-1));
        other->closed();
        client->closed();
        QCOMPARE(hub.clients(), 0);
    }

    // Set commands from the web, when allowed: an operator's, checked as the
    // window checks them, with the account and address on the command.
    void webControl_data()
    {
        QTest::addColumn<QString>("who");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("act");
        const QByteArray good = "{\"carrier\":\"on\",\"frequency\":\"98.50\",\"forward\":500,"
                                "\"reflect\":\"50\",\"temperature\":\"45\"}";
        QTest::newRow("operator") << "ann" << good << 200 << "set 98.50 by ann@web from 192.0.2.7";
        QTest::newRow("viewer") << "vic" << good << 403 << "";
        QTest::newRow("no carrier") << "ann" << QByteArray("{\"frequency\":\"98.5\"}") << 400 << "";
        QTest::newRow("frequency no number")
            << "ann" << QByteArray(good).replace("98.50", "abc") << 400 << "";
    }
    void webControl()
    {
        QFETCH(QString, who);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, act);
        makeApi(true);
        const auto [token, csrf] = signIn(who.toLatin1());
        QCOMPARE(ask("POST", "/api/set", token, csrf, body).status, status);
        QCOMPARE(m_backend.acts.join(u';'), act);
    }

    // A frame publishes twice (its record, then its time and counts): one
    // message leaves, the last, and the pacing is not left holding the second.
    void streamSendsOneStatusPerFrame()
    {
        EventStream hub(std::chrono::hours(1), std::chrono::hours(1));
        auto client = hub.open("s1");
        hub.publishStatus("{\"n\":1}");
        hub.publishStatus("{\"n\":2}");
        char buf[4096];
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT(
            (got += QByteArray(buf, int(client->read(buf, sizeof buf)))).contains("event: status"),
            10000);
        QVERIFY2(got.contains("data: {\"n\":2}\n\n") && !got.contains("\"n\":1"), got.constData());
        client->closed();
    }

    // The page loads one script with every part in order, and a browser that
    // has a file is told so without it being sent again.
    void ownFilesAreServedOnce()
    {
        const HttpResponse page = ask("GET", "/");
        QVERIFY(page.body.contains("src=\"panel.js\""));
        const HttpResponse bundle = ask("GET", "/panel.js");
        QCOMPARE(bundle.status, 200);
        qsizetype at = -1;
        for (const QByteArray& script : panelScripts()) {
            QFile f(QStringLiteral(":/web/") + QString::fromLatin1(script));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const qsizetype here = bundle.body.indexOf(f.readAll());
            QVERIFY2(here > at, script.constData());
            at = here;
        }
        HttpRequest again;
        again.method = "GET";
        again.path = "/panel.js";
        again.headers.emplace_back("if-none-match", header(bundle, "ETag"));
        const HttpResponse cached = m_api->answer(again);
        QCOMPARE(cached.status, 304);
        QVERIFY(cached.body.isEmpty());
    }

    // Behind a reverse proxy the lock-out and the log count the client the
    // proxy names, not the proxy: one guesser does not lock everyone out.
    void proxiedClientsAreTold()
    {
        makeApi(false, false);
        const auto login = [this](const QByteArray& forwarded, const QByteArray& user) {
            HttpRequest r;
            r.method = "POST";
            r.path = "/api/login";
            r.peer = std::string("\x7f\x00\x00\x01", 4);
            r.headers.emplace_back("x-forwarded-for", forwarded);
            r.body = "{\"user\":\"" + user + "\",\"password\":\"guess\"}";
            return m_api->answer(r).status;
        };
        for (int i = 0; i < 5; ++i)
            QCOMPARE(login("10.9.9.9, 203.0.113.9", "n" + QByteArray::number(i)), 401);
        QCOMPARE(login("203.0.113.9", "other"), 429);
        QCOMPARE(login("198.51.100.4", "other"), 401);
        QVERIFY(m_backend.rows.filter(u"address 203.0.113.9 locked"_qs).size() == 1);
    }

    void lockOutAfterFiveFailures()
    {
        for (int i = 0; i < 5; ++i)
            QCOMPARE(
                ask("POST", "/api/login", {}, {}, "{\"user\":\"ann\",\"password\":\"no\"}").status,
                401);
        // Now the right password is refused too, from any address.
        QCOMPARE(signIn("ann", Password, std::string("\xc6\x33\x64\x01", 4)).first, QByteArray());
        // One row for the account and one for the address, each once.
        const QStringList locks = m_backend.rows.filter(QStringLiteral("web_lockout"));
        QCOMPARE(locks.size(), 2);
        QVERIFY(locks.at(1).contains(u"address 192.0.2.7 locked"));
        QCOMPARE(m_backend.rows.filter(QStringLiteral("web_login|failed")).size(), 5);
        m_now += 15 * 60 * 1000 + 1;
        QVERIFY(!signIn("ann").first.isEmpty());
        // The password never reaches a row or an answer.
        for (const QString& row : std::as_const(m_backend.rows))
            QVERIFY(!row.contains(QString::fromLatin1(Password)));
        for (const QByteArray& a : std::as_const(m_answers))
            QVERIFY(!a.contains(Password));
    }

    void sessionsEndAndAreNeverPlanted()
    {
        const QByteArray planted(43, 'P');
        const HttpResponse login = ask("POST", "/api/login", planted, {},
                                       "{\"user\":\"ann\",\"password\":\"" + Password + "\"}");
        QCOMPARE(login.status, 200);
        const QByteArray cookie = header(login, "Set-Cookie");
        QVERIFY(cookie.contains("Secure") && cookie.contains("HttpOnly") &&
                cookie.contains("SameSite=Strict"));
        QVERIFY(!cookie.contains(planted));
        QCOMPARE(ask("GET", "/api/status", planted).status, 401);

        const auto [token, csrf] = signIn("ann");
        QCOMPARE(ask("GET", "/api/status", token).status, 200);
        m_now += 31 * 60 * 1000;
        QCOMPARE(ask("GET", "/api/status", token).status, 401); // idle

        const auto [again, csrf2] = signIn("ann");
        QCOMPARE(ask("POST", "/api/logout", again, csrf2).status, 200);
        QCOMPARE(ask("GET", "/api/status", again).status, 401);
        QVERIFY(m_backend.rows.last().startsWith(u"web_logout|info|ann|"));
    }
};

QTEST_GUILESS_MAIN(TestWebApi)
#include "tst_webapi.moc"
