#include "statusframe.h"

#include <algorithm>
#include <array>
#include <optional>

namespace zel {
namespace {

int byteAt(const QByteArray& frame, int number)
{
    return static_cast<unsigned char>(frame.at(number - 1));
}

int fullRange(const QByteArray& frame, int first)
{
    return 256 * byteAt(frame, first) + byteAt(frame, first + 1);
}

// The controller computes these fields in signed 16-bit arithmetic, so a high
// byte of 0x80 or more overflows and the field is left alone.
std::optional<int> signedRange(const QByteArray& frame, int first)
{
    if (byteAt(frame, first) >= 0x80)
        return std::nullopt;
    return fullRange(frame, first);
}

// The text formatDigits gives for units * 10^-decimals with at least
// intPlaces digits before the point. A field is at most 65535 units, so the
// scaled double always rounds back to the same digits; writing them straight
// from the whole number spares the conversion on every frame.
QString unitsText(int units, int decimals, int intPlaces)
{
    std::array<char16_t, 16> text{}; // filled from the right
    std::size_t n = 0;
    int rest = units;
    for (int d = 0; d < decimals; ++d, rest /= 10)
        text[n++] = char16_t(u'0' + rest % 10);
    if (decimals > 0)
        text[n++] = u'.';
    for (int whole = 0; rest > 0 || whole < intPlaces; ++whole, rest /= 10)
        text[n++] = char16_t(u'0' + rest % 10);
    std::reverse(text.begin(), text.begin() + std::ptrdiff_t(n));
    return QString::fromUtf16(text.data(), qsizetype(n));
}

void setIfDecoded(QString& field, std::optional<int> units, int decimals, int intPlaces = 1)
{
    if (units)
        field = unitsText(*units, decimals, intPlaces);
}

} // namespace

void DecodeStatusFrame(const QByteArray& frame, TransmitterStatus& status)
{
    if (frame.size() < StatusFrameLength - 2)
        return;
    setIfDecoded(status.DeviceId, signedRange(frame, 1), 0, 5);
    status.OnAir = byteAt(frame, 3) == 0x01;
    setIfDecoded(status.FrequencyMHz, signedRange(frame, 4), 2);
    status.FreqLock = byteAt(frame, 6) == 0x01;
    status.ForwardW = unitsText(fullRange(frame, 7), 1, 1);
    status.ReflectW = unitsText(fullRange(frame, 9), 1, 1);
    setIfDecoded(status.TemperatureC, signedRange(frame, 11), 1);
    status.VoltageV = unitsText(fullRange(frame, 13), 1, 1);
    status.CurrentA = unitsText(fullRange(frame, 15), 1, 1);
    setIfDecoded(status.ModPercent, signedRange(frame, 17), 0);
    setIfDecoded(status.AudioLeft, signedRange(frame, 19), 0);
    setIfDecoded(status.AudioRight, signedRange(frame, 21), 0);
}

} // namespace zel
