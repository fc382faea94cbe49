#include "historyrecorder.h"

#include "telemetry/telemetryvalues.h"

#include <algorithm>
#include <cmath>

namespace zel::history {
namespace {

std::optional<qint64> scaled(const std::optional<double>& v, int decimals)
{
    if (!v)
        return std::nullopt;
    return qint64(std::llround(*v * std::pow(10.0, decimals)));
}

std::array<std::optional<qint64>, FieldCount> scaledValues(const TelemetryValues& v)
{
    const std::array<std::optional<double>, FieldCount> raw{
        v.frequencyMHz, v.forwardW,   v.reflectW,  v.temperatureC, v.voltageV,
        v.currentA,     v.modulation, v.audioLeft, v.audioRight};
    std::array<std::optional<qint64>, FieldCount> out{};
    for (int i = 0; i < FieldCount; ++i)
        out[std::size_t(i)] = scaled(raw[std::size_t(i)], fieldInfo(fieldAt(i)).decimals);
    return out;
}

} // namespace

HistoryRecorder::HistoryRecorder(const Clock& clock, int handOverDelayMs, QObject* parent)
    : QObject(parent), m_clock(clock), m_handOverDelayMs(handOverDelayMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &HistoryRecorder::handOver);
}

void HistoryRecorder::record(const StatusUpdate& update)
{
    const qint64 t = update.time.toSecsSinceEpoch();
    if (m_current && m_current->t != t)
        finishCurrent();
    if (!m_current) {
        m_current = SecondSample{};
        m_current->t = t;
        m_seen.fill(false);
    }
    const TelemetryValues values = telemetryValues(update.record);
    SecondSample& s = *m_current;
    const auto device = scaled(values.deviceId, 0);
    s.deviceId = device ? std::optional<int>(int(*device)) : std::nullopt;
    s.onAir = values.onAir;
    s.locked = values.locked;
    s.gateway = update.link == LinkKind::Gateway;
    s.value = scaledValues(values);
    for (std::size_t i = 0; i < std::size_t(FieldCount); ++i) {
        if (!s.value[i])
            continue;
        const qint64 v = *s.value[i];
        s.min[i] = m_seen[i] ? std::min(s.min[i], v) : v;
        s.max[i] = m_seen[i] ? std::max(s.max[i], v) : v;
        m_seen[i] = true;
    }
    armTimer();
}

void HistoryRecorder::recordEvent(const EventRecord& event)
{
    m_events << event;
    armTimer();
}

void HistoryRecorder::finishCurrent()
{
    SecondSample& s = *m_current;
    // Only the last record's fields are kept; a range belongs to a value.
    for (std::size_t i = 0; i < std::size_t(FieldCount); ++i) {
        if (!s.value[i]) {
            s.min[i] = s.max[i] = 0;
        } else if (!fieldInfo(fieldAt(int(i))).keepsRange) {
            s.min[i] = s.max[i] = *s.value[i];
        }
    }
    m_finished << s;
    m_current.reset();
}

void HistoryRecorder::handOver()
{
    const QDateTime now = m_clock.now();
    if (m_current && m_current->t < now.toSecsSinceEpoch())
        finishCurrent();
    emitBatch(now);
    armTimer();
}

void HistoryRecorder::handOverAll()
{
    if (m_current)
        finishCurrent();
    emitBatch(m_clock.now());
    m_timer.stop();
}

void HistoryRecorder::emitBatch(const QDateTime& now)
{
    if (m_finished.isEmpty() && m_events.isEmpty())
        return;
    HistoryBatch batch;
    batch.seconds.swap(m_finished);
    batch.events.swap(m_events);
    batch.nowS = now.toSecsSinceEpoch();
    batch.clock = ClockReading{now.toMSecsSinceEpoch(), m_clock.monotonicMs()};
    Q_EMIT batchReady(batch);
}

void HistoryRecorder::armTimer()
{
    if (m_timer.isActive() || (!m_current && m_finished.isEmpty() && m_events.isEmpty()))
        return;
    // Just after the next second boundary, so a finished second leaves at
    // once and a killed process loses at most the last two.
    const qint64 nowMs = m_clock.now().toMSecsSinceEpoch();
    m_timer.start(int(1000 - nowMs % 1000) + m_handOverDelayMs);
}

} // namespace zel::history
