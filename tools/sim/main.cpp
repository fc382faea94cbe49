// zel-fm-sim: a stand-in for the transmitter's controller (serial line) and
// for its remote gateway (TCP), so the monitor can be run and tested without
// a transmitter.

#include "gatewaysim.h"
#include "serialsim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace zel::sim;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

const char* const kDescription = R"(Simulates an FM transmitter's controller and its remote gateway.

Modes:
  serial   Creates a pseudo-terminal, links PATH (--link) to its slave
           device and sends a 24-byte status frame every --interval ms
           while the device is open (frames sent to a closed port are lost
           on a real line; here they are not sent, so none arrive stale).
           Decodes the 9-byte set command ("S", '0'/'1', F, P, R, T, CR) and
           the 2-byte address command, sent in one piece or byte by byte.
           Two bytes are an address unless they start with "S" followed by
           '0'/'1'; those are held as the start of a set command and taken as
           an address after 500 ms of silence. Any other partial command is
           rejected after 500 ms of silence.
  gateway  Listens on 127.0.0.1:--port (0: any free port). Answers each poll
           with the 48-character status line plus CR LF; applies remote set
           commands and sends nothing back for them. Never closes a
           connection itself.

The first line on stdout is "ready serial DEVICE" or
"ready gateway 127.0.0.1 PORT". Then one line per command: "set carrier=ON
freq=100.05 power=1000 reflect=100 temp=45", "address 300", "poll",
"rejected REASON: BYTES"; controller and link happenings start with "event".

Scenarios (--scenario):
  normal        on air at 98.50 MHz, 500 W, locked, about 34 C
  overheat      cooling failure: temperature climbs to about 48 C
  high-reflect  damaged feeder: reflected power about 9% of forward
  unlock        synthesiser out of lock, frequency wanders
  off-air       carrier off whatever was commanded
  silent        serial: no frames; gateway: polls go unanswered
  script        steps through all of the above, --step ms each, cycling

Timed scenarios (times from the start; every change is logged as
"event NAME: WHAT") run normally for 20 s, play their fault, then start over,
so each alarm is seen to raise and to clear; pa-drift holds its end instead:
  foldback      carrier on, forward power at 60% of the power target from
                20 s to 80 s (a minute below 90%), then at 40% to 140 s;
                reflected power normal
  silence       both audio channels at 0 from 20 s to 80 s (dead air)
  channel-loss  right audio channel at 0 from 20 s to 80 s, left on
  pa-drift      PA efficiency (forward W / PA volts x amps) falls by 10%
                over 10 minutes, current rising as forward holds; then holds
  carrier-trip  reflected power at 9% of forward from 20 s to 40 s, then
                carrier off air to 70 s

The controller: a set command changes carrier, frequency (lock drops for
1.5 s, then relocks), power target, reflected limit (forward power folds back
so reflected power stays at the limit) and temperature threshold (above it the
carrier drops; it returns 3 C below it). An address command sets the device ID.
Set values outside 87.00..108.00 MHz, 0..9999 W, 0..100 W, 40..50 C are
rejected. With --ignore-set (either mode) a set command is logged as received,
followed by "event set ignored", and not applied: the controller carries on
with its old values, as one that lost the command would.

Gateway faults (--fault):
  none     answer normally
  refuse   print the port, then stop listening: connects are refused
  silent   accept and read, never answer
  late     answer 1500 ms after the poll
  split    answer in two writes 100 ms apart
  garbage  answer with 1 MiB of random bytes
  reset    send half the reply, then abort the connection with RST

SIGINT or SIGTERM end the simulator; it removes the link it created.)";

