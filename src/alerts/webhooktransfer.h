#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <curl/curl.h>

namespace zel {

// What a webhook answered: its status and where it redirects to, or why
// there is no answer (status 0).
struct WebhookAnswer {
    int status = 0;
    QString reason;
    QByteArray location;
    QString failure;
    bool timedOut = false;
};

// One POST to one address with libcurl, for a CurlMultiLoop to run. Only the
// answer's status line and headers are taken, at most MaxAnswerBytes: the
// transfer stops where the body would begin, so an endless or dripping body
// is never waited for. Redirects are left to the caller.
class WebhookTransfer {
public:
    static constexpr qint64 MaxAnswerBytes = 64 * 1024;

    WebhookTransfer(const QUrl& url, const QByteArray& id, const QByteArray& json,
                    qint64 timeoutMs);
    ~WebhookTransfer();
    WebhookTransfer(const WebhookTransfer&) = delete;
    WebhookTransfer& operator=(const WebhookTransfer&) = delete;

    // Null when libcurl could not make one.
    CURL* handle() const { return m_easy; }
    // Once the loop says the transfer ended with code.
    WebhookAnswer answer(CURLcode code) const;

private:
    static size_t onHeader(char* data, size_t size, size_t count, void* self);

    CURL* m_easy;
    curl_slist* m_headers = nullptr;
    // libcurl reads the body from here while it sends.
    const QByteArray m_body;
    char m_error[CURL_ERROR_SIZE] = {};
    WebhookAnswer m_answer;
    qint64 m_headerBytes = 0;
    bool m_headComplete = false;
};

} // namespace zel
