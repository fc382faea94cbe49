#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace zel::history {

// "2026-12-06T21:43:26.123Z" for milliseconds since the epoch.
QString formatTime(qint64 ms);

// A time as the command line takes it, in milliseconds since the epoch:
// ISO 8601 UTC with or without milliseconds and the Z ("2026-12-06T21:43:26.123Z",
// "2026-12-06T21:43:26"), a date alone (its midnight, UTC), or a span back
// from now: -90s, -30m, -2h, -7d. Nothing when the text is none of these.
std::optional<qint64> parseTimeArgument(const QString& text, qint64 nowMs);

} // namespace zel::history
