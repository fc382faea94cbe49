#include "forms/setparameterpanel.h"
#include "support/monitorrig.h"
#include "support/testgateway.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace zel;

namespace {

const QByteArray serialIni = "[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=@PTY@\n";
const QByteArray workedRemote = QByteArray::fromHex("3D76393131271503E8642D0D0A");

// The monitor polling a gateway by fixed address.
QByteArray remoteIni(const QString& port)
{
    return "[Setting]\nTCPON=1\nIP=127.0.0.1\nPORT=" + port.toLatin1() + "\n";
}

Form1Parts quickRemote()
{
    Form1Parts parts;
    parts.remoteCommandPauseMs = 10;
    parts.remote.limits.sendSettleMs = 100;
    parts.remote.limits.closeSettleMs = 10;
    parts.remote.tcpIntervalMs = 60000;
    return parts;
}

void fill(Form1& form, bool on, const char* freq, const char* power, const char* reflect,
          const char* temp)
{
    SetParameterPanel& p = *form.setParameterPanel();
    p.selectCarrier(on);
    p.frequency()->setText(QString::fromLatin1(freq));
    p.forwardTarget()->setText(QString::fromLatin1(power));
    p.reflectTarget()->setText(QString::fromLatin1(reflect));
    p.tempProtection()->setText(QString::fromLatin1(temp));
}

QStringList messages(const MonitorRig& rig)
{
    QStringList out;
    for (const auto& m : rig.dialogs->messages)
        out << m.text;
    return out;
}

} // namespace

class TestCommand4 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serialBytesArrivePacedAndValuesAreSaved()
    {
        MonitorRig rig(serialIni);
        rig.form->start();
        fill(*rig.form, true, "100.05", "1000", "100", "45");
        QList<qint64> arrivals;
        QByteArray bytes;
        QElapsedTimer clock;
        QTimer reader;
        QObject::connect(&reader, &QTimer::timeout, [&] {
            const QByteArray got = rig.pty.readAvailable();
            for (int i = 0; i < got.size(); ++i)
                arrivals << clock.elapsed();
            bytes += got;
        });
        clock.start();
        reader.start(5);
        rig.form->Command4_Click();
        QTRY_COMPARE(bytes.size(), 9);
        QCOMPARE(bytes.toHex(' ').toUpper(), QByteArray("53 31 27 15 03 E8 64 2D 0D"));
        // About 120 ms between bytes; loose bounds for a loaded machine.
        for (int i = 1; i < arrivals.size(); ++i)
            QVERIFY2(arrivals[i] - arrivals[i - 1] >= 80, qPrintable(QString::number(i)));
        QVERIFY(rig.dialogs->messages.isEmpty());
        QCOMPARE(rig.stored(QStringLiteral("SETFREQ")), QStringLiteral("100.05"));
        QCOMPARE(rig.stored(QStringLiteral("SETPOWER")), QStringLiteral("1"));
    }

    void refusedValuesSendAndSaveNothing_data()
    {
        QTest::addColumn<QByteArray>("power");
        QTest::addColumn<QByteArray>("temp");
        QTest::addColumn<QString>("message");
        QTest::newRow("negative power")
            << QByteArray("-5") << QByteArray("45") << "FORWARD TARGET(W) cannot be negative";
        QTest::newRow("temperature")
            << QByteArray("5") << QByteArray("39.9") << "TEMP PROTECTION [40 - 50 C]";
    }
    void refusedValuesSendAndSaveNothing()
    {
        QFETCH(QByteArray, power);
        QFETCH(QByteArray, temp);
        MonitorRig rig(serialIni);
        rig.form->start();
        fill(*rig.form, false, "98.5", power.constData(), "5", temp.constData());
        rig.form->Command4_Click();
        QTEST(messages(rig).value(0), "message");
        QTest::qWait(50);
        QVERIFY(rig.pty.readAvailable().isEmpty());
        QCOMPARE(rig.stored(QStringLiteral("SETFREQ")), QStringLiteral("<none>"));
    }

    void closedPortIsToldAndValuesStillSaved()
    {
        MonitorRig rig("[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=/dev/zel-missing\n");
        rig.form->start();
        fill(*rig.form, true, "98.5", "5", "5", "45");
        rig.form->Command4_Click();
        QVERIFY(messages(rig).last().startsWith(QStringLiteral("The set command was not sent")));
        QCOMPARE(rig.stored(QStringLiteral("SETFREQ")), QStringLiteral("98.5"));
    }

    // The 13 bytes in one exchange, polling held meanwhile and resumed after,
    // SET disabled while it runs.
    void remoteSendHoldsPolling()
    {
        TestGateway gw;
        MonitorRig rig(remoteIni(gw.port()), true, {}, quickRemote());
        rig.form->start();
        fill(*rig.form, true, "100.05", "1000", "100", "45");
        bool pollingHeld = false, buttonDisabled = false;
        auto* set = rig.form->findChild<QPushButton*>(QStringLiteral("Command4"));
        gw.onConnection = [&] {
            pollingHeld = !rig.form->tmGetTcp().isActive();
            buttonDisabled = !set->isEnabled();
        };
        rig.form->Command4_Click();
        QCOMPARE(gw.byConnection, QList<QByteArray>{workedRemote});
        QVERIFY(pollingHeld && buttonDisabled);
        QCOMPARE(messages(rig), QStringList{QStringLiteral("Send Completed")});
        QVERIFY(rig.form->tmGetTcp().isActive());
        QVERIFY(set->isEnabled());
    }

    void unreachableGatewayIsNeverCompleted()
    {
        const QString port = closedPort();
        MonitorRig rig(remoteIni(port), true, {}, quickRemote());
        rig.form->start();
        fill(*rig.form, true, "100.05", "1000", "100", "45");
        rig.form->Command4_Click();
        QCOMPARE(
            messages(rig),
            QStringList{QStringLiteral("The set command was not sent to 127.0.0.1 port %1: Error")
                            .arg(port)});
        QVERIFY(rig.form->tmGetTcp().isActive());
    }

    // Polling switched off: no wait for a timer that will never run again.
    void pollingOffSendsAtOnce()
    {
        TestGateway gw;
        MonitorRig rig(remoteIni(gw.port()), true, {}, quickRemote());
        rig.form->start();
        rig.form->remoteLink().Command5_Click();
        QVERIFY(!rig.form->tmGetTcp().isActive());
        fill(*rig.form, false, "98.5", "5", "5", "45");
        rig.form->Command4_Click();
        QCOMPARE(gw.connections(), 1);
        QVERIFY(!rig.form->tmGetTcp().isActive());
    }

    // SET pressed while a poll waits on the socket: it goes out once that
    // poll has finished, in an exchange of its own.
    void clickDuringAPollWaitsForIt()
    {
        TestGateway gw;
        MonitorRig rig(remoteIni(gw.port()), true, {}, quickRemote());
        rig.form->start();
        fill(*rig.form, true, "100.05", "1000", "100", "45");
        gw.onConnection = [&] {
            if (gw.connections() == 1)
                rig.form->Command4_Click();
        };
        rig.form->remoteLink().TMgetTCP_Timer();
        QTRY_COMPARE(messages(rig), QStringList{QStringLiteral("Send Completed")});
        QCOMPARE(gw.connections(), 2);
        QCOMPARE(gw.byConnection.at(0).size(), 16); // the poll
        QCOMPARE(gw.byConnection.at(1), workedRemote);
    }
};

QTEST_MAIN(TestCommand4)
#include "tst_command4.moc"
