#pragma once

#include "telemetry/transmitterstatus.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace zel {

// The status log: a 13-line snapshot of the latest serial frame, every line
// ending in CR LF. Other programs read it, so its bytes are a contract.
QByteArray formatStatusLog(const TransmitterStatus& status, bool powerOn, const QDateTime& now);

// Replaces the file with new content in one step: a reader at any moment sees
// the previous or the new snapshot whole, never an empty or partial file.
// The folder is created when missing. False with a reason on failure.
bool replaceFileAtomically(const QString& path, const QByteArray& content, QString* error);

} // namespace zel
