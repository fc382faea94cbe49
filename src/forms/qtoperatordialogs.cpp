#include "qtoperatordialogs.h"

#include <QInputDialog>
#include <QMessageBox>

namespace zel {

void QtOperatorDialogs::message(const QString& text, const QString& title, Icon icon)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    title.isEmpty() ? ProgramTitle : title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

QString QtOperatorDialogs::inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

void QtOperatorDialogs::notice(const QString& text)
{
    showNotice(QMessageBox::Warning, text);
}

void QtOperatorDialogs::information(const QString& text)
{
    showNotice(QMessageBox::Information, text);
}

void QtOperatorDialogs::showNotice(int icon, const QString& text)
{
    auto* box =
        new QMessageBox(QMessageBox::Icon(icon), ProgramTitle, text, QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

} // namespace zel
