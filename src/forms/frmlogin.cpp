#include "frmlogin.h"

#include "twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zel {
namespace {

const QString UserName = QStringLiteral("Vorna");
const QString Password = QStringLiteral("quintlef");

QLabel* lblLabels(QWidget* parent, int index, const QString& caption, QRect at)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QStringLiteral("lblLabels_%1").arg(index));
    label->setGeometry(at);
    return label;
}

} // namespace

frmLogin::frmLogin(OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(Caption);
    setFixedSize(twips(3750), twips(1545));

    auto* userLabel =
        lblLabels(this, 0, QStringLiteral("&User Name:"), twipsRect(105, 150, 1080, 270));
    m_userName = new QLineEdit(UserName, this);
    m_userName->setObjectName(QStringLiteral("txtUserName"));
    m_userName->setGeometry(twipsRect(1320, 135, 2325, 345));
    userLabel->setBuddy(m_userName);

    auto* passwordLabel =
        lblLabels(this, 1, QStringLiteral("&Password:"), twipsRect(105, 540, 1080, 270));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setGeometry(twipsRect(1290, 525, 2325, 345));
    m_password->setEchoMode(QLineEdit::Password);
    // The style's own mask character differs between platforms; the design
    // shows "*".
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_password->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_password->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData |
                                    Qt::ImhNoPredictiveText);
    passwordLabel->setBuddy(m_password);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setGeometry(twipsRect(360, 1020, 1140, 390));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cancel->setGeometry(twipsRect(2100, 1020, 1140, 390));

    setTabOrder(m_userName, m_password);
    setTabOrder(m_password, m_ok);
    setTabOrder(m_ok, m_cancel);

    connect(m_ok, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(m_cancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
}

void frmLogin::cmdOK_Click()
{
    if (m_userName->text() == UserName && m_password->text() == Password) {
        LoginSucceeded = true;
        Q_EMIT attempted(true, m_userName->text());
        done(QDialog::Accepted);
        return;
    }
    Q_EMIT attempted(false, m_userName->text());
    m_dialogs.message(QStringLiteral("Invalid Password, try again!"), Caption);
    // The next attempt replaces the whole password as typed.
    m_password->setFocus(Qt::OtherFocusReason);
    m_password->selectAll();
}

void frmLogin::cmdCancel_Click()
{
    LoginSucceeded = false;
    done(QDialog::Rejected);
}

void frmLogin::reject()
{
    cmdCancel_Click();
}

} // namespace zel
