#pragma once

#include "alerts/alertservice.h"
#include "alerts/alertsettings.h"
#include "config/settingsstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>

#include <atomic>

class QFormLayout;

namespace zel {

class WebhookChannel;

// The [Alerts] settings as a form, with "Send test": one test message on
// each configured channel, each channel's outcome in plain words. Sending
// happens off this thread; the page stays usable meanwhile. A page of the
// station record's settings.
class AlertsPage : public QWidget {
    Q_OBJECT
public:
    // composer gives the test message its station record (may be null).
    AlertsPage(SettingsStore& store, const AlertComposer* composer, int timeoutMs = 30000,
               QWidget* parent = nullptr);
    ~AlertsPage() override;

    // The form as settings.
    AlertSettings edited() const;
    void show(const AlertSettings& settings);

    QLabel* mailOutcome() const { return m_mailOutcome; }
    QLabel* webhookOutcome() const { return m_webhookOutcome; }

public Q_SLOTS:
    void sendTest();
    // False, with the reason shown, when the file cannot be written or
    // protected.
    bool save();

Q_SIGNALS:
    void mailTestRequested(const zel::MailJob& job);

private:
    QLineEdit* addLine(const QString& name, const QString& label, QFormLayout* form);

    SettingsStore& m_store;
    const AlertComposer* m_composer;
    int m_timeoutMs;
    QMap<QString, QLineEdit*> m_lines;
    // The station as shown: the page edits its name only.
    StationIdentity m_station;
    QComboBox* m_security;
    QSpinBox* m_repeat;
    QMap<QString, QCheckBox*> m_kinds;
    QPushButton* m_test;
    QLabel* m_mailOutcome;
    QLabel* m_webhookOutcome;
    QLabel* m_problem;
    WebhookChannel* m_webhook;
    std::atomic<bool> m_cancel{false};
    QThread m_mailThread;
};

} // namespace zel
