#include "panelupdate.h"

#include "common/lenientnumber.h"
#include "levelbar.h"

namespace zel {

bool temperatureAlarm(const QString& temperatureText)
{
    return parseLeadingNumber(temperatureText) > TemperatureAlarmC;
}

bool reflectAlarm(const QString& forwardText, const QString& reflectText)
{
    return parseLeadingNumber(reflectText) > parseLeadingNumber(forwardText) * ReflectAlarmRatio;
}

void showStatus(const TransmitterStatus& s, PanelView& view)
{
    view.setDeviceId(s.DeviceId);
    view.setDigitText(1, s.FrequencyMHz);
    view.setLed(3, s.FreqLock);
    if (!s.FreqLock)
        view.raiseOnAlarm();
    view.setLed(2, s.OnAir);
    if (!s.OnAir)
        view.raiseOnAlarm();

    view.setDigitText(2, s.TemperatureC);
    if (temperatureAlarm(s.TemperatureC)) {
        view.raiseOnAlarm();
        view.setDigitColor(2, 2);
    } else {
        view.setDigitColor(2, 1);
    }

    view.setDigitText(3, s.ModPercent);
    view.setDigitText(4, s.ForwardW);
    view.setDigitText(5, s.ReflectW);
    if (reflectAlarm(s.ForwardW, s.ReflectW)) {
        view.raiseOnAlarm();
        view.setDigitColor(5, 2);
    } else {
        view.setDigitColor(5, 1);
    }

    view.setDigitText(6, s.VoltageV);
    view.setDigitText(7, s.CurrentA);
    view.setDigitText(8, levelBarForText(s.ModPercent));
    view.setDigitText(9, levelBarForText(s.AudioLeft));
    view.setDigitText(10, levelBarForText(s.AudioRight));
}

} // namespace zel
