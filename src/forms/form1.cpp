#include "form1.h"

#include "alarms/shelf.h"
#include "config/settingskeys.h"
#include "control/addresscommand.h"
#include "eventswindow.h"
#include "frmlogin.h"
#include "frmselcomm.h"
#include "historywindow.h"
#include "icons.h"
#include "operatorgate.h"
#include "panel/panelupdate.h"
#include "setparameterpanel.h"
#include "shell/version.h"
#include "statuspanel.h"
#include "traymenu.h"
#include "twips.h"
#include "web/operatorlock.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zel {

Form1::Form1(MonitorCore& core, std::unique_ptr<TrayIcon> tray, QWidget* parent)
    : Form1(nullptr, &core, std::move(tray), parent)
{
}

Form1::Form1(Form1Parts parts, QWidget* parent)
    : Form1(std::make_unique<MonitorCore>(std::move(static_cast<MonitorCoreParts&>(parts))),
            nullptr, std::move(parts.tray), parent)
{
}

Form1::Form1(std::unique_ptr<MonitorCore> own, MonitorCore* external,
             std::unique_ptr<TrayIcon> tray, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_ownCore(std::move(own)), m_core(external ? *external : *m_ownCore), m_tray(std::move(tray)),
      m_imgPic(silentTrayIcon()), m_imgAltPic(activeTrayIcon())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(DesignCaption);
    // Qualified: inside a widget the bare name is QWidget's own, empty icon.
    setWindowIcon(zel::windowIcon());
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
    // In the free space below the set-parameter fields, shown only while no
    // link is chosen.
    m_noLinkHint = new QLabel(NoLinkHint, this);
    m_noLinkHint->setObjectName(QStringLiteral("NoLinkHint"));
    m_noLinkHint->setWordWrap(true);
    m_noLinkHint->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
    m_noLinkHint->setGeometry(twipsRect(4320, 5520, 2535, 1200));
    m_noLinkHint->hide();

    // "FM Set" is hidden in the menu's design and made visible at start-up.
    m_menu = new TrayMenu(this);
    m_menu->mnutray(TrayMenu::FmSet)->setVisible(false);
    m_gate = new OperatorGate(this);
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

    RemoteLink& remote = m_core.remoteLink();
    connect(m_command5, &QPushButton::clicked, &remote, &RemoteLink::Command5_Click);
    connect(m_command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(&m_core, &MonitorCore::recordChanged, this, &Form1::showRecord);
    connect(&m_core, &MonitorCore::powerStateChanged, this, &Form1::ShowPowerState);
    connect(&m_core, &MonitorCore::traceLine, this, &Form1::appendTrace);
    connect(&m_core, &MonitorCore::traceCleared, m_trace, &QPlainTextEdit::clear);
    connect(&m_core, &MonitorCore::operatorNotice, this, &Form1::reportLinkProblem);
    connect(&m_core, &MonitorCore::portChoiceNeeded, this, &Form1::showCommSetup);
    connect(&m_core, &MonitorCore::setCommandFinished, m_command4,
            [this] { m_command4->setEnabled(true); });
    // A command from the web panel saved other values than the fields show:
    // a SET here afterwards must not quietly send the old ones back.
    connect(&m_core, &MonitorCore::setCommandEnded, this, [this](const SetCommandReport& r) {
        if (r.origin.remote())
            fillSetPanel();
    });
    connect(m_statusPanel, &StatusPanel::alarmRaised, this, &Form1::RaiseOnAlarm);
    connect(m_tray.get(), &TrayIcon::TrayButtonEvent, this, &Form1::TrayButtonEvent);
    connect(m_tray.get(), &TrayIcon::TrayActivate, this, &Form1::TrayActivate);
    // Without a tray the same menu is the window's context menu, so that every
    // item stays within reach.
    if (!m_tray->isAvailable())
        m_menu->attachAsContextMenu(this);
}

Form1::~Form1() = default;

void Form1::start()
{
    Form_Load();
    // Loaded minimised: with a tray that means hidden; without one the window
    // keeps its task-bar button, or the operator could never get it back.
    if (!m_tray->isAvailable())
        showMinimized();
}

void Form1::setProfile(const QString& profile)
{
    m_profile = profile;
    setWindowTitle(DesignCaption + profileMark());
}

QString Form1::profileMark() const
{
    return m_profile.isEmpty() ? QString() : QStringLiteral(" \u2014 ") + m_profile;
}

void Form1::Form_Load()
{
    m_tray->setIcon(m_imgPic);
    m_tray->setToolTip(TrayToolTip + profileMark());
    m_tray->TrayShow();
    setWindowState(Qt::WindowMinimized);
    m_menu->mnutray(TrayMenu::FmSet)->setVisible(true);
    LoadSettings();
    m_core.timer1().start();
    ClearStatus();
}

void Form1::LoadSettings()
{
    m_core.LoadSettings();
    fillSetPanel();

    setWindowTitle(DesignCaption + profileMark() + versionSuffix());
    showLinkHint();
}

void Form1::fillSetPanel()
{
    const SetParameterSettings panel = readSetParameterSettings(m_core.settings());
    m_setPanel->selectCarrier(panel.carrierOn);
    m_setPanel->frequency()->setText(panel.frequency);
    m_setPanel->forwardTarget()->setText(panel.forwardTarget);
    m_setPanel->reflectTarget()->setText(panel.reflectTarget);
    m_setPanel->tempProtection()->setText(panel.tempProtection);
}

void Form1::showLinkHint()
{
    const bool chosen = m_core.linkChosen();
    m_noLinkHint->setVisible(!chosen);
    const QString tip = TrayToolTip + profileMark();
    m_tray->setToolTip(chosen ? tip : tip + u'\n' + NoLinkHint);
}

void Form1::showCommSetup()
{
    // Opens with its design values; its OK opens the port and saves the keys.
    FrmSelComm dialog(m_core.serialPort(), m_core.settings(), m_core.link().vCommport,
                      m_core.dialogs(), this);
    dialog.exec();
}

void Form1::reportLinkProblem(const QString& text)
{
    if (m_tray->isAvailable())
        m_tray->showMessage(DesignCaption + profileMark(), text, TrayIcon::MessageIcon::Warning);
    else
        m_core.dialogs().notice(text);
}

void Form1::attachStationRecord(const QString& historyPath, AlarmAcknowledger& acknowledger)
{
    m_historyWindow = std::make_unique<HistoryWindow>(historyPath, m_core.clock());
    m_eventsWindow = std::make_unique<EventsWindow>(historyPath, acknowledger, m_core.clock());
    connect(&m_core, &MonitorCore::statusUpdated, m_historyWindow.get(),
            &HistoryWindow::liveDataArrived);
    connect(m_eventsWindow.get(), &EventsWindow::unacknowledgedCountChanged, m_menu,
            &TrayMenu::setEventsCount);
    m_menu->setEventsCount(m_eventsWindow->unacknowledgedCount());
}

void Form1::setOperatorLock(OperatorLock* lock)
{
    m_gate->setLock(lock);
    if (lock)
        connect(lock, &OperatorLock::settingsProblem, this, &Form1::notify, Qt::UniqueConnection);
}

void Form1::eventsStored()
{
    if (m_eventsWindow)
        m_eventsWindow->eventsChanged();
}

void Form1::notify(const QString& text)
{
    trace(text);
    reportLinkProblem(text);
}

void Form1::inform(const QString& text)
{
    trace(text);
    if (m_tray->isAvailable())
        m_tray->showMessage(DesignCaption + profileMark(), text,
                            TrayIcon::MessageIcon::Information);
    else
        m_core.dialogs().information(text);
}

void Form1::appendTrace(const QString& line)
{
    m_trace->appendPlainText(line);
}

void Form1::showRecord()
{
    showStatus(m_core.status(), *m_statusPanel);
    Q_EMIT panelUpdated();
}

void Form1::ShowPowerState(bool powerOn)
{
    m_tray->setIcon(powerOn ? m_imgAltPic : m_imgPic);
    m_statusPanel->setLed(1, powerOn);
}

void Form1::setShelf(Shelf* shelf)
{
    m_shelf = shelf;
    if (m_eventsWindow)
        m_eventsWindow->setShelf(shelf);
}

void Form1::RaiseOnAlarm()
{
    if (m_shelf) {
        // The panel's own four conditions, by the kinds they raise.
        const TransmitterStatus& s = m_core.status();
        const std::pair<bool, const QString*> showing[] = {
            {!s.FreqLock, &alarm::Unlocked},
            {!s.OnAir, &alarm::OffAir},
            {temperatureAlarm(s.TemperatureC), &alarm::OverTemperature},
            {reflectAlarm(s.ForwardW, s.ReflectW), &alarm::HighReflect}};
        bool anyFree = false;
        for (const auto& [on, kind] : showing)
            anyFree = anyFree || (on && !m_shelf->shelved(*kind));
        if (!anyFree)
            return;
    }
    if (windowState() & Qt::WindowMinimized)
        TrayRestore();
}

void Form1::raiseForAlarm(const QString& kind)
{
    if (m_shelf && m_shelf->shelved(kind))
        return;
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
    case TrayMenu::StationRecord:
        Q_EMIT stationRecordRequested();
        break;
    case TrayMenu::History:
    case TrayMenu::Events: {
        QWidget* window = index == TrayMenu::History ? static_cast<QWidget*>(m_historyWindow.get())
                                                     : m_eventsWindow.get();
        if (!window) {
            notify(QStringLiteral("No history is kept by this monitor."));
            break;
        }
        window->show();
        window->raise();
        window->activateWindow();
        break;
    }
    default:
        break;
    }
}

