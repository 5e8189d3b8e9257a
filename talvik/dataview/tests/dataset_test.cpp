// The data set: start-up rebuild of the working copy, save and open of ".dmd"
// archives through scripted dialogs, interoperation with independent LHA
// programs, and damaged or hostile files that must leave the store as it was.
#include "talvik/dataview/dataSet.h"

#include "platform/archive/archive.h"
#include "platform/codepage/codepage.h"
#include "platform/fileio/durable.h"
#include "platform/fileio/linktree.h"
#include "platform/forms/commondialog.h"
#include "platform/forms/constants.h"
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/form.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"
#include "testfiles.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/archive/tests/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

using namespace talvik;
using platform::forms::DialogScript;
using platform::forms::ShownDialog;

namespace {

// A folder tree: relative path ("/" separators) → content; folders end in "/".
using Tree = QMap<QString, QByteArray>;

Tree readTree(const QString &root)
{
    Tree tree;
    if (!QFileInfo(root).isDir())
        return tree;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString rel = base.relativeFilePath(it.filePath());
        if (it.fileInfo().isDir()) {
            tree.insert(rel + QLatin1Char('/'), QByteArray());
        } else {
            QFile f(it.filePath());
            tree.insert(rel, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
        }
    }
    return tree;
}

using talviktest::readFile;
using talviktest::writeFile;

// A year table of `lines` half hours in the store's fixed-width layout.
QByteArray yearTable(int year, int lines, int seed)
{
    QByteArray out;
    QDateTime t(QDate(year, 1, 1), QTime(0, 0), Qt::UTC);
    for (int i = 0; i < lines; ++i, t = t.addSecs(1800)) {
        out += t.toString(QStringLiteral("yyMMddHHmm")).toLatin1();
        out += QByteArray::number((i * 37 + seed * 101) % 9000 + 100).rightJustified(4, '0');
        out += t.addSecs(300).toString(QStringLiteral("yyyyMMddHHmm")).toLatin1();
        out += "\r\n";
    }
    return out;
}

const QByteArray kSchema = "[demand.csv]\r\nColNameHeader=False\r\nFormat=FixedLength\r\n";

// A store: customers with year folders, an empty customer, and a log.
void writeStore(const QString &folder, const QStringList &customers, const QByteArray &log)
{
    int seed = 0;
    for (const QString &c : customers) {
        for (int y : {2013, 2014}) {
            const QString yearFolder = folder + QStringLiteral("/%1/%2年").arg(c).arg(y);
            writeFile(yearFolder + QStringLiteral("/demand.csv"), yearTable(y, 500, ++seed));
            writeFile(yearFolder + QStringLiteral("/schema.ini"), kSchema);
        }
    }
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/空")));
    if (!log.isNull())
        writeFile(folder + QStringLiteral("/download.log"), log);
}

class HostWindow : public platform::forms::Form {
public:
    platform::forms::ListBox lstLogs{this, QStringLiteral("lstLogs")};
};

class Host : public IDataSetHost {
public:
    platform::forms::Form *form() override { return &window; }
    platform::forms::Form *mainWindow() override { return &mainWin; }
    platform::forms::CommonDialog &cdlCSVFile() override { return cdl; }
    platform::forms::ListBox *lstLogs() override { return &window.lstLogs; }
    clsLogs *windowLogs() override { return logs.get(); }
    bool dataChanged() const override { return changed; }
    void setDataChanged(bool c) override { changed = c; }

