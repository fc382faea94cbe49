#include "transmitterstatus.h"

namespace zel {

void ClearStatus(TransmitterStatus& status)
{
    status.DeviceId = QStringLiteral("-----");
    status.FrequencyMHz = QStringLiteral("---.--");
    status.FreqLock = false;
    status.OnAir = false;
    status.TemperatureC = QStringLiteral("---.-");
    status.ModPercent = QStringLiteral("---");
    status.AudioLeft = QStringLiteral("---");
    status.AudioRight = QStringLiteral("---");
    status.ForwardW = QStringLiteral("----.-");
    status.ReflectW = QStringLiteral("----.-");
    status.VoltageV = QStringLiteral("--.-");
    status.CurrentA = QStringLiteral("--.-");
}

} // namespace zel
