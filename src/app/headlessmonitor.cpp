#include "headlessmonitor.h"

#include "metrics/metricsservice.h"
#include "shell/commandline.h"
#include "shell/stderrdialogs.h"
#include "shell/terminationsignals.h"
#include "standardparts.h"
#include "stationservices.h"
#include "webparts.h"

#include <QCoreApplication>

namespace zel {

int runHeadless(int argc, char** argv, const QString& profile)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zel-fm-monitor"));
    TerminationSignals termination;

    auto dialogs = std::make_unique<StderrDialogs>();
    StderrDialogs& say = *dialogs;
    // The core's notices (a serial port or the trace file failing) are not
    // repeated here: each is a trace line first, and the trace already goes
    // to standard error.
    MonitorCore core(standardCoreParts(std::move(dialogs), profile));
    QObject::connect(&core, &MonitorCore::portChoiceNeeded, &app, [&say, &core] {
        say.notice(QStringLiteral("The serial link is selected but no port is: set \"Comm Port\" "
                                  "in section [Setting] of the settings file (%1).")
                       .arg(core.settings().location()));
    });
    StationServices services(core);
    QObject::connect(&services, &StationServices::operatorNotice, &app,
                     [&say](const QString& text) { say.notice(text); });
    QObject::connect(&services, &StationServices::operatorInformation, &app,
                     [&say](const QString& text) { say.information(text); });
    MetricsService metrics(core, services.alarms());
    services.feed(metrics);
    QObject::connect(&metrics, &MetricsService::operatorNotice, &app,
                     [&say](const QString& text) { say.notice(text); });
    const std::unique_ptr<WebService> web = makeWebService(core, services, metrics);
    QObject::connect(web.get(), &WebService::operatorNotice, &app,
                     [&say](const QString& text) { say.notice(text); });
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app,
                     [&core, &services, &metrics, &web, &say](int signalNumber) {
                         say.notice(QStringLiteral("Signal %1: stopping").arg(signalNumber));
                         web->stop();
                         metrics.stop();
                         core.stop();
                         services.stop();
                         QCoreApplication::exit(0);
                     });

    say.notice(QStringLiteral("%1 running without a window%2; history in %3")
                   .arg(monitorVersionLine(),
                        profile.isEmpty() ? QString() : QStringLiteral(", profile ") + profile,
                        services.historyPath()));
    services.start();
    metrics.start();
    web->start();
    core.start();
    return app.exec();
}

} // namespace zel
