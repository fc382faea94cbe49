#pragma once

#include "transmitterstatus.h"

#include <QByteArray>

namespace zel {

// The controller's binary status frame: 22 data bytes and CR LF.
inline constexpr int StatusFrameLength = 24;

// Writes the twelve fields of one frame (length and end marker already
// checked) into the record. A signed-group field whose high byte is 0x80 or
// more cannot be decoded and keeps its previous text; the rest still decodes.
void DecodeStatusFrame(const QByteArray& frame, TransmitterStatus& status);

} // namespace zel
