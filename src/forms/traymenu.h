#pragma once

#include <QMenu>

class QAction;

namespace zel {

// The tray's pop-up menu, mnuTrayTop with its items mnutray 0 to 5. Where the
// desktop has no tray the same menu is the main window's context menu.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    enum Item { ShowParameter = 0, Setup = 1, FmSet = 2, SetAddress = 3, Separator = 4, Exit = 5 };
    static constexpr int ItemCount = 6;

    explicit TrayMenu(QWidget* parent = nullptr);

    QAction* mnutray(int index) const { return m_items.value(index); }

    // Pops the menu up for every right click on window (and on its children
    // that have no menu of their own).
    void attachAsContextMenu(QWidget* window);

Q_SIGNALS:
    void mnutray_Click(int index);

private:
    QList<QAction*> m_items;
};

} // namespace zel
