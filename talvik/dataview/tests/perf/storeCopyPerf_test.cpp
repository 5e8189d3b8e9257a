// A save shares a file with the committed store only when every byte of it
// is the same, wherever in the file the difference lies.
#include "talvik/dataview/storeFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace sf = talvik::storefolders;

namespace {

void put(const QString &path, const QByteArray &data)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

QByteArray content(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

ino_t inodeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST(StoreCopy, SharesOnlyFilesWhoseEveryByteIsTheSame)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Larger than the pieces the comparison reads at a time.
    QByteArray table;
    for (int i = 0; table.size() < 700 * 1024; ++i)
        table += QByteArray::number(i).rightJustified(26, '0') + "\r\n";
    const qsizetype last = table.size() - 1;
    const struct {
        const char *name;
        qsizetype changedAt; // -1: unchanged
    } files[] = {{"same.csv", -1}, {"first.csv", 0}, {"middle.csv", 300 * 1024}, {"last.csv", last}};
    for (const auto &f : files) {
        put(dir.filePath(QString("committed/C1/") + f.name), table);
        QByteArray working = table;
        if (f.changedAt >= 0)
            working[f.changedAt] = working[f.changedAt] == '7' ? '8' : '7';
        put(dir.filePath(QString("working/C1/") + f.name), working);
    }
    put(dir.filePath("committed/C1/empty.txt"), QByteArray());
    put(dir.filePath("working/C1/empty.txt"), QByteArray());
    ASSERT_TRUE(QDir().mkpath(dir.filePath("dDB.new")));

    sf::copyIntoTemporaryTree(dir.filePath("working/C1"), dir.filePath("dDB.new/C1"), dir.filePath("committed/C1"));

    for (const auto &f : files) {
        const QString built = dir.filePath(QString("dDB.new/C1/") + f.name);
        EXPECT_TRUE(content(built) == content(dir.filePath(QString("working/C1/") + f.name))) << f.name;
        const bool shared = inodeOf(built) == inodeOf(dir.filePath(QString("committed/C1/") + f.name));
        EXPECT_EQ(shared, f.changedAt < 0) << f.name;
    }
    EXPECT_EQ(inodeOf(dir.filePath("dDB.new/C1/empty.txt")), inodeOf(dir.filePath("committed/C1/empty.txt")));
}
