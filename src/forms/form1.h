#pragma once

#include "config/linksettings.h"
#include "config/settingsstore.h"
#include "logging/snapshotfile.h"
#include "net/remotelink.h"
#include "shell/clock.h"
#include "shell/filelocations.h"
#include "shell/monitorhost.h"
#include "shell/operatordialogs.h"
#include "shell/trayicon.h"
#include "telemetry/framereceiver.h"
#include "telemetry/seriallink.h"
#include "telemetry/serialport.h"
#include "telemetry/transmitterstatus.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QPlainTextEdit;
class QPushButton;

namespace zel {

class SetParameterPanel;
class SetParameterSender;
class StatusPanel;
class TrayMenu;

// The platform parts the main window works with, built by main() or a test.
struct Form1Parts {
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<SerialPort> serial;
    std::unique_ptr<TrayIcon> tray;
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

// The monitor's main window. It owns the status record, its flags, the link
// variables and the platform parts, and wires the receivers, the panel, the
// status log and the watchdog together.
class Form1 : public QWidget, public MonitorHost {
    Q_OBJECT
public:
    static inline const QString DesignCaption = QStringLiteral("FM Monitor By ZEL Broadcast");
    static inline const QString TrayToolTip = QStringLiteral("ZEL FM Status");

    explicit Form1(Form1Parts parts, QWidget* parent = nullptr);
    ~Form1() override;

    // Program start: Form_Load, then show the window as loaded (minimised,
    // which leaves only the tray icon where there is a tray).
    void start();

    void Form_Load();
    void LoadSettings();
    void UpdatePanel() override;
    void ClearStatus();
    void Timer1_Timer();
    void ShowPowerState();
    void MSComm1_OnComm(int commEvent);
    // Brings the window back when it is minimised; otherwise does nothing.
    void RaiseOnAlarm();
    void TrayRestore();

    // The tray's pop-up menu and its events.
    void TrayButtonEvent(int button, int unused);
    void TrayActivate();
    void mnutray_Click(int index);
    // "Set Add": programs the controller's address over the serial line.
    void Command2_Click();
    // "SET": sends the set-parameter panel's values to the transmitter.
    void Command4_Click();

    // MonitorHost
    TransmitterStatus& statusRecord() override { return m_status; }
    void markFrameReceived() override { m_powerOn = true; }
    void replaceRxBuffer(const QByteArray& bytes) override { m_receiver.replaceBuffer(bytes); }
    const LinkSettings& link() const override { return m_link; }
    // One line in the trace area (and the program's log).
    void trace(const QString& line) override;
    void clearTrace() override;

    const TransmitterStatus& status() const { return m_status; }
    bool powerOn() const { return m_powerOn; }
    bool logPending() const { return m_logPending; }
    QTimer& timer1() { return m_timer1; }
    QTimer& tmGetTcp() { return m_remote->TMgetTCP(); }
    QTimer& tmGetDdns() { return m_remote->TMgetDDNS(); }
    RemoteLink& remoteLink() { return *m_remote; }
    StatusPanel* statusPanel() const { return m_statusPanel; }
    SetParameterPanel* setParameterPanel() const { return m_setPanel; }
    SerialPort& serialPort() { return *m_parts.serial; }
    TrayIcon& trayIcon() { return *m_parts.tray; }
    TrayMenu* trayMenu() const { return m_menu; }

Q_SIGNALS:
    // The panel shows the record as it now stands (after a frame or a tick).
    void panelUpdated();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onFrame(const QByteArray& frame);
    void WriteStatusLog();
    void openSerialPort();
    void showCommSetup();
    void runSetup();
    void runFmSet();
    void exitNow();
    // A problem with the link the operator must hear of without being stopped.
    void reportLinkProblem(const QString& text);

    Form1Parts m_parts;
    FrameReceiver m_receiver;
    SerialLink m_serialLink;
    TransmitterStatus m_status;
    bool m_powerOn = false;
    bool m_logPending = false;
    bool m_statusLogFailing = false;
    SnapshotFile m_statusLogFile;
    LinkSettings m_link;

    QTimer m_timer1;
    std::unique_ptr<RemoteLink> m_remote;
    std::unique_ptr<SetParameterSender> m_sender;
    QIcon m_imgPic;
    QIcon m_imgAltPic;

    StatusPanel* m_statusPanel = nullptr;
    SetParameterPanel* m_setPanel = nullptr;
    QPushButton* m_command4 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command5 = nullptr;
    TrayMenu* m_menu = nullptr;
    QPlainTextEdit* m_trace = nullptr;
};

} // namespace zel
