#include "setcommand.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"

namespace zel {
namespace {

float single(const QString& text)
{
    return float(parseLeadingNumber(text));
}

SetCommandResult refuse(const QString& message)
{
    return {QByteArray(), message};
}

void appendWord(QByteArray& out, std::int64_t value)
{
    out.append(char(value / 256));
    out.append(char(value % 256));
}

} // namespace

SetCommandResult buildSetCommand(const SetParameterInput& in)
{
    if (!in.carrierOn)
        return refuse(QStringLiteral("Please Select Power Option!"));
    QByteArray cmd = *in.carrierOn ? QByteArray("S1") : QByteArray("S0");

    const float f = single(in.frequency);
    if (!(f >= 87.0f && f <= 108.0f))
        return refuse(QStringLiteral("ความถี่ไม่ถูกต้อง"));
    // The product is kept in single precision before rounding: 98.135 -> 9814.
    const float f100 = f * 100.0f;
    appendWord(cmd, *roundToWhole(f100, 8700, 10800));

    const float p = single(in.forwardTarget);
    if (!(p <= 9999.0f))
        return refuse(QStringLiteral("กำลังส่งเกิน [MAX 9999 W]"));
    // The command has no encoding for a negative target.
    if (p < 0.0f)
        return refuse(QStringLiteral("FORWARD TARGET(W) cannot be negative"));
    appendWord(cmd, *roundToWhole(p, 0, 9999));

    const float r = single(in.reflectTarget);
    if (!(r <= 100.0f))
        return refuse(QStringLiteral("REFLECT เกิน [MAX 100 W]"));
    if (r < 0.0f)
        return refuse(QStringLiteral("REFLECT TARGET (W) cannot be negative"));
    cmd.append(char(*roundToWhole(r, 0, 100)));

    const float t = single(in.tempProtection);
    if (!(t >= 40.0f && t <= 50.0f))
        return refuse(QStringLiteral("TEMP PROTECTION [40 - 50 C]"));
    cmd.append(char(*roundToWhole(t, 40, 50)));
    cmd.append('\r');
    return {cmd, QString()};
}

QByteArray remoteSetCommand(const QByteArray& setCommand)
{
    return QByteArray("=v91") + setCommand.mid(1) + '\n';
}

} // namespace zel
