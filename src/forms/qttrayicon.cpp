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
}

bool QtTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::TrayShow()
{
    // Shown even while the desktop has no notification area yet: Qt docks the
    // icon by itself the moment one appears (a session that starts its panel
    // after the monitor), at no cost while it waits. Without a picture Qt
    // warns and shows nothing; the caller sets it first.
    if (!m_icon.icon().isNull())
        m_icon.show();
}

void QtTrayIcon::showMessage(const QString& title, const QString& text, MessageIcon icon)
{
    if (m_icon.isVisible())
        m_icon.showMessage(title, text,
                           icon == MessageIcon::Information ? QSystemTrayIcon::Information
                                                            : QSystemTrayIcon::Warning,
                           10000);
}

} // namespace zel
