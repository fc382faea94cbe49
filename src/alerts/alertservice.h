#pragma once

#include "alertcomposer.h"
#include "alertdispatcher.h"
#include "alertsettings.h"
#include "config/settingsstore.h"

#include <QObject>
#include <QThread>

#include <atomic>

namespace zel {

// Where the settings send alerts; the password read from its file when one
// is named (problem says why it could not be).
Destinations destinationsOf(const AlertSettings& settings, QString* problem);

// Sends mail from the thread it lives on.
class MailWorker : public QObject {
    Q_OBJECT
public:
    explicit MailWorker(const std::atomic<bool>& cancel) : m_cancel(cancel) {}
public Q_SLOTS:
    void send(const zel::MailJob& job) { Q_EMIT done(sendMail(job, &m_cancel)); }
Q_SIGNALS:
    void done(const zel::ChannelOutcome& outcome);

private:
    const std::atomic<bool>& m_cancel;
};

// Alerts off site, the same with and without a window: the composer on the
// caller's thread, the outbox and the webhook on a thread of their own, the
// mail on a third, so a dead server never holds the core or the window.
class AlertService : public QObject {
    Q_OBJECT
public:
    AlertService(SettingsStore& settings, QString databasePath, const Clock& clock,
                 DeliveryTiming timing = {}, QObject* parent = nullptr);
    ~AlertService() override;

    // Reads the settings and sends what the outbox holds from before.
    void start();
    // Reads the [Alerts] settings again (after the dialog saved them).
    void reload();
    // Ends sending, a mail under way included; what is waiting stays stored.
    void stop();
    // The log changed (an acknowledgement, a raise, a shelf): acknowledgedChanged()
    // follows if that changed which alarms are acknowledged, shelfRowsFound()
    // if there are new shelving rows.
    void checkAcknowledged();

    AlertComposer& composer() { return m_composer; }
    const AlertSettings& settings() const { return m_settings; }

Q_SIGNALS:
    // For the operator, once per change: a channel fails or works again,
    // settings that cannot be used.
    void operatorNotice(const QString& text);
    // "alert failed" rows for the event log.
    void eventOccurred(const zel::EventRecord& record);
    void delivered(const QString& id, const QString& channel);
    // As AlertDispatcher tells them, on this object's thread.
    void deliveryCounted(const QString& channel, quint64 sent, quint64 failed, int waiting);
    void acknowledgedChanged(const QStringList& kinds);
    // Shelving rows new in the log (the window's, the command line's).
    void shelfRowsFound(const QList<zel::EventRecord>& rows);
    // The station's name, site and role in force, at start and after each
    // reload; their problems were told with the other settings'.
    void stationIdentified(const zel::StationIdentity& identity);

private:
    void onGaveUp(const QString& id, const QString& channel, const QString& subject,
                  const QString& words);

    SettingsStore& m_store;
    const Clock& m_clock;
    // The outbox thread's own: SystemClock caches the zone offset unguarded.
    SystemClock m_dispatchClock;
    qint64 m_maxAgeMs;
    AlertSettings m_settings;
    AlertComposer m_composer;
    std::atomic<bool> m_cancel{false};
    QThread m_dispatchThread;
    QThread m_mailThread;
    AlertDispatcher* m_dispatcher;
    MailWorker* m_mailer;
    bool m_stopped = false;
};

} // namespace zel
