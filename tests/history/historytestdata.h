#pragma once

#include "core/statusupdate.h"
#include "history/historyfields.h"

#include <QTimeZone>

// Worked examples shared by the history tests.
namespace zel::history::testdata {

inline QDateTime at(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

// A panel record with the given forward power text and otherwise fixed texts.
inline TransmitterStatus record(const QString& forward, const QString& temperature = "30.6")
{
    TransmitterStatus s;
    s.DeviceId = QStringLiteral("08001");
    s.OnAir = true;
    s.FrequencyMHz = QStringLiteral("98.50");
    s.FreqLock = true;
    s.ForwardW = forward;
    s.ReflectW = QStringLiteral("35.0");
    s.TemperatureC = temperature;
    s.VoltageV = QStringLiteral("48.0");
    s.CurrentA = QStringLiteral("7.5");
    s.ModPercent = QStringLiteral("9");
    s.AudioLeft = QStringLiteral("100");
    s.AudioRight = QStringLiteral("99");
    return s;
}

inline StatusUpdate update(qint64 ms, const QString& forward, LinkKind link = LinkKind::Serial)
{
    return StatusUpdate{at(ms), link, record(forward)};
}

// A stored second with every field set, forward power `fwd` tenths with the
// given range.
inline SecondSample second(qint64 t, qint64 fwd, qint64 fwdMin, qint64 fwdMax)
{
    SecondSample s;
    s.t = t;
    s.deviceId = 8001;
    s.onAir = s.locked = true;
    const std::array<qint64, FieldCount> v{9850, fwd, 350, 306, 480, 75, 9, 100, 99};
    for (std::size_t i = 0; i < v.size(); ++i)
        s.value[i] = s.min[i] = s.max[i] = v[i];
    s.min[std::size_t(Field::Forward)] = fwdMin;
    s.max[std::size_t(Field::Forward)] = fwdMax;
    return s;
}

} // namespace zel::history::testdata
