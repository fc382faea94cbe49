#include "monitorcore.h"

#include "config/tracesettings.h"
#include "logging/statuslog.h"
#include "telemetry/statusframe.h"

#include <exception>

namespace zel {

MonitorCore::MonitorCore(MonitorCoreParts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts)),
      m_serialLink(*m_parts.serial, m_parts.serialRetryMs)
{
    m_timer1.setInterval(m_parts.watchdogIntervalMs);
    m_statusLogPath = m_parts.files->statusLogPath();
    m_parts.remote.traceFilePath = m_parts.files->traceFilePath();
    m_parts.remote.traceFileMaxBytes = traceFileMaxBytes(*m_parts.settings);
    m_remote = std::make_unique<RemoteLink>(*this, *m_parts.dialogs, std::move(m_parts.remote));
    m_sender =
        std::make_unique<SetParameterSender>(*this, *m_parts.serial, *m_remote, *m_parts.settings,
                                             *m_parts.dialogs, m_parts.remoteCommandPauseMs);
    connect(m_sender.get(), &SetParameterSender::commandEnded, this, &MonitorCore::setCommandEnded);
    connect(m_sender.get(), &SetParameterSender::finished, this, &MonitorCore::setCommandFinished);
    connect(m_remote.get(), &RemoteLink::traceFileReport, this, &MonitorCore::operatorNotice);
    connect(m_remote.get(), &RemoteLink::replyDecoded, this, &MonitorCore::onReply);
    connect(&m_timer1, &QTimer::timeout, this, &MonitorCore::Timer1_Timer);
    connect(m_parts.serial.get(), &SerialPort::onComm, this, &MonitorCore::MSComm1_OnComm);
    connect(&m_serialLink, &SerialLink::problem, this, &MonitorCore::reportProblem);
    connect(&m_serialLink, &SerialLink::note, this, &MonitorCore::trace);
    connect(&m_serialLink, &SerialLink::portDown, this, &MonitorCore::serialPortFailed);
    connect(&m_serialLink, &SerialLink::portUp, this, &MonitorCore::serialPortRestored);
    connect(&m_receiver, &FrameReceiver::frameReceived, this, &MonitorCore::onFrame);
}

MonitorCore::~MonitorCore() = default;

void MonitorCore::start()
{
    m_powerOn = false;
    LoadSettings();
    m_timer1.start();
    ClearStatus();
}

void MonitorCore::stop()
{
    m_timer1.stop();
    m_remote->stopPolling();
    m_serialLink.halt();
    disconnect(m_parts.serial.get(), nullptr, this, nullptr);
}

void MonitorCore::LoadSettings()
{
    m_link = readLinkSettings(*m_parts.settings);
    if (const QString problem = m_parts.settings->problem(); !problem.isEmpty())
        reportProblem(QStringLiteral("Settings: %1; the defaults are used.").arg(problem));

    if (m_link.vCommON == 1) {
        if (!m_link.commPortText.isEmpty())
            openSerialPort();
        else
            Q_EMIT portChoiceNeeded();
    } else {
        // A device that turns up later must not feed a link switched off.
        m_serialLink.stopRetrying();
    }
    if (m_link.vTCPON == 1)
        m_remote->startFixedIpPolling();
    if (m_link.vDDNSON == 1)
        m_remote->startHostNamePolling();
}

void MonitorCore::openSerialPort()
{
    const auto number = serialPortNumber(m_link.commPortText);
    if (!number) {
        reportProblem(QStringLiteral("Serial port \"%1\" is not a port number; no port opened.")
                          .arg(m_link.commPortText));
        return;
    }
    m_serialLink.openOn(*number);
}

void MonitorCore::reportProblem(const QString& text)
{
    trace(text);
    Q_EMIT operatorNotice(text);
}

void MonitorCore::trace(const QString& line)
{
    qInfo("%s", qUtf8Printable(line));
    Q_EMIT traceLine(line);
}

void MonitorCore::clearTrace()
{
    Q_EMIT traceCleared();
}

void MonitorCore::MSComm1_OnComm(int commEvent)
{
    if (commEvent != FrameReceiver::ReceiveEvent)
        return;
    m_receiver.onComm(commEvent, m_parts.serial->input());
}

void MonitorCore::onFrame(const QByteArray& frame)
{
    DecodeStatusFrame(frame, m_status);
    m_powerOn = true;
    m_logPending = true;
    UpdatePanel();
    recordArrived(LinkKind::Serial);
}

void MonitorCore::onReply()
{
    recordArrived(LinkKind::Gateway);
}

void MonitorCore::recordArrived(LinkKind link)
{
    const QDateTime now = m_parts.clock->now().toUTC();
    if (!m_linkUp) {
        m_linkUp = true;
        if (m_linkLostTold)
            Q_EMIT linkRestored(now);
        m_linkLostTold = false;
    }
    Q_EMIT statusUpdated(StatusUpdate{now, link, m_status});
}

void MonitorCore::UpdatePanel()
{
    Q_EMIT recordChanged();
    if (m_logPending) {
        m_logPending = false;
        WriteStatusLog();
    }
}

void MonitorCore::WriteStatusLog()
{
    const QString& path = m_statusLogPath;
    QString error;
    const bool ok = m_statusLogFile.replace(
        path, formatStatusLog(m_status, m_powerOn, m_parts.clock->now()), &error);
    // Said once when writing starts to fail and once when it works again, not
    // for every frame in between.
    if (!ok && !m_statusLogFailing)
        trace(QStringLiteral("Status log %1 not written: %2").arg(path, error));
    else if (ok && m_statusLogFailing)
        trace(QStringLiteral("Status log %1 written again").arg(path));
    m_statusLogFailing = !ok;
}

void MonitorCore::ClearStatus()
{
    zel::ClearStatus(m_status);
}

void MonitorCore::Timer1_Timer()
{
    m_timer1.stop();
    try {
        if (!m_powerOn) {
            ClearStatus();
            // With no link chosen there is no link to lose.
            if (!m_linkLostTold && linkChosen()) {
                m_linkUp = false;
                m_linkLostTold = true;
                Q_EMIT linkLost(m_parts.clock->now().toUTC());
            }
        }
        UpdatePanel();
        Q_EMIT powerStateChanged(m_powerOn);
    } catch (const std::exception& e) {
        // The watchdog must keep ticking whatever went wrong in one tick.
        trace(QStringLiteral("Watchdog tick failed: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    m_timer1.start();
    m_powerOn = false;
}

bool MonitorCore::setCommandUnderWay() const
{
    return m_sender->sending();
}

void MonitorCore::sendSetCommand(const SetParameterInput& input, const QString& bytePauseText,
                                 const QString& user)
{
    m_sender->Command4_Click(input, bytePauseText, user);
}

} // namespace zel
