#include "curlmultiloop.h"

#include "mailchannel.h"

#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <utility>
#include <vector>

namespace zel {

CurlMultiLoop::CurlMultiLoop(Ended ended, QObject* parent)
    : QObject(parent), m_timer(this), m_ended(std::move(ended))
{
    // The once-per-program libcurl start the mail shares.
    initialiseMail();
    m_multi = curl_multi_init();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    if (!m_multi)
        return;
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlMultiLoop::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlMultiLoop::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
}

CurlMultiLoop::~CurlMultiLoop()
{
    if (!m_multi)
        return;
    // Closing cached connections must not call back into a loop half gone.
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, nullptr);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, nullptr);
    curl_multi_cleanup(m_multi);
}

bool CurlMultiLoop::add(CURL* easy)
{
    return m_multi && easy && curl_multi_add_handle(m_multi, easy) == CURLM_OK;
}

void CurlMultiLoop::remove(CURL* easy)
{
    if (m_multi && easy)
        curl_multi_remove_handle(m_multi, easy);
}

int CurlMultiLoop::onSocket(CURL*, curl_socket_t socket, int what, void* self, void*)
{
    auto* loop = static_cast<CurlMultiLoop*>(self);
    Watch& w = loop->m_watches[socket];
    if (what == CURL_POLL_REMOVE) {
        // Later: this may run inside one of these notifiers' own signal.
        for (QSocketNotifier* n : {w.read, w.write}) {
            if (n) {
                n->setEnabled(false);
                n->deleteLater();
            }
        }
        loop->m_watches.erase(socket);
        return 0;
    }
    if (!w.read) {
        w.read = loop->watch(socket, QSocketNotifier::Read, CURL_CSELECT_IN);
        w.write = loop->watch(socket, QSocketNotifier::Write, CURL_CSELECT_OUT);
    }
    w.read->setEnabled(what & CURL_POLL_IN);
    w.write->setEnabled(what & CURL_POLL_OUT);
    return 0;
}

int CurlMultiLoop::onTimer(CURLM*, long ms, void* self)
{
    auto* loop = static_cast<CurlMultiLoop*>(self);
    // curl may not be called back from here; a timer of 0 ms acts next.
    if (ms < 0)
        loop->m_timer.stop();
    else
        loop->m_timer.start(int(std::min(ms, long(24 * 3600 * 1000))));
    return 0;
}

QSocketNotifier* CurlMultiLoop::watch(curl_socket_t socket, int type, int event)
{
    auto* n = new QSocketNotifier(socket, QSocketNotifier::Type(type), this);
    n->setEnabled(false);
    connect(n, &QSocketNotifier::activated, this, [this, socket, event] { act(socket, event); });
    return n;
}

void CurlMultiLoop::act(curl_socket_t socket, int event)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, event, &running);
    // The messages die with their handle: collect them before anyone is told.
    std::vector<std::pair<CURL*, CURLcode>> ended;
    int left = 0;
    while (CURLMsg* m = curl_multi_info_read(m_multi, &left)) {
        if (m->msg == CURLMSG_DONE)
            ended.emplace_back(m->easy_handle, m->data.result);
    }
    const QPointer<CurlMultiLoop> alive(this);
    for (const auto& [easy, code] : ended) {
        m_ended(easy, code);
        if (!alive)
            return;
    }
}

} // namespace zel
