#pragma once

#include <QByteArray>

namespace zel {

// Readies libsodium once for the whole process (any thread); false when it
// cannot be used, and then nothing here hashes, verifies or draws tokens.
bool sodiumReady();

// An Argon2id hash in libsodium's text form ("$argon2id$v=19$m=...").
// Empty when hashing failed (out of memory).
QByteArray hashPassword(const QByteArray& password);

// True when password is the one hashed into hash. An empty or unusable hash
// is checked against a stand-in hash, so that an unknown account name takes
// as long to refuse as a wrong password.
bool verifyPassword(const QByteArray& hash, const QByteArray& password);

// True when hash was made with other costs than hashPassword's today (or is
// no Argon2id hash at all): hash the password again after a good sign-in.
bool needsRehash(const QByteArray& hash);

} // namespace zel
