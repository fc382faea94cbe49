#pragma once

#include "eventrecord.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace zel {

// Shelving for maintenance lives in the event log: a "shelve" row per change,
// written by the command line or the window and read back by the monitor.
//   shelved    value: the kinds ("all", or comma-separated); detail "until
//              <ISO UTC>: <reason>"; user: who shelved them
//   unshelved  value: the kinds; user: who ended the shelf by hand
//   expired    value: the kinds; detail as the shelf's; written by the monitor
namespace shelving {
inline const QString Event = QStringLiteral("shelve");
inline const QString Shelved = QStringLiteral("shelved");
inline const QString Unshelved = QStringLiteral("unshelved");
inline const QString Expired = QStringLiteral("expired");
inline const QString AllKinds = QStringLiteral("all");
// What a reason may hold: one line, short enough for a table cell.
inline constexpr int MaxReasonLength = 200;
} // namespace shelving

// One kind's shelf in force.
struct ShelfEntry {
    qint64 rowId = 0; // the shelved row
    QDateTime until;  // UTC, as the row says
    QString reason;
    QString user;
    bool operator==(const ShelfEntry&) const = default;
};
using Shelves = QMap<QString, ShelfEntry>; // by kind

// "all" when kinds is every kind, else the kinds comma-separated.
QString shelfValue(const QStringList& kinds);
QStringList shelfKinds(const QString& value);
// The kinds not known to alarm::all(); empty when all are.
QStringList unknownKinds(const QStringList& kinds);

// "30m", "2h", "1h30m" in ms; nothing for anything else or for zero.
std::optional<qint64> parseShelfDuration(const QString& text);
// "2h", "1h30m", "45m": as parseShelfDuration reads it (whole minutes).
QString shelfDurationText(qint64 ms);
// The reason on one line, at most MaxReasonLength characters.
QString cleanReason(const QString& reason);

EventRecord shelvedRow(const QStringList& kinds, const QDateTime& at, const QDateTime& until,
                       const QString& reason, const QString& user);
EventRecord unshelvedRow(const QStringList& kinds, const QDateTime& at, const QString& user);
EventRecord expiredRow(const QStringList& kinds, const QDateTime& at, const ShelfEntry& shelf);

// Brings shelves up to one shelve row (rows are applied oldest first). An
// expired row ends only the shelf it names (by its end time), never a newer
// one written meanwhile.
void applyShelfRow(Shelves& shelves, const EventRecord& row);
// The shelves the rows leave in force at wall time now.
Shelves shelvesAt(const QList<EventRecord>& rows, const QDateTime& now);

// "shelved until 14:30 by alice (antenna work)", in local time; with the
// date when the end is not on the day of at.
QString shelfMarking(const ShelfEntry& shelf, const QDateTime& at);

} // namespace zel
