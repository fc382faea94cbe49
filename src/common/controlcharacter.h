#pragma once

#include <QString>

#include <algorithm>

namespace zel {

// CR, LF, NUL, the rest of C0 or DEL: in an address or a header they would
// start a command or a header of their own.
inline bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

} // namespace zel
