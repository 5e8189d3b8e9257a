#include "platform/profile/profile.h"
#include "testfiles.h"

#include "platform/codepage/codepage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::profile::GetPrivateProfileString;
using platform::profile::WritePrivateProfileString;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("test.ini"));

    void writeBytes(const QByteArray &bytes) { talviktest::writeFile(path, bytes); }
    QByteArray readBytes() { return talviktest::readFile(path); }
    QString get(const QString &section, const QString &key, const QString &def = QString(),
                unsigned long size = 260, unsigned long *count = nullptr)
    {
        QString out;
        const unsigned long n = GetPrivateProfileString(section, key, def, out, size, path);
        if (count)
            *count = n;
        return out;
    }
};

// "[通信設定]", "ポート", "ボーレート" as a Japanese Windows writes them.
const QByteArray kSerialSection("[\x92\xca\x90\x4d\x90\xdd\x92\xe8]");
const QByteArray kPortKey("\x83\x7c\x81\x5b\x83\x67");

} // namespace

TEST_F(ProfileTest, ReadsCp932FileWrittenOnWindows)
{
    writeBytes(kSerialSection + "\r\n" + kPortKey + "=3\r\n"
               "\x83\x7b\x81\x5b\x83\x8c\x81\x5b\x83\x67=19200\r\n");
    unsigned long n = 0;
    EXPECT_EQ(get(QStringLiteral("通信設定"), QStringLiteral("ポート"), {}, 260, &n), QStringLiteral("3"));
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(get(QStringLiteral("通信設定"), QStringLiteral("ボーレート"), {}, 260, &n), QStringLiteral("19200"));
    EXPECT_EQ(n, 5u);
}

TEST_F(ProfileTest, WritesNewFileByteForByte)
{
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("通信設定"), QStringLiteral("ポート"), QStringLiteral("3"), path));
    EXPECT_EQ(readBytes(), kSerialSection + "\r\n" + kPortKey + "=3\r\n");

    // A second section goes at the end, a new key at the end of its section.
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"), QStringLiteral("1"), path));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("通信設定"), QStringLiteral("パリティ"), QStringLiteral("N"), path));
    EXPECT_EQ(readBytes(), kSerialSection + "\r\n" + kPortKey + "=3\r\n"
                               "\x83\x70\x83\x8a\x83\x65\x83\x42=N\r\n"
                               "[SYSTEM_INFO]\r\nINIT=1\r\n");
}

TEST_F(ProfileTest, RewriteKeepsCommentsBlankLinesOrderAndOtherBytes)
{
    const QByteArray before = "; first comment\r\n"
                              "[A]\r\n"
                              "x=1\r\n"
                              "; inside A\r\n"
                              "y = old value \r\n"
                              "\r\n"
                              "[B]\r\n"
                              "z=\x82\xa0\r\n"; // "あ"
    writeBytes(before);
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("a"), QStringLiteral("Y"), QStringLiteral("new"), path));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("A"), QStringLiteral("w"), QStringLiteral("2"), path));
    EXPECT_EQ(readBytes(), QByteArray("; first comment\r\n"
                                      "[A]\r\n"
                                      "x=1\r\n"
                                      "; inside A\r\n"
                                      "y=new\r\n"
                                      "w=2\r\n"
                                      "\r\n"
                                      "[B]\r\n"
                                      "z=\x82\xa0\r\n"));
    EXPECT_EQ(get(QStringLiteral("B"), QStringLiteral("z")), QStringLiteral("あ"));
}

