// Decoding cost: nanoseconds per status frame (receiver and decoder, as the
// window runs them for each receive event) and per gateway reply, and the
// cost of judging every limit of a decoded record.

#include "benchsupport.h"

#include "alarms/silencejudge.h"
#include "net/statusreply.h"
#include "telemetry/framereceiver.h"
#include "telemetry/statusframe.h"

#include <QCoreApplication>

#include <cstdio>
#include <vector>

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

    // Every reading's judge and silence, from the values to the levels, with
    // the default limits and a few more so no judge is idle.
    class : public SettingsStore {
    public:
        QString read(const QString&, const QString& key, const QString& fallback) const override
        {
            return key.endsWith(QStringLiteral("high_warning")) ? QStringLiteral("1e9") : fallback;
        }
        void write(const QString&, const QString&, const QString&) override {}
        QString problem() const override { return QString(); }
    } store;
    const LimitSettings limits = readLimitSettings(store, AlarmSettings{});
    std::vector<LimitJudge> judges;
    for (int r = 0; r < ReadingCount; ++r)
        judges.emplace_back(Reading(r), limits.of(Reading(r)));
    const SilenceJudge silence(limits.silence);
    std::vector<TelemetryValues> values;
    for (const QByteArray& frame : frames) {
        TransmitterStatus s;
        DecodeStatusFrame(frame, s);
        values.push_back(telemetryValues(s));
    }
    std::vector<LimitLevel> levels(judges.size(), LimitLevel::Normal);
    SilenceState silent;
    const double limitsNs = timePerCall([&](int i) {
        const LimitReadings readings = limitReadings(values[i], 500.0, limits.minForwardW);
        for (std::size_t j = 0; j < judges.size(); ++j)
            levels[j] = judges[j].judge(levels[j], readings).level;
        silent = silence.judge(silent, readings, values[i].onAir, levels.front()).state;
    });

    std::printf("frame_ns %.0f\nreply_ns %.0f\nlimits_ns %.0f\nframes_decoded %lld\nchecks %s\n",
                frameNs, replyNs, limitsNs, static_cast<long long>(decoded),
                framesOk && repliesOk ? "ok" : "failed");
    return framesOk && repliesOk ? 0 : 1;
}