    HostWindow window;
    platform::forms::Form mainWin;
    platform::forms::CommonDialog cdl;
    std::unique_ptr<clsLogs> logs;
    bool changed = true;
};

using archivetest::ProcessResult;
using archivetest::run;

// CRC-16/ARC, written out here so that hand-made archives do not use the code under test.
unsigned arcCrc(const QByteArray &data)
{
    unsigned crc = 0;
    for (char ch : data) {
        crc ^= static_cast<unsigned char>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

void le16(QByteArray &b, unsigned v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

void le32(QByteArray &b, unsigned v)
{
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

// A level-0 entry with stored data; `crcDelta` spoils the data CRC.
QByteArray level0Entry(const QByteArray &name, const QByteArray &data, unsigned crcDelta = 0)
{
    QByteArray h(2, '\0');
    h += "-lh0-";
    le32(h, unsigned(data.size()));
    le32(h, unsigned(data.size()));
    le32(h, (33u << 25) | (7u << 21) | (25u << 16) | (10u << 11));
    h.append(char(0x20));
    h.append(char(0));
    h.append(char(name.size()));
    h += name;
    le16(h, (arcCrc(data) + crcDelta) & 0xFFFF);
    h[0] = char(h.size() - 2);
    unsigned sum = 0;
    for (qsizetype i = 2; i < h.size(); ++i)
        sum += static_cast<unsigned char>(h[i]);
    h[1] = char(sum & 0xFF);
    return h + data;
}

class DataSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        m_savedHome = qgetenv("TALVIK_HOME");
        qputenv("TALVIK_HOME", home.path().toUtf8());
        m_savedDir = QDir::currentPath();
        DialogScript::setUnexpectedDialogHandler([](const QString &report) { ADD_FAILURE() << report.toStdString(); });
        host.logs = std::make_unique<clsLogs>();
        host.cdl.setInitDir(platform::shell::programFolder());
        wait.setParent(&host.window);
        waitForm = &wait;
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("sets"))));
    }
    void TearDown() override
    {
        if (wait.isLoaded())
            wait.Unload();
        waitForm = nullptr;
        DialogScript::setUnexpectedDialogHandler({});
        QDir::setCurrent(m_savedDir);
        if (m_savedHome.isEmpty())
            qunsetenv("TALVIK_HOME");
        else
            qputenv("TALVIK_HOME", m_savedHome);
    }

    QString path(const QString &relative) const { return home.path() + QLatin1Char('/') + relative; }
    Tree tree(const QString &relative) const { return readTree(path(relative)); }

    // Saves the working copy into `target` through a scripted dialog.
    bool save(const QString &target)
    {
        DialogScript script;
        script.chooseFile(target);
        const bool ok = saveDataSet(host);
        EXPECT_TRUE(script.verify());
        return ok;
    }

    // Opens `file` from the menu; returns the message boxes shown.
    QStringList open(const QString &file, bool *result = nullptr)
    {
        DialogScript script;
        script.chooseFile(file);
        const bool ok = openDataSet(host, false);
        if (result)
            *result = ok;
        QStringList boxes;
        for (const ShownDialog &d : script.shown())
            if (d.kind == ShownDialog::MessageBox)
                boxes.append(d.prompt);
        // No box is scripted: any box shown is also reported as unexpected.
        return boxes;
    }

    // Leftovers of an operation beside the data folders, once the worker
    // that deletes replaced stores is done.
    QStringList strayEntries() const
    {
        platform::fileio::waitForBackgroundRemovals();
        QStringList stray;
        for (const QString &name : QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            if (name != QLatin1String("dDB") && name != QLatin1String("dDB.tran") && name != QLatin1String("dDB.tmp") &&
                name != QLatin1String("sets"))
                stray.append(name);
        return stray;
    }

    QTemporaryDir home;
    Host host;
    frmWait wait;

private:
    QByteArray m_savedHome;
    QString m_savedDir;
};

// Records the wait dialog's texts whenever events run.
class WaitWatcher {
public:
    explicit WaitWatcher(frmWait &wait)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, &wait] {
            if (!wait.isLoaded())
                return;
            owners.insert(wait.Owner());
            messages.insert(wait.waitMsg());
            info1.insert(wait.loadInfo1());
            info2.insert(wait.loadInfo2());
        });
        m_timer.start(0);
    }
    QSet<platform::forms::Form *> owners;
    QSet<QString> messages, info1, info2;

private:
    QTimer m_timer;
};

} // namespace

// ---------------------------------------------------------------- start-up

TEST_F(DataSetTest, StartUpWithoutCommittedStoreCreatesItAndAnEmptyWorkingCopy)
{
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("C")}, "x\r\n");
    WaitWatcher watch(wait);
    EXPECT_TRUE(openDataSet(host, true));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("dDB"))).isDir());
    EXPECT_TRUE(tree(QStringLiteral("dDB")).isEmpty());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("dDB.tran"))).isDir());
    EXPECT_TRUE(tree(QStringLiteral("dDB.tran")).isEmpty()) << "no customers and no log";
    EXPECT_FALSE(host.changed);
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(strayEntries().isEmpty()) << strayEntries().join(' ').toStdString();
}

