#pragma once

#include "shell/versionnumbers.h"

#include <QString>

namespace zel {

// " [ Version 2.0.3 ]", appended once to the main window's caption.
inline QString versionSuffix()
{
    return QStringLiteral(" [ Version %1.%2.%3 ]")
        .arg(VersionMajor)
        .arg(VersionMinor)
        .arg(VersionRevision);
}

} // namespace zel
