#pragma once

#include "mailchannel.h"
#include "webhookrequest.h"

#include <QObject>
#include <QTimer>
#include <QUrl>

namespace zel {

// Posts alert documents to a webhook, one at a time, without blocking the
// thread it lives on. Redirects are followed here (up to five, never from
// https to http) so that the POST and its body survive a 301 or 302 too.
// An attempt, redirects included, ends within timeoutMs however slowly the
// webhook answers.
class WebhookChannel : public QObject {
    Q_OBJECT
public:
    explicit WebhookChannel(int timeoutMs = 30000, QObject* parent = nullptr);

    bool busy() const { return m_request != nullptr; }
    void post(const QString& url, const QString& id, const QByteArray& json);

Q_SIGNALS:
    void finished(const zel::ChannelOutcome& outcome);

private:
    void send(const QUrl& url);
    void onAnswer(const WebhookAnswer& answer);
    void onDeadline();
    void done(bool delivered, const QString& words);

    QTimer m_deadline;
    WebhookRequest* m_request = nullptr;
    QUrl m_url;
    QByteArray m_id;
    QByteArray m_json;
    int m_hops = 0;
};

} // namespace zel
