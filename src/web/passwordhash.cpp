#include "passwordhash.h"

#include <sodium.h>

namespace zel {

namespace {

// The interactive costs (2 passes over 64 MiB, about a tenth of a second):
// an engineer signs in from a phone to a monitor on an ordinary site PC that
// also has a transmitter to watch, so a sign-in must not take seconds or
// hundreds of megabytes. The lock-out, not the cost, holds off guessing.
constexpr unsigned long long OpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t MemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

// Made once, the first time an unknown name is checked.
const QByteArray& standInHash()
{
    static const QByteArray hash = hashPassword(QByteArrayLiteral("no account has this password"));
    return hash;
}

bool usableHash(const QByteArray& hash)
{
    return hash.size() < crypto_pwhash_STRBYTES && hash.startsWith("$argon2id$");
}

} // namespace

bool sodiumReady()
{
    // A function-local static is made by one thread while the others wait.
    static const bool ready = sodium_init() >= 0;
    return ready;
}

QByteArray hashPassword(const QByteArray& password)
{
    if (!sodiumReady())
        return {};
    char text[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(text, password.constData(),
                              static_cast<unsigned long long>(password.size()), OpsLimit, MemLimit,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        return {};
    return QByteArray(text);
}

bool verifyPassword(const QByteArray& hash, const QByteArray& password)
{
    if (!sodiumReady())
        return false;
    const bool usable = usableHash(hash);
    // crypto_pwhash_str_verify wants a terminated string; QByteArray has one.
    const QByteArray& against = usable ? hash : standInHash();
    const bool match =
        crypto_pwhash_str_verify(against.constData(), password.constData(),
                                 static_cast<unsigned long long>(password.size())) == 0;
    return usable && match;
}

bool needsRehash(const QByteArray& hash)
{
    if (!sodiumReady() || !usableHash(hash))
        return true;
    return crypto_pwhash_str_needs_rehash(hash.constData(), OpsLimit, MemLimit) != 0;
}

} // namespace zel
