#include "eventswindow.h"

#include "alarmacknowledger.h"
#include "history/historytrend.h"
#include "historyexport.h"
#include "shelfcontrols.h"

#include "history/historycsv.h"
#include "history/historyreader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

namespace zel {

EventsWindow::EventsWindow(QString databasePath, AlarmAcknowledger& acknowledger,
                           const Clock& clock, EventsWindowOptions options, QWidget* parent)
    : QWidget(parent, Qt::Window), m_path(std::move(databasePath)), m_acknowledger(acknowledger),
      m_clock(clock), m_options(options), m_model(new EventsModel(this)),
      m_table(new QTableView(this)), m_kind(new QComboBox(this)), m_period(new QComboBox(this)),
      m_unacknowledgedOnly(new QCheckBox(QStringLiteral("&Unacknowledged only"), this)),
      m_activeOnly(new QCheckBox(QStringLiteral("Ac&tive only"), this)),
      m_acknowledge(new QPushButton(QStringLiteral("&Acknowledge"), this)),
      m_shelving(new ShelfControls(this)), m_status(new QLabel(this))
{
    setWindowTitle(QStringLiteral("ZEL FM Events"));
    m_kind->addItem(QStringLiteral("All events"), QString());
    m_kind->addItem(QStringLiteral("All alarms"), EventFilter::AllAlarms);
    for (const QString& kind : alarmKinds())
        m_kind->addItem(QStringLiteral("%1 (%2)").arg(alarmTitle(kind), kind), kind);
    for (const QString& kind : occurrenceKinds())
        m_kind->addItem(kind, kind);
    const std::pair<QString, qint64> periods[] = {{QStringLiteral("Last 24 hours"), 1},
                                                  {QStringLiteral("Last 7 days"), 7},
                                                  {QStringLiteral("Last 30 days"), 30},
                                                  {QStringLiteral("Last year"), 366},
                                                  {QStringLiteral("Everything"), 0}};
    for (const auto& [caption, days] : periods)
        m_period->addItem(caption, days);
    m_period->setCurrentIndex(2);

    auto* bar = new QHBoxLayout;
    auto* kindLabel = new QLabel(QStringLiteral("&Show:"), this);
    kindLabel->setBuddy(m_kind);
    bar->addWidget(kindLabel);
    bar->addWidget(m_kind);
    bar->addWidget(m_period);
    bar->addWidget(m_unacknowledgedOnly);
    m_activeOnly->setToolTip(
        QStringLiteral("Alarms raised now or cleared and waiting for an acknowledgement"));
    bar->addWidget(m_activeOnly);
    bar->addStretch(1);
    bar->addWidget(m_acknowledge);
    bar->addWidget(m_shelving->shelveButton());
    bar->addWidget(m_shelving->unshelveButton());
    auto* exportButton = new QPushButton(QStringLiteral("Export CSV…"), this);
    exportButton->setToolTip(QStringLiteral("The shown rows as zel-fm-history events writes them"));
    bar->addWidget(exportButton);

    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    const int digit = fontMetrics().horizontalAdvance(u'0');
    const int widths[EventsModel::ColumnCount] = {7, 23, 17, 11, 27, 24, 40, 10};
    for (int c = 0; c < EventsModel::ColumnCount; ++c)
        m_table->setColumnWidth(c, widths[c] * digit);
    m_table->horizontalHeader()->setSectionResizeMode(EventsModel::Detail, QHeaderView::Stretch);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_table, 1);
    // Below the table: the kinds shelved can make a long line.
    layout->addWidget(m_shelving->shelvedLabel());
    layout->addWidget(m_status);

