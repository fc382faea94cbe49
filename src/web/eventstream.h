#pragma once

#include "http/responsestream.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>

namespace zel {

// One browser's Server-Sent Events: the latest status (a newer one replaces
// one not yet sent, so a slow phone gets the present, never a backlog) and
// the event rows in order. Bounded: a client that lets rows pile up past
// MaxPending is ended, and its browser reconnects and reads afresh.
class StreamClient final : public http::ResponseStream {
public:
    static constexpr qsizetype MaxPending = 256 * 1024;

    explicit StreamClient(QByteArray session) : m_session(std::move(session)) {}

    // The server's side.
    qsizetype read(char* to, qsizetype max) override;
    // The browser went away, or the server is done with the stream.
    void closed() override;

    // The producer's side, any thread.
    void putStatus(const QByteArray& message);
    void putEvent(const QByteArray& message);
    void end();
    bool isClosed() const;
    const QByteArray& session() const { return m_session; }

private:
    const QByteArray m_session;
    mutable std::mutex m_mutex;
    QByteArray m_out;    // being sent
    QByteArray m_status; // the latest status not yet in m_out
    QByteArray m_events; // rows not yet in m_out
    bool m_ended = false;
    bool m_closed = false;
};

// Every open stream. Status messages go out at most every minInterval
// (the newest one; at the end of the event loop's turn after a quiet spell,
// so the several publishes of one frame leave as one), rows as they come, a
// comment every keepAliveInterval so proxies and phones keep the line.
class EventStream : public QObject {
    Q_OBJECT
public:
    explicit EventStream(std::chrono::milliseconds minInterval = std::chrono::milliseconds(250),
                         std::chrono::milliseconds keepAliveInterval = std::chrono::seconds(15),
                         QObject* parent = nullptr);

    // Any thread: a new client, given the latest status at once.
    std::shared_ptr<StreamClient> open(const QByteArray& session);
    // Any thread: ends the streams of sessions no longer valid.
    void endWhere(const std::function<bool(const QByteArray& session)>& gone);
    void endAll();
    int clients() const;

public Q_SLOTS:
    // The owner's thread: a status document (compact JSON) or an event row.
    void publishStatus(const QByteArray& json);
    void publishEvent(const QByteArray& json);

private:
    void sendStatus();
    template <class F> void each(F f);

    mutable std::mutex m_mutex;
    std::list<std::weak_ptr<StreamClient>> m_clients;
    QByteArray m_latest; // the whole SSE message
    QByteArray m_sent;   // the last one sent
    bool m_unsent = false;
    QTimer m_soon; // the end of this turn of the event loop
    QTimer m_pace;
    QTimer m_keepAlive;
};

} // namespace zel
