#pragma once

#include "simcodec.h"
#include "simtransmitter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

namespace zel::sim {

struct SerialOptions {
    QString linkPath;
    double intervalMs = 1000;
    qint64 frameLimit = -1; // negative: no limit
    Scenario scenario = Scenario::Normal;
    qint64 scriptStepMs = 10000;
    quint32 seed = 0;
    quint16 deviceId = 8001;
    bool ignoreSet = false;  // log set commands but do not apply them
    bool changingId = false; // the device ID goes up by one with every frame
};

// The controller end of the serial line: a pseudo-terminal whose slave side
// the monitor opens through a symbolic link.
class SerialSim : public QObject {
    Q_OBJECT
public:
    explicit SerialSim(SerialOptions options, QObject* parent = nullptr);
    ~SerialSim() override;

    // Creates the pty and the link, starts sending; false with a message on
    // stderr when that fails.
    bool start();

private:
    void sendFrame();
    void scheduleNextFrame();
    void noteDropped();
    void readCommands();
    void expireCommand();
    void handle(const QList<CommandEvent>& events);
    void flushPendingOutput();
    void stepModel();
    void removeLink();
    // Whether a monitor has the port open; logs and follows changes.
    bool checkLineOpen();

    SerialOptions options_;
    Transmitter transmitter_;
    ScenarioPlayer player_;
    SerialCommandDecoder decoder_;
    int master_ = -1;
    QString slavePath_;
    bool linkCreated_ = false;
    bool lineOpen_ = false;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    QByteArray unsent_; // rest of a frame the line would not take at once
    QTimer frameTimer_;
    QTimer commandTimer_;
    QTimer modelTimer_;
    QElapsedTimer clock_;
    qint64 framesSent_ = 0;
    bool dropping_ = false; // logged once per run of dropped frames
    double nextFrameMs_ = 0;
};

} // namespace zel::sim
