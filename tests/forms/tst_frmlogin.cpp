#include "forms/frmlogin.h"
#include "support/fakes.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace zel;

class TestFrmLogin : public QObject {
    Q_OBJECT
    FakeDialogs dialogs;
    std::unique_ptr<frmLogin> dialog;

    QWidget* focused() const { return QApplication::focusWidget(); }

private Q_SLOTS:
    // Each use starts with a fresh, shown and active dialog.
    void init()
    {
        dialogs.messages.clear();
        dialog = std::make_unique<frmLogin>(dialogs);
        dialog->show();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    }

    void refusedUntilRight_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << QStringLiteral("Vorna") << QStringLiteral("quintlf");
        QTest::newRow("user name case") << QStringLiteral("vorna") << QStringLiteral("quintlef");
        QTest::newRow("trailing blank") << QStringLiteral("Vorna") << QStringLiteral("quintlef ");
    }
    void refusedUntilRight()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        dialog->txtUserName()->setText(user);
        QTest::keyClicks(dialog->txtPassword(), password);
        QTest::keyClick(dialog->txtUserName(), Qt::Key_Return);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("Invalid Password, try again!"));
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Login"));
        QVERIFY(dialog->isVisible() && !dialog->LoginSucceeded);
        QCOMPARE(focused(), dialog->txtPassword());
        QCOMPARE(dialog->txtPassword()->selectedText(), password);

        // The next typing replaces the whole password; Enter presses OK.
        dialog->txtUserName()->setText(QStringLiteral("Vorna"));
        QTest::keyClicks(focused(), QStringLiteral("quintlef"));
        QCOMPARE(dialog->txtPassword()->displayText(), QStringLiteral("********"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QVERIFY(!dialog->isVisible() && dialog->LoginSucceeded);
    }

    void escOrCancelLeavesNoLogin_data()
    {
        QTest::addColumn<bool>("esc");
        QTest::newRow("Esc") << true;
        QTest::newRow("Cancel") << false;
    }
    void escOrCancelLeavesNoLogin()
    {
        QFETCH(bool, esc);
        QTest::keyClick(dialog->txtPassword(), Qt::Key_Return); // a failed attempt first
        if (esc)
            QTest::keyClick(dialog->txtPassword(), Qt::Key_Escape);
        else
            QTest::mouseClick(dialog->cmdCancel(), Qt::LeftButton);
        QVERIFY(!dialog->isVisible() && !dialog->LoginSucceeded);
        QCOMPARE(dialogs.messages.size(), 1);
    }

    void keyboardReachesEveryControl()
    {
        dialog->txtUserName()->setFocus();
        const QList<QWidget*> order = {dialog->txtPassword(), dialog->cmdOK(), dialog->cmdCancel(),
                                       dialog->txtUserName()};
        for (QWidget* next : order) {
            QTest::keyClick(focused(), Qt::Key_Tab);
            QCOMPARE(focused(), next);
        }
        QTest::keyClick(dialog.get(), Qt::Key_P, Qt::AltModifier);
        QCOMPARE(focused(), dialog->txtPassword());
        QTest::keyClick(dialog.get(), Qt::Key_U, Qt::AltModifier);
        QCOMPARE(focused(), dialog->txtUserName());
    }
};

QTEST_MAIN(TestFrmLogin)
#include "tst_frmlogin.moc"
