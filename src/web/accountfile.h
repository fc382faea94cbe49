#pragma once

#include "account.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zel {

// The accounts file beside a settings file: web-accounts in its folder
// (~/.config/ZEL/web-accounts; /etc/zel-fm-monitor/ZEL/web-accounts for the
// service).
QString accountFilePath(const QString& settingsFilePath);

// The web panel's accounts: one line "name:role:hash" each, UTF-8, with
// blank lines and '#' comments. Lines it cannot read are skipped, reported
// and written back as they were, so that saving loses nothing.
class AccountFile {
public:
    // Larger files are refused before they are read.
    static constexpr qint64 MaxBytes = 1024 * 1024;

    explicit AccountFile(QString path);
    const QString& path() const { return m_path; }

    // Reads the file; a missing file has no accounts. False with error() when
    // the file cannot be read, is too large, or other users may read it
    // (allowed: the owner only, or root's file with read for its group alone,
    // which is how the service reads it).
    bool load();
    const QString& error() const { return m_error; }
    // The lines load() skipped: "web-accounts line 3: unknown role "boss"".
    const QStringList& problems() const { return m_problems; }

    QList<Account> accounts() const;
    std::optional<Account> find(QStringView name) const;

    // False when the name is taken already.
    bool add(const Account& account);
    // False when there is no such account.
    bool setHash(QStringView name, const QByteArray& hash);
    bool remove(QStringView name);

    // Writes the file whole or not at all. A new file is the owner's alone
    // (0600) whatever the umask, as is one with any other mode; the
    // service's (root's, read for its group alone: root:zel-fm-monitor 0640)
    // stays so, and one root makes beside the service's settings is made so.
    bool save(QString* error);

private:
    struct Line {
        QByteArray text;                // kept as read when no account
        std::optional<Account> account; // else written from this
    };
    qsizetype indexOf(QStringView name) const;

    QString m_path;
    QList<Line> m_lines;
    QString m_error;
    QStringList m_problems;
};

} // namespace zel
