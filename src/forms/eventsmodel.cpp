#include "eventsmodel.h"

#include <QApplication>
#include <QBrush>
#include <QFont>
#include <QStyle>

#include <algorithm>

namespace zel {

const QStringList& alarmKinds()
{
    return alarm::all();
}

const QStringList& occurrenceKinds()
{
    static const QStringList kinds{QStringLiteral("set_command"),
                                   QStringLiteral("address_command"),
                                   QStringLiteral("readback"),
                                   QStringLiteral("login"),
                                   QStringLiteral("setup"),
                                   QStringLiteral("monitor"),
                                   QStringLiteral("alert"),
                                   QStringLiteral("clock_step"),
                                   roleevent::Active,
                                   roleevent::Idle};
    return kinds;
}

void EventsModel::setEvents(QList<EventRecord> events, AlarmStates active)
{
    std::sort(events.begin(), events.end(),
              [](const EventRecord& a, const EventRecord& b) { return a.id > b.id; });
    beginResetModel();
    m_all = std::move(events);
    m_active = std::move(active);
    rebuild();
    endResetModel();
}

void EventsModel::setFilter(const EventFilter& filter)
{
    beginResetModel();
    m_filter = filter;
    rebuild();
    endResetModel();
}

void EventsModel::setPending(const QSet<qint64>& ids)
{
    m_pending = ids;
    if (!m_shown.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

std::optional<AlarmState> EventsModel::stateOf(const EventRecord& e) const
{
    if (e.state != eventstate::Raised)
        return std::nullopt;
    return m_active.value(e.id, AlarmState::Normal);
}

std::optional<AlarmState> EventsModel::alarmStateAt(int row) const
{
    return stateOf(eventAt(row));
}

bool EventsModel::passes(const EventRecord& e) const
{
    const auto state = stateOf(e);
    if (m_filter.unacknowledgedOnly && !(state && waitsForAcknowledgement(*state)))
        return false;
    if (m_filter.activeOnly && !(state && *state != AlarmState::Normal))
        return false;
    if (m_filter.kind.isEmpty())
        return true;
    if (m_filter.kind == EventFilter::AllAlarms)
        return alarmKinds().contains(e.event);
    return e.event == m_filter.kind;
}

void EventsModel::rebuild()
{
    m_shown.clear();
    for (int i = 0; i < m_all.size(); ++i) {
        if (passes(m_all[i]))
            m_shown << i;
    }
}

bool EventsModel::isAcknowledgeable(int row) const
{
    const auto state = alarmStateAt(row);
    return state && waitsForAcknowledgement(*state) && !m_pending.contains(eventAt(row).id);
}

QList<EventRecord> EventsModel::shownOldestFirst() const
{
    QList<EventRecord> out;
    out.reserve(m_shown.size());
    for (auto it = m_shown.crbegin(); it != m_shown.crend(); ++it)
        out << m_all[*it];
    return out;
}

int EventsModel::rowOf(qint64 id) const
{
    for (int row = 0; row < m_shown.size(); ++row) {
        if (m_all[m_shown[row]].id == id)
            return row;
    }
    return -1;
}

int EventsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int EventsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EventsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size())
        return {};
    const EventRecord& e = eventAt(index.row());
    const auto state = stateOf(e);
    const bool waiting = state && waitsForAcknowledgement(*state);
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Id:
            return e.id;
        case Time:
            return e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        case Event:
            return e.event;
        case Severity:
            return e.severity;
        case State:
            if (!state)
                return e.state;
            if (m_pending.contains(e.id))
                return isRaised(*state) ? QStringLiteral("raised, acknowledging…")
                                        : QStringLiteral("cleared, acknowledging…");
            return alarmStateText(*state);
        case Value:
            return e.value;
        case Detail:
            return e.detail;
        case User:
            return e.user;
        }
        break;
    case Qt::ToolTipRole:
        if (index.column() == Time)
            return e.time.toUTC().toString(Qt::ISODateWithMs);
        if (index.column() == Detail)
            return e.detail;
        break;
    case Qt::DecorationRole:
        // A set command's readback: confirmed is news, not confirmed trouble.
        if (index.column() == State && e.state == eventstate::Confirmed)
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
        if (index.column() == State && e.state == eventstate::NotConfirmed)
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        if (index.column() == Severity && e.severity == severity::Critical)
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
        if (index.column() == Severity && e.severity == severity::Warning)
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == Id)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case Qt::ForegroundRole:
        // Red while raised, amber once cleared but still unacknowledged.
        if (state && isRaised(*state))
            return QBrush(QColor(0xa0, 0x10, 0x10));
        if (state == AlarmState::ClearedUnacknowledged)
            return QBrush(QColor(0xb0, 0x60, 0x00));
        break;
    case Qt::FontRole:
        if (waiting) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        break;
    default:
        break;
    }
    return {};
}

QVariant EventsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const titles[ColumnCount] = {"Id",    "Time (local)", "Event",  "Severity",
                                                    "State", "Value",        "Detail", "User"};
    return QString::fromLatin1(titles[section]);
}

} // namespace zel
