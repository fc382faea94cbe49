#include "statusreply.h"

#include "common/digitformat.h"
#include "common/lenientnumber.h"

#include <utility>

namespace zel {

namespace {

// Positions are 1-based, as the gateway documents its columns.
double number(const QByteArray& text, int position, int length)
{
    return parseLeadingNumber(text.mid(position - 1, length));
}

bool flag(const QByteArray& text, int position)
{
    return text.size() >= position && text.at(position - 1) == '1';
}

} // namespace

QByteArray PollCommand()
{
    QByteArray command("=vS\xC0\xA8\x01\x21\x03\xEA\r\n", 11);
    command.append(16 - command.size(), ' ');
    return command;
}

void DecodeStatusReply(const QByteArray& text, TransmitterStatus& s)
{
    s.DeviceId = formatDigits(number(text, 1, 5), u"00000");
    s.OnAir = flag(text, 7);
    s.FrequencyMHz = formatDigits(number(text, 9, 5) * 0.01, u"0.00");
    s.FreqLock = flag(text, 15);
    s.ForwardW = formatDigits(number(text, 17, 4) * 0.1, u"0.0");
    s.ReflectW = formatDigits(number(text, 22, 3) * 0.1, u"0.0");
    s.TemperatureC = formatDigits(number(text, 26, 3) * 0.1, u"0.0");
    s.VoltageV = formatDigits(number(text, 30, 3) * 0.1, u"0.0");
    s.CurrentA = formatDigits(number(text, 34, 3) * 0.1, u"0.0");
    s.ModPercent = formatDigits(number(text, 38, 3), u"0");
    s.AudioLeft = formatDigits(number(text, 42, 3), u"0");
    s.AudioRight = formatDigits(number(text, 46, 3), u"0");
}

QByteArray recordedReply(const QByteArray& reply)
{
    if (reply.size() <= ReplyRecordLimit)
        return reply;
    return reply.left(ReplyRecordLimit) + " [... " +
           QByteArray::number(reply.size() - ReplyRecordLimit) + " more bytes dropped]";
}

void ReplyCollector::pollSent()
{
    m_requestMode = StatusPoll;
    m_reply.clear();
}

std::optional<QByteArray> ReplyCollector::add(const QByteArray& data)
{
    if (m_requestMode != StatusPoll) {
        m_requestMode = NoRequest;
        return std::nullopt;
    }
    m_reply.append(data);
    if (m_reply.size() >= ReplyLength || m_reply.contains('\n') || m_reply.contains('\r'))
        return takeReply();
    return std::nullopt;
}

std::optional<QByteArray> ReplyCollector::connectionClosed()
{
    if (m_requestMode != StatusPoll || m_reply.isEmpty())
        return std::nullopt;
    return takeReply();
}

std::optional<QByteArray> ReplyCollector::takeReply()
{
    m_requestMode = NoRequest;
    return std::exchange(m_reply, {});
}

} // namespace zel
