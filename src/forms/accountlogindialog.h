#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zel {

class OperatorLock;

// Asks for an operator's or an admin's account before an act the window's
// lock guards. Shown with open(): the window keeps running while the
// password is checked ("Checking…"), and a refusal is shown in the dialog
// itself. Accepted once the lock is signed in.
class AccountLoginDialog : public QDialog {
    Q_OBJECT
public:
    static inline const QString Caption = QStringLiteral("Operator sign-in");
    static inline const QString CheckingText = QStringLiteral("Checking…");

    // act names what waits for the sign-in ("SET", "Set Address", "Setup").
    AccountLoginDialog(OperatorLock& lock, const QString& act, QWidget* parent = nullptr);

    QLineEdit* account() const { return m_account; }
    QLineEdit* password() const { return m_password; }
    QPushButton* okButton() const { return m_ok; }
    QLabel* status() const { return m_status; }

private:
    void submit();
    void onRefused(const QString& message);
    void setBusy(bool busy);

    OperatorLock& m_lock;
    QString m_act;
    QLineEdit* m_account = nullptr;
    QLineEdit* m_password = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace zel
