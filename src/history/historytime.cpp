#include "historytime.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

namespace zel::history {
namespace {

// "+01:00" for 3600 s.
QString offsetText(int seconds)
{
    const int minutes = std::abs(seconds) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(QChar(seconds < 0 ? u'-' : u'+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

std::optional<qint64> relativeTime(const QString& text, qint64 nowMs)
{
    if (text == QLatin1String("now"))
        return nowMs;
    const QDate today = QDateTime::fromMSecsSinceEpoch(nowMs, Qt::LocalTime).date();
    if (text == QLatin1String("today"))
        return today.startOfDay(Qt::LocalTime).toMSecsSinceEpoch();
    if (text == QLatin1String("yesterday"))
        return today.addDays(-1).startOfDay(Qt::LocalTime).toMSecsSinceEpoch();
    static const QRegularExpression back(QStringLiteral("^-(\\d{1,9})([smhd])$"));
    const auto m = back.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const qint64 n = m.captured(1).toLongLong();
    const QChar unit = m.captured(2).at(0);
    const qint64 unitMs = unit == u's'   ? 1000
                          : unit == u'm' ? 60000
                          : unit == u'h' ? 3600000
                                         : 86400000;
    return nowMs - n * unitMs;
}

// Seconds ahead of UTC for "Z", "+02:00", "+0200" or "-05"; nothing when out of range.
std::optional<int> zoneOffset(const QString& zone)
{
    if (zone == QLatin1String("Z"))
        return 0;
    const QString digits = QString(zone.mid(1)).remove(u':');
    const int hours = digits.left(2).toInt();
    const int minutes = digits.size() > 2 ? digits.mid(2).toInt() : 0;
    if (hours > 14 || minutes > 59)
        return std::nullopt;
    const int seconds = hours * 3600 + minutes * 60;
    return zone.startsWith(u'-') ? -seconds : seconds;
}

} // namespace

QString formatTime(qint64 ms, TimeStyle style)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms, style.local ? Qt::LocalTime : Qt::UTC);
    if (style.spreadsheet)
        return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return t.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) +
           (style.local ? offsetText(t.offsetFromUtc()) : QStringLiteral("Z"));
}

std::optional<qint64> parseTimeArgument(const QString& text, qint64 nowMs)
{
    if (const auto t = relativeTime(text, nowMs))
        return t;
    static const QRegularExpression absolute(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:([T ])(\\d{2}:\\d{2}(?::\\d{2}(?:\\.\\d{1,3})?)?)"
                       "(Z|[+-]\\d{2}(?::?\\d{2})?)?)?$"));
    const auto m = absolute.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(m.captured(1), Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    if (!m.hasCaptured(2))
        return date.startOfDay(Qt::LocalTime).toMSecsSinceEpoch();
    const QTime time = QTime::fromString(m.captured(3), Qt::ISODateWithMs);
    if (!time.isValid())
        return std::nullopt;
    if (m.hasCaptured(4)) {
        const auto offset = zoneOffset(m.captured(4));
        if (!offset)
            return std::nullopt;
        return QDateTime(date, time, Qt::OffsetFromUTC, *offset).toMSecsSinceEpoch();
    }
    // Without a zone the T form stays UTC, as it always was; the space form
    // is how people write their own clock's time.
    if (m.captured(2) == QLatin1String("T"))
        return QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    const QDateTime local(date, time, Qt::LocalTime);
    // A time the clock skipped when it went forward names no moment.
    if (!local.isValid() || local.time() != time)
        return std::nullopt;
    return local.toMSecsSinceEpoch();
}

} // namespace zel::history
