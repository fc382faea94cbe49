#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zel {

// "Shelve…" in the events window: which kinds (every kind, or the selected
// row's), for how long and why, in one small dialog. The time is checked as
// typed against the longest shelf.
class ShelveDialog : public QDialog {
    Q_OBJECT
public:
    // kind: the selected row's alarm kind; empty offers every kind alone.
    ShelveDialog(const QString& kind, int maxHours, QWidget* parent = nullptr);

    // Empty: every kind.
    QStringList kinds() const;
    qint64 durationMs() const;
    QString reason() const;

    QComboBox* duration() const { return m_duration; }
    QLineEdit* reasonEdit() const { return m_reason; }
    QPushButton* shelveButton() const { return m_shelve; }
    QRadioButton* onlyButton() const { return m_only; }

private:
    void check();

    QString m_kind;
    int m_maxHours;
    QRadioButton* m_all;
    QRadioButton* m_only;
    QComboBox* m_duration;
    QLineEdit* m_reason;
    QLabel* m_problem;
    QPushButton* m_shelve;
};

} // namespace zel
