#pragma once

#include <QStringView>

namespace zel {

// The one way every text becomes a number: fields, settings and replies alike.
// Blanks, tabs and line feeds are ignored wherever they stand; the longest
// leading part that forms a number is taken (sign, digits, one decimal point,
// exponent, or an "&H"/"&O" prefix); no number gives 0. It never fails.
double parseLeadingNumber(QStringView text);

// Same, for texts that travel as bytes (one character per byte).
double parseLeadingNumber(const QByteArray& bytes);

} // namespace zel
