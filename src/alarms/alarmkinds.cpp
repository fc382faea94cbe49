#include "eventrecord.h"
#include "limitreadings.h"

namespace zel::alarm {

QString readingKind(const QString& reading, bool high)
{
    if (reading == QLatin1String("temperature_c") && high)
        return OverTemperature;
    if (reading == QLatin1String("reflected_w") && high)
        return HighReflect;
    if (reading == QLatin1String("forward_w") && !high)
        return LowPower;
    return reading + (high ? QStringLiteral("_high") : QStringLiteral("_low"));
}

const QStringList& all()
{
    static const QStringList kinds = [] {
        QStringList k{OffAir,     Unlocked, OverTemperature, HighReflect, LinkLost,
                      PortFailed, LowPower, Silence,         ChannelLoss};
        for (const QString& reading : readingNames()) {
            for (bool high : {false, true}) {
                const QString kind = readingKind(reading, high);
                if (!k.contains(kind))
                    k << kind;
            }
        }
        return k;
    }();
    return kinds;
}

} // namespace zel::alarm