TEST_F(DataSetTest, StartUpRebuildsTheWorkingCopyFromTheCommittedStore)
{
    const QByteArray log = platform::codepage::toAnsi(QStringLiteral("2013/07/25 10:00    情報データ読み込み(A社)\r\n"));
    writeStore(path(QStringLiteral("dDB")), {QStringLiteral("A社"), QStringLiteral("B")}, log);
    writeFile(path(QStringLiteral("dDB/stray.txt")), "top-level files stay behind");
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A社"), QStringLiteral("B"), QStringLiteral("C")},
               "unsaved\r\n");
    writeFile(path(QStringLiteral("dDB.tran/A社/2013年/demand.csv")), "edited, not saved\r\n");
    const Tree committed = tree(QStringLiteral("dDB"));

    WaitWatcher watch(wait);
    EXPECT_TRUE(openDataSet(host, true));

    Tree expected = committed;
    expected.remove(QStringLiteral("stray.txt"));
    EXPECT_EQ(tree(QStringLiteral("dDB.tran")), expected);
    EXPECT_EQ(tree(QStringLiteral("dDB")), committed);
    EXPECT_FALSE(host.changed);
    // The data window is not shown yet: the main window owns the progress.
    EXPECT_TRUE(watch.owners.contains(&host.mainWin));
    EXPECT_TRUE(watch.messages.contains(QStringLiteral("データ抽出中・・・・")));
    EXPECT_TRUE(watch.info2.contains(QStringLiteral("  [抽出中]  ----->>>  A社")));
    EXPECT_TRUE(watch.info1.contains(QDir::cleanPath(path(QStringLiteral("dDB/A社")))))
        << QStringList(watch.info1.values()).join('|').toStdString();
    EXPECT_FALSE(wait.isLoaded());
}

// ---------------------------------------------------------------- save

TEST_F(DataSetTest, SaveOffersTodaysNameAndCommitsTheWorkingCopy)
{
    writeStore(path(QStringLiteral("dDB")), {QStringLiteral("Old")}, "old log\r\n");
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A社")}, QByteArray());
    host.logs->add(host.lstLogs(), QStringLiteral("情報データ読み込み(A社)追加：48 更新：0"));
    const Tree previous = tree(QStringLiteral("dDB"));

    const QDate before = QDate::currentDate();
    DialogScript script;
    // The name is accepted as offered, without an extension.
    script.chooseFile(path(QStringLiteral("sets/")) + before.toString(QStringLiteral("yyyy-MM-dd")));
    WaitWatcher watch(wait);
    EXPECT_TRUE(saveDataSet(host));
    ASSERT_TRUE(script.verify());
    const QDate after = QDate::currentDate();

    ASSERT_EQ(script.shown().size(), 1);
    const ShownDialog &d = script.shown().first();
    EXPECT_EQ(d.kind, ShownDialog::SaveFile);
    EXPECT_TRUE(d.prompt == before.toString(QStringLiteral("yyyy-MM-dd")) ||
                d.prompt == after.toString(QStringLiteral("yyyy-MM-dd")))
        << d.prompt.toStdString();
    EXPECT_EQ(d.title, QStringLiteral("保存先"));
    EXPECT_EQ(d.filter, QStringLiteral("デマンド監視データ(*.dmd)|*.dmd"));
    EXPECT_EQ(d.initDir, platform::shell::desktopFolder()) << "first dialog: InitDir was the program folder";

    const QString saved = path(QStringLiteral("sets/")) + before.toString(QStringLiteral("yyyy-MM-dd")) +
                          QStringLiteral(".dmd");
    EXPECT_TRUE(QFileInfo::exists(saved));
    EXPECT_EQ(host.cdl.FileName(), saved);
    EXPECT_EQ(tree(QStringLiteral("dDB")), tree(QStringLiteral("dDB.tran")));
    EXPECT_TRUE(readFile(path(QStringLiteral("dDB/download.log")))
                    .contains(platform::codepage::toAnsi(QStringLiteral("情報データ読み込み(A社)"))));
    EXPECT_EQ(tree(QStringLiteral("dDB.tmp")), previous);
    EXPECT_FALSE(host.changed);
    EXPECT_TRUE(watch.owners.contains(&host.window));
    EXPECT_TRUE(watch.messages.contains(QStringLiteral("データ保存中・・・・")));
    EXPECT_TRUE(watch.info2.contains(QStringLiteral("A社  ----->  [保存中]  ")));
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(QDir(path(QStringLiteral("sets"))).entryList(QDir::Files | QDir::Hidden).size() == 1)
        << QDir(path(QStringLiteral("sets"))).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();

    // The second dialog opens in the current folder; a second save replaces
    // the backup of the first one.
    const Tree firstCommit = tree(QStringLiteral("dDB"));
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("B")}, QByteArray());
    DialogScript again;
    again.chooseFile(path(QStringLiteral("sets/second.dmd")));
    EXPECT_TRUE(saveDataSet(host));
    ASSERT_TRUE(again.verify());
    EXPECT_EQ(again.shown().first().initDir, QString());
    EXPECT_EQ(tree(QStringLiteral("dDB.tmp")), firstCommit);
    EXPECT_TRUE(tree(QStringLiteral("dDB")).contains(QStringLiteral("B/")));
}

