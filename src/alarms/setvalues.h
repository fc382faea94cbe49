#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zel {

// The five working values a set command carried, read back from its bytes so
// the log and the readback name what reached the wire, not what was typed.
struct SetValues {
    bool carrierOn = false;
    int frequency10kHz = 0;
    int forwardW = 0;
    int reflectLimitW = 0;
    int tempLimitC = 0;

    double frequencyMHz() const { return frequency10kHz / 100.0; }
    // "carrier ON, 100.05 MHz, forward 1000 W, reflect limit 100 W, temperature limit 45 C"
    QString text() const;

    // The 9-byte serial command or the 13-byte gateway form; nothing for
    // anything else.
    static std::optional<SetValues> fromCommand(const QByteArray& command);

    bool operator==(const SetValues&) const = default;
};

// "carrier ON, 98.50 MHz": the part of a set command the readback checks.
QString carrierText(bool on, double frequencyMHz);

} // namespace zel
