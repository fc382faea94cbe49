#pragma once

#include <QString>
#include <QStringList>

#include <exception>
#include <string>

namespace zel {

// A run-time error as the error report shows it: number, description and
// the program that raised it.
class RuntimeError : public std::exception {
public:
    static constexpr int Overflow = 6;
    static constexpr int TypeMismatch = 13;

    RuntimeError(int number, QString description, QString source);
    // The runtime's own errors, raised by this program.
    static RuntimeError overflow();
    static RuntimeError typeMismatch();

    int number() const { return m_number; }
    const QString& description() const { return m_description; }
    const QString& source() const { return m_source; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    QString m_source;
    std::string m_what;
};

// The procedures active at this moment, outermost first, so that an error
// report can say where an error arose and how the program got there.
class CallChain {
public:
    // Appends label; returns its level (1 for the first entry).
    int CallChainAdd(const QString& label);
    // Removes the entries from the last one down to level; error 6 for a
    // level that is not in the chain.
    void CallChainRemove(int level);
    // The listing up to level, that entry marked as the current module; any
    // entries beyond it are listed and then removed. Error 6 as above.
    QString CallChainText(int level);

    int size() const { return int(m_labels.size()); }
    const QStringList& labels() const { return m_labels; }

private:
    void checkLevel(int level) const;

    QStringList m_labels;
};

// Keeps one procedure's entry for its lifetime. An entry whose procedure ends
// through an error stays, so the trapping handler can still list it.
class ChainEntry {
public:
    ChainEntry(CallChain& chain, const QString& label);
    ~ChainEntry();
    ChainEntry(const ChainEntry&) = delete;
    ChainEntry& operator=(const ChainEntry&) = delete;

    int level() const { return m_level; }

private:
    CallChain& m_chain;
    int m_level;
    int m_uncaught;
};

// The text up to its first NUL character.
QString fncTrimNulls(CallChain& chain, const QString& text);

// The report an error handler shows: number, description, source and the
// chain listing for the handler's level; it ends with an empty line.
QString errorReportText(const RuntimeError& error, const QString& callChainText);

} // namespace zel
