#include "passwordprompt.h"

#include "passwordhash.h"

#include <sodium.h>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#include <iterator>
#include <termios.h>
#include <unistd.h>
#endif

namespace zel {

namespace {

#ifdef Q_OS_UNIX

// The terminal as it was, for the signal handler to put back.
struct termios savedTerminal;
volatile sig_atomic_t echoOff = 0;
constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void restoreAndRaise(int signal)
{
    if (echoOff)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Echo off for as long as it lives, and back on however the program ends.
class NoEcho {
public:
    NoEcho()
    {
        if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0)
            return;
        struct sigaction action {};
        action.sa_handler = restoreAndRaise;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < std::size(EndingSignals); ++i)
            ::sigaction(EndingSignals[i], &action, &m_previous[i]);
        struct termios quiet = savedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        echoOff = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~NoEcho()
    {
        if (echoOff)
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        echoOff = 0;
        for (size_t i = 0; i < std::size(EndingSignals); ++i)
            ::sigaction(EndingSignals[i], &m_previous[i], nullptr);
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

private:
    struct sigaction m_previous[std::size(EndingSignals)]{};
};

// One line of standard input without its end; false when longer than
// MaxPasswordBytes. Read a byte at a time so nothing past the line is taken
// and no stdio buffer keeps a copy.
bool readLine(QByteArray* line)
{
    char buffer[MaxPasswordBytes + 1];
    int length = 0;
    char c = 0;
    bool tooLong = false;
    while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
        if (length < MaxPasswordBytes + 1)
            buffer[length++] = c;
        else
            tooLong = true;
    }
    if (length > MaxPasswordBytes)
        tooLong = true;
    if (!tooLong) {
        if (length > 0 && buffer[length - 1] == '\r')
            --length;
        *line = QByteArray(buffer, length);
    }
    sodium_memzero(buffer, sizeof buffer);
    c = 0;
    return !tooLong;
}

#endif

// Characters, not bytes: UTF-8 continuation bytes do not count.
int characters(const QByteArray& text)
{
    int count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

NewPassword refused(QByteArray& password, const QString& error)
{
    wipeSecret(password);
    return {{}, error};
}

} // namespace

void wipeSecret(QByteArray& secret)
{
    if (!secret.isEmpty() && sodiumReady())
        sodium_memzero(secret.data(), size_t(secret.size()));
    secret.clear();
}

NewPassword readNewPassword(const QString& name)
{
#ifndef Q_OS_UNIX
    // The terminal's echo is switched off the Unix way only.
    Q_UNUSED(name);
    QByteArray none;
    return refused(none, QStringLiteral("passwords are read on Unix systems only"));
#else
    sodiumReady();
    QByteArray password;
    const QString tooLong =
        QStringLiteral("the password is longer than %1 bytes").arg(MaxPasswordBytes);
    if (::isatty(STDIN_FILENO)) {
        QByteArray again;
        {
            const NoEcho noEcho;
            std::fprintf(stderr, "Password for %s: ", qUtf8Printable(name));
            std::fflush(stderr);
            const bool first = readLine(&password);
            std::fputs("\nAgain: ", stderr);
            std::fflush(stderr);
            const bool second = first && readLine(&again);
            std::fputs("\n", stderr);
            if (!first || !second) {
                wipeSecret(again);
                return refused(password, tooLong);
            }
        }
        const bool same =
            password.size() == again.size() &&
            sodium_memcmp(password.constData(), again.constData(), size_t(password.size())) == 0;
        wipeSecret(again);
        if (!same)
            return refused(password, QStringLiteral("the two passwords differ"));
    } else if (!readLine(&password)) {
        return refused(password, tooLong);
    }
    if (password.isEmpty())
        return refused(password, QStringLiteral("the password is empty"));
    if (characters(password) < MinPasswordCharacters)
        return refused(password, QStringLiteral("the password is shorter than %1 characters")
                                     .arg(MinPasswordCharacters));
    return {password, {}};
#endif
}

} // namespace zel
