#pragma once

#include <QList>
#include <QString>

namespace zel {

// A serial device the system has now: its path and what it says it is.
struct SerialDevice {
    QString location;    // /dev/ttyUSB0
    QString description; // FT232R USB UART
};

// Every serial device the system has now, USB adapters included.
QList<SerialDevice> systemSerialDevices();

} // namespace zel
