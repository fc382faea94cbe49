// Decoding cost: nanoseconds per status frame (receiver and decoder, as the
// window runs them for each receive event) and per gateway reply.

#include "benchsupport.h"

#include "net/statusreply.h"
#include "telemetry/framereceiver.h"
#include "telemetry/statusframe.h"

#include <QCoreApplication>

#include <cstdio>

using namespace zel;

namespace {

constexpr int kSamples = 4096;
constexpr std::int64_t kBudgetNs = 1'500'000'000;
constexpr int kMaxRounds = 2000;

// Runs `one(i)` over the samples round after round until the time budget
// is spent; returns nanoseconds per call.
template <typename F> double timePerCall(F one)
{
    for (int i = 0; i < kSamples; ++i) // warm the caches and the allocator
        one(i);
    const std::int64_t start = bench::monotonicNs();
    std::int64_t calls = 0;
    for (int round = 0; round < kMaxRounds; ++round) {
        for (int i = 0; i < kSamples; ++i)
            one(i);
        calls += kSamples;
        if (bench::monotonicNs() - start > kBudgetNs)
            break;
    }
    return double(bench::monotonicNs() - start) / double(calls);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);

    const auto frames = bench::statusFrames(kSamples);
    TransmitterStatus status;
    FrameReceiver receiver;
    qint64 decoded = 0;
    QObject::connect(&receiver, &FrameReceiver::frameReceived, [&](const QByteArray& frame) {
        DecodeStatusFrame(frame, status);
        ++decoded;
    });
    const double frameNs =
        timePerCall([&](int i) { receiver.onComm(FrameReceiver::ReceiveEvent, frames[i]); });
    // Every frame fed must have come out decoded, or the figure means nothing.
    const bool framesOk = decoded > 0 && decoded % kSamples == 0 && !status.DeviceId.isEmpty();

    const auto replies = bench::statusReplies(kSamples);
    TransmitterStatus fromGateway;
    const double replyNs = timePerCall([&](int i) { DecodeStatusReply(replies[i], fromGateway); });
    const bool repliesOk = !fromGateway.ForwardW.isEmpty();

    std::printf("frame_ns %.0f\nreply_ns %.0f\nframes_decoded %lld\nchecks %s\n", frameNs, replyNs,
                static_cast<long long>(decoded), framesOk && repliesOk ? "ok" : "failed");
    return framesOk && repliesOk ? 0 : 1;
}
