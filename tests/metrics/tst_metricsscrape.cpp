// A real scrape of the monitor fed frames on a pty: every figure of the panel
// under its name and unit, in text a Prometheus server accepts.

#include "app/stationservices.h"
#include "history/historyreader.h"
#include "http/httpprobe.h"
#include "metrics/metricsservice.h"
#include "metrics/metricssettings.h"
#include "support/monitorrig.h"
#include "support/testframes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>

using namespace zel;
using namespace zel::testframes;

namespace {

const QByteArray ini = "[Setting]\nCommON=1\nComm Port=3\nSETPOWER=1\nSETFREQ=98.50\n"
                       "SETPOWERT=abc\n[Ports]\n3=@PTY@\n[Alerts]\nStation=Hilltop\n"
                       "[Station]\nSite=North Ridge\nRole=Main\n"
                       "[Alarms]\nQualifySeconds=0\nClearSeconds=0\n"
                       "[Metrics]\nListen=127.0.0.1:0\n";

// Checks the text against the exposition format; returns the samples by
// series ("name{labels}") or an empty map with the fault in `fault`.
QMap<QString, QString> parseExposition(const QString& text, QString& fault)
{
    static const QRegularExpression sample(
        QStringLiteral(R"(^([a-zA-Z_:][a-zA-Z0-9_:]*)(\{(?:[a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|)"
                       R"(\\[\\"n])*",?)*\})? (NaN|[+-]?Inf|[-+0-9.eE]+)$)"));
    static const QRegularExpression meta(
        QStringLiteral(R"(^# (HELP|TYPE) ([a-zA-Z_:][a-zA-Z0-9_:]*) (.+)$)"));
    QMap<QString, QString> series;
    QMap<QString, QString> types;
    if (!text.endsWith(u'\n'))
        fault = QStringLiteral("no line feed at the end");
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        if (const auto m = meta.match(line); m.hasMatch()) {
            if (m.captured(1) == QLatin1String("TYPE")) {
                if (types.contains(m.captured(2)))
                    fault = QStringLiteral("second TYPE: ") + line;
                types[m.captured(2)] = m.captured(3);
            }
            continue;
        }
        const auto m = sample.match(line);
        if (!m.hasMatch()) {
            fault = QStringLiteral("not a sample: ") + line;
            break;
        }
        const QString& type = types.value(m.captured(1));
        if (type.isEmpty() ||
            (type == QLatin1String("counter")) != m.captured(1).endsWith("_total"))
            fault = QStringLiteral("untyped or misnamed: ") + line;
        const QString key = m.captured(1) + m.captured(2);
        if (series.contains(key))
            fault = QStringLiteral("duplicate series: ") + key;
        series[key] = m.captured(3);
    }
    return fault.isEmpty() ? series : QMap<QString, QString>{};
}

} // namespace

class TestMetricsScrape : public QObject {
    Q_OBJECT
    std::unique_ptr<MonitorRig> m_rig;
    std::unique_ptr<StationServices> m_services;
    std::unique_ptr<MetricsService> m_metrics;
    int m_port = 0;
    QString m_text;

private Q_SLOTS:
    void initTestCase()
    {
        m_rig = std::make_unique<MonitorRig>(ini);
        m_services = std::make_unique<StationServices>(m_rig->form->core());
        m_metrics = std::make_unique<MetricsService>(m_rig->form->core(), m_services->alarms());
        m_services->feed(*m_metrics);
        m_services->start();
        m_metrics->start();
        m_rig->form->start();
        m_port = m_metrics->endpoint().port();
        QVERIFY(m_port > 0);
        QVERIFY(m_rig->deliver(goodFrame));
        QVERIFY(m_rig->deliver(hotFrame()));
        const QByteArray answer = httpRequest(m_port, "GET", "/metrics");
        QVERIFY(answer.contains("Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"));
        m_text = QString::fromUtf8(bodyOf(answer));
        // The outbox thread tells its figures on its own time.
        QTRY_VERIFY_WITH_TIMEOUT(
            (m_text = QString::fromUtf8(bodyOf(httpRequest(m_port, "GET", "/metrics"))))
                .contains(QStringLiteral("zel_fm_alerts_waiting{channel=\"webhook\"}")),
            20000);
    }

