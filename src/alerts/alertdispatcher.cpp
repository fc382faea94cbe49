#include "alertdispatcher.h"

#include "alertdocument.h"
#include "webhookchannel.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace zel {
namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QJsonObject parse(const QByteArray& document)
{
    return QJsonDocument::fromJson(document).object();
}

} // namespace

AlertDispatcher::AlertDispatcher(QString databasePath, DeliveryTiming timing, QObject* parent)
    : QObject(parent), m_store(std::move(databasePath)), m_timing(timing),
      m_webhook(new WebhookChannel(timing.webhookTimeoutMs, this)), m_timer(new QTimer(this))
{
    m_channels[0].name = channel::Mail;
    m_channels[1].name = channel::Webhook;
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, qOverload<>(&AlertDispatcher::pump));
    connect(m_webhook, &WebhookChannel::finished, this,
            [this](const ChannelOutcome& outcome) { finish(m_channels[1], outcome); });
}

AlertDispatcher::~AlertDispatcher() = default;

void AlertDispatcher::configure(const Destinations& destinations)
{
    m_to = destinations;
    m_to.mail.timeoutMs = m_timing.mailTimeoutMs;
    // New addresses deserve a try at once.
    for (Channel& c : m_channels)
        c.retryAtMs = 0;
    pump();
}

void AlertDispatcher::start()
{
    ensureOpen();
    pump();
}

bool AlertDispatcher::ensureOpen()
{
    if (m_store.isOpen())
        return true;
    if (const QString why = m_store.open(); !why.isEmpty()) {
        if (!m_problemTold)
            Q_EMIT problem(QStringLiteral("Alerts cannot be stored in the outbox: %1").arg(why));
        m_problemTold = true;
        return false;
    }
    if (m_problemTold)
        Q_EMIT problem(QStringLiteral("Alerts are stored in the outbox again"));
    m_problemTold = false;
    return true;
}

bool AlertDispatcher::isOn(const Channel& c) const
{
    return c.name == channel::Mail ? m_to.mailOn : !m_to.webhookUrl.isEmpty();
}

void AlertDispatcher::enqueue(const QString& id, const QByteArray& document,
                              const QString& ackAlarm, qint64 ackSinceMs)
{
    if (!ensureOpen())
        return;
    if (!ackAlarm.isEmpty() && m_store.acknowledged(ackAlarm, ackSinceMs))
        return;
    QStringList channels;
    for (const Channel& c : m_channels) {
        if (isOn(c))
            channels << c.name;
    }
    if (channels.isEmpty())
        return;
    if (!m_store.add(id, channels, nowMs(), document)) {
        Q_EMIT problem(QStringLiteral("An alert could not be stored in the outbox and is lost: %1")
                           .arg(m_store.lastError()));
    }
    pump();
}

void AlertDispatcher::pump()
{
    if (!ensureOpen()) {
        m_timer->start(m_timing.firstPauseMs);
        return;
    }
    const qint64 now = nowMs();
    for (Channel& c : m_channels)
        pump(c, now);
    arm(now);
}

void AlertDispatcher::pump(Channel& c, qint64 now)
{
    while (!c.busy) {
        const auto entry = m_store.oldest(c.name);
        if (!entry)
            return;
        if (now - entry->createdMs > m_timing.maxAgeMs) {
            m_store.remove(entry->id, c.name);
            Q_EMIT gaveUp(entry->id, c.name, alertSubject(parse(entry->document)),
                          c.lastWords.isEmpty() ? QStringLiteral("its channel is off")
                                                : c.lastWords);
            continue;
        }
        if (!isOn(c) || now < c.retryAtMs)
            return;
        c.sending = *entry;
        send(c);
    }
}

void AlertDispatcher::send(Channel& c)
{
    c.busy = true;
    if (c.name == channel::Webhook) {
        m_webhook->post(m_to.webhookUrl, c.sending.id, c.sending.document);
        return;
    }
    MailJob job = m_to.mail;
    job.message =
        mailMessage(parse(c.sending.document), job.from, job.to, QDateTime::currentDateTimeUtc());
    Q_EMIT sendMailRequested(job);
}

void AlertDispatcher::mailDone(const ChannelOutcome& outcome)
{
    finish(m_channels[0], outcome);
}

void AlertDispatcher::finish(Channel& c, const ChannelOutcome& outcome)
{
    if (!c.busy)
        return;
    c.busy = false;
    const qint64 now = nowMs();
    if (outcome.delivered) {
        m_store.remove(c.sending.id, c.name);
        Q_EMIT delivered(c.sending.id, c.name);
        c.failures = 0;
        c.retryAtMs = 0;
        if (c.told)
            Q_EMIT channelRecovered(c.name, m_store.waiting(c.name));
        c.told = false;
    } else {
        m_store.recordFailure(c.sending.id, c.name, outcome.words);
        c.lastWords = outcome.words;
        const qint64 pause = std::min<qint64>(
            qint64(m_timing.firstPauseMs) << std::min(c.failures, 20), m_timing.longestPauseMs);
        ++c.failures;
        c.retryAtMs = now + pause;
        if (!c.told)
            Q_EMIT channelFailing(c.name, outcome.words);
        c.told = true;
    }
    pump();
}

void AlertDispatcher::arm(qint64 now)
{
    qint64 next = -1;
    for (const Channel& c : m_channels) {
        if (!c.busy && c.retryAtMs > now && isOn(c) && m_store.waiting(c.name) > 0)
            next = next < 0 ? c.retryAtMs : std::min(next, c.retryAtMs);
    }
    if (next < 0)
        m_timer->stop();
    else
        m_timer->start(int(next - now));
}

} // namespace zel
