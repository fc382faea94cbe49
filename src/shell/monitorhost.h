#pragma once

#include "config/linksettings.h"
#include "telemetry/transmitterstatus.h"

#include <QByteArray>
#include <QString>

namespace zel {

// What the main window shares with the parts it composes (receivers, the
// remote link, the set commands): the one status record and its flags, the
// receive buffer, the link variables and the trace area.
class MonitorHost {
public:
    virtual ~MonitorHost() = default;

    virtual TransmitterStatus& statusRecord() = 0;
    // A good frame or reply arrived: PowerOn = true.
    virtual void markFrameReceived() = 0;
    virtual void UpdatePanel() = 0;
    // The network receiver leaves each reply in the shared receive buffer.
    virtual void replaceRxBuffer(const QByteArray& bytes) = 0;
    virtual const LinkSettings& link() const = 0;

    // One line in the trace area; clearTrace starts a fresh exchange.
    virtual void trace(const QString& line) = 0;
    virtual void clearTrace() = 0;
};

} // namespace zel
