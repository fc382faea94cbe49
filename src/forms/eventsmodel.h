#pragma once

#include "alarms/alarmstate.h"
#include "alarms/eventrecord.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSet>

#include <optional>

namespace zel {

// Which events the table shows: one kind (an event name, AllAlarms for every
// alarm kind, empty for everything) and, if asked, only the alarms nobody has
// acknowledged, or only the active ones (raised, or waiting for an
// acknowledgement).
struct EventFilter {
    static inline const QString AllAlarms = QStringLiteral("*alarms");
    QString kind;
    bool unacknowledgedOnly = false;
    bool activeOnly = false;
};

// Alarm row id -> its state, for the active alarms; any other raised row is
// back to normal.
using AlarmStates = QHash<qint64, AlarmState>;

const QStringList& alarmKinds();
const QStringList& occurrenceKinds();

// The event log newest first, as the events window shows it.
class EventsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Id, Time, Event, Severity, State, Value, Detail, User, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // events in any order; active: the states of the active alarms.
    void setEvents(QList<EventRecord> events, AlarmStates active);
    void setFilter(const EventFilter& filter);
    // Alarms whose acknowledgement is on its way: no longer acknowledgeable.
    void setPending(const QSet<qint64>& ids);

    const EventRecord& eventAt(int row) const { return m_all[m_shown[row]]; }
    // An alarm that nobody acknowledged and none is pending for.
    bool isAcknowledgeable(int row) const;
    // The state of the alarm in row; nullopt for a row that is no alarm.
    std::optional<AlarmState> alarmStateAt(int row) const;
    // The rows shown, oldest first.
    QList<EventRecord> shownOldestFirst() const;
    int rowOf(qint64 id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    bool passes(const EventRecord& e) const;
    std::optional<AlarmState> stateOf(const EventRecord& e) const;
    void rebuild();

    QList<EventRecord> m_all; // newest first
    AlarmStates m_active;
    QSet<qint64> m_pending;
    EventFilter m_filter;
    QList<int> m_shown; // indices into m_all
};

} // namespace zel
