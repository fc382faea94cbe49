#include "app/monitormain.h"
#include "app/standardparts.h"
#include "app/stationservices.h"
#include "app/webparts.h"
#include "forms/form1.h"
#include "forms/historyacknowledger.h"
#include "forms/icons.h"
#include "forms/qtoperatordialogs.h"
#include "forms/qttrayicon.h"
#include "forms/stationrecorddialog.h"
#include "metrics/metricsservice.h"
#include "shell/terminationsignals.h"
#include "web/accountfile.h"
#include "web/operatorlock.h"

#include <QApplication>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

int runWindow(int argc, char** argv, const QString& profile)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zel-fm-monitor"));
    // The session's end (logout, shutdown) comes as SIGTERM: leave as Exit
    // does, with the record written and the stop logged.
    zel::TerminationSignals termination;
    QObject::connect(&termination, &zel::TerminationSignals::terminationRequested, &app,
                     [] { QApplication::quit(); });
    // Lets the desktop match the window to its installed entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("zel-fm-monitor"));
    // The window hides in the tray; closing a dialog must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // Every window and dialog carries the drawn icon, also without a parent.
    QApplication::setWindowIcon(zel::windowIcon());

    auto dialogs = std::make_unique<zel::QtOperatorDialogs>();
    auto* dialogsRaw = dialogs.get();
    zel::MonitorCore core(zel::standardCoreParts(std::move(dialogs), profile));
    zel::Form1 form1(core, std::make_unique<zel::QtTrayIcon>());
    form1.setProfile(profile);
    dialogsRaw->setParentWindow(&form1);
    zel::StationServices services(core);
    zel::EventLog& log = services.eventLog();
    QObject::connect(&services, &zel::StationServices::operatorNotice, &form1, &zel::Form1::notify);
    QObject::connect(&services, &zel::StationServices::operatorInformation, &form1,
                     &zel::Form1::inform);
    QObject::connect(&form1, &zel::Form1::loginAttempted, &log, &zel::EventLog::login);
    QObject::connect(&form1, &zel::Form1::setupSaved, &log, &zel::EventLog::setupSaved);
    QObject::connect(&form1, &zel::Form1::addressCommandEnded, &log,
                     [&log](const zel::AddressOutcome& o) {
                         log.addressCommand(QString::number(o.address), o.sent, o.told, o.user);
                     });
    // The window's own lock on SET, Set Address and Setup, over the web
    // panel's accounts; off unless [Control] RequireLogin is true.
    zel::OperatorLock lock(core.settings(), zel::accountFilePath(core.settings().location()));
    form1.setOperatorLock(&lock);
    QObject::connect(&lock, &zel::OperatorLock::access, &log, &zel::EventLog::windowAccess);
    zel::HistoryAcknowledger acknowledger(services.history(), services.userName());
    form1.attachStationRecord(services.historyPath(), acknowledger);
    form1.setShelf(&services.shelf());
    QObject::connect(&services, &zel::StationServices::eventsStored, &form1,
                     &zel::Form1::eventsStored);
    // The station record's settings open from the menu; what they save
    // (limits, alerts) takes effect at once.
    QObject::connect(
        &form1, &zel::Form1::stationRecordRequested, &form1, [&core, &services, &form1] {
            auto* dialog =
                new zel::StationRecordDialog(core.settings(), &services.alerts().composer(),
                                             services.historyPath(), core.clock(), &form1);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(dialog, &zel::StationRecordDialog::saved, &services, [&services] {
                services.reloadLimits();
                services.alerts().reload();
            });
            dialog->open();
        });
    QObject::connect(&services.alarms(), &zel::AlarmMonitor::eventOccurred, &form1,
                     [&form1](const zel::EventRecord& row) {
                         if (zel::bringsWindowForward(row))
                             form1.raiseForAlarm(row.event);
                     });
    zel::MetricsService metrics(core, services.alarms());
    services.feed(metrics);
    QObject::connect(&metrics, &zel::MetricsService::operatorNotice, &form1, &zel::Form1::notify);
    const std::unique_ptr<zel::WebService> web = zel::makeWebService(core, services, metrics);
    QObject::connect(web.get(), &zel::WebService::operatorNotice, &form1, &zel::Form1::notify);
    services.start();
    metrics.start();
    web->start();
    form1.start();
    const int status = app.exec();
    web->stop();
    metrics.stop();
    core.stop();
    services.stop();
    return status;
}

} // namespace

// The window program: started by zel-fm-monitor in place of itself when a
// window is wanted (see shell/windowprogram.h).
int main(int argc, char* argv[])
{
#ifdef Q_OS_LINUX
    // Keeps the name the station's tools look for (ps, pidof, top).
    ::prctl(PR_SET_NAME, "zel-fm-monitor");
#endif
    const zel::MonitorStart start = zel::runWithoutWindow(argc, argv);
    if (start.status)
        return *start.status;
    return runWindow(argc, argv, start.profile);
}
