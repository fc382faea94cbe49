#include "periodfill.h"

#include <algorithm>
#include <utility>

namespace zel::history {

PeriodFill::PeriodFill(qint64 step, qint64 fromS, qint64 toS, std::function<void(qint64)> blank)
    : m_step(step), m_next((fromS + step - 1) / step * step), m_to(toS), m_blank(std::move(blank))
{
}

qint64 PeriodFill::periods() const
{
    return std::max<qint64>(0, (m_to - m_next + m_step - 1) / m_step);
}

void PeriodFill::row(qint64 t)
{
    fillTo(t);
    m_next = std::max(m_next, t + m_step);
}

void PeriodFill::fillTo(qint64 t)
{
    for (; m_next < t; m_next += m_step)
        m_blank(m_next);
}

} // namespace zel::history
