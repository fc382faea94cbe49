#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <utility>
#include <vector>

namespace zel {

class RepaintPacer;

// A widget whose text changes reach the screen on a pacer's turns.
class PacedWidget : public QWidget {
public:
    using QWidget::QWidget;

    // Widgets of one panel that change together reach the screen together.
    void setRepaintPacer(RepaintPacer* pacer) { m_pacer = pacer; }
    // Brings the widget up to its newest text and repaints what changed.
    virtual void showText() = 0;

protected:
    // The text changed: it is shown at the pacer's next turn (at once without
    // a pacer), which takes the newest text; a widget in a hidden window
    // changes with every frame but shows none, and takes it when next painted.
    void textChanged();
    // Whether a change waits to be shown; the caller shows it.
    bool takeTextChange() { return std::exchange(m_textChanged, false); }

private:
    RepaintPacer* m_pacer = nullptr;
    bool m_textChanged = false;
};

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
    void request(PacedWidget* box);

private:
    void showPending();

    int m_intervalMs;
    QElapsedTimer m_sinceShown;
    QTimer m_tick;
    std::vector<QPointer<PacedWidget>> m_pending;
};

} // namespace zel
