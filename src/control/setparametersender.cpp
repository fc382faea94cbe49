#include "setparametersender.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"
#include "config/settingskeys.h"

#include <QPointer>

namespace zel {
namespace {

const QString notSent = QStringLiteral("The set command was not sent to %1: %2");

} // namespace

SetParameterSender::SetParameterSender(MonitorHost& host, SerialPort& serial, RemoteLink& remote,
                                       SettingsStore& settings, OperatorDialogs& dialogs,
                                       int remotePauseMs, QObject* parent)
    : QObject(parent), m_host(host), m_serial(serial), m_remote(remote), m_settings(settings),
      m_dialogs(dialogs), m_laterDialogs(dialogs), m_paced(serial)
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    m_pause.setInterval(remotePauseMs);
    connect(&m_pause, &QTimer::timeout, this, &SetParameterSender::afterPause);
    connect(&m_paced, &PacedSend::finished, this, &SetParameterSender::onSerialSent);
    TcpClientSession& session = m_remote.session();
    connect(&session, &TcpClientSession::connectEnded, this, &SetParameterSender::onConnectEnded);
    connect(&session, &TcpClientSession::finished, this, &SetParameterSender::onSessionFinished);
}

void SetParameterSender::Command4_Click(const SetParameterInput& input,
                                        const QString& bytePauseText, const QString& user)
{
    if (sending())
        return;
    m_user = user;
    const SetCommandResult result = buildSetCommand(input);
    if (!result.ok()) {
        m_dialogs.message(result.refusal);
        Q_EMIT finished();
        return;
    }
    m_input = input;
    m_command = result.command;
    m_link = m_host.link();
    m_sent = false;
    m_told.clear();
    if (m_link.vCommON & m_link.vTCPON) {
        // Both the line and the gateway chosen: which one is meant is unclear.
        m_linkText = QStringLiteral("none: serial and gateway both selected");
        done();
    } else if (m_link.vCommON) {
        serialSend(bytePauseText);
    } else if (m_link.vTCPON || m_link.vDDNSON) {
        m_byHostName = !m_link.vTCPON;
        m_step = Step::WaitingForSocket;
        m_linkText =
            m_byHostName
                ? QStringLiteral("gateway %1 port %2").arg(m_link.vDDNSURL, m_link.vDDNSPORT)
                : QStringLiteral("gateway %1 port %2").arg(m_link.vIP, m_link.vPort);
        m_remote.whenSocketFree(this, [this] { remoteStart(); });
    } else {
        m_linkText = QStringLiteral("none: no link selected");
        done();
    }
}

void SetParameterSender::serialSend(const QString& bytePauseText)
{
    const int pauseMs = std::max<int>(0, toInt32(parseLeadingNumber(bytePauseText)).value_or(0));
    // No poll starts between two bytes: the controller takes them paced.
    m_remote.holdPolls(true);
    m_linkText =
        QStringLiteral("serial port %1 (%2)").arg(m_serial.commPort()).arg(m_serial.deviceName());
    m_step = Step::Serial;
    m_paced.start(m_command, pauseMs);
}

void SetParameterSender::onSerialSent(const QString& error)
{
    m_remote.holdPolls(false);
    m_sent = error.isEmpty();
    if (!m_sent)
        tell(notSent.arg(QStringLiteral("the transmitter"), error));
    done();
}

QTimer& SetParameterSender::pollTimer()
{
    return m_byHostName ? m_remote.TMgetDDNS() : m_remote.TMgetTCP();
}

void SetParameterSender::remoteStart()
{
    // Polling switched off stays off; polling on pauses for the command.
    m_wasPolling = pollTimer().isActive();
    pollTimer().stop();
    m_remote.holdPolls(true);
    m_step = Step::Pausing;
    m_pause.start();
}

void SetParameterSender::afterPause()
{
    if (!m_byHostName) {
        connectTo(m_link.vIP);
        return;
    }
    m_step = Step::LookingUp;
    m_remote.get_ip(m_link.vDDNSURL, [this](const QString& address) { connectTo(address); });
}

void SetParameterSender::connectTo(const QString& host)
{
    m_connectedTo = host;
    m_step = Step::Connecting;
    m_remote.session().ConnectRemote(host, m_byHostName ? m_link.vDDNSPORT : m_link.vPort);
}

void SetParameterSender::onConnectEnded()
{
    if (m_step != Step::Connecting)
        return;
    TcpClientSession& session = m_remote.session();
    m_sent = session.socket().State() == TcpSocket::sckConnected;
    m_step = Step::Sending;
    session.SendRemote(remoteSetCommand(m_command));
}

void SetParameterSender::onSessionFinished()
{
    if (m_step != Step::Sending)
        return;
    const QString port = m_byHostName ? m_link.vDDNSPORT : m_link.vPort;
    const QString gateway =
        QStringLiteral("%1 port %2").arg(m_byHostName ? m_link.vDDNSURL : m_connectedTo, port);
    // The reason the trace gave for the connect.
    m_told = m_sent ? QStringLiteral("Send Completed")
                    : notSent.arg(gateway, m_remote.session().lastConnectText());
    // Polling of the gateway stays paused until the operator has closed the
    // message, so no poll reaches it while the operator reads the outcome.
    QTimer* resume = m_wasPolling ? &pollTimer() : nullptr;
    QPointer<SetParameterSender> self(this);
    m_laterDialogs.messageThen(m_told, [self, resume] {
        if (!self)
            return;
        self->m_remote.holdPolls(false);
        if (resume)
            resume->start();
    });
    done();
}

void SetParameterSender::tell(const QString& text)
{
    m_told = text;
    m_laterDialogs.message(text);
}

void SetParameterSender::done()
{
    save();
    m_step = Step::Idle;
    Q_EMIT commandEnded({m_command, m_linkText, m_sent, m_told, m_user});
    m_command.clear();
    Q_EMIT finished();
}

void SetParameterSender::save()
{
    const auto write = [this](const QString& key, const QString& value) {
        m_settings.write(keys::Section, key, value);
    };
    write(keys::SETPOWER,
          m_input.carrierOn.value_or(false) ? QStringLiteral("1") : QStringLiteral("0"));
    write(keys::SETFREQ, m_input.frequency);
    write(keys::SETPOWERT, m_input.forwardTarget);
    write(keys::SETREFLECTT, m_input.reflectTarget);
    write(keys::SETTEMPT, m_input.tempProtection);
    if (const QString problem = m_settings.problem(); !problem.isEmpty())
        m_laterDialogs.message(QStringLiteral("The values were not saved: %1").arg(problem));
}

} // namespace zel
