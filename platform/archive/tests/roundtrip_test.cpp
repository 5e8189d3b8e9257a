// Writing and reading our own archives: folder trees with Japanese names,
// empty folders and files, binary data; the command-line entry as the
// program calls it.
#include "platform/archive/archive.h"
#include "platform/archive/unlha.h"
#include "platform/archive/worker_pool.h"
#include "platform/codepage/codepage.h"
#include "test_support.h"

#include <QDir>

#include <algorithm>

#include <sched.h>

#include <gtest/gtest.h>

using namespace platform::archive;
using archivetest::Tree;

namespace {

// A store the way the program keeps it, with names whose CP932 form holds a
// 0x5C trail byte ("ソ", "表").
Tree sampleStore()
{
    Tree t;
    t.folders = {"dDB", "dDB/A社", "dDB/A社/2013年", "dDB/A社/2014年", "dDB/ソフト表", "dDB/ソフト表/2020年",
                 "dDB/空のお客さま", "dDB/ﾊﾝｶｸ"};
    t.files["dDB/download.log"] = "2013/07/25 10:00    情報データ読み込み(A社)\r\n";
    t.files["dDB/A社/2013年/demand.csv"] = archivetest::demandTable(2013, 17520);
    t.files["dDB/A社/2013年/schema.ini"] = "[demand.csv]\r\nColNameHeader=False\r\n";
    t.files["dDB/A社/2014年/demand.csv"] = QByteArray();
    t.files["dDB/A社/2014年/schema.ini"] = "[demand.csv]\r\n";
    t.files["dDB/ソフト表/2020年/demand.csv"] = archivetest::randomBytes(3 * 1024 * 1024 + 17, 5);
    t.files["dDB/ソフト表/2020年/表.bin"] = QByteArray(1, '\x5c');
    t.files["dDB/ﾊﾝｶｸ/README.TXT"] = "Upper-case name\r\n";
    return t;
}

class Workspace : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_savedCurrent = QDir::currentPath();
    }
    void TearDown() override { QDir::setCurrent(m_savedCurrent); }
    QString path(const QString &rel) const { return m_dir.filePath(rel); }

    QTemporaryDir m_dir;
    QString m_savedCurrent;
};

} // namespace

using ArchiveRoundTrip = Workspace;

TEST_F(ArchiveRoundTrip, FolderTreeComesBackIdentical)
{
    const Tree store = sampleStore();
    archivetest::writeTree(path("src"), store);
    addFolder(path("set.dmd"), "dDB", path("src"));

    const QList<ArchiveEntry> entries = list(path("set.dmd"));
    QStringList names;
    for (const ArchiveEntry &e : entries)
        names.append(e.path + (e.directory ? "\\" : ""));
    EXPECT_TRUE(names.contains("dDB\\")) << names.join(' ').toStdString();
    EXPECT_TRUE(names.contains("dDB\\空のお客さま\\"));
    EXPECT_TRUE(names.contains("dDB\\ソフト表\\2020年\\表.bin"));
    for (const QString &n : names)
        EXPECT_TRUE(n.startsWith("dDB\\")) << n.toStdString();
    // Every folder has its entry, every file one entry.
    EXPECT_EQ(entries.size(), store.folders.size() + store.files.size());
    for (const ArchiveEntry &e : entries) {
        EXPECT_EQ(e.level, 2);
        if (e.directory) {
            EXPECT_EQ(e.method, QByteArray("-lhd-"));
        } else if (e.originalSize == 0) {
            EXPECT_EQ(e.method, QByteArray("-lh0-"));
        }
    }

    const QStringList written = extract(path("set.dmd"), path("out"), ExtractOptions{{"dDB"}, true});
    EXPECT_EQ(written.size(), entries.size());
    EXPECT_TRUE(archivetest::readTree(path("out")) == store);
}

TEST_F(ArchiveRoundTrip, CompressesTablesAndStoresRandomData)
{
    Tree t;
    t.folders = {"dDB", "dDB/x"};
    t.files["dDB/x/demand.csv"] = archivetest::demandTable(2015, 17520);
    t.files["dDB/x/noise.bin"] = archivetest::randomBytes(100000, 11);
    archivetest::writeTree(path("src"), t);
    addFolder(path("a.dmd"), "dDB", path("src"));
    for (const ArchiveEntry &e : list(path("a.dmd"))) {
        if (e.path.endsWith("demand.csv")) {
            EXPECT_EQ(e.method, QByteArray("-lh5-"));
            EXPECT_LT(e.compressedSize * 3, e.originalSize);
        } else if (e.path.endsWith("noise.bin")) {
            // Compression would not shrink it: stored.
            EXPECT_EQ(e.method, QByteArray("-lh0-"));
            EXPECT_EQ(e.compressedSize, e.originalSize);
        }
    }
    extract(path("a.dmd"), path("out"));
    EXPECT_TRUE(archivetest::readTree(path("out")) == t);
}