TEST_F(DataSetTest, OverwriteQuestionNoLeavesEverythingAndYesReplacesTheFile)
{
    writeStore(path(QStringLiteral("dDB")), {QStringLiteral("Old")}, "old\r\n");
    writeStore(path(QStringLiteral("dDB.tmp")), {QStringLiteral("Older")}, "older\r\n");
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A")}, "new\r\n");
    const QString target = path(QStringLiteral("sets/exists.dmd"));
    writeFile(target, "previous data set");
    const Tree before = readTree(home.path());

    {
        DialogScript script;
        script.chooseFile(target);
        script.answerNext(platform::forms::vbNo);
        EXPECT_FALSE(saveDataSet(host));
        ASSERT_TRUE(script.verify());
        ASSERT_EQ(script.shown().size(), 2);
        EXPECT_EQ(script.shown()[1].prompt, QStringLiteral("[") + target + QStringLiteral("]は存在します。上書きしますか？"));
        EXPECT_EQ(script.shown()[1].style, 52);
    }
    EXPECT_EQ(readTree(home.path()), before);
    EXPECT_TRUE(host.changed);

    {
        DialogScript script;
        script.chooseFile(target);
        script.answerNext(platform::forms::vbYes);
        EXPECT_TRUE(saveDataSet(host));
        ASSERT_TRUE(script.verify());
    }
    QStringList names;
    for (const platform::archive::ArchiveEntry &e : platform::archive::list(target))
        names.append(e.path);
    EXPECT_TRUE(names.contains(QStringLiteral("dDB\\A\\2013年\\demand.csv"))) << names.join(' ').toStdString();
    EXPECT_EQ(QDir(path(QStringLiteral("sets"))).entryList(QDir::Files | QDir::Hidden), QStringList{"exists.dmd"});
}

TEST_F(DataSetTest, CancelledDialogsChangeNothing)
{
    writeStore(path(QStringLiteral("dDB")), {QStringLiteral("A")}, "a\r\n");
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A"), QStringLiteral("B")}, "b\r\n");
    const Tree before = readTree(home.path());
    const QString cwd = QDir::currentPath();

    DialogScript script;
    script.cancelNextFileDialog();
    EXPECT_FALSE(openDataSet(host, false));
    script.cancelNextFileDialog();
    EXPECT_FALSE(saveDataSet(host));
    ASSERT_TRUE(script.verify());
    ASSERT_EQ(script.shown().size(), 2);
    EXPECT_EQ(script.shown()[0].kind, ShownDialog::OpenFile);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("ファイル選択"));
    EXPECT_EQ(script.shown()[0].style, 530436);
    EXPECT_EQ(script.shown()[0].filterIndex, 1);
    EXPECT_EQ(script.shown()[0].prompt, QString());

    EXPECT_EQ(readTree(home.path()), before);
    EXPECT_TRUE(host.changed);
    EXPECT_EQ(QDir::currentPath(), cwd);
    EXPECT_FALSE(wait.isLoaded());
}

TEST_F(DataSetTest, FailedArchiveKeepsTheOldFileAndRestoresTheCommittedStore)
{
    writeStore(path(QStringLiteral("dDB")), {QStringLiteral("Old")}, "old\r\n");
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A")}, "new\r\n");
    // A customer name the archive's code page cannot hold.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("dDB.tran/한글/2013年"))));
    const QString target = path(QStringLiteral("sets/exists.dmd"));
    writeFile(target, "previous data set");
    const Tree committed = tree(QStringLiteral("dDB"));
    const Tree working = tree(QStringLiteral("dDB.tran"));

    DialogScript script;
    script.chooseFile(target);
    script.answerNext(platform::forms::vbYes);
    script.answerNext(platform::forms::vbOK);
    EXPECT_FALSE(saveDataSet(host));
    ASSERT_TRUE(script.verify());
    ASSERT_EQ(script.shown().size(), 3);
    EXPECT_TRUE(script.shown()[2].prompt.startsWith(QStringLiteral("保存中にエラーが発生しました。  ")))
        << script.shown()[2].prompt.toStdString();
    EXPECT_GT(script.shown()[2].prompt.size(), QStringLiteral("保存中にエラーが発生しました。  ").size());

    EXPECT_EQ(readFile(target), QByteArray("previous data set"));
    EXPECT_EQ(QDir(path(QStringLiteral("sets"))).entryList(QDir::Files | QDir::Hidden), QStringList{"exists.dmd"});
    EXPECT_EQ(tree(QStringLiteral("dDB")), committed);
    Tree workingAfter = tree(QStringLiteral("dDB.tran"));
    workingAfter.remove(QStringLiteral("download.log")); // the log list is written by every save
    Tree workingBefore = working;
    workingBefore.remove(QStringLiteral("download.log"));
    EXPECT_EQ(workingAfter, workingBefore);
    EXPECT_TRUE(host.changed);
    EXPECT_FALSE(wait.isLoaded());
}

