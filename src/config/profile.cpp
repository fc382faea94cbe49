#include "profile.h"

#include <QRegularExpression>
#include <QStandardPaths>

namespace zel {

bool isValidProfileName(const QString& name)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9][A-Za-z0-9_-]{0,31}")));
    return pattern.match(name).hasMatch();
}

QString profileNameProblem(const QString& name)
{
    if (isValidProfileName(name))
        return {};
    return QStringLiteral("profile name \"%1\" is not 1 to 32 of A-Z a-z 0-9 _ -, starting with "
                          "a letter or digit")
        .arg(name);
}

QString profileSettingsPath(const QString& profile)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ZEL/") + profile + QStringLiteral("/ZEL.ini");
}

} // namespace zel
