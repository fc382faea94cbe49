#include "webhooktransfer.h"

#include <algorithm>

namespace zel {
namespace {

size_t refuseBody(char*, size_t, size_t, void*)
{
    return 0;
}

QString plainWords(CURLcode code, const QString& detail)
{
    switch (code) {
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("the webhook refused the connection");
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("the webhook's host name cannot be found");
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return QStringLiteral("the webhook dropped the connection");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return QStringLiteral("certificate not trusted, or the secure connection to the webhook "
                              "failed");
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL: // also an answer without a status line
        return QStringLiteral("the webhook gave an answer that is not HTTP");
    default:
        return QStringLiteral("the webhook could not be reached: %1").arg(detail);
    }
}

} // namespace

WebhookTransfer::WebhookTransfer(const QUrl& url, const QByteArray& id, const QByteArray& json,
                                 qint64 timeoutMs)
    : m_easy(curl_easy_init()), m_body(json)
{
    if (!m_easy)
        return;
    m_headers = curl_slist_append(m_headers, "Content-Type: application/json");
    m_headers = curl_slist_append(m_headers, ("Idempotency-Key: " + id).constData());
    // No "100 Continue" round trip before a larger document.
    m_headers = curl_slist_append(m_headers, "Expect:");

    // A user and password in the address go as Basic authentication.
    curl_easy_setopt(m_easy, CURLOPT_URL, url.toEncoded().constData());
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // As the receivers have always been spoken to.
    curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    // Where the alerts go is the setting's address, never a proxy from
    // the environment.
    curl_easy_setopt(m_easy, CURLOPT_PROXY, "");
    curl_easy_setopt(m_easy, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    // Dropping a transfer mid-lookup must not wait for the resolver.
    curl_easy_setopt(m_easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_TIMEOUT_MS, long(std::max<qint64>(1, timeoutMs)));
    curl_easy_setopt(m_easy, CURLOPT_POST, 1L);
    curl_easy_setopt(m_easy, CURLOPT_POSTFIELDS, m_body.constData());
    curl_easy_setopt(m_easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_body.size()));
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
    curl_easy_setopt(m_easy, CURLOPT_USERAGENT, "zel-fm-monitor");
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &WebhookTransfer::onHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &refuseBody);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error);
}

WebhookTransfer::~WebhookTransfer()
{
    if (m_easy)
        curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headers);
}

size_t WebhookTransfer::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<WebhookTransfer*>(self);
    const size_t n = size * count;
    t->m_headerBytes += qint64(n);
    if (t->m_headerBytes > MaxAnswerBytes) {
        t->m_answer.failure = QStringLiteral("the webhook's answer has no end of its headers "
                                             "within %1 KiB")
                                  .arg(MaxAnswerBytes / 1024);
        return 0;
    }
    const QByteArray line = QByteArray(data, qsizetype(n)).trimmed();
    if (line.startsWith("HTTP/")) {
        // Each head starts afresh: an interim 1xx is followed by the real one.
        long status = 0;
        curl_easy_getinfo(t->m_easy, CURLINFO_RESPONSE_CODE, &status);
        const qsizetype code = line.indexOf(' ');
        const qsizetype reason = code < 0 ? -1 : line.indexOf(' ', code + 1);
        t->m_answer.status = int(status);
        t->m_answer.reason = reason < 0 ? QString() : QString::fromLatin1(line.mid(reason + 1));
        t->m_answer.location.clear();
    } else if (line.isEmpty() && t->m_answer.status >= 200) {
        // The status decides; ending here leaves the body unread.
        t->m_headComplete = true;
        return 0;
    } else if (const qsizetype colon = line.indexOf(':');
               colon > 0 &&
               line.left(colon).trimmed().compare("location", Qt::CaseInsensitive) == 0) {
        t->m_answer.location = line.mid(colon + 1).trimmed();
    }
    return n;
}

WebhookAnswer WebhookTransfer::answer(CURLcode code) const
{
    if (m_headComplete || (code == CURLE_OK && m_answer.status > 0))
        return m_answer;
    WebhookAnswer failed;
    const QString detail =
        m_error[0] ? QString::fromUtf8(m_error) : QString::fromUtf8(curl_easy_strerror(code));
    if (!m_answer.failure.isEmpty())
        failed.failure = m_answer.failure;
    else if (code == CURLE_OPERATION_TIMEDOUT)
        failed.timedOut = true;
    else if (m_answer.status > 0 &&
             (code == CURLE_OUT_OF_MEMORY || detail.contains(u"header", Qt::CaseInsensitive)))
        // libcurl's own bound on a header line, which never reaches onHeader
        // whole (it says "out of memory" for it).
        failed.failure =
            QStringLiteral("the webhook's answer has no end of its headers; not read further");
    else
        failed.failure = plainWords(code, detail);
    return failed;
}

} // namespace zel
