#include "pacedsend.h"

#include "shell/eventwait.h"

namespace zel {

bool sendPaced(SerialPort& port, const QByteArray& bytes, int pauseMs, QString* error)
{
    if (!port.portOpen()) {
        *error = QStringLiteral("serial port %1 (%2) is not open")
                     .arg(port.commPort())
                     .arg(port.deviceName());
        return false;
    }
    for (char byte : bytes) {
        if (!port.output(QByteArray(1, byte))) {
            *error = port.errorString();
            return false;
        }
        pauseWithoutFreezing(pauseMs);
    }
    return true;
}

} // namespace zel
