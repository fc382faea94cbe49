#include "forms/alertsdialog.h"
#include "forms/form1.h"
#include "forms/historyacknowledger.h"
#include "forms/icons.h"
#include "forms/qtoperatordialogs.h"
#include "forms/qttrayicon.h"
#include "monitor/headlessmonitor.h"
#include "monitor/standardparts.h"
#include "monitor/stationservices.h"
#include "shell/commandline.h"

#include <QApplication>

#include <cstdio>

namespace {

int runWindow(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zel-fm-monitor"));
    // Lets the desktop match the window to its installed entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("zel-fm-monitor"));
    // The window hides in the tray; closing a dialog must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // Every window and dialog carries the drawn icon, also without a parent.
    QApplication::setWindowIcon(zel::windowIcon());

    auto dialogs = std::make_unique<zel::QtOperatorDialogs>();
    auto* dialogsRaw = dialogs.get();
    zel::MonitorCore core(zel::standardCoreParts(std::move(dialogs)));
    zel::Form1 form1(core, std::make_unique<zel::QtTrayIcon>());
    dialogsRaw->setParentWindow(&form1);
    zel::StationServices services(core);
    zel::EventLog& log = services.eventLog();
    QObject::connect(&services, &zel::StationServices::operatorNotice, &form1, &zel::Form1::notify);
    QObject::connect(&form1, &zel::Form1::loginAttempted, &log, &zel::EventLog::login);
    QObject::connect(&form1, &zel::Form1::setupSaved, &log, &zel::EventLog::setupSaved);
    QObject::connect(&form1, &zel::Form1::addressCommandEnded, &log,
                     [&log](const zel::AddressOutcome& o) {
                         log.addressCommand(QString::number(o.address), o.sent, o.told);
                     });
    zel::HistoryAcknowledger acknowledger(services.history(), services.userName());
    form1.attachStationRecord(services.historyPath(), acknowledger);
    QObject::connect(&services, &zel::StationServices::eventsStored, &form1,
                     &zel::Form1::eventsStored);
    // Alerts: the dialog opens from the menu; what it saves takes effect at once.
    QObject::connect(&form1, &zel::Form1::alertsRequested, &form1, [&core, &services, &form1] {
        auto* dialog =
            new zel::AlertsDialog(core.settings(), &services.alerts().composer(), 30000, &form1);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog, &zel::AlertsDialog::saved, &services,
                         [&services] { services.alerts().reload(); });
        dialog->open();
    });
    services.start();
    form1.start();
    const int status = app.exec();
    core.stop();
    services.stop();
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    // Read before any application object, so no display is needed for it.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const zel::MonitorCommandLine command = zel::parseMonitorCommandLine(args);
    switch (command.action) {
    case zel::MonitorCommandLine::Action::ShowHelp:
        std::fputs(qUtf8Printable(zel::monitorUsage()), stdout);
        return 0;
    case zel::MonitorCommandLine::Action::ShowVersion:
        std::printf("%s\n", qUtf8Printable(zel::monitorVersionLine()));
        return 0;
    case zel::MonitorCommandLine::Action::Refuse:
        std::fprintf(stderr, "zel-fm-monitor: %s\n%s", qUtf8Printable(command.error),
                     qUtf8Printable(zel::monitorUsage()));
        return 2;
    case zel::MonitorCommandLine::Action::RunHeadless:
        return zel::runHeadless(argc, argv);
    case zel::MonitorCommandLine::Action::RunWindow:
        break;
    }
    return runWindow(argc, argv);
}
