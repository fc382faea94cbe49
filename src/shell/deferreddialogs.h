#pragma once

#include "operatordialogs.h"

#include <QObject>

namespace zel {

// Operator messages shown from the event loop once the step that raised them
// has returned, in the order raised: a modal box then never holds an exchange
// in the middle of a step, and the timers of other exchanges keep going
// while it is open. Messages still queued when this object goes are dropped.
class DeferredDialogs final : public QObject, public OperatorDialogs {
    Q_OBJECT
public:
    explicit DeferredDialogs(OperatorDialogs& target, QObject* parent = nullptr);

    void message(const QString& text, const QString& title = QString(),
                 Icon icon = Icon::None) override;
    void messageThen(const QString& text, std::function<void()> closed) override;
    // An answer is needed at once: asked directly.
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText = QString()) override;
    // Does not wait for the operator: shown directly.
    void notice(const QString& text) override;
    void information(const QString& text) override;

private:
    OperatorDialogs& m_target;
};

} // namespace zel
