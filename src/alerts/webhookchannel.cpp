#include "webhookchannel.h"

#include <QTimer>

namespace zel {
namespace {

constexpr int MaxRedirects = 5;

} // namespace

WebhookChannel::WebhookChannel(int timeoutMs, QObject* parent)
    : QObject(parent), m_timeoutMs(timeoutMs),
      m_loop([this](CURL* easy, CURLcode code) { onEnded(easy, code); }, this)
{
}

WebhookChannel::~WebhookChannel()
{
    if (m_transfer)
        m_loop.remove(m_transfer->handle());
}

void WebhookChannel::post(const QString& url, const QString& id, const QByteArray& json)
{
    if (m_transfer)
        return;
    m_id = id.toUtf8();
    m_json = json;
    m_hops = 0;
    // One deadline for the whole attempt: a time-out that restarts with
    // every byte or every hop lets a webhook hold the channel for ever.
    m_deadline.setRemainingTime(m_timeoutMs);
    send(QUrl(url));
}

void WebhookChannel::send(const QUrl& url)
{
    m_url = url;
    const qint64 left = m_deadline.remainingTime();
    if (left <= 0)
        return onAnswer({0, QString(), QByteArray(), QString(), true});
    m_transfer = std::make_unique<WebhookTransfer>(url, m_id, m_json, left);
    if (!m_loop.add(m_transfer->handle())) {
        // Told later, as every other outcome is, and busy until then.
        QTimer::singleShot(0, this, [this] {
            m_transfer.reset();
            done(false, QStringLiteral("the webhook could not be reached: libcurl cannot start"));
        });
    }
}

void WebhookChannel::onEnded(CURL* easy, CURLcode code)
{
    if (!m_transfer || easy != m_transfer->handle())
        return;
    m_loop.remove(easy);
    const WebhookAnswer answer = m_transfer->answer(code);
    m_transfer.reset();
    onAnswer(answer);
}

void WebhookChannel::onAnswer(const WebhookAnswer& answer)
{
    if (answer.timedOut)
        return done(
            false,
            QStringLiteral("the webhook did not answer within %1 s").arg(m_timeoutMs / 1000.0));
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
    Q_EMIT finished({delivered, words});
}

} // namespace zel
