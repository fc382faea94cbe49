#include "historycli.h"

#include "alarmlist.h"
#include "replaycommand.h"
#include "shelfcommands.h"

#include "alarms/alarmsettings.h"
#include "config/profile.h"
#include "config/qtsettingsstore.h"

#include "alarms/currentuser.h"
#include "history/alertraise.h"
#include "history/historycsv.h"
#include "history/historyreader.h"
#include "history/historystore.h"
#include "history/historytime.h"
#include "history/periodfill.h"
#include "shell/filelocations.h"
#include "shell/version.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>

#include <limits>

#include <unistd.h>

namespace zel::history {
namespace {

const char* const kUsage =
    "Usage: zel-fm-history [--database PATH] samples [--from T] [--to T] [--step 1s|1m|1h] "
    "[--fill]\n"
    "  or:  zel-fm-history [--database PATH] events [--from T] [--to T] [--unacknowledged]\n"
    "  or:  zel-fm-history [--database PATH] alarms\n"
    "  or:  zel-fm-history [--database PATH] ack ID\n"
    "  or:  zel-fm-history [--database PATH] replay [--limits FILE] [--from T] [--to T]\n"
    "  or:  zel-fm-history [--database PATH] shelve --for TIME --reason TEXT [KIND ...]\n"
    "  or:  zel-fm-history [--database PATH] unshelve [KIND ...]\n"
    "  or:  zel-fm-history [--database PATH] shelved\n"
    "  or:  zel-fm-history --profile NAME COMMAND ...  (any of the above)\n"
    "Reads the station record that zel-fm-monitor keeps: CSV of the recorded values\n"
    "and of the event log, acknowledgement and shelving of alarms, and what limits\n"
    "would have done over the record. Safe while the monitor runs.\n"
    "\n"
    "Commands:\n"
    "  samples           the recorded values, one row a second (default: the last\n"
    "                    hour), or one row a minute or hour with each field's _min,\n"
    "                    _mean and _max and on_air_fraction, locked_fraction\n"
    "  events            the event log (default: all of it), oldest first\n"
    "  alarms            the alarms raised now or waiting for an acknowledgement,\n"
    "                    oldest first, with their state: raised_unacknowledged,\n"
    "                    raised_acknowledged or cleared_unacknowledged\n"
    "  ack ID            acknowledge the raised alarm of row ID, or the one an\n"
    "                    alert's id names (from its mail or webhook), as the user\n"
    "                    running it\n"
    "  replay            what limits would have raised over the recorded seconds\n"
    "                    (default: the last 30 days), judged as the monitor judges\n"
    "                    them: per alarm and severity\n"
    "                    event,severity,raised_count,raised_seconds,first_raised,\n"
    "                    last_cleared, a blank line, then the first 20 raises as\n"
    "                    events; the monitor's saved [Limits] (the service's\n"
    "                    settings with the service's history) unless --limits\n"
    "  shelve [KIND]     shelve alarms for maintenance (all kinds when none is\n"
    "                    named): still logged, marked shelved, but no alert and no\n"
    "                    window brought forward until the time is up (--for 30m,\n"
    "                    2h, 1h30m; at most [Alarms] MaxShelveHours, default 12)\n"
    "  unshelve [KIND]   end those shelves now (all when none is named)\n"
    "  shelved           what is shelved now: kind,until,reason,user\n"
    "\n"
    "Options:\n"
    "  --database PATH   the database to read (default: the monitor's,\n"
    "                    $XDG_DATA_HOME/ZEL/history.db, or when there is none the\n"
    "                    service's, /var/lib/zel-fm-monitor/ZEL/history.db, if\n"
    "                    readable; standard error says so)\n"
    "  --profile NAME    the record of zel-fm-monitor --profile NAME,\n"
    "                    $XDG_DATA_HOME/ZEL/NAME/history.db, or when there is none\n"
    "                    that of the service zel-fm-monitor@NAME,\n"
    "                    /var/lib/zel-fm-monitor/NAME/ZEL/history.db, as above; and\n"
    "                    that monitor's settings. Not with --database\n"
    "  --from T          start of the range (included)\n"
    "  --to T            end of the range (excluded)\n"
    "  --step STEP       samples: 1s (default), 1m or 1h\n"
    "  --fill            samples: a row for every second or step of the range, empty\n"
    "                    where nothing was recorded (at most 31 days at 1s)\n"
    "  --local           output times in local time with the offset\n"
    "  --time-format F   iso (default) or spreadsheet: 2026-12-06 21:43:26, read as\n"
    "                    a date and time by LibreOffice and Excel (UTC unless\n"
    "                    --local)\n"
    "  --limits FILE     replay: the [Limits] group of an INI file written like\n"
    "                    the monitor's settings; [Alarms] times and the forward\n"
    "                    target not in it are the monitor's\n"
    "  --for TIME        shelve: how long, as 30m, 2h or 1h30m\n"
    "  --reason TEXT     shelve: why, for the log\n"
    "  --unacknowledged  events: only alarms that no one acknowledged, with their\n"
    "                    state in a last column, alarm_state\n"
    "  -h, --help        print this help and exit\n"
    "  --version         print the version and exit\n"
    "\n"
    "Times (T): local time as \"2026-12-06 22:43\" or \"2026-12-06 22:43:26\";\n"
    "UTC as 2026-12-06T21:43:26.123Z or 2026-12-06T21:43:26 (with a T); a zone\n"
    "after either: Z, +01:00, -0500; a date alone, today or yesterday (local\n"
    "midnight); now; or back from now: -90s, -30m, -2h, -7d. Output times are\n"
    "ISO 8601 UTC with milliseconds unless --local or --time-format say otherwise;\n"
    "values are as the monitor's panel shows them, an empty cell where it showed\n"
    "dashes.\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  the database or the limits file is missing or unreadable, or an\n"
    "     acknowledgement or a shelf was refused\n"
    "  2  bad arguments\n";

// How rows are written, from --local, --time-format and --fill.
struct Output {
    TimeStyle time;
    bool fill = false;
};

struct Streams {
    QTextStream out{stdout};
    QTextStream err{stderr};
};

int badArguments(Streams& s, QString reason)
{
    // The parser's own sentences ("Unknown option 'x'.") read as ours.
    if (reason.endsWith(u'.'))
        reason.chop(1);
    if (!reason.isEmpty())
        reason[0] = reason[0].toLower();
    s.err << "zel-fm-history: " << reason << "; see --help\n";
    return 2;
}

int unreadable(Streams& s, const QString& reason)
{
    s.err << "zel-fm-history: " << reason << '\n';
    return 1;
}

// More would fill a disk by a slip of --from: 31 days of seconds.
constexpr qint64 kMaxFilledRows = 31 * 86400;

int samples(Streams& s, HistoryReader& reader, qint64 fromMs, qint64 toMs, Step step,
            const Output& o)
{
    // Seconds that began in the range.
    const qint64 fromS = (fromMs + 999) / 1000;
    const qint64 toS = (toMs + 999) / 1000;
    const qint64 stepS = step == Step::Second ? 1 : step == Step::Minute ? 60 : 3600;
    PeriodFill fill(stepS, fromS, toS,
                    [&](qint64 t) { s.out << blankRow(step, t, o.time) << '\n'; });
    if (o.fill && fill.periods() > kMaxFilledRows)
        return badArguments(s, QStringLiteral("--fill: the range holds %1 rows, more than the "
                                              "%2 of 31 days at 1s; narrow it or use --step")
                                   .arg(fill.periods())
                                   .arg(kMaxFilledRows));
    const auto before = [&](qint64 t) {
        if (o.fill)
            fill.row(t);
    };
    s.out << samplesHeader(step) << '\n';
    const bool ok = step == Step::Second
                        ? reader.forEachSecond(fromS, toS,
                                               [&](const SecondSample& x) {
                                                   before(x.t);
                                                   s.out << secondRow(x, o.time) << '\n';
                                               })
                        : reader.forEachRollup(step, fromS, toS, [&](const Rollup& x) {
                              before(x.t);
                              s.out << rollupRow(x, o.time) << '\n';
                          });
    if (!ok)
        return unreadable(s, reader.lastError());
    if (o.fill)
        fill.finish();
    return 0;
}

int events(Streams& s, HistoryReader& reader, qint64 fromMs, qint64 toMs, bool unacknowledged,
           const Output& o)
{
    if (unacknowledged)
        return writeUnacknowledgedAlarms(s.out, reader, fromMs, toMs, o.time)
                   ? 0
                   : unreadable(s, reader.lastError());
    auto rows = reader.events(fromMs, toMs);
    if (!rows)
        return unreadable(s, reader.lastError());
    s.out << eventsHeader() << '\n';
    for (const EventRecord& e : *rows) {
        const qint64 t = e.time.toMSecsSinceEpoch();
        if (t >= fromMs && t < toMs)
            s.out << eventRow(e, o.time) << '\n';
    }
    return 0;
}

// The row of the raise an alert's id names.
std::optional<qint64> raisedRow(const QString& path, const AlarmRaise& raise)
{
    HistoryReader reader(path);
    const auto spans =
        reader.open() ? reader.alarmSpans(raise.timeMs, raise.timeMs + 1) : std::nullopt;
    for (const AlarmSpan& span : spans.value_or(QList<AlarmSpan>{})) {
        if (span.event == raise.kind && span.start.toMSecsSinceEpoch() == raise.timeMs)
            return span.raisedId;
    }
    return std::nullopt;
}

int acknowledge(Streams& s, const QString& path, qint64 id, const Output& o)
{
    if (!QFileInfo(path).isFile())
        return unreadable(s, QStringLiteral("no history database at %1").arg(path));
    // SQLite would only say "attempt to write a readonly database": a member
    // of the service's group reads its record but may not write it.
    if (const QFileInfo file(path); !file.isWritable())
        return unreadable(s, QStringLiteral("cannot acknowledge: %1 is read-only to %2; as root, "
                                            "runuser -u %3 -- zel-fm-history ack %4")
                                 .arg(path, currentUserName(), file.owner())
                                 .arg(id));
    HistoryStore store(path);
    if (const StoreError e = store.open())
        return unreadable(s, e.message);
    EventRecord ack;
    if (const StoreError e =
            store.acknowledge(id, currentUserName(), QDateTime::currentDateTimeUtc(), &ack))
        return unreadable(s, QStringLiteral("cannot acknowledge: %1").arg(e.message));
    s.out << eventsHeader() << '\n' << eventRow(ack, o.time) << '\n';
    return 0;
}

} // namespace

int runHistoryCli(const QStringList& arguments)
{
    Streams s;
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("usage"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("version"));
    const QCommandLineOption database(QStringLiteral("database"), QStringLiteral("file"),
                                      QStringLiteral("PATH"));
    const QCommandLineOption profileOption(QStringLiteral("profile"), QStringLiteral("profile"),
                                           QStringLiteral("NAME"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("start"),
                                  QStringLiteral("T"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("end"), QStringLiteral("T"));
    const QCommandLineOption step(QStringLiteral("step"), QStringLiteral("step"),
                                  QStringLiteral("STEP"), QStringLiteral("1s"));
    const QCommandLineOption unacknowledged(QStringLiteral("unacknowledged"),
                                            QStringLiteral("only alarms not acknowledged"));
    const QCommandLineOption fill(QStringLiteral("fill"), QStringLiteral("every period"));
    const QCommandLineOption limitsFile(QStringLiteral("limits"), QStringLiteral("limits"),
                                        QStringLiteral("FILE"));
    const QCommandLineOption local(QStringLiteral("local"), QStringLiteral("local times"));
    const QCommandLineOption timeFormat(QStringLiteral("time-format"), QStringLiteral("layout"),
                                        QStringLiteral("F"), QStringLiteral("iso"));
    const QCommandLineOption shelveFor(QStringLiteral("for"), QStringLiteral("how long"),
                                       QStringLiteral("TIME"));
    const QCommandLineOption reason(QStringLiteral("reason"), QStringLiteral("why"),
                                    QStringLiteral("TEXT"));
    parser.addOptions({help, version, database, profileOption, from, to, step, unacknowledged, fill,
                       local, timeFormat, limitsFile, shelveFor, reason});
    if (!parser.parse(arguments))
        return badArguments(s, parser.errorText());
    if (parser.isSet(help)) {
        s.out << kUsage;
        return 0;
    }
    if (parser.isSet(version)) {
        s.out << QStringLiteral("zel-fm-history %1.%2.%3\n")
                     .arg(VersionMajor)
                     .arg(VersionMinor)
                     .arg(VersionRevision);
        return 0;
    }
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return badArguments(s, QStringLiteral("no command given"));
    const QString command = words.first();
    const QString profile = parser.value(profileOption);
    if (parser.isSet(profileOption)) {
        if (parser.isSet(database))
            return badArguments(s, QStringLiteral("--profile does not go with --database"));
        if (const QString problem = profileNameProblem(profile); !problem.isEmpty())
            return badArguments(s, problem);
    }
    const auto chooseDatabase = [&] {
        return parser.isSet(database)
                   ? HistoryDatabaseChoice{parser.value(database), false, {}}
                   : chooseHistoryDatabase(StandardFileLocations(profile).historyDatabasePath(),
                                           serviceHistoryDatabasePath(profile));
    };
    // The settings of the monitor that keeps the record read.
    const auto monitorSettings = [&](bool service) {
        return service ? std::make_unique<QtSettingsStore>(serviceSettingsPath(profile))
                       : profileSettingsStore(profile);
    };
    if (isShelfCommand(command)) {
        for (const QCommandLineOption* o : {&from, &to, &step, &unacknowledged, &fill})
            if (parser.isSet(*o))
                return badArguments(s, QStringLiteral("option not valid for %1").arg(command));
        const HistoryDatabaseChoice chosen = chooseDatabase();
        // The longest shelf, as the monitor that keeps this record reads it.
        return runShelfCommand({command, words.mid(1), parser.value(shelveFor),
                                parser.value(reason), chosen.path,
                                readAlarmSettings(*monitorSettings(chosen.service)).maxShelveHours},
                               s.out, s.err);
    }

    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    const bool isReplay = command == QLatin1String("replay");
    const bool recent = command == QLatin1String("samples") || isReplay;
    qint64 fromMs = !recent ? 0 : nowMs - (isReplay ? 30 * 86400 : 3600) * qint64(1000);
    qint64 toMs = recent ? nowMs : std::numeric_limits<qint64>::max();
    for (const auto& [option, target] : {std::pair{&from, &fromMs}, std::pair{&to, &toMs}}) {
        if (!parser.isSet(*option))
            continue;
        const auto t = parseTimeArgument(parser.value(*option), nowMs);
        if (!t)
            return badArguments(s, QStringLiteral("--%1: cannot read \"%2\" as a time")
                                       .arg(option->names().first(), parser.value(*option)));
        *target = *t;
    }
    Step samplesStep = Step::Second;
    const QString stepText = parser.value(step);
    if (stepText == QLatin1String("1m"))
        samplesStep = Step::Minute;
    else if (stepText == QLatin1String("1h"))
        samplesStep = Step::Hour;
    else if (stepText != QLatin1String("1s"))
        return badArguments(s,
                            QStringLiteral("--step: \"%1\" is none of 1s, 1m, 1h").arg(stepText));

    const Output output{
        {parser.isSet(local), parser.value(timeFormat) == QLatin1String("spreadsheet")},
        parser.isSet(fill)};
    if (!output.time.spreadsheet && parser.value(timeFormat) != QLatin1String("iso"))
        return badArguments(s,
                            QStringLiteral("--time-format: \"%1\" is neither iso nor spreadsheet")
                                .arg(parser.value(timeFormat)));

    const bool isSamples = command == QLatin1String("samples");
    const bool isEvents = command == QLatin1String("events");
    const bool isAck = command == QLatin1String("ack");
    const bool isAlarms = command == QLatin1String("alarms");
    if (!isSamples && !isEvents && !isAck && !isAlarms && !isReplay)
        return badArguments(s, QStringLiteral("unknown command \"%1\"").arg(command));
    const qsizetype expectedWords = isAck ? 2 : 1;
    if (words.size() != expectedWords)
        return badArguments(s, isAck && words.size() < 2
                                   ? QStringLiteral("ack needs the alarm's id")
                                   : QStringLiteral("unexpected \"%1\"").arg(words.last()));
    if (((parser.isSet(step) || parser.isSet(fill)) && !isSamples) ||
        (parser.isSet(unacknowledged) && !isEvents) || (parser.isSet(limitsFile) && !isReplay) ||
        ((isAck || isAlarms) && (parser.isSet(from) || parser.isSet(to))))
        return badArguments(s, QStringLiteral("option not valid for %1").arg(command));

    if (parser.isSet(shelveFor) || parser.isSet(reason))
        return badArguments(s, QStringLiteral("option not valid for %1").arg(command));
    const HistoryDatabaseChoice chosen = chooseDatabase();
    const QString& path = chosen.path;
    if (chosen.service)
        s.err << "zel-fm-history: reading the service's history: " << path << '\n';
    if (isAck) {
        bool ok = false;
        const qint64 id = words[1].toLongLong(&ok);
        if (ok && id > 0)
            return acknowledge(s, path, id, output);
        const auto raise = raiseInAlertId(words[1]);
        if (!raise)
            return badArguments(
                s, QStringLiteral("\"%1\" is no event id nor an alarm alert's id").arg(words[1]));
        const auto raisedId = raisedRow(path, *raise);
        if (!raisedId)
            return unreadable(
                s, QStringLiteral("no raised alarm in %1 for alert %2").arg(path, words[1]));
        return acknowledge(s, path, *raisedId, output);
    }
    HistoryReader reader(path);
    if (!reader.open())
        return unreadable(s, chosen.blocked.isEmpty()
                                 ? reader.lastError()
                                 : reader.lastError() + QStringLiteral("; ") + chosen.blocked);
    if (isAlarms)
        return writeActiveAlarms(s.out, reader, output.time) ? 0
                                                             : unreadable(s, reader.lastError());
    if (isReplay) {
        const bool service = !path.isEmpty() && path == serviceHistoryDatabasePath(profile);
        return replayCommand(s.out, s.err, reader,
                             {parser.value(limitsFile), *monitorSettings(service), fromMs, toMs,
                              output.time, ::isatty(STDERR_FILENO) == 1});
    }
    return isSamples ? samples(s, reader, fromMs, toMs, samplesStep, output)
                     : events(s, reader, fromMs, toMs, parser.isSet(unacknowledged), output);
}

} // namespace zel::history
