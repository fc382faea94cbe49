#include "currentuser.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
namespace zel {

QString currentUserName()
{
    return qEnvironmentVariable("USERNAME");
}

} // namespace zel
#else
#include <pwd.h>
#include <unistd.h>

namespace zel {

QString currentUserName()
{
    // A login shell sets USER; cron and some service managers only LOGNAME.
    for (const char* name : {"USER", "LOGNAME"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    if (const passwd* entry = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return {};
}

} // namespace zel
#endif
