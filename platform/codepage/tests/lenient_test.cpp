// Lenient CP932 decoding: the same output as the first (quadratic) decoding
// on every kind of input, and time linear in the input.
#include "platform/codepage/codepage.h"
#include "tests/lenientReference.h"

#include <QElapsedTimer>
#include <QList>
#include <gtest/gtest.h>

#include <random>

using platform::codepage::fromAnsiLenient;

TEST(LenientDecoding, SameOutputAsTheReferenceOnRepresentativeInputs)
{
    const QList<QByteArray> inputs = {
        QByteArray(),
        QByteArray("plain ASCII\r\n"),
        QByteArray("\x92\xca\x90\x4d\x90\xdd\x92\xe8", 8),          // 通信設定
        QByteArray("\xbc\xd8\xb1\xd9", 4),                          // half-width kana
        QByteArray("A\x81\x40" "B\xff" "C", 6),                     // a bad byte in the middle
        QByteArray("\xff", 1),                                      // a bad byte alone
        QByteArray("\xff\xff\xff", 3),                              // bad bytes in a row
        QByteArray("ABC\x81", 4),                                   // lone lead byte at the end
        QByteArray("\x81", 1),                                      // a lead byte alone
        QByteArray("\x81\x81\x81", 3),                              // lead bytes only
        QByteArray("\x81\x0a" "x", 3),                              // lead byte with an invalid trail
        QByteArray("\x95\x5c\x83\x5c\x5c", 5),                      // trail bytes equal to "\"
        QByteArray("\x87\x40\xa0\xfd\xfe\x80", 6),                  // NEC row 13, then unassigned bytes
        QByteArray("x\x00y\xef\xbf\xbd", 6),                        // NUL and a UTF-8 replacement char
        QByteArray("\xe0\x40\xfc\xfc\xf0\x40\x81\xad", 8),          // lead bytes of the upper rows
    };
    for (const QByteArray &in : inputs)
        EXPECT_EQ(fromAnsiLenient(in), codepagetest::referenceLenient(in)) << in.toHex().constData();
    // Half-width kana grow to three UTF-8 bytes each: the output outgrows its
    // first buffer, with bad bytes before and after the growth.
    const QByteArray kana = QByteArray(3000, '\xb1') + '\xff' + QByteArray(3000, '\xb2') + '\x81';
    EXPECT_EQ(fromAnsiLenient(kana), codepagetest::referenceLenient(kana));
}

TEST(LenientDecoding, SameOutputAsTheReferenceOnRandomMixtures)
{
    // Pieces that cover valid pairs, kana, ASCII, lone and bad bytes, glued
    // at random so that bad bytes fall before, inside and after pairs.
    const QList<QByteArray> pieces = {
        "a", "\r\n", QByteArray("\x82\xa0", 2), QByteArray("\xb1", 1), QByteArray("\x81", 1),
        QByteArray("\xff", 1), QByteArray("\x80", 1), QByteArray("\xa0", 1), QByteArray("\x5c", 1),
        QByteArray("\x87\x40", 2), QByteArray("\xef", 1), QByteArray("\x00", 1), QByteArray("\x7f", 1),
    };
    std::mt19937 rng(932);
    for (int round = 0; round < 400; ++round) {
        QByteArray in;
        const int n = int(rng() % 40);
        for (int i = 0; i < n; ++i)
            in += pieces[int(rng() % pieces.size())];
        ASSERT_EQ(fromAnsiLenient(in), codepagetest::referenceLenient(in)) << in.toHex().constData();
    }
}

namespace {

// Sanitizers check every buffer iconv is handed: allow them more time. The
// former decoding needed hours for these inputs, so the bound still tells
// linear from quadratic.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 linearLimitMs = 40000;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr qint64 linearLimitMs = 40000;
#else
constexpr qint64 linearLimitMs = 2000;
#endif
#else
constexpr qint64 linearLimitMs = 2000;
#endif

} // namespace

TEST(LenientDecoding, TwoMegabytesOfBadBytesDecodeInLinearTime)
{
    // Guards the complexity, not the speed: the former decoding copied the
    // rest of the input after every bad byte and took hours here.
    const QByteArray bad(2 * 1024 * 1024, '\xff');
    QElapsedTimer timer;
    timer.start();
    const QString out = fromAnsiLenient(bad);
    const qint64 ms = timer.elapsed();
    EXPECT_EQ(out.size(), bad.size());
    EXPECT_EQ(out, QString(bad.size(), QChar(0xFFFD)));
    EXPECT_LT(ms, linearLimitMs);

    // Bad bytes spread through a long text without line ends.
    QByteArray mixed;
    for (int i = 0; i < 200000; ++i)
        mixed += QByteArray("\x82\xa0" "x\xff", 4);
    timer.restart();
    const QString m = fromAnsiLenient(mixed);
    EXPECT_LT(timer.elapsed(), linearLimitMs);
    EXPECT_EQ(m.size(), 200000 * 3);
    EXPECT_EQ(m.left(6), QStringLiteral("あx\uFFFDあx\uFFFD"));
}
