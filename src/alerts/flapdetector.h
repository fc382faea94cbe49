#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

namespace zel {

// Tells an alarm that keeps raising and clearing from one that means it: a
// kind that changes more than `changes` times within the window is flapping
// until it has not changed for a whole window. Times are monotonic ms, passed
// in, so the wall clock cannot start or end a flap.
class FlapDetector {
public:
    enum class Verdict { Pass, Flapping, Held };
    // A kind steady again, over the time it was flapping.
    struct Summary {
        QString kind;
        int raises = 0;
        qint64 raisedMs = 0; // raised in all
        bool raised = false; // as it now stands
    };

    // changes 0: nothing is ever flapping.
    FlapDetector(int changes = 4, qint64 windowMs = 10 * 60000);
    // New limits; what is flapping stays so.
    void setLimits(int changes, qint64 windowMs);

    // A raise or a clear of kind; what becomes of its alert. Flapping is the
    // change that made it so, Held every later one.
    Verdict change(const QString& kind, bool raised, qint64 nowMs);
    bool flapping(const QString& kind) const;
    // The changes within the window: what made the kind flapping.
    int recentChanges(const QString& kind) const;
    // Kinds steady again by nowMs, each told once.
    QList<Summary> settle(qint64 nowMs);
    // When settle() has something next; -1 while nothing flaps.
    qint64 nextSettleMs() const;

private:
    struct Kind {
        QList<QPair<qint64, bool>> changes; // within the window: when, raised
        bool flapping = false;
        bool raised = false;
        qint64 raisedSinceMs = 0;
        int raises = 0;
        qint64 raisedMs = 0;
    };

    int m_changes;
    qint64 m_windowMs;
    QHash<QString, Kind> m_kinds;
};

} // namespace zel
