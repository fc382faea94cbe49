#pragma once

#include <QString>
#include <QStringView>

namespace zel {

// Formats a number by a digit pattern such as "00000", "0.00", "0.0" or "0":
// each "0" is a digit place that shows a zero when needed; the decimal
// separator is always the full stop, whatever the locale.
QString formatDigits(double value, QStringView pattern);

} // namespace zel
