#include "historycsv.h"

#include <QStringList>

namespace zel::history {
namespace {

QString deviceText(const std::optional<int>& id)
{
    return id ? QStringLiteral("%1").arg(*id, 5, 10, QLatin1Char('0')) : QString();
}

QString share(int part, int whole)
{
    return whole > 0 ? QString::number(double(part) / whole, 'f', 3) : QString();
}

} // namespace

QString samplesHeader(Step step)
{
    QStringList c{QStringLiteral("time"), QStringLiteral("device_id")};
    for (int i = 0; i < FieldCount; ++i) {
        const QString name = QLatin1String(fieldInfo(fieldAt(i)).csvName);
        if (step == Step::Second)
            c << name;
        else
            c << name + QStringLiteral("_min") << name + QStringLiteral("_mean")
              << name + QStringLiteral("_max");
        // The flags sit after the frequency, as on the panel.
        if (fieldAt(i) == Field::Frequency && step == Step::Second)
            c << QStringLiteral("on_air") << QStringLiteral("locked");
        else if (fieldAt(i) == Field::Frequency)
            c << QStringLiteral("on_air_fraction") << QStringLiteral("locked_fraction");
    }
    c << QStringLiteral("link");
    return c.join(u',');
}

QString secondRow(const SecondSample& s, TimeStyle style)
{
    QStringList c{formatTime(s.t * 1000, style), deviceText(s.deviceId)};
    for (int i = 0; i < FieldCount; ++i) {
        const auto v = s.value[std::size_t(i)];
        c << (v ? formatScaled(*v, fieldInfo(fieldAt(i)).decimals) : QString());
        if (fieldAt(i) == Field::Frequency)
            c << QString::number(s.onAir ? 1 : 0) << QString::number(s.locked ? 1 : 0);
    }
    c << (s.gateway ? QStringLiteral("gateway") : QStringLiteral("serial"));
    return c.join(u',');
}

QString rollupRow(const Rollup& r, TimeStyle style)
{
    QStringList c{formatTime(r.t * 1000, style), deviceText(r.deviceId)};
    for (int i = 0; i < FieldCount; ++i) {
        const auto& f = r.field[std::size_t(i)];
        const int decimals = fieldInfo(fieldAt(i)).decimals;
        if (f)
            c << formatScaled(f->min, decimals) << formatScaled(f->mean, decimals)
              << formatScaled(f->max, decimals);
        else
            c << QString() << QString() << QString();
        if (fieldAt(i) == Field::Frequency)
            c << share(r.onAirSeconds, r.seconds) << share(r.lockedSeconds, r.seconds);
    }
    c << (r.gatewaySeconds * 2 > r.seconds ? QStringLiteral("gateway") : QStringLiteral("serial"));
    return c.join(u',');
}

QString blankRow(Step step, qint64 t, TimeStyle style)
{
    // Hours have the columns of minutes.
    static const qsizetype seconds = samplesHeader(Step::Second).count(u',');
    static const qsizetype periods = samplesHeader(Step::Minute).count(u',');
    return formatTime(t * 1000, style) + QString(step == Step::Second ? seconds : periods, u',');
}

QString eventsHeader()
{
    return QStringLiteral("id,time,event,state,value,detail,user,severity");
}

QString eventRow(const EventRecord& e, TimeStyle style)
{
    return QStringList{QString::number(e.id), formatTime(e.time.toMSecsSinceEpoch(), style),
                       csvField(e.event),     csvField(e.state),
                       csvField(e.value),     csvField(e.detail),
                       csvField(e.user),      csvField(e.severity)}
        .join(u',');
}

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace zel::history
