#include "lenientnumber.h"

#include <QByteArray>
#include <QString>

#include <cmath>
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
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isIgnored(c))
            s.append(c);

    qsizetype i = 0;
    const qsizetype n = s.size();

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

    std::string number;
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        number.push_back(char(s[i++].toLatin1()));
    bool anyDigit = false;
    while (i < n && isDigit(s[i])) {
        number.push_back(char(s[i++].toLatin1()));
        anyDigit = true;
    }
    if (i < n && s[i] == u'.') {
        number.push_back('.');
        ++i;
        while (i < n && isDigit(s[i])) {
            number.push_back(char(s[i++].toLatin1()));
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    // An exponent counts only when at least one digit follows it.
    if (i < n && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < n && (s[j] == u'+' || s[j] == u'-'))
            exponent.push_back(char(s[j++].toLatin1()));
        bool expDigit = false;
        while (j < n && isDigit(s[j])) {
            exponent.push_back(char(s[j++].toLatin1()));
            expDigit = true;
        }
        if (expDigit)
            number += exponent;
    }
    return std::strtod(number.c_str(), nullptr);
}

double parseLeadingNumber(const QByteArray& bytes)
{
    return parseLeadingNumber(QString::fromLatin1(bytes));
}

} // namespace zel
