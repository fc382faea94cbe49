#include "stationrecorddialog.h"

#include "alarms/limitsettings.h"
#include "alertspage.h"
#include "limitstable.h"
#include "replaypanel.h"
#include "settingline.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zel {

StationRecordDialog::StationRecordDialog(SettingsStore& store, const AlertComposer* composer,
                                         const QString& historyPath, const Clock& clock,
                                         QWidget* parent)
    : QDialog(parent), m_store(store), m_draft(store), m_alarms(readAlarmSettings(store))
{
    setObjectName(QStringLiteral("frmStationRecord"));
    setWindowTitle(QStringLiteral("Station record settings"));
    m_pages = new QTabWidget(this);
    m_pages->addTab(limitsPage(historyPath, clock), QStringLiteral("&Limits"));
    m_pages->addTab(silencePage(), QStringLiteral("S&ilence"));
    m_alerts = new AlertsPage(store, composer, 30000, this);
    // A check box for every alarm kind makes the page taller than a small
    // screen.
    auto* alertsScroll = new QScrollArea(this);
    alertsScroll->setWidget(m_alerts);
    alertsScroll->setWidgetResizable(true);
    alertsScroll->setFrameShape(QFrame::NoFrame);
    m_pages->addTab(alertsScroll, QStringLiteral("&Alerts"));
    m_pages->addTab(shelvingPage(), QStringLiteral("S&helving"));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &StationRecordDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &StationRecordDialog::reject);
    for (SettingLine* line : std::as_const(m_lines))
        connect(line, &SettingLine::changed, this, &StationRecordDialog::judge);
    connect(m_limits, &LimitsTable::changed, this, &StationRecordDialog::judge);
    judge();
    // Room for the table's seven columns without a scroll bar.
    resize(900, 700);
}

StationRecordDialog::~StationRecordDialog() = default;

QWidget* StationRecordDialog::limitsPage(const QString& historyPath, const Clock& clock)
{
    auto* page = new QWidget(this);
    auto* form = new QFormLayout;
    SettingLine* minForward = addLevel(keys::MinForwardW, LimitSettings().minForwardW);
    form->addRow(QStringLiteral("Mi&nimum forward power for ratios (W)"), minForward);
    auto* hint = new QLabel(
        QStringLiteral("Empty: no limit. Greyed: the default. A value ending in % is of the "
                       "forward target (forward_w) or of the forward power (reflected_w)."),
        page);
    hint->setWordWrap(true);
    m_limits = new LimitsTable(m_draft, m_alarms, page);
    auto* restore = new QPushButton(QStringLiteral("Restore &default"), page);
    restore->setObjectName(QStringLiteral("restoreDefaults"));
    restore->setToolTip(QStringLiteral("The selected cells take their defaults again"));
    connect(restore, &QPushButton::clicked, m_limits, &LimitsTable::restoreDefaults);
    // What is tried is what would be read once saved.
    ReplayPanel::Source source{
        historyPath, [this] { return readLimitSettings(m_draft, readAlarmSettings(m_draft)); },
        [this] { return savedForwardTarget(m_draft); }};
    m_replay = new ReplayPanel(std::move(source), clock, page);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(m_limits, 3);
    layout->addWidget(restore, 0, Qt::AlignLeft);
    layout->addWidget(m_replay, 2);
    return page;
}

QWidget* StationRecordDialog::silencePage()
{
    const SilenceSettings defaults;
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    m_silenceLevel = addLevel(keys::SilenceLevel, defaults.level);
    form->addRow(QStringLiteral("Silent &under (audio level)"), m_silenceLevel);
    form->addRow(QStringLiteral("Silent &for (s)"),
                 addSeconds(keys::SilenceSeconds, defaults.seconds));
    m_silenceClear = addLevel(keys::SilenceClearLevel, defaults.clearLevel);
    form->addRow(QStringLiteral("Programme &back from (audio level)"), m_silenceClear);
    form->addRow(QStringLiteral("Programme bac&k for (s)"),
                 addSeconds(keys::SilenceClearSeconds, defaults.clearSeconds));
    return page;
}

QWidget* StationRecordDialog::shelvingPage()
{
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    m_shelve = new QSpinBox(page);
    m_shelve->setObjectName(keys::MaxShelveHours);
    m_shelve->setRange(1, LongestShelveHours);
    m_shelve->setSuffix(QStringLiteral(" h"));
    bool ok = false;
    const int hours = m_draft.read(keys::AlarmsSection, keys::MaxShelveHours, QString()).toInt(&ok);
    m_shelve->setValue(
        ok && hours >= 1 && hours <= LongestShelveHours ? hours : AlarmSettings{}.maxShelveHours);
    form->addRow(QStringLiteral("&Maximum shelving"), m_shelve);
    auto* hint = new QLabel(
        QStringLiteral("The longest an alarm may be shelved for maintenance, in whole hours."),
        page);
    hint->setWordWrap(true);
    form->addRow(hint);
    connect(m_shelve, &QSpinBox::valueChanged, this, [this](int value) {
        m_draft.write(keys::AlarmsSection, keys::MaxShelveHours, QString::number(value));
    });
    return page;
}

SettingLine* StationRecordDialog::addLevel(const QString& key, double fallback)
{
    auto* line = new SettingLine(m_draft, keys::LimitsSection, key, QString::number(fallback),
                                 &SettingLine::levelProblem, this);
    m_lines << line;
    return line;
}

SettingLine* StationRecordDialog::addSeconds(const QString& key, int fallback)
{
    auto* line = new SettingLine(m_draft, keys::LimitsSection, key, QString::number(fallback),
                                 &SettingLine::secondsProblem, this);
    m_lines << line;
    return line;
}

void StationRecordDialog::judge()
{
    // A clear level under the silence level would let a channel be silent and
    // carry programme at once.
    const auto levelOf = [](const SettingLine* line) {
        return parseLevel(line->text()).value_or(line->placeholderText().toDouble());
    };
    m_silenceClear->mark(levelOf(m_silenceClear) < levelOf(m_silenceLevel)
                             ? QStringLiteral("is below %1").arg(keys::SilenceLevel)
                             : QString());
    const bool ok = canSave();
    m_buttons->button(QDialogButtonBox::Save)->setEnabled(ok);
    m_replay->setAllowed(ok);
}

bool StationRecordDialog::canSave() const
{
    for (const SettingLine* line : m_lines) {
        if (!line->problem().isEmpty())
            return false;
    }
    return m_limits->valid();
}

void StationRecordDialog::accept()
{
    if (!canSave())
        return;
    // The alerts are the part that can fail (the password file); nothing is
    // written before they are.
    if (!m_alerts->save()) {
        m_pages->setCurrentIndex(Alerts);
        return;
    }
    m_draft.commit();
    Q_EMIT saved();
    QDialog::accept();
}

} // namespace zel
