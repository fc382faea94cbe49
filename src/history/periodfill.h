#pragma once

#include <QtGlobal>

#include <functional>

namespace zel::history {

// The periods of a range that have no row, for output that lists every second
// or step. Fed the rows' times in order, it hands each missing period's start
// to blank() as it goes, so nothing is held in memory however long the range.
class PeriodFill {
public:
    // Periods of `step` seconds starting in [fromS, toS), on multiples of step.
    PeriodFill(qint64 step, qint64 fromS, qint64 toS, std::function<void(qint64)> blank);

    // How many periods the range holds.
    qint64 periods() const;
    // Before the row of the period starting at t.
    void row(qint64 t);
    // After the last row.
    void finish() { fillTo(m_to); }

private:
    void fillTo(qint64 t);

    qint64 m_step;
    qint64 m_next; // the first period not yet accounted for
    qint64 m_to;
    std::function<void(qint64)> m_blank;
};

} // namespace zel::history
