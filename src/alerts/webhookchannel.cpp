#include "webhookchannel.h"

namespace zel {
namespace {

constexpr int MaxRedirects = 5;

} // namespace

WebhookChannel::WebhookChannel(int timeoutMs, QObject* parent) : QObject(parent), m_deadline(this)
{
    // One deadline for the whole attempt: a time-out that restarts with
    // every byte lets a webhook dripping its answer hold the channel for ever.
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(timeoutMs);
    connect(&m_deadline, &QTimer::timeout, this, &WebhookChannel::onDeadline);
}

void WebhookChannel::post(const QString& url, const QString& id, const QByteArray& json)
{
    if (m_request)
        return;
    m_id = id.toUtf8();
    m_json = json;
    m_hops = 0;
    m_deadline.start();
    send(QUrl(url));
}

void WebhookChannel::send(const QUrl& url)
{
    m_url = url;
    m_request = new WebhookRequest(this);
    connect(m_request, &WebhookRequest::finished, this, &WebhookChannel::onAnswer);
    m_request->post(url,
                    "Content-Type: application/json\r\nIdempotency-Key: " + m_id +
                        "\r\nUser-Agent: zel-fm-monitor\r\n",
                    m_json);
}

void WebhookChannel::onDeadline()
{
    if (!m_request)
        return;
    m_request->abort();
    m_request->deleteLater();
    m_request = nullptr;
    done(false, QStringLiteral("the webhook did not answer within %1 s")
                    .arg(m_deadline.interval() / 1000.0));
}

void WebhookChannel::onAnswer(const WebhookAnswer& answer)
{
    m_request->deleteLater();
    m_request = nullptr;
    const int status = answer.status;
    if (status >= 300 && status < 400) {
        // The raw header: a relative Location is no URL to the parsed one.
        const QUrl location = QUrl::fromEncoded(answer.location);
        const QUrl target = m_url.resolved(location);
        if (location.isEmpty() || !target.isValid())
            return done(false,
                        QStringLiteral("the webhook redirected (HTTP %1) to nowhere").arg(status));
        if (m_url.scheme() == u"https" && target.scheme() != u"https")
            return done(false, QStringLiteral("the webhook redirected from https to an insecure "
                                              "address; not followed"));
        if (target.scheme() != u"http" && target.scheme() != u"https")
            return done(false, QStringLiteral("the webhook redirected to %1, which is no http:// "
                                              "or https:// address; not followed")
                                   .arg(target.toString(QUrl::RemoveUserInfo)));
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
            QStringLiteral("the webhook answered HTTP %1 %2").arg(status).arg(answer.reason));
    done(false, answer.failure);
}

void WebhookChannel::done(bool delivered, const QString& words)
{
    m_deadline.stop();
    Q_EMIT finished({delivered, words});
}

} // namespace zel
