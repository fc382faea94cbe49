#include "lenientnumber.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace zel {
namespace {

bool isIgnored(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

double parseRadix(const std::string& digits, int radix)
{
    double value = 0;
    for (char c : digits) {
        int d = 0;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        value = value * radix + d;
    }
    return value;
}

} // namespace

double parseLeadingNumber(QStringView text)
{
    // Gather the characters that count, then take the longest numeric prefix.
    // Fields are a few characters long and come many times a second, so a
    // short one is gathered on the stack.
    constexpr qsizetype ShortText = 64;
    std::array<QChar, ShortText> onStack{};
    QString onHeap;
    QChar* s = onStack.data();
    if (text.size() > ShortText) {
        onHeap.resize(text.size());
        s = onHeap.data();
    }
    qsizetype n = 0;
    for (QChar c : text)
        if (!isIgnored(c))
            s[n++] = c;

    qsizetype i = 0;
    if (n >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        std::string digits;
        if (kind == u'H') {
            for (i = 2; i < n; ++i) {
                const QChar c = s[i];
                if (!(isDigit(c) || (c.toUpper() >= u'A' && c.toUpper() <= u'F')))
                    break;
                digits.push_back(char(c.toLatin1()));
            }
            return parseRadix(digits, 16);
        }
        if (kind == u'O') {
            for (i = 2; i < n && s[i] >= u'0' && s[i] <= u'7'; ++i)
                digits.push_back(char(s[i].toLatin1()));
            return parseRadix(digits, 8);
        }
        return 0;
    }

    const qsizetype begin = i;
    const bool negative = i < n && s[i] == u'-';
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    // Up to 15 digits make a whole number a double holds exactly, and 10 to a
    // power up to 22 is exact too: one division then rounds as strtod does.
    std::uint64_t mantissa = 0;
    int digitCount = 0;
    int decimals = 0;
    bool point = false;
    for (; i < n; ++i) {
        if (s[i] == u'.' && !point) {
            point = true;
            continue;
        }
        if (!isDigit(s[i]))
            break;
        mantissa = mantissa * 10 + std::uint64_t(s[i].unicode() - u'0');
        ++digitCount;
        decimals += point ? 1 : 0;
    }
    if (digitCount == 0)
        return 0;
    // An exponent counts only when at least one digit follows it.
    const qsizetype mantissaEnd = i;
    qsizetype exponentEnd = i;
    if (i < n && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        const qsizetype firstDigit = j;
        while (j < n && isDigit(s[j]))
            ++j;
        if (j > firstDigit)
            exponentEnd = j;
    }
    if (exponentEnd == mantissaEnd && digitCount <= 15 && decimals <= 22) {
        static constexpr std::array<double, 23> powers = {
            1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        const double value = double(mantissa) / powers[std::size_t(decimals)];
        return negative ? -value : value;
    }
    // The rest (exponents, long digit strings) as strtod reads it, with the
    // exponent's letter as strtod spells it.
    std::string number;
    for (qsizetype k = begin; k < exponentEnd; ++k)
        number.push_back(k == mantissaEnd ? 'e' : char(s[k].toLatin1()));
    return std::strtod(number.c_str(), nullptr);
}

double parseLeadingNumber(const QByteArray& bytes)
{
    return parseLeadingNumber(QString::fromLatin1(bytes));
}

} // namespace zel
