#pragma once

#include "common/controlcharacter.h"

#include <QString>

namespace zel {

// [Alerts] MailSecurity: how the mail server is spoken to.
enum class MailSecurity {
    Auto,     // TLS whenever a password is sent or the server is on another machine
    StartTls, // smtp:// that must turn to TLS before anything else is said
    Tls,      // smtps://, TLS from the first byte
    None,     // plain text, only to a relay on this machine
};

QString mailSecurityName(MailSecurity security);
// False for a text that names no mode.
bool parseMailSecurity(const QString& text, MailSecurity* security);

// How one mail goes out, decided from the settings alone.
struct MailTransport {
    enum class Tls { Never, WhenOffered, Required };
    QString url; // what libcurl is given: smtps:// when TLS comes first
    Tls tls = Tls::Required;
    QString problem; // why no mail may go out at all; empty when it may
};

// Keeps a password, and any mail to another machine, off a plain-text line;
// a plain local relay only where the operator asked for it.
MailTransport mailTransport(const QString& url, bool withUser, MailSecurity security);

// localhost or a loopback address; the name is not looked up.
bool isLoopbackHost(const QString& host);

} // namespace zel
