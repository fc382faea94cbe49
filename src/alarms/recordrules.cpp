#include "recordrules.h"

#include "eventrecord.h"
#include "panel/panelupdate.h"

namespace zel {

bool recordRuleHolds(const QString& kind, const TransmitterStatus& s)
{
    if (kind == alarm::OffAir)
        return !s.OnAir;
    if (kind == alarm::Unlocked)
        return !s.FreqLock;
    if (kind == alarm::OverTemperature)
        return temperatureAlarm(s.TemperatureC);
    if (kind == alarm::HighReflect)
        return reflectAlarm(s.ForwardW, s.ReflectW);
    return false;
}

RuleReading judgeRecord(const QString& kind, const TransmitterStatus& s)
{
    const bool holds = recordRuleHolds(kind, s);
    if (kind == alarm::OffAir)
        return {holds, s.OnAir ? QStringLiteral("ON") : QStringLiteral("OFF")};
    if (kind == alarm::Unlocked)
        return {holds, QStringLiteral("%1 MHz").arg(s.FrequencyMHz.trimmed())};
    if (kind == alarm::OverTemperature)
        return {holds, s.TemperatureC.trimmed()};
    if (kind == alarm::HighReflect)
        return {holds,
                QStringLiteral("%1 W of %2 W").arg(s.ReflectW.trimmed(), s.ForwardW.trimmed())};
    return {};
}

QString ruleText(const QString& kind)
{
    if (kind == alarm::OffAir)
        return QStringLiteral("carrier off air");
    if (kind == alarm::Unlocked)
        return QStringLiteral("frequency not locked");
    return kind;
}

} // namespace zel
