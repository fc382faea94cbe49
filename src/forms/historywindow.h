#pragma once

#include "history/historytrend.h"
#include "shell/clock.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <memory>

class QButtonGroup;
class QLabel;

namespace zel {

class TrendLoader;
class TrendView;

struct HistoryWindowOptions {
    // Refresh while the latest data is shown: about one pixel column's time,
    // but no faster and no slower than these.
    int fastestRefreshMs = 2000;
    int slowestRefreshMs = 300000;
};

// The station record as traces over time. Reads through its own read-only
// connection on a thread of its own, so the window never waits for the
// database; a database that is missing or unreadable is said in the window
// and tried again. Follows live data while it shows the latest range.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    enum class Range { Hour, Day, Week, Month, Year };
    static qint64 seconds(Range range);

    HistoryWindow(QString databasePath, const Clock& clock, HistoryWindowOptions options = {},
                  QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // The latest span of range, following live data.
    void showRange(Range range);
    // [fromS, toS) with the span kept between a minute and two years; a
    // range that reaches now follows live data.
    void setView(qint64 fromS, qint64 toS);
    bool isLive() const { return m_live; }
    int refreshIntervalMs() const;
    TrendView* trendView() const { return m_view; }
    QString statusText() const;

    // The shown range as CSV, or the traces as a picture; the status line
    // says what was written or why not.
    bool exportCsv(const QString& path);
    bool exportPng(const QString& path);

public Q_SLOTS:
    // New data was recorded: shown soon when the latest range is in view.
    void liveDataArrived();
    void reload();

Q_SIGNALS:
    // The answer to the latest request is in the view (data or a message).
    void trendShown();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void loaded(const TrendData& data);
    void followLatest();
    void showStatus(const QString& text);
    void chooseCsv();
    void choosePng();
    void markRangeButton();

    QString m_path;
    const Clock& m_clock;
    HistoryWindowOptions m_options;
    TrendView* m_view;
    QLabel* m_status;
    QButtonGroup* m_ranges;
    QThread m_thread;
    TrendLoader* m_loader;
    std::shared_ptr<std::atomic<quint64>> m_latest;
    quint64 m_generation = 0;
    QTimer m_refresh;
    QTimer m_resized;
    QElapsedTimer m_sinceRequest;
    qint64 m_spanS = 3600;
    bool m_live = true;
};

} // namespace zel
