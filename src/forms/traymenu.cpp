#include "traymenu.h"

#include <QAction>

namespace zel {

TrayMenu::TrayMenu(QWidget* parent) : QMenu(QStringLiteral("&TrayPopUp"), parent)
{
    setObjectName(QStringLiteral("mnuTrayTop"));
    const QString captions[ItemCount] = {QStringLiteral("Show &Parameter"),
                                         QStringLiteral("&Setup"),
                                         QStringLiteral("FM Set"),
                                         QStringLiteral("Set &Address"),
                                         QString(),
                                         QStringLiteral("&Exit")};
    for (int index = 0; index < ItemCount; ++index)
        addItem(index, captions[index], nullptr);
    // The windows sit between the designed separator and Exit, with a
    // separator of their own above Exit. Their access keys stay clear of the
    // designed ones: A is Set Address's, E is Exit's. The station record's
    // settings (limits, silence, alerts, shelving) share one item.
    QAction* exit = m_items[Exit];
    addItem(History, QStringLiteral("&History"), exit);
    addItem(Events, QStringLiteral("E&vents"), exit);
    addItem(StationRecord, QStringLiteral("Station &record..."), exit);
    insertSeparator(exit)->setObjectName(QStringLiteral("mnutray_windows_end"));
    // The default item is drawn in bold.
    setDefaultAction(m_items[ShowParameter]);
}

QAction* TrayMenu::addItem(int index, const QString& caption, QAction* before)
{
    QAction* item = nullptr;
    if (index == Separator) {
        item = addSeparator();
    } else {
        item = new QAction(caption, this);
        insertAction(before, item);
        connect(item, &QAction::triggered, this, [this, index] { Q_EMIT mnutray_Click(index); });
    }
    item->setObjectName(QStringLiteral("mnutray_%1").arg(index));
    m_items.insert(index, item);
    return item;
}

void TrayMenu::setEventsCount(int count)
{
    m_items[Events]->setText(count > 0 ? QStringLiteral("E&vents (%1)").arg(count)
                                       : QStringLiteral("E&vents"));
}

void TrayMenu::attachAsContextMenu(QWidget* window)
{
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(window, &QWidget::customContextMenuRequested, this,
            [this, window](const QPoint& at) { popup(window->mapToGlobal(at)); });
}

} // namespace zel
