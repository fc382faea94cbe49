#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

class QTcpSocket;

namespace zel {

// What a webhook answered: its status and where it redirects to, or why
// there is no answer (status 0).
struct WebhookAnswer {
    int status = 0;
    QString reason;
    QByteArray location;
    QString failure;
};

// One HTTP/1.1 POST on a socket of its own, read only as far as the
// answer's status and headers: the body is never read, and no more than
// MaxAnswerBytes are taken from the network whatever the webhook sends.
// (QNetworkAccessManager reads on a thread of its own and can hold an
// endless answer in memory before it is told to stop.)
class WebhookRequest : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 MaxAnswerBytes = 64 * 1024;

    explicit WebhookRequest(QObject* parent = nullptr);

    // Headers: complete lines, each ending in CRLF.
    void post(const QUrl& url, const QByteArray& headers, const QByteArray& body);
    // Closes the connection; finished() is not emitted any more.
    void abort();

Q_SIGNALS:
    void finished(const zel::WebhookAnswer& answer);

private:
    void onReadyRead();
    void onError();
    void conclude(const WebhookAnswer& answer);

    QTcpSocket* m_socket = nullptr;
    QByteArray m_request;
    QByteArray m_answer;
};

} // namespace zel
