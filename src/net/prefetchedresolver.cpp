#include "prefetchedresolver.h"

#include "modwinsock.h"
#include "shell/callchain.h"

#include <QMetaObject>

#include <mutex>
#include <system_error>
#include <thread>

namespace zel {

struct PrefetchedResolver::Mailbox {
    std::mutex mutex;
    PrefetchedResolver* owner = nullptr;
};

PrefetchedResolver::PrefetchedResolver(std::unique_ptr<HostResolver> blocking, QObject* parent)
    : QObject(parent), m_blocking(std::move(blocking)), m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->owner = this;
}

PrefetchedResolver::~PrefetchedResolver()
{
    // After this no worker posts to us; what one posted before is dropped
    // with this object's pending events.
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->owner = nullptr;
}

std::optional<PrefetchedResolver::Query> PrefetchedResolver::queryFor(const QString& host)
{
    // The same tests get_ip makes, on a scratch chain: a dotted address is
    // looked up by address, anything else by name, and a malformed address
    // raises its error before any lookup.
    CallChain scratch;
    ModWinSock probe(*this, scratch);
    try {
        if (!probe.fncIsIPAddress(host))
            return Query{true, host, {}};
        const std::uint32_t value = probe.fncIPAddressToLng(host);
        return Query{false,
                     {},
                     IPv4Octets{std::uint8_t(value), std::uint8_t(value >> 8),
                                std::uint8_t(value >> 16), std::uint8_t(value >> 24)}};
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

void PrefetchedResolver::fetch(const QString& host, std::function<void()> then)
{
    const quint64 id = ++m_nextId;
    const std::optional<Query> query = queryFor(host);
    m_pending.emplace(id, Pending{query, std::move(then)});
    const auto post = [](Mailbox& mailbox, quint64 id, const HostLookup& found) {
        const std::lock_guard lock(mailbox.mutex);
        if (PrefetchedResolver* owner = mailbox.owner)
            QMetaObject::invokeMethod(
                owner, [owner, id, found] { owner->deliver(id, found); }, Qt::QueuedConnection);
    };
    if (!query) {
        post(*m_mailbox, id, {});
        return;
    }
    try {
        std::thread([blocking = m_blocking, mailbox = m_mailbox, q = *query, id, post] {
            post(*mailbox, id,
                 q.byName ? blocking->lookupByName(q.name) : blocking->lookupByAddress(q.address));
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the lookup fails as the name service would.
        post(*m_mailbox, id, HostLookup::failure(HostLookup::TryAgain));
    }
}

void PrefetchedResolver::deliver(quint64 id, const HostLookup& found)
{
    auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    Pending pending = std::move(it->second);
    m_pending.erase(it);
    m_servingQuery = pending.query;
    m_servingAnswer = found;
    pending.then();
    m_servingQuery.reset();
}

HostLookup PrefetchedResolver::serve(const Query& asked) const
{
    if (m_servingQuery && *m_servingQuery == asked)
        return m_servingAnswer;
    return HostLookup::failure(HostLookup::TryAgain);
}

HostLookup PrefetchedResolver::lookupByName(const QString& name)
{
    return serve(Query{true, name, {}});
}

HostLookup PrefetchedResolver::lookupByAddress(const IPv4Octets& address)
{
    return serve(Query{false, {}, address});
}

} // namespace zel
