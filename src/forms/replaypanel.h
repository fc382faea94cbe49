#pragma once

#include "replayrunner.h"
#include "shell/clock.h"

#include <QWidget>

#include <functional>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace zel {

// "Try on the last 30 days": the limits as typed, run over the recorded
// history without saving them, with what they would have raised as a small
// table and the first raises. The replay runs off this thread; Stop ends it.
class ReplayPanel : public QWidget {
    Q_OBJECT
public:
    struct Source {
        QString historyPath;
        // The limits and forward target as they would be read once saved.
        std::function<LimitSettings()> limits;
        std::function<std::optional<double>()> forwardTarget;
    };
    static constexpr int Days = 30;

    ReplayPanel(Source source, const Clock& clock, QWidget* parent = nullptr);

    QPushButton* tryButton() const { return m_try; }
    QTableWidget* counts() const { return m_counts; }
    QLabel* status() const { return m_status; }
    // Trying is offered only while every value typed can be used.
    void setAllowed(bool allowed);

public Q_SLOTS:
    void tryLimits();

private:
    void running(bool on);
    void showResult(const history::ReplayResult& result);

    Source m_source;
    const Clock& m_clock;
    ReplayRunner m_runner;
    bool m_allowed = true;
    QPushButton* m_try;
    QPushButton* m_stop;
    QProgressBar* m_progress;
    QLabel* m_status;
    QTableWidget* m_counts;
    QListWidget* m_firstRaises;
};

} // namespace zel
