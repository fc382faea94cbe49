#pragma once

#include "account.h"

#include <QMutex>
#include <QStringList>

#include <functional>
#include <optional>

namespace zel {

// The accounts as the running monitor sees them: the accounts file, read
// again when it changes (the command line edits it while the monitor runs),
// looked at no more than once a second. Thread-safe.
class AccountBook {
public:
    // Told of each account removed, or whose password or role changed, on
    // re-reading: its sessions end.
    using Changed = std::function<void(const QString& name)>;

    explicit AccountBook(QString path, Changed changed = {});

    std::optional<Account> find(const QString& name);
    qsizetype count();
    // What the last reading could not use, for the operator.
    QStringList problems();
    const QString& path() const { return m_path; }

private:
    void refresh();

    const QString m_path;
    Changed m_changed;
    QMutex m_mutex;
    QList<Account> m_accounts;
    QStringList m_problems;
    qint64 m_checkedMs = -1;
    // The file as last read: a save replaces it (new inode) and the
    // command line may save twice within one tick of the file's time.
    QByteArray m_stamp;
    bool m_read = false;
};

} // namespace zel
