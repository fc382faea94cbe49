#include "alertdispatcher.h"

#include "alertdocument.h"
#include "history/alertraise.h"
#include "webhookchannel.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace zel {
namespace {

QJsonObject parse(const QByteArray& document)
{
    return QJsonDocument::fromJson(document).object();
}

} // namespace

AlertDispatcher::AlertDispatcher(QString databasePath, DeliveryTiming timing, const Clock& clock,
                                 QObject* parent)
    : QObject(parent), m_clock(clock), m_timing(timing),
      m_queue(std::move(databasePath), clock, timing.firstPauseMs,
              [this](const QString& text) { Q_EMIT problem(text); }),
      m_timer(new QTimer(this)), m_ackPoll(new QTimer(this))
{
    m_channels[0].name = channel::Mail;
    m_channels[1].name = channel::Webhook;
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, qOverload<>(&AlertDispatcher::pump));
    m_ackPoll->setInterval(timing.ackPollMs);
    connect(m_ackPoll, &QTimer::timeout, this, &AlertDispatcher::checkAcknowledged);
    newWebhook();
}

AlertDispatcher::~AlertDispatcher() = default;

void AlertDispatcher::newWebhook()
{
    m_webhook = new WebhookChannel(m_timing.webhookTimeoutMs, this);
    connect(m_webhook, &WebhookChannel::finished, this,
            [this](const ChannelOutcome& outcome) { finish(m_channels[1], outcome); });
}

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
    m_ackPoll->start();
    checkAcknowledged();
    pump();
}

bool AlertDispatcher::isOn(const Channel& c) const
{
    return c.name == channel::Mail ? m_to.mailOn : !m_to.webhookUrl.isEmpty();
}

void AlertDispatcher::enqueue(const QString& id, const QByteArray& document,
                              const QString& ackAlarm, qint64 ackSinceMs)
{
    m_queue.recover();
    if (!ackAlarm.isEmpty() && m_queue.acknowledged(ackAlarm, ackSinceMs))
        return;
    QStringList channels;
    for (const Channel& c : m_channels) {
        if (isOn(c))
            channels << c.name;
    }
    if (channels.isEmpty())
        return;
    m_born.insert(id, m_clock.monotonicMs());
    m_queue.add(id, channels, m_clock.now().toMSecsSinceEpoch(), document,
                rankOf(parse(document).value(QStringLiteral("state")).toString()));
    pump();
}

void AlertDispatcher::pump()
{
    m_queue.recover();
    const qint64 now = m_clock.monotonicMs();
    for (Channel& c : m_channels)
        pump(c, now);
    arm(now);
    report();
}

void AlertDispatcher::report()
{
    for (Channel& c : m_channels) {
        c.counts.waiting = m_queue.waiting(c.name);
        if (c.counts == c.reported)
            continue;
        c.reported = c.counts;
        Q_EMIT deliveryCounted(c.name, c.counts.sent, c.counts.failed, c.counts.waiting);
    }
}

void AlertDispatcher::checkAcknowledged()
{
    const auto acknowledged = m_queue.acknowledgedKinds();
    if (acknowledged && acknowledged != m_acknowledged) {
        m_acknowledged = acknowledged;
        Q_EMIT acknowledgedChanged(*acknowledged);
    }
    if (const auto rows = m_queue.shelfRows(m_lastShelfRow); rows && !rows->isEmpty()) {
        m_lastShelfRow = rows->last().id;
        Q_EMIT shelfRowsFound(*rows);
    }
}

void AlertDispatcher::pump(Channel& c, qint64 now)
{
    if (c.busy)
        watch(c, now);
    while (!c.busy) {
        const auto entry = m_queue.oldest(c.name);
        if (!entry)
            return;
        if (now - bornMs(*entry, now) > m_timing.maxAgeMs) {
            giveUp(c, *entry,
                   c.lastWords.isEmpty() ? QStringLiteral("its channel is off") : c.lastWords);
            continue;
        }
        if (!isOn(c) || now < c.retryAtMs)
            return;
        c.sending = *entry;
        send(c, now);
    }
}

// An attempt that hangs must neither keep its alert past the give-up nor
// hold its channel unnoticed.
void AlertDispatcher::watch(Channel& c, qint64 now)
{
    if (now - bornMs(c.sending, now) > m_timing.maxAgeMs) {
        abandon(c);
        giveUp(c, c.sending, QStringLiteral("an attempt was still under way, ended"));
        return;
    }
    const int timeoutMs =
        c.name == channel::Mail ? m_timing.mailTimeoutMs : m_timing.webhookTimeoutMs;
    const qint64 running = now - c.startedMs;
    if (c.stuckTold || running <= timeoutMs + m_timing.stuckMarginMs)
        return;
    c.stuckTold = true;
    const QString words =
        QStringLiteral("an attempt has run for %1 s without ending").arg(running / 1000);
    if (c.name == channel::Webhook) {
        // A trickling answer keeps a transfer time-out from ever firing.
        abandon(c);
        return settle(c, {false, words + QStringLiteral(", ended")});
    }
    // The mail thread cannot be interrupted; its answer still counts.
    if (!c.told)
        Q_EMIT channelFailing(c.name, words);
    c.told = true;
}

