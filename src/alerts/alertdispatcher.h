#pragma once

#include "alertqueue.h"
#include "mailchannel.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QTimer>

#include <array>

namespace zel {

class WebhookChannel;

// Where alerts go, as the settings say. Off where the address is empty.
struct Destinations {
    MailJob mail; // everything but the message
    bool mailOn = false;
    QString webhookUrl;
};

struct DeliveryTiming {
    int firstPauseMs = 10 * 1000; // after the first failure; doubles each time
    int longestPauseMs = 10 * 60 * 1000;
    qint64 maxAgeMs = 24 * 3600 * 1000; // then the alert is given up
    int mailTimeoutMs = 60 * 1000;
    int webhookTimeoutMs = 30 * 1000; // the whole attempt, redirects included
    // An attempt running this much past its channel's time-out is stuck.
    int stuckMarginMs = 30 * 1000;
    // How often acknowledgements are looked for; the history command line
    // writes them from another process.
    int ackPollMs = 10 * 1000;
};

namespace channel {
inline const QString Mail = QStringLiteral("mail");
inline const QString Webhook = QStringLiteral("webhook");
} // namespace channel

// Delivers what the outbox holds, on a thread of its own: each channel sends
// its oldest alert, one at a time, and deletes it once delivered. After a
// failure the channel pauses, longer each time, and the alert stays first in
// line. The mail itself goes out on another thread (sendMail() blocks),
// through sendMailRequested() and mailDone(). Pauses and ages run on the
// monotonic clock; an alert's stored (wall-clock) time only dates one from
// before a restart.
class AlertDispatcher : public QObject {
    Q_OBJECT
public:
    AlertDispatcher(QString databasePath, DeliveryTiming timing, const Clock& clock,
                    QObject* parent = nullptr);
    ~AlertDispatcher() override;

public Q_SLOTS:
    void configure(const zel::Destinations& destinations);
    // Opens the outbox and sends what it still holds from before.
    void start();
    // Stores the alert for every channel that is on, then sends it. A
    // reminder of an alarm already acknowledged (ackAlarm raised at
    // ackSinceMs) is dropped instead.
    void enqueue(const QString& id, const QByteArray& document, const QString& ackAlarm,
                 qint64 ackSinceMs);
    void mailDone(const zel::ChannelOutcome& outcome);
    // Looks which alarms' latest raise is acknowledged, told when it changed,
    // and for shelving rows not seen yet.
    void checkAcknowledged();

Q_SIGNALS:
    void sendMailRequested(const zel::MailJob& job);
    // The first failure of a channel after it worked, and its recovery.
    void channelFailing(const QString& channel, const QString& words);
    void channelRecovered(const QString& channel, int stillWaiting);
    void delivered(const QString& id, const QString& channel);
    void gaveUp(const QString& id, const QString& channel, const QString& subject,
                const QString& lastWords);
    // A channel's figures since the start, told when one changes.
    void deliveryCounted(const QString& channel, quint64 sent, quint64 failed, int waiting);
    // The alarm kinds whose latest raise is acknowledged, told when they change.
    void acknowledgedChanged(const QStringList& kinds);
    // Shelving rows new in the log, oldest first.
    void shelfRowsFound(const QList<zel::EventRecord>& rows);
    // The outbox cannot be used, or works again; memory is full.
    void problem(const QString& text);

private:
    struct Counts {
        quint64 sent = 0;
        quint64 failed = 0;
        int waiting = -1;
        bool operator==(const Counts&) const = default;
    };
    struct Channel {
        QString name;
        Counts counts;
        Counts reported;
        bool busy = false;
        int failures = 0;
        qint64 retryAtMs = 0; // monotonic, as every time here but the stored one
        qint64 startedMs = 0;
        bool told = false;
        bool stuckTold = false;
        QString lastWords;
        OutboxEntry sending;
    };

    bool isOn(const Channel& c) const;
    void pump();
    void pump(Channel& c, qint64 now);
    void watch(Channel& c, qint64 now);
    void send(Channel& c, qint64 now);
    // The document as sent: with the raise's row in the log, once written.
    QJsonObject withEventId(const OutboxEntry& entry);
    void finish(Channel& c, const ChannelOutcome& outcome);
    // Deletes the delivered alert, or schedules the next try.
    void settle(Channel& c, const ChannelOutcome& outcome);
    void abandon(Channel& c);
    void giveUp(Channel& c, const OutboxEntry& entry, const QString& words);
    qint64 bornMs(const OutboxEntry& entry, qint64 now);
    void forget(const QString& id);
    void newWebhook();
    void arm(qint64 now);
    void report();

    const Clock& m_clock;
    DeliveryTiming m_timing;
    AlertQueue m_queue;
    Destinations m_to;
    std::array<Channel, 2> m_channels;
    WebhookChannel* m_webhook = nullptr;
    QTimer* m_timer;
    QTimer* m_ackPoll;
    std::optional<QStringList> m_acknowledged;
    qint64 m_lastShelfRow = 0;
    // When each alert in line came, on the monotonic clock.
    QHash<QString, qint64> m_born;
    // Answers still to come from mail attempts given up on.
    int m_staleMail = 0;
};

} // namespace zel
