#include "accountlogindialog.h"

#include "web/operatorlock.h"
#include "web/passwordprompt.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zel {

AccountLoginDialog::AccountLoginDialog(OperatorLock& lock, const QString& act, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_lock(lock), m_act(act)
{
    setObjectName(QStringLiteral("AccountLoginDialog"));
    setWindowTitle(Caption);

    auto* intro =
        new QLabel(QStringLiteral("%1 needs an operator or an admin account.").arg(act), this);
    intro->setWordWrap(true);
    m_account = new QLineEdit(this);
    m_account->setObjectName(QStringLiteral("Account"));
    m_account->setMaxLength(32);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_password->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData |
                                    Qt::ImhNoPredictiveText);
    m_password->setMaxLength(MaxPasswordBytes);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Account:"), m_account);
    fields->addRow(QStringLiteral("&Password:"), m_password);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setWordWrap(true);
    m_status->setStyleSheet(QStringLiteral("color: #a00000"));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(fields);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_ok, &QPushButton::clicked, this, &AccountLoginDialog::submit);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_lock, &OperatorLock::refused, this, &AccountLoginDialog::onRefused);
    connect(&m_lock, &OperatorLock::signedIn, this, [this] { accept(); });
}

void AccountLoginDialog::submit()
{
    if (m_lock.checking())
        return;
    QByteArray secret = m_password->text().toUtf8();
    setBusy(true);
    // A refusal may come back at once (a field left empty, a lock-out).
    m_lock.signIn(m_account->text(), secret, m_act);
    wipeSecret(secret);
}

void AccountLoginDialog::onRefused(const QString& message)
{
    setBusy(false);
    m_status->setText(message);
    // The next attempt replaces the whole password, as at the designed login.
    m_password->setFocus(Qt::OtherFocusReason);
    m_password->selectAll();
}

void AccountLoginDialog::setBusy(bool busy)
{
    if (busy)
        m_status->setText(CheckingText);
    m_ok->setEnabled(!busy);
    m_account->setEnabled(!busy);
    m_password->setEnabled(!busy);
}

} // namespace zel