    connect(m_kind, &QComboBox::currentIndexChanged, this, &EventsWindow::filterChosen);
    connect(m_period, &QComboBox::currentIndexChanged, this, &EventsWindow::refresh);
    // Unacknowledged and active alarms are read from all time, not just the period.
    for (QCheckBox* box : {m_unacknowledgedOnly, m_activeOnly}) {
        connect(box, &QCheckBox::toggled, this, [this] {
            filterChosen();
            refresh();
        });
    }
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &EventsWindow::selectionChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &EventsWindow::selectionChanged);
    connect(m_acknowledge, &QPushButton::clicked, this, &EventsWindow::acknowledgeSelected);
    connect(exportButton, &QPushButton::clicked, this, &EventsWindow::chooseCsv);
    connect(m_shelving->shelveButton(), &QPushButton::clicked, this, &EventsWindow::chooseShelf);
    connect(m_shelving, &ShelfControls::refused, m_status, &QLabel::setText);
    connect(&m_acknowledger, &AlarmAcknowledger::acknowledged, this,
            [this](qint64 id) { answered(id, QString()); });
    connect(&m_acknowledger, &AlarmAcknowledger::refused, this, &EventsWindow::answered);
    m_refresh.setInterval(m_options.refreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &EventsWindow::refresh);

    resize(1000, 560);
    selectionChanged();
    eventsChanged();
}

EventsWindow::~EventsWindow() = default;

QString EventsWindow::statusText() const
{
    return m_status->text();
}

bool EventsWindow::ensureReader()
{
    if (m_reader)
        return true;
    auto reader = std::make_unique<history::HistoryReader>(m_path);
    if (!reader->open()) {
        m_status->setText(
            QStringLiteral("The event log cannot be shown: %1").arg(reader->lastError()));
        return false;
    }
    m_reader = std::move(reader);
    return true;
}

void EventsWindow::eventsChanged()
{
    if (isVisible()) {
        refresh();
        return;
    }
    if (!ensureReader())
        return;
    if (const auto count = m_reader->unacknowledgedCount())
        updateCount(*count);
    else
        m_reader.reset();
}

void EventsWindow::updateCount(int count)
{
    if (count == m_unacknowledgedCount)
        return;
    m_unacknowledgedCount = count;
    Q_EMIT unacknowledgedCountChanged(count);
}

void EventsWindow::refresh()
{
    if (!ensureReader()) {
        m_shown = {};
        m_model->setEvents({}, {});
        return;
    }
    const auto current = m_reader->activeAlarms();
    std::optional<QList<EventRecord>> rows;
    if (current && allTime()) {
        rows.emplace();
        for (const AlarmStatus& a : *current)
            *rows << a.alarm;
    } else if (current) {
        const qint64 days = m_period->currentData().toLongLong();
        const qint64 fromMs =
            days > 0 ? m_clock.now().toMSecsSinceEpoch() - days * 86400 * 1000 : 0;
        rows = m_reader->events(fromMs, std::numeric_limits<qint64>::max());
    }
    if (!rows) {
        m_status->setText(
            QStringLiteral("Cannot read the event log: %1").arg(m_reader->lastError()));
        m_reader.reset();
        return;
    }
    AlarmStates active;
    int waiting = 0;
    int raised = 0;
    for (const AlarmStatus& a : *current) {
        active.insert(a.alarm.id, a.state);
        waiting += waitsForAcknowledgement(a.state) ? 1 : 0;
        raised += isRaised(a.state) ? 1 : 0;
    }
    updateCount(waiting);
    const qsizetype total = rows->size();
    if (total > m_options.maxRows)
        rows->remove(0, total - m_options.maxRows);
    const QString note = total > m_options.maxRows
                             ? QStringLiteral("Showing the newest %1 of %2 events. ")
                                   .arg(m_options.maxRows)
                                   .arg(total)
                             : QString();

    // The log only grows, so the same count and newest id mean the same rows;
    // then the table is left alone and keeps its scroll position.
    const Shown shown{allTime(), rows->size(), rows->isEmpty() ? 0 : rows->last().id, active};
    if (shown != m_shown) {
        m_shown = shown;
        showRows(*std::move(rows), active);
    }
    const QString alarms = m_unacknowledgedCount == 1
                               ? QStringLiteral("1 alarm")
                               : QStringLiteral("%1 alarms").arg(m_unacknowledgedCount);
    m_status->setText(note +
                      QStringLiteral("%1 shown; %2 raised now; %3 waiting for an acknowledgement.")
                          .arg(m_model->rowCount())
                          .arg(raised)
                          .arg(alarms));
}

