#pragma once

#include "config/settingsstore.h"
#include "net/remotelink.h"
#include "setcommand.h"
#include "shell/monitorhost.h"
#include "shell/operatordialogs.h"
#include "telemetry/serialport.h"

namespace zel {

// The SET button: checks the operator's values, sends the set command over
// the configured link and saves the values. The operator is told plainly
// when a command did not reach the line or the gateway.
class SetParameterSender {
public:
    SetParameterSender(MonitorHost& host, SerialPort& serial, RemoteLink& remote,
                       SettingsStore& settings, OperatorDialogs& dialogs, int remotePauseMs = 1000);

    // Whether a click now would have to wait for a poll under way; the
    // caller runs Command4_Click when the poll has finished instead.
    bool mustWaitForPoll() const;

    // bytePauseText: the pause after each serial byte, in ms (Text4).
    void Command4_Click(const SetParameterInput& input, const QString& bytePauseText);

private:
    void serialSend(const QByteArray& command, const QString& bytePauseText);
    void remoteSend(const QByteArray& command, bool byHostName);
    void save(const SetParameterInput& input);

    MonitorHost& m_host;
    SerialPort& m_serial;
    RemoteLink& m_remote;
    SettingsStore& m_settings;
    OperatorDialogs& m_dialogs;
    int m_remotePauseMs;
};

} // namespace zel
