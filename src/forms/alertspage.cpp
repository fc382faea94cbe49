#include "alertspage.h"

#include "alerts/alertdocument.h"
#include "alerts/webhookchannel.h"
#include "shell/clock.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QJsonDocument>
#include <QVBoxLayout>

namespace zel {

AlertsPage::AlertsPage(SettingsStore& store, const AlertComposer* composer, int timeoutMs,
                       QWidget* parent)
    : QWidget(parent), m_store(store), m_composer(composer), m_timeoutMs(timeoutMs),
      m_webhook(new WebhookChannel(timeoutMs, this))
{
    setObjectName(QStringLiteral("frmAlerts"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    addLine(keys::Station, QStringLiteral("Station name"), form);
    addLine(keys::MailUrl, QStringLiteral("Mail server (smtp://host:587)"), form);
    addLine(keys::MailUser, QStringLiteral("Mail user"), form);
    addLine(keys::MailPassword, QStringLiteral("Mail password"), form)
        ->setEchoMode(QLineEdit::Password);
    addLine(keys::MailPasswordFile, QStringLiteral("or password file"), form);
    m_security = new QComboBox(this);
    m_security->setObjectName(keys::MailSecurity);
    for (const auto& [security, label] :
         {std::pair{MailSecurity::Auto, "auto: encrypted when a password is sent or the server is "
                                        "elsewhere"},
          std::pair{MailSecurity::StartTls, "starttls: always encrypted after connecting"},
          std::pair{MailSecurity::Tls, "tls: encrypted from the start (smtps)"},
          std::pair{MailSecurity::None, "none: never encrypted, a relay on this machine only"}})
        m_security->addItem(QString::fromUtf8(label), int(security));
    form->addRow(QStringLiteral("Mail encryption"), m_security);
    addLine(keys::MailFrom, QStringLiteral("From"), form);
    addLine(keys::MailTo, QStringLiteral("To (comma-separated)"), form);
    addLine(keys::WebhookUrl, QStringLiteral("Webhook (https://...)"), form);
    m_repeat = new QSpinBox(this);
    m_repeat->setObjectName(keys::RepeatMinutes);
    m_repeat->setRange(0, 7 * 24 * 60);
    m_repeat->setSuffix(QStringLiteral(" min"));
    m_repeat->setSpecialValueText(QStringLiteral("no reminders"));
    form->addRow(QStringLiteral("Remind every"), m_repeat);

    auto* kinds = new QGroupBox(QStringLiteral("Alert for"), this);
    auto* grid = new QGridLayout(kinds);
    for (const QString& kind : alertKinds()) {
        auto* box = new QCheckBox(
            kind == u"readback" ? QStringLiteral("readback not confirmed") : kind, kinds);
        box->setObjectName(kind);
        grid->addWidget(box, int(m_kinds.size()) / 2, int(m_kinds.size()) % 2);
        m_kinds.insert(kind, box);
    }
    layout->addWidget(kinds);

    m_test = new QPushButton(QStringLiteral("Send &test"), this);
    m_test->setObjectName(QStringLiteral("sendTest"));
    m_mailOutcome = new QLabel(this);
    m_webhookOutcome = new QLabel(this);
    m_problem = new QLabel(this);
    for (QLabel* label : {m_mailOutcome, m_webhookOutcome, m_problem})
        label->setWordWrap(true);
    layout->addWidget(m_test);
    layout->addWidget(m_mailOutcome);
    layout->addWidget(m_webhookOutcome);
    layout->addWidget(m_problem);
    layout->addStretch();
    connect(m_test, &QPushButton::clicked, this, &AlertsPage::sendTest);

    auto* worker = new MailWorker(m_cancel);
    worker->moveToThread(&m_mailThread);
    connect(&m_mailThread, &QThread::finished, worker, &QObject::deleteLater);
    connect(this, &AlertsPage::mailTestRequested, worker, &MailWorker::send);
    connect(worker, &MailWorker::done, this, [this](const ChannelOutcome& outcome) {
        m_mailOutcome->setText(QStringLiteral("E-mail: %1").arg(outcome.words));
    });
    connect(m_webhook, &WebhookChannel::finished, this, [this](const ChannelOutcome& outcome) {
        m_webhookOutcome->setText(QStringLiteral("Webhook: %1").arg(outcome.words));
    });
    m_mailThread.start();

    show(readAlertSettings(store));
}

AlertsPage::~AlertsPage()
{
    // A test mail under way stops at once rather than holding the window.
    m_cancel = true;
    m_mailThread.quit();
    m_mailThread.wait();
}

QLineEdit* AlertsPage::addLine(const QString& name, const QString& label, QFormLayout* form)
{
    auto* line = new QLineEdit(this);
    // Room for a whole server address or list of recipients.
    line->setMinimumWidth(320);
    line->setObjectName(name);
    form->addRow(label, line);
    m_lines.insert(name, line);
    return line;
}

void AlertsPage::show(const AlertSettings& s)
{
    m_lines[keys::Station]->setText(s.station.name);
    m_station = s.station;
    m_lines[keys::MailUrl]->setText(s.mailUrl);
    m_lines[keys::MailUser]->setText(s.mailUser);
    m_lines[keys::MailPassword]->setText(s.mailPassword);
    m_lines[keys::MailPasswordFile]->setText(s.mailPasswordFile);
    m_security->setCurrentIndex(m_security->findData(int(s.mailSecurity)));
    m_lines[keys::MailFrom]->setText(s.mailFrom);
    m_lines[keys::MailTo]->setText(s.mailTo.join(QStringLiteral(", ")));
    m_lines[keys::WebhookUrl]->setText(s.webhookUrl);
    m_repeat->setValue(s.repeatMinutes);
    for (auto it = m_kinds.begin(); it != m_kinds.end(); ++it)
        it.value()->setChecked(s.kinds.contains(it.key()));
    m_problem->setText(s.problems.join(u'\n'));
}

AlertSettings AlertsPage::edited() const
{
    AlertSettings s;
    const auto text = [this](const QString& key) { return m_lines[key]->text().trimmed(); };
    s.station = m_station;
    s.station.name = text(keys::Station);
    s.mailUrl = text(keys::MailUrl);
    s.mailUser = text(keys::MailUser);
    s.mailPassword = m_lines[keys::MailPassword]->text();
    s.mailPasswordFile = text(keys::MailPasswordFile);
    s.mailSecurity = MailSecurity(m_security->currentData().toInt());
    s.mailFrom = text(keys::MailFrom);
    for (const QString& to : text(keys::MailTo).split(u',', Qt::SkipEmptyParts))
        s.mailTo << to.trimmed();
    s.webhookUrl = text(keys::WebhookUrl);
    s.repeatMinutes = m_repeat->value();
    s.kinds.clear();
    for (const QString& kind : alertKinds()) {
        if (m_kinds[kind]->isChecked())
            s.kinds << kind;
    }
    return s;
}

void AlertsPage::sendTest()
{
    AlertSettings s = edited();
    // What is typed is judged as the service would judge it once saved.
    checkAlertSettings(s);
    m_problem->setText(s.problems.join(u'\n'));
    QString problem;
    const Destinations to = destinationsOf(s, &problem);
    QString id;
    const QByteArray document =
        m_composer ? m_composer->testDocument(s.station.name, &id)
                   : AlertComposer(SystemClock()).testDocument(s.station.name, &id);
    if (!to.mailOn && !s.mailUsable)
        m_mailOutcome->setText(QStringLiteral("E-mail: off until the problem below is mended"));
    else if (!to.mailOn)
        m_mailOutcome->setText(QStringLiteral("E-mail: off (no mail server or no recipient)"));
    else if (!problem.isEmpty())
        m_mailOutcome->setText(QStringLiteral("E-mail: %1").arg(problem));
    else {
        m_mailOutcome->setText(QStringLiteral("E-mail: sending to %1...").arg(shownUrl(s.mailUrl)));
        MailJob job = to.mail;
        job.timeoutMs = m_timeoutMs;
        job.message = mailMessage(QJsonDocument::fromJson(document).object(), job.from, job.to,
                                  QDateTime::currentDateTimeUtc());
        Q_EMIT mailTestRequested(job);
    }
    if (!s.webhookOn() && !s.webhookUrl.isEmpty()) {
        m_webhookOutcome->setText(QStringLiteral("Webhook: off until the problem below is mended"));
    } else if (!to.webhookUrl.isEmpty() && !m_webhook->busy()) {
        m_webhookOutcome->setText(
            QStringLiteral("Webhook: sending to %1...").arg(shownUrl(to.webhookUrl)));
        m_webhook->post(to.webhookUrl, id, document);
    } else if (to.webhookUrl.isEmpty()) {
        m_webhookOutcome->setText(QStringLiteral("Webhook: off (no address)"));
    }
}

bool AlertsPage::save()
{
    QString problem;
    if (!writeAlertSettings(m_store, edited(), &problem)) {
        m_problem->setText(problem);
        return false;
    }
    return true;
}

} // namespace zel