namespace {

// The keys the setup dialog saves, for the event log's before and after.
const QStringList setupKeys = {keys::CommON, keys::CommPort, keys::TCPON,    keys::IP,
                               keys::PORT,   keys::DDNSON,   keys::DDNS_URL, keys::DDNS_PORT};

QStringList readSetupKeys(const SettingsStore& store)
{
    QStringList values;
    for (const QString& key : setupKeys)
        values << store.read(keys::Section, key, QString());
    return values;
}

} // namespace

void Form1::runSetup()
{
    m_gate->run(QStringLiteral("Setup"), [this](const QString& user) { runSetupAs(user); });
}

void Form1::runSetupAs(const QString& user)
{
    m_core.timer1().stop();
    TrayRestore();
    const QStringList before = readSetupKeys(m_core.settings());
    {
        FrmSelComm dialog(m_core.serialPort(), m_core.settings(), m_core.link().vCommport,
                          m_core.dialogs(), this);
        dialog.fillFrom(m_core.link());
        dialog.exec();
    }
    const QStringList after = readSetupKeys(m_core.settings());
    QList<SettingChange> changes;
    for (qsizetype i = 0; i < setupKeys.size(); ++i) {
        if (before[i] != after[i])
            changes.append({setupKeys[i], before[i], after[i]});
    }
    if (!changes.isEmpty())
        Q_EMIT setupSaved(changes, user);
    // The reload may restart polling: not in the middle of an exchange.
    m_core.remoteLink().whenSocketFree(this, [this] {
        LoadSettings();
        m_core.timer1().start();
    });
}

