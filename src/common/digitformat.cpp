#include "digitformat.h"

#include <algorithm>
#include <cmath>

namespace zel {

QString formatDigits(double value, QStringView pattern)
{
    // An overflowing number has no digits to pad and keeps its sign.
    if (!std::isfinite(value))
        return QString::number(value);
    const qsizetype dot = pattern.indexOf(u'.');
    const int intPlaces = int(dot < 0 ? pattern.size() : dot);
    const int decimals = int(dot < 0 ? 0 : pattern.size() - dot - 1);

    QString text = QString::number(std::fabs(value), 'f', decimals);
    const qsizetype point = text.indexOf(u'.');
    const qsizetype intDigits = point < 0 ? text.size() : point;
    if (intDigits < intPlaces)
        text.prepend(QString(intPlaces - intDigits, u'0'));

    // A value that rounds to zero shows no sign.
    const bool nonZero =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'1' && c <= u'9'; });
    if (value < 0 && nonZero)
        text.prepend(u'-');
    return text;
}

} // namespace zel
