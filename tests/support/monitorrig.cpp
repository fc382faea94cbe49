#include "monitorrig.h"

#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "forms/digitbox.h"
#include "forms/statuspanel.h"
#include "telemetry/qtserialport.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QSignalSpy>

using namespace zel;

MonitorRig::MonitorRig(QByteArray ini, bool trayAvailable, QString dataFolder, Form1Parts parts)
{
    if (ini.isNull()) {
        QDir().mkdir(iniPath()); // a settings "file" that cannot be read
    } else {
        QFile f(iniPath());
        f.open(QIODevice::WriteOnly);
        f.write(ini.replace("@PTY@", pty.devicePath().toLocal8Bit()));
    }
    parts.settings = std::make_unique<QtSettingsStore>(iniPath());
    settings = parts.settings.get();
    const SettingsStore* store = settings;
    parts.serial =
        std::make_unique<QtSerialPort>([store](int n) { return serialDeviceName(n, *store); });
    auto t = std::make_unique<FakeTray>();
    t->available = trayAvailable;
    tray = t.get();
    parts.tray = std::move(t);
    auto d = std::make_unique<FakeDialogs>();
    dialogs = d.get();
    parts.dialogs = std::move(d);
    auto fixedClock = std::make_unique<FixedClock>();
    fixedClock->at = QDateTime(QDate(2026, 12, 4), QTime(1, 35, 12));
    clock = fixedClock.get();
    parts.clock = std::move(fixedClock);
    parts.files = std::make_unique<FolderLocations>(dataFolder.isEmpty() ? dir.path() : dataFolder);
    form = std::make_unique<Form1>(std::move(parts));
}

QByteArray MonitorRig::log() const
{
    QFile f(logPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString MonitorRig::box(int n) const
{
    return form->statusPanel()->digitBox(n)->digitdisplay();
}

QString MonitorRig::trace() const
{
    return form->findChild<QPlainTextEdit*>(QStringLiteral("TraceView"))->toPlainText();
}

QString MonitorRig::stored(const QString& key) const
{
    return QtSettingsStore(iniPath()).read(QStringLiteral("Setting"), key,
                                           QStringLiteral("<none>"));
}

bool MonitorRig::deliver(const QByteArray& frame)
{
    QSignalSpy shown(form.get(), &Form1::panelUpdated);
    pty.write(frame);
    return shown.wait(2000);
}
