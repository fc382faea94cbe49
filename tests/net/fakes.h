#pragma once

#include "net/hostresolver.h"
#include "shell/monitorhost.h"

#include <QMap>
#include <QStringList>

#include <atomic>

// The main window as the network link sees it: the record and counters.
class RecordingHost final : public zel::MonitorHost {
public:
    zel::TransmitterStatus status;
    zel::LinkSettings settings;
    QByteArray rxBuffer;
    int framesMarked = 0;
    int panelUpdates = 0;
    QStringList lines;
    int clears = 0;

    zel::TransmitterStatus& statusRecord() override { return status; }
    void markFrameReceived() override { ++framesMarked; }
    void UpdatePanel() override { ++panelUpdates; }
    void replaceRxBuffer(const QByteArray& bytes) override { rxBuffer = bytes; }
    const zel::LinkSettings& link() const override { return settings; }
    void trace(const QString& line) override { lines << line; }
    void clearTrace() override
    {
        lines.clear();
        ++clears;
    }
};

// A name service that knows the hosts it is told and fails with failCode for
// everything else. The link asks it from a thread of its own.
class FakeResolver final : public zel::HostResolver {
public:
    QMap<QString, zel::IPv4Octets> hosts;
    int failCode = zel::HostLookup::HostNotFound;
    std::atomic<int> lookups = 0;

    zel::HostLookup lookupByName(const QString& name) override
    {
        ++lookups;
        if (!hosts.contains(name))
            return zel::HostLookup::failure(failCode);
        return zel::HostLookup::success({name + QStringLiteral(".example"), hosts.value(name)});
    }
    zel::HostLookup lookupByAddress(const zel::IPv4Octets& address) override
    {
        ++lookups;
        for (auto it = hosts.cbegin(); it != hosts.cend(); ++it) {
            if (it.value() == address)
                return zel::HostLookup::success({it.key(), address});
        }
        return zel::HostLookup::failure(failCode);
    }
};
