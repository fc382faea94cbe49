#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace zel {

// One alarm condition with its timing: raised once it has held for the
// qualify time, cleared once it has been absent for the clear time. Pure
// state; the owner feeds observations and asks it to complete when due.
// The delays are measured on the monotonic clock, so setting the wall clock
// neither hastens nor holds back an alarm; the times reported stay the wall
// clock's.
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

    // One real reading at wall time t, monotonic time monoMs; a change that
    // completes at once (0 s, or the time already up) is returned.
    std::optional<Change> observe(const QDateTime& t, qint64 monoMs, bool holds,
                                  const QString& value);
    // The pending change, if its time is up by the monotonic time monoNow.
    std::optional<Change> complete(qint64 monoNow);
    // The monotonic time the pending change completes, if one is pending.
    std::optional<qint64> due() const;
    // Drops a pending change: what happened meanwhile is unknown.
    void forgetPending() { m_since.reset(); }

    bool raised() const { return m_raised; }
    // Neither raised nor pending, as at the start.
    void reset()
    {
        m_raised = false;
        m_since.reset();
    }
    // Raised already, as the log left it when the monitor last stopped.
    void resumeRaised()
    {
        m_raised = true;
        m_since.reset();
    }
    qint64 delayMs() const { return m_raised ? m_clearMs : m_qualifyMs; }

private:
    struct Since {
        QDateTime wall;
        qint64 monoMs = 0;
    };

    qint64 m_qualifyMs;
    qint64 m_clearMs;
    bool m_raised = false;
    std::optional<Since> m_since;
    QString m_value;
    QString m_lastSeen;
};

} // namespace zel