TEST_F(DataSetTest, FailedSaveWithoutPreviousCommitLeavesNoHalfBuiltStore)
{
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A")}, "new\r\n");
    DialogScript script;
    // The folder of the chosen file has gone.
    script.chooseFile(path(QStringLiteral("gone/x.dmd")));
    script.answerNext(platform::forms::vbOK);
    EXPECT_FALSE(saveDataSet(host));
    ASSERT_TRUE(script.verify());
    EXPECT_TRUE(script.shown().last().prompt.startsWith(QStringLiteral("保存中にエラーが発生しました。  ")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("dDB"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("dDB.tmp"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("gone"))));
}

// ---------------------------------------------------------------- save, then open

TEST_F(DataSetTest, SaveThenOpenReproducesTheStoreByteForByte)
{
    // "ソ" and "表" end in the byte 0x5C in CP932.
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A社"), QStringLiteral("ソフト表")}, QByteArray());
    host.logs->add(host.lstLogs(), QStringLiteral("情報データ読み込み(ソフト表)追加：500 更新：0"));
    const QString set = path(QStringLiteral("sets/round.dmd"));
    ASSERT_TRUE(save(set));
    const Tree saved = tree(QStringLiteral("dDB.tran"));
    ASSERT_TRUE(saved.contains(QStringLiteral("空/")));
    ASSERT_TRUE(saved.contains(QStringLiteral("ソフト表/2014年/demand.csv")));
    ASSERT_TRUE(saved.contains(QStringLiteral("download.log")));

    // Work after the save: edits, a new customer, a deleted one, a spoilt commit.
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("新規")}, "later\r\n");
    ASSERT_TRUE(QDir(path(QStringLiteral("dDB.tran/A社"))).removeRecursively());
    writeFile(path(QStringLiteral("dDB/ソフト表/2014年/demand.csv")), "spoilt");
    host.changed = true;

    bool ok = false;
    EXPECT_TRUE(open(set, &ok).isEmpty());
    EXPECT_TRUE(ok);
    EXPECT_EQ(tree(QStringLiteral("dDB")), saved);
    EXPECT_EQ(tree(QStringLiteral("dDB.tran")), saved);
    EXPECT_FALSE(host.changed);
    EXPECT_TRUE(strayEntries().isEmpty()) << strayEntries().join(' ').toStdString();
}

// A save takes the packed tables of the data set opened last only where they
// are the same bytes: a table changed since (same size) and the tables of a
// data set damaged since it was opened are packed anew.
TEST_F(DataSetTest, ASaveAfterAnOpenReusesOnlyWhatTheOpenedSetHoldsUnchanged)
{
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A社"), QStringLiteral("B社")}, "log\r\n");
    const QString first = path(QStringLiteral("sets/first.dmd"));
    ASSERT_TRUE(save(first));
    bool ok = false;
    EXPECT_TRUE(open(first, &ok).isEmpty());
    ASSERT_TRUE(ok);

    // A table changed as the program changes one: a new file under the name.
    const QString changed = path(QStringLiteral("dDB.tran/A社/2014年/demand.csv"));
    QByteArray table = readFile(changed);
    ASSERT_GT(table.size(), 20);
    table[12] = table[12] == '9' ? '8' : '9';
    ASSERT_TRUE(QFile::remove(changed));
    writeFile(changed, table);
    host.changed = true;
    const Tree before = tree(QStringLiteral("dDB.tran"));
    const QString second = path(QStringLiteral("sets/second.dmd"));
    ASSERT_TRUE(save(second));
    EXPECT_TRUE(open(second, &ok).isEmpty());
    ASSERT_TRUE(ok);
    EXPECT_EQ(tree(QStringLiteral("dDB.tran")), before);
    EXPECT_EQ(readFile(changed), table);

    // The set opened last damaged in the middle of its data.
    QByteArray bytes = readFile(second);
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x21);
    ASSERT_TRUE(QFile::remove(second));
    writeFile(second, bytes);
    const QString third = path(QStringLiteral("sets/third.dmd"));
    ASSERT_TRUE(save(third));
    EXPECT_TRUE(open(third, &ok).isEmpty());
    ASSERT_TRUE(ok);
    EXPECT_EQ(tree(QStringLiteral("dDB.tran")), before);
}

