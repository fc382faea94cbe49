#include "historysettings.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"

namespace zel::history {
namespace {

int readDays(const SettingsStore& store, const QString& key, int fallback)
{
    const QString text = store.read(QStringLiteral("History"), key, QString());
    if (text.trimmed().isEmpty())
        return fallback;
    const auto days = roundToWhole(parseLeadingNumber(text), 0, 1000000);
    return days ? int(*days) : fallback;
}

} // namespace

RetentionPolicy readRetentionPolicy(const SettingsStore& store)
{
    RetentionPolicy p;
    p.secondDays = readDays(store, QStringLiteral("SecondDays"), p.secondDays);
    p.minuteDays = readDays(store, QStringLiteral("MinuteDays"), p.minuteDays);
    p.eventDays = readDays(store, QStringLiteral("EventDays"), p.eventDays);
    return p;
}

} // namespace zel::history
