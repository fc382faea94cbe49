#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "forms/form1.h"
#include "forms/icons.h"
#include "forms/qtoperatordialogs.h"
#include "forms/qtserialport.h"
#include "forms/qttrayicon.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zel-fm-monitor"));
    // Lets the desktop match the window to its installed entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("zel-fm-monitor"));
    // The window hides in the tray; closing a dialog must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // Every window and dialog carries the drawn icon, also without a parent.
    QApplication::setWindowIcon(zel::windowIcon());

    zel::MonitorCoreParts parts;
    parts.settings = std::make_unique<zel::QtSettingsStore>();
    const zel::SettingsStore* store = parts.settings.get();
    parts.serial = std::make_unique<zel::QtSerialPort>(
        [store](int n) { return zel::serialDeviceName(n, *store); });
    auto tray = std::make_unique<zel::QtTrayIcon>();
    auto dialogs = std::make_unique<zel::QtOperatorDialogs>();
    auto* dialogsRaw = dialogs.get();
    parts.dialogs = std::move(dialogs);
    parts.clock = std::make_unique<zel::SystemClock>();
    parts.files = std::make_unique<zel::StandardFileLocations>();

    zel::MonitorCore core(std::move(parts));
    zel::Form1 form1(core, std::move(tray));
    dialogsRaw->setParentWindow(&form1);
    form1.start();
    return app.exec();
}
