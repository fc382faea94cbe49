#include "stderrdialogs.h"

#include <QRegularExpression>

#include <cstdio>

namespace zel {

namespace {

void writeLine(const QString& line)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(line));
    std::fflush(stderr);
}

} // namespace

QString StderrDialogs::oneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return text.trimmed().replace(breaks, QStringLiteral(" / "));
}

void StderrDialogs::message(const QString& text, const QString& title, Icon)
{
    writeLine(title.isEmpty() ? oneLine(text)
                              : oneLine(title) + QStringLiteral(": ") + oneLine(text));
}

QString StderrDialogs::inputBox(const QString& prompt, const QString&, const QString&)
{
    writeLine(QStringLiteral("No operator to answer: %1").arg(oneLine(prompt)));
    return QString();
}

void StderrDialogs::notice(const QString& text)
{
    writeLine(oneLine(text));
}

} // namespace zel
