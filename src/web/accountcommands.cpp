#include "accountcommands.h"

#include "accountfile.h"
#include "config/secretfile.h"
#include "passwordhash.h"
#include "passwordprompt.h"

#include <cstdio>

namespace zel {

namespace {

using Action = MonitorCommandLine::Action;

int fail(const QString& reason, int status = 1)
{
    std::fprintf(stderr, "zel-fm-monitor: %s\n", qUtf8Printable(reason));
    return status;
}

// The new password, hashed; empty after saying why not.
QByteArray askAndHash(const QString& name)
{
    NewPassword entered = readNewPassword(name);
    if (!entered.error.isEmpty()) {
        fail(entered.error);
        return {};
    }
    QByteArray hash = hashPassword(entered.password);
    wipeSecret(entered.password);
    if (hash.isEmpty())
        fail(QStringLiteral("the password could not be hashed (out of memory?)"));
    return hash;
}

int save(AccountFile& file, const QString& done)
{
    QString error;
    if (!file.save(&error))
        return fail(error);
    std::printf("%s\n", qUtf8Printable(done));
    return 0;
}

} // namespace

int runAccountCommand(const MonitorCommandLine& command, const QString& path)
{
    const QString& name = command.user;
    if (command.action != Action::ListUsers && !isValidAccountName(name))
        return fail(QStringLiteral("account name %1 is not 1 to 32 of A-Z a-z 0-9 . _ -").arg(name),
                    2);
    const std::optional<Role> role = roleFromText(command.role);
    if (command.action == Action::AddUser && !role)
        return fail(QStringLiteral("unknown role %1 (viewer, operator or admin)").arg(command.role),
                    2);

    AccountFile file(path);
    if (!file.load())
        return fail(file.error());
    // Lines it cannot read stay in the file as they are.
    for (const QString& problem : file.problems())
        std::fprintf(stderr, "zel-fm-monitor: %s (skipped)\n", qUtf8Printable(problem));
    const bool exists = file.find(name).has_value();
    if (command.action != Action::ListUsers && command.action != Action::AddUser && !exists)
        return fail(QStringLiteral("there is no account %1 in %2").arg(name, path));
    keepSecretsOutOfDumps();

    switch (command.action) {
    case Action::ListUsers:
        for (const Account& account : file.accounts())
            std::printf("%s %s\n", qUtf8Printable(account.name),
                        qUtf8Printable(roleText(account.role)));
        return 0;
    case Action::AddUser: {
        if (exists)
            return fail(QStringLiteral("account %1 is in %2 already; --passwd %1 gives it a new "
                                       "password")
                            .arg(name, path));
        const QByteArray hash = askAndHash(name);
        if (hash.isEmpty())
            return 1;
        file.add({name, *role, hash});
        return save(file, QStringLiteral("Added %1 (%2) to %3").arg(name, roleText(*role), path));
    }
    case Action::ChangePassword: {
        const QByteArray hash = askAndHash(name);
        if (hash.isEmpty())
            return 1;
        file.setHash(name, hash);
        return save(file, QStringLiteral("Changed the password of %1 in %2").arg(name, path));
    }
    case Action::RemoveUser:
        file.remove(name);
        return save(file, QStringLiteral("Removed %1 from %2").arg(name, path));
    default:
        return fail(QStringLiteral("not an account command"), 2);
    }
}

} // namespace zel