template <typename T>
bool parseNumber(const QCommandLineParser& parser, const QString& name, T& out, double lo,
                 double hi)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < lo || value > hi) {
        std::fprintf(stderr, "zel-fm-sim: --%s must be a number from %g to %g\n", qPrintable(name),
                     lo, hi);
        return false;
    }
    out = static_cast<T>(value);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zel-fm-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("mode"), QStringLiteral("serial or gateway"));
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("serial: symbolic link to create for the device."),
         QStringLiteral("PATH")},
        {QStringLiteral("interval"),
         QStringLiteral("serial: ms between frames, fractions allowed (default 1000, least 12.5)."),
         QStringLiteral("MS")},
        {QStringLiteral("rate"),
         QStringLiteral("serial: frames per second instead of --interval (max 80)."),
         QStringLiteral("FPS")},
        {QStringLiteral("frames"),
         QStringLiteral("serial: stop after N frames sent, keep running."), QStringLiteral("N")},
        {QStringLiteral("port"),
         QStringLiteral("gateway: TCP port on 127.0.0.1, 0 for any free one."),
         QStringLiteral("PORT")},
        {QStringLiteral("fault"),
         QStringLiteral("gateway: misbehaviour, see above (default none)."),
         QStringLiteral("NAME")},
        {QStringLiteral("scenario"), QStringLiteral("Scenario, see above (default normal)."),
         QStringLiteral("NAME")},
        {QStringLiteral("step"), QStringLiteral("script: ms per scenario (default 10000)."),
         QStringLiteral("MS")},
        {QStringLiteral("device-id"), QStringLiteral("Initial device ID (default 8001)."),
         QStringLiteral("ID")},
        {QStringLiteral("changing-id"),
         QStringLiteral("serial: the device ID goes up by one with every frame.")},
        {QStringLiteral("ignore-set"),
         QStringLiteral("Log set commands as received but do not apply them.")},
        {QStringLiteral("seed"), QStringLiteral("Seed for the noise, for repeatable runs."),
         QStringLiteral("N")},
    });
    // The help names the program as installed, not by the path it was started with.
    const QString help = parser.helpText().replace(QStringLiteral("Usage: ") +
                                                       QCoreApplication::arguments().constFirst(),
                                                   QStringLiteral("Usage: zel-fm-sim"));
    // Bad arguments are refused with status 2, as by the other programs
    // (QCommandLineParser::process would exit with 1).
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "zel-fm-sim: %s\n%s\nSee zel-fm-sim --help for every option.\n",
                     qPrintable(parser.errorText()), qPrintable(help.section(u'\n', 0, 0)));
        return 2;
    }
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(help), stdout);
        return 0;
    }
    if (parser.isSet(version))
        parser.showVersion();

    const QStringList args = parser.positionalArguments();
    const QString mode = args.value(0);
    if (args.size() != 1 || (mode != QLatin1String("serial") && mode != QLatin1String("gateway"))) {
        std::fprintf(stderr, "zel-fm-sim: give one mode, serial or gateway (see --help)\n");
        return 2;
    }

    Scenario scenario = Scenario::Normal;
    if (parser.isSet(QStringLiteral("scenario"))) {
        const auto named = scenarioFromName(parser.value(QStringLiteral("scenario")));
        if (!named) {
            std::fprintf(stderr, "zel-fm-sim: unknown scenario; one of %s\n",
                         qPrintable(scenarioNames().join(QLatin1String(", "))));
            return 2;
        }
        scenario = *named;
    }
    quint32 seed = QRandomGenerator::global()->generate();
    qint64 stepMs = 10000;
    quint16 deviceId = 8001;
    if (!parseNumber(parser, QStringLiteral("seed"), seed, 0, 4294967295.0) ||
        !parseNumber(parser, QStringLiteral("step"), stepMs, 100, 3600000) ||
        !parseNumber(parser, QStringLiteral("device-id"), deviceId, 0, 65535))
        return 2;

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("zel-fm-sim: pipe");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        while (::read(signalPipe[0], &byte, 1) > 0) {
        }
        QCoreApplication::quit();
    });

    std::unique_ptr<QObject> simulator;
    if (mode == QLatin1String("serial")) {
        SerialOptions options;
        options.linkPath = parser.value(QStringLiteral("link"));
        options.scenario = scenario;
        options.scriptStepMs = stepMs;
        options.seed = seed;
        options.deviceId = deviceId;
        options.ignoreSet = parser.isSet(QStringLiteral("ignore-set"));
        options.changingId = parser.isSet(QStringLiteral("changing-id"));
        double rate = 0;
        if (parser.isSet(QStringLiteral("fault"))) {
            std::fprintf(stderr, "zel-fm-sim: --fault applies to gateway mode only\n");
            return 2;
        }
        if (options.linkPath.isEmpty()) {
            std::fprintf(stderr, "zel-fm-sim: serial mode needs --link PATH\n");
            return 2;
        }
        if (!parseNumber(parser, QStringLiteral("interval"), options.intervalMs, 12.5, 3600000) ||
            !parseNumber(parser, QStringLiteral("rate"), rate, 0.001, 80) ||
            !parseNumber(parser, QStringLiteral("frames"), options.frameLimit, 0, 1e15))
            return 2;
        if (rate > 0)
            options.intervalMs = 1000.0 / rate;
        auto serial = std::make_unique<SerialSim>(options);
        if (!serial->start())
            return 1;
        simulator = std::move(serial);
    } else {
        GatewayOptions options;
        options.scenario = scenario;
        options.scriptStepMs = stepMs;
        options.seed = seed;
        options.deviceId = deviceId;
        options.ignoreSet = parser.isSet(QStringLiteral("ignore-set"));
        if (!parser.isSet(QStringLiteral("port"))) {
            std::fprintf(stderr, "zel-fm-sim: gateway mode needs --port PORT (0 for any)\n");
            return 2;
        }
        if (!parseNumber(parser, QStringLiteral("port"), options.port, 0, 65535))
            return 2;
        if (parser.isSet(QStringLiteral("fault"))) {
            const auto fault = faultFromName(parser.value(QStringLiteral("fault")));
            if (!fault) {
                std::fprintf(stderr, "zel-fm-sim: unknown fault; one of %s\n",
                             qPrintable(faultNames().join(QLatin1String(", "))));
                return 2;
            }
            options.fault = *fault;
        }
        auto gateway = std::make_unique<GatewaySim>(options);
        if (!gateway->start())
            return 1;
        simulator = std::move(gateway);
    }

    const int status = QCoreApplication::exec();
    simulator.reset(); // removes the link before we report the exit
    return status;
}
