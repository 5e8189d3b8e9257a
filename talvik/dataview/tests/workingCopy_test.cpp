// The working copy "dDB.tran" shares the committed store's files instead of
// copying them: after each open every file of it is the committed file under
// a second name, and whatever the window then does to the working copy (a
// store run, a CSV import, a rename, deletions, the log) leaves every file
// of the committed store byte for byte as it was; a save shares again what
// is unchanged, and the replaced stores are gone after the window closes.
#include "dataWindowFixture.h"

#include "platform/fileio/linktree.h"
#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/dataWindow.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTreeWidgetItem>

#include <sys/stat.h>

using namespace dwtest;
using namespace platform::forms;

namespace {

struct FileState {
    QByteArray bytes;
    ino_t inode = 0;
    bool operator==(const FileState &o) const { return bytes == o.bytes && inode == o.inode; }
};

ino_t inodeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Every file below `folder`, relative path to bytes and file number.
QMap<QString, FileState> snapshot(const QString &folder)
{
    QMap<QString, FileState> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        files.insert(QDir(folder).relativeFilePath(path),
                     {f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"), inodeOf(path)});
    }
    return files;
}

// One RD reply block: STX "RD" YYMMDDHHMM watt ETX.
QByteArray block(const char *yymmddhhmm, const char *watt)
{
    return QByteArray("\x02RD") + yymmddhhmm + watt + '\x03';
}

class WorkingCopyTest : public DataWindowTest {
protected:
    void SetUp() override
    {
        DataWindowTest::SetUp();
        // The store run logs through the window's log, as the program does.
        talvik::storeServices().addLog = [](ListBox *list, const QString &text) { talvik::appLogsAdd(list, text); };
        makeStore();
    }

    // Files of the working copy that are not the committed file of the same
    // path under a second name.
    QStringList unshared() const
    {
        QStringList out;
        const QMap<QString, FileState> committed = snapshot(path(QStringLiteral("dDB")));
        const QMap<QString, FileState> working = snapshot(path(QStringLiteral("dDB.tran")));
        for (auto it = working.cbegin(); it != working.cend(); ++it)
            if (!committed.contains(it.key()) || committed[it.key()].inode != it->inode)
                out << it.key();
        return out;
    }

    QStringList leftovers() const
    {
        platform::fileio::waitForBackgroundRemovals();
        return QDir(home()).entryList({QStringLiteral("dDB.work-*")}, QDir::AllEntries | QDir::Hidden);
    }
};

} // namespace

TEST_F(WorkingCopyTest, NothingDoneToTheWorkingCopyReachesTheCommittedStore)
{
    const QMap<QString, FileState> committed = snapshot(path(QStringLiteral("dDB")));
    ASSERT_EQ(committed.size(), 7);
    loadWindow();

    // The open linked the files instead of copying them.
    const QMap<QString, FileState> opened = snapshot(path(QStringLiteral("dDB.tran")));
    EXPECT_EQ(opened.keys(), committed.keys());
    EXPECT_TRUE(unshared().isEmpty()) << unshared().join(' ').toStdString();

    // A store run into an existing year table.
    talvik::clsDataD &record = *w->demandData;
    record.initData();
    record.setCustomer(QStringLiteral("大阪支店"));
    for (const QByteArray &b : {block("2403010030", "0777"), block("2403010000", "0555")})
        ASSERT_TRUE(record.setRecvData(b, int(b.size())));
    ASSERT_TRUE(record.fire(false));

    // A CSV import into another customer's existing year.
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("東京工場");
        return true;
    };
    writeFile(QStringLiteral("in/import.csv"), "20240105,1000,0999\r\n20240106,0830,0042\r\n");
    script->chooseFile(path(QStringLiteral("in/import.csv")));
    w->importCsvFile();

    // A rename of the customer the store run changed.
    clickNode(QStringLiteral("\\dDB.tran\\大阪支店"));
    w->mnuEdit_Click(1);
    ASSERT_EQ(w->labelEditKey(), QStringLiteral("\\dDB.tran\\大阪支店"));
    w->treData().Item(QStringLiteral("\\dDB.tran\\大阪支店"))->item()->setText(0, QStringLiteral("大阪第二支店"));

