// The gateway's reply. The first byte picks the part: the decoder on the rest
// as one reply, or the collector fed a run of operations. Each operation is a
// control byte whose top two bits choose poll sent, data, or connection
// closed; data carries the next 1 to 64 bytes (low six bits: length minus one).
// Every reply the collector hands on is decoded, as the remote link does.

#include "fuzzcheck.h"

#include "net/statusreply.h"
#include "panel/panelupdate.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace zel;

namespace {

class NullPanel final : public PanelView {
public:
    void setDeviceId(const QString&) override {}
    void setDigitText(int, const QString&) override {}
    void setDigitColor(int, int) override {}
    void setLed(int, bool) override {}
    void raiseOnAlarm() override {}
};

void checkDecoded(const QByteArray& reply)
{
    // Every field comes from the reply alone, whatever the record held.
    TransmitterStatus fresh;
    TransmitterStatus cleared;
    ClearStatus(cleared);
    DecodeStatusReply(reply, fresh);
    DecodeStatusReply(reply, cleared);
    FUZZ_CHECK(fresh == cleared);

    // Columns end at 48: what follows (a line end, a longer read) is ignored.
    if (reply.size() > ReplyCollector::ReplyLength) {
        TransmitterStatus columns;
        DecodeStatusReply(reply.left(ReplyCollector::ReplyLength), columns);
        FUZZ_CHECK(columns == fresh);
    }

    // A five-place column can overflow a double ("9e999"): that shows as inf.
    static const QRegularExpression number(QStringLiteral("^-?([0-9]+(\\.[0-9]+)?|inf)$"));
    for (const QString* text :
         {&fresh.DeviceId, &fresh.FrequencyMHz, &fresh.ForwardW, &fresh.ReflectW,
          &fresh.TemperatureC, &fresh.VoltageV, &fresh.CurrentA, &fresh.ModPercent,
          &fresh.AudioLeft, &fresh.AudioRight})
        FUZZ_CHECK(number.match(*text).hasMatch());

    NullPanel panel;
    showStatus(fresh, panel);
}

void runCollector(const std::uint8_t* data, std::size_t size)
{
    ReplyCollector collector;
    // What arrived since the poll went out, kept here independently.
    QByteArray expected;
    bool waiting = false;
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t control = data[at++];
        std::optional<QByteArray> reply;
        switch (control >> 6) {
        case 0:
            collector.pollSent();
            waiting = true;
            expected.clear();
            FUZZ_CHECK(collector.RequestMode() == ReplyCollector::StatusPoll);
            break;
        case 3:
            reply = collector.connectionClosed();
            if (reply)
                FUZZ_CHECK(waiting && *reply == expected && !reply->isEmpty());
            else
                FUZZ_CHECK(!waiting || expected.isEmpty());
            break;
        default: {
            const std::size_t length = std::min<std::size_t>(1 + (control & 0x3F), size - at);
            const QByteArray piece(reinterpret_cast<const char*>(data + at), qsizetype(length));
            at += length;
            reply = collector.add(piece);
            if (!waiting) {
                FUZZ_CHECK(!reply);
                break;
            }
            expected.append(piece);
            const bool whole = expected.size() >= ReplyCollector::ReplyLength ||
                               expected.contains('\r') || expected.contains('\n');
            FUZZ_CHECK(reply.has_value() == whole);
            if (reply)
                FUZZ_CHECK(*reply == expected);
            break;
        }
        }
        if (reply) {
            waiting = false;
            FUZZ_CHECK(collector.RequestMode() == ReplyCollector::NoRequest);
            checkDecoded(*reply);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 1)
        runCollector(data + 1, size - 1);
    else
        checkDecoded(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    return 0;
}
