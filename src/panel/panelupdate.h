#pragma once

#include "telemetry/transmitterstatus.h"

#include <QString>

namespace zel {

// What the status panel offers to the update: seven-segment boxes by number
// (DigitBox1..10), the ID label, LEDs by number (LED1..3) and the raise.
class PanelView {
public:
    virtual ~PanelView() = default;
    virtual void setDeviceId(const QString& text) = 0;
    virtual void setDigitText(int box, const QString& text) = 0;
    // 1 normal, 2 alarm.
    virtual void setDigitColor(int box, int color) = 0;
    virtual void setLed(int led, bool on) = 0;
    // Brings a minimised window back; does nothing when it is shown.
    virtual void raiseOnAlarm() = 0;
};

inline constexpr double TemperatureAlarmC = 45.0;
inline constexpr double ReflectAlarmRatio = 0.06;

bool temperatureAlarm(const QString& temperatureText);
bool reflectAlarm(const QString& forwardText, const QString& reflectText);

// Shows the record on the panel in the designed order, raising the window on
// every alarm it meets. Logging is the caller's business.
void showStatus(const TransmitterStatus& status, PanelView& view);

} // namespace zel
