#include "stationidentity.h"

#include "common/controlcharacter.h"

#include <QSysInfo>

namespace zel {
namespace {

const QString NameKey = QStringLiteral("[Station] Name");
const QString AliasKey = QStringLiteral("[Alerts] Station");
const QString SiteKey = QStringLiteral("[Station] Site");

// Trimmed and cut to the length a label and a subject can carry.
QString shortText(const QString& key, QString text, QStringList* problems)
{
    text = text.trimmed();
    if (text.size() > StationTextMax) {
        text.truncate(StationTextMax);
        *problems << QStringLiteral("%1 is longer than %2 characters; cut to \"%3\"")
                         .arg(key)
                         .arg(StationTextMax)
                         .arg(text);
    }
    return text;
}

} // namespace

QString stationRoleName(StationRole role)
{
    switch (role) {
    case StationRole::Main:
        return QStringLiteral("main");
    case StationRole::Standby:
        return QStringLiteral("standby");
    case StationRole::Single:
        break;
    }
    return QStringLiteral("single");
}

QString controlCharacterProblem(const QString& key)
{
    return QStringLiteral("%1 holds a line break or another control character; no alert is "
                          "sent until it is mended")
        .arg(key);
}

StationIdentity readStationIdentity(const SettingsStore& store)
{
    StationIdentity id;
    const auto read = [&store](const QString& section, const QString& key) {
        return store.read(section, key, QString()).trimmed();
    };
    const QString name = read(keys::StationSection, keys::StationName);
    const QString alias = read(keys::AlertsStationSection, keys::AlertsStation);
    if (!name.isEmpty() && !alias.isEmpty() && name != alias)
        id.problems << QStringLiteral("%1 = \"%2\" and %3 = \"%4\" differ; using %1")
                           .arg(NameKey, name.left(StationTextMax), AliasKey,
                                alias.left(StationTextMax));
    id.nameKey = name.isEmpty() && !alias.isEmpty() ? AliasKey : NameKey;
    const QString given = name.isEmpty() ? alias : name;
    id.name =
        shortText(id.nameKey, given.isEmpty() ? QSysInfo::machineHostName() : given, &id.problems);
    id.site = shortText(SiteKey, read(keys::StationSection, keys::StationSite), &id.problems);

    for (const auto& [key, value] : {std::pair{id.nameKey, id.name}, std::pair{SiteKey, id.site}}) {
        // No mail header or line may carry one; the alerts hold back for it.
        if (hasControlCharacter(value))
            id.problems << controlCharacterProblem(key);
    }

    const QString role = read(keys::StationSection, keys::StationRoleKey);
    bool known = role.isEmpty();
    for (StationRole r : {StationRole::Single, StationRole::Main, StationRole::Standby}) {
        if (role.compare(stationRoleName(r), Qt::CaseInsensitive) == 0) {
            id.role = r;
            known = true;
        }
    }
    if (!known)
        id.problems << QStringLiteral("[Station] Role must be main, standby or single, not "
                                      "\"%1\"; using single")
                           .arg(role.left(StationTextMax));
    return id;
}

} // namespace zel