TEST_F(ArchiveRoundTrip, ExtractKeepsOnlyTheRequestedRoot)
{
    Tree t;
    t.folders = {"dDB", "other"};
    t.files["dDB/download.log"] = "log\r\n";
    t.files["other/x.txt"] = "x";
    t.files["top.txt"] = "t";
    archivetest::writeTree(path("src"), t);
    addFiles(path("m.lzh"), {"dDB", "other", "top.txt"}, path("src"));
    extract(path("m.lzh"), path("out"), ExtractOptions{{"dDB"}, true});
    Tree only;
    only.folders = {"dDB"};
    only.files["dDB/download.log"] = "log\r\n";
    EXPECT_TRUE(archivetest::readTree(path("out")) == only);

    // No entry under the root at all: an error, nothing written.
    try {
        extract(path("m.lzh"), path("out2"), ExtractOptions{{"nothere"}, true});
        FAIL() << "expected an error";
    } catch (const ArchiveError &e) {
        EXPECT_EQ(e.kind(), ErrorKind::NoEntries);
        EXPECT_TRUE(e.Description().contains("nothere"));
    }
    EXPECT_FALSE(QFileInfo::exists(path("out2")));
}

TEST_F(ArchiveRoundTrip, ExtractOverwritesExistingFilesAndMergesFolders)
{
    Tree t;
    t.folders = {"dDB", "dDB/A"};
    t.files["dDB/A/f.txt"] = "new";
    archivetest::writeTree(path("src"), t);
    addFolder(path("a.dmd"), "dDB", path("src"));
    Tree before;
    before.folders = {"dDB", "dDB/A", "dDB/B"};
    before.files["dDB/A/f.txt"] = "old";
    before.files["dDB/B/keep.txt"] = "keep";
    archivetest::writeTree(path("dest"), before);
    extract(path("a.dmd"), path("dest"));
    const Tree after = archivetest::readTree(path("dest"));
    EXPECT_EQ(after.files.value("dDB/A/f.txt"), QByteArray("new"));
    EXPECT_EQ(after.files.value("dDB/B/keep.txt"), QByteArray("keep"));
    // The temporary folder is gone.
    EXPECT_EQ(QDir(path("dest")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"dDB"});
}

