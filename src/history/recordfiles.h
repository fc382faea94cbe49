#pragma once

#include <QFileDevice>
#include <QString>

namespace zel::history {

// The station record's database file, made before SQLite would make it with
// the umask's mode (its -wal and -shm then take the file's mode). Sets
// *created when this call made it; false with the reason when it cannot.
bool createRecordFile(const QString& path, QFileDevice::Permissions mode, bool* created,
                      QString* error);

// After opening: a record made now gets exactly `mode` on the file and its
// side files; one left from an older version or another program keeps what
// it had, less what others may do. Every store opening the database calls
// it, so the first to open decides nothing the others would not.
void protectRecordFiles(const QString& path, QFileDevice::Permissions mode, bool created);

} // namespace zel::history
