#include "platform/shell/shell.h"

#include "platform/runtime/runtime_error.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace sh = platform::shell;

namespace {

int errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const platform::RuntimeError &e) {
        return e.Number();
    }
    return 0;
}

using talviktest::readFile;
using talviktest::writeFile;

// The same folder written with "\" separators, as system code writes it.
QString backslashed(const QString &path)
{
    QString p = path;
    return p.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

class ShellTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString root = tmp.path();
    QString at(const QString &rel) const { return root + QLatin1Char('/') + rel; }
};

} // namespace

TEST(ShellPaths, NativePathConversion)
{
    EXPECT_EQ(sh::toNativePath(QStringLiteral("\\dDB.tran\\Kita\\2013年")), QStringLiteral("/dDB.tran/Kita/2013年"));
    EXPECT_EQ(sh::toNativePath(QStringLiteral("/opt/talvik\\dDB")), QStringLiteral("/opt/talvik/dDB"));
    EXPECT_EQ(sh::toNativePath(QStringLiteral("/opt/talvik\\\\system2.ini")), QStringLiteral("/opt/talvik/system2.ini"));
    EXPECT_EQ(sh::toNativePath(QStringLiteral("C:\\data\\x.csv")), QStringLiteral("/data/x.csv"));
    EXPECT_EQ(sh::toNativePath(QStringLiteral("rel\\a")), QStringLiteral("rel/a"));
    EXPECT_EQ(sh::toNativePath(QString()), QString());
}

TEST(ShellPaths, ParentNameFileNameAndBuildPath)
{
    EXPECT_EQ(sh::GetParentFolderName(QStringLiteral("\\dDB.tran\\Kita\\2013年")), QStringLiteral("\\dDB.tran\\Kita"));
    EXPECT_EQ(sh::GetParentFolderName(QStringLiteral("/opt/t/dDB/")), QStringLiteral("/opt/t"));
    EXPECT_EQ(sh::GetParentFolderName(QStringLiteral("/opt")), QStringLiteral("/"));
    EXPECT_EQ(sh::GetParentFolderName(QStringLiteral("C:\\a")), QStringLiteral("C:\\"));
    EXPECT_EQ(sh::GetParentFolderName(QStringLiteral("/")), QString());
    EXPECT_EQ(sh::GetParentFolderName(QStringLiteral("name")), QString());
    EXPECT_EQ(sh::GetFileName(QStringLiteral("\\dDB\\A社\\")), QStringLiteral("A社"));
    EXPECT_EQ(sh::GetFileName(QStringLiteral("/x/demand.csv")), QStringLiteral("demand.csv"));
    EXPECT_EQ(sh::BuildPath(QStringLiteral("\\dDB"), QStringLiteral("A")), QStringLiteral("\\dDB\\A"));
    EXPECT_EQ(sh::BuildPath(QStringLiteral("/x/"), QStringLiteral("A")), QStringLiteral("/x/A"));
}

TEST(ShellFolders, ProgramFolderFollowsTalvikHome)
{
    const QByteArray saved = qgetenv("TALVIK_HOME");
    qputenv("TALVIK_HOME", "/tmp/some\\where/");
    EXPECT_EQ(sh::programFolder(), QStringLiteral("/tmp/some/where"));
    qunsetenv("TALVIK_HOME");
    EXPECT_EQ(sh::programFolder(), QDir(QCoreApplication::applicationDirPath()).absolutePath());
    if (!saved.isEmpty())
        qputenv("TALVIK_HOME", saved);
    EXPECT_TRUE(QDir(sh::desktopFolder()).exists());
}

TEST_F(ShellTest, CurrentFolderAndDrive)
{
    const QString before = sh::CurDir();
    sh::ChDrive(QStringLiteral("C:\\Users"));
    EXPECT_EQ(sh::CurDir(), before);
    sh::ChDir(backslashed(root));
    EXPECT_EQ(QDir(sh::CurDir()).canonicalPath(), QDir(root).canonicalPath());
    EXPECT_EQ(errorOf([&] { sh::ChDir(at(QStringLiteral("missing"))); }), 76);
    sh::ChDir(before);
}

