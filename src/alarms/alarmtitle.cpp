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
        {QStringLiteral("readback"), QStringLiteral("Readback")},
    };
    return titles.value(kind, kind);
}

} // namespace zel
