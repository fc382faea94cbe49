#include "alertdocument.h"

#include "telemetry/telemetryvalues.h"

#include <QJsonValue>
#include <QUuid>

namespace zel {
namespace {

QString isoTime(const QDateTime& t)
{
    return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QJsonObject recordObject(const StatusUpdate& u)
{
    // Read as every other part of the monitor reads the panel's texts.
    const TelemetryValues v = telemetryValues(u.record);
    return {{QStringLiteral("time"), isoTime(u.time)},
            {QStringLiteral("link"), linkName(u.link)},
            {QStringLiteral("on_air"), v.onAir},
            {QStringLiteral("locked"), v.locked},
            {QStringLiteral("frequency_mhz"), jsonReading(v.frequencyMHz)},
            {QStringLiteral("forward_power_w"), jsonReading(v.forwardW)},
            {QStringLiteral("reflected_power_w"), jsonReading(v.reflectW)},
            {QStringLiteral("temperature_c"), jsonReading(v.temperatureC)},
            {QStringLiteral("pa_voltage_v"), jsonReading(v.voltageV)},
            {QStringLiteral("pa_current_a"), jsonReading(v.currentA)},
            {QStringLiteral("modulation_percent"), jsonReading(v.modulation)},
            {QStringLiteral("audio_left_raw"), jsonReading(v.audioLeft)},
            {QStringLiteral("audio_right_raw"), jsonReading(v.audioRight)}};
}

QString text(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toString();
}

QString shownNumber(const QJsonValue& v, int decimals)
{
    return v.isDouble() ? QString::number(v.toDouble(), 'f', decimals) : QStringLiteral("--");
}

// RFC 2047 for a header that is not plain ASCII (the subject's dash).
QByteArray headerText(const QString& s)
{
    const QByteArray utf8 = s.toUtf8();
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return "=?UTF-8?B?" + utf8.toBase64() + "?=";
    }
    return utf8;
}

} // namespace

QString newAlertId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString valueWithUnit(const QString& alarm, const QString& value)
{
    const QString v = value.trimmed();
    if (alarm == u"over_temperature" && !v.isEmpty())
        return v + QStringLiteral(" C");
    return v;
}

QJsonObject alertDocument(const AlertFacts& f)
{
    QJsonObject o{{QStringLiteral("id"), f.id},
                  {QStringLiteral("state"), f.state},
                  {QStringLiteral("alarm"), f.alarm},
                  {QStringLiteral("station"), f.station},
                  {QStringLiteral("at"), isoTime(f.at)},
                  {QStringLiteral("value"), valueWithUnit(f.alarm, f.value)},
                  {QStringLiteral("detail"), f.detail}};
    o.insert(QStringLiteral("started"),
             f.started.isValid() ? QJsonValue(isoTime(f.started)) : QJsonValue());
    o.insert(QStringLiteral("device_id"),
             f.current ? QJsonValue(f.current->record.DeviceId.trimmed()) : QJsonValue());
    o.insert(QStringLiteral("record"),
             f.current ? QJsonValue(recordObject(*f.current)) : QJsonValue());
    return o;
}

QString alertSubject(const QJsonObject& d)
{
    QString state = text(d, "state").toUpper();
    state.replace(u'_', u' ');
    // A flap and its end: what happened is the news, in the detail.
    if (state == u"FLAPPING" || state == u"STEADY")
        return QStringLiteral("%1 %2: %3").arg(state, text(d, "alarm"), text(d, "detail"));
    QStringList parts{state, text(d, "alarm")};
    if (const QString value = text(d, "value"); !value.isEmpty())
        parts << value;
    return parts.join(u' ') + QStringLiteral(" \u2014 ") + text(d, "station");
}

QString alertBody(const QJsonObject& d)
{
    QStringList lines;
    const auto line = [&](const QString& label, const QString& value) {
        lines << QStringLiteral("%1 %2").arg(label + u':', -14).arg(value);
    };
    line(QStringLiteral("Station"), text(d, "station"));
    const QJsonValue device = d.value(QStringLiteral("device_id"));
    line(QStringLiteral("Device ID"), device.isString() ? device.toString() : QStringLiteral("--"));
    line(QStringLiteral("Alarm"), QStringLiteral("%1 %2").arg(text(d, "alarm"), text(d, "state")));
    if (const QString started = text(d, "started"); !started.isEmpty())
        line(QStringLiteral("Started"), started);
    line(QStringLiteral("At"), text(d, "at"));
    if (const QString value = text(d, "value"); !value.isEmpty())
        line(QStringLiteral("Value"), value);
    if (const QString detail = text(d, "detail"); !detail.isEmpty())
        line(QStringLiteral("Detail"), detail);
    lines << QString();
    const QJsonValue recordValue = d.value(QStringLiteral("record"));
    if (!recordValue.isObject()) {
        lines << QStringLiteral("No reading from the transmitter yet.");
    } else {
        const QJsonObject r = recordValue.toObject();
        lines << QStringLiteral("The record now (%1, %2 link):")
                     .arg(text(r, "time"), text(r, "link"));
        const auto value = [&](const QString& label, const char* key, int decimals,
                               const QString& unit) {
            line(QStringLiteral("  ") + label,
                 shownNumber(r.value(QLatin1String(key)), decimals) + unit);
        };
        line(QStringLiteral("  Carrier"), r.value(QStringLiteral("on_air")).toBool()
                                              ? QStringLiteral("ON")
                                              : QStringLiteral("OFF"));
        line(QStringLiteral("  Lock"), r.value(QStringLiteral("locked")).toBool()
                                           ? QStringLiteral("locked")
                                           : QStringLiteral("unlocked"));
        value(QStringLiteral("Frequency"), "frequency_mhz", 2, QStringLiteral(" MHz"));
        value(QStringLiteral("Forward"), "forward_power_w", 1, QStringLiteral(" W"));
        value(QStringLiteral("Reflected"), "reflected_power_w", 1, QStringLiteral(" W"));
        value(QStringLiteral("Temperature"), "temperature_c", 1, QStringLiteral(" C"));
        value(QStringLiteral("PA voltage"), "pa_voltage_v", 1, QStringLiteral(" V"));
        value(QStringLiteral("PA current"), "pa_current_a", 1, QStringLiteral(" A"));
        value(QStringLiteral("Modulation"), "modulation_percent", 0, QStringLiteral(" %"));
    }
    lines << QString() << QStringLiteral("Alert %1").arg(text(d, "id"));
    return lines.join(u'\n');
}

QByteArray mailMessage(const QJsonObject& d, const QString& from, const QStringList& to,
                       const QDateTime& date)
{
    QByteArray m;
    m += "Date: " + date.toUTC().toString(Qt::RFC2822Date).toUtf8() + "\r\n";
    m += "From: " + from.toUtf8() + "\r\n";
    m += "To: " + to.join(QStringLiteral(", ")).toUtf8() + "\r\n";
    m += "Message-ID: <" + text(d, "id").toUtf8() + "@zel-fm-monitor>\r\n";
    m += "Subject: " + headerText(alertSubject(d)) + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=utf-8\r\n";
    m += "Content-Transfer-Encoding: 8bit\r\n";
    m += "\r\n";
    QByteArray body = alertBody(d).toUtf8();
    // libcurl doubles a leading dot itself.
    body.replace("\n", "\r\n");
    m += body + "\r\n";
    return m;
}

} // namespace zel
