#pragma once

#include "filemodes.h"

#include <QString>

namespace zel {

enum class SecretFileOutcome { Left, Tightened, Warned };

struct SecretFileCheck {
    SecretFileOutcome outcome = SecretFileOutcome::Left;
    QString warning; // for the operator, when warned
};

// Keeps a file that holds a password or token (`kind`: "the settings file")
// from other users. When others may read it and this process owns it, it is
// made readable by its owner only (0600), though a group an administrator
// gave it (other than the owner's own) keeps its read; a file someone else
// owns is left and one warning says what to do. Read for the group alone is
// left as it is: that is how the service reads a file root owns.
SecretFileCheck protectSecretFile(const QString& path, const QString& kind,
                                  const FileIdentity& self = FileIdentity::ofProcess());

// Once a secret is in memory: no core dump holds it and no other process of
// the same user may attach to read it (Linux; nothing elsewhere).
void keepSecretsOutOfDumps();

} // namespace zel
