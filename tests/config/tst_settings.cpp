#include "config/linksettings.h"
#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;

namespace {

// A settings file as a person would write it by hand.
QString writeIni(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath(QStringLiteral("ZEL.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
    return path;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyStoreGivesDefaults()
    {
        QTemporaryDir dir;
        const QtSettingsStore store(dir.filePath(QStringLiteral("none.ini")));
        const LinkSettings link = readLinkSettings(store);
        QCOMPARE(link.vCommON + link.vTCPON + link.vDDNSON, 0);
        QCOMPARE(QStringList({link.vIP, link.vDDNSURL, link.vPort, link.vDDNSPORT, link.vCommport}),
                 QStringList({"0.0.0.0", "0.0.0.0", "0", "0", "0"}));
        const SetParameterSettings panel = readSetParameterSettings(store);
        QVERIFY(!panel.carrierOn);
        QCOMPARE(QStringList({panel.frequency, panel.forwardTarget, panel.reflectTarget,
                              panel.tempProtection}),
                 QStringList({"100.00", "5.0", "5.0", "45"}));
    }

    void handWrittenValues_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("commOn");
        QTest::addColumn<QString>("commport");
        QTest::addColumn<bool>("carrierOn");
        QTest::addColumn<QString>("frequency");
        const auto row = [](const char* name, const char* ini, int commOn, const char* port,
                            bool carrierOn, const char* freq) {
            QTest::newRow(name) << "[Setting]\n" + QByteArray(ini) << commOn
                                << QString::fromLatin1(port) << carrierOn
                                << QString::fromLatin1(freq);
        };
        row("typical", "CommON=1\nComm Port=3\nSETPOWER=1\nSETFREQ=98.50\n", 1, "3", true, "98.50");
        row("blanks and fraction", "CommON= 1.4\nComm Port=  4\nSETPOWER=2\n", 1, "4", false,
            "100.00");
        row("nonsense", "CommON=yes\nComm Port=abc\nSETPOWER=on\nSETFREQ=\n", 0, "0", false, "");
        row("flag beyond a byte", "CommON=300\n", 0, "0", false, "100.00");
        row("comma in a value", "SETFREQ=98,5\n", 0, "0", false, "98,5");
    }
    void handWrittenValues()
    {
        QTemporaryDir dir;
        QFETCH(QByteArray, ini);
        const QtSettingsStore store(writeIni(dir, ini));
        const LinkSettings link = readLinkSettings(store);
        QTEST(int(link.vCommON), "commOn");
        QTEST(link.vCommport, "commport");
        const SetParameterSettings panel = readSetParameterSettings(store);
        QTEST(panel.carrierOn, "carrierOn");
        QTEST(panel.frequency, "frequency");
    }

    // Written as text, read back as text by a fresh store.
    void writtenTextComesBackAsText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ZEL.ini"));
        QtSettingsStore(path).write("Setting", "SETFREQ", "98.50");
        QCOMPARE(QtSettingsStore(path).read("Setting", "SETFREQ", {}), QStringLiteral("98.50"));
    }

    void portNumbersAndDevices()
    {
        QTemporaryDir dir;
        const QtSettingsStore store(writeIni(dir, "[Ports]\n3=/dev/ttyUSB0\n"));
        QCOMPARE(serialDeviceName(3, store), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(serialDeviceName(1, store), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(serialPortNumber(QStringLiteral("2.5")), std::optional<int>(2));
        QCOMPARE(serialPortNumber(QStringLiteral("0")), std::nullopt);
        QCOMPARE(serialPortNumber(QStringLiteral("70000")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
