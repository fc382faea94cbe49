#pragma once

#include "shell/operatordialogs.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zel {

// The login that guards "FM Set". It only reports the result in
// LoginSucceeded and hides; the caller reads the flag after exec() and
// destroys the dialog, so each use starts afresh.
class frmLogin : public QDialog {
    Q_OBJECT
public:
    static inline const QString Caption = QStringLiteral("Login");

    explicit frmLogin(OperatorDialogs& dialogs, QWidget* parent = nullptr);

    bool LoginSucceeded = false;

    void cmdOK_Click();
    void cmdCancel_Click();

    QLineEdit* txtUserName() const { return m_userName; }
    QLineEdit* txtPassword() const { return m_password; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdCancel() const { return m_cancel; }

public Q_SLOTS:
    // Esc and the title bar's close button act as cmdCancel.
    void reject() override;

Q_SIGNALS:
    // Each press of OK, with the user name typed (never the password).
    void attempted(bool succeeded, const QString& userTyped);

private:
    OperatorDialogs& m_dialogs;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace zel
