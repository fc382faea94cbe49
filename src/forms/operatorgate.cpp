#include "operatorgate.h"

#include "accountlogindialog.h"
#include "web/operatorlock.h"

#include <QWidget>

namespace zel {

OperatorGate::OperatorGate(QWidget* window) : QObject(window), m_window(window) {}

void OperatorGate::run(const QString& name, Act act)
{
    if (!m_lock) {
        act(QString());
        return;
    }
    switch (m_lock->admit()) {
    case OperatorLock::Admission::Open:
        act(QString());
        return;
    case OperatorLock::Admission::SignedIn:
        act(m_lock->actingUser());
        return;
    case OperatorLock::Admission::Locked:
        break;
    }
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    auto* dialog = new AccountLoginDialog(*m_lock, name, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Queued: the act may open dialogs of its own, not from inside this
    // one's closing.
    connect(dialog, &QDialog::accepted, this, [this, act = std::move(act)] {
        QMetaObject::invokeMethod(
            this, [act, user = m_lock->actingUser()] { act(user); }, Qt::QueuedConnection);
    });
    m_dialog = dialog;
    dialog->open();
}

} // namespace zel
