#pragma once

#include "account.h"
#include "config/settingsstore.h"
#include "loginguard.h"
#include "monotonicclock.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <thread>

namespace zel {

// [Control] RequireLogin: false when absent or empty; a value other than
// true or false is false too, with the problem to tell once.
struct RequireLoginSetting {
    bool on = false;
    QString problem;
};
RequireLoginSetting readRequireLogin(const SettingsStore& settings);

// The window's own lock on what changes the transmitter (SET, Set Address,
// Setup), off unless [Control] RequireLogin is true and the accounts file
// holds an account. An operator or admin account unlocks it; it locks
// again after idleMs without an act. The password is checked on a thread of
// its own (Argon2id takes a good part of a second), the result comes back
// by a queued call, and a second attempt meanwhile is ignored. Failures
// count in a LoginGuard under the address "window": five for one name, or
// five from the window under any names, within 15 minutes lock that out for
// 15 minutes.
class OperatorLock : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultIdleMs = 10 * 60 * 1000;
    static inline const QString GuardAddress = QStringLiteral("window");

    OperatorLock(SettingsStore& settings, QString accountsPath, int idleMs = DefaultIdleMs,
                 MonotonicClock clock = steadyClock(), QObject* parent = nullptr);
    ~OperatorLock() override;

    // Asked before each act; the setting and the accounts file are read
    // afresh, so an account made while the window runs counts at once.
    // Open: no lock wanted, act as designed. SignedIn: an account holds the
    // lock, and this act counts as use. Locked: sign in first.
    enum class Admission { Open, SignedIn, Locked };
    Admission admit();

    // The account holding the lock, empty while locked.
    const QString& account() const { return m_account; }
    // The event log's user for acts under that account: "ann@window".
    QString actingUser() const;
    bool checking() const { return m_checking; }

    // Checks name and password for act ("SET", "Set Address", "Setup", for
    // the log); signedIn() or refused() follows. Ignored while one is being
    // checked. The caller's copy of the password is its own to wipe.
    void signIn(const QString& name, const QByteArray& password, const QString& act);
    void lock();

Q_SIGNALS:
    void signedIn(const QString& account);
    // One line for the operator: why not.
    void refused(const QString& message);
    // Each sign-in, refusal and lock-out, for the event log: event
    // "window_login" or "window_lockout", state "info" or "failed".
    void access(const QString& event, const QString& state, const QString& account,
                const QString& detail);
    // "Settings: ..." once per bad value of RequireLogin.
    void settingsProblem(const QString& text);

private:
    // The lock is wanted: RequireLogin is true and the file holds accounts,
    // or cannot be read (fileError), which keeps everyone out rather than
    // opening the lock.
    bool requiredNow(QString* fileError, QList<Account>* accounts);
    void checked(bool match);
    void refuse(const QString& name, const QString& message, const QString& detail);

    SettingsStore& m_settings;
    QString m_accountsPath;
    LoginGuard::Limits m_limits;
    LoginGuard m_guard;
    QTimer m_idle;
    QString m_toldProblem;
    QString m_account;

    // The attempt under way.
    bool m_checking = false;
    QString m_name;
    QString m_act;
    bool m_mayAct = false; // the named account is an operator or an admin
    std::thread m_worker;
};

} // namespace zel
