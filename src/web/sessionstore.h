#pragma once

#include "account.h"
#include "monotonicclock.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

#include <optional>

namespace zel {

// A signed-in browser.
struct Session {
    QString name;
    Role role = Role::Viewer;
    QString address; // where it signed in from
    QByteArray csrf; // the X-CSRF-Token its requests must carry
    qint64 startedMs = 0;
    qint64 lastSeenMs = 0;
};

// The web panel's sessions, in memory only: a restart signs everyone out.
// Tokens are 256 random bits as base64url text (43 characters). The table is
// keyed by the SHA-256 of the token, so a lookup compares digests an
// attacker cannot steer rather than the token itself, and its timing tells
// nothing about a real token. Thread-safe.
class SessionStore {
public:
    struct Limits {
        qint64 idleMs = 30 * 60 * 1000;
        qint64 absoluteMs = 12 * 60 * 60 * 1000;
        // When full, the session idle longest ends to make room.
        qsizetype maxSessions = 1000;
    };
    struct Created {
        QByteArray token; // for the cookie
        QByteArray csrf;
    };

    explicit SessionStore(MonotonicClock clock = steadyClock());
    SessionStore(MonotonicClock clock, Limits limits);

    // Empty token when no randomness could be had.
    Created create(const QString& name, Role role, const QString& address);
    // The session of a token that is neither ended nor expired; each find
    // counts as use and puts off the idle expiry.
    std::optional<Session> find(const QByteArray& token);
    // False when there was no such session.
    bool end(const QByteArray& token);
    // Ends every session of one account (removed, or its password or role
    // changed); how many.
    int endAllOf(const QString& name);
    // Those held: an expired one goes at its next find, or to make room.
    qsizetype count() const;

    // Compared in constant time.
    static bool csrfMatches(const Session& session, const QByteArray& presented);

private:
    bool expired(const Session& session, qint64 now) const;
    void makeRoom(qint64 now);

    MonotonicClock m_clock;
    Limits m_limits;
    mutable QMutex m_mutex;
    QHash<QByteArray, Session> m_sessions; // by the token's SHA-256
};

} // namespace zel
