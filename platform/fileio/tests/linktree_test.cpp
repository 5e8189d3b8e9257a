// Trees that share their files: every file of the copy is the source's file
// under a second name, a replaced file leaves the other name's bytes alone,
// another file system gets a copy, a failure names the entry; and trees
// handed to the background worker are gone once it has been waited for.
#include "platform/fileio/durable.h"
#include "platform/fileio/linktree.h"
#include "platform/fileio/tests/fullDisk.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <stdexcept>
#include <sys/stat.h>

using namespace platform::fileio;
using platform::fileio::testsupport::snapshotFolder;

namespace {

void put(const QString &path, const QByteArray &data)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

struct stat statOf(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        st.st_ino = 0;
    return st;
}

bool sameFile(const QString &a, const QString &b)
{
    const struct stat sa = statOf(a), sb = statOf(b);
    return sa.st_ino != 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A small store: two customers, year folders with their two files, a log,
// a leftover of an interrupted durable write and an empty folder.
void makeTree(const QString &root)
{
    put(root + QStringLiteral("/東京工場/2024年/demand.csv"), "2401051000012320240201\r\n");
    put(root + QStringLiteral("/東京工場/2024年/schema.ini"), "[demand.csv]\r\n");
    put(root + QStringLiteral("/東京工場/2023年/demand.csv"), QByteArray(300000, '7'));
    put(root + QStringLiteral("/大阪支店/2024年/demand.csv"), QByteArray());
    put(root + QStringLiteral("/download.log"), "2024/01/02 09:15    x\r\n");
    put(root + QStringLiteral("/東京工場/2024年/demand.csv.~tlv123-4"), "half written");
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/空/2025年")));
}

// `count` such trees "src<i>" in `dir`, each paired with its copy "copy<i>".
QList<QPair<QString, QString>> makeTrees(const QTemporaryDir &dir, int count)
{
    QList<QPair<QString, QString>> trees;
    for (int i = 0; i < count; ++i) {
        const QString source = dir.filePath(QStringLiteral("src%1").arg(i));
        makeTree(source);
        trees.append({source, dir.filePath(QStringLiteral("copy%1").arg(i))});
    }
    return trees;
}

} // namespace

TEST(LinkTree, EveryFileIsASecondNameAndLeftoversStayOut)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("dDB"));
    const QString target = dir.filePath(QStringLiteral("dDB.tran"));
    makeTree(source);
    QMap<QString, QByteArray> expected = snapshotFolder(source);
    expected.remove(QStringLiteral("東京工場/2024年/demand.csv.~tlv123-4"));

    linkTree(source, target);

    EXPECT_EQ(snapshotFolder(target), expected);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_TRUE(sameFile(source + u'/' + it.key(), target + u'/' + it.key())) << it.key().toStdString();
    // Folders are the copy's own; the empty one is there too.
    EXPECT_TRUE(QFileInfo(target + QStringLiteral("/空/2025年")).isDir());
    EXPECT_NE(statOf(source + QStringLiteral("/東京工場")).st_ino, statOf(target + QStringLiteral("/東京工場")).st_ino);
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/東京工場/2024年/demand.csv.~tlv123-4")));

    // "\" separators, as the program's paths have them; one file alone.
    linkFile(QDir::toNativeSeparators(source + QStringLiteral("/download.log")).replace(u'/', u'\\'),
             dir.filePath(QStringLiteral("copy.log")));
    EXPECT_TRUE(sameFile(source + QStringLiteral("/download.log"), dir.filePath(QStringLiteral("copy.log"))));
}

TEST(LinkTree, AFileReplacedUnderOneNameKeepsTheOtherNamesBytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("dDB"));
    const QString target = dir.filePath(QStringLiteral("dDB.tran"));
    makeTree(source);
    const QMap<QString, QByteArray> before = snapshotFolder(source);
    linkTree(source, target);

    writeFile(target + QStringLiteral("/東京工場/2023年/demand.csv"), "changed\r\n");
    writeFile(target + QStringLiteral("/download.log"), "new log\r\n");

    EXPECT_EQ(snapshotFolder(source), before);
    EXPECT_EQ(snapshotFolder(target).value(QStringLiteral("東京工場/2023年/demand.csv")), "changed\r\n");
    EXPECT_FALSE(sameFile(source + QStringLiteral("/download.log"), target + QStringLiteral("/download.log")));
}

