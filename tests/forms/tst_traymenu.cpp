#include "forms/traymenu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QTest>

using namespace zel;

class TestTrayMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The designed items keep their indices; the windows follow the designed
    // separator in a block of their own above Exit.
    void itemsInOrderReportTheirIndex()
    {
        TrayMenu menu;
        QSignalSpy clicked(&menu, &TrayMenu::mnutray_Click);
        QStringList shown;
        for (QAction* item : menu.actions()) {
            shown << (item->isSeparator() ? QStringLiteral("-") : item->text());
            item->trigger();
        }
        QCOMPARE(shown, QStringList({"Show &Parameter", "&Setup", "FM Set", "Set &Address", "-",
                                     "&History", "E&vents", "Station &record...", "-", "&Exit"}));
        QList<int> indices;
        for (const QList<QVariant>& call : clicked)
            indices << call.at(0).toInt();
        QCOMPARE(indices, QList<int>({0, 1, 2, 3, 6, 7, 8, 5}));
        QVERIFY(menu.mnutray(TrayMenu::Separator)->isSeparator());
        QCOMPARE(menu.mnutray(TrayMenu::History)->text(), QStringLiteral("&History"));
        QCOMPARE(menu.mnutray(9), nullptr);
        QCOMPARE(menu.defaultAction(), menu.mnutray(TrayMenu::ShowParameter));
    }

    void eventsItemCountsWaitingAlarms()
    {
        TrayMenu menu;
        menu.setEventsCount(3);
        QCOMPARE(menu.mnutray(TrayMenu::Events)->text(), QStringLiteral("E&vents (3)"));
        menu.setEventsCount(0);
        QCOMPARE(menu.mnutray(TrayMenu::Events)->text(), QStringLiteral("E&vents"));
    }

    // A letter pressed in the open menu runs the item it belongs to, never
    // just moves the highlight between two items that share it.
    void accessKeyRunsItsItem_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("index");
        QTest::newRow("Show Parameter") << int(Qt::Key_P) << int(TrayMenu::ShowParameter);
        QTest::newRow("Setup") << int(Qt::Key_S) << int(TrayMenu::Setup);
        QTest::newRow("Set Address") << int(Qt::Key_A) << int(TrayMenu::SetAddress);
        QTest::newRow("History") << int(Qt::Key_H) << int(TrayMenu::History);
        QTest::newRow("Events") << int(Qt::Key_V) << int(TrayMenu::Events);
        QTest::newRow("Station record") << int(Qt::Key_R) << int(TrayMenu::StationRecord);
        QTest::newRow("Exit") << int(Qt::Key_E) << int(TrayMenu::Exit);
    }
    void accessKeyRunsItsItem()
    {
        QFETCH(int, key);
        TrayMenu menu;
        menu.setEventsCount(2);
        QSignalSpy clicked(&menu, &TrayMenu::mnutray_Click);
        menu.popup({100, 100});
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        QTest::keyClick(&menu, Qt::Key(key));
        QTRY_COMPARE(clicked.size(), 1);
        QTEST(clicked.at(0).at(0).toInt(), "index");
        QTRY_VERIFY(!menu.isVisible());
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
