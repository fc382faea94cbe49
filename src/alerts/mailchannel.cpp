#include "mailchannel.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace zel {
namespace {

struct Upload {
    const QByteArray* data;
    qsizetype sent = 0;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* user)
{
    auto* up = static_cast<Upload*>(user);
    const size_t left = size_t(up->data->size() - up->sent);
    const size_t n = std::min(left, size * count);
    std::memcpy(buffer, up->data->constData() + up->sent, n);
    up->sent += qsizetype(n);
    return n;
}

int checkCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* cancel = static_cast<const std::atomic<bool>*>(user);
    return cancel && cancel->load() ? 1 : 0;
}

QString plainWords(CURLcode code, long smtpCode, const QString& detail, bool withUser)
{
    const QString server =
        smtpCode > 0 ? QStringLiteral(" (server said %1)").arg(smtpCode) : QString();
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("the mail server's name cannot be found");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("the mail server refused the connection or cannot be reached");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("the mail server did not answer in time");
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("authentication failed: the mail server rejected the user name or "
                              "password") +
               server;
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("certificate not trusted: the mail server's certificate could not "
                              "be verified");
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("the secure connection to the mail server failed");
    case CURLE_USE_SSL_FAILED:
        return withUser ? QStringLiteral("the mail server does not offer encryption; the "
                                         "password was not sent")
                        : QStringLiteral("the mail server does not offer encryption; the mail "
                                         "was not sent unencrypted");
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        if (smtpCode >= 400)
            return QStringLiteral("the mail server refused the message") + server;
        return QStringLiteral("the mail server dropped the connection");
    case CURLE_ABORTED_BY_CALLBACK:
        return QStringLiteral("sending stopped: the monitor is ending");
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("the mail server gave a reply that is not SMTP");
    default:
        if (smtpCode >= 400)
            return QStringLiteral("the mail server refused the message") + server;
        return QStringLiteral("the mail could not be sent: %1").arg(detail);
    }
}

} // namespace

void initialiseMail()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

ChannelOutcome sendMail(const MailJob& job, const std::atomic<bool>* cancel)
{
    // The settings refuse these already; a job from elsewhere must not
    // get round that.
    const MailTransport transport = mailTransport(job.url, !job.user.isEmpty(), job.security);
    if (!transport.problem.isEmpty())
        return {false, transport.problem};
    if (hasControlCharacter(job.from) ||
        std::any_of(job.to.cbegin(), job.to.cend(), &hasControlCharacter))
        return {false, QStringLiteral("a mail address holds a control character; not sent")};
    initialiseMail();
    CURL* curl = curl_easy_init();
    if (!curl)
        return {false, QStringLiteral("libcurl cannot start")};
    const QByteArray url = transport.url.toUtf8();
    const QByteArray user = job.user.toUtf8();
    const QByteArray password = job.password.toUtf8();
    const QByteArray from = "<" + job.from.toUtf8() + ">";
    curl_slist* recipients = nullptr;
    for (const QString& to : job.to)
        recipients = curl_slist_append(recipients, ("<" + to.toUtf8() + ">").constData());
    Upload upload{&job.message};
    char error[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    // Signals are no way to time out on a worker thread.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // With TLS required libcurl ends the session when EHLO offers no
    // STARTTLS, before AUTH and before the password.
    const long useSsl = transport.tls == MailTransport::Tls::Required      ? CURLUSESSL_ALL
                        : transport.tls == MailTransport::Tls::WhenOffered ? CURLUSESSL_TRY
                                                                           : CURLUSESSL_NONE;
    curl_easy_setopt(curl, CURLOPT_USE_SSL, useSsl);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(std::min(job.timeoutMs, 15000)));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(job.timeoutMs));
    // Also bounds the wait for the answer to QUIT, which the time-out above
    // does not cover.
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     long(std::max(1, job.timeoutMs / 1000)));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    if (cancel) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkCancel);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancel));
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }

    const CURLcode code = curl_easy_perform(curl);
    long smtpCode = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &smtpCode);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);

    if (code == CURLE_OK)
        return {true, QStringLiteral("connected; the mail server accepted the message")};
    const QString detail =
        error[0] ? QString::fromUtf8(error) : QString::fromUtf8(curl_easy_strerror(code));
    return {false, plainWords(code, smtpCode, detail, !job.user.isEmpty())};
}

} // namespace zel
