#include "account.h"

namespace zel {

QString roleText(Role role)
{
    switch (role) {
    case Role::Viewer:
        return QStringLiteral("viewer");
    case Role::Operator:
        return QStringLiteral("operator");
    case Role::Admin:
        return QStringLiteral("admin");
    }
    return {};
}

std::optional<Role> roleFromText(QStringView text)
{
    for (const Role role : {Role::Viewer, Role::Operator, Role::Admin}) {
        if (text == roleText(role))
            return role;
    }
    return std::nullopt;
}

bool isValidAccountName(QStringView name)
{
    if (name.isEmpty() || name.size() > 32)
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                        (u >= u'0' && u <= u'9') || u == u'.' || u == u'_' || u == u'-';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace zel
