#include "historywindow.h"

#include "historyexport.h"
#include "trendloader.h"
#include "trendview.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

namespace zel {
namespace {

constexpr qint64 kShortestSpanS = 60;
constexpr qint64 kLongestSpanS = 2 * 366 * 86400;

const QString kHint = QStringLiteral(
    "Drag across the traces to zoom in, wheel to zoom, Shift+drag or arrow keys to move, "
    "End for the latest.");

QString fileStamp(qint64 s)
{
    return QDateTime::fromSecsSinceEpoch(s).toString(QStringLiteral("yyyyMMdd-HHmm"));
}

} // namespace

qint64 HistoryWindow::seconds(Range range)
{
    switch (range) {
    case Range::Hour:
        return 3600;
    case Range::Day:
        return 86400;
    case Range::Week:
        return 7 * 86400;
    case Range::Month:
        return 30 * 86400;
    case Range::Year:
        break;
    }
    return 365 * 86400;
}

HistoryWindow::HistoryWindow(QString databasePath, const Clock& clock, HistoryWindowOptions options,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), m_path(std::move(databasePath)), m_clock(clock),
      m_options(options), m_view(new TrendView(this)), m_status(new QLabel(kHint, this)),
      m_ranges(new QButtonGroup(this)), m_latest(std::make_shared<std::atomic<quint64>>(0))
{
    setWindowTitle(QStringLiteral("ZEL FM History"));
    auto* bar = new QHBoxLayout;
    const std::pair<Range, QString> ranges[] = {{Range::Hour, QStringLiteral("1 hour")},
                                                {Range::Day, QStringLiteral("24 hours")},
                                                {Range::Week, QStringLiteral("7 days")},
                                                {Range::Month, QStringLiteral("30 days")},
                                                {Range::Year, QStringLiteral("1 year")}};
    for (const auto& [range, caption] : ranges) {
        auto* button = new QToolButton(this);
        button->setText(caption);
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        m_ranges->addButton(button, int(range));
        bar->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, range] { showRange(range); });
    }
    bar->addSpacing(16);
    const auto addButton = [&](const QString& caption, const QString& tip, auto slot) {
        auto* button = new QPushButton(caption, this);
        button->setToolTip(tip);
        button->setAutoDefault(false);
        bar->addWidget(button);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    addButton(QStringLiteral("◀"), QStringLiteral("Earlier (Left arrow)"), [this] {
        const qint64 shift = (m_view->toS() - m_view->fromS()) / 4;
        setView(m_view->fromS() - shift, m_view->toS() - shift);
    });
    addButton(QStringLiteral("▶"), QStringLiteral("Later (Right arrow)"), [this] {
        const qint64 shift = (m_view->toS() - m_view->fromS()) / 4;
        setView(m_view->fromS() + shift, m_view->toS() + shift);
    });
    addButton(QStringLiteral("Latest"), QStringLiteral("Follow the latest data (End)"),
              [this] { followLatest(); });
    bar->addStretch(1);
    addButton(QStringLiteral("Export CSV…"),
              QStringLiteral("The shown range as CSV, as zel-fm-history samples writes it"),
              [this] { chooseCsv(); });
    addButton(QStringLiteral("Export PNG…"), QStringLiteral("The traces as a picture"),
              [this] { choosePng(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    connect(m_view, &TrendView::rangeRequested, this, &HistoryWindow::setView);
    connect(m_view, &TrendView::latestRequested, this, &HistoryWindow::followLatest);

    m_loader = new TrendLoader(m_path, m_latest);
    m_loader->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_loader, &QObject::deleteLater);
    connect(m_loader, &TrendLoader::loaded, this, &HistoryWindow::loaded);
    m_thread.setObjectName(QStringLiteral("history-trend"));
    m_thread.start();

    m_refresh.setSingleShot(true);
    // Live: the range moves on; otherwise a failed read is tried again.
    connect(&m_refresh, &QTimer::timeout, this, [this] { m_live ? followLatest() : reload(); });
    m_resized.setSingleShot(true);
    m_resized.setInterval(50);
    connect(&m_resized, &QTimer::timeout, this, &HistoryWindow::reload);
    resize(1040, 760);
    showRange(Range::Day);
}

HistoryWindow::~HistoryWindow()
{
    m_latest->store(std::numeric_limits<quint64>::max());
    m_thread.quit();
    m_thread.wait();
}

void HistoryWindow::showRange(Range range)
{
    m_spanS = seconds(range);
    followLatest();
}

void HistoryWindow::followLatest()
{
    const qint64 now = m_clock.now().toSecsSinceEpoch() + 1;
    setView(now - m_spanS, now);
}

void HistoryWindow::setView(qint64 fromS, qint64 toS)
{
    const qint64 now = m_clock.now().toSecsSinceEpoch() + 1;
    m_spanS = std::clamp(toS - fromS, kShortestSpanS, kLongestSpanS);
    const qint64 middle = fromS + (toS - fromS) / 2;
    toS = std::min(now, middle + m_spanS / 2 + m_spanS % 2);
    m_live = toS >= now;
    m_view->setRange(toS - m_spanS, toS);
    markRangeButton();
    reload();
}

void HistoryWindow::markRangeButton()
{
    QAbstractButton* match = nullptr;
    for (Range r : {Range::Hour, Range::Day, Range::Week, Range::Month, Range::Year}) {
        if (m_live && seconds(r) == m_spanS)
            match = m_ranges->button(int(r));
    }
    if (match) {
        match->setChecked(true);
    } else if (QAbstractButton* checked = m_ranges->checkedButton()) {
        m_ranges->setExclusive(false);
        checked->setChecked(false);
        m_ranges->setExclusive(true);
    }
}

int HistoryWindow::refreshIntervalMs() const
{
    const qint64 span = m_view->toS() - m_view->fromS();
    const qint64 column = bucketSeconds(m_view->fromS(), m_view->toS(),
                                        trendColumns(span, m_view->geometryNow().columns()));
    return int(
        std::clamp<qint64>(column * 500, m_options.fastestRefreshMs, m_options.slowestRefreshMs));
}

void HistoryWindow::reload()
{
    // A hidden window reads nothing; showing it reads afresh.
    if (!isVisible())
        return;
    TrendRequest request;
    request.fromS = m_view->fromS();
    request.toS = m_view->toS();
    request.columns = trendColumns(request.toS - request.fromS, m_view->geometryNow().columns());
    request.generation = ++m_generation;
    m_latest->store(request.generation);
    m_sinceRequest.start();
    QMetaObject::invokeMethod(m_loader, [loader = m_loader, request] { loader->load(request); });
    m_refresh.stop();
}

void HistoryWindow::loaded(const TrendData& data)
{
    if (data.request.generation != m_generation)
        return;
    if (data.error.isEmpty()) {
        m_view->setMessage(QString());
        m_view->setData(data);
    } else {
        m_view->setMessage(QStringLiteral("The station history cannot be shown.\n\n%1\n\n"
                                          "The monitor creates it when it records its first "
                                          "data; this window tries again every few seconds.")
                               .arg(data.error));
    }
    // Retries on a missing database even when an old range is shown.
    if (isVisible() && (m_live || !data.error.isEmpty()))
        m_refresh.start(data.error.isEmpty() ? refreshIntervalMs() : m_options.fastestRefreshMs);
    Q_EMIT trendShown();
}

void HistoryWindow::liveDataArrived()
{
    if (isVisible() && m_live && m_sinceRequest.isValid() &&
        m_sinceRequest.elapsed() >= refreshIntervalMs())
        followLatest();
}

QString HistoryWindow::statusText() const
{
    return m_status->text();
}

void HistoryWindow::showStatus(const QString& text)
{
    m_status->setText(text);
}

bool HistoryWindow::exportCsv(const QString& path)
{
    history::HistoryReader reader(m_path);
    QString error;
    bool ok = reader.open();
    std::optional<SamplesCsv> csv;
    if (ok)
        csv = samplesCsv(reader, m_view->fromS(), m_view->toS());
    ok = ok && csv && writeTextFile(path, csv->text, &error);
    if (!ok) {
        showStatus(
            QStringLiteral("Could not export %1: %2")
                .arg(QDir::toNativeSeparators(path), error.isEmpty() ? reader.lastError() : error));
        return false;
    }
    showStatus(QStringLiteral("Saved %1 rows at %2 to %3")
                   .arg(csv->rows)
                   .arg(stepName(csv->step), QDir::toNativeSeparators(path)));
    return true;
}

bool HistoryWindow::exportPng(const QString& path)
{
    if (!m_view->grab().save(path, "PNG")) {
        showStatus(
            QStringLiteral("Could not save the picture to %1").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    showStatus(QStringLiteral("Saved the picture to %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void HistoryWindow::chooseCsv()
{
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(QStringLiteral("zel-history-%1-%2.csv")
                          .arg(fileStamp(m_view->fromS()), fileStamp(m_view->toS())));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), suggested,
                                                      QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty())
        exportCsv(path);
}

void HistoryWindow::choosePng()
{
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
            .filePath(QStringLiteral("zel-history-%1.png").arg(fileStamp(m_view->toS())));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export PNG"), suggested,
                                                      QStringLiteral("PNG (*.png)"));
    if (!path.isEmpty())
        exportPng(path);
}

void HistoryWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_live)
        followLatest();
    else
        reload();
}

void HistoryWindow::hideEvent(QHideEvent* event)
{
    m_refresh.stop();
    QWidget::hideEvent(event);
}

void HistoryWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_resized.start();
}

} // namespace zel
