// TEMPORARY STUB, to be deleted when the real replay is merged: only counts
// the seconds so the settings dialog's try can be run. It judges nothing.
#include "historyreader.h"
#include "limitreplay.h"

namespace zel::history {

std::optional<ReplayResult> replayLimits(HistoryReader& reader, const LimitSettings&,
                                         std::optional<double>, qint64 fromMs, qint64 toMs,
                                         const std::function<bool(int)>& progress, QString* error)
{
    ReplayResult result;
    bool stopped = false;
    const qint64 fromS = fromMs / 1000;
    const qint64 span = std::max<qint64>(1, toMs / 1000 - fromS);
    const bool ok = reader.forEachSecond(fromS, toMs / 1000, [&](const SecondSample& s) {
        ++result.secondsReplayed;
        if (!stopped && !progress(int((s.t - fromS) * 100 / span)))
            stopped = true;
    });
    if (!ok || stopped) {
        if (error)
            *error = stopped ? QStringLiteral("stopped") : reader.lastError();
        return std::nullopt;
    }
    progress(100);
    return result;
}

} // namespace zel::history
