#pragma once

#include <cstdint>
#include <optional>

namespace zel {

// Conversion to whole numbers as the controller's protocol expects it:
// nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// A value outside the target's range is an overflow: no value.
std::optional<std::int64_t> roundToWhole(double value, std::int64_t min, std::int64_t max);

inline std::optional<std::uint8_t> toByte(double value)
{
    const auto v = roundToWhole(value, 0, 255);
    return v ? std::optional<std::uint8_t>(std::uint8_t(*v)) : std::nullopt;
}

inline std::optional<std::int16_t> toInt16(double value)
{
    const auto v = roundToWhole(value, INT16_MIN, INT16_MAX);
    return v ? std::optional<std::int16_t>(std::int16_t(*v)) : std::nullopt;
}

inline std::optional<std::int32_t> toInt32(double value)
{
    const auto v = roundToWhole(value, INT32_MIN, INT32_MAX);
    return v ? std::optional<std::int32_t>(std::int32_t(*v)) : std::nullopt;
}

} // namespace zel
