#pragma once

#include "eventsmodel.h"
#include "shell/clock.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace zel {

namespace history {
class HistoryReader;
}
class AlarmAcknowledger;
class Shelf;
class ShelfControls;

struct EventsWindowOptions {
    int refreshMs = 5000; // while shown
    int maxRows = 20000;  // the newest kept when a period holds more
};

// The station's event log as a table, newest first, with filters, the
// operator's acknowledgement of alarms and a CSV export. Reads read-only;
// acknowledgements go out through the acknowledger. Keeps the count of
// alarms waiting for an acknowledgement, for the tray menu.
class EventsWindow : public QWidget {
    Q_OBJECT
public:
    EventsWindow(QString databasePath, AlarmAcknowledger& acknowledger, const Clock& clock,
                 EventsWindowOptions options = {}, QWidget* parent = nullptr);
    ~EventsWindow() override;

    int unacknowledgedCount() const { return m_unacknowledgedCount; }
    EventsModel* model() const { return m_model; }
    QTableView* table() const { return m_table; }
    QString statusText() const;

    // kind: an event name, EventFilter::AllAlarms, or empty for all.
    void setFilter(const EventFilter& filter);
    // Sends the selected raised, unacknowledged alarms to the acknowledger.
    void acknowledgeSelected();
    // The shown rows, oldest first, as zel-fm-history events writes them.
    bool exportCsv(const QString& path);
    // Shows "Shelve…" and "Unshelve", which write to the log through it.
    void setShelf(Shelf* shelf);
    // Asks which kinds (all, or the selected row's), for how long and why.
    void chooseShelf();
    // Ends every shelf.
    void unshelve();

public Q_SLOTS:
    // Something was added to the log: the count now, the table when shown.
    void eventsChanged();
    void refresh();

Q_SIGNALS:
    void unacknowledgedCountChanged(int count);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool ensureReader();
    void updateCount(int count);
    void showRows(QList<EventRecord> rows, const AlarmStates& active);
    // Unacknowledged or active only: read from all time, not the period.
    bool allTime() const;
    void selectionChanged();
    void filterChosen();
    void chooseCsv();
    void answered(qint64 alarmId, const QString& refusal);

    QString m_path;
    AlarmAcknowledger& m_acknowledger;
    const Clock& m_clock;
    EventsWindowOptions m_options;
    std::unique_ptr<history::HistoryReader> m_reader;
    EventsModel* m_model;
    QTableView* m_table;
    QComboBox* m_kind;
    QComboBox* m_period;
    QCheckBox* m_unacknowledgedOnly;
    QCheckBox* m_activeOnly;
    QPushButton* m_acknowledge;
    ShelfControls* m_shelving;
    QLabel* m_status;
    QTimer m_refresh;
    QSet<qint64> m_pending;
    struct Shown {
        bool allTime = false;
        qsizetype count = -1;
        qint64 newestId = 0;
        AlarmStates active;
        bool operator==(const Shown&) const = default;
    };
    Shown m_shown;
    int m_unacknowledgedCount = 0;
};

} // namespace zel
