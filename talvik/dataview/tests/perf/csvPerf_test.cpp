// The import sums whole numbers up directly instead of converting their text,
// and reads ASCII lines from their bytes. These tests hold the fields' values
// to the conversion of the text, bit for bit (the sign of zero included), the
// byte reading of lines to the reading of their text, and the blocks of a
// whole import to them.
#include "platform/runtime/runtime_error.h"
#include "talvik/dataview/csvFormat.h"
#include "talvik/store/clsDataD.h"

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
        bool d1 = false, d2 = false, d3 = false;
        const double v = talvik::csvNumericValue(f, &d1);
        const double ref = convertedValue(f, &d2);
        ASSERT_TRUE(sameBits(v, ref)) << f.toStdString() << ": " << v << " vs " << ref;
        ASSERT_EQ(d1, d2) << f.toStdString();
        // The same field's bytes.
        const QByteArray bytes = f.toLatin1();
        const double b = talvik::csvNumericValue(QByteArrayView(bytes), &d3);
        ASSERT_TRUE(sameBits(b, ref)) << f.toStdString() << ": " << b << " vs " << ref;
        ASSERT_EQ(d3, d2) << f.toStdString();
    }
}

// What reading one line gives: the kind, the block, or the error raised.
struct LineResult {
    int kind = -1;
    QByteArray frame;
    int error = 0;
    bool operator==(const LineResult &o) const { return kind == o.kind && frame == o.frame && error == o.error; }
};

template <typename Read>
LineResult readLine(Read read, const QByteArray &line)
{
    LineResult r;
    // A frame left by an earlier line: a refused line must not touch it.
    r.frame = talvik::csvNewFrame();
    r.frame.replace(3, 14, "11111111111111");
    try {
        r.kind = int(read(line, r.frame));
    } catch (const platform::RuntimeError &e) {
        r.error = e.Number();
    }
    return r;
}

void expectSameLineReading(const QByteArray &line)
{
    const LineResult bytes = readLine([](const QByteArray &l, QByteArray &f) { return talvik::csvLineToBlock(l, f); }, line);
    const LineResult text = readLine(talvik::csvLineToBlockText, line);
    EXPECT_TRUE(bytes == text) << line.toPercentEncoding(" ,").constData() << ": kind " << bytes.kind << " vs "
                               << text.kind << ", error " << bytes.error << " vs " << text.error << ", "
                               << bytes.frame.toHex().constData() << " vs " << text.frame.toHex().constData();
}

TEST(CsvImportEquality, ByteReadingOfLinesIsTheTextReading)
{
    const char *fixed[] = {"", " ", " \t ", ",", ",,", ",,,", "20240513,1000,0123", "20240513,1000,0123,",
                           "20240513,1000", "20240513", " 20240513 , 930 ,5", "20240513,10:30,12", "240513,1000,9999",
                           "20240513,1000,10000", "20240513,-1,5", "99999999999,1000,0123", "20240513,1000,2147483648",
                           "1,2,2147483647.5", "-0,0,0", "+20240513,+1000,+1", "20240513,1000,12.5", "2024.0513,1,1",
                           "\t\t,\t,\t", "20240513,1000,0123 x", "x,y,z", "21000101,0000,0000", "0,0,0"};
    for (const char *l : fixed)
        expectSameLineReading(l);
    std::mt19937 rng(11);
    const char alphabet[] = "0123456789012345678901234567890123456789,, \t+-.x:";
    for (int n = 0; n < 200000; ++n) {
        QByteArray line;
        if (n % 2) {
            // Near the usual form, with one character changed.
            line = QByteArray::number(20000000 + rng() % 1000000) + ',' + QByteArray::number(rng() % 2400) + ','
                   + QByteArray::number(rng() % 11000);
            line[qsizetype(rng() % line.size())] = alphabet[rng() % (sizeof alphabet - 1)];
        } else {
            const int len = int(rng() % 30);
            for (int i = 0; i < len; ++i)
                line += alphabet[rng() % (sizeof alphabet - 1)];
        }
        expectSameLineReading(line);
        if (HasFailure())
            return;
    }
}

// The record with its blocks in view.
class Blocks : public talvik::clsDataD {
public:
    QByteArray all() const { return m_records; }
};

TEST(CsvImportEquality, WholeImportHandsOverTheBlocksOfTheTextReading)
{
    // Lines of every kind, CP932 ones among them, with every line end.
    std::mt19937 rng(3);
    const QByteArray kinds[] = {"20240513,1000,0123", "240229,2330,9999", "20230229,1000,1", "20240513,2400,1",
                                "20240513(\x89\xCE),0000,0042", "\x82\x50,1,1", "", "  ", "20240513,1000",
                                "20241301,0000,0001", "20240500,0030,0001", "190101,0000,0000"};
    const QByteArray ends[] = {"\r\n", "\n", "\r"};
    QByteArray image;
    for (int i = 0; i < 5000; ++i)
        image += kinds[rng() % std::size(kinds)] + ends[rng() % std::size(ends)];
    Blocks fast, reference;
    fast.initData();
    reference.initData();
    int rejected = 0;
    const talvik::CsvReadCounts counts = talvik::csvReadBlocks(image, fast, [&] { ++rejected; });
    // The reference: the straightforward split and the text reading.
    int referenceLines = 0, referenceAccepted = 0, referenceRejected = 0;
    QByteArray frame = talvik::csvNewFrame();
    for (const QByteArray &line : talvik::csvSplitLines(image)) {
        ++referenceLines;
        const talvik::CsvLine kind = talvik::csvLineToBlockText(line, frame);
        if (kind == talvik::CsvLine::Empty)
            continue;
        if (kind == talvik::CsvLine::Block && reference.setRecvData(frame, 18))
            ++referenceAccepted;
        else
            ++referenceRejected;
    }
    EXPECT_EQ(counts.lines, referenceLines);
    EXPECT_EQ(counts.accepted, referenceAccepted);
    EXPECT_EQ(counts.rejected, referenceRejected);
    EXPECT_EQ(rejected, referenceRejected);
    EXPECT_GT(counts.accepted, 1000);
    EXPECT_GT(counts.rejected, 1000);
    EXPECT_EQ(fast.count(), reference.count());
    EXPECT_EQ(fast.all(), reference.all());
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
                if (ok) {
                    EXPECT_EQ(frame.mid(3, 14),
                              QByteArray::number(v0 % 1000000).rightJustified(6, '0')
                                  + QByteArray::number(v1).rightJustified(4, '0')
                                  + QByteArray::number(v2).rightJustified(4, '0'))
                        << line.constData();
                }
            }
}

} // namespace
