#include "sessionstore.h"

#include "passwordhash.h"

#include <sodium.h>

namespace zel {

namespace {

constexpr qsizetype TokenBytes = 32;
// base64url of 32 bytes, no padding.
constexpr qsizetype TokenTextLength = 43;

QByteArray randomText()
{
    if (!sodiumReady())
        return {};
    unsigned char bytes[TokenBytes];
    randombytes_buf(bytes, sizeof bytes);
    const QByteArray text =
        QByteArray(reinterpret_cast<const char*>(bytes), TokenBytes)
            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    sodium_memzero(bytes, sizeof bytes);
    return text;
}

QByteArray digest(const QByteArray& token)
{
    unsigned char out[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(out, reinterpret_cast<const unsigned char*>(token.constData()),
                       static_cast<unsigned long long>(token.size()));
    return QByteArray(reinterpret_cast<const char*>(out), sizeof out);
}

} // namespace

SessionStore::SessionStore(MonotonicClock clock) : SessionStore(std::move(clock), Limits()) {}

SessionStore::SessionStore(MonotonicClock clock, Limits limits)
    : m_clock(std::move(clock)), m_limits(limits)
{
}

bool SessionStore::expired(const Session& session, qint64 now) const
{
    return now - session.lastSeenMs >= m_limits.idleMs ||
           now - session.startedMs >= m_limits.absoluteMs;
}

void SessionStore::makeRoom(qint64 now)
{
    if (m_sessions.size() < m_limits.maxSessions)
        return;
    m_sessions.removeIf(
        [&](const QHash<QByteArray, Session>::iterator& it) { return expired(it.value(), now); });
    while (!m_sessions.isEmpty() && m_sessions.size() >= m_limits.maxSessions) {
        auto oldest = m_sessions.begin();
        for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
            if (it->lastSeenMs < oldest->lastSeenMs)
                oldest = it;
        }
        m_sessions.erase(oldest);
    }
}

SessionStore::Created SessionStore::create(const QString& name, Role role, const QString& address)
{
    Created created{randomText(), randomText()};
    if (created.token.isEmpty() || created.csrf.isEmpty())
        return {};
    const QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock();
    makeRoom(now);
    m_sessions.insert(digest(created.token), Session{name, role, address, created.csrf, now, now});
    return created;
}

std::optional<Session> SessionStore::find(const QByteArray& token)
{
    if (token.size() != TokenTextLength || !sodiumReady())
        return std::nullopt;
    const QByteArray key = digest(token);
    const QMutexLocker lock(&m_mutex);
    const auto it = m_sessions.find(key);
    if (it == m_sessions.end())
        return std::nullopt;
    const qint64 now = m_clock();
    if (expired(*it, now)) {
        m_sessions.erase(it);
        return std::nullopt;
    }
    it->lastSeenMs = now;
    return *it;
}

bool SessionStore::end(const QByteArray& token)
{
    if (token.size() != TokenTextLength || !sodiumReady())
        return false;
    const QByteArray key = digest(token);
    const QMutexLocker lock(&m_mutex);
    return m_sessions.remove(key);
}

int SessionStore::endAllOf(const QString& name)
{
    const QMutexLocker lock(&m_mutex);
    return int(m_sessions.removeIf(
        [&](const QHash<QByteArray, Session>::iterator& it) { return it->name == name; }));
}

qsizetype SessionStore::count() const
{
    const QMutexLocker lock(&m_mutex);
    return m_sessions.size();
}

bool SessionStore::csrfMatches(const Session& session, const QByteArray& presented)
{
    // The length is no secret: every token has the same.
    return !session.csrf.isEmpty() && presented.size() == session.csrf.size() &&
           sodium_memcmp(session.csrf.constData(), presented.constData(),
                         size_t(presented.size())) == 0;
}

} // namespace zel
