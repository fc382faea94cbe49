#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace zel::history {

// How the command line writes times. The default is ISO 8601 UTC with
// milliseconds ("2026-12-06T21:43:26.123Z"); local adds the zone's offset
// ("2026-12-06T22:43:26.123+01:00"). The spreadsheet layout,
// "2026-12-06 21:43:26", is what LibreOffice and Excel take as a date and
// time; it has no offset, so with local an hour the clock goes back repeats.
struct TimeStyle {
    bool local = false;
    bool spreadsheet = false;
};

QString formatTime(qint64 ms, TimeStyle style = {});

// A time as the command line takes it, in milliseconds since the epoch:
// - a date and time with a T: UTC, or at the zone it names
//   ("2026-12-06T21:43:26.123Z", "2026-12-06T21:43:26", "2026-12-06T22:43+01:00");
// - a date and time with a space: local time, or at the zone it names
//   ("2026-12-06 22:43", "2026-12-06 21:43:26Z");
// - a date alone, today or yesterday: that day's local midnight; now;
// - a span back from now: -90s, -30m, -2h, -7d.
// Nothing when the text is none of these, or a local time the clock skips.
std::optional<qint64> parseTimeArgument(const QString& text, qint64 nowMs);

} // namespace zel::history
