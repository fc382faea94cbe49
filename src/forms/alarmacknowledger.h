#pragma once

#include <QObject>
#include <QString>

namespace zel {

// Where the events window sends the operator's acknowledgements: the
// composition root routes them to whoever writes the history, which answers
// each one with acknowledged() or refused().
class AlarmAcknowledger : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void acknowledge(qint64 alarmId) = 0;

Q_SIGNALS:
    void acknowledged(qint64 alarmId);
    void refused(qint64 alarmId, const QString& reason);
};

} // namespace zel
