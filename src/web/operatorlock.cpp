#include "operatorlock.h"

#include "accountfile.h"
#include "alarms/eventrecord.h"
#include "passwordhash.h"
#include "passwordprompt.h"

namespace zel {
namespace {

const QString LoginEvent = QStringLiteral("window_login");
const QString LockoutEvent = QStringLiteral("window_lockout");

bool mayAct(Role role)
{
    return role == Role::Operator || role == Role::Admin;
}

QString minutes(qint64 ms)
{
    const qint64 n = (ms + 59999) / 60000;
    return n == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(n);
}

} // namespace

RequireLoginSetting readRequireLogin(const SettingsStore& settings)
{
    const QString text =
        settings.read(QStringLiteral("Control"), QStringLiteral("RequireLogin"), QString())
            .trimmed();
    if (text.isEmpty() || text.compare(u"false", Qt::CaseInsensitive) == 0)
        return {};
    if (text.compare(u"true", Qt::CaseInsensitive) == 0)
        return {true, {}};
    return {false, QStringLiteral("[Control] RequireLogin \"%1\" is neither true nor false; "
                                  "the window asks for no account.")
                       .arg(text)};
}

OperatorLock::OperatorLock(SettingsStore& settings, QString accountsPath, int idleMs,
                           MonotonicClock clock, QObject* parent)
    : QObject(parent), m_settings(settings), m_accountsPath(std::move(accountsPath)),
      m_guard(std::move(clock), m_limits)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleMs);
    connect(&m_idle, &QTimer::timeout, this, &OperatorLock::lock);
}

OperatorLock::~OperatorLock()
{
    // The check's result is posted to this object: it must be in before the
    // object goes, and then goes with it unseen.
    if (m_worker.joinable())
        m_worker.join();
}

QString OperatorLock::actingUser() const
{
    return m_account.isEmpty() ? QString() : m_account + QStringLiteral("@window");
}

bool OperatorLock::requiredNow(QString* fileError, QList<Account>* accounts)
{
    const RequireLoginSetting setting = readRequireLogin(m_settings);
    if (!setting.problem.isEmpty() && setting.problem != m_toldProblem) {
        m_toldProblem = setting.problem;
        Q_EMIT settingsProblem(QStringLiteral("Settings: %1").arg(setting.problem));
    }
    if (!setting.on)
        return false;
    AccountFile file(m_accountsPath);
    if (!file.load()) {
        *fileError = file.error();
        return true;
    }
    *accounts = file.accounts();
    return !accounts->isEmpty();
}

OperatorLock::Admission OperatorLock::admit()
{
    QString fileError;
    QList<Account> accounts;
    if (!requiredNow(&fileError, &accounts)) {
        lock();
        return Admission::Open;
    }
    // The holder may have been removed or made a viewer meanwhile.
    for (const Account& a : std::as_const(accounts)) {
        if (!m_account.isEmpty() && a.name == m_account && mayAct(a.role)) {
            m_idle.start();
            return Admission::SignedIn;
        }
    }
    lock();
    return Admission::Locked;
}

void OperatorLock::lock()
{
    m_account.clear();
    m_idle.stop();
}

void OperatorLock::refuse(const QString& name, const QString& message, const QString& detail)
{
    Q_EMIT access(LoginEvent, eventstate::Failed, name,
                  QStringLiteral("refused for %1: %2").arg(m_act, detail));
    Q_EMIT refused(message);
}

void OperatorLock::signIn(const QString& typedName, const QByteArray& password, const QString& act)
{
    if (m_checking)
        return;
    const QString name = typedName.trimmed();
    if (name.isEmpty() || password.isEmpty()) {
        Q_EMIT refused(QStringLiteral("Type the account's name and its password."));
        return;
    }
    m_act = act;
    QString fileError;
    QList<Account> accounts;
    requiredNow(&fileError, &accounts);
    if (!fileError.isEmpty()) {
        refuse(name, QStringLiteral("The accounts cannot be read: %1").arg(fileError),
               QStringLiteral("accounts file unreadable"));
        return;
    }
    if (const LoginGuard::Verdict v = m_guard.check(name, GuardAddress); !v.allowed) {
        refuse(name,
               QStringLiteral("Too many failed sign-ins: try again in %1.")
                   .arg(minutes(qint64(v.secondsLeft) * 1000)),
               QStringLiteral("locked out"));
        return;
    }
    // An unknown name is checked against a stand-in hash all the same, so
    // that it takes as long to refuse as a wrong password.
    QByteArray hash;
    m_mayAct = false;
    for (const Account& a : std::as_const(accounts)) {
        if (a.name == name) {
            hash = a.hash;
            m_mayAct = mayAct(a.role);
        }
    }
    m_name = name;
    m_checking = true;
    if (m_worker.joinable())
        m_worker.join();
    m_worker = std::thread([this, hash, secret = password]() mutable {
        const bool match = verifyPassword(hash, secret);
        wipeSecret(secret);
        QMetaObject::invokeMethod(
            this, [this, match] { checked(match); }, Qt::QueuedConnection);
    });
}

void OperatorLock::checked(bool match)
{
    m_checking = false;
    if (m_worker.joinable())
        m_worker.join();
    const QString name = std::exchange(m_name, QString());
    if (!match) {
        const LoginGuard::Outcome out = m_guard.failed(name, GuardAddress);
        const auto lockedOut = [&](const QString& what) {
            Q_EMIT access(LockoutEvent, eventstate::Failed, name,
                          QStringLiteral("%1 failed sign-ins within %2: %3 locked out for %4")
                              .arg(QString::number(m_limits.failures), minutes(m_limits.windowMs),
                                   what, minutes(m_limits.lockMs)));
        };
        if (out.accountLocked)
            lockedOut(QStringLiteral("the account"));
        if (out.addressLocked)
            lockedOut(QStringLiteral("the window's sign-in"));
        refuse(name,
               out.accountLocked || out.addressLocked
                   ? QStringLiteral("Too many failed sign-ins: try again in %1.")
                         .arg(minutes(m_limits.lockMs))
                   : QStringLiteral("Wrong account or password."),
               QStringLiteral("wrong account or password"));
        return;
    }
    if (!m_mayAct) {
        refuse(name,
               QStringLiteral("%1 is a viewer: SET, Set Address and Setup need an operator "
                              "or an admin account.")
                   .arg(name),
               QStringLiteral("a viewer account"));
        return;
    }
    m_guard.succeeded(name, GuardAddress);
    m_account = name;
    m_idle.start();
    Q_EMIT access(LoginEvent, eventstate::Info, name, QStringLiteral("unlocked %1").arg(m_act));
    Q_EMIT signedIn(name);
}

} // namespace zel
