#include "common/digitformat.h"
#include "common/lenientnumber.h"
#include "common/wholenumber.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstdlib>
#include <cstring>

using namespace zel;

class TestConventions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("unit typed after") << "98.5 MHz" << 98.5;
        QTest::newRow("blanks inside") << " 1 2\t3\n" << 123.0;
        QTest::newRow("sign then blank") << "- 5.5" << -5.5;
        QTest::newRow("no number") << "-----" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("exponent without digits") << "7e" << 7.0;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("octal") << "&o17" << 15.0;
        QTest::newRow("comma is not a decimal point") << "98,5" << 98.0;
        QTest::newRow("longer than a field") << QString(70, u' ') + "-12.5" << -12.5;
        QTest::newRow("more digits than a double holds")
            << "12345678901234567.5" << 12345678901234567.5;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QTEST(parseLeadingNumber(text), "expected");
    }

    // The shortcut for plain decimals must give the very double strtod gives.
    void leadingNumberRoundsAsStrtod()
    {
        QRandomGenerator random(20261207);
        for (int n = 0; n < 20000; ++n) {
            QByteArray text = random.bounded(2) ? "-" : "";
            const int digits = 1 + int(random.bounded(18));
            const int point = int(random.bounded(digits + 1));
            for (int d = 0; d < digits; ++d) {
                if (d == point)
                    text += '.';
                text += char('0' + random.bounded(10));
            }
            const double expected = std::strtod(text.constData(), nullptr);
            const double got = parseLeadingNumber(QString::fromLatin1(text));
            if (std::memcmp(&got, &expected, sizeof got) != 0)
                QFAIL(qPrintable(QStringLiteral("%1: %2, strtod %3")
                                     .arg(QLatin1String(text))
                                     .arg(got, 0, 'g', 17)
                                     .arg(expected, 0, 'g', 17)));
        }
    }

    // -1 and INT_MIN stand for an overflow.
    void wholeNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("byteResult");
        QTest::addColumn<int>("int16Result");
        QTest::newRow("half down to even") << 2.5 << 2 << 2;
        QTest::newRow("half up to even") << 3.5 << 4 << 4;
        QTest::newRow("negative half") << -2.5 << -1 << -2;
        QTest::newRow("byte top") << 255.4 << 255 << 255;
        QTest::newRow("byte overflow after rounding") << 255.5 << -1 << 256;
        QTest::newRow("int16 overflow") << 32767.5 << -1 << INT_MIN;
        QTest::newRow("infinite") << qInf() << -1 << INT_MIN;
    }
    void wholeNumbers()
    {
        QFETCH(double, value);
        const auto b = toByte(value);
        QTEST(b ? int(*b) : -1, "byteResult");
        const auto s = toInt16(value);
        QTEST(s ? int(*s) : INT_MIN, "int16Result");
    }

    void digitPatterns_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, double value, const char* pattern, const char* out) {
            QTest::newRow(name) << value << QString::fromLatin1(pattern)
                                << QString::fromLatin1(out);
        };
        row("id", 8001.0, "00000", "08001");
        row("id wider", 123456.0, "00000", "123456");
        row("two decimals", 8750 * 0.01, "0.00", "87.50");
        row("one decimal", 75 * 0.1, "0.0", "7.5");
        row("integer", 100.0, "0", "100");
        row("negative, half away from zero", -1.25, "0.0", "-1.3");
        row("rounds to zero, no sign", -0.01, "0.0", "0.0");
        row("overflowed reply field", -qInf(), "00000", "-inf");
    }
    void digitPatterns()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QTEST(formatDigits(value, pattern), "expected");
    }
};

QTEST_GUILESS_MAIN(TestConventions)
#include "tst_conventions.moc"
