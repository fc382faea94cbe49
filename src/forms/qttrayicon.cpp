#include "qttrayicon.h"

namespace zel {

QtTrayIcon::QtTrayIcon(QObject* parent) : TrayIcon(parent)
{
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) {
                switch (r) {
                case QSystemTrayIcon::Context:
                    Q_EMIT TrayButtonEvent(2, 0);
                    break;
                case QSystemTrayIcon::Trigger:
                    Q_EMIT TrayButtonEvent(1, 0);
                    break;
                case QSystemTrayIcon::MiddleClick:
                    Q_EMIT TrayButtonEvent(4, 0);
                    break;
                case QSystemTrayIcon::DoubleClick:
                    Q_EMIT TrayActivate();
                    break;
                case QSystemTrayIcon::Unknown:
                    break;
                }
            });
    m_waitForTray.setInterval(2000);
    connect(&m_waitForTray, &QTimer::timeout, this, [this] {
        const bool available = isAvailable();
        if (available || --m_triesLeft <= 0)
            m_waitForTray.stop();
        if (available)
            TrayShow();
    });
}

bool QtTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::TrayShow()
{
    if (!isAvailable()) {
        if (!m_waitForTray.isActive()) {
            m_triesLeft = 60;
            m_waitForTray.start();
        }
        return;
    }
    // Without a picture Qt warns and shows nothing; the caller sets it first.
    if (!m_icon.icon().isNull())
        m_icon.show();
}

void QtTrayIcon::showMessage(const QString& title, const QString& text)
{
    if (m_icon.isVisible())
        m_icon.showMessage(title, text, QSystemTrayIcon::Warning, 10000);
}

} // namespace zel