void Form1::runFmSet()
{
    frmLogin login(m_core.dialogs(), this);
    connect(&login, &frmLogin::attempted, this, &Form1::loginAttempted);
    login.exec();
    // The client width that holds the set-parameter area and its border.
    if (login.LoginSucceeded)
        resize(twips(7095), height());
}

void Form1::Command2_Click()
{
    m_gate->run(QStringLiteral("Set Address"),
                [this](const QString& user) { programAddressAs(user); });
}

void Form1::programAddressAs(const QString& user)
{
    if (auto outcome = zel::Command2_Click(m_core.dialogs(), m_core.serialPort())) {
        outcome->user = user;
        Q_EMIT addressCommandEnded(*outcome);
    }
}

void Form1::Command4_Click()
{
    m_gate->run(QStringLiteral("SET"), [this](const QString& user) { sendSetAs(user); });
}

void Form1::sendSetAs(const QString& user)
{
    // One send at a time: SET stays disabled until this one has finished.
    if (m_core.setCommandUnderWay())
        return;
    m_command4->setEnabled(false);
    const SetParameterPanel& panel = *m_setPanel;
    SetParameterInput input;
    if (panel.optionOn()->isChecked() || panel.optionOff()->isChecked())
        input.carrierOn = panel.optionOn()->isChecked();
    input.frequency = panel.frequency()->text();
    input.forwardTarget = panel.forwardTarget()->text();
    input.reflectTarget = panel.reflectTarget()->text();
    input.tempProtection = panel.tempProtection()->text();
    m_core.sendSetCommand(input, panel.bytePause()->text(), SetOrigin{user, {}});
}

void Form1::exitNow()
{
    // Ends at once: no further frame, tick, panel update or log write.
    m_core.stop();
    QCoreApplication::exit(0);
}

void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Form_Resize: a minimised window leaves only its tray icon.
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || !m_tray->isAvailable())
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isMinimized()) {
                hide();
                m_tray->TrayShow();
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
