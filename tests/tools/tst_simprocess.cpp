// Runs the real zel-fm-sim executable and talks to it the way the monitor
// does: over the pty it links, and over TCP. Its gateway faults are driven
// through the monitor by the integration tests.

#include "simexamples.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The next stdout line starting with prefix, skipping others; empty on time-out.
QString waitForLine(QProcess& sim, const QString& prefix, int timeoutMs = 3000)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (sim.canReadLine()) {
            const QString line = QString::fromUtf8(sim.readLine()).trimmed();
            if (line.startsWith(prefix))
                return line;
        }
        if (deadline.hasExpired() ||
            !sim.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return {};
    }
}

// Everything the pty delivers until `want` bytes are in or the time is up.
QByteArray readPty(int fd, qsizetype want, int timeoutMs)
{
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < want && !deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            break;
        char buffer[1024];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, n);
    }
    return got;
}

// The pty behind link, opened raw the way the monitor opens its port.
int openLine(const QString& link)
{
    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return fd;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

void stop(QProcess& sim)
{
    sim.terminate();
    QVERIFY(sim.waitForFinished(3000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

} // namespace

class TestSimProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Without a display, as the manual pages are made; bad arguments are 2.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("says"); // on stdout when 0, else stderr
        QTest::newRow("version") << QStringList{"--version"} << 0 << QStringList{"zel-fm-sim 2."};
        QTest::newRow("help") << QStringList{"--help"} << 0
                              << QStringList{"Usage: zel-fm-sim", "--ignore-set", "carrier-trip"};
        QTest::newRow("unknown option")
            << QStringList{"serial", "--colour"} << 2
            << QStringList{"zel-fm-sim: Unknown option 'colour'", "\nUsage: zel-fm-sim"};
        QTest::newRow("option without its value")
            << QStringList{"serial", "--link"} << 2 << QStringList{"Missing value after '--link'"};
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QStringList, says);
        QProcess sim;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        sim.setProcessEnvironment(env);
        sim.start(QStringLiteral(ZEL_SIM_PATH), args);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), code);
        const QString text =
            QString::fromUtf8(code == 0 ? sim.readAllStandardOutput() : sim.readAllStandardError());
        for (const QString& part : says)
            QVERIFY2(text.contains(part), qPrintable(text));
    }

    // With --ignore-set the command is logged as taken off the line and
    // changes nothing: frames and replies keep 98.50 MHz (0x267A).
    void serialFramesAndCommands_data() { ignoreSet_data(); }
    void serialFramesAndCommands()
    {
        QFETCH(bool, ignoreSet);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyZEL"));
        QProcess sim;
        QStringList args{"serial", "--link", link, "--interval", "12.5", "--seed", "1"};
        args << (ignoreSet ? QStringList{"--ignore-set"} : QStringList{"--frames", "20"});
        sim.start(QStringLiteral(ZEL_SIM_PATH), args);
        const QString ready = waitForLine(sim, QStringLiteral("ready serial "));
        QVERIFY(!ready.isEmpty());
        QCOMPARE(ready.section(' ', -1), QFileInfo(link).symLinkTarget());
        const int fd = openLine(link);
        QVERIFY(fd >= 0);

        // Exactly the 20 frames asked for, each 24 bytes from device 8001,
        // on air at 98.50 MHz and locked, ending in CR LF.
        if (!ignoreSet) {
            const QByteArray frames = readPty(fd, 20 * 24, 1500);
            QCOMPARE(frames.size(), 20 * 24);
            QVERIFY(readPty(fd, 1, 200).isEmpty());
            for (qsizetype at = 0; at < frames.size(); at += 24) {
                QCOMPARE(frames.mid(at, 6).toHex(' '), QByteArray("1f 41 01 26 7a 01"));
                QVERIFY(frames.mid(at, 24).endsWith("\r\n"));
            }
        }
        QCOMPARE(::write(fd, kSetOn.constData(), 9), 9);
        QCOMPARE(waitForLine(sim, QStringLiteral("set ")), kSetOnLine);
        if (ignoreSet) {
            QCOMPARE(waitForLine(sim, QStringLiteral("event set")),
                     QStringLiteral("event set ignored"));
            QThread::msleep(200); // frames that would show a change
            const QByteArray frames = readPty(fd, 4096, 300);
            QVERIFY(frames.size() >= 5 * 24);
            for (qsizetype at = 0; at + 24 <= frames.size(); at += 24)
                QCOMPARE(frames.mid(at, 6).toHex(' '), QByteArray("1f 41 01 26 7a 01"));
        }
        for (const char byte : QByteArray::fromHex("012C")) { // paced like the monitor
            QCOMPARE(::write(fd, &byte, 1), 1);
            QThread::msleep(120);
        }
        QCOMPARE(waitForLine(sim, QStringLiteral("address ")), QStringLiteral("address 300"));
        ::close(fd);
        stop(sim);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void gatewayPollAndSet_data() { ignoreSet_data(); }
    void gatewayPollAndSet()
    {
        QFETCH(bool, ignoreSet);
        QProcess sim;
        QStringList args{"gateway", "--port", "0", "--seed", "1"};
        if (ignoreSet)
            args << "--ignore-set";
        sim.start(QStringLiteral(ZEL_SIM_PATH), args);
        const QString ready = waitForLine(sim, QStringLiteral("ready gateway 127.0.0.1 "));
        QVERIFY(!ready.isEmpty());
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, ready.section(' ', -1).toUShort());
        QVERIFY(socket.waitForConnected(2000));
        const auto poll = [&] {
            socket.write(kPoll);
            QByteArray reply;
            while (reply.size() < 50 && socket.waitForReadyRead(2000))
                reply += socket.readAll();
            return QString::fromLatin1(reply);
        };
        static const QRegularExpression columns(QStringLiteral(
            R"(^08001 1 09850 1 \d{4} \d{3} \d{3} \d{3} \d{3} \d{3} \d{3} \d{3}\r\n$)"));
        QString reply = poll();
        QVERIFY2(columns.match(reply).hasMatch(), qPrintable(reply));
        QCOMPARE(waitForLine(sim, QStringLiteral("poll")), QStringLiteral("poll"));

        socket.write(kRemoteSetOn);
        QVERIFY(socket.waitForBytesWritten(1000));
        QCOMPARE(waitForLine(sim, QStringLiteral("set ")), kSetOnLine);
        if (ignoreSet) {
            QCOMPARE(waitForLine(sim, QStringLiteral("event set")),
                     QStringLiteral("event set ignored"));
            reply = poll();
            QVERIFY2(columns.match(reply).hasMatch(), qPrintable(reply));
        } else {
            QVERIFY(!socket.waitForReadyRead(300)); // no answer to a set, and no close
            QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
        }
        socket.disconnectFromHost();
        stop(sim);
    }

private:
    static void ignoreSet_data()
    {
        QTest::addColumn<bool>("ignoreSet");
        QTest::newRow("obeys") << false;
        QTest::newRow("--ignore-set") << true;
    }
};

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simprocess.moc"
