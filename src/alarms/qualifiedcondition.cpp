#include "qualifiedcondition.h"

namespace zel {

std::optional<QualifiedCondition::Change>
QualifiedCondition::observe(const QDateTime& t, qint64 monoMs, bool holds, const QString& value)
{
    if (holds == m_raised) {
        // Back to the settled state before the time was up: a flap.
        m_since.reset();
        return std::nullopt;
    }
    if (!m_since) {
        m_since = Since{t, monoMs};
        m_value = value;
    }
    m_lastSeen = value;
    return complete(monoMs);
}

std::optional<QualifiedCondition::Change> QualifiedCondition::complete(qint64 monoNow)
{
    const auto when = due();
    if (!when || monoNow < *when)
        return std::nullopt;
    Change change{!m_raised, m_since->wall, m_value, m_lastSeen};
    m_raised = !m_raised;
    m_since.reset();
    return change;
}

std::optional<qint64> QualifiedCondition::due() const
{
    if (!m_since)
        return std::nullopt;
    return m_since->monoMs + delayMs();
}

} // namespace zel