bool EventsWindow::allTime() const
{
    return m_unacknowledgedOnly->isChecked() || m_activeOnly->isChecked();
}

void EventsWindow::showRows(QList<EventRecord> rows, const AlarmStates& active)
{
    QList<qint64> selected;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        selected << m_model->eventAt(index.row()).id;
    for (auto it = m_pending.begin(); it != m_pending.end();)
        it = waitsForAcknowledgement(active.value(*it, AlarmState::Normal)) ? std::next(it)
                                                                            : m_pending.erase(it);
    m_model->setPending(m_pending);
    m_model->setEvents(std::move(rows), active);
    QItemSelection reselect;
    for (qint64 id : selected) {
        const int row = m_model->rowOf(id);
        if (row >= 0)
            reselect.select(m_model->index(row, 0),
                            m_model->index(row, EventsModel::ColumnCount - 1));
    }
    m_table->selectionModel()->select(reselect, QItemSelectionModel::Select);
}

void EventsWindow::setFilter(const EventFilter& filter)
{
    const int kind = m_kind->findData(filter.kind);
    m_kind->setCurrentIndex(std::max(0, kind));
    m_unacknowledgedOnly->setChecked(filter.unacknowledgedOnly);
    m_activeOnly->setChecked(filter.activeOnly);
    filterChosen();
    refresh();
}

void EventsWindow::filterChosen()
{
    m_period->setEnabled(!allTime());
    m_model->setFilter({m_kind->currentData().toString(), m_unacknowledgedOnly->isChecked(),
                        m_activeOnly->isChecked()});
}

void EventsWindow::selectionChanged()
{
    int count = 0;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        count += m_model->isAcknowledgeable(index.row()) ? 1 : 0;
    m_acknowledge->setEnabled(count > 0);
    m_acknowledge->setText(count > 1 ? QStringLiteral("&Acknowledge %1").arg(count)
                                     : QStringLiteral("&Acknowledge"));
}

void EventsWindow::acknowledgeSelected()
{
    QList<qint64> ids;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) {
        if (m_model->isAcknowledgeable(index.row()))
            ids << m_model->eventAt(index.row()).id;
    }
    for (qint64 id : ids)
        m_pending.insert(id);
    m_model->setPending(m_pending);
    selectionChanged();
    for (qint64 id : ids)
        m_acknowledger.acknowledge(id);
}

void EventsWindow::answered(qint64 alarmId, const QString& refusal)
{
    m_pending.remove(alarmId);
    m_model->setPending(m_pending);
    refresh();
    if (!refusal.isEmpty())
        m_status->setText(
            QStringLiteral("Alarm %1 was not acknowledged: %2").arg(alarmId).arg(refusal));
}

bool EventsWindow::exportCsv(const QString& path)
{
    QString text = history::eventsHeader() + u'\n';
    const QList<EventRecord> rows = m_model->shownOldestFirst();
    for (const EventRecord& e : rows)
        text += history::eventRow(e) + u'\n';
    QString error;
    if (!writeTextFile(path, text, &error)) {
        m_status->setText(
            QStringLiteral("Could not export %1: %2").arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    m_status->setText(QStringLiteral("Saved %1 events to %2")
                          .arg(rows.size())
                          .arg(QDir::toNativeSeparators(path)));
    return true;
}

void EventsWindow::chooseCsv()
{
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(QStringLiteral("zel-events.csv"));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), suggested,
                                                      QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty())
        exportCsv(path);
}

void EventsWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
    m_refresh.start();
}

void EventsWindow::hideEvent(QHideEvent* event)
{
    m_refresh.stop();
    QWidget::hideEvent(event);
}

void EventsWindow::setShelf(Shelf* shelf)
{
    m_shelving->setShelf(shelf);
}

void EventsWindow::chooseShelf()
{
    QString kind;
    if (const QModelIndexList rows = m_table->selectionModel()->selectedRows(); !rows.isEmpty())
        kind = m_model->eventAt(rows.first().row()).event;
    m_shelving->choose(alarm::all().contains(kind) ? kind : QString());
}

void EventsWindow::unshelve()
{
    m_shelving->unshelve();
}

} // namespace zel
