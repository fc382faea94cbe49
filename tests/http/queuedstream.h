#pragma once

#include "http/responsestream.h"

#include <QByteArray>

#include <mutex>

namespace zel::http {

// A stream over a byte queue, bounded: a client too slow to take what is
// written is cut rather than left to grow the queue.
class QueuedStream : public ResponseStream {
public:
    explicit QueuedStream(qsizetype capacity = 256 * 1024) : m_capacity(capacity) {}

    // Any thread. False when nothing was queued: the stream is over (ended,
    // closed by the server) or this write would pass the capacity, which
    // ends it.
    bool write(const QByteArray& bytes);
    // Any thread: what is queued is still sent, then the answer ends.
    void end();
    // Whether the server is done with it (see closed()).
    bool isClosed() const;

    qsizetype read(char* to, qsizetype max) override;
    void closed() override;

private:
    const qsizetype m_capacity;
    mutable std::mutex m_mutex;
    QByteArray m_queue;
    qsizetype m_sent = 0;
    bool m_ended = false;
    bool m_overrun = false;
    bool m_closed = false;
};

} // namespace zel::http
