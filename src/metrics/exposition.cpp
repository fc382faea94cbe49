#include "exposition.h"

#include "alarms/eventrecord.h"
#include "panel/panelupdate.h"
#include "telemetry/telemetryvalues.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <optional>

namespace zel {
namespace {

std::string number(double v)
{
    if (std::isnan(v))
        return "NaN";
    return QByteArray::number(v, 'g', 15).toStdString();
}

class Writer {
public:
    // HELP and TYPE once per family, then its samples.
    void family(const char* name, const char* type, const char* help)
    {
        m_name = name;
        m_out += "# HELP zel_fm_";
        m_out += name;
        m_out += ' ';
        m_out += help;
        m_out += "\n# TYPE zel_fm_";
        m_out += name;
        m_out += ' ';
        m_out += type;
        m_out += '\n';
    }
    void sample(double v, const std::string& labels = {})
    {
        m_out += "zel_fm_";
        m_out += m_name;
        if (!labels.empty()) {
            m_out += '{';
            m_out += labels;
            m_out += '}';
        }
        m_out += ' ';
        m_out += number(v);
        m_out += '\n';
    }
    // A measured value: NaN while the panel shows dashes.
    void gauge(const char* name, const char* help, std::optional<double> v, double scale = 1.0)
    {
        family(name, "gauge", help);
        sample(v ? *v * scale : std::nan(""));
    }
    // A configured value: no sample at all where there is none.
    void present(const char* name, const char* help, std::optional<double> v, double scale = 1.0)
    {
        if (v)
            gauge(name, help, v, scale);
    }
    void flag(const char* name, const char* help, bool on)
    {
        family(name, "gauge", help);
        sample(on ? 1 : 0);
    }
    std::string take() { return std::move(m_out); }

private:
    std::string m_out;
    const char* m_name = "";
};

std::string label(const char* name, const QString& value)
{
    return std::string(name) + "=\"" + escapeLabelValue(value) + '"';
}

} // namespace

std::string escapeLabelValue(const QString& value)
{
    std::string out;
    for (const char c : value.toStdString()) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string prometheusText(const MetricsSnapshot& s)
{
    const TelemetryValues v = telemetryValues(s.record);
    // The watchdog blanks the record while the link is lost: the lamps then
    // say nothing, like the readings, rather than "off air".
    const auto lamp = [&s](bool on) {
        return s.linkUp ? std::optional<double>(on ? 1 : 0) : std::nullopt;
    };
    Writer w;
    w.family("info", "gauge", "The monitor and the transmitter it watches; always 1.");
    // A small, steady label set: a query joins it onto the other series.
    w.sample(1, label("device_id", s.deviceId) + ',' + label("station", s.station) + ',' +
                    label("site", s.site) + ',' + label("role", s.role) + ',' +
                    label("version", s.version));
    w.flag("link_up", "1 while frames or replies arrive from the transmitter, 0 when lost.",
           s.linkUp);
    w.gauge("on_air", "The ON-AIR lamp: 1 when the transmitter reports its carrier on.",
            lamp(v.onAir));
    w.gauge("locked", "The Freq. Lock lamp: 1 when the synthesizer is locked.", lamp(v.locked));
    w.gauge("frequency_hertz", "Carrier frequency.", v.frequencyMHz, 1e6);
    w.gauge("forward_watts", "Forward RF power.", v.forwardW);
    w.gauge("reflected_watts", "Reflected RF power.", v.reflectW);
    w.gauge("temperature_celsius", "Power amplifier temperature.", v.temperatureC);
    w.gauge("pa_voltage_volts", "Power amplifier supply voltage (V-PA).", v.voltageV);
    w.gauge("pa_current_amperes", "Power amplifier current (I-PA).", v.currentA);
    w.gauge("modulation_ratio", "Modulation depth, 1 = 100 %.", v.modulation, 0.01);
    w.gauge("audio_left_raw", "Left audio level as the transmitter reports it (no unit).",
            v.audioLeft);
    w.gauge("audio_right_raw", "Right audio level as the transmitter reports it (no unit).",
            v.audioRight);
    w.flag("temperature_high", "1 while the panel shows the temperature in red (above 45 C).",
           temperatureAlarm(s.record.TemperatureC));
    w.flag("reflected_power_high",
           "1 while the panel shows reflected power in red (above 6 % of forward).",
           reflectAlarm(s.record.ForwardW, s.record.ReflectW));
    const SetPoints& set = s.setPoints;
    w.present("set_carrier_on", "The carrier as last set: 1 on, 0 off.", set.carrierOn);
    w.present("set_frequency_hertz", "The carrier frequency as last set.", set.frequencyMHz, 1e6);
    w.present("set_forward_watts", "The forward power target as last set.", set.forwardW);
    w.present("set_reflected_watts", "The reflected power target as last set.", set.reflectW);
    w.present("set_temperature_celsius", "The temperature protection as last set.",
              set.temperatureC);
    w.family("alarm", "gauge",
             "1 while the alarm is raised (after its qualify time) at that severity.");
    for (const auto& [kind, severities] : s.alarmKinds) {
        QString now;
        for (const ActiveAlarm& a : s.alarms) {
            if (a.kind == kind)
                now = a.severity;
        }
        for (const QString& severity : severities)
            w.sample(now == severity ? 1 : 0,
                     label("alarm", kind) + "," + label("severity", severity));
    }
    w.family("alarm_acknowledged", "gauge",
             "1 while the alarm's latest raise is acknowledged, 0 before that.");
    for (const auto& kind : s.alarmKinds)
        w.sample(s.acknowledged.contains(kind.first) ? 1 : 0, label("alarm", kind.first));
    if (!s.limits.isEmpty()) {
        w.family("limit", "gauge",
                 "A limit in force, in its reading's units (a relative one as it stands now).");
        for (const LimitGauge& l : s.limits)
            w.sample(l.value, label("reading", l.reading) + "," + label("level", l.level));
    }
    w.family("alarm_shelved", "gauge",
             "1 while the alarm is shelved for maintenance: logged, but no alert is sent.");
    for (const auto& kind : s.alarmKinds)
        w.sample(s.shelved.contains(kind.first) ? 1 : 0, label("alarm", kind.first));
    if (!s.shelved.isEmpty()) {
        w.family("alarm_shelved_until_timestamp_seconds", "gauge",
                 "When the alarm's shelf ends, seconds since the epoch.");
        for (auto it = s.shelved.cbegin(); it != s.shelved.cend(); ++it)
            w.sample(double(it->until.toMSecsSinceEpoch()) / 1000.0, label("alarm", it.key()));
    }
    if (s.lastUpdate.isValid()) {
        w.family("last_update_timestamp_seconds", "gauge",
                 "When the last frame or reply arrived, seconds since the epoch.");
        w.sample(double(s.lastUpdate.toMSecsSinceEpoch()) / 1000.0);
    }
    w.family("frames_decoded_total", "counter", "Serial frames decoded since the monitor started.");
    w.sample(double(s.framesDecoded));
    w.family("blocks_dropped_total", "counter",
             "Received blocks thrown away by the framing rule since the monitor started.");
    w.sample(double(s.blocksDropped));
    w.family("status_updates_total", "counter",
             "Records decoded since the monitor started, by the link that brought them.");
    w.sample(double(s.serialUpdates), "link=\"serial\"");
    w.sample(double(s.gatewayUpdates), "link=\"gateway\"");
    const auto perChannel = [&](const char* name, const char* type, const char* help, auto figure) {
        // Until the outbox thread first tells its figures.
        if (s.alertDelivery.isEmpty())
            return;
        w.family(name, type, help);
        for (const ChannelDelivery& c : s.alertDelivery)
            w.sample(double(figure(c)), label("channel", c.channel));
    };
    perChannel("alerts_sent_total", "counter", "Alerts delivered since the monitor started.",
               [](const ChannelDelivery& c) { return c.sent; });
    perChannel("alerts_failed_total", "counter",
               "Delivery attempts that failed since the monitor started.",
               [](const ChannelDelivery& c) { return c.failed; });
    perChannel("alerts_waiting", "gauge", "Alerts in the outbox waiting to be delivered.",
               [](const ChannelDelivery& c) { return c.waiting; });
    return w.take();
}

QJsonObject statusObject(const MetricsSnapshot& s)
{
    const TelemetryValues v = telemetryValues(s.record);
    const TransmitterStatus& r = s.record;
    QJsonObject record{
        {"device_id", isPlaceholder(r.DeviceId) ? QJsonValue() : QJsonValue(r.DeviceId)},
        {"on_air", s.linkUp ? QJsonValue(v.onAir) : QJsonValue()},
        {"locked", s.linkUp ? QJsonValue(v.locked) : QJsonValue()},
        {"frequency_mhz", jsonReading(v.frequencyMHz)},
        {"forward_w", jsonReading(v.forwardW)},
        {"reflected_w", jsonReading(v.reflectW)},
        {"temperature_c", jsonReading(v.temperatureC)},
        {"pa_voltage_v", jsonReading(v.voltageV)},
        {"pa_current_a", jsonReading(v.currentA)},
        {"modulation", jsonReading(v.modulation)},
        {"audio_left", jsonReading(v.audioLeft)},
        {"audio_right", jsonReading(v.audioRight)},
        {"temperature_high", temperatureAlarm(r.TemperatureC)},
        {"reflected_power_high", reflectAlarm(r.ForwardW, r.ReflectW)},
    };
    QJsonArray alarms;
    for (const ActiveAlarm& a : s.alarms)
        alarms.append(QJsonObject{{"alarm", a.kind},
                                  {"since", a.since.toUTC().toString(Qt::ISODate)},
                                  {"value", a.value},
                                  {"acknowledged", s.acknowledged.contains(a.kind)},
                                  {"severity", a.severity}});
    const QJsonObject link{
        {"up", s.linkUp},
        {"kind", linkName(s.link)},
        {"last_update", s.lastUpdate.isValid()
                            ? QJsonValue(s.lastUpdate.toUTC().toString(Qt::ISODateWithMs))
                            : QJsonValue()},
        {"frames_decoded", double(s.framesDecoded)},
        {"blocks_dropped", double(s.blocksDropped)},
    };
    return QJsonObject{{"version", s.version},
                       {"station", s.station},
                       {"site", s.site.isEmpty() ? QJsonValue() : QJsonValue(s.site)},
                       {"role", s.role},
                       {"record", record},
                       {"alarms", alarms},
                       {"link", link}};
}

std::string statusJson(const MetricsSnapshot& s)
{
    return QJsonDocument(statusObject(s)).toJson(QJsonDocument::Indented).toStdString();
}

} // namespace zel
