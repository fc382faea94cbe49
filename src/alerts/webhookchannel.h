#pragma once

#include "mailchannel.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

class QNetworkReply;

namespace zel {

// Posts alert documents to a webhook, one at a time, without blocking the
// thread it lives on. Redirects are followed here (up to five, never from
// https to http) so that the POST and its body survive a 301 or 302 too.
class WebhookChannel : public QObject {
    Q_OBJECT
public:
    explicit WebhookChannel(int timeoutMs = 60000, QObject* parent = nullptr);

    bool busy() const { return m_reply != nullptr; }
    void post(const QString& url, const QString& id, const QByteArray& json);

Q_SIGNALS:
    void finished(const zel::ChannelOutcome& outcome);

private:
    void send(const QUrl& url);
    void onFinished();
    void done(bool delivered, const QString& words);

    QNetworkAccessManager m_network;
    int m_timeoutMs;
    QNetworkReply* m_reply = nullptr;
    QByteArray m_id;
    QByteArray m_json;
    int m_hops = 0;
};

} // namespace zel
