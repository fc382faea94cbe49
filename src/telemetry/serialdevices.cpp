#include "serialdevices.h"

#include <QSerialPortInfo>

namespace zel {

QList<SerialDevice> systemSerialDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices.append({info.systemLocation(), info.description()});
    return devices;
}

} // namespace zel
