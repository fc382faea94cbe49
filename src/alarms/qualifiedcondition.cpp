#include "qualifiedcondition.h"

namespace zel {

std::optional<QualifiedCondition::Change>
QualifiedCondition::observe(const QDateTime& t, bool holds, const QString& value)
{
    if (holds == m_raised) {
        // Back to the settled state before the time was up: a flap.
        m_since.reset();
        return std::nullopt;
    }
    if (!m_since) {
        m_since = t;
        m_value = value;
    }
    m_lastSeen = value;
    return complete(t);
}

std::optional<QualifiedCondition::Change> QualifiedCondition::complete(const QDateTime& now)
{
    const auto when = due();
    if (!when || now < *when)
        return std::nullopt;
    Change change{!m_raised, *m_since, m_value, m_lastSeen};
    m_raised = !m_raised;
    m_since.reset();
    return change;
}

std::optional<QDateTime> QualifiedCondition::due() const
{
    if (!m_since)
        return std::nullopt;
    return m_since->addMSecs(delayMs());
}

} // namespace zel
