#pragma once

#include "forms/form1.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zel::bench {

// CLOCK_MONOTONIC in nanoseconds: one clock for every thread of a harness.
std::int64_t monotonicNs();

// The monitor built from the same parts as the program itself. Its settings
// and files live under XDG_CONFIG_HOME and XDG_DATA_HOME, which the caller
// must have pointed at a scratch folder (requireScratchProfile).
std::unique_ptr<Form1> makeMonitor();

// Exits unless XDG_CONFIG_HOME and XDG_DATA_HOME are set, so that a harness
// never reads or rewrites the operator's own settings; then writes the INI.
void requireScratchProfile(const QByteArray& ini);

// A raw pty: the harness plays the transmitter on the master side.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int master() const { return m_master; }
    QString devicePath() const { return m_path; }
    // Whether the monitor has the device open (the master sees no hang-up).
    bool deviceOpen() const;

private:
    int m_master = -1;
    QString m_path;
};

// Status frames from the simulator's transmitter model, device IDs counting
// up from firstId so that each can be told apart once decoded.
std::vector<QByteArray> statusFrames(int count, int firstId = 1);
// Gateway replies from the same model.
std::vector<QByteArray> statusReplies(int count);

// Runs the event loop (sleeping between events, as the program's own loop
// does) until done() holds or timeoutMs passes; checks done() every 10 ms.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);

// Nearest-rank percentile of samples (sorted in place).
double percentile(std::vector<double>& samples, double p);

} // namespace zel::bench
