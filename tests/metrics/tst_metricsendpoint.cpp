// The endpoint on its own: what it answers, the Listen setting, and clients
// that try to wear it out.

#include "http/httpprobe.h"
#include "metrics/metricsendpoint.h"
#include "metrics/metricssettings.h"

#include <QTest>

#include <memory>

using namespace zel;

namespace {

MetricsEndpoint::Limits quickLimits()
{
    MetricsEndpoint::Limits l;
    l.idleSeconds = 1;
    l.requestMs = 2000;
    return l;
}

} // namespace

class TestMetricsEndpoint : public QObject {
    Q_OBJECT
    MetricsEndpoint m_endpoint{quickLimits()};

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(m_endpoint.start(QStringLiteral("127.0.0.1"), 0), QString());
        auto s = std::make_shared<MetricsSnapshot>();
        s->record.DeviceId = QStringLiteral("08001");
        m_endpoint.publish(s);
    }

    void listenSetting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("refused");
        QTest::newRow("empty: off") << ""
                                    << "" << 0 << false;
        QTest::newRow("loopback") << " 127.0.0.1:9101 "
                                  << "127.0.0.1" << 9101 << false;
        QTest::newRow("every interface") << "0.0.0.0:9101"
                                         << "0.0.0.0" << 9101 << false;
        QTest::newRow("ipv6") << "[::1]:9101"
                              << "::1" << 9101 << false;
        QTest::newRow("port only") << "9101"
                                   << "" << 0 << true;
        QTest::newRow("no address") << ":9101"
                                    << "" << 0 << true;
        QTest::newRow("ipv6 bare") << "::1:9101"
                                   << "" << 0 << true;
        QTest::newRow("port too big") << "127.0.0.1:65536"
                                      << "" << 0 << true;
        QTest::newRow("port by name") << "127.0.0.1:http"
                                      << "" << 0 << true;
        QTest::newRow("port signed") << "127.0.0.1:+9101"
                                     << "" << 0 << true;
        QTest::newRow("ipv6 any") << "[::]:9101"
                                  << "::" << 9101 << false;
        QTest::newRow("any port") << "127.0.0.1:0"
                                  << "127.0.0.1" << 0 << false;
        // A resolver reads each of these as some address; none is one.
        for (const char* host :
             {"0", "0x0", "*", "127.1", "0177.0.0.1", "127.0.0.01", "127.0.0.256", "1.2.3.4.5",
              "localhost", "[127.0.0.1]", "[fe80::1%lo]", "[::1", "host.example"})
            QTest::newRow(host) << QString::fromLatin1(host) + ":9101"
                                << "" << 0 << true;
    }
    void listenSetting()
    {
        QFETCH(QString, text);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(bool, refused);
        const ListenAddress a = parseListenAddress(text);
        QCOMPARE(a.host, host);
        QCOMPARE(a.port, port);
        QCOMPARE(!a.problem.isEmpty(), refused);
        QCOMPARE(a.enabled(), !host.isEmpty());
    }

    void busyPortIsExplained()
    {
        MetricsEndpoint second;
        const QString why = second.start(QStringLiteral("127.0.0.1"), m_endpoint.port());
        QVERIFY2(why.contains(QStringLiteral("in use")), qPrintable(why));
        QCOMPARE(second.port(), 0);
    }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("body");
        // A text the answer must carry, headers included.
        QTest::addColumn<QByteArray>("carries");
        // No link yet: the lamps say nothing rather than "off air".
        QTest::newRow("metrics") << QByteArray("GET") << QByteArray("/metrics") << 200 << true
                                 << QByteArray("\nzel_fm_locked NaN\n");
        QTest::newRow("head") << QByteArray("HEAD") << QByteArray("/metrics") << 200 << false
                              << QByteArray();
        QTest::newRow("json") << QByteArray("GET") << QByteArray("/status.json") << 200 << true
                              << QByteArray("\"on_air\": null");
        QTest::newRow("index") << QByteArray("GET") << QByteArray("/") << 200 << true
                               << QByteArray("text/html; charset=utf-8\r\n");
        QTest::newRow("index links") << QByteArray("GET") << QByteArray("/") << 200 << true
                                     << QByteArray("<a href=\"/status.json\">");
        QTest::newRow("other path")
            << QByteArray("GET") << QByteArray("/x") << 404 << true << QByteArray();
        QTest::newRow("post") << QByteArray("POST") << QByteArray("/metrics") << 405 << true
                              << QByteArray();
        QTest::newRow("put elsewhere")
            << QByteArray("PUT") << QByteArray("/x") << 405 << true << QByteArray();
        QTest::newRow("delete") << QByteArray("DELETE") << QByteArray("/status.json") << 405 << true
                                << QByteArray();
    }
    void answers()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, path);
        QFETCH(int, status);
        QFETCH(bool, body);
        QFETCH(QByteArray, carries);
        const QByteArray answer = httpRequest(m_endpoint.port(), method, path);
        QCOMPARE(statusOf(answer), status);
        QCOMPARE(!bodyOf(answer).isEmpty(), body);
        QVERIFY2(answer.contains(carries), answer.constData());
    }

    // Ranges are never served: a pile of them once multiplied a small
    // request into a large answer.
    void rangesGetTheWholeBody()
    {
        const QByteArray whole = bodyOf(httpRequest(m_endpoint.port(), "GET", "/metrics"));
        QByteArray ranges = "bytes=0-";
        while (ranges.size() < 4500)
            ranges += ",0-";
        HttpProbe probe;
        QVERIFY(probe.connectTo(m_endpoint.port()));
        probe.send("GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\nRange: " + ranges +
                   "\r\n\r\n");
        const QByteArray answer = probe.readAll(5000);
        QCOMPARE(statusOf(answer), 200);
        QCOMPARE(bodyOf(answer), whole);
    }

    void megabyteRequestLineIsRefused()
    {
        HttpProbe probe;
        QVERIFY(probe.connectTo(m_endpoint.port()));
        probe.send("GET /" + QByteArray(1 << 20, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n");
        bool closed = false;
        const QByteArray answer = probe.readAll(5000, &closed);
        QVERIFY2(closed, "the connection stayed open");
        QVERIFY2(statusOf(answer) == 0 || statusOf(answer) >= 400, answer.left(40).constData());
        QCOMPARE(statusOf(httpRequest(m_endpoint.port(), "GET", "/metrics")), 200);
    }

    void halfARequestTimesOut()
    {
        HttpProbe probe;
        QVERIFY(probe.connectTo(m_endpoint.port()));
        probe.send("GET /metrics HTTP/1.1\r\nHost: x\r\n");
        bool closed = false;
        probe.readAll(8000, &closed);
        QVERIFY2(closed, "the connection was still open after 8 s");
        QCOMPARE(statusOf(httpRequest(m_endpoint.port(), "GET", "/metrics")), 200);
    }
};

QTEST_GUILESS_MAIN(TestMetricsEndpoint)
#include "tst_metricsendpoint.moc"
