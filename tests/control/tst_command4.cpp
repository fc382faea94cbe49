#include "forms/setparameterpanel.h"
#include "support/monitorrig.h"
#include "support/testgateway.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <thread>

#include <poll.h>
#include <unistd.h>

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

QPushButton* setButton(const MonitorRig& rig)
{
    return rig.form->findChild<QPushButton*>(QStringLiteral("Command4"));
}

// Collects what reaches the far end of the pty, and when. A thread of its
// own stamps each byte as it arrives, so a stall of the test's event loop
// (a loaded machine) cannot make two paced bytes look close together.
class FarEnd {
public:
    explicit FarEnd(MonitorRig& rig) : m_fd(rig.pty.masterFd())
    {
        m_clock.start();
        m_reader = std::thread([this] { read(); });
    }
    ~FarEnd()
    {
        m_stop = true;
        m_reader.join();
    }
    QByteArray bytes() const
    {
        std::lock_guard lock(m_mutex);
        return m_bytes;
    }
    // Milliseconds between byte i and the one before it.
    QList<qint64> gaps() const
    {
        std::lock_guard lock(m_mutex);
        QList<qint64> out;
        for (qsizetype i = 1; i < m_arrivals.size(); ++i)
            out << m_arrivals[i] - m_arrivals[i - 1];
        return out;
    }

private:
    void read()
    {
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            char buf[64];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            std::lock_guard lock(m_mutex);
            for (ssize_t i = 0; i < n; ++i)
                m_arrivals << m_clock.elapsed();
            if (n > 0)
                m_bytes.append(buf, qsizetype(n));
        }
    }

    const int m_fd;
    QElapsedTimer m_clock;
    mutable std::mutex m_mutex;
    QList<qint64> m_arrivals;
    QByteArray m_bytes;
    std::atomic<bool> m_stop = false;
    std::thread m_reader;
};

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
    // About 120 ms between bytes, values saved, SET disabled until the last
    // pause is over. Beside it, host-name polling of a gateway that accepts
    // and never answers: no poll may come between two bytes, and polling
    // goes on once the command is through.
    void serialBytesArrivePaced_data()
    {
        QTest::addColumn<bool>("polling");
        QTest::newRow("alone") << false;
        QTest::newRow("beside polling") << true;
    }
    void serialBytesArrivePaced()
    {
        QFETCH(bool, polling);
        TestGateway silent;
        Form1Parts parts;
        parts.remote.ddnsIntervalMs = 20;
        const QByteArray pollingIni =
            "DDNSON=1\nDDNS_URL=127.0.0.1\nDDNS_PORT=" + silent.port().toLatin1() + "\n";
        MonitorRig rig(polling ? QByteArray(serialIni).replace("[Ports]", pollingIni + "[Ports]")
                               : serialIni,
                       true, {}, std::move(parts));
        rig.form->start();
        if (polling)
            QTRY_VERIFY(silent.connections() >= 1);
        fill(*rig.form, true, "100.05", "1000", "100", "45");
        FarEnd far(rig);
        rig.form->Command4_Click();
        QVERIFY(!setButton(rig)->isEnabled());
        QTRY_COMPARE(far.bytes().size(), 9);
        QCOMPARE(far.bytes().toHex(' ').toUpper(), QByteArray("53 31 27 15 03 E8 64 2D 0D"));
        // Loose bounds for a loaded machine.
        const QList<qint64> gaps = far.gaps();
        for (qsizetype i = 0; i < gaps.size(); ++i)
            QVERIFY2(gaps[i] >= 80 && gaps[i] < 250,
                     qPrintable(QStringLiteral("byte %1 after %2 ms").arg(i + 2).arg(gaps[i])));
        QTRY_VERIFY(setButton(rig)->isEnabled());
        QVERIFY(rig.dialogs->messages.isEmpty());
        QCOMPARE(rig.stored(QStringLiteral("SETFREQ")), QStringLiteral("100.05"));
        QCOMPARE(rig.stored(QStringLiteral("SETPOWER")), QStringLiteral("1"));
        const int polls = silent.connections();
        if (polling)
            QTRY_VERIFY(silent.connections() > polls);
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
        QTRY_COMPARE(messages(rig).size(), 1);
        QVERIFY(messages(rig).last().startsWith(QStringLiteral("The set command was not sent")));
        QCOMPARE(rig.stored(QStringLiteral("SETFREQ")), QStringLiteral("98.5"));
    }

    // The 13 bytes in one exchange, polling held meanwhile and resumed after,
    // SET disabled while it runs.
    void remoteSendHoldsPolling_data()
    {
        QTest::addColumn<bool>("byHostName");
        QTest::newRow("fixed address") << false;
        // The name is looked up off the window's thread first.
        QTest::newRow("host name") << true;
    }
    void remoteSendHoldsPolling()
    {
        QFETCH(bool, byHostName);
        TestGateway gw;
        Form1Parts parts = quickRemote();
        parts.remote.ddnsIntervalMs = 60000;
        const QByteArray ini = byHostName ? "[Setting]\nDDNSON=1\nDDNS_URL=localhost\nDDNS_PORT=" +
                                                gw.port().toLatin1() + "\n"
                                          : remoteIni(gw.port());
        MonitorRig rig(ini, true, {}, std::move(parts));
        rig.form->start();
        QTimer& polling = byHostName ? rig.form->tmGetDdns() : rig.form->tmGetTcp();
        fill(*rig.form, true, "100.05", "1000", "100", "45");
        bool pollingHeld = false, buttonDisabled = false;
        QPushButton* set = setButton(rig);
        gw.onConnection = [&] {
            pollingHeld = !polling.isActive();
            buttonDisabled = !set->isEnabled();
        };
        rig.form->Command4_Click();
        QTRY_COMPARE(messages(rig), QStringList{QStringLiteral("Send Completed")});
        QCOMPARE(gw.byConnection, QList<QByteArray>{workedRemote});
        QVERIFY(pollingHeld && buttonDisabled);
        QVERIFY(polling.isActive());
        QVERIFY(set->isEnabled());
    }

    // Polling of the gateway resumes only once the operator has closed
    // "Send Completed": no poll reaches it while the message is open. A web
    // panel's command has nobody at this PC to close one: none opens, its
    // outcome goes back in the report, and polling goes on.
    void pollingWaitsUntilTheMessageIsClosed_data()
    {
        QTest::addColumn<bool>("web");
        QTest::newRow("window") << false;
        QTest::newRow("web panel") << true;
    }
    void pollingWaitsUntilTheMessageIsClosed()
    {
        QFETCH(bool, web);
        TestGateway gw;
        Form1Parts parts = quickRemote();
        parts.remote.tcpIntervalMs = 50;
        MonitorRig rig(remoteIni(gw.port()), true, {}, std::move(parts));
        rig.dialogs->keepOpen = true;
        rig.form->start();
        QTRY_VERIFY(gw.connections() >= 1);
        QSignalSpy ended(&rig.form->core(), &MonitorCore::setCommandEnded);
        fill(*rig.form, true, "100.05", "1000", "100", "45");
        if (web) {
            SetParameterInput input{true, QStringLiteral("100.05"), QStringLiteral("1000"),
                                    QStringLiteral("100"), QStringLiteral("45")};
            rig.form->core().sendSetCommand(
                input, DesignBytePause,
                SetOrigin{QStringLiteral("ann@web"), QStringLiteral("192.0.2.7")});
            QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 15000);
            QCOMPARE(ended.first().first().value<SetCommandReport>().told,
                     QStringLiteral("Send Completed"));
            const int atEnd = gw.connections();
            QVERIFY(gw.byConnection.contains(workedRemote));
            QVERIFY(rig.dialogs->messages.isEmpty());
            QTRY_VERIFY(gw.connections() > atEnd);
            return;
        }
        rig.form->Command4_Click();
        QTRY_COMPARE(messages(rig), QStringList{QStringLiteral("Send Completed")});
        const int atMessage = gw.connections();
        QCOMPARE(gw.byConnection.last(), workedRemote);
        QTest::qWait(600); // a dozen poll intervals
        QCOMPARE(gw.connections(), atMessage);
        QVERIFY(!rig.form->tmGetTcp().isActive());
        rig.dialogs->closeMessages();
        QTRY_VERIFY(gw.connections() > atMessage);
        QTRY_COMPARE(gw.byConnection.at(atMessage).size(), 16);
    }

    // The operator hears the reason the trace gives: a refused connect and a
    // port text that is no port both read "Error" there.
    void unreachableGatewayIsNeverCompleted_data()
    {
        QTest::addColumn<QString>("port");
        QTest::newRow("refused") << closedPort();
        QTest::newRow("port that is not one") << "abc";
    }
    void unreachableGatewayIsNeverCompleted()
    {
        QFETCH(QString, port);
        MonitorRig rig(remoteIni(port), true, {}, quickRemote());
        rig.form->start();
        fill(*rig.form, true, "100.05", "1000", "100", "45");
        rig.form->Command4_Click();
        QTRY_COMPARE(
            messages(rig),
            QStringList{QStringLiteral("The set command was not sent to 127.0.0.1 port %1: Error")
                            .arg(port)});
        QVERIFY(rig.trace().contains(QStringLiteral("Error[9]")));
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
        QTRY_VERIFY(setButton(rig)->isEnabled());
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
