#pragma once

#include <QString>

namespace zel {

// Where the monitor's files live.
class FileLocations {
public:
    virtual ~FileLocations() = default;
    virtual QString statusLogPath() const = 0;
    virtual QString traceFilePath() const = 0;
    // The station record, beside the status log.
    virtual QString historyDatabasePath() const = 0;
};

// The designed paths on Windows; on Linux the user's data folder
// ($XDG_DATA_HOME/ZEL, by default ~/.local/share/ZEL). The history database
// lives in the user's data folder on both (on Windows %LOCALAPPDATA%\ZEL).
// A profile's files are all in its own folder below that one, ZEL/NAME/.
class StandardFileLocations final : public FileLocations {
public:
    explicit StandardFileLocations(QString profile = {});
    QString statusLogPath() const override;
    QString traceFilePath() const override;
    QString historyDatabasePath() const override;

private:
    QString dataFolder() const;
    QString m_profile;
};

// The station record of the zel-fm-monitor service, in its state directory
// (StateDirectory= and XDG_DATA_HOME in its systemd unit), or of its
// instance zel-fm-monitor@PROFILE; empty where there is no such service.
QString serviceHistoryDatabasePath(const QString& profile = {});
// The settings of that service or instance (XDG_CONFIG_HOME in its unit);
// empty where there is no such service.
QString serviceSettingsPath(const QString& profile = {});
// Whether folder holds the settings of the service or of one of its
// instances.
bool isServiceSettingsFolder(const QString& folder);

// The history a reader takes when none is named: the user's own, or the
// service's when the user has none and may read it. `blocked` tells, when
// the service's folder is there but closed to the user, what to do about it.
struct HistoryDatabaseChoice {
    QString path;
    bool service = false;
    QString blocked;
};
HistoryDatabaseChoice chooseHistoryDatabase(const QString& own, const QString& service);

} // namespace zel
