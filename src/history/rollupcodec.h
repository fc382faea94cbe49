#pragma once

#include "historyfields.h"

#include <QByteArray>

#include <optional>

namespace zel::history {

// The packed form of a roll-up, the `stats` column of the minutes and hours
// tables: a row of plain columns would cost about 80 bytes a minute, this
// about 46, which keeps a year of minutes within 25 MB. Unsigned LEB128
// varints, in this order:
//   seconds * 2 + S        S = 1 when some field is negative (means then
//                          zigzag-coded)
//   0 when every second was on air, locked and on the serial line (no
//   bytes spent on the usual case), else 1, onAirSeconds, lockedSeconds,
//   gatewaySeconds
//   deviceId + 1           0 = none
//   per field, in storage order:
//     tag                  0 = no value, else mean + 1 (zigzag(mean) + 1 when S)
//     mean - min, max - mean   only when tag != 0
QByteArray encodeRollup(const Rollup& rollup);

// Nothing when the bytes are not a whole roll-up. `t` is not part of the
// bytes; the caller sets it from the row's key.
std::optional<Rollup> decodeRollup(const QByteArray& bytes);

} // namespace zel::history
