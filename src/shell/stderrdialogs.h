#pragma once

#include "operatordialogs.h"

namespace zel {

// The operator's dialogs where there is no operator at a screen (the headless
// monitor): every message becomes one line on standard error, and questions
// are answered with nothing.
class StderrDialogs final : public OperatorDialogs {
public:
    void message(const QString& text, const QString& title, Icon icon) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    void notice(const QString& text) override;

    // A message's text on one line: its line breaks become " / ".
    static QString oneLine(const QString& text);
};

} // namespace zel
