#pragma once

#include <QObject>
#include <QTimer>

#include <curl/curl.h>

#include <functional>
#include <map>

class QSocketNotifier;

namespace zel {

// Runs libcurl transfers on the thread this lives on without ever waiting
// for one: curl's multi interface, its sockets watched by socket notifiers
// and its time-outs by a timer. Removing a transfer or destroying the loop
// ends everything at once.
class CurlMultiLoop : public QObject {
public:
    // Told once per transfer that ended by itself (not when removed).
    using Ended = std::function<void(CURL* easy, CURLcode code)>;

    explicit CurlMultiLoop(Ended ended, QObject* parent = nullptr);
    ~CurlMultiLoop() override;
    CurlMultiLoop(const CurlMultiLoop&) = delete;
    CurlMultiLoop& operator=(const CurlMultiLoop&) = delete;

    bool add(CURL* easy);
    void remove(CURL* easy);

private:
    struct Watch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int onSocket(CURL* easy, curl_socket_t socket, int what, void* self, void*);
    static int onTimer(CURLM* multi, long ms, void* self);
    QSocketNotifier* watch(curl_socket_t socket, int type, int event);
    void act(curl_socket_t socket, int event);

    CURLM* m_multi;
    QTimer m_timer;
    std::map<curl_socket_t, Watch> m_watches;
    Ended m_ended;
};

} // namespace zel
