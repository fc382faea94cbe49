#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zel {

// What a web panel account may do: a viewer reads, an operator also
// acknowledges and shelves alarms, an admin also manages the station.
enum class Role { Viewer, Operator, Admin };

// "viewer", "operator", "admin": the words of the accounts file and the API.
QString roleText(Role role);
std::optional<Role> roleFromText(QStringView text);

struct Account {
    QString name;
    Role role = Role::Viewer;
    QByteArray hash; // passwordhash.h's text form
};

// 1 to 32 characters of A-Z a-z 0-9 . _ -
bool isValidAccountName(QStringView name);

} // namespace zel
