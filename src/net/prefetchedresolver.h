#pragma once

#include "hostresolver.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace zel {

// Host lookups fetched ahead, off the window's thread. fetch() runs the
// lookup that get_ip will make for a host on a thread of its own with the
// platform's blocking resolver; once the answer is in, its continuation runs
// on this object's thread, where the lookups it makes are served from that
// answer at once. The window never waits on a name server.
class PrefetchedResolver final : public QObject, public HostResolver {
    Q_OBJECT
public:
    explicit PrefetchedResolver(std::unique_ptr<HostResolver> blocking, QObject* parent = nullptr);
    // A lookup still under way is left to finish on its own; its answer goes
    // nowhere.
    ~PrefetchedResolver() override;

    // Fetches what get_ip would look up for host, then runs then() (always
    // later, from the event loop; never when this object is gone first).
    void fetch(const QString& host, std::function<void()> then);

    // Inside a continuation: the answer fetched for it. Anything not fetched
    // fails as a temporary failure of the name service.
    HostLookup lookupByName(const QString& name) override;
    HostLookup lookupByAddress(const IPv4Octets& address) override;

private:
    struct Query {
        bool byName = true;
        QString name;
        IPv4Octets address{};
        bool operator==(const Query&) const = default;
    };
    struct Pending {
        std::optional<Query> query;
        std::function<void()> then;
    };
    // What a worker thread reaches back through; owner is cleared when this
    // object goes.
    struct Mailbox;

    std::optional<Query> queryFor(const QString& host);
    void deliver(quint64 id, const HostLookup& found);
    HostLookup serve(const Query& asked) const;

    std::shared_ptr<HostResolver> m_blocking;
    std::shared_ptr<Mailbox> m_mailbox;
    std::map<quint64, Pending> m_pending;
    quint64 m_nextId = 0;
    std::optional<Query> m_servingQuery;
    HostLookup m_servingAnswer;
};

} // namespace zel