TEST_F(ProfileTest, NamesCompareCaseInsensitivelyForAsciiOnly)
{
    writeBytes("[System_Info]\r\nInit=0\r\n"
               "[\x83\x41]\r\nk=katakana-a\r\n"          // "ア": second byte is 'A'
               "[\x82\x60]\r\nk=fullwidth-A\r\n");       // "Ａ"
    EXPECT_EQ(get(QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT")), QStringLiteral("0"));
    EXPECT_EQ(get(QStringLiteral("system_info"), QStringLiteral("init")), QStringLiteral("0"));
    EXPECT_EQ(get(QStringLiteral("ア"), QStringLiteral("K")), QStringLiteral("katakana-a"));
    // "ヂ" is 0x83 0x61: folding the second byte would wrongly find "ア".
    EXPECT_EQ(get(QStringLiteral("ヂ"), QStringLiteral("k"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(get(QStringLiteral("Ａ"), QStringLiteral("k")), QStringLiteral("fullwidth-A"));
    EXPECT_EQ(get(QStringLiteral("ａ"), QStringLiteral("k"), QStringLiteral("none")), QStringLiteral("none"));

    // A write under another spelling updates the existing key in place.
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"), QStringLiteral("1"), path));
    EXPECT_TRUE(readBytes().startsWith("[System_Info]\r\nInit=1\r\n"));
}

TEST_F(ProfileTest, SecondBytesThatLookLikeSyntaxAreNotSyntax)
{
    // "ゾ" ends in 0x5D "]", "ソ" and "表" in 0x5C "\".
    writeBytes("[\x83\x5d\x83\x5c]\r\n\x95\x5c=\x83\x5c\x83\x5d\r\n");
    EXPECT_EQ(get(QStringLiteral("ゾソ"), QStringLiteral("表")), QStringLiteral("ソゾ"));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("ゾソ"), QStringLiteral("表"), QStringLiteral("ゾ"), path));
    EXPECT_EQ(readBytes(), QByteArray("[\x83\x5d\x83\x5c]\r\n\x95\x5c=\x83\x5d\r\n"));
}

TEST_F(ProfileTest, MissingFileSectionKeyAndEmptyValue)
{
    unsigned long n = 99;
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("dflt"), 260, &n), QStringLiteral("dflt"));
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("k"), QString(), 260, &n), QString());
    EXPECT_EQ(n, 0u);

    writeBytes("[S]\r\nempty=\r\nblank=   \r\nnoequals\r\n");
    EXPECT_EQ(get(QStringLiteral("T"), QStringLiteral("k"), QStringLiteral("d"), 260, &n), QStringLiteral("d"));
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("missing"), QStringLiteral("d"), 260, &n), QStringLiteral("d"));
    // A present but empty value is returned as empty, not as the default.
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("empty"), QStringLiteral("d"), 260, &n), QString());
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("blank"), QStringLiteral("d"), 260, &n), QString());
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("noequals"), QStringLiteral("d")), QStringLiteral("d"));
    // The default loses its trailing blanks.
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("missing"), QStringLiteral("ab  "), 260, &n), QStringLiteral("ab"));
    EXPECT_EQ(n, 2u);
}

TEST_F(ProfileTest, ValuesTrimmedUnquotedAndTruncatedToBufferSize)
{
    writeBytes("[S]\r\n"
               "  spaced  =  a b \t\r\n"
               "dq=\" x \"\r\n"
               "sq='y'\r\n"
               "odd=\"z\r\n"
               "long=abcdefgh\r\n"
               "kana=\x82\xa0\x82\xa2\x82\xa4\r\n"); // "あいう"
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("spaced")), QStringLiteral("a b"));
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("dq")), QStringLiteral(" x "));
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("sq")), QStringLiteral("y"));
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("odd")), QStringLiteral("\"z"));

    unsigned long n = 0;
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("long"), {}, 5, &n), QStringLiteral("abcd"));
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("long"), {}, 9, &n), QStringLiteral("abcdefgh"));
    EXPECT_EQ(n, 8u);
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("long"), {}, 1, &n), QString());
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("long"), {}, 0, &n), QString());
    EXPECT_EQ(n, 0u);
    // Three bytes of room hold one double-byte character, never half of one.
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("kana"), {}, 4, &n), QStringLiteral("あ"));
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("missing"), QStringLiteral("defaults"), 4, &n), QStringLiteral("def"));
    EXPECT_EQ(n, 3u);
}

