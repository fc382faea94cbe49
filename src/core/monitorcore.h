#pragma once

#include "config/linksettings.h"
#include "config/settingsstore.h"
#include "control/setcommand.h"
#include "control/setparametersender.h"
#include "core/statusupdate.h"
#include "logging/snapshotfile.h"
#include "net/remotelink.h"
#include "shell/clock.h"
#include "shell/filelocations.h"
#include "shell/monitorhost.h"
#include "shell/operatordialogs.h"
#include "telemetry/framereceiver.h"
#include "telemetry/seriallink.h"
#include "telemetry/serialport.h"
#include "telemetry/transmitterstatus.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace zel {

// The platform parts the monitor's core works with, built by main() or a test.
struct MonitorCoreParts {
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<SerialPort> serial;
    std::unique_ptr<OperatorDialogs> dialogs;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<FileLocations> files;
    // The gateway link; its empty parts get the platform's own.
    RemoteLinkParts remote;
    int watchdogIntervalMs = 5000;
    // How often a serial port that failed is tried again.
    int serialRetryMs = 3000;
    // The settle before a set command goes to the gateway.
    int remoteCommandPauseMs = 1000;
};

// The monitor's working core, with or without a window: the status record and
// its flags, the serial and gateway receivers, the link watchdog, the status
// log and the link settings. It tells what happened through its signals and
// knows nothing of who listens: the window, the history, the alarm log.
class MonitorCore : public QObject, public MonitorHost {
    Q_OBJECT
public:
    explicit MonitorCore(MonitorCoreParts parts, QObject* parent = nullptr);
    ~MonitorCore() override;

    // Start-up without a window: settings loaded, watchdog running, record
    // cleared. The window runs the same steps between its own.
    void start();
    // Program end: no further frame, tick, record update or log write.
    void stop();

    // Reads the link settings and opens the serial port or starts polling.
    void LoadSettings();
    void Timer1_Timer();
    void ClearStatus();
    void MSComm1_OnComm(int commEvent);

    // Checks, sends and saves a set command (bytePauseText: ms after each
    // serial byte); the operator is told the outcome, and setCommandFinished()
    // follows. A command while one is on its way is ignored. user: as
    // SetCommandReport's.
    void sendSetCommand(const SetParameterInput& input, const QString& bytePauseText,
                        const QString& user = {});
    bool setCommandUnderWay() const;

    // MonitorHost
    TransmitterStatus& statusRecord() override { return m_status; }
    void markFrameReceived() override { m_powerOn = true; }
    // The record as it now stands goes to every view, and the status log is
    // rewritten when a serial frame is waiting for it.
    void UpdatePanel() override;
    void replaceRxBuffer(const QByteArray& bytes) override { m_receiver.replaceBuffer(bytes); }
    const LinkSettings& link() const override { return m_link; }
    void trace(const QString& line) override;
    void clearTrace() override;

    const TransmitterStatus& status() const { return m_status; }
    bool powerOn() const { return m_powerOn; }
    bool logPending() const { return m_logPending; }
    // False from start until the first frame, and after the watchdog found
    // the link silent.
    bool linkUp() const { return m_linkUp; }
    // The serial line or a gateway is switched on; on a first start none is.
    bool linkChosen() const { return m_link.vCommON || m_link.vTCPON || m_link.vDDNSON; }
    QTimer& timer1() { return m_timer1; }
    RemoteLink& remoteLink() { return *m_remote; }
    SerialPort& serialPort() { return *m_parts.serial; }
    SettingsStore& settings() { return *m_parts.settings; }
    OperatorDialogs& dialogs() { return *m_parts.dialogs; }
    const Clock& clock() const { return *m_parts.clock; }
    const FileLocations& files() const { return *m_parts.files; }
    const FrameReceiver& frameReceiver() const { return m_receiver; }

Q_SIGNALS:
    // The record changed (a frame, a reply, a watchdog clear): views show it.
    void recordChanged();
    // A frame or a reply was decoded into the record.
    void statusUpdated(const zel::StatusUpdate& update);
    // The watchdog's verdict at each tick: frames arrived since the last one.
    void powerStateChanged(bool on);
    // The watchdog cleared the record for lack of frames; and the first frame
    // after that.
    void linkLost(const QDateTime& time);
    void linkRestored(const QDateTime& time);
    // The serial port could not be opened or went away; and works again.
    void serialPortFailed(const QString& reason);
    void serialPortRestored();
    void traceLine(const QString& line);
    void traceCleared();
    // Something the operator must hear of without being stopped; always a
    // trace line too, given just before.
    void operatorNotice(const QString& text);
    // The serial link is chosen but no port is: someone must choose one.
    void portChoiceNeeded();
    // A checked set command ended, sent or not.
    void setCommandEnded(const zel::SetCommandReport& report);
    // The set command is done with, refused ones too: SET may be used again.
    void setCommandFinished();

private:
    void onFrame(const QByteArray& frame);
    void onReply();
    void recordArrived(LinkKind link);
    void WriteStatusLog();
    void openSerialPort();
    void reportProblem(const QString& text);

    MonitorCoreParts m_parts;
    FrameReceiver m_receiver;
    SerialLink m_serialLink;
    TransmitterStatus m_status;
    bool m_powerOn = false;
    bool m_logPending = false;
    bool m_statusLogFailing = false;
    SnapshotFile m_statusLogFile;
    // Looked up once: the standard paths cost too much to ask at every frame.
    QString m_statusLogPath;
    bool m_linkUp = false;
    bool m_linkLostTold = false;
    LinkSettings m_link;
    QTimer m_timer1;
    std::unique_ptr<RemoteLink> m_remote;
    std::unique_ptr<SetParameterSender> m_sender;
};

} // namespace zel
