#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zel {

// The trace file: every decoded reply appended as received, then CR LF. When
// a record would take it past its size limit it becomes "<path>.1" (the one
// before is dropped) and a new file starts, so a link that runs for years
// keeps at most twice the limit on disk.
class TraceFile {
public:
    TraceFile(QString path, qint64 maxBytes);

    // Appends one record, creating the folder when missing. Returns what the
    // operator should hear: the first failure, and the first success after
    // failures; nothing while things stay as they were.
    std::optional<QString> append(const QByteArray& reply);

    const QString& path() const { return m_path; }
    bool failing() const { return m_failing; }

private:
    bool write(const QByteArray& record, QString* error) const;
    bool rotate(QString* error) const;

    QString m_path;
    qint64 m_maxBytes;
    bool m_failing = false;
};

} // namespace zel
