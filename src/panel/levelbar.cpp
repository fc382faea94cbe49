#include "levelbar.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"

#include <array>

namespace zel {

QString LevelBar(std::int16_t level)
{
    static const std::array<const char*, 13> bars = {
        "          :  ", "          :  ", "||        :  ", "|||       :  ", "||||      :  ",
        "|||||     :  ", "||||||    :  ", "|||||||   :  ", "||||||||  :  ", "||||||||| :  ",
        "||||||||||:  ", "||||||||||:| ", "||||||||||:||"};
    // A bar of one cell is never shown: 11 already gives two.
    const int step = level > 10 ? level / 10 + 1 : 0;
    return QString::fromLatin1(bars[std::size_t(std::min(step, 12))]);
}

QString levelBarForText(const QString& levelText)
{
    const double value = parseLeadingNumber(levelText);
    if (const auto level = toInt16(value))
        return LevelBar(*level);
    return LevelBar(value > 0 ? INT16_MAX : INT16_MIN);
}

} // namespace zel
