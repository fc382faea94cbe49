#include "alertdocument.h"

#include "telemetry/telemetryvalues.h"

#include "alarms/alarmtitle.h"
#include "alarms/eventrecord.h"

#include <QJsonValue>
#include <QRegularExpression>
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
            {QStringLiteral("forward_w"), jsonReading(v.forwardW)},
            {QStringLiteral("reflected_w"), jsonReading(v.reflectW)},
            {QStringLiteral("temperature_c"), jsonReading(v.temperatureC)},
            {QStringLiteral("pa_voltage_v"), jsonReading(v.voltageV)},
            {QStringLiteral("pa_current_a"), jsonReading(v.currentA)},
            {QStringLiteral("modulation"), jsonReading(v.modulation)},
            {QStringLiteral("audio_left"), jsonReading(v.audioLeft)},
            {QStringLiteral("audio_right"), jsonReading(v.audioRight)}};
}

QString text(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toString();
}

// "47.9 C" as people read it; a document stored before the value became a
// number holds the words in value itself.
QString valueText(const QJsonObject& d)
{
    const QString words = text(d, "value_text");
    return words.isEmpty() ? text(d, "value") : words;
}

// "2026-12-07T02:41:00.000Z (2026-12-07 03:41:00 CET here)": read on site,
// where the clocks show local time.
QString bothTimes(const QString& iso)
{
    const QDateTime t = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!t.isValid())
        return iso;
    const QDateTime local = t.toLocalTime();
    return QStringLiteral("%1 (%2 here)")
        .arg(iso, local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t")));
}

// Older than two watchdog periods: the link has been silent.
constexpr qint64 StaleAfterMs = 10 * 1000;

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

AlertValue alertValue(const QString& alarm, const QString& value)
{
    AlertValue a;
    a.text = value.trimmed();
    // The measured kinds: the figure first, then its unit ("98.50 MHz",
    // "35.0 W of 500.0 W"); the temperature comes bare.
    if (alarm != alarm::OverTemperature && alarm != alarm::Unlocked && alarm != alarm::HighReflect)
        return a;
    static const QRegularExpression figure(
        QStringLiteral(R"(^(-?[0-9]+(?:\.[0-9]+)?)\s*([A-Za-z%]*))"));
    const auto m = figure.match(a.text);
    if (!m.hasMatch())
        return a;
    a.number = m.captured(1).toDouble();
    a.unit = alarm == alarm::OverTemperature ? QStringLiteral("C") : m.captured(2);
    if (alarm == alarm::OverTemperature)
        a.text += QStringLiteral(" C");
    return a;
}

QJsonObject alertDocument(const AlertFacts& f)
{
    QJsonObject o{{QStringLiteral("id"), f.id},          {QStringLiteral("state"), f.state},
                  {QStringLiteral("alarm"), f.alarm},    {QStringLiteral("station"), f.station},
                  {QStringLiteral("at"), isoTime(f.at)}, {QStringLiteral("detail"), f.detail}};
    const AlertValue v = alertValue(f.alarm, f.value);
    o.insert(QStringLiteral("value"), v.number ? QJsonValue(*v.number) : QJsonValue(v.text));
    o.insert(QStringLiteral("unit"), v.unit.isEmpty() ? QJsonValue() : QJsonValue(v.unit));
    o.insert(QStringLiteral("value_text"), v.text);
    o.insert(QStringLiteral("site"), f.site.isEmpty() ? QJsonValue() : QJsonValue(f.site));
    o.insert(QStringLiteral("role"), f.role);
    o.insert(QStringLiteral("severity"),
             f.severity.isEmpty() ? QJsonValue() : QJsonValue(f.severity));
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
    const QString title = alarmTitle(text(d, "alarm"));
    // A flap and its end: what happened is the news, in the detail.
    if (state == u"FLAPPING" || state == u"STEADY")
        return QStringLiteral("%1 %2: %3").arg(state, title, text(d, "detail"));
    QStringList parts{state};
    // A document stored before alarms had a severity has none to show.
    if (const QString severity = text(d, "severity"); !severity.isEmpty())
        parts << severity.toUpper();
    parts << title;
    if (const QString value = valueText(d); !value.isEmpty())
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
    if (const QString site = text(d, "site"); !site.isEmpty())
        line(QStringLiteral("Site"), site);
    // A document stored before roles were known has none: single.
    if (const QString role = text(d, "role"); !role.isEmpty() && role != u"single")
        line(QStringLiteral("Role"), role);
    const QJsonValue device = d.value(QStringLiteral("device_id"));
    line(QStringLiteral("Device ID"), device.isString() ? device.toString() : QStringLiteral("--"));
    const QString alarm = text(d, "alarm");
    line(QStringLiteral("Alarm"),
         QStringLiteral("%1 (%2) %3").arg(alarmTitle(alarm), alarm, text(d, "state")));
    if (const QString severity = text(d, "severity"); !severity.isEmpty())
        line(QStringLiteral("Severity"), severity);
    if (const QString started = text(d, "started"); !started.isEmpty())
        line(QStringLiteral("Started"), bothTimes(started));
    line(QStringLiteral("At"), bothTimes(text(d, "at")));
    if (const QString value = valueText(d); !value.isEmpty())
        line(QStringLiteral("Value"), value);
    if (const QString detail = text(d, "detail"); !detail.isEmpty())
        line(QStringLiteral("Detail"), detail);
    lines << QString();
    const QJsonValue recordValue = d.value(QStringLiteral("record"));
    if (!recordValue.isObject()) {
        lines << QStringLiteral("No reading from the transmitter yet.");
    } else {
        const QJsonObject r = recordValue.toObject();
        const QDateTime at = QDateTime::fromString(text(d, "at"), Qt::ISODateWithMs);
        const QDateTime seen = QDateTime::fromString(text(r, "time"), Qt::ISODateWithMs);
        const qint64 silentMs = seen.isValid() && at.isValid() ? seen.msecsTo(at) : 0;
        const QString stale = silentMs > StaleAfterMs
                                  ? QStringLiteral("; no data for %1 s").arg(silentMs / 1000)
                                  : QString();
        lines << QStringLiteral("The record now (%1, %2 link%3):")
                     .arg(text(r, "time"), text(r, "link"), stale);
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
        value(QStringLiteral("Forward"), "forward_w", 1, QStringLiteral(" W"));
        value(QStringLiteral("Reflected"), "reflected_w", 1, QStringLiteral(" W"));
        value(QStringLiteral("Temperature"), "temperature_c", 1, QStringLiteral(" C"));
        value(QStringLiteral("PA voltage"), "pa_voltage_v", 1, QStringLiteral(" V"));
        value(QStringLiteral("PA current"), "pa_current_a", 1, QStringLiteral(" A"));
        value(QStringLiteral("Modulation"), "modulation", 0, QStringLiteral(" %"));
    }
    lines << QString();
    if (const QJsonValue event = d.value(QStringLiteral("event_id")); event.isDouble())
        lines << QStringLiteral("Event %1 in the log; zel-fm-history ack %1 acknowledges it.")
                     .arg(qint64(event.toDouble()));
    lines << QStringLiteral("Alert %1").arg(text(d, "id"));
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
    // The machine name, for a mail rule to sort by.
    m += "X-Zel-Alarm: " + text(d, "alarm").toUtf8() + "\r\n";
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
