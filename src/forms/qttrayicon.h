#pragma once

#include "shell/trayicon.h"

#include <QSystemTrayIcon>
#include <QTimer>

namespace zel {

class QtTrayIcon final : public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);

    bool isAvailable() const override;
    void setToolTip(const QString& text) override { m_icon.setToolTip(text); }
    void setIcon(const QIcon& icon) override { m_icon.setIcon(icon); }
    void TrayShow() override;
    void showMessage(const QString& title, const QString& text) override;

    QSystemTrayIcon& icon() { return m_icon; }

private:
    QSystemTrayIcon m_icon;
    // Started with the session, the monitor may come up before the
    // notification area does: look for it a while longer.
    QTimer m_waitForTray;
    int m_triesLeft = 0;
};

} // namespace zel
