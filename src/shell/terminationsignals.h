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

// A write past the file-size limit (RLIMIT_FSIZE) then fails with EFBIG like
// a full disk, which the record's writers already survive, instead of
// ending the process with SIGXFSZ. Called first thing by both programs.
void ignoreFileSizeSignal();

} // namespace zel
