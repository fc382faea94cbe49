#pragma once

#include "serialport.h"

#include <QObject>
#include <QTimer>

namespace zel {

// Keeps the serial line open on the chosen port. A port that cannot be opened,
// or whose device goes away, is tried again every few seconds until it works,
// so an adapter plugged back in brings the frames back by themselves. Each
// outage is reported once, and its end once.
class SerialLink : public QObject {
    Q_OBJECT
public:
    explicit SerialLink(SerialPort& port, int retryMs = 3000, QObject* parent = nullptr);

    // Closes the port if open, switches it to portNumber and opens it.
    bool openOn(int portNumber);
    // The serial link was switched off: a port that failed is not tried again
    // (one that is open stays open).
    // A port that was failing no longer counts as failed then.
    void stopRetrying();
    // Program end: no more retries, and nothing said, so a port that is
    // still failed stays failed in the record across the restart.
    void halt() { m_retry.stop(); }
    bool retrying() const { return m_retry.isActive(); }

Q_SIGNALS:
    // Something the operator must hear of: the line is down, and why.
    void problem(const QString& text);
    // A line for the trace only.
    void note(const QString& text);
    // The port cannot be used (could not be opened, went away, or failed
    // again at a retry); and it works (opened, or no longer wanted). The
    // reason starts with the port: "Communication Port 1 (/dev/ttyUSB0): ...".
    void portDown(const QString& reason);
    void portUp();

private:
    QString portName() const;
    void retry();

    void setDown(bool down, const QString& reason = QString());

    SerialPort& m_port;
    QTimer m_retry;
};

} // namespace zel
