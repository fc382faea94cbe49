#include "forms/frmlogin.h"
#include "support/fakes.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace zel;

namespace {

// A shown, active login dialog, as the operator meets it.
struct Shown {
    FakeDialogs dialogs;
    frmLogin dialog{dialogs};
    Shown()
    {
        dialog.show();
        dialog.activateWindow();
    }
    bool ready() { return QTest::qWaitForWindowActive(&dialog); }
    void enter(QWidget* on) { QTest::keyClick(on, Qt::Key_Return); }
};

} // namespace

class TestFrmLogin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enterWithTheRightPasswordSucceeds()
    {
        Shown s;
        QVERIFY(s.ready());
        QCOMPARE(s.dialog.windowTitle(), QStringLiteral("Login"));
        QCOMPARE(s.dialog.txtUserName()->text(), QStringLiteral("Vorna"));
        QVERIFY(!s.dialog.LoginSucceeded);
        QSignalSpy finished(&s.dialog, &QDialog::finished);
        QTest::keyClicks(s.dialog.txtPassword(), QStringLiteral("quintlef"));
        QCOMPARE(s.dialog.txtPassword()->displayText(), QStringLiteral("********"));
        s.enter(s.dialog.txtPassword());
        QCOMPARE(finished.count(), 1);
        QVERIFY(s.dialog.LoginSucceeded);
        QVERIFY(!s.dialog.isVisible());
        QVERIFY(s.dialogs.messages.isEmpty());
    }

    void refusedWithThePasswordSelected_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << "Vorna"
                                        << "quintlf";
        QTest::newRow("user name case") << "vorna"
                                        << "quintlef";
        QTest::newRow("trailing blank") << "Vorna"
                                        << "quintlef ";
        QTest::newRow("leading blank") << " Vorna"
                                       << "quintlef";
    }
    void refusedWithThePasswordSelected()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        Shown s;
        QVERIFY(s.ready());
        s.dialog.txtUserName()->setText(user);
        QTest::keyClicks(s.dialog.txtPassword(), password);
        s.enter(s.dialog.txtUserName());

        QCOMPARE(s.dialogs.messages.size(), 1);
        QCOMPARE(s.dialogs.messages[0].text, QStringLiteral("Invalid Password, try again!"));
        QCOMPARE(s.dialogs.messages[0].title, QStringLiteral("Login"));
        QVERIFY(s.dialog.isVisible());
        QVERIFY(!s.dialog.LoginSucceeded);
        QCOMPARE(QApplication::focusWidget(), s.dialog.txtPassword());
        QCOMPARE(s.dialog.txtPassword()->selectedText(), password);

        // Typing replaces the whole attempt.
        s.dialog.txtUserName()->setText(QStringLiteral("Vorna"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("quintlef"));
        s.enter(s.dialog.txtPassword());
        QVERIFY(s.dialog.LoginSucceeded);
    }

    void escOrCancelAfterAFailureLeavesNoLogin_data()
    {
        QTest::addColumn<bool>("esc");
        QTest::newRow("Esc") << true;
        QTest::newRow("Cancel") << false;
    }
    void escOrCancelAfterAFailureLeavesNoLogin()
    {
        QFETCH(bool, esc);
        Shown s;
        QVERIFY(s.ready());
        s.enter(s.dialog.txtPassword());
        QCOMPARE(s.dialogs.messages.size(), 1);
        QSignalSpy finished(&s.dialog, &QDialog::finished);
        if (esc)
            QTest::keyClick(s.dialog.txtPassword(), Qt::Key_Escape);
        else
            QTest::mouseClick(s.dialog.cmdCancel(), Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!s.dialog.isVisible());
        QVERIFY(!s.dialog.LoginSucceeded);
        QCOMPARE(s.dialogs.messages.size(), 1);
    }

    void keyboardReachesEveryControl()
    {
        Shown s;
        QVERIFY(s.ready());
        s.dialog.txtUserName()->setFocus();
        const QList<QWidget*> order = {s.dialog.txtPassword(), s.dialog.cmdOK(),
                                       s.dialog.cmdCancel(), s.dialog.txtUserName()};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(&s.dialog, Qt::Key_P, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), s.dialog.txtPassword());
        QTest::keyClick(&s.dialog, Qt::Key_U, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), s.dialog.txtUserName());
        QVERIFY(!s.dialog.txtPassword()->testAttribute(Qt::WA_InputMethodEnabled));
    }
};

QTEST_MAIN(TestFrmLogin)
#include "tst_frmlogin.moc"
