// Streamed answers: events written from elsewhere reach the client whenever
// they come, an idle stream costs nothing and outlives the deadlines, and
// every way a stream ends lets go of it.

#include "http/httpprobe.h"
#include "http/httpserver.h"
#include "queuedstream.h"
#include "throwawaytls.h"

#include <QElapsedTimer>
#include <QTest>

#include <sys/resource.h>

#include <mutex>
#include <thread>

using namespace zel::http;

namespace {

// The streams the server has asked for, for the test to write into.
class Producer {
public:
    HttpResponse answer(const HttpRequest&)
    {
        auto s = std::make_shared<QueuedStream>(capacity);
        std::lock_guard lock(m_mutex);
        m_streams.push_back(s);
        return {200, "text/event-stream", {}, {{"Cache-Control", "no-cache"}}, s};
    }
    std::shared_ptr<QueuedStream> stream(size_t i)
    {
        std::lock_guard lock(m_mutex);
        return i < m_streams.size() ? m_streams[i] : nullptr;
    }

    qsizetype capacity = 256 * 1024;

private:
    std::mutex m_mutex;
    std::vector<std::shared_ptr<QueuedStream>> m_streams;
};

HttpServer::Limits streamLimits()
{
    HttpServer::Limits l;
    l.idleSeconds = 1;
    l.requestMs = 1000;
    l.streams = 2;
    // Shorter than the quiet spells below: only a stalled stream meets it.
    l.streamStallSeconds = 1;
    return l;
}

const QByteArray StreamRequest = "GET /events HTTP/1.1\r\nHost: x\r\n\r\n";

// Reads until `needle` has come (true) or the time is out.
bool readUntil(HttpProbe& probe, QByteArray& got, const QByteArray& needle, int timeoutMs = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!got.contains(needle) && t.elapsed() < timeoutMs) {
        bool closed = false;
        got += probe.readAll(100, &closed);
        if (closed)
            break;
    }
    return got.contains(needle);
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

class TestHttpStreams : public QObject {
    Q_OBJECT
    Producer m_producer;
    HttpServer m_server{[this](const HttpRequest& r) { return m_producer.answer(r); },
                        streamLimits()};
    size_t m_opened = 0;

