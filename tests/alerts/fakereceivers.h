#pragma once

// A mail server and a webhook receiver on 127.0.0.1 that can be made to
// fail the ways real ones do, and count what they accepted.

#include <QHostAddress>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

class FakeReceiver : public QObject {
public:
    enum class Mode {
        Accept,
        Refuse,
        Silent,
        DropMidMessage,
        RejectLogin,
        Error500,
        Redirect,
        EndlessBody,   // webhook: 200, then a body that never ends
        EndlessHeader, // webhook: a status line, then a header line that never ends
        Drip,          // webhook: an answer that never ends, a byte every 200 ms
        DripBody,      // webhook: 200 at once, then the body a byte every 200 ms
        RedirectLoop,  // webhook: always redirects, to itself
        RedirectFile,  // webhook: redirects to a local file
    };

    quint16 port() const { return m_port; }
    // Connections the client has not closed yet.
    int openConnections() const { return m_open; }
    // Ids accepted, in order; a repeat shows twice.
    const QStringList& accepted() const { return m_accepted; }

    void setMode(Mode mode)
    {
        m_mode = mode;
        if (mode == Mode::Refuse) {
            m_server.close();
        } else if (!m_server.isListening()) {
            m_server.listen(QHostAddress::LocalHost, m_port);
        }
    }

protected:
    FakeReceiver()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        m_port = m_server.serverPort();
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                ++m_open;
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                connect(s, &QObject::destroyed, this, [this] { --m_open; });
                if (m_mode == Mode::Silent)
                    continue;
                opened(s);
                connect(s, &QTcpSocket::readyRead, this, [this, s] { readable(s); });
            }
        });
    }
    virtual void opened(QTcpSocket*) {}
    virtual void readable(QTcpSocket* s) = 0;

    Mode m_mode = Mode::Accept;
    QStringList m_accepted;

private:
    QTcpServer m_server;
    quint16 m_port = 0;
    int m_open = 0;
};

class FakeMailServer final : public FakeReceiver {
public:
    // Every line any client sent, in order.
    const QByteArray& received() const { return m_received; }

protected:
    void opened(QTcpSocket* s) override
    {
        // A new socket may sit where a dropped one did: start it afresh.
        m_sessions[s] = {};
        s->write("220 fake ESMTP\r\n");
    }
    void readable(QTcpSocket* s) override
    {
        while (s->canReadLine()) {
            const QByteArray line = s->readLine();
            m_received += line;
            Session& session = m_sessions[s];
            if (session.inData) {
                if (m_mode == Mode::DropMidMessage)
                    return s->abort();
                if (line != ".\r\n") {
                    session.message += line;
                    continue;
                }
                session.inData = false;
                static const QRegularExpression id(QStringLiteral("Message-ID: <([^@]+)@"));
                m_accepted << id.match(QString::fromUtf8(session.message)).captured(1);
                s->write("250 queued\r\n");
                continue;
            }
            answer(s, session, line.trimmed());
        }
    }

private:
    struct Session {
        bool inData = false;
        bool awaitingCredentials = false;
        QByteArray message;
    };

    void answer(QTcpSocket* s, Session& session, const QByteArray& line)
    {
        const QByteArray verb = line.left(4).toUpper();
        if (verb == "EHLO")
            s->write("250-fake\r\n250 AUTH PLAIN\r\n");
        else if (line == "AUTH PLAIN")
            s->write("334 \r\n");
        else if (verb == "AUTH" || session.awaitingCredentials)
            s->write(m_mode == Mode::RejectLogin ? "535 5.7.8 bad credentials\r\n" : "235 ok\r\n");
        else if (verb == "DATA") {
            session.inData = true;
            session.message.clear();
            s->write("354 go ahead\r\n");
        } else if (verb == "QUIT") {
            s->write("221 bye\r\n");
            s->disconnectFromHost();
        } else
            s->write("250 ok\r\n");
        session.awaitingCredentials = line == "AUTH PLAIN";
    }

    QMap<QTcpSocket*, Session> m_sessions;
    QByteArray m_received;
};

class FakeWebhook final : public FakeReceiver {
public:
    // Bytes of answers written to clients.
    qint64 sent() const { return m_sent; }
    // Every whole request, head and body, in order.
    const QList<QByteArray>& requests() const { return m_requests; }

protected:
    void opened(QTcpSocket* s) override { m_buffer.remove(s); }
    void readable(QTcpSocket* s) override
    {
        m_buffer[s] += s->readAll();
        const QByteArray& b = m_buffer[s];
        const qsizetype end = b.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        static const QRegularExpression length(QStringLiteral("(?i)content-length: *(\\d+)"));
        static const QRegularExpression key(QStringLiteral("(?i)idempotency-key: *([^\\r]+)"));
        const QString head = QString::fromUtf8(b.left(end));
        if (b.size() < end + 4 + length.match(head).captured(1).toInt())
            return;
        m_requests << b;
        m_buffer.remove(s);
        if (m_mode == Mode::DropMidMessage)
            return s->abort();
        if (m_mode == Mode::Error500)
            return reply(s, "500 Internal Server Error", "");
        if (m_mode == Mode::EndlessBody)
            return pour(s,
                        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n");
        if (m_mode == Mode::EndlessHeader)
            return pour(s, "HTTP/1.1 200 OK\r\nX-Pad: ");
        if (m_mode == Mode::Drip || m_mode == Mode::DripBody)
            return drip(s, m_mode == Mode::DripBody);
        if (m_mode == Mode::RedirectLoop)
            return reply(s, "302 Found", "Location: /hook\r\n");
        if (m_mode == Mode::RedirectFile)
            return reply(s, "302 Found", "Location: file:///etc/passwd\r\n");
        if (m_mode == Mode::Redirect && !head.startsWith(u"POST /moved"))
            return reply(s, "302 Found", "Location: /moved\r\n");
        m_accepted << key.match(head).captured(1);
        reply(s, "200 OK", "");
    }

private:
    // Keeps the socket's queue topped up for as long as the client reads.
    void pour(QTcpSocket* s, const QByteArray& head)
    {
        connect(s, &QTcpSocket::bytesWritten, this, [this, s](qint64 n) {
            m_sent += n;
            if (s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() < 65536)
                s->write(QByteArray(65536, 'x'));
        });
        s->write(head);
    }
    // The status line, then a header that never ends; or a whole head, then
    // a body that takes for ever.
    void drip(QTcpSocket* s, bool headAtOnce)
    {
        if (headAtOnce)
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
        auto* timer = new QTimer(s);
        connect(timer, &QTimer::timeout, this, [this, s, at = qsizetype(0)]() mutable {
            static const QByteArray start("HTTP/1.1 200 OK\r\nX-Pad: ");
            s->write(at < start.size() ? start.mid(at++, 1) : QByteArray("a"));
            ++m_sent;
        });
        timer->start(200);
    }
    static void reply(QTcpSocket* s, const QByteArray& status, const QByteArray& headers)
    {
        s->write("HTTP/1.1 " + status + "\r\n" + headers +
                 "Content-Length: 0\r\nConnection: close\r\n\r\n");
        s->disconnectFromHost();
    }

    QMap<QTcpSocket*, QByteArray> m_buffer;
    QList<QByteArray> m_requests;
    qint64 m_sent = 0;
};
