#include "callchain.h"

#include <QCoreApplication>

namespace zel {

namespace {
const QString crlf = QStringLiteral("\r\n");
}

RuntimeError::RuntimeError(int number, QString description, QString source)
    : m_number(number), m_description(std::move(description)), m_source(std::move(source)),
      m_what(QStringLiteral("Error %1: %2").arg(number).arg(m_description).toStdString())
{
}

RuntimeError RuntimeError::overflow()
{
    return {Overflow, QStringLiteral("Overflow"), QCoreApplication::applicationName()};
}

RuntimeError RuntimeError::typeMismatch()
{
    return {TypeMismatch, QStringLiteral("Type mismatch"), QCoreApplication::applicationName()};
}

int CallChain::CallChainAdd(const QString& label)
{
    m_labels.append(label);
    return int(m_labels.size());
}

void CallChain::checkLevel(int level) const
{
    if (level > m_labels.size() || level < 1)
        throw RuntimeError::overflow();
}

void CallChain::CallChainRemove(int level)
{
    checkLevel(level);
    m_labels.resize(level - 1);
}

QString CallChain::CallChainText(int level)
{
    checkLevel(level);
    QString text;
    for (int i = 1; i <= m_labels.size(); ++i) {
        text += QString::number(i) + QStringLiteral(").") + m_labels[i - 1];
        if (i == level)
            text += QStringLiteral("   <=== Current Module ");
        text += crlf;
    }
    if (level < m_labels.size())
        CallChainRemove(level + 1);
    return text;
}

ChainEntry::ChainEntry(CallChain& chain, const QString& label)
    : m_chain(chain), m_level(chain.CallChainAdd(label)), m_uncaught(std::uncaught_exceptions())
{
}

ChainEntry::~ChainEntry()
{
    if (std::uncaught_exceptions() > m_uncaught)
        return;
    // The handler that trapped an error may have shortened the chain already.
    if (m_level <= m_chain.size())
        m_chain.CallChainRemove(m_level);
}

QString fncTrimNulls(CallChain& chain, const QString& text)
{
    const ChainEntry entry(chain, QStringLiteral("modUser-fncTrimNulls"));
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString errorReportText(const RuntimeError& error, const QString& callChainText)
{
    return QStringLiteral("Error ") + QString::number(error.number()) + crlf +
           QStringLiteral(" Description: ") + error.description() + crlf +
           QStringLiteral(" Source: ") + error.source() + crlf + QStringLiteral(" CallChain: ") +
           callChainText + crlf;
}

} // namespace zel
