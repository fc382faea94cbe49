#include "stationbackend.h"

#include "history/historyreader.h"

#include <QMetaObject>

namespace zel {

namespace {

QString tooSlow()
{
    return QStringLiteral("the monitor did not answer in time; see the events before trying "
                          "again");
}

} // namespace

StationBackend::StationBackend(Parts parts, QObject* parent, std::chrono::milliseconds patience,
                               std::chrono::milliseconds setPatience)
    : QObject(parent), m_parts(parts), m_patience(patience), m_setPatience(setPatience)
{
    // Straight from the writer's thread: the waiting HTTP thread needs no
    // trip through the monitor's.
    connect(
        &m_parts.history, &history::HistoryService::acknowledged, this,
        [this](qint64 id) { answerAcknowledgement(id, QString()); }, Qt::DirectConnection);
    connect(
        &m_parts.history, &history::HistoryService::acknowledgeRefused, this,
        [this](qint64 id, const QString& reason) {
            answerAcknowledgement(id, reason.isEmpty() ? QStringLiteral("refused") : reason);
        },
        Qt::DirectConnection);
}

StationBackend::~StationBackend()
{
    std::lock_guard lock(m_mutex);
    for (const auto& w : std::as_const(m_acks))
        w->give(QStringLiteral("the monitor is stopping"));
}

void StationBackend::answerAcknowledgement(qint64 alarmId, const QString& reason)
{
    std::lock_guard lock(m_mutex);
    for (const auto& w : m_acks.values(alarmId))
        w->give(reason);
    m_acks.remove(alarmId);
}

void StationBackend::setSnapshot(std::shared_ptr<const MetricsSnapshot> snapshot)
{
    std::lock_guard lock(m_mutex);
    m_snapshot = std::move(snapshot);
}

std::shared_ptr<const MetricsSnapshot> StationBackend::snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_snapshot;
}

std::optional<QList<AlarmStatus>> StationBackend::activeAlarms(QString& error) const
{
    history::HistoryReader reader(m_parts.historyPath);
    if (!reader.open()) {
        error = reader.lastError();
        return std::nullopt;
    }
    auto alarms = reader.activeAlarms();
    if (!alarms)
        error = reader.lastError();
    return alarms;
}

std::optional<QList<EventRecord>> StationBackend::events(const EventQuery& query,
                                                         QString& error) const
{
    history::HistoryReader reader(m_parts.historyPath);
    if (!reader.open()) {
        error = reader.lastError();
        return std::nullopt;
    }
    QList<EventRecord> rows;
    if (query.state == u"unacknowledged") {
        const auto alarms = reader.activeAlarms();
        if (!alarms) {
            error = reader.lastError();
            return std::nullopt;
        }
        for (const AlarmStatus& a : *alarms) {
            const qint64 t = a.alarm.time.toMSecsSinceEpoch();
            if (waitsForAcknowledgement(a.state) && t >= query.fromMs && t < query.toMs)
                rows << a.alarm;
        }
    } else {
        auto all = reader.events(query.fromMs, query.toMs);
        if (!all) {
            error = reader.lastError();
            return std::nullopt;
        }
        rows = std::move(*all);
    }
    if (rows.size() > MaxEventRows) {
        error = QStringLiteral("more than %1 events in that period: choose a shorter one")
                    .arg(MaxEventRows);
        return std::nullopt;
    }
    QList<EventRecord> out;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (!query.kind.isEmpty() && it->event != query.kind)
            continue;
        if (query.state == u"alarms" && it->severity.isEmpty())
            continue;
        out << *it;
    }
    return out;
}

TrendData StationBackend::trend(const TrendRequest& request) const
{
    history::HistoryReader reader(m_parts.historyPath);
    if (!reader.open()) {
        TrendData d;
        d.request = request;
        d.error = reader.lastError();
        return d;
    }
    return loadTrend(reader, request);
}

QString StationBackend::acknowledge(qint64 alarmId, const QString& by)
{
    auto waiter = std::make_shared<Waiter>();
    {
        std::lock_guard lock(m_mutex);
        m_acks.insert(alarmId, waiter);
    }
    // Queued on this object: nothing runs once the backend is gone.
    QMetaObject::invokeMethod(
        this,
        [this, alarmId, by] { m_parts.history.acknowledge(alarmId, by + QStringLiteral("@web")); },
        Qt::QueuedConnection);
    const std::optional<QString> reason = waiter->wait(m_patience);
    {
        std::lock_guard lock(m_mutex);
        m_acks.remove(alarmId, waiter);
    }
    return reason.value_or(tooSlow());
}

QString StationBackend::shelve(const QStringList& kinds, qint64 durationMs, const QString& reason,
                               const QString& by)
{
    auto waiter = std::make_shared<Waiter>();
    QMetaObject::invokeMethod(
        this,
        [this, waiter, kinds, durationMs, reason, by] {
            waiter->give(
                m_parts.shelf.shelve(kinds, durationMs, reason, by + QStringLiteral("@web")));
        },
        Qt::QueuedConnection);
    return waiter->wait(m_patience).value_or(tooSlow());
}

std::optional<SetCommandReport> StationBackend::set(const SetParameterInput& input,
                                                    const SetOrigin& origin, QString& refused)
{
    // The report, or why there is none.
    using Outcome = std::pair<std::optional<SetCommandReport>, QString>;
    auto outcome = std::make_shared<Pending<Outcome>>();
    const auto finish = [outcome](std::optional<SetCommandReport> report, const QString& why) {
        outcome->give({std::move(report), why});
    };
    QMetaObject::invokeMethod(
        this,
        [this, input, origin, finish] {
            MonitorCore& core = m_parts.core;
            if (core.setCommandUnderWay()) {
                finish(std::nullopt, QStringLiteral("a set command is under way; try again when "
                                                    "it has finished"));
                return;
            }
            // The one command under way is this one: its report is the next.
            auto* once = new QObject(this);
            connect(&core, &MonitorCore::setCommandEnded, once,
                    [finish](const SetCommandReport& r) { finish(r, QString()); });
            connect(&core, &MonitorCore::setCommandFinished, once, [once, finish] {
                finish(std::nullopt, QStringLiteral("the set command was refused"));
                once->deleteLater();
            });
            core.sendSetCommand(input, DesignBytePause, origin);
        },
        Qt::QueuedConnection);
    const std::optional<Outcome> got = outcome->wait(m_setPatience);
    if (!got) {
        refused = QStringLiteral("no outcome within %1 s; see the events before sending again")
                      .arg(m_setPatience.count() / 1000);
        return std::nullopt;
    }
    refused = got->second;
    return got->first;
}

void StationBackend::logAccess(const QString& event, const QString& state, const QString& account,
                               const QString& detail)
{
    QMetaObject::invokeMethod(
        this,
        [this, event, state, account, detail] {
            m_parts.log.webAccess(event, state, account, detail);
        },
        Qt::QueuedConnection);
}

} // namespace zel
