#pragma once

#include <QStringList>
#include <QTextStream>

namespace zel::history {

// What the shelf commands are given.
struct ShelfRequest {
    QString command;   // shelve, unshelve or shelved
    QStringList kinds; // none: every kind
    QString duration;  // shelve: --for
    QString reason;    // shelve: --reason
    QString database;
    int maxHours = 12; // [Alarms] MaxShelveHours
};

bool isShelfCommand(const QString& command);
// Runs one; the exit status (0, 1 the database refused, 2 bad arguments).
int runShelfCommand(const ShelfRequest& request, QTextStream& out, QTextStream& err);

} // namespace zel::history