TEST_F(ShellTest, CreateAndDeleteFoldersAndFiles)
{
    const QString dDB = backslashed(root) + QStringLiteral("\\dDB");
    EXPECT_FALSE(sh::FolderExists(dDB));
    sh::CreateFolder(dDB);
    EXPECT_TRUE(sh::FolderExists(dDB));
    EXPECT_FALSE(sh::FileExists(dDB));
    EXPECT_EQ(errorOf([&] { sh::CreateFolder(dDB); }), 58);
    EXPECT_EQ(errorOf([&] { sh::CreateFolder(dDB + QStringLiteral("\\a\\b")); }), 76);

    sh::CreateFolder(dDB + QStringLiteral("\\Kita"));
    writeFile(at(QStringLiteral("dDB/Kita/demand.csv")), "x");
    EXPECT_TRUE(sh::FileExists(dDB + QStringLiteral("\\Kita\\demand.csv")));

    // A read-only file stops a delete that is not forced, before anything goes.
    QFile::setPermissions(at(QStringLiteral("dDB/Kita/demand.csv")), QFileDevice::ReadOwner);
    EXPECT_EQ(errorOf([&] { sh::DeleteFolder(dDB); }), 70);
    EXPECT_TRUE(sh::FileExists(dDB + QStringLiteral("\\Kita\\demand.csv")));
    EXPECT_EQ(errorOf([&] { sh::DeleteFile(dDB + QStringLiteral("\\Kita\\demand.csv")); }), 70);
    sh::DeleteFolder(dDB, true);
    EXPECT_FALSE(sh::FolderExists(dDB));
    EXPECT_EQ(errorOf([&] { sh::DeleteFolder(dDB); }), 76);
    EXPECT_EQ(errorOf([&] { sh::DeleteFile(dDB + QStringLiteral("\\x")); }), 53);

    writeFile(at(QStringLiteral("f.txt")), "1");
    sh::DeleteFile(at(QStringLiteral("f.txt")));
    EXPECT_FALSE(sh::FileExists(at(QStringLiteral("f.txt"))));
}

