#pragma once

#include <QString>

namespace zel {

// A profile keeps one transmitter's settings and files apart from another's
// on the same PC. Its name becomes a folder and a systemd instance name:
// 1 to 32 of A-Z a-z 0-9 _ -, starting with a letter or digit.
bool isValidProfileName(const QString& name);
// Why name is no profile name, for a line after the program's name; empty
// when it is one.
QString profileNameProblem(const QString& name);

// A profile's settings file: $XDG_CONFIG_HOME/ZEL/NAME/ZEL.ini (on Windows
// %APPDATA%\ZEL\NAME\ZEL.ini).
QString profileSettingsPath(const QString& profile);

} // namespace zel
