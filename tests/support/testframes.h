#pragma once

#include <QByteArray>

namespace zel::testframes {

// A status frame as the controller sends it: device 08001, on air and
// locked at 87.50 MHz, 5000.0 W forward, 35.0 W reflected, 30.6 C, 148.0 V,
// 7.5 A, modulation 9, audio 100 and 99. No alarm.
inline const QByteArray goodFrame =
    QByteArray::fromHex("1F4101222E01C350015E013205C8004B0009006400630D0A");

// The same at 45.1 C: over temperature.
inline QByteArray hotFrame()
{
    QByteArray f = goodFrame;
    f.replace(10, 2, QByteArray::fromHex("01C3"));
    return f;
}

} // namespace zel::testframes
