#pragma once

#include "alarms/eventlog.h"
#include "control/addresscommand.h"
#include "core/monitorcore.h"
#include "shell/trayicon.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zel {

class AlarmAcknowledger;
class EventsWindow;
class Shelf;
class HistoryWindow;
class OperatorGate;
class OperatorLock;
class SetParameterPanel;
class StatusPanel;
class TrayMenu;

// What the main window is built from: the core's parts and the tray icon.
// The window builds its own core from them (tests, one-window programs).
struct Form1Parts : MonitorCoreParts {
    std::unique_ptr<TrayIcon> tray;
};

// The monitor's main window: a view and controller over the monitor's core.
// It shows the record, the trace and the power state, raises itself on
// alarms, and runs the operator's menus, dialogs and commands.
class Form1 : public QWidget {
    Q_OBJECT
public:
    static inline const QString DesignCaption = QStringLiteral("FM Monitor By ZEL Broadcast");
    static inline const QString TrayToolTip = QStringLiteral("ZEL FM Status");
    static inline const QString NoLinkHint =
        QStringLiteral("No link is set: open Setup from the tray menu.");

    // A window over a core someone else owns.
    Form1(MonitorCore& core, std::unique_ptr<TrayIcon> tray, QWidget* parent = nullptr);
    // A window with a core of its own.
    explicit Form1(Form1Parts parts, QWidget* parent = nullptr);
    ~Form1() override;

    // One of several monitors on the PC (--profile): the caption, the tray's
    // tooltip and its messages name it. Before start().
    void setProfile(const QString& profile);

    // Program start: Form_Load, then show the window as loaded (minimised,
    // which leaves only the tray icon where there is a tray).
    void start();

    void Form_Load();
    void LoadSettings();
    // The SET panel's fields from the saved values.
    void fillSetPanel();
    void UpdatePanel() { m_core.UpdatePanel(); }
    void ClearStatus() { m_core.ClearStatus(); }
    void Timer1_Timer() { m_core.Timer1_Timer(); }
    void ShowPowerState(bool powerOn);
    void MSComm1_OnComm(int commEvent) { m_core.MSComm1_OnComm(commEvent); }
    // Brings the window back when it is minimised; otherwise does nothing.
    // Nor when every alarm the panel shows is shelved for maintenance.
    void RaiseOnAlarm();
    // A limit's critical alarm: forward unless its kind is shelved.
    void raiseForAlarm(const QString& kind);
    void TrayRestore();

    // The tray's pop-up menu and its events.
    void TrayButtonEvent(int button, int unused);
    void TrayActivate();
    void mnutray_Click(int index);
    // "Set Add": programs the controller's address over the serial line.
    void Command2_Click();
    // "SET": sends the set-parameter panel's values to the transmitter.
    void Command4_Click();

    void trace(const QString& line) { m_core.trace(line); }
    // The station record's windows (History, Events) over the history
    // database; without it their menu items only say it is not kept.
    void attachStationRecord(const QString& historyPath, AlarmAcknowledger& acknowledger);
    HistoryWindow* historyWindow() const { return m_historyWindow.get(); }
    EventsWindow* eventsWindow() const { return m_eventsWindow.get(); }
    // The shelf for maintenance, which RaiseOnAlarm() and the events window
    // ask; after attachStationRecord().
    void setShelf(Shelf* shelf);
    // Events reached the history: the events window and its count follow.
    void eventsStored();
    // The window's own lock ([Control] RequireLogin): while it is wanted,
    // SET, Set Address and Setup ask for an account first. Without one
    // they run as designed.
    void setOperatorLock(OperatorLock* lock);

    // Something the operator must hear of without being stopped: a trace
    // line and a tray message (a notice without a tray).
    void notify(const QString& text);
    // The same with the information icon, for news that is no trouble.
    void inform(const QString& text);

    MonitorCore& core() { return m_core; }
    const LinkSettings& link() const { return m_core.link(); }
    const TransmitterStatus& status() const { return m_core.status(); }
    bool powerOn() const { return m_core.powerOn(); }
    bool logPending() const { return m_core.logPending(); }
    QTimer& timer1() { return m_core.timer1(); }
    QTimer& tmGetTcp() { return m_core.remoteLink().TMgetTCP(); }
    QTimer& tmGetDdns() { return m_core.remoteLink().TMgetDDNS(); }
    RemoteLink& remoteLink() { return m_core.remoteLink(); }
    StatusPanel* statusPanel() const { return m_statusPanel; }
    SetParameterPanel* setParameterPanel() const { return m_setPanel; }
    SerialPort& serialPort() { return m_core.serialPort(); }
    TrayIcon& trayIcon() { return *m_tray; }
    TrayMenu* trayMenu() const { return m_menu; }

Q_SIGNALS:
    // The panel shows the record as it now stands (after a frame or a tick).
    void panelUpdated();
    // What the operator did, for the event log.
    void loginAttempted(bool succeeded, const QString& userTyped);
    // user: the account's ("ann@window") when the lock was used, else empty.
    void setupSaved(const QList<zel::SettingChange>& changes, const QString& user);
    void addressCommandEnded(const zel::AddressOutcome& outcome);
    // The operator chose "Station record..." in the menu.
    void stationRecordRequested();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Form1(std::unique_ptr<MonitorCore> own, MonitorCore* external, std::unique_ptr<TrayIcon> tray,
          QWidget* parent);
    void showRecord();
    void appendTrace(const QString& line);
    void showCommSetup();
    // Where to set the link, while none is chosen (a first start).
    void showLinkHint();
    void runSetup();
    void runSetupAs(const QString& user);
    void sendSetAs(const QString& user);
    void programAddressAs(const QString& user);
    void runFmSet();
    void exitNow();
    // A problem with the link the operator must hear of without being stopped.
    void reportLinkProblem(const QString& text);
    // " — NAME" with a profile, else nothing.
    QString profileMark() const;

    std::unique_ptr<MonitorCore> m_ownCore;
    MonitorCore& m_core;
    std::unique_ptr<TrayIcon> m_tray;
    QIcon m_imgPic;
    QIcon m_imgAltPic;

    StatusPanel* m_statusPanel = nullptr;
    SetParameterPanel* m_setPanel = nullptr;
    QPushButton* m_command4 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command5 = nullptr;
    TrayMenu* m_menu = nullptr;
    OperatorGate* m_gate = nullptr;
    QPlainTextEdit* m_trace = nullptr;
    QLabel* m_noLinkHint = nullptr;
    std::unique_ptr<HistoryWindow> m_historyWindow;
    std::unique_ptr<EventsWindow> m_eventsWindow;
    Shelf* m_shelf = nullptr;
    QString m_profile;
};

} // namespace zel
