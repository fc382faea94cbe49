#include "simcodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zel::sim {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kPollFixed[] = "\xC0\xA8\x01\x21\x03\xEA";
constexpr qsizetype kPollLength = 11; // without the five padding spaces
constexpr qsizetype kRemoteSetLength = 13;
constexpr qsizetype kSetLength = 9;

quint16 toUnits(double value, double perUnit)
{
    const long long units = std::llround(value * perUnit);
    return static_cast<quint16>(std::clamp(units, 0LL, 65535LL));
}

void appendWord(QByteArray& out, quint16 value)
{
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value & 0xFF));
}

long long column(double value, double perUnit, long long maximum)
{
    return std::clamp(std::llround(value * perUnit), 0LL, maximum);
}

quint8 byteAt(QByteArrayView bytes, qsizetype index)
{
    return static_cast<quint8>(bytes[index]);
}

CommandEvent rejected(const QString& reason, QByteArrayView bytes)
{
    CommandEvent event;
    event.kind = CommandEvent::Kind::Rejected;
    event.reason = reason;
    event.bytes = bytes.toByteArray();
    return event;
}

CommandEvent addressEvent(QByteArrayView bytes)
{
    CommandEvent event;
    event.kind = CommandEvent::Kind::Address;
    event.address = static_cast<quint16>(byteAt(bytes, 0) << 8 | byteAt(bytes, 1));
    event.bytes = bytes.toByteArray();
    return event;
}

CommandEvent setEvent(QByteArrayView command, QByteArrayView values)
{
    QString reason;
    const auto set = decodeSetValues(values, &reason);
    if (!set)
        return rejected(reason, command);
    CommandEvent event;
    event.kind = CommandEvent::Kind::Set;
    event.set = *set;
    event.bytes = command.toByteArray();
    return event;
}

} // namespace

QByteArray encodeStatusFrame(const Reading& r)
{
    QByteArray frame;
    frame.reserve(24);
    appendWord(frame, r.deviceId);
    frame.append(r.onAir ? '\x01' : '\x00');
    appendWord(frame, toUnits(r.frequencyMHz, 100));
    frame.append(r.locked ? '\x01' : '\x00');
    appendWord(frame, toUnits(r.forwardW, 10));
    appendWord(frame, toUnits(r.reflectW, 10));
    appendWord(frame, toUnits(r.temperatureC, 10));
    appendWord(frame, toUnits(r.voltageV, 10));
    appendWord(frame, toUnits(r.currentA, 10));
    appendWord(frame, toUnits(r.modPercent, 1));
    appendWord(frame, toUnits(r.audioLeft, 1));
    appendWord(frame, toUnits(r.audioRight, 1));
    frame.append(kCR);
    frame.append(kLF);
    return frame;
}

QByteArray encodeStatusReply(const Reading& r)
{
    char line[64];
    const int length = std::snprintf(
        line, sizeof line,
        "%05lld %c %05lld %c %04lld %03lld %03lld %03lld %03lld %03lld %03lld %03lld\r\n",
        std::clamp(static_cast<long long>(r.deviceId), 0LL, 99999LL), r.onAir ? '1' : '0',
        column(r.frequencyMHz, 100, 99999), r.locked ? '1' : '0', column(r.forwardW, 10, 9999),
        column(r.reflectW, 10, 999), column(r.temperatureC, 10, 999), column(r.voltageV, 10, 999),
        column(r.currentA, 10, 999), column(r.modPercent, 1, 999), column(r.audioLeft, 1, 999),
        column(r.audioRight, 1, 999));
    return QByteArray(line, length);
}

QString hexBytes(QByteArrayView bytes, qsizetype limit)
{
    QString text = QString::fromLatin1(
        bytes.first(std::min(bytes.size(), limit)).toByteArray().toHex(' ').toUpper());
    if (bytes.size() > limit)
        text += QStringLiteral(" ... (%1 bytes)").arg(bytes.size());
    return text;
}

QString CommandEvent::logLine() const
{
    switch (kind) {
    case Kind::Set:
        return QStringLiteral("set carrier=%1 freq=%2 power=%3 reflect=%4 temp=%5")
            .arg(set.carrierOn ? QStringLiteral("ON") : QStringLiteral("OFF"))
            .arg(QString::number(set.frequency10kHz / 100.0, 'f', 2))
            .arg(set.powerW)
            .arg(set.reflectLimitW)
            .arg(set.tempThresholdC);
    case Kind::Address:
        return QStringLiteral("address %1").arg(address);
    case Kind::Poll:
        return QStringLiteral("poll");
    case Kind::Rejected:
        break;
    }
    return QStringLiteral("rejected %1: %2").arg(reason, hexBytes(bytes));
}

