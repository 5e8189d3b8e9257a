// Profile writes on a full file system: the file stays byte-identical, no
// temporary file is left, the write reports failure and tells why.
#include "platform/profile/profile.h"

#include "platform/codepage/codepage.h"
#include "platform/fileio/tests/fullDisk.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>

using platform::fileio::testsupport::FullDisk;
using platform::fileio::testsupport::snapshotFolder;
using platform::fileio::testsupport::temporaryLeftovers;
using platform::profile::lastWriteFailure;
using platform::profile::WritePrivateProfileString;
using platform::profile::WritePrivateProfileStrings;

namespace {

void put(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

} // namespace

TEST(ProfileOnFullDisk, EveryWriteFailsLeavingTheFileAndTellingWhy)
{
    FullDisk disk;
    const QString ini = disk.folder() + QStringLiteral("/Serial.ini");
    put(ini, platform::codepage::toAnsi(QStringLiteral(
                 "[通信設定]\r\nポート=3\r\nボーレート=9600\r\nパリティ=E\r\nビット長=7\r\nストップビット=2\r\nフロー制御=2\r\n")));
    const auto before = snapshotFolder(disk.folder());
    disk.fill();

    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("通信設定"), QStringLiteral("ポート"), QStringLiteral("4"), ini))
        << (disk.real() ? "tmpfs" : "modelled");
    EXPECT_EQ(lastWriteFailure().systemError, ENOSPC);
    EXPECT_EQ(lastWriteFailure().fileName, ini);
    EXPECT_EQ(lastWriteFailure().cause, QStringLiteral("ディスクの空き領域が不足しています。"));
    EXPECT_EQ(lastWriteFailure().description(),
              u'"' + ini + QStringLiteral("\" に書き込めませんでした。ディスクの空き領域が不足しています。"));

    EXPECT_FALSE(WritePrivateProfileStrings(QStringLiteral("通信設定"),
                                            {{QStringLiteral("ポート"), QStringLiteral("5")},
                                             {QStringLiteral("ボーレート"), QStringLiteral("300")}},
                                            ini));
    // A new file on the full disk is not created either.
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"), QStringLiteral("1"),
                                           disk.folder() + QStringLiteral("/system2.ini")));

    EXPECT_EQ(snapshotFolder(disk.folder()), before);
    EXPECT_TRUE(temporaryLeftovers(disk.folder()).isEmpty());

    // With space again the same write succeeds and clears the failure.
    disk.release();
    EXPECT_TRUE(WritePrivateProfileString(QStringLiteral("通信設定"), QStringLiteral("ポート"), QStringLiteral("4"), ini));
    EXPECT_TRUE(lastWriteFailure().description().isEmpty());
    EXPECT_TRUE(QFile(ini).open(QIODevice::ReadOnly));
}
