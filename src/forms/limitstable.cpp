#include "limitstable.h"

#include "settingline.h"

#include <QAction>
#include <QHeaderView>
#include <QStyledItemDelegate>

namespace zel {
namespace {

constexpr int ProblemRole = Qt::UserRole + 1;
constexpr int OffRole = Qt::UserRole + 2;

// A cleared cell whose default is a limit reads "off", greyed, so it stands
// apart from one that never had a limit; its editor still starts empty.
class OffDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!index.data(OffRole).toBool())
            return;
        option->text = QStringLiteral("off");
        option->font.setItalic(true);
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::PlaceholderText));
    }
};

const char* const ColumnTitles[LimitsTable::ColumnCount] = {
    "low critical", "low warning", "high warning", "high critical",
    "hysteresis",   "qualify s",   "clear s"};

bool isLevel(int column)
{
    return column <= LimitsTable::HighCritical;
}

bool isSeconds(int column)
{
    return column >= LimitsTable::QualifySeconds;
}

} // namespace

LimitsTable::LimitsTable(SettingsDraft& draft, const AlarmSettings& alarms, QWidget* parent)
    : QTableWidget(ReadingCount, ColumnCount, parent), m_draft(draft), m_alarms(alarms)
{
    setObjectName(QStringLiteral("limitsTable"));
    QStringList titles;
    for (const char* title : ColumnTitles)
        titles << QString::fromLatin1(title);
    setHorizontalHeaderLabels(titles);
    setVerticalHeaderLabels(readingNames());
    setItemDelegate(new OffDelegate(this));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int row = 0; row < ReadingCount; ++row) {
        for (int column = 0; column < ColumnCount; ++column)
            setItem(row, column, new QTableWidgetItem);
        showRow(row);
    }
    auto* restore = new QAction(QStringLiteral("&Default"), this);
    restore->setObjectName(QStringLiteral("restoreDefault"));
    addAction(restore);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(restore, &QAction::triggered, this, &LimitsTable::restoreDefaults);
    connect(this, &QTableWidget::itemChanged, this, &LimitsTable::edited);
}

QString LimitsTable::keyOf(Reading reading, int column)
{
    const QString field = isLevel(column)            ? limitKeyName(LimitKey(column))
                          : column == Hysteresis     ? keys::Hysteresis
                          : column == QualifySeconds ? keys::LimitQualifySeconds
                                                     : keys::LimitClearSeconds;
    return readingName(reading) + u'.' + field;
}

QString LimitsTable::defaultText(Reading reading, int column) const
{
    if (isLevel(column))
        return defaultLimitText(reading, LimitKey(column));
    if (column == QualifySeconds)
        return QString::number(m_alarms.qualifySeconds);
    if (column == ClearSeconds)
        return QString::number(m_alarms.clearSeconds);
    return QString();
}

QString LimitsTable::problemAt(int row, int column) const
{
    return item(row, column)->data(ProblemRole).toString();
}

bool LimitsTable::valid() const
{
    for (int row = 0; row < ReadingCount; ++row) {
        for (int column = 0; column < ColumnCount; ++column) {
            if (!problemAt(row, column).isEmpty())
                return false;
        }
    }
    return true;
}

// Each cell from the draft, judged on the text readLimitSettings would read.
void LimitsTable::showRow(int row)
{
    const Reading reading = Reading(row);
    const bool relative = takesRelative(reading);
    ReadingLimits levels;
    QString problems[ColumnCount];
    QString texts[ColumnCount];
    m_showing = true;
    for (int column = 0; column < ColumnCount; ++column) {
        const QString key = keyOf(reading, column);
        const QString fallback = defaultText(reading, column);
        const bool stored = m_draft.contains(keys::LimitsSection, key);
        texts[column] = m_draft.read(keys::LimitsSection, key, fallback).trimmed();
        QTableWidgetItem* cell = item(row, column);
        cell->setText(texts[column]);
        // A default is shown greyed, so a typed value stands out from it.
        QFont font = cell->font();
        font.setItalic(!stored);
        cell->setFont(font);
        cell->setForeground(stored ? palette().text() : palette().placeholderText());
        // Only a level is turned off by an empty value; an empty time is the
        // [Alarms] time.
        const bool off =
            isLevel(column) && stored && texts[column].isEmpty() && !fallback.isEmpty();
        cell->setData(OffRole, off);
        if (off)
            cell->setToolTip(QStringLiteral("Off; the default is %1").arg(fallback));
        else if (!stored && isSeconds(column))
            cell->setToolTip(QStringLiteral("Default: the [Alarms] time"));
        else if (!stored && !fallback.isEmpty())
            cell->setToolTip(QStringLiteral("Default; clear it to turn it off"));
        else
            cell->setToolTip(QString());
        if (texts[column].isEmpty())
            continue;
        if (isSeconds(column)) {
            problems[column] = SettingLine::secondsProblem(texts[column]);
            continue;
        }
        const LimitValue value = parseThreshold(texts[column], relative, column == Hysteresis);
        problems[column] = value.problem;
        if (isLevel(column))
            levels.levels[std::size_t(column)] = value.threshold;
    }
    for (const auto& [low, high] : levelsOutOfOrder(levels)) {
        for (const int column : {low, high}) {
            if (problems[column].isEmpty())
                problems[column] = QStringLiteral("is out of order: %1").arg(LevelOrder);
        }
    }
    for (int column = 0; column < ColumnCount; ++column) {
        QTableWidgetItem* cell = item(row, column);
        cell->setData(ProblemRole, problems[column]);
        cell->setBackground(problems[column].isEmpty() ? QBrush() : QBrush(ProblemBackground));
        if (!problems[column].isEmpty())
            cell->setToolTip(QStringLiteral("\"%1\" %2").arg(texts[column], problems[column]));
    }
    m_showing = false;
}

void LimitsTable::edited(QTableWidgetItem* cell)
{
    if (m_showing)
        return;
    const Reading reading = Reading(cell->row());
    const QString key = keyOf(reading, cell->column());
    const QString text = cell->text().trimmed();
    // Empty is written only where it turns a default limit off; elsewhere it
    // means what a missing key means, and the key goes.
    if (text.isEmpty() &&
        (!isLevel(cell->column()) || defaultText(reading, cell->column()).isEmpty()))
        m_draft.remove(keys::LimitsSection, key);
    else
        m_draft.write(keys::LimitsSection, key, text);
    showRow(cell->row());
    Q_EMIT changed();
}

void LimitsTable::restoreDefaults()
{
    QSet<int> rows;
    for (const QTableWidgetItem* cell : selectedItems()) {
        m_draft.remove(keys::LimitsSection, keyOf(Reading(cell->row()), cell->column()));
        rows.insert(cell->row());
    }
    for (const int row : rows)
        showRow(row);
    Q_EMIT changed();
}

} // namespace zel
