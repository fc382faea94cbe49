#pragma once

#include "shell/operatordialogs.h"
#include "telemetry/serialport.h"

#include <QByteArray>
#include <QString>

#include <optional>

#include <variant>

namespace zel {

// Why an address input is not sent: the message the operator sees.
struct AddressRefusal {
    QString text;
    QString title;
    OperatorDialogs::Icon icon = OperatorDialogs::Icon::None;

    bool operator==(const AddressRefusal&) const = default;
};

// The two-byte address command (high byte first) for what the operator typed
// into the address box, or the refusal. The range is checked on the typed
// value, before rounding, so 1.4 passes as address 1 and 65534.6 as 65535.
std::variant<QByteArray, AddressRefusal> addressCommandFor(const QString& input);

// What became of an address the operator asked to send, for the event log.
struct AddressOutcome {
    int address = 0;
    bool sent = false;
    // The message the operator was shown.
    QString told;
    // The event log's user when an account asked for it ("ann@window");
    // empty for the operating-system user's.
    QString user;
};

// The "Set Add" button: asks for the address, checks it and writes it to the
// serial port in one write. It confirms only what the open port has taken.
// Nothing when no address was accepted (cancelled or refused input).
std::optional<AddressOutcome> Command2_Click(OperatorDialogs& dialogs, SerialPort& MSComm1);

} // namespace zel
