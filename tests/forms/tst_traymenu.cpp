#include "forms/traymenu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QTest>

using namespace zel;

class TestTrayMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sixItemsEachReportingItsIndex()
    {
        TrayMenu menu;
        QSignalSpy clicked(&menu, &TrayMenu::mnutray_Click);
        const QStringList captions = {QStringLiteral("Show &Parameter"),
                                      QStringLiteral("&Setup"),
                                      QStringLiteral("FM Set"),
                                      QStringLiteral("Set &Address"),
                                      QString(),
                                      QStringLiteral("&Exit")};
        QCOMPARE(menu.actions().size(), captions.size());
        for (int i = 0; i < captions.size(); ++i) {
            QAction* item = menu.mnutray(i);
            QCOMPARE(menu.actions().at(i), item);
            QCOMPARE(item->text(), captions[i]);
            QCOMPARE(item->isSeparator(), i == TrayMenu::Separator);
            item->trigger();
            if (!item->isSeparator())
                QCOMPARE(clicked.takeFirst().at(0).toInt(), i);
        }
        QVERIFY(clicked.isEmpty());
        QCOMPARE(menu.defaultAction(), menu.mnutray(TrayMenu::ShowParameter));
    }

    // Without a tray the window's right click is the only way to the items.
    void rightClickOnTheWindowPopsItUp()
    {
        QWidget window;
        auto* child = new QWidget(&window);
        child->setGeometry(10, 10, 50, 50);
        window.resize(200, 200);
        TrayMenu menu;
        menu.attachAsContextMenu(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20),
                                child->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(child, &click);
        QTRY_VERIFY(menu.isVisible());
    }
};

QTEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