TEST_F(DataSetTest, OurArchiveIsListedAndExtractedByTheLhaCommand)
{
    const QString lha = QStandardPaths::findExecutable(QStringLiteral("lha"));
    ASSERT_FALSE(lha.isEmpty()) << "the lha command (package lhasa) is needed";
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A社"), QStringLiteral("ソフト表")}, "log\r\n");
    const QString set = path(QStringLiteral("sets/lha.dmd"));
    ASSERT_TRUE(save(set));

    const ProcessResult listed = run(lha, {QStringLiteral("l"), set});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.contains("dDB/download.log")) << listed.out.toStdString();
    const ProcessResult tested = run(lha, {QStringLiteral("t"), set});
    EXPECT_EQ(tested.exitCode, 0) << tested.out.toStdString() << tested.err.toStdString();

    const QString out = path(QStringLiteral("x"));
    ASSERT_TRUE(QDir().mkpath(out));
    const ProcessResult extracted = run(lha, {QStringLiteral("xf"), set}, out);
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err.toStdString();
    // lha writes the names as the archive holds them: CP932 bytes.
    namespace fs = std::filesystem;
    QMap<QByteArray, QByteArray> got;
    const fs::path base(QFile::encodeName(out).toStdString());
    for (const fs::directory_entry &e : fs::recursive_directory_iterator(base)) {
        const QByteArray rel = QByteArray::fromStdString(fs::relative(e.path(), base).string());
        if (e.is_directory()) {
            got.insert(rel + "/", QByteArray());
        } else {
            std::ifstream in(e.path(), std::ios::binary);
            got.insert(rel, QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {})));
        }
    }
    QMap<QByteArray, QByteArray> expected;
    expected.insert("dDB/", QByteArray());
    const Tree committed = tree(QStringLiteral("dDB"));
    for (auto it = committed.cbegin(); it != committed.cend(); ++it)
        expected.insert("dDB/" + platform::codepage::toAnsi(it.key()), it.value());
    EXPECT_EQ(got, expected);
    // Names that are not UTF-8 are beyond QTemporaryDir's clean-up.
    fs::remove_all(base);
}

TEST_F(DataSetTest, ArchivesOfAnIndependentWriterOpen)
{
    const QString jar = QStringLiteral("/usr/share/java/jlha.jar");
    ASSERT_TRUE(QFileInfo::exists(jar)) << "jlha.jar is needed (package libjlha-java)";
    const QString javac = QStandardPaths::findExecutable(QStringLiteral("javac"));
    const QString java = QStandardPaths::findExecutable(QStringLiteral("java"));
    ASSERT_FALSE(javac.isEmpty() || java.isEmpty()) << "javac and java are needed";
    const QString sourceDir = qEnvironmentVariable("TALVIK_SOURCE_DIR");
    ASSERT_FALSE(sourceDir.isEmpty());
    QTemporaryDir classes;
    const ProcessResult built =
        run(javac, {QStringLiteral("-encoding"), QStringLiteral("UTF-8"), QStringLiteral("-cp"), jar,
                    QStringLiteral("-d"), classes.path(),
                    sourceDir + QStringLiteral("/platform/archive/tests/fixtures/JlhaFixture.java")});
    ASSERT_EQ(built.exitCode, 0) << built.err.toStdString();

    // The writer's source: "dDB" as another program would have saved it.
    QTemporaryDir src;
    writeStore(src.filePath(QStringLiteral("dDB")), {QStringLiteral("A社"), QStringLiteral("ソフト表")},
               platform::codepage::toAnsi(QStringLiteral("2013/07/25 10:00    表\r\n")));
    const Tree expected = readTree(src.filePath(QStringLiteral("dDB")));

    struct Kind {
        QString method;
        int level;
        QString separator;
    };
    for (const Kind &k : {Kind{"-lh5-", 0, "\\"}, Kind{"-lh5-", 1, "\\"}, Kind{"-lh6-", 2, "/"}, Kind{"-lh7-", 2, "\\"}}) {
        SCOPED_TRACE((k.method + " level " + QString::number(k.level)).toStdString());
        const QString set = path(QStringLiteral("sets/j%1%2.dmd").arg(k.method.mid(1, 3)).arg(k.level));
        const ProcessResult made = run(java, {QStringLiteral("-cp"), jar + QLatin1Char(':') + classes.path(),
                                              QStringLiteral("JlhaFixture"), set, k.method, QString::number(k.level),
                                              src.path(), k.separator});
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
        writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("Other")}, "x\r\n");
        host.changed = true;
        bool ok = false;
        const QStringList boxes = open(set, &ok);
        EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
        EXPECT_TRUE(ok);
        EXPECT_EQ(tree(QStringLiteral("dDB")), expected);
        EXPECT_EQ(tree(QStringLiteral("dDB.tran")), expected);
        ASSERT_TRUE(QDir(path(QStringLiteral("dDB"))).removeRecursively());
    }
}

