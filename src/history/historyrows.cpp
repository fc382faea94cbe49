#include "historyrows.h"

#include <QStringList>
#include <QTimeZone>
#include <QVariant>

namespace zel::history {
namespace {

// Column positions of the non-field columns in secondsColumns().
constexpr int kTime = 0, kDevice = 1, kOnAir = 2, kLocked = 3, kLink = 4, kFirstField = 5;

QVariant optional(const std::optional<qint64>& v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<qint64>());
}

} // namespace

QString secondsColumns()
{
    QStringList c{QStringLiteral("t"), QStringLiteral("device"), QStringLiteral("on_air"),
                  QStringLiteral("locked"), QStringLiteral("link")};
    for (int i = 0; i < FieldCount; ++i) {
        const FieldInfo& f = fieldInfo(fieldAt(i));
        const QString name = QLatin1String(f.column);
        c << name;
        if (f.keepsRange)
            c << name + QStringLiteral("_lo") << name + QStringLiteral("_hi");
    }
    return c.join(QStringLiteral(", "));
}

QString secondsPlaceholders()
{
    const auto n = secondsColumns().count(u',') + 1;
    QStringList marks;
    for (int i = 0; i < n; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

void bindSecond(QSqlQuery& q, const SecondSample& s)
{
    q.bindValue(kTime, s.t);
    q.bindValue(kDevice, s.deviceId ? QVariant(*s.deviceId) : QVariant(QMetaType::fromType<int>()));
    q.bindValue(kOnAir, s.onAir ? 1 : 0);
    q.bindValue(kLocked, s.locked ? 1 : 0);
    q.bindValue(kLink, s.gateway ? 1 : 0);
    int col = kFirstField;
    for (int i = 0; i < FieldCount; ++i) {
        const auto v = s.value[std::size_t(i)];
        q.bindValue(col++, optional(v));
        if (fieldInfo(fieldAt(i)).keepsRange) {
            // Offsets from the value: usually 0 or 1, which SQLite stores in
            // no payload bytes at all.
            q.bindValue(col++, optional(v ? std::optional(*v - s.min[std::size_t(i)]) : v));
            q.bindValue(col++, optional(v ? std::optional(s.max[std::size_t(i)] - *v) : v));
        }
    }
}

SecondSample secondFromRow(const QSqlQuery& q)
{
    // One value() a column: each is a lookup and a copy, and a replay reads
    // millions of rows.
    SecondSample s;
    s.t = q.value(kTime).toLongLong();
    if (const QVariant device = q.value(kDevice); !device.isNull())
        s.deviceId = device.toInt();
    s.onAir = q.value(kOnAir).toInt() != 0;
    s.locked = q.value(kLocked).toInt() != 0;
    s.gateway = q.value(kLink).toInt() != 0;
    int col = kFirstField;
    for (int i = 0; i < FieldCount; ++i) {
        const auto idx = std::size_t(i);
        const bool range = fieldInfo(fieldAt(i)).keepsRange;
        if (const QVariant value = q.value(col); !value.isNull()) {
            const qint64 v = value.toLongLong();
            s.value[idx] = v;
            s.min[idx] = range ? v - q.value(col + 1).toLongLong() : v;
            s.max[idx] = range ? v + q.value(col + 2).toLongLong() : v;
        }
        col += range ? 3 : 1;
    }
    return s;
}

QString secondValuesColumns()
{
    QStringList c{QStringLiteral("t"), QStringLiteral("on_air")};
    for (int i = 0; i < FieldCount; ++i)
        c << QLatin1String(fieldInfo(fieldAt(i)).column);
    return c.join(QStringLiteral(", "));
}

SecondSample secondValuesFromRow(const QSqlQuery& q)
{
    SecondSample s;
    s.t = q.value(0).toLongLong();
    s.onAir = q.value(1).toInt() != 0;
    for (int i = 0; i < FieldCount; ++i) {
        if (const QVariant value = q.value(2 + i); !value.isNull())
            s.value[std::size_t(i)] = value.toLongLong();
    }
    return s;
}

QString eventColumns(bool withSeverity)
{
    return withSeverity
               ? QStringLiteral("id, t, event, state, value, detail, user, severity")
               : QStringLiteral("id, t, event, state, value, detail, user, '' AS severity");
}

EventRecord eventFromRow(const QSqlQuery& q)
{
    EventRecord e;
    e.id = q.value(0).toLongLong();
    e.time = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong(), Qt::UTC);
    e.event = q.value(2).toString();
    e.state = q.value(3).toString();
    e.value = q.value(4).toString();
    e.detail = q.value(5).toString();
    e.user = q.value(6).toString();
    e.severity = q.value(7).toString();
    return e;
}

} // namespace zel::history
