#pragma once

#include "curlmultiloop.h"
#include "mailchannel.h"
#include "webhooktransfer.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QUrl>

#include <memory>

namespace zel {

// Posts alert documents to a webhook, one at a time, without blocking the
// thread it lives on. Redirects are followed here (up to five, never from
// https to http) so that the POST and its body survive a 301 or 302 too.
// An attempt, redirects included, ends within timeoutMs however slowly the
// webhook answers. Destroying the channel ends an attempt at once.
class WebhookChannel : public QObject {
    Q_OBJECT
public:
    explicit WebhookChannel(int timeoutMs = 30000, QObject* parent = nullptr);
    ~WebhookChannel() override;

    bool busy() const { return m_transfer != nullptr; }
    void post(const QString& url, const QString& id, const QByteArray& json);

Q_SIGNALS:
    void finished(const zel::ChannelOutcome& outcome);

private:
    void send(const QUrl& url);
    void onEnded(CURL* easy, CURLcode code);
    void onAnswer(const WebhookAnswer& answer);
    void done(bool delivered, const QString& words);

    const int m_timeoutMs;
    QDeadlineTimer m_deadline;
    // Before the transfer: it must leave the loop before the loop goes.
    CurlMultiLoop m_loop;
    std::unique_ptr<WebhookTransfer> m_transfer;
    QUrl m_url;
    QByteArray m_id;
    QByteArray m_json;
    int m_hops = 0;
};

} // namespace zel
