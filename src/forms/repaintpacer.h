#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <vector>

namespace zel {

class DigitBox;

// Gathers the text changes of a group of boxes so that the group reaches the
// screen at most once per interval. A line at its full rate brings a reading
// every 12.5 ms, but an eye reads a panel meter at a few changes a second,
// and drawing each reading was most of the cost of a shown window. The
// changes of one record are shown together; the first after a quiet interval
// at once, in the same pass of the event loop, so a single change shows
// without delay; changes that follow within the interval are shown together
// when it ends, with the newest values. Between turns a box only keeps its
// newest text.
class RepaintPacer : public QObject {
    Q_OBJECT
public:
    explicit RepaintPacer(int intervalMs = 200, QObject* parent = nullptr);

    // Asks for box's new text to be shown at the next turn.
    void request(DigitBox* box);

private:
    void showPending();

    int m_intervalMs;
    QElapsedTimer m_sinceShown;
    QTimer m_tick;
    std::vector<QPointer<DigitBox>> m_pending;
};

} // namespace zel
