#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace zel {

// Gathers the repaints of a group of widgets so that the group reaches the
// screen at most once per interval. A line at its full rate brings a reading
// every 12.5 ms; a reading replaced within 100 ms is not one an eye can read,
// and painting each one was most of the cost of a shown window. The first
// change after a quiet interval is painted at once, so a single change shows
// without delay; changes that follow within the interval are painted together
// when it ends, with the newest values.
class RepaintPacer : public QObject {
    Q_OBJECT
public:
    explicit RepaintPacer(int intervalMs = 100, QObject* parent = nullptr);

    // Asks for area of widget to be painted again, now or at the next tick.
    void request(QWidget* widget, const QRect& area);

private:
    void paintPending();

    struct Pending {
        QPointer<QWidget> widget;
        QRect area;
    };
    int m_intervalMs;
    QElapsedTimer m_sincePaint;
    QTimer m_tick;
    std::vector<Pending> m_pending;
};

} // namespace zel
