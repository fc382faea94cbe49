#pragma once

#include "core/statusupdate.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QStringList>

#include <optional>

namespace zel {

// What one alert says, before it becomes a document.
struct AlertFacts {
    QString id; // stable across retries and channels
    // raised, escalated, cleared, reminder, not_confirmed, test, flapping, steady
    QString state;
    QString alarm; // an alarm kind, or readback
    QString station;
    QDateTime at;      // when this happened (UTC)
    QDateTime started; // when the alarm began; invalid when it has no span
    QString value;     // the value that raised it, as the log holds it
    QString detail;
    std::optional<StatusUpdate> current; // the record as it now stands
    QString severity;                    // the alarm's as it stands; empty for others
    QString site;                        // empty when not set
    QString role = QStringLiteral("single");
};

// A fresh identifier for a new alert.
QString newAlertId();

// An alarm's value as the log words it, read: "98.50 MHz" is 98.5 and "MHz".
struct AlertValue {
    QString text; // as people read it: "47.9 C"
    std::optional<double> number;
    QString unit; // empty when there is none
};
AlertValue alertValue(const QString& alarm, const QString& value);

// The alert's JSON document, which the outbox stores and the webhook posts.
QJsonObject alertDocument(const AlertFacts& facts);

// "RAISED CRITICAL Over temperature 47.9 C — Studio A": the state and the
// severity first, so it reads well in a phone's list of mail. A flap and its end: "FLAPPING
// Over temperature: 5 changes in 10 min".
QString alertSubject(const QJsonObject& document);
// The plain text of the e-mail.
QString alertBody(const QJsonObject& document);
// The whole message as the mail server receives it, CR LF line ends. The
// Message-ID is made of the alert's id, so a repeat carries the same one.
QByteArray mailMessage(const QJsonObject& document, const QString& from, const QStringList& to,
                       const QDateTime& date);

} // namespace zel
