#include "alertservice.h"

#include "config/secretfile.h"

namespace zel {
namespace {

QString channelName(const QString& channel)
{
    return channel == channel::Mail ? QStringLiteral("e-mail") : QStringLiteral("webhook");
}

} // namespace

Destinations destinationsOf(const AlertSettings& s, QString* problem)
{
    Destinations d;
    d.mailOn = s.mailOn();
    d.mail.url = s.mailUrl;
    d.mail.user = s.mailUser;
    d.mail.security = s.mailSecurity;
    d.mail.password = mailPassword(s, problem);
    d.mail.from = s.mailFrom.isEmpty() ? QStringLiteral("zel-fm-monitor@localhost") : s.mailFrom;
    d.mail.to = s.mailTo;
    d.webhookUrl = s.webhookOn() ? s.webhookUrl : QString();
    if (!d.mail.password.isEmpty() || !d.webhookUrl.isEmpty())
        keepSecretsOutOfDumps();
    return d;
}

AlertService::AlertService(SettingsStore& settings, QString databasePath, const Clock& clock,
                           DeliveryTiming timing, QObject* parent)
    : QObject(parent), m_store(settings), m_clock(clock), m_maxAgeMs(timing.maxAgeMs),
      m_composer(clock),
      m_dispatcher(new AlertDispatcher(std::move(databasePath), timing, m_dispatchClock)),
      m_mailer(new MailWorker(m_cancel))
{
    initialiseMail();
    m_dispatchThread.setObjectName(QStringLiteral("alert outbox"));
    m_mailThread.setObjectName(QStringLiteral("alert mail"));
    m_dispatcher->moveToThread(&m_dispatchThread);
    m_mailer->moveToThread(&m_mailThread);
    connect(&m_dispatchThread, &QThread::finished, m_dispatcher, &QObject::deleteLater);
    connect(&m_mailThread, &QThread::finished, m_mailer, &QObject::deleteLater);

    connect(&m_composer, &AlertComposer::alert, m_dispatcher, &AlertDispatcher::enqueue);
    connect(m_dispatcher, &AlertDispatcher::sendMailRequested, m_mailer, &MailWorker::send);
    connect(m_mailer, &MailWorker::done, m_dispatcher, &AlertDispatcher::mailDone);
    connect(m_dispatcher, &AlertDispatcher::delivered, this, &AlertService::delivered);
    connect(m_dispatcher, &AlertDispatcher::deliveryCounted, this, &AlertService::deliveryCounted);
    connect(m_dispatcher, &AlertDispatcher::acknowledgedChanged, this,
            &AlertService::acknowledgedChanged);
    connect(m_dispatcher, &AlertDispatcher::shelfRowsFound, this, &AlertService::shelfRowsFound);
    connect(m_dispatcher, &AlertDispatcher::problem, this, &AlertService::operatorNotice);
    connect(m_dispatcher, &AlertDispatcher::channelFailing, this,
            [this](const QString& channel, const QString& words) {
                Q_EMIT operatorNotice(QStringLiteral("Alert %1 is not getting through: %2. "
                                                     "Alerts wait and are tried again.")
                                          .arg(channelName(channel), words));
            });
    connect(m_dispatcher, &AlertDispatcher::channelRecovered, this,
            [this](const QString& channel, int waiting) {
                Q_EMIT operatorNotice(
                    waiting > 0
                        ? QStringLiteral("Alert %1 works again; %2 waiting alerts follow.")
                              .arg(channelName(channel))
                              .arg(waiting)
                        : QStringLiteral("Alert %1 works again.").arg(channelName(channel)));
            });
    connect(m_dispatcher, &AlertDispatcher::gaveUp, this, &AlertService::onGaveUp);
    m_dispatchThread.start();
    m_mailThread.start();
}

AlertService::~AlertService()
{
    stop();
}

void AlertService::start()
{
    reload();
    QMetaObject::invokeMethod(m_dispatcher, &AlertDispatcher::start);
}

void AlertService::reload()
{
    m_settings = readAlertSettings(m_store);
    for (const QString& problem : m_settings.problems)
        Q_EMIT operatorNotice(QStringLiteral("Settings: %1").arg(problem));
    if (const QString why = protectSettingsFile(m_store, m_settings); !why.isEmpty())
        Q_EMIT operatorNotice(QStringLiteral("Settings: %1").arg(why));
    QString problem;
    const Destinations to = destinationsOf(m_settings, &problem);
    if (!problem.isEmpty())
        Q_EMIT operatorNotice(QStringLiteral("Alerts: %1").arg(problem));
    m_composer.configure(m_settings);
    Q_EMIT stationIdentified(m_settings.station);
    QMetaObject::invokeMethod(m_dispatcher, [d = m_dispatcher, to] { d->configure(to); });
}

void AlertService::checkAcknowledged()
{
    QMetaObject::invokeMethod(m_dispatcher, &AlertDispatcher::checkAcknowledged);
}

void AlertService::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_cancel = true;
    m_dispatchThread.quit();
    m_mailThread.quit();
    m_dispatchThread.wait();
    m_mailThread.wait();
}

void AlertService::onGaveUp(const QString& id, const QString& channel, const QString& subject,
                            const QString& words)
{
    const QString detail = QStringLiteral("%1 not delivered within %2; last: %3 (alert %4)")
                               .arg(channelName(channel),
                                    QStringLiteral("%1 h").arg(m_maxAgeMs / 3600000.0), words, id);
    Q_EMIT eventOccurred({0, m_clock.now().toUTC(), QStringLiteral("alert"), eventstate::Failed,
                          subject, detail, QString(), QString()});
    Q_EMIT operatorNotice(QStringLiteral("An alert was given up: %1 (%2)").arg(subject, detail));
}

} // namespace zel
