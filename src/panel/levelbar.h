#pragma once

#include <QString>

#include <cstdint>

namespace zel {

// The 13-cell bar text of a level: ten cells, a colon, two cells.
QString LevelBar(std::int16_t level);

// The bar for a record text, rounded halves-to-even. A level beyond the
// 16-bit range gives the full bar above it and the empty bar below it.
QString levelBarForText(const QString& levelText);

} // namespace zel
