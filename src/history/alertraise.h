#pragma once

#include <QString>

#include <optional>

namespace zel::history {

// The alarm raise an alert is about: its kind and the time of its raised row.
struct AlarmRaise {
    QString kind;
    qint64 timeMs = 0; // ms since the epoch, as the events table holds it
    bool operator==(const AlarmRaise&) const = default;
};

// An alert about an alarm carries that alarm's raise in its identifier, so
// the command line acknowledges from the id a mail or webhook shows, with no
// table to tie the two. A UUID of version 8: the raise's time in its first 48
// bits, the kind's place in alarm::all() in the next 12, random bits in the
// rest, so each alert's id stays its own.
QString alertIdFor(const AlarmRaise& raise);
// The raise an id names; nothing for any other id (a test, a readback).
std::optional<AlarmRaise> raiseInAlertId(const QString& id);

} // namespace zel::history
