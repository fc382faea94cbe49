#include "currentuser.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>

namespace zel {

QString currentUserName()
{
    wchar_t name[257];
    DWORD size = sizeof name / sizeof name[0];
    if (!::GetUserNameW(name, &size) || size == 0)
        return {};
    return QString::fromWCharArray(name, int(size) - 1); // size counts the final NUL
}

} // namespace zel
#else
#include <QFile>

#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace zel {
namespace {

QString nameOf(uid_t uid)
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    // A user the database does not know is still someone: keep the number.
    return QString::number(uid);
}

// The user the kernel's audit records for this session; unset for processes
// started outside a login (services, the tests' children in a container).
std::optional<uid_t> loginUid()
{
    QFile file(QStringLiteral("/proc/self/loginuid"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qulonglong id = file.read(32).trimmed().toULongLong(&ok);
    if (!ok || id >= 4294967295ULL)
        return std::nullopt;
    return uid_t(id);
}

} // namespace

QString currentUserName()
{
    const uid_t real = ::getuid();
    const QString user = nameOf(real);
    if (const auto login = loginUid(); login && *login != real)
        return QStringLiteral("%1 as %2").arg(nameOf(*login), user);
    return user;
}

} // namespace zel
#endif
