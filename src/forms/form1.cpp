#include "form1.h"

#include "config/settingskeys.h"
#include "control/addresscommand.h"
#include "control/setparametersender.h"
#include "frmlogin.h"
#include "frmselcomm.h"
#include "icons.h"
#include "logging/statuslog.h"
#include "panel/panelupdate.h"
#include "setparameterpanel.h"
#include "shell/version.h"
#include "statuspanel.h"
#include "telemetry/statusframe.h"
#include "traymenu.h"
#include "twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <exception>

namespace zel {

Form1::Form1(Form1Parts parts, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_parts(std::move(parts)), m_serialLink(*m_parts.serial, m_parts.serialRetryMs),
      m_imgPic(silentTrayIcon()), m_imgAltPic(activeTrayIcon())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(DesignCaption);
    setWindowIcon(windowIcon());
    resize(twips(7020), twips(7785));

    m_statusPanel = new StatusPanel(this);
    m_statusPanel->setGeometry(twipsRect(30, 0, 4095, 7785));
    m_setPanel = new SetParameterPanel(this);
    m_setPanel->setGeometry(twipsRect(4200, 0, 2775, 7095));
    m_command4 = new QPushButton(QStringLiteral("SET"), this);
    m_command4->setObjectName(QStringLiteral("Command4"));
    m_command4->setGeometry(twipsRect(4560, 7200, 2055, 495));
    m_command2 = new QPushButton(QStringLiteral("Set Add"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->hide();
    connect(m_command2, &QPushButton::clicked, this, &Form1::Command2_Click);

    // "FM Set" is hidden in the menu's design and made visible at start-up.
    m_menu = new TrayMenu(this);
    m_menu->mnutray(TrayMenu::FmSet)->setVisible(false);
    connect(m_menu, &TrayMenu::mnutray_Click, this, &Form1::mnutray_Click);

    // Beyond the designed client width: in view when the operator widens the
    // window by hand.
    auto* frame22 = new QGroupBox(QStringLiteral("Remote IP Address"), this);
    frame22->setObjectName(QStringLiteral("Frame22"));
    frame22->setGeometry(twipsRect(7080, 120, 3000, 1095));
    m_command5 = new QPushButton(QStringLiteral("Command5"), frame22);
    m_command5->setObjectName(QStringLiteral("Command5"));
    m_command5->setGeometry(twipsRect(240, 360, 1815, 495));
    m_trace = new QPlainTextEdit(this);
    m_trace->setObjectName(QStringLiteral("TraceView"));
    m_trace->setReadOnly(true);
    m_trace->setMaximumBlockCount(1000);
    m_trace->setGeometry(twipsRect(7080, 1320, 6000, 6345));

    m_timer1.setInterval(m_parts.watchdogIntervalMs);
    m_parts.remote.traceFilePath = m_parts.files->traceFilePath();
    m_remote = std::make_unique<RemoteLink>(*this, *m_parts.dialogs, std::move(m_parts.remote));
    connect(m_remote.get(), &RemoteLink::traceFileReport, this, &Form1::reportLinkProblem);
    connect(m_command5, &QPushButton::clicked, m_remote.get(), &RemoteLink::Command5_Click);
    m_sender =
        std::make_unique<SetParameterSender>(*this, *m_parts.serial, *m_remote, *m_parts.settings,
                                             *m_parts.dialogs, m_parts.remoteCommandPauseMs);
    connect(m_command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(&m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);

    connect(m_parts.serial.get(), &SerialPort::onComm, this, &Form1::MSComm1_OnComm);
    connect(&m_serialLink, &SerialLink::problem, this, &Form1::reportLinkProblem);
    connect(&m_serialLink, &SerialLink::note, this, &Form1::trace);
    connect(&m_receiver, &FrameReceiver::frameReceived, this, &Form1::onFrame);
    connect(m_statusPanel, &StatusPanel::alarmRaised, this, &Form1::RaiseOnAlarm);
    connect(m_parts.tray.get(), &TrayIcon::TrayButtonEvent, this, &Form1::TrayButtonEvent);
    connect(m_parts.tray.get(), &TrayIcon::TrayActivate, this, &Form1::TrayActivate);
    // Without a tray the same menu is the window's context menu, so that every
    // item stays within reach.
    if (!m_parts.tray->isAvailable())
        m_menu->attachAsContextMenu(this);
}

Form1::~Form1() = default;

void Form1::start()
{
    Form_Load();
    // Loaded minimised: with a tray that means hidden; without one the window
    // keeps its task-bar button, or the operator could never get it back.
    if (!m_parts.tray->isAvailable())
        showMinimized();
}

void Form1::Form_Load()
{
    m_powerOn = false;
    m_parts.tray->setIcon(m_imgPic);
    m_parts.tray->setToolTip(TrayToolTip);
    m_parts.tray->TrayShow();
    setWindowState(Qt::WindowMinimized);
    m_menu->mnutray(TrayMenu::FmSet)->setVisible(true);
    LoadSettings();
    m_timer1.start();
    ClearStatus();
}

void Form1::LoadSettings()
{
    m_link = readLinkSettings(*m_parts.settings);
    if (const QString problem = m_parts.settings->problem(); !problem.isEmpty())
        reportLinkProblem(QStringLiteral("Settings: %1; the defaults are used.").arg(problem));

    if (m_link.vCommON == 1) {
        if (!m_link.commPortText.isEmpty())
            openSerialPort();
        else
            showCommSetup();
    }
    if (m_link.vTCPON == 1)
        m_remote->startFixedIpPolling();
    if (m_link.vDDNSON == 1)
        m_remote->startHostNamePolling();

    const SetParameterSettings panel = readSetParameterSettings(*m_parts.settings);
    m_setPanel->selectCarrier(panel.carrierOn);
    m_setPanel->frequency()->setText(panel.frequency);
    m_setPanel->forwardTarget()->setText(panel.forwardTarget);
    m_setPanel->reflectTarget()->setText(panel.reflectTarget);
    m_setPanel->tempProtection()->setText(panel.tempProtection);

    setWindowTitle(DesignCaption + versionSuffix());
}

void Form1::openSerialPort()
{
    const auto number = serialPortNumber(m_link.commPortText);
    if (!number) {
        reportLinkProblem(QStringLiteral("Serial port \"%1\" is not a port number; no port opened.")
                              .arg(m_link.commPortText));
        return;
    }
    m_serialLink.openOn(*number);
}

void Form1::showCommSetup()
{
    // Opens with its design values; its OK opens the port and saves the keys.
    FrmSelComm dialog(*m_parts.serial, *m_parts.settings, m_link.vCommport, *m_parts.dialogs, this);
    dialog.exec();
}

void Form1::reportLinkProblem(const QString& text)
{
    trace(text);
    if (m_parts.tray->isAvailable())
        m_parts.tray->showMessage(DesignCaption, text);
    else
        m_parts.dialogs->notice(text);
}

void Form1::trace(const QString& line)
{
    m_trace->appendPlainText(line);
    qInfo("%s", qUtf8Printable(line));
}

void Form1::clearTrace()
{
    m_trace->clear();
}

void Form1::MSComm1_OnComm(int commEvent)
{
    if (commEvent != FrameReceiver::ReceiveEvent)
        return;
    m_receiver.onComm(commEvent, m_parts.serial->input());
}

void Form1::onFrame(const QByteArray& frame)
{
    DecodeStatusFrame(frame, m_status);
    m_powerOn = true;
    m_logPending = true;
    UpdatePanel();
}

void Form1::UpdatePanel()
{
    showStatus(m_status, *m_statusPanel);
    if (m_logPending) {
        m_logPending = false;
        WriteStatusLog();
    }
    Q_EMIT panelUpdated();
}

void Form1::WriteStatusLog()
{
    const QString path = m_parts.files->statusLogPath();
    QString error;
    const bool ok = replaceFileAtomically(
        path, formatStatusLog(m_status, m_powerOn, m_parts.clock->now()), &error);
    // Said once when writing starts to fail and once when it works again, not
    // for every frame in between.
    if (!ok && !m_statusLogFailing)
        trace(QStringLiteral("Status log %1 not written: %2").arg(path, error));
    else if (ok && m_statusLogFailing)
        trace(QStringLiteral("Status log %1 written again").arg(path));
    m_statusLogFailing = !ok;
}

void Form1::ClearStatus()
{
    zel::ClearStatus(m_status);
}

void Form1::Timer1_Timer()
{
    m_timer1.stop();
    try {
        if (!m_powerOn)
            ClearStatus();
        UpdatePanel();
        ShowPowerState();
    } catch (const std::exception& e) {
        // The watchdog must keep ticking whatever went wrong in one tick.
        trace(QStringLiteral("Watchdog tick failed: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    m_timer1.start();
    m_powerOn = false;
}

void Form1::ShowPowerState()
{
    m_parts.tray->setIcon(m_powerOn ? m_imgAltPic : m_imgPic);
    m_statusPanel->setLed(1, m_powerOn);
}

void Form1::RaiseOnAlarm()
{
    if (windowState() & Qt::WindowMinimized)
        TrayRestore();
}

void Form1::TrayRestore()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void Form1::TrayButtonEvent(int button, int)
{
    if (button == 2)
        m_menu->popup(QCursor::pos());
}

void Form1::TrayActivate()
{
    mnutray_Click(TrayMenu::ShowParameter);
}

void Form1::mnutray_Click(int index)
{
    switch (index) {
    case TrayMenu::ShowParameter:
        TrayRestore();
        break;
    case TrayMenu::Setup:
        runSetup();
        break;
    case TrayMenu::FmSet:
        runFmSet();
        break;
    case TrayMenu::SetAddress:
        Command2_Click();
        break;
    case TrayMenu::Exit:
        exitNow();
        break;
    default:
        break;
    }
}

void Form1::runSetup()
{
    m_timer1.stop();
    TrayRestore();
    {
        FrmSelComm dialog(*m_parts.serial, *m_parts.settings, m_link.vCommport, *m_parts.dialogs,
                          this);
        dialog.fillFrom(m_link);
        dialog.exec();
    }
    // The reload may restart polling: not in the middle of an exchange.
    m_remote->whenSocketFree(this, [this] {
        LoadSettings();
        m_timer1.start();
    });
}

void Form1::runFmSet()
{
    frmLogin login(*m_parts.dialogs, this);
    login.exec();
    // The client width that holds the set-parameter area and its border.
    if (login.LoginSucceeded)
        resize(twips(7095), height());
}

void Form1::Command2_Click()
{
    zel::Command2_Click(*m_parts.dialogs, *m_parts.serial);
}

void Form1::Command4_Click()
{
    // One send at a time: SET stays disabled until this one has finished.
    if (m_sender->sending())
        return;
    m_command4->setEnabled(false);
    connect(
        m_sender.get(), &SetParameterSender::finished, m_command4,
        [this] { m_command4->setEnabled(true); }, Qt::SingleShotConnection);
    const SetParameterPanel& panel = *m_setPanel;
    SetParameterInput input;
    if (panel.optionOn()->isChecked() || panel.optionOff()->isChecked())
        input.carrierOn = panel.optionOn()->isChecked();
    input.frequency = panel.frequency()->text();
    input.forwardTarget = panel.forwardTarget()->text();
    input.reflectTarget = panel.reflectTarget()->text();
    input.tempProtection = panel.tempProtection()->text();
    m_sender->Command4_Click(input, panel.bytePause()->text());
}

void Form1::exitNow()
{
    // Ends at once: no further frame, tick, panel update or log write.
    m_timer1.stop();
    m_remote->stopPolling();
    disconnect(m_parts.serial.get(), nullptr, this, nullptr);
    QCoreApplication::exit(0);
}

void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Form_Resize: a minimised window leaves only its tray icon.
    if (event->type() != QEvent::WindowStateChange || !isMinimized() ||
        !m_parts.tray->isAvailable())
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isMinimized()) {
                hide();
                m_parts.tray->TrayShow();
            }
        },
        Qt::QueuedConnection);
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Form_Unload does nothing; closing the main window ends the program.
    event->accept();
    QCoreApplication::quit();
}

} // namespace zel
