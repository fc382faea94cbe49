#pragma once

#include "telemetry/transmitterstatus.h"

#include <QDateTime>
#include <QString>

namespace zel {

// Which link brought a record: the serial line or a gateway reply.
enum class LinkKind { Serial, Gateway };

inline QString linkName(LinkKind link)
{
    return link == LinkKind::Serial ? QStringLiteral("serial") : QStringLiteral("gateway");
}

// One decoded frame or reply as the monitor's observers see it: the record as
// the panel shows it, when it arrived (UTC) and over which link.
struct StatusUpdate {
    QDateTime time;
    LinkKind link = LinkKind::Serial;
    TransmitterStatus record;
};

} // namespace zel
