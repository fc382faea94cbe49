// The lenient number parse. The input is read both as bytes (one character
// each, as replies travel) and as UTF-16 text (as typed into a field), and the
// parse is checked against what its promise implies:
// - blanks, tabs and line feeds count nowhere, so inserting one changes nothing;
// - only a leading part counts, so anything after a character that can never
//   continue a number changes nothing;
// - a text that is wholly a plain decimal number reads as strtod reads it, and
//   "&H" with a few hex digits as their value;
// - a minus sign in front of a number negates it.

#include "fuzzcheck.h"

#include "common/lenientnumber.h"

#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace zel;

namespace {

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

QString withoutBlanks(QString text)
{
    text.remove(u' ');
    text.remove(u'\t');
    text.remove(u'\n');
    return text;
}

void checkText(const QString& text, std::uint8_t knob)
{
    const double value = parseLeadingNumber(text);
    FUZZ_CHECK(!std::isnan(value));

    const qsizetype at = text.isEmpty() ? 0 : knob % (text.size() + 1);
    static const char16_t blanks[] = {u' ', u'\t', u'\n'};
    QString spaced = text;
    spaced.insert(at, QChar(blanks[knob % 3]));
    FUZZ_CHECK(same(parseLeadingNumber(spaced), value));

    // 'x' is no digit, sign, point, exponent letter or hex digit.
    QString cut = text.left(at);
    FUZZ_CHECK(same(parseLeadingNumber(cut + u'x' + text.mid(at)), parseLeadingNumber(cut)));

    const QString bare = withoutBlanks(text);
    static const QRegularExpression decimal(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eEdD][+-]?[0-9]+)?$"));
    if (decimal.match(bare).hasMatch()) {
        QByteArray c = bare.toLatin1();
        c.replace('d', 'e').replace('D', 'e');
        FUZZ_CHECK(same(value, std::strtod(c.constData(), nullptr)));
    }
    static const QRegularExpression hex(QStringLiteral("^&[hH][0-9a-fA-F]{1,12}$"));
    if (hex.match(bare).hasMatch())
        FUZZ_CHECK(value == double(std::strtoull(bare.mid(2).toLatin1().constData(), nullptr, 16)));

    if (!bare.isEmpty() && (bare.at(0).isDigit() || bare.at(0) == u'.') &&
        bare.at(0).unicode() < 128)
        FUZZ_CHECK(same(parseLeadingNumber(u'-' + text), -value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t knob = data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    FUZZ_CHECK(!std::isnan(parseLeadingNumber(bytes)));
    checkText(QString::fromLatin1(bytes), knob);

    QString utf16(qsizetype(bytes.size() / 2), Qt::Uninitialized);
    std::memcpy(utf16.data(), bytes.constData(), std::size_t(utf16.size()) * 2);
    checkText(utf16, knob);
    return 0;
}
