#include "deferreddialogs.h"

#include <QMetaObject>

namespace zel {

DeferredDialogs::DeferredDialogs(OperatorDialogs& target, QObject* parent)
    : QObject(parent), m_target(target)
{
}

void DeferredDialogs::message(const QString& text, const QString& title, Icon icon)
{
    QMetaObject::invokeMethod(
        this, [this, text, title, icon] { m_target.message(text, title, icon); },
        Qt::QueuedConnection);
}

void DeferredDialogs::messageThen(const QString& text, std::function<void()> closed)
{
    QMetaObject::invokeMethod(
        this, [this, text, closed = std::move(closed)] { m_target.messageThen(text, closed); },
        Qt::QueuedConnection);
}

QString DeferredDialogs::inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText)
{
    return m_target.inputBox(prompt, title, defaultText);
}

void DeferredDialogs::notice(const QString& text)
{
    m_target.notice(text);
}

void DeferredDialogs::information(const QString& text)
{
    m_target.information(text);
}

} // namespace zel