QJsonObject AlertDispatcher::withEventId(const OutboxEntry& entry)
{
    QJsonObject d = parse(entry.document);
    // Looked up at each attempt: the history may write the raise only after
    // the first one.
    if (const auto raise = history::raiseInAlertId(entry.id)) {
        if (const auto id = m_queue.raisedEventId(raise->kind, raise->timeMs))
            d.insert(QStringLiteral("event_id"), double(*id));
    }
    return d;
}

void AlertDispatcher::send(Channel& c, qint64 now)
{
    c.busy = true;
    c.startedMs = now;
    c.stuckTold = false;
    const QJsonObject d = withEventId(c.sending);
    if (c.name == channel::Webhook) {
        m_webhook->post(m_to.webhookUrl, c.sending.id,
                        QJsonDocument(d).toJson(QJsonDocument::Compact));
        return;
    }
    MailJob job = m_to.mail;
    job.message = mailMessage(d, job.from, job.to, m_clock.now().toUTC());
    Q_EMIT sendMailRequested(job);
}

void AlertDispatcher::mailDone(const ChannelOutcome& outcome)
{
    // Answers come in the order the jobs went; an abandoned job's is no news.
    if (m_staleMail > 0) {
        --m_staleMail;
        return;
    }
    finish(m_channels[0], outcome);
}

void AlertDispatcher::abandon(Channel& c)
{
    c.busy = false;
    if (c.name == channel::Mail) {
        ++m_staleMail;
        return;
    }
    // Deleting the channel aborts its request; a new one takes its place.
    m_webhook->disconnect(this);
    m_webhook->deleteLater();
    newWebhook();
}

void AlertDispatcher::finish(Channel& c, const ChannelOutcome& outcome)
{
    if (!c.busy)
        return;
    c.busy = false;
    settle(c, outcome);
    pump();
}

void AlertDispatcher::settle(Channel& c, const ChannelOutcome& outcome)
{
    const qint64 now = m_clock.monotonicMs();
    if (outcome.delivered) {
        m_queue.remove(c.sending.id, c.name);
        forget(c.sending.id);
        Q_EMIT delivered(c.sending.id, c.name);
        ++c.counts.sent;
        c.failures = 0;
        c.retryAtMs = 0;
        if (c.told)
            Q_EMIT channelRecovered(c.name, m_queue.waiting(c.name));
        c.told = false;
    } else {
        m_queue.recordFailure(c.sending.id, c.name, outcome.words);
        ++c.counts.failed;
        c.lastWords = outcome.words;
        const qint64 pause = std::min<qint64>(
            qint64(m_timing.firstPauseMs) << std::min(c.failures, 20), m_timing.longestPauseMs);
        ++c.failures;
        c.retryAtMs = now + pause;
        if (!c.told)
            Q_EMIT channelFailing(c.name, outcome.words);
        c.told = true;
    }
}

void AlertDispatcher::giveUp(Channel& c, const OutboxEntry& entry, const QString& words)
{
    m_queue.remove(entry.id, c.name);
    forget(entry.id);
    Q_EMIT gaveUp(entry.id, c.name, alertSubject(parse(entry.document)), words);
}

qint64 AlertDispatcher::bornMs(const OutboxEntry& entry, qint64 now)
{
    auto it = m_born.find(entry.id);
    if (it == m_born.end()) {
        // From before a restart: dated by the stored wall-clock time, once. A
        // clock set back since makes it new, never younger than that.
        const qint64 age = std::max<qint64>(0, m_clock.now().toMSecsSinceEpoch() - entry.createdMs);
        it = m_born.insert(entry.id, now - age);
    }
    return *it;
}

void AlertDispatcher::forget(const QString& id)
{
    if (!m_queue.holds(id))
        m_born.remove(id);
}

void AlertDispatcher::arm(qint64 now)
{
    qint64 next = m_queue.storing() ? -1 : m_queue.retryAtMs();
    const auto sooner = [&next](qint64 t) { next = next < 0 ? t : std::min(next, t); };
    for (Channel& c : m_channels) {
        if (c.busy) {
            sooner(bornMs(c.sending, now) + m_timing.maxAgeMs + 1);
            if (!c.stuckTold)
                sooner(
                    c.startedMs +
                    (c.name == channel::Mail ? m_timing.mailTimeoutMs : m_timing.webhookTimeoutMs) +
                    m_timing.stuckMarginMs + 1);
        } else if (c.retryAtMs > now && isOn(c) && m_queue.waiting(c.name) > 0) {
            sooner(c.retryAtMs);
        }
    }
    if (next < 0)
        m_timer->stop();
    else
        m_timer->start(int(std::clamp<qint64>(next - now, 0, 3600 * 1000)));
}

} // namespace zel
