#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zel {

// The operator's five working values as typed in the set-parameter panel.
struct SetParameterInput {
    // Nothing when neither "ON" nor "OFF" is selected.
    std::optional<bool> carrierOn;
    QString frequency;
    QString forwardTarget;
    QString reflectTarget;
    QString tempProtection;
};

// The 9-byte set command, or the message that refuses the input.
struct SetCommandResult {
    QByteArray command;
    QString refusal;
    bool ok() const { return refusal.isEmpty(); }
};

// Checks the values in single precision as the controller expects them and
// encodes them (whole numbers rounded halves-to-even).
SetCommandResult buildSetCommand(const SetParameterInput& input);

// The gateway's form of the same command: "=v91", the command without its
// leading "S", and LF.
QByteArray remoteSetCommand(const QByteArray& setCommand);

} // namespace zel
