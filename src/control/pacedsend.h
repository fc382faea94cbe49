#pragma once

#include "telemetry/serialport.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace zel {

// Writes bytes to the serial port one at a time, pausing pauseMs after each
// (the last one too), as the controller needs to take them. Each pause is a
// timer, so the window and everything else go on meanwhile.
class PacedSend : public QObject {
    Q_OBJECT
public:
    explicit PacedSend(SerialPort& port, QObject* parent = nullptr);

    // The first byte goes out from the event loop, right after this returns.
    void start(const QByteArray& bytes, int pauseMs);
    bool sending() const { return m_sending; }

Q_SIGNALS:
    // After the last pause; or as soon as the port is found not open or a
    // write fails, with the reason, and nothing more is sent then.
    void finished(const QString& error);

private:
    void sendNext();
    void finish(const QString& error);

    SerialPort& m_port;
    QTimer m_pause;
    QByteArray m_bytes;
    qsizetype m_next = 0;
    bool m_sending = false;
};

} // namespace zel
