#include "shelfrecords.h"

#include <QRegularExpression>

namespace zel {
namespace {

QString untilText(const QDateTime& until)
{
    return until.toUTC().toString(Qt::ISODateWithMs);
}

QString detailOf(const QDateTime& until, const QString& reason)
{
    return QStringLiteral("until %1: %2").arg(untilText(until), reason);
}

// The end and reason of a shelved (or expired) row's detail.
bool parseDetail(const QString& detail, QDateTime* until, QString* reason)
{
    static const QRegularExpression form(QStringLiteral(R"(^until (\S+): (.*)$)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    const auto m = form.match(detail);
    if (!m.hasMatch())
        return false;
    *until = QDateTime::fromString(m.captured(1), Qt::ISODateWithMs);
    *reason = m.captured(2);
    return until->isValid();
}

} // namespace

QString shelfValue(const QStringList& kinds)
{
    QStringList sorted = kinds;
    sorted.removeDuplicates();
    if (sorted.size() == alarm::all().size() && unknownKinds(sorted).isEmpty())
        return shelving::AllKinds;
    return sorted.join(u',');
}

QStringList shelfKinds(const QString& value)
{
    if (value == shelving::AllKinds)
        return alarm::all();
    return value.split(u',', Qt::SkipEmptyParts);
}

QStringList unknownKinds(const QStringList& kinds)
{
    QStringList unknown;
    for (const QString& kind : kinds) {
        if (!alarm::all().contains(kind))
            unknown << kind;
    }
    return unknown;
}

std::optional<qint64> parseShelfDuration(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(R"(^(?:(\d{1,4})h)?(?:(\d{1,5})m)?$)"));
    const auto m = form.match(text.trimmed().toLower());
    if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(2).isEmpty()))
        return std::nullopt;
    const qint64 minutes = m.captured(1).toLongLong() * 60 + m.captured(2).toLongLong();
    if (minutes <= 0)
        return std::nullopt;
    return minutes * 60000;
}

QString shelfDurationText(qint64 ms)
{
    const qint64 minutes = ms / 60000;
    const qint64 h = minutes / 60;
    const qint64 m = minutes % 60;
    if (h == 0)
        return QStringLiteral("%1m").arg(m);
    return m == 0 ? QStringLiteral("%1h").arg(h) : QStringLiteral("%1h%2m").arg(h).arg(m);
}

QString cleanReason(const QString& reason)
{
    QString clean;
    for (const QChar c : reason)
        clean += c.category() == QChar::Other_Control ? u' ' : c;
    return clean.simplified().left(shelving::MaxReasonLength);
}

EventRecord shelvedRow(const QStringList& kinds, const QDateTime& at, const QDateTime& until,
                       const QString& reason, const QString& user)
{
    return {0,
            at.toUTC(),
            shelving::Event,
            shelving::Shelved,
            shelfValue(kinds),
            detailOf(until, cleanReason(reason)),
            user,
            QString()};
}

EventRecord unshelvedRow(const QStringList& kinds, const QDateTime& at, const QString& user)
{
    return {0,         at.toUTC(), shelving::Event, shelving::Unshelved, shelfValue(kinds),
            QString(), user,       QString()};
}

EventRecord expiredRow(const QStringList& kinds, const QDateTime& at, const ShelfEntry& shelf)
{
    return {0,
            at.toUTC(),
            shelving::Event,
            shelving::Expired,
            shelfValue(kinds),
            detailOf(shelf.until, shelf.reason),
            QString(),
            QString()};
}

void applyShelfRow(Shelves& shelves, const EventRecord& row)
{
    if (row.event != shelving::Event)
        return;
    const QStringList kinds = shelfKinds(row.value);
    QDateTime until;
    QString reason;
    if (row.state == shelving::Shelved) {
        if (!parseDetail(row.detail, &until, &reason))
            return;
        for (const QString& kind : kinds)
            shelves.insert(kind, {row.id, until.toUTC(), reason, row.user});
    } else if (row.state == shelving::Unshelved) {
        for (const QString& kind : kinds)
            shelves.remove(kind);
    } else if (row.state == shelving::Expired && parseDetail(row.detail, &until, &reason)) {
        for (const QString& kind : kinds) {
            if (const auto it = shelves.constFind(kind); it != shelves.cend() && it->until == until)
                shelves.remove(kind);
        }
    }
}

Shelves shelvesAt(const QList<EventRecord>& rows, const QDateTime& now)
{
    Shelves shelves;
    for (const EventRecord& row : rows)
        applyShelfRow(shelves, row);
    shelves.removeIf([&now](const auto& it) { return it.value().until <= now; });
    return shelves;
}

QString shelfMarking(const ShelfEntry& shelf, const QDateTime& at)
{
    const QDateTime end = shelf.until.toLocalTime();
    const bool sameDay = end.date() == at.toLocalTime().date();
    QString text = QStringLiteral("shelved until %1")
                       .arg(end.toString(sameDay ? QStringLiteral("HH:mm")
                                                 : QStringLiteral("yyyy-MM-dd HH:mm")));
    if (!shelf.user.isEmpty())
        text += QStringLiteral(" by %1").arg(shelf.user);
    if (!shelf.reason.isEmpty())
        text += QStringLiteral(" (%1)").arg(shelf.reason);
    return text;
}

} // namespace zel
