#include "alertraise.h"

#include "alarms/eventrecord.h"

#include <QRandomGenerator>
#include <QUuid>

#include <algorithm>
#include <array>

namespace zel::history {

QString alertIdFor(const AlarmRaise& raise)
{
    const qsizetype place = alarm::all().indexOf(raise.kind) + 1;
    std::array<quint8, 16> b{};
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(b.data()), 4);
    const auto ms = quint64(raise.timeMs);
    for (int i = 0; i < 6; ++i)
        b[std::size_t(i)] = quint8(ms >> (8 * (5 - i)));
    b[6] = quint8(0x80 | ((place >> 8) & 0x0F));
    b[7] = quint8(place & 0xFF);
    b[8] = quint8(0x80 | (b[8] & 0x3F));
    const QByteArray bytes(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
    return QUuid::fromRfc4122(bytes).toString(QUuid::WithoutBraces);
}

std::optional<AlarmRaise> raiseInAlertId(const QString& id)
{
    const QUuid uuid(id.trimmed());
    if (uuid.isNull())
        return std::nullopt;
    const QByteArray raw = uuid.toRfc4122();
    const auto b = [&raw](int i) { return quint8(raw.at(i)); };
    if ((b(6) >> 4) != 8 || (b(8) >> 6) != 2)
        return std::nullopt;
    const int place = ((b(6) & 0x0F) << 8) | b(7);
    if (place < 1 || place > alarm::all().size())
        return std::nullopt;
    quint64 ms = 0;
    for (int i = 0; i < 6; ++i)
        ms = (ms << 8) | b(i);
    return AlarmRaise{alarm::all().at(place - 1), qint64(ms)};
}

} // namespace zel::history
