#pragma once

#include "alarms/alarmmonitor.h"
#include "core/statusupdate.h"
#include "telemetry/transmitterstatus.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace zel {

// The monitor's state as one scrape sees it. Built on the core's thread and
// never changed afterwards, so the HTTP threads may read it freely.
struct MetricsSnapshot {
    QString version;
    // The last device ID a frame or reply carried: the panel's dashes while
    // the link is lost would otherwise start a new series.
    QString deviceId;
    TransmitterStatus record;
    // The POWER lamp: data arrived within the last watchdog period.
    bool powerOn = false;
    bool linkUp = false;
    LinkKind link = LinkKind::Serial;
    // Invalid until the first frame or reply.
    QDateTime lastUpdate;
    quint64 framesDecoded = 0;
    quint64 blocksDropped = 0;
    quint64 serialUpdates = 0;
    quint64 gatewayUpdates = 0;
    QList<ActiveAlarm> alarms;
};

} // namespace zel
