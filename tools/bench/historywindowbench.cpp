// History window drawing time: the window opened offscreen on a database
// (fill one with zel-fm-history-gen) and each range drawn afresh, from the
// request for its trend to the end of the paint. Prints the median of RUNS
// for each range, and the query and paint parts of it.
//
//   zel-bench-history-window DATABASE [RUNS]     (default 7 runs)
//   zel-bench-history-window DATABASE --show     both windows on screen, for a look

#include "forms/alarmacknowledger.h"
#include "forms/eventswindow.h"
#include "forms/historywindow.h"
#include "forms/trendview.h"
#include "history/historystore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zel;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Acknowledges straight into the database, as the command line does; good
// enough for a look at the window.
class DirectAcknowledger final : public AlarmAcknowledger {
public:
    explicit DirectAcknowledger(QString path) : m_path(std::move(path)) {}
    void acknowledge(qint64 alarmId) override
    {
        history::HistoryStore store(m_path);
        history::StoreError e = store.open();
        if (!e)
            e = store.acknowledge(alarmId, qEnvironmentVariable("USER"),
                                  QDateTime::currentDateTimeUtc(), nullptr);
        if (e)
            Q_EMIT refused(alarmId, e.message);
        else
            Q_EMIT acknowledged(alarmId);
    }

private:
    QString m_path;
};

int show(const QString& path)
{
    SystemClock clock;
    HistoryWindow history(path, clock);
    DirectAcknowledger acknowledger(path);
    EventsWindow events(path, acknowledger, clock);
    history.show();
    events.show();
    events.move(history.x() + 40, history.y() + 40);
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: zel-bench-history-window DATABASE [RUNS | --show]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (argc > 2 && QByteArray(argv[2]) == "--show")
        return show(path);
    const int runs = std::clamp(argc > 2 ? std::atoi(argv[2]) : 7, 1, 100);

    const std::pair<HistoryWindow::Range, const char*> ranges[] = {
        {HistoryWindow::Range::Day, "24h"},
        {HistoryWindow::Range::Month, "30d"},
        {HistoryWindow::Range::Year, "1y"}};
    SystemClock clock;
    HistoryWindow window(path, clock);
    QSignalSpy shown(&window, &HistoryWindow::trendShown);
    window.show();
    TrendView* view = window.trendView();
    // The window as it opens, and as wide as a full-HD screen.
    for (const QSize size : {QSize(1040, 760), QSize(1920, 1080)}) {
        window.resize(size);
        shown.clear();
        if (!shown.wait(10000))
            return 1;
        if (!view->message().isEmpty()) {
            std::fprintf(stderr, "zel-bench-history-window: %s\n", qPrintable(view->message()));
            return 1;
        }
        const char* suffix = size.width() > 1500 ? "_wide" : "";
        std::printf("columns%s %d\n", suffix, view->geometryNow().columns());
        for (const auto& [range, name] : ranges) {
            std::vector<double> total;
            std::vector<double> query;
            std::vector<double> paint;
            for (int i = 0; i < runs; ++i) {
                shown.clear();
                QElapsedTimer clockTotal;
                clockTotal.start();
                window.showRange(range);
                if (!shown.wait(10000))
                    return 1;
                const double queried = clockTotal.nsecsElapsed() / 1e6;
                view->repaint();
                const double drawn = clockTotal.nsecsElapsed() / 1e6;
                query.push_back(queried);
                paint.push_back(drawn - queried);
                total.push_back(drawn);
            }
            std::printf("history_%s%s_ms %.1f\nhistory_%s%s_query_ms %.1f\n"
                        "history_%s%s_paint_ms %.1f\n",
                        name, suffix, median(total), name, suffix, median(query), name, suffix,
                        median(paint));
        }
    }
    return 0;
}
