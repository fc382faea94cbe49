#pragma once

#include <QString>

namespace zel {

inline constexpr int VersionMajor = 2;
inline constexpr int VersionMinor = 0;
inline constexpr int VersionRevision = 3;

// " [ Version 2.0.3 ]", appended once to the main window's caption.
inline QString versionSuffix()
{
    return QStringLiteral(" [ Version %1.%2.%3 ]")
        .arg(VersionMajor)
        .arg(VersionMinor)
        .arg(VersionRevision);
}

} // namespace zel
