// The import sums whole numbers up directly instead of converting their text.
// These tests hold the fields' values to the conversion of the text, bit for
// bit (the sign of zero included), and the blocks of a whole import to them.
#include "talvik/dataview/csvFormat.h"

#include <QString>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

// The value of a field through the text conversion alone.
double convertedValue(const QString &field, bool *digits)
{
    QString number;
    bool seenDigit = false, seenPoint = false;
    for (const QChar c : field) {
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')
            continue;
        if (number.isEmpty() && (c == u'+' || c == u'-')) {
            number += c;
            continue;
        }
        if (c >= u'0' && c <= u'9') {
            number += c;
            seenDigit = true;
            continue;
        }
        if (c == u'.' && !seenPoint) {
            number += c;
            seenPoint = true;
            continue;
        }
        break;
    }
    *digits = seenDigit;
    if (!seenDigit)
        return 0;
    if (number.endsWith(u'.'))
        number.chop(1);
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(CsvImportEquality, FieldValuesAreTheConvertedTextsBitForBit)
{
    const QString fixed[] = {QStringLiteral("0"), QStringLiteral("-0"), QStringLiteral("+0"), QStringLiteral("-"),
                             QStringLiteral("0007"), QStringLiteral("-0012"), QStringLiteral("999999999999999"),
                             QStringLiteral("-999999999999999"), QStringLiteral("1000000000000000"),
                             QStringLiteral("-9999999999999999"), QStringLiteral("12345678901234567890"),
                             QStringLiteral(" 2 0 1 9\t0101 "), QStringLiteral("20190101x"), QStringLiteral("1.5"),
                             QStringLiteral("7."), QStringLiteral("-.5"), QStringLiteral("+12"), QStringLiteral("--1"),
                             QStringLiteral("1-2"), QStringLiteral(""), QStringLiteral("  ")};
    for (const QString &f : fixed) {
        bool d1 = false, d2 = false;
        const double v = talvik::csvNumericValue(f, &d1);
        const double ref = convertedValue(f, &d2);
        EXPECT_TRUE(sameBits(v, ref)) << f.toStdString() << ": " << v << " vs " << ref;
        EXPECT_EQ(d1, d2) << f.toStdString();
    }
    // The text conversion keeps the sign of a negative zero.
    EXPECT_TRUE(std::signbit(talvik::csvNumericValue(QStringLiteral("-0"))));
    EXPECT_TRUE(std::signbit(talvik::csvNumericValue(QStringLiteral(" - 000 "))));
    // Random fields over the characters that matter, up to 20 long.
    std::mt19937 rng(5);
    const QString alphabet = QStringLiteral("0123456789012345678901234567890123456789 \t+-.x");
    for (int n = 0; n < 200000; ++n) {
        QString f;
        const int len = int(rng() % 21);
        for (int i = 0; i < len; ++i)
            f += alphabet[int(rng() % alphabet.size())];
        bool d1 = false, d2 = false;
        const double v = talvik::csvNumericValue(f, &d1);
        const double ref = convertedValue(f, &d2);
        ASSERT_TRUE(sameBits(v, ref)) << f.toStdString() << ": " << v << " vs " << ref;
        ASSERT_EQ(d1, d2) << f.toStdString();
    }
}

TEST(CsvImportEquality, LinesGiveTheBlocksOfTheConvertedValues)
{
    // Dates of six and eight digits, signs, zeros, too many digits, negative
    // values: each line's block (or refusal) as the converted values give it.
    const char *dates[] = {"20190101", "190101", "-190101", "0", "020190101", "21000101", "+190228", " 19 0 3 01"};
    const char *times[] = {"0000", "2330", "-30", "99999", "0030.0", "1200", "+0100"};
    const char *watts[] = {"0", "9999", "10000", "-1", "0123", "12.9", " 45 "};
    for (const char *d : dates)
        for (const char *t : times)
            for (const char *w : watts) {
                const QByteArray line = QByteArray(d) + ',' + t + ',' + w;
                QByteArray frame;
                const talvik::CsvLine kind = talvik::csvLineToBlock(line, frame);
                bool digits[3];
                const double value[3] = {convertedValue(QString::fromLatin1(d), &digits[0]),
                                         convertedValue(QString::fromLatin1(t), &digits[1]),
                                         convertedValue(QString::fromLatin1(w), &digits[2])};
                const long long v0 = std::llround(value[0]), v1 = std::llround(value[1]), v2 = std::llround(value[2]);
                const bool ok = digits[0] && digits[1] && digits[2]
                                && ((v0 >= 20000000 && v0 <= 20999999) || (v0 >= 0 && v0 <= 999999)) && v1 >= 0
                                && v1 <= 9999 && v2 >= 0 && v2 <= 9999;
                ASSERT_EQ(kind == talvik::CsvLine::Block, ok) << line.constData();
                if (ok)
                    EXPECT_EQ(frame.mid(3, 14),
                              QByteArray::number(v0 % 1000000).rightJustified(6, '0')
                                  + QByteArray::number(v1).rightJustified(4, '0')
                                  + QByteArray::number(v2).rightJustified(4, '0'))
                        << line.constData();
            }
}

} // namespace
