#pragma once

#include "monotonicclock.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

namespace zel {

// Holds off password guessing: after `failures` failed sign-ins for one
// account name within `window`, that name is locked for `lock`; the same for
// one source address. A name is counted whether or not it has an account,
// so the lock-out tells nobody which names exist. Thread-safe.
class LoginGuard {
public:
    struct Limits {
        int failures = 5;
        qint64 windowMs = 15 * 60 * 1000;
        qint64 lockMs = 15 * 60 * 1000;
        // Each table is capped so that guesses under endless names or from
        // endless addresses (an IPv6 prefix holds billions) cannot grow it
        // without end; when full, entries with nothing in force go first,
        // then the one quiet longest, whose lock is the least worth keeping.
        qsizetype maxEntries = 10000;
    };

    struct Verdict {
        bool allowed = true;
        int secondsLeft = 0; // when locked, rounded up
    };
    // Which locks this failure has just started, so that each is logged once.
    struct Outcome {
        bool accountLocked = false;
        bool addressLocked = false;
    };

    explicit LoginGuard(MonotonicClock clock = steadyClock());
    LoginGuard(MonotonicClock clock, Limits limits);

    // address is the source address as text (for IPv6 its /64 prefix keeps
    // one host from spreading its guesses over its addresses).
    // Before checking the password: locked when the name or the address is.
    Verdict check(const QString& name, const QString& address);
    Outcome failed(const QString& name, const QString& address);
    // Clears the name's failures; the address's stay, or one good account
    // would reset the count of guesses at the others.
    void succeeded(const QString& name, const QString& address);

private:
    struct Entry {
        QList<qint64> failures; // the last few, oldest first
        qint64 lockedUntil = 0;
        qint64 lastSeen = 0;
    };
    using Table = QHash<QString, Entry>;

    qint64 lockLeft(const Table& table, const QString& key, qint64 now) const;
    bool fail(Table& table, const QString& key, qint64 now);
    bool idle(const Entry& entry, qint64 now) const;
    void makeRoom(Table& table, qint64 now);

    MonotonicClock m_clock;
    Limits m_limits;
    QMutex m_mutex;
    Table m_names;
    Table m_addresses;
};

} // namespace zel
