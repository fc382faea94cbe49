#pragma once

#include "eventrecord.h"
#include "shelfrecords.h"
#include "shell/clock.h"

#include <QObject>
#include <QTimer>

namespace zel {

// The alarm kinds shelved for maintenance now, as the monitor holds them: the
// alerts send nothing for them and the window does not come forward, while
// the log still gets every row, marked. Learns of shelves from the event log
// (the command line writes there; so does the window, through shelve()), and
// logs the end of each itself when it runs out.
//
// A shelf ends on the monotonic clock, its remaining time taken from its wall
// end time once, when first seen, and never more than the longest shelf: a
// clock step neither ends a shelf early nor stretches it.
class Shelf : public QObject {
    Q_OBJECT
public:
    Shelf(const Clock& clock, int maxHours, QString user, QObject* parent = nullptr);

    int maxHours() const { return m_maxHours; }
    bool shelved(const QString& kind) const { return m_held.contains(kind); }
    // The shelves in force, by kind.
    Shelves shelves() const;
    // The row as the log keeps it: an alarm row of a shelved kind says so at
    // the end of its detail.
    EventRecord marked(const EventRecord& row) const;

    // The window's shelving, as the command line's: a row for the log, which
    // takes effect once the log holds it. The reason when refused. by names
    // who shelved when not the monitor's own user (a web account).
    QString shelve(const QStringList& kinds, qint64 durationMs, const QString& reason,
                   const QString& by = QString());
    void unshelve(const QStringList& kinds);

public Q_SLOTS:
    // Shelve rows from the log, oldest first; those seen before are skipped.
    void rowsFound(const QList<zel::EventRecord>& rows);
    // Ends the shelves whose time is up; the timer calls it.
    void expire();

Q_SIGNALS:
    // Rows for the log: the window's shelving and each shelf's expiry.
    void eventOccurred(const zel::EventRecord& row);
    void changed();

private:
    struct Held {
        ShelfEntry entry;
        qint64 endMs = 0; // monotonic
    };
    void arm();

    const Clock& m_clock;
    int m_maxHours;
    QString m_user;
    QMap<QString, Held> m_held;
    qint64 m_lastRowId = 0;
    QTimer m_timer;
};

// Refuses a shelf longer than maxHours: the reason, empty when it may be.
QString shelfTooLong(qint64 durationMs, int maxHours);

} // namespace zel
