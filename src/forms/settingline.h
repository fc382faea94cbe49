#pragma once

#include "config/settingsdraft.h"

#include <QLineEdit>

#include <functional>

namespace zel {

// Marks what cannot be used: a pale red background and why, as the tip.
inline const QColor ProblemBackground(255, 205, 205);

// One setting as a line of text on a draft: empty takes the default, which
// shows as the greyed placeholder; a value that cannot be used is marked with
// why as it is typed.
class SettingLine : public QLineEdit {
    Q_OBJECT
public:
    // Why a text cannot be used; empty when it can.
    using Check = std::function<QString(const QString&)>;
    // As readLimitSettings takes a level and a time.
    static QString levelProblem(const QString& text);
    static QString secondsProblem(const QString& text);
    SettingLine(SettingsDraft& draft, QString section, QString key, const QString& defaultText,
                Check check, QWidget* parent = nullptr);

    // Why the value cannot be used, or a problem set from outside with mark()
    // (one that spans several lines); empty when it can.
    QString problem() const { return m_problem; }
    // The value's own check, then problem; an empty one clears the mark.
    void mark(const QString& problem = QString());

Q_SIGNALS:
    void changed();

private:
    void edited(const QString& text);

    SettingsDraft& m_draft;
    QString m_section;
    QString m_key;
    Check m_check;
    QString m_problem;
};

} // namespace zel
