#pragma once

#include "config/settingsstore.h"
#include "net/remotelink.h"
#include "pacedsend.h"
#include "setcommand.h"
#include "shell/deferreddialogs.h"
#include "shell/monitorhost.h"
#include "shell/operatordialogs.h"
#include "telemetry/serialport.h"

#include <QObject>
#include <QTimer>

namespace zel {

// Who asked for a set command, when not the operating-system user at the
// window: an account that unlocked the window ("ann@window"), or a web
// panel's account with its browser's address. A web command shows no
// message box on this PC (its outcome goes back to whoever asked), so
// polling never waits for someone here to close one.
struct SetOrigin {
    // The event log's user ("ann@window", "ann@web"); empty for the
    // operating-system user.
    QString user;
    // The browser's address, for a web panel's command only.
    QString address;
    bool remote() const { return !address.isEmpty(); }
};

// The pause after each serial byte of a set command, in ms, as the SET
// panel's hidden field always holds it.
inline const QString DesignBytePause = QStringLiteral("120");

// What became of one set command, for the event log and the readback.
struct SetCommandReport {
    QByteArray command;
    // The way it went: "serial port 3 (/dev/ttyUSB0)", "gateway 10.0.0.5 port
    // 5000", or why none was taken.
    QString link;
    bool sent = false;
    // The message the operator was shown (or, for a remote origin, would
    // have been); empty when none was.
    QString told;
    SetOrigin origin;
};

// The SET button: checks the operator's values, sends the set command over
// the configured link and saves the values. The operator is told plainly
// when a command did not reach the line or the gateway. Every wait is a
// timer or a signal; polling is held while the command is on its way and,
// over a gateway, until the operator has closed the message that follows.
class SetParameterSender : public QObject {
    Q_OBJECT
public:
    SetParameterSender(MonitorHost& host, SerialPort& serial, RemoteLink& remote,
                       SettingsStore& settings, OperatorDialogs& dialogs, int remotePauseMs = 1000,
                       QObject* parent = nullptr);

    // bytePauseText: the pause after each serial byte, in ms (Text4). A
    // refusal is shown at once; a send over the gateway waits for an exchange
    // under way to end first. finished() when all is done, after a refusal
    // too; messages after a send come once its state is settled.
    void Command4_Click(const SetParameterInput& input, const QString& bytePauseText,
                        const SetOrigin& origin = {});
    bool sending() const { return m_step != Step::Idle; }

Q_SIGNALS:
    void finished();
    // A checked command ended, sent or not; just before finished().
    void commandEnded(const zel::SetCommandReport& report);

private:
    enum class Step { Idle, Serial, WaitingForSocket, Pausing, LookingUp, Connecting, Sending };

    void serialSend(const QString& bytePauseText);
    void onSerialSent(const QString& error);
    void remoteStart();
    void afterPause();
    void connectTo(const QString& host);
    void onConnectEnded();
    void onSessionFinished();
    void tell(const QString& text);
    void done();
    void save();
    QTimer& pollTimer();

    MonitorHost& m_host;
    SerialPort& m_serial;
    RemoteLink& m_remote;
    SettingsStore& m_settings;
    OperatorDialogs& m_dialogs;
    DeferredDialogs m_laterDialogs;
    PacedSend m_paced;
    QTimer m_pause;
    Step m_step = Step::Idle;

    // The send under way.
    SetParameterInput m_input;
    SetOrigin m_origin;
    QByteArray m_command;
    LinkSettings m_link;
    bool m_byHostName = false;
    bool m_wasPolling = false;
    QString m_connectedTo;
    bool m_sent = false;
    QString m_linkText;
    QString m_told;
};

} // namespace zel
