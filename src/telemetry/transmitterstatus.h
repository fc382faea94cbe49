#pragma once

#include <QString>

namespace zel {

// The one status record. Measured values are held as the finished display
// texts; whoever needs a number parses the text again, so the panel, the
// alarms and the log always agree on what was shown.
struct TransmitterStatus {
    QString DeviceId;
    bool OnAir = false;
    QString FrequencyMHz;
    bool FreqLock = false;
    QString ForwardW;
    QString ReflectW;
    QString TemperatureC;
    QString VoltageV;
    QString CurrentA;
    QString ModPercent;
    QString AudioLeft;
    QString AudioRight;

    bool operator==(const TransmitterStatus&) const = default;
};

// Placeholders for the time when no valid data is there.
void ClearStatus(TransmitterStatus& status);

} // namespace zel
