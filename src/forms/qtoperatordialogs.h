#pragma once

#include "shell/operatordialogs.h"

#include <QPointer>
#include <QWidget>

namespace zel {

class QtOperatorDialogs final : public OperatorDialogs {
public:
    // The program's own title, under which untitled messages appear.
    static inline const QString ProgramTitle = QStringLiteral("ZEL");

    void setParentWindow(QWidget* window) { m_parent = window; }

    void message(const QString& text, const QString& title, Icon icon) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    void notice(const QString& text) override;
    void information(const QString& text) override;

private:
    void showNotice(int icon, const QString& text);

    QPointer<QWidget> m_parent;
};

} // namespace zel
