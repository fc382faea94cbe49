#include "replaypanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zel {
namespace {

QString shownTime(const QDateTime& t)
{
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                       : QStringLiteral("-");
}

QString shownDuration(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
        .arg(seconds % 60, 2, 10, QChar(u'0'));
}

} // namespace

ReplayPanel::ReplayPanel(Source source, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_source(std::move(source)), m_clock(clock)
{
    m_try = new QPushButton(QStringLiteral("T&ry on the last %1 days").arg(Days), this);
    m_try->setObjectName(QStringLiteral("tryLimits"));
    m_try->setToolTip(QStringLiteral("What these limits would have raised, without saving them"));
    m_stop = new QPushButton(QStringLiteral("St&op"), this);
    m_stop->setObjectName(QStringLiteral("stopReplay"));
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_counts = new QTableWidget(0, 6, this);
    m_counts->setObjectName(QStringLiteral("replayCounts"));
    m_counts->setHorizontalHeaderLabels({QStringLiteral("event"), QStringLiteral("severity"),
                                         QStringLiteral("raised"), QStringLiteral("raised for"),
                                         QStringLiteral("first raised"),
                                         QStringLiteral("last cleared")});
    m_counts->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_counts->horizontalHeader()->setStretchLastSection(true);
    m_counts->verticalHeader()->hide();
    m_counts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_firstRaises = new QListWidget(this);
    m_firstRaises->setObjectName(QStringLiteral("firstRaises"));

    auto* row = new QHBoxLayout;
    row->addWidget(m_try);
    row->addWidget(m_progress, 1);
    row->addWidget(m_stop);
    row->addStretch();
    auto* results = new QHBoxLayout;
    results->addWidget(m_counts, 3);
    results->addWidget(m_firstRaises, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(m_status);
    layout->addLayout(results);

    connect(m_try, &QPushButton::clicked, this, &ReplayPanel::tryLimits);
    connect(m_stop, &QPushButton::clicked, this, [this] { m_runner.stop(); });
    connect(&m_runner, &ReplayRunner::progress, m_progress, &QProgressBar::setValue);
    connect(&m_runner, &ReplayRunner::finished, this, [this](const history::ReplayResult& r) {
        running(false);
        showResult(r);
    });
    connect(&m_runner, &ReplayRunner::failed, this, [this](const QString& why) {
        running(false);
        m_status->setText(QStringLiteral("The replay did not finish: %1").arg(why));
    });
    running(false);
}

void ReplayPanel::setAllowed(bool allowed)
{
    m_allowed = allowed;
    m_try->setEnabled(m_allowed && !m_runner.busy());
}

void ReplayPanel::running(bool on)
{
    m_try->setEnabled(m_allowed && !on);
    m_stop->setEnabled(on);
    m_progress->setVisible(on);
    m_stop->setVisible(on);
}

void ReplayPanel::tryLimits()
{
    if (m_runner.busy() || !m_allowed)
        return;
    const qint64 toMs = m_clock.now().toMSecsSinceEpoch();
    const qint64 fromMs = toMs - qint64(Days) * 24 * 3600 * 1000;
    m_progress->setValue(0);
    m_status->setText(QStringLiteral("Replaying the last %1 days...").arg(Days));
    running(true);
    m_runner.start(m_source.historyPath, m_source.limits(), m_source.forwardTarget(), fromMs, toMs);
}

void ReplayPanel::showResult(const history::ReplayResult& r)
{
    m_status->setText(
        r.counts.isEmpty()
            ? QStringLiteral("Nothing would have been raised in %1 of record.")
                  .arg(shownDuration(r.secondsReplayed))
            : QStringLiteral("What these limits would have raised in %1 of record (not saved):")
                  .arg(shownDuration(r.secondsReplayed)));
    m_counts->setRowCount(int(r.counts.size()));
    for (int i = 0; i < r.counts.size(); ++i) {
        const history::ReplayCount& c = r.counts[i];
        const QStringList cells{c.event,
                                c.severity,
                                QString::number(c.raisedCount),
                                shownDuration(c.raisedSeconds),
                                shownTime(c.firstRaised),
                                shownTime(c.lastCleared)};
        for (int column = 0; column < cells.size(); ++column)
            m_counts->setItem(i, column, new QTableWidgetItem(cells[column]));
    }
    m_firstRaises->clear();
    for (const EventRecord& e : r.firstRaises) {
        m_firstRaises->addItem(QStringLiteral("%1  %2 %3 %4")
                                   .arg(shownTime(e.time), e.event, e.severity, e.value)
                                   .trimmed());
    }
}

} // namespace zel
