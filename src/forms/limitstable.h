#pragma once

#include "alarms/limitsettings.h"
#include "config/settingsdraft.h"

#include <QTableWidget>

namespace zel {

// The [Limits] of every reading as a table on a draft: a row per reading, a
// column per value. A value left at its default shows the default greyed;
// a cleared cell is written empty where that turns a default limit off. Each
// value is judged as readLimitSettings judges it, levels out of order too,
// and a cell that cannot be used is marked with why.
class LimitsTable : public QTableWidget {
    Q_OBJECT
public:
    enum Column {
        LowCritical,
        LowWarning,
        HighWarning,
        HighCritical,
        Hysteresis,
        QualifySeconds,
        ClearSeconds,
        ColumnCount
    };

    LimitsTable(SettingsDraft& draft, const AlarmSettings& alarms, QWidget* parent = nullptr);

    // "forward_w.low_critical", ... "forward_w.clear_seconds".
    static QString keyOf(Reading reading, int column);
    // Why the cell cannot be used; empty when it can.
    QString problemAt(int row, int column) const;
    bool valid() const;

public Q_SLOTS:
    // The selected cells' keys go: they take their defaults again.
    void restoreDefaults();

Q_SIGNALS:
    void changed();

private:
    QString defaultText(Reading reading, int column) const;
    void showRow(int row);
    void edited(QTableWidgetItem* item);

    SettingsDraft& m_draft;
    AlarmSettings m_alarms;
    bool m_showing = false;
};

} // namespace zel
