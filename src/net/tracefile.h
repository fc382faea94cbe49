#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zel {

// The trace file: every decoded reply appended as received, then CR LF.
class TraceFile {
public:
    explicit TraceFile(QString path);

    // Appends one record, creating the folder when missing. Returns what the
    // operator should hear: the first failure, and the first success after
    // failures; nothing while things stay as they were.
    std::optional<QString> append(const QByteArray& reply);

    const QString& path() const { return m_path; }
    bool failing() const { return m_failing; }

private:
    bool write(const QByteArray& record, QString* error) const;

    QString m_path;
    bool m_failing = false;
};

} // namespace zel