TEST_F(ProfileTest, FirstOfDuplicateSectionsAndKeysWins)
{
    writeBytes("[S]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\nj=4\r\n");
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("1"));
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("j"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST_F(ProfileTest, LfOnlyFilesAndFilesWithoutFinalLineEnd)
{
    writeBytes("[S]\nk=v\n[T]\nm=w");
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("v"));
    EXPECT_EQ(get(QStringLiteral("T"), QStringLiteral("m")), QStringLiteral("w"));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("n"), QStringLiteral("x"), path));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("T"), QStringLiteral("o"), QStringLiteral("y"), path));
    EXPECT_EQ(readBytes(), QByteArray("[S]\nk=v\nn=x\r\n[T]\nm=w\r\no=y\r\n"));
}

TEST_F(ProfileTest, FailedWritesLeaveTheFileUntouched)
{
    const QByteArray before("[S]\r\nk=v\r\n");
    writeBytes(before);
    // Not encodable in CP932: refused, never written as "?".
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("k"), QString::fromUtf8("\xF0\x9F\x98\x80"), path));
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("S"), QString::fromUtf8("\xC3\xA9"), QStringLiteral("v"), path));
    // A line break would split the entry into lines of its own.
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("a\r\nb=c"), path));
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("a=b"), QStringLiteral("v"), path));
    EXPECT_FALSE(WritePrivateProfileString(QString(), QStringLiteral("k"), QStringLiteral("v"), path));
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral(" "), QStringLiteral("v"), path));
    EXPECT_EQ(readBytes(), before);

    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"),
                                           dir.filePath(QStringLiteral("no/such/folder.ini"))));
}

TEST_F(ProfileTest, RewriteLeavesNoTemporaryFileAndAcceptsBackslashPaths)
{
    writeBytes("[S]\r\nk=v\r\n");
    const QString windowsStyle = QDir::toNativeSeparators(dir.path()).replace(QLatin1Char('/'), QLatin1Char('\\'))
                                 + QStringLiteral("\\test.ini");
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w"), windowsStyle));
    QString out;
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("S"), QStringLiteral("k"), {}, out, 255, windowsStyle), 1u);
    EXPECT_EQ(out, QStringLiteral("w"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("test.ini")});
}

TEST_F(ProfileTest, SeveralKeysGoInOneRewriteOrNotAtAll)
{
    writeBytes("; note\r\n[S]\r\nb=old\r\n\r\n[T]\r\nx=1\r\n");
    ASSERT_TRUE(platform::profile::WritePrivateProfileStrings(
        QStringLiteral("S"), {{QStringLiteral("a"), QStringLiteral("1")}, {QStringLiteral("B"), QStringLiteral("2")}},
        path));
    EXPECT_EQ(readBytes(), QByteArray("; note\r\n[S]\r\nb=2\r\na=1\r\n\r\n[T]\r\nx=1\r\n"));
    // The same keys, each written on its own, give the same file.
    writeBytes("; note\r\n[S]\r\nb=old\r\n\r\n[T]\r\nx=1\r\n");
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("1"), path));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("2"), path));
    const QByteArray written = readBytes();
    EXPECT_EQ(written, QByteArray("; note\r\n[S]\r\nb=2\r\na=1\r\n\r\n[T]\r\nx=1\r\n"));

    // One refused key refuses the whole batch: the earlier keys are not written.
    EXPECT_FALSE(platform::profile::WritePrivateProfileStrings(
        QStringLiteral("S"), {{QStringLiteral("a"), QStringLiteral("9")}, {QStringLiteral("c"), QStringLiteral("x\ny")}},
        path));
    EXPECT_EQ(readBytes(), written);
    EXPECT_EQ(platform::profile::lastWriteFailure().fileName, path);
    EXPECT_FALSE(platform::profile::lastWriteFailure().cause.isEmpty());
    EXPECT_EQ(platform::profile::lastWriteFailure().systemError, 0);

    // A missing folder is reported with its cause.
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"),
                                           dir.filePath(QStringLiteral("no/such.ini"))));
    EXPECT_EQ(platform::profile::lastWriteFailure().cause, QStringLiteral("フォルダが見つかりません。"));
}