std::optional<SetCommand> decodeSetValues(QByteArrayView v, QString* reason)
{
    const auto fail = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    if (v.size() != 7)
        return fail(QStringLiteral("set values must be 7 bytes"));
    SetCommand set;
    if (v[0] != '0' && v[0] != '1')
        return fail(QStringLiteral("carrier byte is neither '0' nor '1'"));
    set.carrierOn = v[0] == '1';
    set.frequency10kHz = static_cast<quint16>(byteAt(v, 1) << 8 | byteAt(v, 2));
    set.powerW = static_cast<quint16>(byteAt(v, 3) << 8 | byteAt(v, 4));
    set.reflectLimitW = byteAt(v, 5);
    set.tempThresholdC = byteAt(v, 6);
    // The controller's own limits: it ignores values its panel could not send.
    if (set.frequency10kHz < 8700 || set.frequency10kHz > 10800)
        return fail(QStringLiteral("frequency %1 MHz outside 87.00..108.00")
                        .arg(QString::number(set.frequency10kHz / 100.0, 'f', 2)));
    if (set.powerW > 9999)
        return fail(QStringLiteral("power %1 W above 9999").arg(set.powerW));
    if (set.reflectLimitW > 100)
        return fail(QStringLiteral("reflect limit %1 W above 100").arg(set.reflectLimitW));
    if (set.tempThresholdC < 40 || set.tempThresholdC > 50)
        return fail(
            QStringLiteral("temperature threshold %1 C outside 40..50").arg(set.tempThresholdC));
    return set;
}

QList<CommandEvent> SerialCommandDecoder::feed(QByteArrayView bytes, qint64 nowMs)
{
    QList<CommandEvent> out = expire(nowMs);
    for (const char byte : bytes)
        takeByte(byte, out);
    if (!bytes.isEmpty())
        lastByteMs_ = nowMs;
    return out;
}

void SerialCommandDecoder::takeByte(char byte, QList<CommandEvent>& out)
{
    pending_.append(byte);
    const bool maybeSet = pending_[0] == 'S';
    if (pending_.size() == 2 && (!maybeSet || (pending_[1] != '0' && pending_[1] != '1'))) {
        out.append(addressEvent(pending_));
        pending_.clear();
    } else if (pending_.size() == kSetLength) {
        out.append(pending_.back() == kCR
                       ? setEvent(pending_, QByteArrayView(pending_).sliced(1, 7))
                       : rejected(QStringLiteral("set command not ending in CR"), pending_));
        pending_.clear();
    }
}

QList<CommandEvent> SerialCommandDecoder::expire(qint64 nowMs)
{
    if (pending_.isEmpty() || nowMs - lastByteMs_ < kTimeoutMs)
        return {};
    // Only "S" + '0'/'1' can still be pending at two bytes: with nothing
    // following, it was an address whose high byte is 0x53.
    const CommandEvent event =
        pending_.size() == 2
            ? addressEvent(pending_)
            : rejected(QStringLiteral("incomplete command (%1 bytes)").arg(pending_.size()),
                       pending_);
    pending_.clear();
    return {event};
}

std::optional<qint64> SerialCommandDecoder::deadline() const
{
    if (pending_.isEmpty())
        return std::nullopt;
    return lastByteMs_ + kTimeoutMs;
}

QList<CommandEvent> GatewayCommandDecoder::feed(QByteArrayView bytes)
{
    pending_.append(bytes.data(), bytes.size());
    QList<CommandEvent> out;
    // Drops everything up to the next "=" as one rejected run.
    const auto resync = [&](const QString& reason) {
        const qsizetype next = pending_.indexOf('=', 1);
        const qsizetype count = next < 0 ? pending_.size() : next;
        out.append(rejected(reason, QByteArrayView(pending_).first(count)));
        pending_.remove(0, count);
    };
    for (;;) {
        qsizetype padding = 0;
        while (padding < pending_.size() &&
               (pending_[padding] == ' ' || pending_[padding] == kCR || pending_[padding] == kLF))
            ++padding;
        pending_.remove(0, padding);
        if (pending_.isEmpty())
            break;
        if (pending_[0] != '=') {
            const qsizetype next = pending_.indexOf('=');
            const qsizetype count = next < 0 ? pending_.size() : next;
            out.append(rejected(QStringLiteral("unexpected bytes"),
                                QByteArrayView(pending_).first(count)));
            pending_.remove(0, count);
            continue;
        }
        if (pending_.size() < 3)
            break;
        if (pending_[1] != 'v') {
            resync(QStringLiteral("unknown command"));
        } else if (pending_[2] == 'S') {
            if (pending_.size() < kPollLength)
                break;
            const QByteArrayView poll = QByteArrayView(pending_).first(kPollLength);
            if (poll.sliced(3, 6) != QByteArrayView(kPollFixed, 6) || poll[9] != kCR ||
                poll[10] != kLF) {
                resync(QStringLiteral("malformed poll"));
                continue;
            }
            CommandEvent event;
            event.kind = CommandEvent::Kind::Poll;
            event.bytes = poll.toByteArray();
            out.append(event);
            pending_.remove(0, kPollLength);
        } else if (pending_[2] == '9') {
            if (pending_.size() < kRemoteSetLength)
                break;
            const QByteArrayView command = QByteArrayView(pending_).first(kRemoteSetLength);
            if (command[3] != '1' || command[11] != kCR || command[12] != kLF) {
                resync(QStringLiteral("malformed remote set command"));
                continue;
            }
            out.append(setEvent(command, command.sliced(4, 7)));
            pending_.remove(0, kRemoteSetLength);
        } else {
            resync(QStringLiteral("unknown command"));
        }
    }
    return out;
}

} // namespace zel::sim
