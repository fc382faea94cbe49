#pragma once

#include <QMenu>

class QAction;

namespace zel {

// The tray's pop-up menu, mnuTrayTop with its items mnutray 0 to 5, then the
// station record's windows from index 6 in a block of their own. Where the
// desktop has no tray the same menu is the main window's context menu.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    enum Item {
        ShowParameter = 0,
        Setup = 1,
        FmSet = 2,
        SetAddress = 3,
        Separator = 4,
        Exit = 5,
        History = 6,
        Events = 7,
        StationRecord = 8,
    };
    // The designed items, 0 to 5.
    static constexpr int ItemCount = 6;

    explicit TrayMenu(QWidget* parent = nullptr);

    // Any item by its index; nullptr for an index no item has.
    QAction* mnutray(int index) const { return m_items.value(index); }

    // "E&vents (3)" while alarms wait for an acknowledgement.
    void setEventsCount(int count);

    // Pops the menu up for every right click on window (and on its children
    // that have no menu of their own).
    void attachAsContextMenu(QWidget* window);

Q_SIGNALS:
    void mnutray_Click(int index);

private:
    QAction* addItem(int index, const QString& caption, QAction* before);

    QMap<int, QAction*> m_items;
};

} // namespace zel