TEST_F(ShellTest, CopyFolderOfManyFilesCopiesEveryByteAndStopsAtAFailure)
{
    // A store-like tree: many files in nested folders.
    for (int c = 0; c < 6; ++c)
        for (int y = 0; y < 8; ++y) {
            const QString folder = QStringLiteral("src/C%1/%2年").arg(c).arg(2010 + y);
            QDir(root).mkpath(folder);
            writeFile(at(folder + QStringLiteral("/demand.csv")), QByteArray(1000 + c * 37 + y, char('a' + (c + y) % 26)));
        }
    sh::CopyFolder(at(QStringLiteral("src")), at(QStringLiteral("dst")));
    int compared = 0;
    for (int c = 0; c < 6; ++c)
        for (int y = 0; y < 8; ++y) {
            const QString rel = QStringLiteral("C%1/%2年/demand.csv").arg(c).arg(2010 + y);
            EXPECT_EQ(readFile(at(QStringLiteral("dst/") + rel)), readFile(at(QStringLiteral("src/") + rel))) << rel.toStdString();
            ++compared;
        }
    EXPECT_EQ(compared, 48);

    // Copying again without overwrite fails as one file does; a read-only
    // target under overwrite fails too and keeps its bytes.
    EXPECT_EQ(errorOf([&] { sh::CopyFolder(at(QStringLiteral("src")), at(QStringLiteral("dst")), false); }), 58);
    QFile locked(at(QStringLiteral("dst/C3/2015年/demand.csv")));
    ASSERT_TRUE(locked.setPermissions(QFileDevice::ReadOwner));
    writeFile(at(QStringLiteral("src/C3/2015年/demand.csv")), "changed");
    EXPECT_EQ(errorOf([&] { sh::CopyFolder(at(QStringLiteral("src")), at(QStringLiteral("dst")), true); }), 70);
    EXPECT_NE(readFile(at(QStringLiteral("dst/C3/2015年/demand.csv"))), "changed");
    ASSERT_TRUE(locked.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

TEST_F(ShellTest, CopyFolderRecursiveWithOverwrite)
{
    QDir(root).mkpath(QStringLiteral("dDB.tran/A社/2013年"));
    writeFile(at(QStringLiteral("dDB.tran/A社/2013年/demand.csv")), "new");
    writeFile(at(QStringLiteral("dDB.tran/download.log")), "log");
    QDir(root).mkpath(QStringLiteral("dDB/A社/2013年"));
    writeFile(at(QStringLiteral("dDB/A社/2013年/demand.csv")), "old");
    writeFile(at(QStringLiteral("dDB/A社/keep.txt")), "kept");

    sh::CopyFolder(backslashed(root) + QStringLiteral("\\dDB.tran\\A社"), backslashed(root) + QStringLiteral("\\dDB\\A社"));
    EXPECT_EQ(readFile(at(QStringLiteral("dDB/A社/2013年/demand.csv"))), "new");
    EXPECT_EQ(readFile(at(QStringLiteral("dDB/A社/keep.txt"))), "kept");

    writeFile(at(QStringLiteral("dDB.tran/A社/2013年/demand.csv")), "newer");
    EXPECT_EQ(errorOf([&] { sh::CopyFolder(at(QStringLiteral("dDB.tran/A社")), at(QStringLiteral("dDB/A社")), false); }), 58);
    EXPECT_EQ(readFile(at(QStringLiteral("dDB/A社/2013年/demand.csv"))), "new");

    // A destination ending in a separator receives the folder under its name.
    QDir(root).mkpath(QStringLiteral("into"));
    sh::CopyFolder(at(QStringLiteral("dDB.tran/A社")), backslashed(at(QStringLiteral("into"))) + QLatin1Char('\\'));
    EXPECT_EQ(readFile(at(QStringLiteral("into/A社/2013年/demand.csv"))), "newer");

    EXPECT_EQ(errorOf([&] { sh::CopyFolder(at(QStringLiteral("nothing")), at(QStringLiteral("x"))); }), 76);
    EXPECT_EQ(errorOf([&] { sh::CopyFolder(at(QStringLiteral("dDB.tran")), at(QStringLiteral("dDB.tran/A社/inside"))); }), 70);

    const auto subs = sh::SubFolders(at(QStringLiteral("dDB.tran")));
    ASSERT_EQ(subs.size(), 1u);
    EXPECT_EQ(subs[0].Name, QStringLiteral("A社"));
    EXPECT_EQ(subs[0].Path, at(QStringLiteral("dDB.tran/A社")));
    EXPECT_EQ(errorOf([&] { sh::SubFolders(at(QStringLiteral("none"))); }), 76);
}

TEST_F(ShellTest, CopyAndMoveFiles)
{
    writeFile(at(QStringLiteral("a.log")), "A");
    writeFile(at(QStringLiteral("b.log")), "B");
    EXPECT_EQ(errorOf([&] { sh::CopyFile(at(QStringLiteral("a.log")), at(QStringLiteral("b.log")), false); }), 58);
    EXPECT_EQ(readFile(at(QStringLiteral("b.log"))), "B");
    sh::CopyFile(at(QStringLiteral("a.log")), at(QStringLiteral("b.log")));
    EXPECT_EQ(readFile(at(QStringLiteral("b.log"))), "A");
    EXPECT_EQ(errorOf([&] { sh::CopyFile(at(QStringLiteral("none")), at(QStringLiteral("c"))); }), 53);
    EXPECT_EQ(errorOf([&] { sh::CopyFile(at(QStringLiteral("a.log")), at(QStringLiteral("no/c"))); }), 76);

    sh::MoveFile(at(QStringLiteral("a.log")), at(QStringLiteral("c.log")));
    EXPECT_FALSE(sh::FileExists(at(QStringLiteral("a.log"))));
    EXPECT_EQ(readFile(at(QStringLiteral("c.log"))), "A");
    EXPECT_EQ(errorOf([&] { sh::MoveFile(at(QStringLiteral("c.log")), at(QStringLiteral("b.log"))); }), 58);
    EXPECT_EQ(errorOf([&] { sh::MoveFile(at(QStringLiteral("a.log")), at(QStringLiteral("d.log"))); }), 53);

    QDir(root).mkpath(QStringLiteral("dDB/K"));
    sh::MoveFolder(backslashed(at(QStringLiteral("dDB"))), backslashed(at(QStringLiteral("dDB.tmp"))));
    EXPECT_TRUE(sh::FolderExists(at(QStringLiteral("dDB.tmp/K"))));
    EXPECT_FALSE(sh::FolderExists(at(QStringLiteral("dDB"))));
    EXPECT_EQ(errorOf([&] { sh::MoveFolder(at(QStringLiteral("dDB")), at(QStringLiteral("x"))); }), 76);
    QDir(root).mkpath(QStringLiteral("other"));
    EXPECT_EQ(errorOf([&] { sh::MoveFolder(at(QStringLiteral("dDB.tmp")), at(QStringLiteral("other"))); }), 58);
}

TEST_F(ShellTest, StatementForms)
{
    sh::MkDir(at(QStringLiteral("m")));
    EXPECT_EQ(errorOf([&] { sh::MkDir(at(QStringLiteral("m"))); }), 75);
    EXPECT_EQ(errorOf([&] { sh::MkDir(at(QStringLiteral("x/y"))); }), 76);
    writeFile(at(QStringLiteral("m/f")), "f");
    EXPECT_EQ(errorOf([&] { sh::RmDir(at(QStringLiteral("m"))); }), 75);
    sh::Kill(at(QStringLiteral("m/f")));
    EXPECT_EQ(errorOf([&] { sh::Kill(at(QStringLiteral("m/f"))); }), 53);
    sh::RmDir(at(QStringLiteral("m")));
    EXPECT_FALSE(sh::FolderExists(at(QStringLiteral("m"))));
    EXPECT_EQ(errorOf([&] { sh::RmDir(at(QStringLiteral("m"))); }), 76);
}

namespace {
QStringList names(const std::vector<sh::FolderEntry> &entries)
{
    QStringList out;
    for (const sh::FolderEntry &e : entries)
        out << e.Name;
    return out;
}
} // namespace

TEST_F(ShellTest, FoldersAndFilesAreListedByNameWithoutRegardToCase)
{
    // Created in another order than listed; enough names that the file
    // system's own order is not this one by chance.
    QStringList expected;
    for (int i = 0; i < 24; ++i)
        expected << QStringLiteral("%1").arg(100 + 7 * i, 9, 10, QLatin1Char('0'));
    expected << QStringLiteral("a") << QStringLiteral("B") << QStringLiteral("c") << QStringLiteral("Z")
             << QStringLiteral("_x") << QStringLiteral("東京工場");
    QStringList created = expected;
    std::reverse(created.begin(), created.end());
    std::rotate(created.begin(), created.begin() + 11, created.end());
    ASSERT_TRUE(QDir().mkpath(at(QStringLiteral("files"))));
    for (const QString &n : created) {
        ASSERT_TRUE(QDir().mkpath(at(QStringLiteral("folders/") + n)));
        writeFile(at(QStringLiteral("files/") + n + QStringLiteral(".csv")), "x");
    }
    ASSERT_TRUE(QDir().mkpath(at(QStringLiteral("folders"))));
    writeFile(at(QStringLiteral("folders/not-a-folder.txt")), "x");
    EXPECT_EQ(names(sh::SubFolders(backslashed(at(QStringLiteral("folders"))))), expected);
    QStringList files;
    for (const QString &n : expected)
        files << n + QStringLiteral(".csv");
    EXPECT_EQ(names(sh::Files(at(QStringLiteral("files")))), files);
    EXPECT_EQ(errorOf([&] { sh::Files(at(QStringLiteral("missing"))); }), 76);
    // Names equal but for case keep a fixed order (upper case first).
    EXPECT_LT(sh::compareNames(QStringLiteral("ABC"), QStringLiteral("abc")), 0);
    EXPECT_EQ(sh::compareNames(QStringLiteral("abc"), QStringLiteral("abc")), 0);
    EXPECT_LT(sh::compareNames(QStringLiteral("ab"), QStringLiteral("ABC")), 0);
}

TEST_F(ShellTest, PathsResolveInAnyLetterCase)
{
    ASSERT_TRUE(QDir().mkpath(at(QStringLiteral("Input/123456789"))));
    writeFile(at(QStringLiteral("Input/123456789/123456789.CSV")), "d");
    writeFile(at(QStringLiteral("Input/123456789/123456789AS.CSV")), "c");
    const QString asked = backslashed(at(QStringLiteral("input/123456789/123456789as.csv")));
    const QString found = sh::resolvePathCase(asked);
    EXPECT_EQ(found, at(QStringLiteral("Input/123456789/123456789AS.CSV")));
    EXPECT_EQ(readFile(found), QByteArray("c"));
    EXPECT_TRUE(sh::FileExists(sh::resolvePathCase(at(QStringLiteral("INPUT/123456789/123456789.csv")))));
    // A path that exists as written, or that matches nothing, is unchanged.
    const QString exact = backslashed(at(QStringLiteral("Input/123456789/123456789.CSV")));
    EXPECT_EQ(sh::resolvePathCase(exact), exact);
    const QString none = backslashed(at(QStringLiteral("input/123456789/987654321.csv")));
    EXPECT_EQ(sh::resolvePathCase(none), none);
    EXPECT_EQ(sh::resolvePathCase(QString()), QString());
}

TEST(ShellFolders, RelativeProgramFolderIsFixedAtTheFirstCall)
{
    const QByteArray saved = qgetenv("TALVIK_HOME");
    const QString savedDir = QDir::currentPath();
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    ASSERT_TRUE(QDir(base.path()).mkpath(QStringLiteral("prog/sub")));
    ASSERT_TRUE(QDir::setCurrent(base.path()));
    qputenv("TALVIK_HOME", "prog/");
    const QString expected = QDir(base.path()).canonicalPath() + QStringLiteral("/prog");
    const QString first = sh::programFolder();
    EXPECT_EQ(QDir(first).canonicalPath(), expected);
    EXPECT_TRUE(QDir::isAbsolutePath(first)) << first.toStdString();
    // The current folder moves (as it does while a data set is archived):
    // the program folder stays where it was.
    ASSERT_TRUE(QDir::setCurrent(base.path() + QStringLiteral("/prog/sub")));
    EXPECT_EQ(sh::programFolder(), first);
    // Kept by the layer: the environment, which other threads may read, is
    // left as it was set.
    EXPECT_EQ(qEnvironmentVariable("TALVIK_HOME"), QStringLiteral("prog/"));
    QDir::setCurrent(savedDir);
    if (saved.isEmpty())
        qunsetenv("TALVIK_HOME");
    else
        qputenv("TALVIK_HOME", saved);
}
