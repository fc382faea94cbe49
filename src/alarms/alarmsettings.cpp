#include "alarmsettings.h"

namespace zel {

std::optional<int> parseSeconds(const QString& text, int least)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= least && value <= MaxSeconds ? std::optional<int>(value) : std::nullopt;
}

// Anything but a whole number in range keeps the default and says so, since
// a typo here would silently change what alarms.
int readSeconds(const SettingsStore& store, const QString& section, const QString& key, int least,
                int fallback, QStringList& problems)
{
    const QString text = store.read(section, key, QString()).trimmed();
    if (text.isEmpty())
        return fallback;
    if (const auto value = parseSeconds(text, least))
        return *value;
    problems << QStringLiteral("[%1] %2 = \"%3\" is not a whole number of seconds from %4 to %5; "
                               "using %6")
                    .arg(section, key, text)
                    .arg(least)
                    .arg(MaxSeconds)
                    .arg(fallback);
    return fallback;
}

AlarmSettings readAlarmSettings(const SettingsStore& store)
{
    AlarmSettings s;
    s.qualifySeconds = readSeconds(store, keys::AlarmsSection, keys::QualifySeconds, 0,
                                   s.qualifySeconds, s.problems);
    s.clearSeconds =
        readSeconds(store, keys::AlarmsSection, keys::ClearSeconds, 0, s.clearSeconds, s.problems);
    // A readback needs some time for the transmitter to answer at all.
    s.readbackSeconds = readSeconds(store, keys::AlarmsSection, keys::ReadbackSeconds, 1,
                                    s.readbackSeconds, s.problems);
    const QString shelve =
        store.read(keys::AlarmsSection, keys::MaxShelveHours, QString()).trimmed();
    bool ok = shelve.isEmpty();
    if (!ok) {
        const int hours = shelve.toInt(&ok);
        ok = ok && hours >= 1 && hours <= LongestShelveHours;
        if (ok)
            s.maxShelveHours = hours;
    }
    if (!ok)
        s.problems << QStringLiteral("[Alarms] MaxShelveHours = \"%1\" is not a whole number of "
                                     "hours from 1 to %2; using %3")
                          .arg(shelve.left(40))
                          .arg(LongestShelveHours)
                          .arg(s.maxShelveHours);
    return s;
}

} // namespace zel