    // The deletion of a year and of a whole customer.
    clickNode(QStringLiteral("\\dDB.tran\\東京工場\\2023年"));
    script->answerNext(vbOK);
    w->mnuPop_Click(7);
    clickNode(QStringLiteral("\\dDB.tran\\大阪第二支店"));
    script->answerNext(vbOK);
    w->mnuEdit_Click(4);
    EXPECT_TRUE(script->verify()) << "no other message was shown";

    // Each change happened in the working copy...
    const QMap<QString, FileState> changed = snapshot(path(QStringLiteral("dDB.tran")));
    EXPECT_FALSE(changed.contains(QStringLiteral("東京工場/2023年/demand.csv")));
    EXPECT_FALSE(changed.contains(QStringLiteral("大阪支店/2024年/demand.csv")));
    EXPECT_FALSE(changed.contains(QStringLiteral("大阪第二支店/2024年/demand.csv")));
    const QByteArray tokyo = changed.value(QStringLiteral("東京工場/2024年/demand.csv")).bytes;
    EXPECT_TRUE(tokyo.contains("24010510000999")) << tokyo.toStdString();
    EXPECT_TRUE(tokyo.contains("24010608300042")) << tokyo.toStdString();
    EXPECT_NE(changed.value(QStringLiteral("download.log")).bytes, committed.value(QStringLiteral("download.log")).bytes);
    w->setDataChanged(false);
    ASSERT_TRUE(w->Unload());

    // ...and none reached the committed store: the same files, same bytes.
    EXPECT_EQ(snapshot(path(QStringLiteral("dDB"))), committed);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();

    // The next open shares the committed files again.
    w->Load();
    EXPECT_EQ(snapshot(path(QStringLiteral("dDB.tran"))).keys(), committed.keys());
    EXPECT_TRUE(unshared().isEmpty()) << unshared().join(' ').toStdString();
}

TEST_F(WorkingCopyTest, ASaveSharesWhatIsUnchangedAndTheReopenedCopySharesAll)
{
    loadWindow();
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("東京工場");
        return true;
    };
    writeFile(QStringLiteral("in/import.csv"), "20240105,1000,0999\r\n");
    script->chooseFile(path(QStringLiteral("in/import.csv")));
    w->importCsvFile();
    const QMap<QString, FileState> before = snapshot(path(QStringLiteral("dDB")));

    script->chooseFile(path(QStringLiteral("set.dmd")));
    ASSERT_TRUE(w->saveDataSet());
    const QMap<QString, FileState> working = snapshot(path(QStringLiteral("dDB.tran")));
    ASSERT_NE(working.value(QStringLiteral("東京工場/2024年/demand.csv")).bytes,
              before.value(QStringLiteral("東京工場/2024年/demand.csv")).bytes);

    // The new committed store holds the working copy's bytes; the files the
    // save found unchanged are the very files of the previous store.
    const QMap<QString, FileState> saved = snapshot(path(QStringLiteral("dDB")));
    ASSERT_EQ(saved.keys(), working.keys());
    for (auto it = saved.cbegin(); it != saved.cend(); ++it) {
        EXPECT_EQ(it->bytes, working[it.key()].bytes) << it.key().toStdString();
        const bool unchanged = before.contains(it.key()) && before[it.key()].bytes == it->bytes;
        EXPECT_EQ(it->inode == before.value(it.key()).inode, unchanged) << it.key().toStdString();
    }
    // The previous store is the backup, untouched.
    EXPECT_EQ(snapshot(path(QStringLiteral("dDB.tmp"))), before);

    // Opening the set replaces "dDB" by its contents; the working copy
    // shares every file with it and the replaced stores go.
    script->chooseFile(path(QStringLiteral("set.dmd")));
    w->mnuFile_Click(0);
    EXPECT_TRUE(script->verify());
    const QMap<QString, FileState> reopened = snapshot(path(QStringLiteral("dDB")));
    ASSERT_EQ(reopened.keys(), working.keys());
    for (auto it = reopened.cbegin(); it != reopened.cend(); ++it)
        EXPECT_EQ(it->bytes, working[it.key()].bytes) << it.key().toStdString();
    EXPECT_TRUE(unshared().isEmpty()) << unshared().join(' ').toStdString();
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
}