    void everyFigureUnderItsName_data()
    {
        QTest::addColumn<QString>("series");
        QTest::addColumn<QString>("value");
        const QString since =
            QString::number(m_rig->clock->at.toMSecsSinceEpoch() / 1000.0, 'g', 15);
        const QList<QPair<const char*, QString>> rows = {
            {R"(zel_fm_info{device_id="08001",station="Hilltop",site="North Ridge",role="main",)"
             R"(version="2.0.3"})",
             "1"},
            {"zel_fm_link_up", "1"},
            // The POWER lamp said what link_up says.
            {"zel_fm_power_on", ""},
            {"zel_fm_on_air", "1"},
            {"zel_fm_locked", "1"},
            {"zel_fm_frequency_hertz", "87500000"},
            {"zel_fm_forward_watts", "5000"},
            {"zel_fm_reflected_watts", "35"},
            {"zel_fm_temperature_celsius", "45.1"},
            {"zel_fm_pa_voltage_volts", "148"},
            {"zel_fm_pa_current_amperes", "7.5"},
            {"zel_fm_modulation_ratio", "0.09"},
            {"zel_fm_audio_left_raw", "100"},
            {"zel_fm_audio_right_raw", "99"},
            {"zel_fm_set_carrier_on", "1"},
            {"zel_fm_set_frequency_hertz", "98500000"},
            // Saved as "abc": no set point rather than 0 W.
            {"zel_fm_set_forward_watts", ""},
            {"zel_fm_set_reflected_watts", "5"},
            {"zel_fm_set_temperature_celsius", "45"},
            {"zel_fm_temperature_high", "1"},
            {"zel_fm_reflected_power_high", "0"},
            {R"(zel_fm_alarm{alarm="over_temperature",severity="critical"})", "1"},
            {R"(zel_fm_alarm{alarm="off_air",severity="critical"})", "0"},
            {R"(zel_fm_alarm{alarm="link_lost",severity="critical"})", "0"},
            {R"(zel_fm_alarm{alarm="low_power",severity="warning"})", "0"},
            {R"(zel_fm_limit{reading="temperature_c",level="high_critical"})", "45"},
            // No forward target saved: nothing to take 90 % of.
            {R"(zel_fm_limit{reading="forward_w",level="low_warning"})", ""},
            {R"(zel_fm_alarm_acknowledged{alarm="over_temperature"})", "0"},
            {R"(zel_fm_alarm_shelved{alarm="over_temperature"})", "0"},
            {R"(zel_fm_alerts_sent_total{channel="mail"})", "0"},
            {R"(zel_fm_alerts_failed_total{channel="webhook"})", "0"},
            {R"(zel_fm_alerts_waiting{channel="mail"})", "0"},
            {"zel_fm_frames_decoded_total", "2"},
            {"zel_fm_blocks_dropped_total", "0"},
            {R"(zel_fm_status_updates_total{link="serial"})", "2"},
            {"zel_fm_last_update_timestamp_seconds", since},
        };
        for (const auto& [series, value] : rows)
            QTest::newRow(series) << QString::fromLatin1(series) << value;
    }
    void everyFigureUnderItsName()
    {
        QFETCH(QString, series);
        QFETCH(QString, value);
        QString fault;
        const auto samples = parseExposition(m_text, fault);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        QCOMPARE(samples.value(series), value);
    }

