#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <mutex>

namespace zel::http {

class StreamLink;

// An answer's body given as it comes, for Server-Sent Events. The producer
// keeps the stream, writes into it from any thread and calls wake(); the
// server reads it on its own thread when the client can take more, and
// costs nothing while there is nothing to read.
//
// The server holds its reference for as long as the connection lives, then
// calls closed() once (client gone, stream ended, answer refused, server
// stopped) and lets go: a producer notices the end there, or by its own
// reference being the last (use_count() == 1).
class ResponseStream {
public:
    ResponseStream() = default;
    virtual ~ResponseStream() = default;
    ResponseStream(const ResponseStream&) = delete;
    ResponseStream& operator=(const ResponseStream&) = delete;

    // Server thread: copies at most `max` bytes to `to`; returns how many,
    // 0 for nothing now (the server waits for wake()), -1 for the end (the
    // answer is finished properly), -2 to cut the connection at once.
    virtual qsizetype read(char* to, qsizetype max) = 0;
    // Server thread, once: the connection is done with the stream.
    virtual void closed() {}

    // Any thread, after new bytes (or the end) are there to read. Never
    // call it while holding a lock read() takes.
    void wake();

private:
    friend class StreamLink;
    void setWake(std::function<void()> wake);

    std::mutex m_wakeMutex;
    std::function<void()> m_wake;
};

} // namespace zel::http
