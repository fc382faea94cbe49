#include "webhookrequest.h"

#include <QSslSocket>
#include <QTcpSocket>

namespace zel {
namespace {

QString socketWords(QAbstractSocket::SocketError error, const QString& detail)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("the webhook refused the connection");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("the webhook's host name cannot be found");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("the webhook did not answer in time");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("the webhook dropped the connection");
    case QAbstractSocket::SslHandshakeFailedError:
        return QStringLiteral("certificate not trusted, or the secure connection to the webhook "
                              "failed");
    default:
        return QStringLiteral("the webhook could not be reached: %1").arg(detail);
    }
}

QByteArray hostHeader(const QUrl& url)
{
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1)
        host += ':' + QByteArray::number(url.port());
    return host;
}

// The status line and headers of one head, empty failure and all.
WebhookAnswer parseHead(const QByteArray& head)
{
    WebhookAnswer answer;
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> status = lines.value(0).trimmed().split(' ');
    bool ok = false;
    answer.status = status.value(1).toInt(&ok);
    if (!status.value(0).startsWith("HTTP/1.") || !ok || answer.status < 100 ||
        answer.status > 999) {
        answer.status = 0;
        answer.failure = QStringLiteral("the webhook gave an answer that is not HTTP");
        return answer;
    }
    answer.reason = QString::fromLatin1(
        lines.value(0).trimmed().mid(status.value(0).size() + status.value(1).size() + 2));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0 &&
            lines.at(i).left(colon).trimmed().compare("location", Qt::CaseInsensitive) == 0)
            answer.location = lines.at(i).mid(colon + 1).trimmed();
    }
    return answer;
}

} // namespace

WebhookRequest::WebhookRequest(QObject* parent) : QObject(parent) {}

void WebhookRequest::post(const QUrl& url, const QByteArray& headers, const QByteArray& body)
{
    const bool https = url.scheme() == u"https";
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    m_request = "POST " + target + " HTTP/1.1\r\nHost: " + hostHeader(url) + "\r\n" + headers;
    if (!url.userName().isEmpty())
        m_request += "Authorization: Basic " +
                     (url.userName() + u':' + url.password()).toUtf8().toBase64() + "\r\n";
    m_request += "Content-Length: " + QByteArray::number(body.size()) +
                 "\r\nConnection: close\r\n\r\n" + body;

    m_socket = https ? new QSslSocket(this) : new QTcpSocket(this);
    // Qt stops taking bytes from the kernel once this much waits unread.
    m_socket->setReadBufferSize(MaxAnswerBytes);
    connect(m_socket, &QTcpSocket::readyRead, this, &WebhookRequest::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &WebhookRequest::onError);
    const QString host = url.host(QUrl::FullyEncoded);
    if (auto* ssl = qobject_cast<QSslSocket*>(m_socket)) {
        // Certificates are verified; an error ends the handshake.
        connect(ssl, &QSslSocket::encrypted, this, [this] { m_socket->write(m_request); });
        ssl->connectToHostEncrypted(host, quint16(url.port(443)));
    } else {
        connect(m_socket, &QTcpSocket::connected, this, [this] { m_socket->write(m_request); });
        m_socket->connectToHost(host, quint16(url.port(80)));
    }
}

void WebhookRequest::abort()
{
    if (!m_socket)
        return;
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->abort();
}

void WebhookRequest::onReadyRead()
{
    m_answer += m_socket->read(MaxAnswerBytes - m_answer.size());
    // An interim 1xx head is followed by the real one.
    for (qsizetype end = m_answer.indexOf("\r\n\r\n"); end >= 0;
         end = m_answer.indexOf("\r\n\r\n")) {
        WebhookAnswer answer = parseHead(m_answer.left(end));
        m_answer.remove(0, end + 4);
        if (answer.status >= 200 || answer.status == 0)
            return conclude(answer);
    }
    if (m_answer.size() >= MaxAnswerBytes)
        conclude({0, QString(), QByteArray(),
                  QStringLiteral("the webhook's answer has no end of its headers within %1 KiB")
                      .arg(MaxAnswerBytes / 1024)});
}

void WebhookRequest::onError()
{
    conclude({0, QString(), QByteArray(), socketWords(m_socket->error(), m_socket->errorString())});
}

void WebhookRequest::conclude(const WebhookAnswer& answer)
{
    // The status decides; the rest of the answer is not waited for.
    abort();
    Q_EMIT finished(answer);
}

} // namespace zel
