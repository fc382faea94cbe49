#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace zel {

// One alarm condition with its timing: raised once it has held for the
// qualify time, cleared once it has been absent for the clear time. Pure
// state; the owner feeds observations and asks it to complete when due.
class QualifiedCondition {
public:
    struct Change {
        bool raised = false;
        QDateTime at;     // when the condition began (raise) or ended (clear)
        QString value;    // the value then
        QString lastSeen; // the value when the change completed
    };

    QualifiedCondition(qint64 qualifyMs, qint64 clearMs)
        : m_qualifyMs(qualifyMs), m_clearMs(clearMs)
    {
    }

    // One real reading at time t; a change that completes at once (0 s, or
    // the time already up) is returned.
    std::optional<Change> observe(const QDateTime& t, bool holds, const QString& value);
    // The pending change, if its time is up by now.
    std::optional<Change> complete(const QDateTime& now);
    // When the pending change completes, if one is pending.
    std::optional<QDateTime> due() const;
    // Drops a pending change: what happened meanwhile is unknown.
    void forgetPending() { m_since.reset(); }

    bool raised() const { return m_raised; }
    // Raised already, as the log left it when the monitor last stopped.
    void resumeRaised()
    {
        m_raised = true;
        m_since.reset();
    }
    qint64 delayMs() const { return m_raised ? m_clearMs : m_qualifyMs; }

private:
    qint64 m_qualifyMs;
    qint64 m_clearMs;
    bool m_raised = false;
    std::optional<QDateTime> m_since;
    QString m_value;
    QString m_lastSeen;
};

} // namespace zel
