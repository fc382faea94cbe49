#pragma once

#include <QRect>

namespace zel {

// Sizes are designed in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
constexpr int twips(int t)
{
    return t / 15;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {twips(left), twips(top), twips(width), twips(height)};
}

} // namespace zel
