#include "wholenumber.h"

#include <cmath>

namespace zel {

std::optional<std::int64_t> roundToWhole(double value, std::int64_t min, std::int64_t max)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint follows the default rounding mode, which is to-nearest-even.
    const double rounded = std::nearbyint(value);
    if (rounded < double(min) || rounded > double(max))
        return std::nullopt;
    return std::int64_t(rounded);
}

} // namespace zel
