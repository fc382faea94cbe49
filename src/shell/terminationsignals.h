#pragma once

#include <QObject>

class QSocketNotifier;

namespace zel {

// SIGTERM and SIGINT turned into a Qt signal on the thread that made this
// object, so the program can end cleanly from its event loop (a signal
// handler may do almost nothing itself). One instance per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace zel
