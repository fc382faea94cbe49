#include "setparametersender.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"
#include "config/settingskeys.h"
#include "pacedsend.h"
#include "shell/eventwait.h"

namespace zel {
namespace {

const QString notSent = QStringLiteral("The set command was not sent to %1: %2");

} // namespace

SetParameterSender::SetParameterSender(MonitorHost& host, SerialPort& serial, RemoteLink& remote,
                                       SettingsStore& settings, OperatorDialogs& dialogs,
                                       int remotePauseMs)
    : m_host(host), m_serial(serial), m_remote(remote), m_settings(settings), m_dialogs(dialogs),
      m_remotePauseMs(remotePauseMs)
{
}

bool SetParameterSender::mustWaitForPoll() const
{
    const LinkSettings& link = m_host.link();
    return !link.vCommON && (link.vTCPON || link.vDDNSON) && m_remote.exchangeUnderWay();
}

void SetParameterSender::Command4_Click(const SetParameterInput& input,
                                        const QString& bytePauseText)
{
    const SetCommandResult result = buildSetCommand(input);
    if (!result.ok()) {
        m_dialogs.message(result.refusal);
        return;
    }
    const LinkSettings& link = m_host.link();
    if (link.vCommON & link.vTCPON) {
        // Both the line and the gateway chosen: which one is meant is unclear.
    } else if (link.vCommON) {
        serialSend(result.command, bytePauseText);
    } else if (link.vTCPON) {
        remoteSend(result.command, false);
    } else if (link.vDDNSON) {
        remoteSend(result.command, true);
    }
    save(input);
}

void SetParameterSender::serialSend(const QByteArray& command, const QString& bytePauseText)
{
    const int pauseMs = std::max<int>(0, toInt32(parseLeadingNumber(bytePauseText)).value_or(0));
    QString error;
    if (!sendPaced(m_serial, command, pauseMs, &error))
        m_dialogs.message(notSent.arg(QStringLiteral("the transmitter"), error));
}

void SetParameterSender::remoteSend(const QByteArray& command, bool byHostName)
{
    QTimer& timer = byHostName ? m_remote.TMgetDDNS() : m_remote.TMgetTCP();
    // Polling switched off stays off; polling on pauses for the command.
    const bool polling = timer.isActive();
    timer.stop();
    m_remote.holdPolls(true);
    pauseWithoutFreezing(m_remotePauseMs);

    const LinkSettings& link = m_host.link();
    const QString host = byHostName ? m_remote.get_ip(link.vDDNSURL) : link.vIP;
    const QString port = byHostName ? link.vDDNSPORT : link.vPort;
    TcpClientSession& session = m_remote.session();
    session.ConnectRemote(host, port);
    const int state = session.socket().State();
    // Still resolving or connecting means the connect wait ran out.
    const QString reason = state == 4 || state == 6 ? QStringLiteral("Remote not Responce !")
                                                    : session.SocketStateText(state);
    session.SendRemote(remoteSetCommand(command));
    m_remote.holdPolls(false);

    const QString gateway =
        QStringLiteral("%1 port %2").arg(byHostName ? link.vDDNSURL : host, port);
    m_dialogs.message(state == 7 ? QStringLiteral("Send Completed") : notSent.arg(gateway, reason));
    if (polling)
        timer.start();
}

void SetParameterSender::save(const SetParameterInput& input)
{
    const auto write = [this](const QString& key, const QString& value) {
        m_settings.write(keys::Section, key, value);
    };
    write(keys::SETPOWER,
          input.carrierOn.value_or(false) ? QStringLiteral("1") : QStringLiteral("0"));
    write(keys::SETFREQ, input.frequency);
    write(keys::SETPOWERT, input.forwardTarget);
    write(keys::SETREFLECTT, input.reflectTarget);
    write(keys::SETTEMPT, input.tempProtection);
    if (const QString problem = m_settings.problem(); !problem.isEmpty())
        m_dialogs.message(QStringLiteral("The values were not saved: %1").arg(problem));
}

} // namespace zel
