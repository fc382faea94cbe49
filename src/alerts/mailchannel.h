#pragma once

#include "mailsecurity.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>

namespace zel {

// One message for the mail server, with what it takes to log in. The
// password lives here only for the call; nothing here prints it.
struct MailJob {
    QString url; // smtp://host[:port] or smtps://host[:port]
    QString user;
    QString password;
    QString from;
    QStringList to;
    QByteArray message;
    MailSecurity security = MailSecurity::Auto;
    int timeoutMs = 60000; // the whole exchange; connecting gets at most 15 s of it
};

// How a delivery went, in words an operator understands.
struct ChannelOutcome {
    bool delivered = false;
    QString words;
};

// Sends one message over SMTP with libcurl, TLS as mailTransport() decides
// (TLS from the start on smtps://), certificates verified. Where TLS is
// required and the server does not offer STARTTLS, it stops before AUTH.
// Blocks for up to the job's time-out: call it on a thread of its own. Ends
// early, undelivered, once *cancel turns true.
ChannelOutcome sendMail(const MailJob& job, const std::atomic<bool>* cancel = nullptr);

// Once per program, before any thread sends mail.
void initialiseMail();

} // namespace zel