// ---------------------------------------------------------------- damaged and hostile files

TEST_F(DataSetTest, DamagedForeignOrHostileFilesLeaveTheStoreUntouched)
{
    // A good data set to spoil.
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A社")}, "log\r\n");
    const QString good = path(QStringLiteral("sets/good.dmd"));
    ASSERT_TRUE(save(good));
    const QByteArray image = readFile(good);

    // The store the failed opens must leave alone.
    writeStore(path(QStringLiteral("dDB")), {QStringLiteral("Kept")}, "kept\r\n");
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("Kept"), QStringLiteral("Work")}, "work\r\n");
    host.changed = true;
    const Tree before = readTree(home.path());
    const QByteArray data = "2013/07/25 10:00    log\r\n";

    struct Case {
        const char *what;
        QByteArray bytes;
        QString cause; // what the message must name
    };
    const QList<Case> cases = {
        {"truncated", image.left(image.size() / 2), QStringLiteral("途中で切れています")},
        {"CRC error", level0Entry("dDB\\download.log", data, 1) + QByteArray(1, '\0'), QStringLiteral("CRCエラー")},
        {"CRC error after a good entry",
         level0Entry("dDB\\download.log", data) + level0Entry("dDB\\A\\demand.csv", data, 7) + QByteArray(1, '\0'),
         QStringLiteral("CRCエラー")},
        {"not LHA", QByteArray("date,time,demand\r\n20130725,1000,0123\r\n").repeated(20),
         QStringLiteral("LHA形式のアーカイブではありません")},
        {"..\\ entry", level0Entry("dDB\\download.log", data) + level0Entry("dDB\\..\\..\\evil.txt", data) +
                           QByteArray(1, '\0'),
         QStringLiteral("安全でないパス")},
        {"..\\ at the top", level0Entry("..\\evil.txt", data) + QByteArray(1, '\0'), QStringLiteral("安全でないパス")},
        {"no dDB", level0Entry("other\\download.log", data) + QByteArray(1, '\0'), QStringLiteral("「dDB」")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = path(QStringLiteral("sets/bad.dmd"));
        writeFile(file, c.bytes);
        DialogScript script;
        script.chooseFile(file);
        script.answerNext(platform::forms::vbOK);
        EXPECT_FALSE(openDataSet(host, false));
        ASSERT_TRUE(script.verify());
        ASSERT_EQ(script.shown().size(), 2);
        const QString prefix = QStringLiteral("オープン中にエラーが発生しました。　");
        EXPECT_TRUE(script.shown()[1].prompt.startsWith(prefix)) << script.shown()[1].prompt.toStdString();
        EXPECT_TRUE(script.shown()[1].prompt.mid(prefix.size()).contains(c.cause))
            << script.shown()[1].prompt.toStdString();
        EXPECT_EQ(script.shown()[1].style, platform::forms::vbOKOnly);

        Tree after = readTree(home.path());
        after.remove(QStringLiteral("sets/bad.dmd"));
        Tree expected = before;
        EXPECT_EQ(after, expected);
        EXPECT_TRUE(host.changed);
        EXPECT_FALSE(wait.isLoaded());
        EXPECT_FALSE(QFileInfo::exists(QDir(home.path()).filePath(QStringLiteral("../evil.txt"))));
    }
}

