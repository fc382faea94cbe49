#pragma once

#include "shell/trayicon.h"

#include <QSystemTrayIcon>

namespace zel {

class QtTrayIcon final : public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);

    bool isAvailable() const override;
    void setToolTip(const QString& text) override { m_icon.setToolTip(text); }
    void setIcon(const QIcon& icon) override { m_icon.setIcon(icon); }
    void TrayShow() override;
    void showMessage(const QString& title, const QString& text, MessageIcon icon) override;

    QSystemTrayIcon& icon() { return m_icon; }

private:
    QSystemTrayIcon m_icon;
};

} // namespace zel
