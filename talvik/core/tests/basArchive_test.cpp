// The archiver calls: their command lines, and that they hand back the
// archiver's result so that a failed pack or unpack can be told apart.
#include "talvik/core/basArchive.h"

#include "coreTestSupport.h"
#include "platform/archive/archive.h"
#include "platform/shell/shell.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace talvik;

namespace {

class ArchiveCallTest : public talvik::testing::ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        m_savedDir = QDir::currentPath();
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("dDB/A社/2013年")));
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("dDB/空")));
        writeBytes(path(QStringLiteral("dDB/download.log")), "2013/07/25 10:00    log\r\n");
        writeBytes(path(QStringLiteral("dDB/A社/2013年/demand.csv")), demand);
        ASSERT_TRUE(QDir::setCurrent(home.path()));
    }
    void TearDown() override
    {
        QDir::setCurrent(m_savedDir);
        ProgramFolderTest::TearDown();
    }

    const QByteArray demand = QByteArray("1307250000012320130725000500\r\n").repeated(200);

private:
    QString m_savedDir;
};

} // namespace

TEST(ArchiveCommandLine, AddAndExtractLinesAsTheArchiverExpectsThem)
{
    EXPECT_EQ(archiveAddCommand(QStringLiteral("dDB"), QStringLiteral("C:\\Users\\u\\Desktop\\2026-12-08.dmd")),
              QStringLiteral("a -x1 -r2 -y1 -n \"C:\\Users\\u\\Desktop\\2026-12-08.dmd\" \"dDB\""));
    EXPECT_EQ(archiveExtractCommand(QStringLiteral("/home/u/set.dmd"), QStringLiteral("/opt/talvik\\")),
              QStringLiteral("e -x1 -r2 -y1 -n \"/home/u/set.dmd\" \"/opt/talvik\\\""));
    EXPECT_EQ(archiveExtractCommand(QStringLiteral("a b.dmd"), QStringLiteral("t\\"), {QStringLiteral("dDB")}),
              QStringLiteral("e -x1 -r2 -y1 -n \"a b.dmd\" \"t\\\" \"dDB\""));
}

TEST_F(ArchiveCallTest, AddThenExtractReproducesTheFolderUnderItsOwnName)
{
    const QString archive = path(QStringLiteral("out/セット 1.dmd"));
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("out")));
    const ArchiveResult added = archiveAdd(QStringLiteral("dDB"), archive, nullptr);
    ASSERT_TRUE(added.succeeded()) << added.output.toStdString();
    EXPECT_TRUE(added.output.contains(QStringLiteral("download.log"))) << added.output.toStdString();

    QStringList names;
    for (const platform::archive::ArchiveEntry &e : platform::archive::list(archive))
        names.append(e.path);
    EXPECT_TRUE(names.contains(QStringLiteral("dDB\\A社\\2013年\\demand.csv"))) << names.join(' ').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("dDB\\空"))) << "empty folders keep their entry";
    for (const QString &n : names)
        EXPECT_TRUE(n.startsWith(QStringLiteral("dDB"))) << n.toStdString();

    const QString target = path(QStringLiteral("x"));
    const ArchiveResult extracted = archiveExtract(archive, target + QStringLiteral("\\"), nullptr);
    ASSERT_TRUE(extracted.succeeded()) << extracted.output.toStdString();
    EXPECT_EQ(readBytes(target + QStringLiteral("/dDB/A社/2013年/demand.csv")), demand);
    EXPECT_EQ(readBytes(target + QStringLiteral("/dDB/download.log")), QByteArray("2013/07/25 10:00    log\r\n"));
    EXPECT_TRUE(QFileInfo(target + QStringLiteral("/dDB/空")).isDir());
}

TEST_F(ArchiveCallTest, ExtractWithARootTakesOnlyThatFolder)
{
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("other")));
    writeBytes(path(QStringLiteral("other/note.txt")), "x");
    const QString archive = path(QStringLiteral("two.dmd"));
    ASSERT_TRUE(archiveAdd(QStringLiteral("dDB"), archive, nullptr).succeeded());
    ASSERT_TRUE(archiveAdd(QStringLiteral("other"), archive, nullptr).succeeded());

    const QString target = path(QStringLiteral("x"));
    const ArchiveResult r = archiveExtract(archive, target + QStringLiteral("\\"), nullptr, {QStringLiteral("dDB")});
    ASSERT_TRUE(r.succeeded()) << r.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/dDB/download.log")));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/other")));

    const ArchiveResult none = archiveExtract(archive, path(QStringLiteral("y")) + QStringLiteral("\\"), nullptr,
                                              {QStringLiteral("dDB.tran")});
    EXPECT_FALSE(none.succeeded());
    EXPECT_EQ(none.errorNumber(), 321);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("y/dDB"))));
}

TEST_F(ArchiveCallTest, FailuresComeBackWithTheirCause)
{
    // Nothing to pack.
    const ArchiveResult missing = archiveAdd(QStringLiteral("dDB.none"), path(QStringLiteral("m.dmd")), nullptr);
    EXPECT_FALSE(missing.succeeded());
    EXPECT_FALSE(missing.output.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("m.dmd"))));

    // Not an archive: a failure, a description, and nothing written.
    writeBytes(path(QStringLiteral("text.dmd")), "this is not an archive at all\r\n");
    const QString target = path(QStringLiteral("x"));
    ASSERT_TRUE(QDir().mkpath(target));
    const ArchiveResult foreign = archiveExtract(path(QStringLiteral("text.dmd")), target + QStringLiteral("\\"), nullptr);
    EXPECT_FALSE(foreign.succeeded());
    EXPECT_EQ(foreign.errorNumber(), 321);
    EXPECT_FALSE(foreign.output.isEmpty());
    EXPECT_TRUE(QDir(target).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    // A missing archive.
    const ArchiveResult gone = archiveExtract(path(QStringLiteral("gone.dmd")), target + QStringLiteral("\\"), nullptr);
    EXPECT_FALSE(gone.succeeded());
    EXPECT_EQ(gone.errorNumber(), 53);
}

TEST_F(ArchiveCallTest, APathWithAQuoteIsRefusedRatherThanSplit)
{
    // "a"b"c.dmd" would otherwise be read as the archive abc.dmd.
    const ArchiveResult r = archiveAdd(QStringLiteral("dDB"), path(QStringLiteral("a\"b\"c.dmd")), nullptr);
    EXPECT_FALSE(r.succeeded());
    EXPECT_TRUE(r.output.contains(QLatin1Char('"'))) << r.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("abc.dmd"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("a\"b\"c.dmd"))));

    const ArchiveResult x = archiveExtract(path(QStringLiteral("q.dmd")), path(QStringLiteral("t\"\\")), nullptr);
    EXPECT_FALSE(x.succeeded());
}
