#include "statusframe.h"

#include "common/digitformat.h"

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

void setIfDecoded(QString& field, std::optional<int> value, double scale, QStringView pattern)
{
    if (value)
        field = formatDigits(*value * scale, pattern);
}

} // namespace

void DecodeStatusFrame(const QByteArray& frame, TransmitterStatus& status)
{
    if (frame.size() < StatusFrameLength - 2)
        return;
    setIfDecoded(status.DeviceId, signedRange(frame, 1), 1, u"00000");
    status.OnAir = byteAt(frame, 3) == 0x01;
    setIfDecoded(status.FrequencyMHz, signedRange(frame, 4), 0.01, u"0.00");
    status.FreqLock = byteAt(frame, 6) == 0x01;
    status.ForwardW = formatDigits(fullRange(frame, 7) * 0.1, u"0.0");
    status.ReflectW = formatDigits(fullRange(frame, 9) * 0.1, u"0.0");
    setIfDecoded(status.TemperatureC, signedRange(frame, 11), 0.1, u"0.0");
    status.VoltageV = formatDigits(fullRange(frame, 13) * 0.1, u"0.0");
    status.CurrentA = formatDigits(fullRange(frame, 15) * 0.1, u"0.0");
    setIfDecoded(status.ModPercent, signedRange(frame, 17), 1, u"0");
    setIfDecoded(status.AudioLeft, signedRange(frame, 19), 1, u"0");
    setIfDecoded(status.AudioRight, signedRange(frame, 21), 1, u"0");
}

} // namespace zel
