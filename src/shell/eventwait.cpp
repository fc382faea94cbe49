#include "eventwait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace zel {

void processPendingEvents()
{
    QCoreApplication::processEvents();
}

void pauseWithoutFreezing(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace zel
