#pragma once

#include <QFileDevice>
#include <QString>

namespace zel {

// The bits of a file's mode, as Qt names them.
inline constexpr QFileDevice::Permissions OwnerAccess =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
inline constexpr QFileDevice::Permissions GroupAccess =
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup;
inline constexpr QFileDevice::Permissions OthersAccess =
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

// The account zel-fm-monitor.service runs as (packaging/systemd).
inline constexpr char ServiceAccount[] = "zel-fm-monitor";

// Who this process is to the file system: the owner it must be to change a
// file's mode, and the group its new files get.
struct FileIdentity {
    uint uid = 0;
    uint gid = 0;
    static FileIdentity ofProcess();
};

// True when the process's real user is the service account. Taken from the
// system, never from the environment.
bool runsAsServiceAccount();

// The mode of the station record's files: owner only on a desktop (0600);
// under the service also its group (0640), so that members of the group
// zel-fm-monitor can read the record.
QFileDevice::Permissions recordFileMode();

// Creates an empty file with exactly `mode`, whatever the umask; false with
// the reason when it cannot. A file that exists already is left alone.
bool createFileWithMode(const QString& path, QFileDevice::Permissions mode, QString* error);

// Takes away what other users may do with a file this process owns; the
// owner's and the group's access stay as they are. Nothing for a missing file
// or one owned by someone else.
void removeOthersAccess(const QString& path);

} // namespace zel
