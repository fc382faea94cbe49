#pragma once

#include <QSqlDatabase>
#include <QString>

namespace zel::history {

// The newest schema this build writes. Each release that changes the tables
// adds one step to migrate(); a database is brought forward step by step.
inline constexpr int SchemaVersion = 3;

// Creates the tables on an empty database or brings an older one up to
// SchemaVersion, in one transaction. False with a reason (the SQLite error
// kept in `error`) on failure; a database from a newer build is refused.
bool migrate(QSqlDatabase& db, QSqlError* error, QString* reason);

// Write-ahead log for a connection that writes: readers work while the
// monitor writes. Checkpointed once it holds about a megabyte, and cut back
// to that when it starts over, so a reader that held it back for a while
// leaves no large file behind.
bool setUpWriteAheadLog(QSqlDatabase& db, QSqlError* error);

// A Qt SQL connection name no other user of the database in this process
// has: each store, reader and outbox opens its own, on its own thread.
QString uniqueConnectionName(const QString& user);

} // namespace zel::history
