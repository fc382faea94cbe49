#pragma once

#include <QString>

#include <functional>

namespace zel {

// Everything the monitor asks of or tells the operator in a dialog. Modal
// calls return when the operator has answered.
class OperatorDialogs {
public:
    enum class Icon { None, Critical };

    virtual ~OperatorDialogs() = default;
    // A modal message with an OK button; an empty title means the program's.
    virtual void message(const QString& text, const QString& title = QString(),
                         Icon icon = Icon::None) = 0;
    // A message as above; closed() runs once the operator has closed it. A
    // modal message is closed when message() returns.
    virtual void messageThen(const QString& text, std::function<void()> closed)
    {
        message(text);
        closed();
    }
    // A modal input box; empty when cancelled.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultText = QString()) = 0;
    // A notice that does not wait for the operator: a warning.
    virtual void notice(const QString& text) = 0;
    // The same for news that is no trouble (a set command confirmed); where
    // there is no icon to tell them apart, a notice like any other.
    virtual void information(const QString& text) { notice(text); }
};

} // namespace zel
