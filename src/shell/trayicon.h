#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

namespace zel {

// The notification-area icon as the monitor uses it.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~TrayIcon() override = default;

    // False where the desktop has no notification area.
    virtual bool isAvailable() const = 0;
    virtual void setToolTip(const QString& text) = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    // Puts the icon into the notification area; repeating it adds no second icon.
    virtual void TrayShow() = 0;
    enum class MessageIcon { Warning, Information };
    // A passing notice beside the icon, for problems that must not block, or
    // for news that is no trouble.
    virtual void showMessage(const QString& title, const QString& text, MessageIcon icon) = 0;

Q_SIGNALS:
    // A mouse button on the icon; 2 is the right button.
    void TrayButtonEvent(int button, int unused);
    void TrayActivate();
};

} // namespace zel
