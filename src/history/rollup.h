#pragma once

#include "historyfields.h"

#include <QList>

namespace zel::history {

// Folds the seconds of one minute into its roll-up. A field's minimum and
// maximum take in each second's own range; its mean is the mean of the
// seconds' last values, rounded to the stored unit.
Rollup rollupOfSeconds(qint64 start, const QList<SecondSample>& seconds);

// Folds minutes into an hour: means weighted by the seconds behind each.
Rollup rollupOfRollups(qint64 start, const QList<Rollup>& parts);

// Rounds half away from zero, for means of whole numbers.
qint64 roundedMean(double sum, qint64 count);

} // namespace zel::history
