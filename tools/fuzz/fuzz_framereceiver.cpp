// The serial receiver, fed the way the port delivers bytes: in chunks of 1 to
// 32 bytes. The input is a run of records, each a control byte followed by
// the chunk: the low five bits give its length minus one, and a control byte
// with its top three bits set delivers the chunk under another port event,
// which the receiver must ignore. Every frame goes on through the decoder,
// the panel update and the status log, as in the main window.

#include "fuzzcheck.h"

#include "logging/statuslog.h"
#include "panel/panelupdate.h"
#include "telemetry/framereceiver.h"
#include "telemetry/statusframe.h"

#include <QList>

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace zel;

namespace {

// A panel that only checks what it is asked to show.
class CheckingPanel final : public PanelView {
public:
    void setDeviceId(const QString&) override {}
    void setDigitText(int box, const QString& text) override
    {
        FUZZ_CHECK(box >= 1 && box <= 10);
        // Boxes 8 to 10 are the level bars: ten cells, a colon, two cells.
        if (box >= 8)
            FUZZ_CHECK(text.size() == 13 && text.at(10) == u':');
    }
    void setDigitColor(int box, int color) override
    {
        FUZZ_CHECK(box >= 1 && box <= 10 && (color == 1 || color == 2));
    }
    void setLed(int led, bool) override { FUZZ_CHECK(led >= 1 && led <= 3); }
    void raiseOnAlarm() override {}
};

// Frame values are unsigned 16-bit at most, so every decoded field is plain
// digits with at most one decimal point, or the placeholder it had before.
bool isUnsignedNumber(const QString& text)
{
    if (text.isEmpty() || text.startsWith(u'.') || text.endsWith(u'.') || text.count(u'.') > 1)
        return false;
    return std::all_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c == u'.' || (c >= u'0' && c <= u'9'); });
}

void checkDecoded(const QByteArray& frame)
{
    TransmitterStatus status;
    ClearStatus(status);
    const TransmitterStatus cleared = status;
    DecodeStatusFrame(frame, status);

    const QString TransmitterStatus::*fields[] = {
        &TransmitterStatus::DeviceId,     &TransmitterStatus::FrequencyMHz,
        &TransmitterStatus::ForwardW,     &TransmitterStatus::ReflectW,
        &TransmitterStatus::TemperatureC, &TransmitterStatus::VoltageV,
        &TransmitterStatus::CurrentA,     &TransmitterStatus::ModPercent,
        &TransmitterStatus::AudioLeft,    &TransmitterStatus::AudioRight};
    for (const auto field : fields)
        FUZZ_CHECK(isUnsignedNumber(status.*field) || status.*field == cleared.*field);
    FUZZ_CHECK(status.DeviceId.size() == 5);

    CheckingPanel panel;
    showStatus(status, panel);
    const QByteArray log =
        formatStatusLog(status, true, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
    FUZZ_CHECK(log.count("\r\n") == 13 && log.endsWith("\r\n"));
}

// A block is taken when it is whole frames, each ending in CR LF.
bool isWholeFrames(const QByteArray& block)
{
    if (block.isEmpty() || block.size() % StatusFrameLength != 0)
        return false;
    for (qsizetype end = StatusFrameLength; end <= block.size(); end += StatusFrameLength)
        if (block.mid(end - 2, 2) != "\r\n")
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FrameReceiver receiver;
    QList<QByteArray> frames;
    QList<qsizetype> dropped;
    QObject::connect(&receiver, &FrameReceiver::frameReceived,
                     [&frames](const QByteArray& frame) { frames.append(frame); });
    QObject::connect(&receiver, &FrameReceiver::blockDropped,
                     [&dropped](qsizetype length) { dropped.append(length); });

    // Everything delivered as received data, in order.
    QByteArray stream;
    std::size_t at = 0;
    while (at + 1 < size) {
        const std::uint8_t control = data[at++];
        const std::size_t length = std::min<std::size_t>(1 + (control & 0x1F), size - at);
        const QByteArray chunk(reinterpret_cast<const char*>(data + at), qsizetype(length));
        at += length;

        const bool received = (control & 0xE0) != 0xE0;
        const QByteArray before = receiver.buffer();
        const qsizetype framesBefore = frames.size();
        const qsizetype droppedBefore = dropped.size();
        receiver.onComm(received ? FrameReceiver::ReceiveEvent : FrameReceiver::ReceiveEvent + 1,
                        chunk);
        if (!received) {
            FUZZ_CHECK(receiver.buffer() == before && frames.size() == framesBefore &&
                       dropped.size() == droppedBefore);
            continue;
        }
        stream.append(chunk);
        const QByteArray block = before + chunk;

        FUZZ_CHECK(receiver.buffer().size() <= FrameReceiver::DefaultCap);
        FUZZ_CHECK(!receiver.buffer().endsWith("\r\n"));
        // The buffer holds the latest bytes received, nothing else.
        FUZZ_CHECK(stream.endsWith(receiver.buffer()));
        FUZZ_CHECK(receiver.framesDecoded() == quint64(frames.size()));
        FUZZ_CHECK(receiver.blocksDropped() == quint64(dropped.size()));
        const qsizetype emitted = frames.size() - framesBefore;
        const qsizetype drops = dropped.size() - droppedBefore;
        FUZZ_CHECK(drops <= 1 && (emitted == 0 || drops == 0));
        if (block.endsWith("\r\n")) {
            // At a frame end everything collected is either taken whole, in
            // order, or thrown away whole; nothing stays behind.
            FUZZ_CHECK(receiver.buffer().isEmpty());
            if (isWholeFrames(block)) {
                FUZZ_CHECK(emitted == block.size() / StatusFrameLength);
                FUZZ_CHECK(frames.mid(framesBefore).join() == block);
            } else {
                FUZZ_CHECK(emitted == 0 && drops == 1 && dropped.last() == block.size());
            }
        } else {
            FUZZ_CHECK(emitted == 0);
            // Only noise past the cap is thrown away before a frame end.
            FUZZ_CHECK(drops == 0
                           ? receiver.buffer() == block
                           : block.size() > FrameReceiver::DefaultCap &&
                                 dropped.last() == block.size() && receiver.buffer().isEmpty());
        }
    }

    for (const QByteArray& frame : frames)
        checkDecoded(frame);
    // The decoder itself also takes any length: short ones leave the record alone.
    TransmitterStatus status;
    DecodeStatusFrame(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), status);
    if (size < std::size_t(StatusFrameLength - 2))
        FUZZ_CHECK(status == TransmitterStatus());
    return 0;
}
