#pragma once

#include <QString>

namespace zel {

// Where the monitor's files live.
class FileLocations {
public:
    virtual ~FileLocations() = default;
    virtual QString statusLogPath() const = 0;
    virtual QString traceFilePath() const = 0;
};

// The designed paths on Windows; on Linux the user's data folder
// ($XDG_DATA_HOME/ZEL, by default ~/.local/share/ZEL).
class StandardFileLocations final : public FileLocations {
public:
    QString statusLogPath() const override;
    QString traceFilePath() const override;
};

} // namespace zel
