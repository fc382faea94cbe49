#include "historycli.h"

#include "alarms/currentuser.h"
#include "history/alertraise.h"
#include "history/historycsv.h"
#include "history/historyreader.h"
#include "history/historystore.h"
#include "history/historytime.h"
#include "shell/filelocations.h"
#include "shell/version.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>

#include <limits>

namespace zel::history {
namespace {

const char* const kUsage =
    "Usage: zel-fm-history [--database PATH] samples [--from T] [--to T] [--step 1s|1m|1h]\n"
    "  or:  zel-fm-history [--database PATH] events [--from T] [--to T] [--unacknowledged]\n"
    "  or:  zel-fm-history [--database PATH] ack ID\n"
    "Reads the station record that zel-fm-monitor keeps: CSV of the recorded values\n"
    "and of the event log, and acknowledgement of alarms. Safe while the monitor runs.\n"
    "\n"
    "Commands:\n"
    "  samples           the recorded values, one row a second (default: the last\n"
    "                    hour), or one row a minute or hour with each field's _min,\n"
    "                    _mean and _max\n"
    "  events            the event log (default: all of it), oldest first\n"
    "  ack ID            acknowledge the raised alarm of row ID, or the one an\n"
    "                    alert's id names (from its mail or webhook), as the user\n"
    "                    running it\n"
    "\n"
    "Options:\n"
    "  --database PATH   the database to read (default: the monitor's,\n"
    "                    $XDG_DATA_HOME/ZEL/history.db)\n"
    "  --from T          start of the range (included)\n"
    "  --to T            end of the range (excluded)\n"
    "  --step STEP       samples: 1s (default), 1m or 1h\n"
    "  --unacknowledged  events: only raised alarms that no one acknowledged\n"
    "  -h, --help        print this help and exit\n"
    "  --version         print the version and exit\n"
    "\n"
    "Times (T): 2026-12-06T21:43:26.123Z, 2026-12-06T21:43:26 or 2026-12-06 (UTC), or\n"
    "back from now: -90s, -30m, -2h, -7d. Output times are ISO 8601 UTC with\n"
    "milliseconds; values are as the monitor's panel shows them, an empty cell where\n"
    "it showed dashes.\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  the database is missing or unreadable, or an acknowledgement was refused\n"
    "  2  bad arguments\n";

struct Streams {
    QTextStream out{stdout};
    QTextStream err{stderr};
};

int badArguments(Streams& s, const QString& reason)
{
    s.err << "zel-fm-history: " << reason << '\n' << kUsage;
    return 2;
}

int unreadable(Streams& s, const QString& reason)
{
    s.err << "zel-fm-history: " << reason << '\n';
    return 1;
}

int samples(Streams& s, HistoryReader& reader, qint64 fromMs, qint64 toMs, Step step)
{
    // Seconds that began in the range.
    const qint64 fromS = (fromMs + 999) / 1000;
    const qint64 toS = (toMs + 999) / 1000;
    s.out << samplesHeader(step) << '\n';
    const bool ok =
        step == Step::Second
            ? reader.forEachSecond(fromS, toS,
                                   [&](const SecondSample& x) { s.out << secondRow(x) << '\n'; })
            : reader.forEachRollup(step, fromS, toS,
                                   [&](const Rollup& x) { s.out << rollupRow(x) << '\n'; });
    return ok ? 0 : unreadable(s, reader.lastError());
}

int events(Streams& s, HistoryReader& reader, qint64 fromMs, qint64 toMs, bool unacknowledged)
{
    auto rows = unacknowledged ? reader.unacknowledgedAlarms() : reader.events(fromMs, toMs);
    if (!rows)
        return unreadable(s, reader.lastError());
    s.out << eventsHeader() << '\n';
    for (const EventRecord& e : *rows) {
        const qint64 t = e.time.toMSecsSinceEpoch();
        if (t >= fromMs && t < toMs)
            s.out << eventRow(e) << '\n';
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

int acknowledge(Streams& s, const QString& path, qint64 id)
{
    if (!QFileInfo(path).isFile())
        return unreadable(s, QStringLiteral("no history database at %1").arg(path));
    HistoryStore store(path);
    if (const StoreError e = store.open())
        return unreadable(s, e.message);
    EventRecord ack;
    if (const StoreError e =
            store.acknowledge(id, currentUserName(), QDateTime::currentDateTimeUtc(), &ack))
        return unreadable(s, QStringLiteral("cannot acknowledge: %1").arg(e.message));
    s.out << eventsHeader() << '\n' << eventRow(ack) << '\n';
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
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("start"),
                                  QStringLiteral("T"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("end"), QStringLiteral("T"));
    const QCommandLineOption step(QStringLiteral("step"), QStringLiteral("step"),
                                  QStringLiteral("STEP"), QStringLiteral("1s"));
    const QCommandLineOption unacknowledged(QStringLiteral("unacknowledged"),
                                            QStringLiteral("only alarms not acknowledged"));
    parser.addOptions({help, version, database, from, to, step, unacknowledged});
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

    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    qint64 fromMs = command == QLatin1String("samples") ? nowMs - 3600 * 1000 : 0;
    qint64 toMs = command == QLatin1String("samples") ? nowMs : std::numeric_limits<qint64>::max();
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

    const bool isSamples = command == QLatin1String("samples");
    const bool isEvents = command == QLatin1String("events");
    const bool isAck = command == QLatin1String("ack");
    if (!isSamples && !isEvents && !isAck)
        return badArguments(s, QStringLiteral("unknown command \"%1\"").arg(command));
    const qsizetype expectedWords = isAck ? 2 : 1;
    if (words.size() != expectedWords)
        return badArguments(s, isAck && words.size() < 2
                                   ? QStringLiteral("ack needs the alarm's id")
                                   : QStringLiteral("unexpected \"%1\"").arg(words.last()));
    if ((parser.isSet(step) && !isSamples) || (parser.isSet(unacknowledged) && !isEvents) ||
        (isAck && (parser.isSet(from) || parser.isSet(to))))
        return badArguments(s, QStringLiteral("option not valid for %1").arg(command));

    const QString path = parser.isSet(database) ? parser.value(database)
                                                : StandardFileLocations().historyDatabasePath();
    if (isAck) {
        bool ok = false;
        const qint64 id = words[1].toLongLong(&ok);
        if (ok && id > 0)
            return acknowledge(s, path, id);
        const auto raise = raiseInAlertId(words[1]);
        if (!raise)
            return badArguments(
                s, QStringLiteral("\"%1\" is no event id nor an alarm alert's id").arg(words[1]));
        const auto raisedId = raisedRow(path, *raise);
        if (!raisedId)
            return unreadable(
                s, QStringLiteral("no raised alarm in %1 for alert %2").arg(path, words[1]));
        return acknowledge(s, path, *raisedId);
    }
    HistoryReader reader(path);
    if (!reader.open())
        return unreadable(s, reader.lastError());
    return isSamples ? samples(s, reader, fromMs, toMs, samplesStep)
                     : events(s, reader, fromMs, toMs, parser.isSet(unacknowledged));
}

} // namespace zel::history
