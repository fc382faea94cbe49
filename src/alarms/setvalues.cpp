#include "setvalues.h"

namespace zel {

QString carrierText(bool on, double frequencyMHz)
{
    return QStringLiteral("carrier %1, %2 MHz")
        .arg(on ? QStringLiteral("ON") : QStringLiteral("OFF"))
        .arg(frequencyMHz, 0, 'f', 2);
}

QString SetValues::text() const
{
    return QStringLiteral("%1, forward %2 W, reflect limit %3 W, temperature limit %4 C")
        .arg(carrierText(carrierOn, frequencyMHz()))
        .arg(forwardW)
        .arg(reflectLimitW)
        .arg(tempLimitC);
}

std::optional<SetValues> SetValues::fromCommand(const QByteArray& command)
{
    // Both forms carry the same seven bytes from the carrier flag on.
    qsizetype at = -1;
    if (command.size() == 9 && command.startsWith('S') && command.endsWith('\r'))
        at = 1;
    else if (command.size() == 13 && command.startsWith("=v91") && command.endsWith("\r\n"))
        at = 4;
    if (at < 0 || (command[at] != '0' && command[at] != '1'))
        return std::nullopt;
    const auto byte = [&](qsizetype i) { return int(quint8(command[at + i])); };
    SetValues v;
    v.carrierOn = command[at] == '1';
    v.frequency10kHz = byte(1) * 256 + byte(2);
    v.forwardW = byte(3) * 256 + byte(4);
    v.reflectLimitW = byte(5);
    v.tempLimitC = byte(6);
    return v;
}

} // namespace zel
