#include "portdirectory.h"

#include "settingskeys.h"

namespace zel {

QString serialDeviceName(int portNumber, const SettingsStore& store)
{
    const QString mapped =
        store.read(keys::PortsSection, QString::number(portNumber), QString()).trimmed();
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

} // namespace zel
