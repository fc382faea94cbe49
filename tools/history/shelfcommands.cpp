#include "shelfcommands.h"

#include "alarms/currentuser.h"
#include "alarms/shelf.h"
#include "history/historycsv.h"
#include "history/historyreader.h"
#include "history/historystore.h"

#include <QDateTime>
#include <QFileInfo>

namespace zel::history {
namespace {

int bad(QTextStream& err, const QString& reason)
{
    err << "zel-fm-history: " << reason << "; see --help\n";
    return 2;
}

int refused(QTextStream& err, const QString& reason)
{
    err << "zel-fm-history: " << reason << '\n';
    return 1;
}

std::optional<Shelves> shelvesNow(const QString& path, const QDateTime& now, QString* error)
{
    HistoryReader reader(path);
    const auto rows = reader.open() ? reader.eventsNamed(shelving::Event) : std::nullopt;
    if (!rows) {
        *error = reader.lastError();
        return std::nullopt;
    }
    return shelvesAt(*rows, now);
}

} // namespace

bool isShelfCommand(const QString& command)
{
    return command == u"shelve" || command == u"unshelve" || command == u"shelved";
}

int runShelfCommand(const ShelfRequest& r, QTextStream& out, QTextStream& err)
{
    if (const QStringList unknown = unknownKinds(r.kinds); !unknown.isEmpty())
        return bad(err, QStringLiteral("no alarm kind \"%1\"; the kinds are %2")
                            .arg(unknown.first(), alarm::all().join(u", ")));
    const bool shelve = r.command == u"shelve";
    if (!shelve && (!r.duration.isEmpty() || !r.reason.isEmpty()))
        return bad(err, QStringLiteral("--for and --reason are for shelve only"));
    if (r.command == u"shelved" && !r.kinds.isEmpty())
        return bad(err, QStringLiteral("unexpected \"%1\"").arg(r.kinds.first()));
    std::optional<qint64> ms;
    if (shelve) {
        if (r.duration.isEmpty())
            return bad(err, QStringLiteral("shelve needs --for, as 30m, 2h or 1h30m"));
        ms = parseShelfDuration(r.duration);
        if (!ms)
            return bad(err, QStringLiteral("--for: cannot read \"%1\" as a time; use 30m, 2h "
                                           "or 1h30m")
                                .arg(r.duration));
        if (const QString why = shelfTooLong(*ms, r.maxHours); !why.isEmpty())
            return bad(err, why);
        if (cleanReason(r.reason).isEmpty())
            return bad(err, QStringLiteral("shelve needs --reason, as --reason \"antenna work\""));
    }
    if (!QFileInfo(r.database).isFile())
        return refused(err, QStringLiteral("no history database at %1").arg(r.database));

    // Opened first: it brings an older record's schema up to date.
    std::optional<HistoryStore> store;
    if (r.command != u"shelved") {
        if (!QFileInfo(r.database).isWritable())
            return refused(err, QStringLiteral("cannot %1: %2 is read-only to %3")
                                    .arg(r.command, r.database, currentUserName()));
        store.emplace(r.database);
        if (const StoreError e = store->open())
            return refused(err, e.message);
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString error;
    const auto shelves = shelvesNow(r.database, now, &error);
    if (!shelves)
        return refused(err, error);
    if (r.command == u"shelved") {
        out << "kind,until,reason,user\n";
        for (auto it = shelves->cbegin(); it != shelves->cend(); ++it)
            out << it.key() << ',' << it->until.toString(Qt::ISODateWithMs) << ','
                << csvField(it->reason) << ',' << csvField(it->user) << '\n';
        return 0;
    }
    EventRecord row;
    if (shelve) {
        row = shelvedRow(r.kinds.isEmpty() ? alarm::all() : r.kinds, now, now.addMSecs(*ms),
                         r.reason, currentUserName());
    } else {
        QStringList ending;
        for (const QString& kind : r.kinds.isEmpty() ? alarm::all() : r.kinds) {
            if (shelves->contains(kind))
                ending << kind;
        }
        if (ending.isEmpty()) {
            err << "zel-fm-history: nothing of that is shelved\n";
            return 0;
        }
        // Unshelving everything says "all", however much of it was shelved.
        row = unshelvedRow(r.kinds.isEmpty() ? alarm::all() : ending, now, currentUserName());
    }
    if (const StoreError e = store->append(row))
        return refused(err, QStringLiteral("cannot %1: %2").arg(r.command, e.message));
    out << eventsHeader() << '\n' << eventRow(row) << '\n';
    return 0;
}

} // namespace zel::history
