#include "alarmtitle.h"

#include "eventrecord.h"

#include <QHash>

namespace zel {

QString alarmTitle(const QString& kind)
{
    static const QHash<QString, QString> titles{
        {alarm::OffAir, QStringLiteral("Off air")},
        {alarm::Unlocked, QStringLiteral("Frequency unlocked")},
        {alarm::OverTemperature, QStringLiteral("Over temperature")},
        {alarm::HighReflect, QStringLiteral("High reflected power")},
        {alarm::LinkLost, QStringLiteral("Link lost")},
        {alarm::PortFailed, QStringLiteral("Port failed")},
        {alarm::LowPower, QStringLiteral("Low power")},
        {alarm::Silence, QStringLiteral("Silence")},
        {alarm::ChannelLoss, QStringLiteral("Channel loss")},
        {QStringLiteral("readback"), QStringLiteral("Readback")},
    };
    if (const auto it = titles.constFind(kind); it != titles.cend())
        return *it;
    // A reading's own limit: "pa_voltage_v low" reads better than the kind.
    for (const char* end : {"_low", "_high"}) {
        if (kind.endsWith(QLatin1String(end)) && alarm::all().contains(kind))
            return kind.left(kind.size() - qsizetype(qstrlen(end))) + u' ' + QLatin1String(end + 1);
    }
    return kind;
}

} // namespace zel
