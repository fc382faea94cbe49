#pragma once

#include "responsestream.h"

#include <memory>
#include <mutex>
#include <unordered_set>

struct MHD_Connection;

namespace zel::http {

// One streamed answer between its producer and its connection. When the
// stream has nothing to give the connection is suspended, out of the
// server's polling altogether; the producer's wake resumes it. Whichever
// comes first, a wake arriving while the server reads is not lost: the
// server reads again rather than suspend.
class StreamLink : public std::enable_shared_from_this<StreamLink> {
public:
    StreamLink(MHD_Connection* connection, std::shared_ptr<ResponseStream> stream);

    // Hands the stream the wake that reaches this link.
    void attach();
    // Server thread: the library's content reader.
    long read(char* to, size_t max);
    // Any thread.
    void wake();
    // Any thread: the stream ends at once, a suspended connection resumed
    // to close.
    void stop();
    // Server thread, when the library lets go of the answer.
    void release();

private:
    std::mutex m_mutex;
    MHD_Connection* m_connection;
    std::shared_ptr<ResponseStream> m_stream;
    bool m_suspended = false;
    bool m_woken = false;
    bool m_stopping = false;
};

// The streams open, counted against their limit, all ended by stop().
class StreamRegistry {
public:
    explicit StreamRegistry(int limit) : m_limit(limit) {}
    // False when there is no room, or the server is stopping.
    bool add(const std::shared_ptr<StreamLink>& link);
    void remove(const std::shared_ptr<StreamLink>& link);
    // Ends every stream and refuses new ones.
    void stopAll();

private:
    const int m_limit;
    std::mutex m_mutex;
    std::unordered_set<std::shared_ptr<StreamLink>> m_links;
    bool m_stopping = false;
};

} // namespace zel::http