TEST(LinkTree, AnotherFileSystemGetsACopy)
{
    // /dev/shm is a memory file system: no file there can have a name on the
    // disk of the test's temporary folder.
    QTemporaryDir other(QStringLiteral("/dev/shm/talvik-link-XXXXXX"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    if (!other.isValid() || statOf(other.path()).st_dev == statOf(dir.path()).st_dev)
        GTEST_SKIP() << "no second file system to copy from";
    const QString source = other.filePath(QStringLiteral("dDB"));
    const QString target = dir.filePath(QStringLiteral("dDB.tran"));
    makeTree(source);
    QMap<QString, QByteArray> expected = snapshotFolder(source);
    expected.remove(QStringLiteral("東京工場/2024年/demand.csv.~tlv123-4"));

    linkTree(source, target);

    EXPECT_EQ(snapshotFolder(target), expected);
    EXPECT_EQ(statOf(target + QStringLiteral("/download.log")).st_nlink, 1u);
    EXPECT_TRUE(testsupport::temporaryLeftovers(target).isEmpty());
}

TEST(LinkTree, AFailureNamesTheEntryThatCouldNotBeMade)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("dDB"));
    makeTree(source);
    const QMap<QString, QByteArray> before = snapshotFolder(source);

    // The file system refuses the second name of one file.
    {
        const faults::ScopedFaultHook hook([](faults::Step step, const QString &path, qint64) {
            return step == faults::Step::Create && path.endsWith(QStringLiteral("2023年/demand.csv")) ? EACCES : 0;
        });
        try {
            linkTree(source, dir.filePath(QStringLiteral("a")));
            ADD_FAILURE() << "no error raised";
        } catch (const WriteError &e) {
            EXPECT_EQ(e.Number(), 70);
            EXPECT_TRUE(e.path().endsWith(QStringLiteral("a/東京工場/2023年/demand.csv"))) << e.path().toStdString();
            EXPECT_TRUE(e.Description().contains(QStringLiteral("書き込みが許可されていません"))) << e.Description().toStdString();
        }
    }
    // A target that exists already, and a source that does not.
    EXPECT_THROW(linkTree(source, dir.filePath(QStringLiteral("a"))), WriteError);
    EXPECT_THROW(linkTree(dir.filePath(QStringLiteral("none")), dir.filePath(QStringLiteral("b"))), WriteError);
    EXPECT_THROW(linkFile(source + QStringLiteral("/download.log"), source + QStringLiteral("/download.log")),
                 WriteError);
    EXPECT_EQ(snapshotFolder(source), before);
}

TEST(BackgroundRemoval, TreesAreGoneOnceWaitedForAndOthersStay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList trees;
    for (int i = 0; i < 4; ++i) {
        trees << dir.filePath(QStringLiteral("dDB.work-%1").arg(i));
        makeTree(trees.last());
    }
    put(dir.filePath(QStringLiteral("single.tmp")), "x");
    makeTree(dir.filePath(QStringLiteral("dDB")));
    // A tree sharing its files with one that goes keeps them.
    linkTree(dir.filePath(QStringLiteral("dDB")), trees[0] + QStringLiteral("/shared"));
    const QMap<QString, QByteArray> kept = snapshotFolder(dir.filePath(QStringLiteral("dDB")));

    for (const QString &t : trees)
        removeTreeInBackground(t);
    removeTreeInBackground(dir.filePath(QStringLiteral("single.tmp")));
    // A tree gone already is no error.
    removeTreeInBackground(dir.filePath(QStringLiteral("never-there")));
    waitForBackgroundRemovals();

    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("dDB")});
    EXPECT_EQ(snapshotFolder(dir.filePath(QStringLiteral("dDB"))), kept);
    // Waiting with nothing to do returns at once.
    waitForBackgroundRemovals();
}

TEST(LinkTrees, SeveralTreesAtOnceGiveWhatLinkTreeGivesAndReportInOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QList<QPair<QString, QString>> trees = makeTrees(dir, 9);
    QList<int> made;
    linkTrees(trees, [&](int i) {
        made.append(i);
        // Reported only once the tree is complete.
        EXPECT_EQ(snapshotFolder(trees[i].second).size(), snapshotFolder(trees[i].first).size() - 1);
    });
    EXPECT_EQ(made, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    for (const auto &[source, target] : trees) {
        QMap<QString, QByteArray> expected = snapshotFolder(source);
        expected.remove(QStringLiteral("東京工場/2024年/demand.csv.~tlv123-4"));
        EXPECT_EQ(snapshotFolder(target), expected);
        EXPECT_TRUE(sameFile(source + QStringLiteral("/東京工場/2023年/demand.csv"),
                             target + QStringLiteral("/東京工場/2023年/demand.csv")));
    }
}

TEST(LinkTrees, TheFirstFailingTreeInOrderIsRaisedAfterAllHaveEnded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QList<QPair<QString, QString>> trees = makeTrees(dir, 6);
    // Trees 2 and 4 cannot be made: the one reported is tree 2's, and only
    // the trees before it count as made.
    const faults::ScopedFaultHook hook([](faults::Step step, const QString &path, qint64) {
        return step == faults::Step::Create && (path.contains(QStringLiteral("copy2/大阪支店")) ||
                                               path.contains(QStringLiteral("copy4/download.log")))
                   ? EIO
                   : 0;
    });
    QList<int> made;
    try {
        linkTrees(trees, [&](int i) { made.append(i); });
        ADD_FAILURE() << "no error";
    } catch (const WriteError &e) {
        EXPECT_TRUE(e.path().contains(QStringLiteral("copy2/大阪支店"))) << e.path().toStdString();
        EXPECT_EQ(e.systemError(), EIO);
    }
    EXPECT_EQ(made, (QList<int>{0, 1}));
    // Every tree has ended: the ones after the failures are complete.
    EXPECT_EQ(snapshotFolder(trees[5].second).size(), snapshotFolder(trees[5].first).size() - 1);
}

TEST(LinkTrees, AFailureOfTheProgressCallIsRaisedAfterAllTreesHaveEnded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QList<QPair<QString, QString>> trees = makeTrees(dir, 5);
    EXPECT_THROW(linkTrees(trees,
                           [](int i) {
                               if (i == 1)
                                   throw std::runtime_error("progress failed");
                           }),
                 std::runtime_error);
    for (const auto &[source, target] : trees)
        EXPECT_EQ(snapshotFolder(target).size(), snapshotFolder(source).size() - 1) << target.toStdString();
}
