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
    for (int index = 0; index < ItemCount; ++index) {
        QAction* item = index == Separator ? addSeparator() : addAction(captions[index]);
        item->setObjectName(QStringLiteral("mnutray_%1").arg(index));
        if (index != Separator)
            connect(item, &QAction::triggered, this,
                    [this, index] { Q_EMIT mnutray_Click(index); });
        m_items.append(item);
    }
    // The default item is drawn in bold.
    setDefaultAction(m_items[ShowParameter]);
}

void TrayMenu::attachAsContextMenu(QWidget* window)
{
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(window, &QWidget::customContextMenuRequested, this,
            [this, window](const QPoint& at) { popup(window->mapToGlobal(at)); });
}

} // namespace zel
