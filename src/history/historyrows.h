#pragma once

#include "alarms/eventrecord.h"
#include "historyfields.h"

#include <QSqlQuery>
#include <QString>

namespace zel::history {

// The seconds table's columns in the order the statements below bind and read.
QString secondsColumns();
// "?, ?, ..." for an INSERT of every seconds column.
QString secondsPlaceholders();
void bindSecond(QSqlQuery& q, const SecondSample& s);
// Reads a row selected with secondsColumns().
SecondSample secondFromRow(const QSqlQuery& q);
// t, on_air and the fields' values alone, for a reader of millions of rows:
// each column costs it about as much as SQLite's whole step.
QString secondValuesColumns();
SecondSample secondValuesFromRow(const QSqlQuery& q);

// id, t, event, state, value, detail, user, in that order.
// A record older than the severity column reads it as empty.
QString eventColumns(bool withSeverity = true);
EventRecord eventFromRow(const QSqlQuery& q);

} // namespace zel::history
