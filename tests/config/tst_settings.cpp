#include "config/linksettings.h"
#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "config/stationidentity.h"
#include "shell/filelocations.h"

#include <QFile>
#include <QSysInfo>
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
    // The user's folders; QSettings takes them once per process.
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("data"))));
    }

    // A profile's files are in folders of its own, the service instance's
    // too; without one every path is where it always was.
    void profileFolders_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("serviceSettings");
        QTest::addColumn<QString>("serviceHistory");
        QTest::newRow("none") << QString() << "config/ZEL/ZEL.ini"
                              << "data/ZEL"
                              << "/etc/zel-fm-monitor/ZEL/ZEL.ini"
                              << "/var/lib/zel-fm-monitor/ZEL/history.db";
        QTest::newRow("main") << "main"
                              << "config/ZEL/main/ZEL.ini"
                              << "data/ZEL/main"
                              << "/etc/zel-fm-monitor/main/ZEL/ZEL.ini"
                              << "/var/lib/zel-fm-monitor/main/ZEL/history.db";
    }
    void profileFolders()
    {
        QFETCH(QString, profile);
        QFETCH(QString, settings);
        QFETCH(QString, data);
        QCOMPARE(profileSettingsStore(profile)->location(), m_home.filePath(settings));
        const StandardFileLocations files(profile);
        const QString folder = m_home.filePath(data);
        QCOMPARE(
            QStringList(
                {files.statusLogPath(), files.traceFilePath(), files.historyDatabasePath()}),
            QStringList({folder + "/Log-ZEL.txt", folder + "/logs.txt", folder + "/history.db"}));
        QTEST(serviceSettingsPath(profile), "serviceSettings");
        QTEST(serviceHistoryDatabasePath(profile), "serviceHistory");
    }

    // The folders whose web-accounts root makes readable by the service's
    // group: the service's and its instances', no other.
    void serviceSettingsFolders_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("service");
        QTest::newRow("service") << "/etc/zel-fm-monitor/ZEL" << true;
        QTest::newRow("instance") << "/etc/zel-fm-monitor/main/ZEL/" << true;
        QTest::newRow("instance's parent") << "/etc/zel-fm-monitor/main" << false;
        QTest::newRow("two deep") << "/etc/zel-fm-monitor/a/b/ZEL" << false;
        QTest::newRow("no profile name") << "/etc/zel-fm-monitor/.x/ZEL" << false;
        QTest::newRow("a user's") << "/home/ann/.config/ZEL" << false;
    }
    void serviceSettingsFolders()
    {
        QFETCH(QString, folder);
        QTEST(isServiceSettingsFolder(folder), "service");
    }

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

    // Who is who: the name with its older alias, the site, the role; each
    // problem names its key. "@host" stands for the host name.
    void stationIdentity_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("problem"); // a part of the only one; empty: none
        QTest::newRow("nothing set") << QByteArray() << "@host"
                                     << ""
                                     << "single"
                                     << "";
        QTest::newRow("name, site, role in any case")
            << QByteArray("[Station]\nName= Hilltop \nSite=North Ridge\nRole=StandBy\n")
            << "Hilltop"
            << "North Ridge"
            << "standby"
            << "";
        QTest::newRow("the alias alone") << QByteArray("[Alerts]\nStation=Studio A\n") << "Studio A"
                                         << ""
                                         << "single"
                                         << "";
        QTest::newRow("both, the same")
            << QByteArray("[Alerts]\nStation=Hilltop\n[Station]\nName=Hilltop\nRole=main\n")
            << "Hilltop"
            << ""
            << "main"
            << "";
        QTest::newRow("both, different: [Station] Name wins")
            << QByteArray("[Alerts]\nStation=Studio A\n[Station]\nName=Hilltop\n") << "Hilltop"
            << ""
            << "single"
            << "[Station] Name = \"Hilltop\" and [Alerts] Station = \"Studio A\" differ";
        QTest::newRow("unknown role")
            << QByteArray("[Station]\nName=Hilltop\nRole=backup\n") << "Hilltop"
            << ""
            << "single"
            << "[Station] Role must be main, standby or single, not \"backup\"";
        QTest::newRow("control character in the alias")
            << QByteArray("[Alerts]\nStation=\"Studio A\\r\\nX-Forged: 1\"\n")
            << "Studio A\r\nX-Forged: 1"
            << ""
            << "single"
            << "[Alerts] Station holds a line break";
        QTest::newRow("control character in the site")
            << QByteArray("[Station]\nName=Hilltop\nSite=\"North\\tRidge\"\n") << "Hilltop"
            << "North\tRidge"
            << "single"
            << "[Station] Site holds a line break";
        QTest::newRow("too long") << QByteArray("[Station]\nName=") + QByteArray(70, 'n') + "\n"
                                  << QString(64, u'n') << ""
                                  << "single"
                                  << "[Station] Name is longer than 64";
    }
    void stationIdentity()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, name);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const StationIdentity id = readStationIdentity(QtSettingsStore(writeIni(dir, ini)));
        QCOMPARE(id.name,
                 name == u"@host" ? QSysInfo::machineHostName().left(StationTextMax) : name);
        QTEST(id.site, "site");
        QTEST(stationRoleName(id.role), "role");
        QCOMPARE(id.problems.size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QVERIFY2(id.problems.first().contains(problem), qPrintable(id.problems.first()));
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
