#pragma once

#include "telemetry/serialport.h"

#include <QByteArray>
#include <QString>

namespace zel {

// Writes the bytes one at a time, pausing pauseMs after each (the last one
// too), as the controller needs to take them. The window keeps painting
// during the pauses; operator input waits. False, with the reason, when the
// port is not open or a write fails; nothing more is sent then.
bool sendPaced(SerialPort& port, const QByteArray& bytes, int pauseMs, QString* error);

} // namespace zel
