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
        QCOMPARE(link.vIP, QStringLiteral("0.0.0.0"));
        QCOMPARE(link.vDDNSURL, QStringLiteral("0.0.0.0"));
        QCOMPARE(link.vPort, QStringLiteral("0"));
        QCOMPARE(link.vDDNSPORT, QStringLiteral("0"));
        QCOMPARE(link.vCommport, QStringLiteral("0"));
        const SetParameterSettings panel = readSetParameterSettings(store);
        QVERIFY(!panel.carrierOn);
        QCOMPARE(panel.frequency, QStringLiteral("100.00"));
        QCOMPARE(panel.forwardTarget, QStringLiteral("5.0"));
        QCOMPARE(panel.reflectTarget, QStringLiteral("5.0"));
        QCOMPARE(panel.tempProtection, QStringLiteral("45"));
    }

    void handWrittenValues_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("commOn");
        QTest::addColumn<QString>("commport");
        QTest::addColumn<bool>("carrierOn");
        QTest::addColumn<QString>("frequency");
        QTest::newRow("typical") << QByteArray("[Setting]\nCommON=1\nComm Port=3\nSETPOWER=1\n"
                                               "SETFREQ=98.50\n")
                                 << 1 << "3" << true << "98.50";
        QTest::newRow("blanks and fraction") << QByteArray("[Setting]\nCommON= 1.4\n"
                                                           "Comm Port=  4\nSETPOWER=2\n")
                                             << 1 << "4" << false << "100.00";
        QTest::newRow("nonsense") << QByteArray("[Setting]\nCommON=yes\nComm Port=abc\n"
                                                "SETPOWER=on\nSETFREQ=\n")
                                  << 0 << "0" << false << "";
        QTest::newRow("flag beyond a byte")
            << QByteArray("[Setting]\nCommON=300\n") << 0 << "0" << false << "100.00";
        QTest::newRow("comma in a value")
            << QByteArray("[Setting]\nSETFREQ=98,5\n") << 0 << "0" << false << "98,5";
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

    void writtenTextComesBackAsText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ZEL.ini"));
        QtSettingsStore(path).write(QStringLiteral("Setting"), QStringLiteral("SETFREQ"),
                                    QStringLiteral("98.50"));
        QCOMPARE(QtSettingsStore(path).read(QStringLiteral("Setting"), QStringLiteral("SETFREQ"),
                                            QString()),
                 QStringLiteral("98.50"));
    }

    void portNumbersAndDevices()
    {
        QTemporaryDir dir;
        const QtSettingsStore store(writeIni(dir, "[Ports]\n3=/dev/ttyUSB0\n"));
        QCOMPARE(serialDeviceName(3, store), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(serialDeviceName(1, store), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(serialPortNumber(QStringLiteral("4")), std::optional<int>(4));
        QCOMPARE(serialPortNumber(QStringLiteral("2.5")), std::optional<int>(2));
        QCOMPARE(serialPortNumber(QStringLiteral("0")), std::nullopt);
        QCOMPARE(serialPortNumber(QStringLiteral("70000")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
