#include "webhookchannel.h"

#include <QNetworkReply>
#include <QNetworkRequest>

namespace zel {
namespace {

constexpr int MaxRedirects = 5;

QString networkWords(QNetworkReply::NetworkError error, const QString& detail)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("the webhook refused the connection");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("the webhook's host name cannot be found");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("the webhook did not answer in time");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("the webhook dropped the connection");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("certificate not trusted, or the secure connection to the webhook "
                              "failed");
    default:
        return QStringLiteral("the webhook could not be reached: %1").arg(detail);
    }
}

} // namespace

WebhookChannel::WebhookChannel(int timeoutMs, QObject* parent)
    : QObject(parent), m_network(this), m_timeoutMs(timeoutMs)
{
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

void WebhookChannel::post(const QString& url, const QString& id, const QByteArray& json)
{
    if (m_reply)
        return;
    m_id = id.toUtf8();
    m_json = json;
    m_hops = 0;
    send(QUrl(url));
}

void WebhookChannel::send(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader("Idempotency-Key", m_id);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("zel-fm-monitor"));
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_network.post(request, m_json);
    connect(m_reply, &QNetworkReply::finished, this, &WebhookChannel::onFinished);
}

void WebhookChannel::onFinished()
{
    QNetworkReply* reply = m_reply;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400) {
        // The raw header: a relative Location is no URL to the parsed one.
        const QUrl location = QUrl::fromEncoded(reply->rawHeader("Location").trimmed());
        const QUrl target = reply->url().resolved(location);
        if (location.isEmpty() || !target.isValid())
            return done(false,
                        QStringLiteral("the webhook redirected (HTTP %1) to nowhere").arg(status));
        if (reply->url().scheme() == u"https" && target.scheme() != u"https")
            return done(false, QStringLiteral("the webhook redirected from https to an insecure "
                                              "address; not followed"));
        if (++m_hops > MaxRedirects)
            return done(
                false,
                QStringLiteral("the webhook redirected more than %1 times").arg(MaxRedirects));
        return send(target);
    }
    if (status >= 200 && status < 300)
        return done(
            true,
            QStringLiteral("connected; the webhook accepted the alert (HTTP %1)").arg(status));
    if (status > 0)
        return done(
            false,
            QStringLiteral("the webhook answered HTTP %1 %2")
                .arg(status)
                .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()));
    done(false, networkWords(reply->error(), reply->errorString()));
}

void WebhookChannel::done(bool delivered, const QString& words)
{
    m_reply = nullptr;
    Q_EMIT finished({delivered, words});
}

} // namespace zel
