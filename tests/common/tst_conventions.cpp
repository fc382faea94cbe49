#include "common/digitformat.h"
#include "common/lenientnumber.h"
#include "common/wholenumber.h"

#include <QTest>

using namespace zel;

class TestConventions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "98.5" << 98.5;
        QTest::newRow("unit typed after") << "98.5 MHz" << 98.5;
        QTest::newRow("blanks inside") << " 1 2\t3\n" << 123.0;
        QTest::newRow("sign") << "-5" << -5.0;
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
        QTest::newRow("trailing text") << "300 abc" << 300.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(parseLeadingNumber(text), expected);
    }

    void wholeNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("byteResult");  // -1: overflow
        QTest::addColumn<int>("int16Result"); // INT_MIN: overflow
        QTest::newRow("half down to even") << 2.5 << 2 << 2;
        QTest::newRow("half up to even") << 3.5 << 4 << 4;
        QTest::newRow("negative half") << -2.5 << -1 << -2;
        QTest::newRow("byte top") << 255.4 << 255 << 255;
        QTest::newRow("byte overflow after rounding") << 255.5 << -1 << 256;
        QTest::newRow("int16 top") << 32767.0 << -1 << 32767;
        QTest::newRow("int16 overflow") << 32767.5 << -1 << INT_MIN;
        QTest::newRow("infinite") << qInf() << -1 << INT_MIN;
    }
    void wholeNumbers()
    {
        QFETCH(double, value);
        QFETCH(int, byteResult);
        QFETCH(int, int16Result);
        const auto b = toByte(value);
        QCOMPARE(b ? int(*b) : -1, byteResult);
        const auto s = toInt16(value);
        QCOMPARE(s ? int(*s) : INT_MIN, int16Result);
    }

    void digitPatterns_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        QTest::newRow("id") << 8001.0 << "00000"
                            << "08001";
        QTest::newRow("id wider") << 123456.0 << "00000"
                                  << "123456";
        QTest::newRow("two decimals") << 8750 * 0.01 << "0.00"
                                      << "87.50";
        QTest::newRow("one decimal") << 75 * 0.1 << "0.0"
                                     << "7.5";
        QTest::newRow("zero") << 0.0 << "0.0"
                              << "0.0";
        QTest::newRow("large") << 50000 * 0.1 << "0.0"
                               << "5000.0";
        QTest::newRow("integer") << 100.0 << "0"
                                 << "100";
        QTest::newRow("negative, half away from zero") << -1.25 << "0.0"
                                                       << "-1.3";
        QTest::newRow("rounds to zero, no sign") << -0.01 << "0.0"
                                                 << "0.0";
    }
    void digitPatterns()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(formatDigits(value, pattern), expected);
    }
};

QTEST_GUILESS_MAIN(TestConventions)
#include "tst_conventions.moc"
