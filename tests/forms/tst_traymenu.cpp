#include "forms/traymenu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QTest>

using namespace zel;

class TestTrayMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void itemsReportTheirIndex()
    {
        TrayMenu menu;
        QSignalSpy clicked(&menu, &TrayMenu::mnutray_Click);
        for (QAction* item : menu.actions())
            item->trigger();
        QCOMPARE(clicked.size(), 5);
        for (int index : {0, 1, 2, 3, 5})
            QCOMPARE(clicked.takeFirst().at(0).toInt(), index);
        QVERIFY(menu.mnutray(TrayMenu::Separator)->isSeparator());
        QCOMPARE(menu.defaultAction(), menu.mnutray(TrayMenu::ShowParameter));
    }

    // Without a tray the window's right click is the only way to the items.
    void rightClickOnTheWindowPopsItUp()
    {
        QWidget window;
        auto* child = new QWidget(&window);
        child->setGeometry(10, 10, 50, 50);
        TrayMenu menu;
        menu.attachAsContextMenu(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QContextMenuEvent click(QContextMenuEvent::Mouse, {20, 20},
                                child->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(child, &click);
        QTRY_VERIFY(menu.isVisible());
    }
};

QTEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
