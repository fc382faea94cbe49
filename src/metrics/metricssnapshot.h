#pragma once

#include "alarms/alarmmonitor.h"
#include "alarms/shelfrecords.h"
#include "core/statusupdate.h"
#include "telemetry/transmitterstatus.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zel {

// The panel's SET values as last saved; nothing where the saved text is no
// number, so a typo never shows as a set point of 0.
struct SetPoints {
    std::optional<double> carrierOn; // 1 or 0
    std::optional<double> frequencyMHz;
    std::optional<double> forwardW;
    std::optional<double> reflectW;
    std::optional<double> temperatureC;
};

// One alert channel since the monitor started, as its outbox thread counts.
struct ChannelDelivery {
    QString channel; // "mail", "webhook"
    quint64 sent = 0;
    quint64 failed = 0; // attempts that did not deliver
    int waiting = 0;    // alerts in the outbox for this channel
};

// One limit in force, in its reading's units.
struct LimitGauge {
    QString reading; // "forward_w"
    QString level;   // "low_warning"
    double value = 0;
};

// The monitor's state as one scrape sees it. Built on the core's thread and
// never changed afterwards, so the HTTP threads may read it freely.
struct MetricsSnapshot {
    QString version;
    QString station;
    QString site;                            // empty when not set
    QString role = QStringLiteral("single"); // single, main or standby
    // The last device ID a frame or reply carried: the panel's dashes while
    // the link is lost would otherwise start a new series.
    QString deviceId;
    TransmitterStatus record;
    bool linkUp = false;
    LinkKind link = LinkKind::Serial;
    // Invalid until the first frame or reply.
    QDateTime lastUpdate;
    quint64 framesDecoded = 0;
    quint64 blocksDropped = 0;
    quint64 serialUpdates = 0;
    quint64 gatewayUpdates = 0;
    QList<ActiveAlarm> alarms;
    // Every kind the monitor may raise, with the severities it may stand at.
    QList<std::pair<QString, QStringList>> alarmKinds;
    QList<LimitGauge> limits;
    // Alarm kinds whose latest raise has been acknowledged.
    QStringList acknowledged;
    // Alarm kinds shelved for maintenance now.
    Shelves shelved;
    SetPoints setPoints;
    QList<ChannelDelivery> alertDelivery;
};

} // namespace zel
