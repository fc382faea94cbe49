#pragma once

#include <QByteArray>
#include <QString>

namespace zel {

// A new password for an account, from standard input: on a terminal asked
// twice without echo ("Password for ann: ", "Again: ", on standard error),
// the terminal's echo back even when SIGINT ends the program meanwhile;
// otherwise one line, so that a script can pipe it. Refused when empty,
// under MinCharacters, over MaxBytes, or the two differ.
struct NewPassword {
    QByteArray password; // the caller wipes it (wipeSecret)
    QString error;       // when refused
};
inline constexpr int MinPasswordCharacters = 10;
inline constexpr int MaxPasswordBytes = 1024;

NewPassword readNewPassword(const QString& name);

// Overwrites a secret in memory before it is let go.
void wipeSecret(QByteArray& secret);

} // namespace zel