    // A client with its stream open; the stream as the producer holds it.
    std::shared_ptr<QueuedStream> open(HttpProbe& probe)
    {
        if (!probe.connectTo(m_server.port()) || !probe.send(StreamRequest))
            return nullptr;
        QByteArray got;
        if (!readUntil(probe, got, "text/event-stream"))
            return nullptr;
        return m_producer.stream(m_opened++);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(m_server.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)),
                 QString());
    }

    // Quiet for twice the deadline, then two events from another thread.
    void eventsComeWheneverWritten()
    {
        HttpProbe probe;
        const auto stream = open(probe);
        QVERIFY(stream);
        const double cpuBefore = cpuSeconds();
        bool closed = false;
        QByteArray got = probe.readAll(2 * streamLimits().requestMs + 500, &closed);
        QVERIFY(!closed);
        // An idle stream costs nothing: a busy loop would take the whole pause.
        QVERIFY2(cpuSeconds() - cpuBefore < 1.0,
                 qPrintable(QString::number(cpuSeconds() - cpuBefore)));
        std::thread writer([stream] {
            stream->write("event: status\ndata: {\"a\":1}\n\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            stream->write("event: alarm\ndata: {\"b\":2}\n\n");
        });
        QVERIFY2(readUntil(probe, got, "data: {\"b\":2}"), got.constData());
        writer.join();
        QVERIFY(got.contains("event: status\ndata: {\"a\":1}\n\n"));
        // Ending the stream ends the answer.
        stream->end();
        QVERIFY(readUntil(probe, got, "0\r\n\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(stream->isClosed(), 10000);
    }

    // Wakes racing the server's suspending: none may be lost.
    void burstsFromManyThreadsAllArrive()
    {
        HttpProbe probe;
        const auto stream = open(probe);
        QVERIFY(stream);
        std::vector<std::thread> writers;
        for (int i = 0; i < 4; ++i)
            writers.emplace_back([stream] {
                for (int n = 0; n < 500; ++n) {
                    stream->write("z");
                    if (n % 50 == 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            });
        for (auto& w : writers)
            w.join();
        stream->end();
        QByteArray got;
        QVERIFY(readUntil(probe, got, "0\r\n\r\n"));
        QCOMPARE(got.count('z'), 2000);
    }

    // The same over TLS, where the library's sending goes through records.
    void streamOverTls()
    {
        const auto c = makeThrowawayCertificate();
        Producer producer;
        HttpServer server([&](const HttpRequest& r) { return producer.answer(r); }, streamLimits(),
                          {c.certificatePem, c.keyPem});
        QCOMPARE(server.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)), QString());
        TlsAnswer got;
        std::thread client([&] { got = tlsRequest(server.port(), StreamRequest); });
        QTRY_VERIFY_WITH_TIMEOUT(producer.stream(0), 10000);
        QTest::qWait(300);
        producer.stream(0)->write("event: status\ndata: {}\n\n");
        producer.stream(0)->end();
        client.join();
        QCOMPARE(statusOf(got.answer), 200);
        QVERIFY2(got.answer.contains("event: status\ndata: {}\n\n"), got.answer.constData());
    }

    void departedClientLetsGo()
    {
        auto probe = std::make_unique<HttpProbe>();
        const auto stream = open(*probe);
        QVERIFY(stream);
        probe.reset();
        // Noticed while the stream is quiet, not only when it next writes.
        QTRY_VERIFY_WITH_TIMEOUT(stream->isClosed(), 10000);
        // Only the producer's references are left: this and its list's.
        QTRY_COMPARE_WITH_TIMEOUT(stream.use_count(), 2, 10000);
        QVERIFY(!stream->write("event: late\n\n"));
    }

    void streamsBeyondTheLimitAreRefused()
    {
        HttpProbe a, b;
        QVERIFY(open(a) && open(b));
        const QByteArray refused = httpRequest(m_server.port(), "GET", "/events");
        QCOMPARE(statusOf(refused), 503);
        // Refused streams are let go too.
        const auto third = m_producer.stream(m_opened++);
        QVERIFY(third);
        QTRY_VERIFY_WITH_TIMEOUT(third->isClosed(), 10000);
        // A server that allows none refuses all.
        Producer producer;
        HttpServer none([&](const HttpRequest& r) { return producer.answer(r); }, {});
        QCOMPARE(none.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)), QString());
        QCOMPARE(statusOf(httpRequest(none.port(), "GET", "/events")), 503);
    }

    // A client that takes nothing would hold its place for ever: past the
    // queue it is cut; with a queue longer than the sockets' buffers, once
    // nothing has moved for the stall time.
    void unreadStreamsAreCut_data()
    {
        QTest::addColumn<qsizetype>("capacity");
        QTest::newRow("overrun") << qsizetype(256 * 1024);
        QTest::newRow("stalled") << qsizetype(64 << 20);
    }
    void unreadStreamsAreCut()
    {
        QFETCH(qsizetype, capacity);
        Producer producer;
        producer.capacity = capacity;
        HttpServer server([&](const HttpRequest& r) { return producer.answer(r); }, streamLimits());
        QCOMPARE(server.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)), QString());
        HttpProbe probe;
        QVERIFY(probe.connectTo(server.port()) && probe.send(StreamRequest));
        QTRY_VERIFY_WITH_TIMEOUT(producer.stream(0), 10000);
        const auto stream = producer.stream(0);
        const QByteArray block(64 * 1024, 'x');
        for (int i = 0; i < 256 && stream->write(block); ++i) {
        }
        QTRY_VERIFY_WITH_TIMEOUT(stream->isClosed(), 20000);
    }

    // Suspended connections would hold the library's stop for ever.
    void stopEndsOpenStreams()
    {
        Producer producer;
        HttpServer server([&](const HttpRequest& r) { return producer.answer(r); }, streamLimits());
        QCOMPARE(server.start(*SocketAddress::numeric(QStringLiteral("127.0.0.1"), 0)), QString());
        HttpProbe a, b;
        QVERIFY(a.connectTo(server.port()) && a.send(StreamRequest));
        QVERIFY(b.connectTo(server.port()) && b.send(StreamRequest));
        QTRY_VERIFY_WITH_TIMEOUT(producer.stream(1), 10000);
        QTest::qWait(200);
        server.stop();
        for (size_t i = 0; i < 2; ++i)
            QVERIFY(producer.stream(i)->isClosed());
        bool closed = false;
        a.readAll(5000, &closed);
        QVERIFY(closed);
    }
};

QTEST_GUILESS_MAIN(TestHttpStreams)
#include "tst_httpstreams.moc"
