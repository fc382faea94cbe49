#pragma once

#include "accountlogindialog.h"
#include "web/operatorlock.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace zel {

// Runs the window's acts that change the transmitter (SET, Set Address,
// Setup) past the window's lock: at once when there is no lock or it is not
// wanted, or when an account holds it; otherwise once an account has
// signed in. One act waits at a time; asking again brings its sign-in
// forward.
class OperatorGate : public QObject {
    Q_OBJECT
public:
    // user: the event log's user for the act, empty for the
    // operating-system user's (no lock in use).
    using Act = std::function<void(const QString& user)>;

    explicit OperatorGate(QWidget* window);

    void setLock(OperatorLock* lock) { m_lock = lock; }
    void run(const QString& name, Act act);
    AccountLoginDialog* signIn() const { return m_dialog; }

private:
    QWidget* m_window;
    QPointer<OperatorLock> m_lock;
    QPointer<AccountLoginDialog> m_dialog;
};

} // namespace zel
