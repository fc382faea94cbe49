#include "historytime.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

namespace zel::history {

QString formatTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
}

std::optional<qint64> parseTimeArgument(const QString& text, qint64 nowMs)
{
    static const QRegularExpression relative(QStringLiteral("^-(\\d{1,9})([smhd])$"));
    if (const auto m = relative.match(text); m.hasMatch()) {
        const qint64 n = m.captured(1).toLongLong();
        const QChar unit = m.captured(2).at(0);
        const qint64 unitMs = unit == u's'   ? 1000
                              : unit == u'm' ? 60000
                              : unit == u'h' ? 3600000
                                             : 86400000;
        return nowMs - n * unitMs;
    }
    static const QRegularExpression absolute(QStringLiteral(
        "^(\\d{4}-\\d{2}-\\d{2})(?:T(\\d{2}:\\d{2}(?::\\d{2}(?:\\.\\d{1,3})?)?)Z?)?$"));
    const auto m = absolute.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(m.captured(1), Qt::ISODate);
    QTime time(0, 0);
    if (m.hasCaptured(2)) {
        time = QTime::fromString(m.captured(2), Qt::ISODateWithMs);
        if (!time.isValid())
            return std::nullopt;
    }
    if (!date.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
}

} // namespace zel::history