TEST_F(DataSetTest, AFailedWriteOrSyncWhileOpeningNamesTheFileAndTheCauseAndKeepsTheStore)
{
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A社"), QStringLiteral("B社")}, "log\r\n");
    const QString set = path(QStringLiteral("sets/full.dmd"));
    ASSERT_TRUE(save(set));

    writeStore(path(QStringLiteral("dDB")), {QStringLiteral("Kept")}, "kept\r\n");
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("Kept"), QStringLiteral("Work")}, "work\r\n");
    host.changed = true;
    const Tree before = readTree(home.path());

    namespace faults = platform::fileio::faults;
    struct Case {
        faults::Step step;
        int error;
    };
    // The disk fills while a year table of "B社" is written; the disk fails
    // while one is synced.
    for (const Case c : {Case{faults::Step::Write, ENOSPC}, Case{faults::Step::Sync, EIO}}) {
        SCOPED_TRACE(static_cast<int>(c.step));
        const faults::ScopedFaultHook hook([c](faults::Step step, const QString &p, qint64) {
            return step == c.step && p.contains(QStringLiteral("B社/2014年/demand.csv")) ? c.error : 0;
        });
        DialogScript script;
        script.chooseFile(set);
        script.answerNext(platform::forms::vbOK);
        EXPECT_FALSE(openDataSet(host, false));
        ASSERT_TRUE(script.verify());
        ASSERT_EQ(script.shown().size(), 2);
        const QString shown = script.shown()[1].prompt;
        EXPECT_TRUE(shown.startsWith(QStringLiteral("オープン中にエラーが発生しました。　"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("B社\\2014年\\demand.csv"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(platform::fileio::describeSystemError(c.error))) << shown.toStdString();
        EXPECT_EQ(readTree(home.path()), before);
        EXPECT_TRUE(host.changed);
        EXPECT_TRUE(strayEntries().isEmpty()) << strayEntries().join(' ').toStdString();
    }
}

// A data set that holds one file twice is refused, and the message says so.
TEST_F(DataSetTest, AFileHeldTwiceIsRefusedWithThatCause)
{
    writeStore(path(QStringLiteral("dDB")), {QStringLiteral("Kept")}, "kept\r\n");
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("Kept")}, "work\r\n");
    const Tree before = readTree(home.path());
    const QByteArray end(1, '\0');
    const QString file = path(QStringLiteral("sets/twice.dmd"));
    writeFile(file, level0Entry("dDB\\download.log", "log\r\n") + level0Entry("dDB\\A\\demand.csv", "first, longer\r\n") +
                        level0Entry("dDB\\A\\demand.csv", "second\r\n") + end);
    DialogScript script;
    script.chooseFile(file);
    script.answerNext(platform::forms::vbOK);
    EXPECT_FALSE(openDataSet(host, false));
    ASSERT_TRUE(script.verify());
    ASSERT_EQ(script.shown().size(), 2);
    const QString shown = script.shown()[1].prompt;
    EXPECT_TRUE(shown.startsWith(QStringLiteral("オープン中にエラーが発生しました。　"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("同じファイルがデータセットに2回含まれています"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("dDB\\A\\demand.csv"))) << shown.toStdString();
    Tree after = readTree(home.path());
    after.remove(QStringLiteral("sets/twice.dmd"));
    EXPECT_EQ(after, before);
}

// A program folder given relative to the current folder stays the same
// folder while the data set operations change the current folder.
TEST_F(DataSetTest, ARelativeProgramFolderServesSaveAndOpen)
{
    const QFileInfo homeInfo(home.path());
    ASSERT_TRUE(QDir::setCurrent(homeInfo.path()));
    qputenv("TALVIK_HOME", homeInfo.fileName().toUtf8());
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("A社")}, "log\r\n");
    const auto customers = [this](const QString &folder) {
        Tree t = tree(folder);
        t.remove(QStringLiteral("download.log")); // the save adds its own lines
        return t;
    };
    const Tree working = customers(QStringLiteral("dDB.tran"));

    const QString set = path(QStringLiteral("sets/rel.dmd"));
    ASSERT_TRUE(save(set));
    EXPECT_TRUE(QFileInfo(set).isFile());
    EXPECT_EQ(customers(QStringLiteral("dDB")), working);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("dDB.new"))));

    // Another working copy, then the saved set opened again from the menu.
    writeStore(path(QStringLiteral("dDB.tran")), {QStringLiteral("Other")}, "x\r\n");
    bool ok = false;
    const QStringList boxes = open(set, &ok);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
    EXPECT_TRUE(ok);
    EXPECT_EQ(customers(QStringLiteral("dDB")), working);
    EXPECT_EQ(customers(QStringLiteral("dDB.tran")), working);
    EXPECT_TRUE(strayEntries().isEmpty()) << strayEntries().join(' ').toStdString();
}
