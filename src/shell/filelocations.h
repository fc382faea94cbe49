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
class StandardFileLocations final : public FileLocations {
public:
    QString statusLogPath() const override;
    QString traceFilePath() const override;
    QString historyDatabasePath() const override;
};

} // namespace zel