TEST_F(ArchiveRoundTrip, WritingIsAllOrNothing)
{
    Tree t;
    t.folders = {"dDB"};
    t.files["dDB/a.txt"] = "a";
    archivetest::writeTree(path("src"), t);
    archivetest::writeFile(path("old.dmd"), "previous archive");
    // A name CP932 cannot hold stops the save; the old file stays.
    archivetest::writeFile(path("src/dDB/😀.txt"), "emoji");
    try {
        addFolder(path("old.dmd"), "dDB", path("src"));
        FAIL() << "expected an error";
    } catch (const ArchiveError &e) {
        EXPECT_EQ(e.kind(), ErrorKind::BadName);
        EXPECT_TRUE(e.Description().contains("😀"));
    }
    EXPECT_EQ(archivetest::readFile(path("old.dmd")), QByteArray("previous archive"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.dmd"});
    // A missing source folder is reported as such.
    try {
        addFolder(path("x.dmd"), "nope", path("src"));
        FAIL() << "expected an error";
    } catch (const ArchiveError &e) {
        EXPECT_EQ(e.kind(), ErrorKind::FileNotFound);
    }
}

TEST(CommandLine, SplitsAtBlanksAndKeepsQuotedTextWhole)
{
    EXPECT_EQ(splitCommandLine(R"(a -x1 -r2 -y1 -n "C:\My Data\2026-12-08.dmd" "dDB")"),
              (QStringList{"a", "-x1", "-r2", "-y1", "-n", R"(C:\My Data\2026-12-08.dmd)", "dDB"}));
    // A backslash before the closing quote is part of the path, not an escape.
    EXPECT_EQ(splitCommandLine(R"(e -x1 "a b.dmd" "C:\prog\")"), (QStringList{"e", "-x1", "a b.dmd", R"(C:\prog\)"}));
    EXPECT_EQ(splitCommandLine("  a   \"\"  x  "), (QStringList{"a", "", "x"}));
    EXPECT_THROW(splitCommandLine("a \"open"), ArchiveError);
}

using UnlhaEntry = Workspace;

TEST_F(UnlhaEntry, SaveAndOpenTheWayTheDataWindowDoes)
{
    // Save: current folder = program folder, source "dDB".
    const Tree store = sampleStore();
    archivetest::writeTree(path("prog"), store);
    QDir::setCurrent(path("prog"));
    const QString archive = path("デスクトップ/2026-12-08.dmd");
    ASSERT_TRUE(QDir().mkpath(path("デスクトップ")));
    QString output;
    int rc = Unlha(nullptr, "a -x1 -r2 -y1 -n \"" + archive + "\" \"dDB\"", output, 1024);
    ASSERT_EQ(rc, 0) << output.toStdString();
    EXPECT_TRUE(output.contains("dDB\\A社\\2013年\\demand.csv"));

    // Open: the store is deleted, then extracted into program folder & "\".
    QDir(path("prog/dDB")).removeRecursively();
    QDir::setCurrent(path("デスクトップ"));
    const QString destination = QDir::toNativeSeparators(path("prog")) + "\\";
    rc = Unlha(nullptr, "e -x1 -r2 -y1 -n \"" + archive + "\" \"" + destination + "\"", output, 1024);
    ASSERT_EQ(rc, 0) << output.toStdString();
    EXPECT_TRUE(archivetest::readTree(path("prog")) == store);
}

TEST_F(UnlhaEntry, FailuresReturnACodeAndAJapaneseDescription)
{
    QString output;
    int rc = Unlha(nullptr, "e -x1 -r2 -y1 -n \"" + path("missing.dmd") + "\" \"" + path("out") + "\\\"", output, 1024);
    EXPECT_EQ(rc, kUnlhaErrorBase + static_cast<int>(ErrorKind::FileNotFound));
    EXPECT_TRUE(output.startsWith("アーカイブが見つかりません")) << output.toStdString();

    archivetest::writeFile(path("text.dmd"), "this is not an archive at all, just some text");
    rc = Unlha(nullptr, "e -x1 \"" + path("text.dmd") + "\" \"" + path("out") + "/\"", output, 1024);
    EXPECT_EQ(rc, kUnlhaErrorBase + static_cast<int>(ErrorKind::NotArchive));
    EXPECT_TRUE(output.startsWith("LHA形式のアーカイブではありません")) << output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("out")));

    rc = Unlha(nullptr, "q -x1 a b", output, 1024);
    EXPECT_EQ(rc, kUnlhaErrorBase + static_cast<int>(ErrorKind::BadCommand));
    rc = Unlha(nullptr, "a -z9 \"x.lzh\" \"y\"", output, 1024);
    EXPECT_EQ(rc, kUnlhaErrorBase + static_cast<int>(ErrorKind::BadCommand));
    EXPECT_TRUE(output.contains("-z9"));

    // The output is cut to the buffer size less one (room for the NUL).
    rc = Unlha(nullptr, "e \"" + path("missing.dmd") + "\"", output, 5);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(output.size(), 4);
}

TEST_F(UnlhaEntry, AddingToAnExistingArchiveKeepsOtherEntries)
{
    archivetest::writeFile(path("a.txt"), "first");
    archivetest::writeFile(path("b.txt"), "second");
    QDir::setCurrent(m_dir.path());
    QString output;
    ASSERT_EQ(Unlha(nullptr, "a -x1 -r2 -y1 -n \"arc.lzh\" \"a.txt\"", output, 1024), 0) << output.toStdString();
    archivetest::writeFile(path("a.txt"), "first, changed");
    ASSERT_EQ(Unlha(nullptr, "a -x1 -r2 -y1 -n \"arc.lzh\" \"b.txt\" \"a.txt\"", output, 1024), 0);
    QStringList names;
    for (const ArchiveEntry &e : list(path("arc.lzh")))
        names.append(e.path);
    EXPECT_EQ(names, (QStringList{"b.txt", "a.txt"}));
    extract(path("arc.lzh"), path("out"));
    EXPECT_EQ(archivetest::readFile(path("out/a.txt")), QByteArray("first, changed"));
    EXPECT_EQ(archivetest::readFile(path("out/b.txt")), QByteArray("second"));
}

// Without a count of its own the archiver starts as many workers as the
// processors this process may run on, not as many as the machine has.
TEST(ArchiveWorkers, FollowTheProcessorsTheProcessMayUse)
{
    cpu_set_t all;
    CPU_ZERO(&all);
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    if (CPU_COUNT(&all) < 3)
        GTEST_SKIP() << "needs three processors to tell the machine's count from a narrower one";
    cpu_set_t two;
    CPU_ZERO(&two);
    for (int cpu = 0, taken = 0; cpu < CPU_SETSIZE && taken < 2; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &two);
            ++taken;
        }
    setWorkerThreads(0);
    ASSERT_EQ(::sched_setaffinity(0, sizeof two, &two), 0);
    const int narrowed = platform::archive::workerThreadCount();
    ASSERT_EQ(::sched_setaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(narrowed, 2);
    EXPECT_EQ(platform::archive::workerThreadCount(), std::min(CPU_COUNT(&all), 16));
}