    void promtoolAcceptsIt()
    {
        const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
        if (promtool.isEmpty())
            QSKIP("promtool is not installed (Debian package prometheus)");
        QProcess p;
        p.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
        p.write(m_text.toUtf8());
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(20000));
        QVERIFY2(p.exitCode() == 0, p.readAll().constData());
    }

    void statusJson()
    {
        const QByteArray answer = httpRequest(m_port, "GET", "/status.json");
        const QJsonObject o = QJsonDocument::fromJson(bodyOf(answer)).object();
        QCOMPARE(o["record"]["temperature_c"].toDouble(), 45.1);
        QCOMPARE(o["record"]["forward_w"].toDouble(), 5000.0);
        QCOMPARE(o["record"]["audio_left"].toDouble(), 100.0);
        QCOMPARE(o["station"].toString(), QStringLiteral("Hilltop"));
        QCOMPARE(o["site"].toString(), QStringLiteral("North Ridge"));
        QCOMPARE(o["role"].toString(), QStringLiteral("main"));
        QCOMPARE(o["record"]["device_id"].toString(), QStringLiteral("08001"));
        QCOMPARE(o["alarms"][0]["alarm"].toString(), QStringLiteral("over_temperature"));
        QCOMPARE(o["link"]["up"].toBool(), true);
        QCOMPARE(o["link"]["kind"].toString(), QStringLiteral("serial"));
    }

    // The operator acknowledges from the window: the series follows the log.
    void acknowledgementIsSeen()
    {
        m_services->history().flush();
        history::HistoryReader reader(m_services->historyPath());
        QVERIFY(reader.open());
        const auto raised = reader.activeAlarms();
        QVERIFY(raised && raised->size() == 1);
        m_services->history().acknowledge(raised->at(0).alarm.id, QStringLiteral("someone"));
        QTRY_VERIFY_WITH_TIMEOUT(
            bodyOf(httpRequest(m_port, "GET", "/metrics"))
                .contains("\nzel_fm_alarm_acknowledged{alarm=\"over_temperature\"} 1\n"),
            20000);
    }

    // Shelved from the window as from the command line: through the log,
    // where the outbox's poll finds it.
    void shelfIsSeen()
    {
        QCOMPARE(m_services->shelf().shelve({alarm::Silence}, 3600 * 1000, QStringLiteral("mast")),
                 QString());
        m_services->history().flush();
        QTRY_VERIFY_WITH_TIMEOUT(bodyOf(httpRequest(m_port, "GET", "/metrics"))
                                     .contains("\nzel_fm_alarm_shelved{alarm=\"silence\"} 1\n"),
                                 20000);
        QVERIFY(
            bodyOf(httpRequest(m_port, "GET", "/metrics"))
                .contains("\nzel_fm_alarm_shelved_until_timestamp_seconds{alarm=\"silence\"} "));
    }

    void takenPortIsTriedAgainUntilItBinds()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::LocalHost));
        const int port = holder.serverPort();
        SettingsStore& settings = m_rig->form->core().settings();
        settings.write(keys::MetricsSection, keys::Listen,
                       QStringLiteral("127.0.0.1:%1").arg(port));
        MetricsService retrying(m_rig->form->core(), m_services->alarms(), nullptr,
                                std::chrono::milliseconds(100));
        QSignalSpy notices(&retrying, &MetricsService::operatorNotice);
        retrying.start();
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices[0][0].toString().contains(QStringLiteral("in use")),
                 qPrintable(notices[0][0].toString()));
        // Failed retries are not told again.
        QTest::qWait(500);
        QCOMPARE(notices.size(), 1);
        holder.close();
        QTRY_COMPARE_WITH_TIMEOUT(retrying.endpoint().port(), port, 10000);
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices[1][0].toString().contains(QStringLiteral("now listening")));
        QCOMPARE(statusOf(httpRequest(port, "GET", "/metrics")), 200);
        settings.write(keys::MetricsSection, keys::Listen, QStringLiteral("127.0.0.1:0"));
    }

    void cleanupTestCase()
    {
        m_metrics.reset();
        m_services.reset();
        m_rig.reset();
    }
};

QTEST_MAIN(TestMetricsScrape)
#include "tst_metricsscrape.moc"
