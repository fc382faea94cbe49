#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

namespace zel {

// A small file rewritten many times a second (the status log) so that a
// reader opening it at any moment finds a whole snapshot, the previous or the
// new one, never an empty or partial file.
//
// On Linux two files take turns: the new snapshot goes into a spare file kept
// open beside the target, and the two names are exchanged. So a frame costs a
// few system calls and no file is created or removed. Names are looked up in
// the folder kept open, not along the whole path each time; that the path
// still leads to the folder is checked once a second and whenever a file is
// missing. The spare is rewritten
// only while no other process has it open, so a reader still holding an
// earlier snapshot keeps it whole; a spare someone holds is set aside for a
// fresh one. Elsewhere, and where the file system cannot exchange names, each
// snapshot is a new file renamed over the target.
class SnapshotFile {
public:
    SnapshotFile() = default;
    ~SnapshotFile();
    SnapshotFile(const SnapshotFile&) = delete;
    SnapshotFile& operator=(const SnapshotFile&) = delete;

    // Makes content the file at path; the folder is created when missing.
    // False with a reason on failure; the next call tries afresh.
    bool replace(const QString& path, const QByteArray& content, QString* error);

    // The spare's name beside the target, for the curious and for tests.
    static QString spareName(const QString& path);

private:
    // One of the two files, as this writer last left it.
    struct Copy {
        int fd = -1;
        quint64 device = 0;
        quint64 inode = 0;
        qsizetype size = 0;
    };

    bool replaceByExchange(const QByteArray& content, QString* error);
    // The folder kept open is the one the path leads to; looked up along the
    // path at most once a second, unless now.
    bool folderStillThere(bool now);
    bool openFolder(QString* error);
    bool spareIsOurs();
    bool makeSpare(QString* error);
    void forget(Copy& copy);
    void forgetAll();

    QString m_path;
    QByteArray m_folderPath;
    QByteArray m_target; // names within the folder
    QByteArray m_spare;
    Copy m_folder;
    QElapsedTimer m_folderChecked;
    Copy m_spareCopy;
    Copy m_liveCopy;
    bool m_exchangeWorks = true;
};

} // namespace zel
