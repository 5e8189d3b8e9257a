// The ".dmd" save under faults: a full file system (before the store is
// built and while the archive is written), and a process killed before each
// file operation of the save, followed by a restart. The store found after
// the restart must be the one before the save or the one after it.
#include "talvik/dataview/dataSet.h"
#include "talvik/dataview/storeFolders.h"

#include "platform/fileio/linktree.h"
#include "platform/archive/archive.h"
#include "platform/codepage/codepage.h"
#include "platform/fileio/durable.h"
#include "platform/archive/tests/test_support.h"
#include "platform/fileio/tests/fullDisk.h"
#include "platform/forms/constants.h"
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/form.h"
#include "platform/forms/commondialog.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

using namespace talvik;
using platform::forms::DialogScript;
namespace fio = platform::fileio;
namespace ts = platform::fileio::testsupport;

namespace {

using archivetest::readFile;
using archivetest::readTree;
using archivetest::Tree;

void putFile(const QString &path, const QByteArray &data)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    archivetest::writeFile(path, data);
}

// A store: customers with two year tables each, and a log.
void writeStore(const QString &folder, const QStringList &customers, const QByteArray &log, int lines = 200)
{
    int seed = 0;
    for (const QString &c : customers) {
        for (int y : {2013, 2014}) {
            QByteArray table;
            for (int i = 0; i < lines; ++i)
                table += QByteArray::number(y % 100 * 100000000LL + i).rightJustified(10, '0') +
                         QByteArray::number((i * 37 + ++seed * 101) % 9000 + 100).rightJustified(4, '0') +
                         "201301010000\r\n";
            const QString yearFolder = folder + QStringLiteral("/%1/%2年").arg(c).arg(y);
            putFile(yearFolder + QStringLiteral("/demand.csv"), table);
            putFile(yearFolder + QStringLiteral("/schema.ini"), "[demand.csv]\r\nFormat=FixedLength\r\n");
        }
    }
    putFile(folder + QStringLiteral("/download.log"), log);
}

Tree withoutLog(Tree t)
{
    t.files.remove(QStringLiteral("download.log"));
    return t;
}

class HostWindow : public platform::forms::Form {
public:
    platform::forms::ListBox lstLogs{this, QStringLiteral("lstLogs")};
};

class Host : public IDataSetHost {
public:
    platform::forms::Form *form() override { return &window; }
    platform::forms::Form *mainWindow() override { return &window; }
    platform::forms::CommonDialog &cdlCSVFile() override { return cdl; }
    platform::forms::ListBox *lstLogs() override { return &window.lstLogs; }
    clsLogs *windowLogs() override { return logs.get(); }
    bool dataChanged() const override { return changed; }
    void setDataChanged(bool c) override { changed = c; }

    HostWindow window;
    platform::forms::CommonDialog cdl;
    std::unique_ptr<clsLogs> logs;
    bool changed = true;
};

// A program folder for one test: TALVIK_HOME, the wait dialog and the
// dialog service set up, and put back afterwards.
class ProgramFolder {
public:
    explicit ProgramFolder(const QString &folder) : m_saved(qgetenv("TALVIK_HOME")), m_cwd(QDir::currentPath())
    {
        qputenv("TALVIK_HOME", folder.toUtf8());
        DialogScript::setUnexpectedDialogHandler([](const QString &r) { ADD_FAILURE() << r.toStdString(); });
        waitForm = &wait;
    }
    ~ProgramFolder()
    {
        if (wait.isLoaded())
            wait.Unload();
        waitForm = nullptr;
        DialogScript::setUnexpectedDialogHandler({});
        QDir::setCurrent(m_cwd);
        if (m_saved.isEmpty())
            qunsetenv("TALVIK_HOME");
        else
            qputenv("TALVIK_HOME", m_saved);
    }
    frmWait wait;

private:
    QByteArray m_saved;
    QString m_cwd;
};

// Copies a folder tree (test set-up; no durability needed).
void copyTree(const QString &from, const QString &to)
{
    archivetest::writeTree(to, readTree(from));
}

const QString kSavePrefix = QStringLiteral("保存中にエラーが発生しました。  ");

// Names the save must never leave beside the data folders. Trees handed to
// the background remover are waited for first: they go by themselves (and a
// start removes them after a crash).
QStringList leftovers(const QString &home)
{
    platform::fileio::waitForBackgroundRemovals();
    QStringList found = ts::temporaryLeftovers(home);
    for (const QString &name : QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        if (name != QLatin1String("dDB") && name != QLatin1String("dDB.tran") && name != QLatin1String("dDB.tmp") &&
            name != QLatin1String("sets"))
            found.append(name);
    return found;
}

} // namespace

// ---------------------------------------------------------------- failures: full disk, refused rename

class FailedSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = disk.folder();
        writeStore(home + QStringLiteral("/dDB"), {QStringLiteral("Old")}, "old log\r\n");
        writeStore(home + QStringLiteral("/dDB.tran"), {QStringLiteral("A社"), QStringLiteral("B")}, "new log\r\n");
        target = home + QStringLiteral("/sets/2026-12-08.dmd");
        ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/sets")));
        // The previous data set: a real archive of the previous store.
        platform::archive::addFolder(target, QStringLiteral("dDB"), home);
        previousSet = readFile(target);
        ASSERT_GT(previousSet.size(), 100);
        committed = readTree(home + QStringLiteral("/dDB"));
        working = readTree(home + QStringLiteral("/dDB.tran"));
        std::printf("full disk: %s\n", disk.real() ? "a filled tmpfs" : "modelled by the fault hook");
    }

    // Saves over the previous data set; returns the message boxes shown after
    // the overwrite question.
    QStringList save(bool *result, bool failing = true)
    {
        DialogScript script;
        script.chooseFile(target);
        script.answerNext(platform::forms::vbYes);
        if (failing)
            script.answerNext(platform::forms::vbOK);
        *result = saveDataSet(host);
        EXPECT_TRUE(script.verify());
        // The message boxes after the overwrite question.
        return script.prompts().mid(1);
    }

    void expectNothingChanged()
    {
        EXPECT_EQ(readFile(target), previousSet) << "the previous data set must stay byte for byte";
        EXPECT_EQ(readTree(home + QStringLiteral("/dDB")), committed);
        EXPECT_EQ(readTree(home + QStringLiteral("/dDB.tran")), working);
        EXPECT_TRUE(leftovers(home).isEmpty()) << leftovers(home).join(' ').toStdString();
        EXPECT_EQ(QDir(home + QStringLiteral("/sets")).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("2026-12-08.dmd")});
        EXPECT_TRUE(host.changed) << "a failed save leaves the changes unsaved";
        EXPECT_FALSE(pf->wait.isLoaded());
    }

    ts::FullDisk disk;
    QString home;
    QString target;
    QByteArray previousSet;
    Tree committed;
    Tree working;
    Host host;
    std::unique_ptr<ProgramFolder> pf{nullptr};
};

TEST_F(FailedSave, FullBeforeTheStoreIsBuiltKeepsEverythingAndSaysWhy)
{
    pf = std::make_unique<ProgramFolder>(home);
    pf->wait.setParent(&host.window);
    disk.fill();
    bool ok = true;
    const QStringList boxes = save(&ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(kSavePrefix)) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(fio::describeSystemError(ENOSPC))) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(home)) << "the message names the file";
    expectNothingChanged();
    EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/dDB.tmp")));

    // With room again the same save goes through.
    disk.release();
    const QStringList again = save(&ok, false);
    EXPECT_TRUE(ok) << again.join(' ').toStdString();
    EXPECT_EQ(withoutLog(readTree(home + QStringLiteral("/dDB"))), withoutLog(working));
}

TEST_F(FailedSave, FullWhileTheArchiveIsWrittenKeepsTheOldDataSetAndTheCommittedStore)
{
    pf = std::make_unique<ProgramFolder>(home);
    pf->wait.setParent(&host.window);
    // The disk fills up the moment the new data set file is begun, after the
    // new store has been built and swapped in.
    bool full = false;
    const bool real = disk.real();
    ts::FullDisk *d = &disk;
    const QString archive = QDir::cleanPath(target);
    fio::faults::ScopedFaultHook hook([&full, real, d, archive](fio::faults::Step step, const QString &path, qint64 bytes) {
        if (step == fio::faults::Step::Create && QDir::cleanPath(path) == archive && !full) {
            full = true;
            if (real)
                d->fill();
        }
        if (!real && full && step == fio::faults::Step::Write && bytes > 0 && path.startsWith(d->folder()))
            return ENOSPC;
        return 0;
    });
    bool ok = true;
    const QStringList boxes = save(&ok);
    EXPECT_TRUE(full) << "the archive was begun";
    EXPECT_FALSE(ok);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0], kSavePrefix + u'"' + archive + QStringLiteral("\" に書き込めませんでした。") +
                            fio::describeSystemError(ENOSPC));
    expectNothingChanged();
}

TEST_F(FailedSave, AnArchiveThatCannotTakeItsNameBringsThePreviousStoreBack)
{
    pf = std::make_unique<ProgramFolder>(home);
    pf->wait.setParent(&host.window);
    writeStore(home + QStringLiteral("/dDB.tmp"), {QStringLiteral("Older")}, "older log\r\n");
    // Both ways of swapping: the exchange of two names, and the journal with
    // two renames.
    for (const bool exchange : {true, false}) {
        SCOPED_TRACE(exchange ? "exchange" : "journal");
        storefolders::setExchangeAvailable(exchange);
        const QString archive = QDir::cleanPath(target);
        int renames = 0;
        fio::faults::ScopedFaultHook hook([&renames, archive](fio::faults::Step step, const QString &path, qint64) {
            if (step == fio::faults::Step::Rename && QDir::cleanPath(path) == archive) {
                ++renames;
                return EACCES;
            }
            return 0;
        });
        bool ok = true;
        const QStringList boxes = save(&ok);
        storefolders::setExchangeAvailable(true);
        EXPECT_EQ(renames, 1) << "the new store was in place when the archive was to take its name";
        EXPECT_FALSE(ok);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0], kSavePrefix + u'"' + archive + QStringLiteral("\" に書き込めませんでした。") +
                                fio::describeSystemError(EACCES));
        expectNothingChanged();
        EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/dDB.swap")));
    }
}

TEST_F(FailedSave, FilesSharedWithThePreviousStoreStayAsTheyWereWhenTheNewOneChanges)
{
    pf = std::make_unique<ProgramFolder>(home);
    pf->wait.setParent(&host.window);
    // The working copy equals the committed store but for one table whose
    // size stayed the same, and one customer more.
    const QString table = QStringLiteral("/Old/2014年/demand.csv");
    copyTree(home + QStringLiteral("/dDB"), home + QStringLiteral("/dDB.work-copy"));
    ASSERT_TRUE(QDir(home + QStringLiteral("/dDB.tran")).removeRecursively());
    ASSERT_TRUE(QDir().rename(home + QStringLiteral("/dDB.work-copy"), home + QStringLiteral("/dDB.tran")));
    QByteArray edited = readFile(home + QStringLiteral("/dDB") + table);
    edited[5] = edited[5] == '9' ? '8' : '9';
    putFile(home + QStringLiteral("/dDB.tran") + table, edited);
    writeStore(home + QStringLiteral("/dDB.tran/New"), {QStringLiteral("x")}, "n\r\n");
    const Tree previous = readTree(home + QStringLiteral("/dDB"));
    const Tree next = readTree(home + QStringLiteral("/dDB.tran"));

    bool ok = false;
    save(&ok, false);
    ASSERT_TRUE(ok);
    EXPECT_EQ(readTree(home + QStringLiteral("/dDB")), next);
    EXPECT_EQ(readTree(home + QStringLiteral("/dDB.tmp")), previous);
    // Edits of the working copy reach neither store.
    putFile(home + QStringLiteral("/dDB.tran/Old/2013年/demand.csv"), "edited after the save\r\n");
    EXPECT_EQ(readTree(home + QStringLiteral("/dDB")), next);
    EXPECT_EQ(readTree(home + QStringLiteral("/dDB.tmp")), previous);

    // The next save drops "dDB.tmp"; "dDB" keeps every file.
    save(&ok, false);
    ASSERT_TRUE(ok);
    EXPECT_EQ(readTree(home + QStringLiteral("/dDB.tmp")), next);
    EXPECT_EQ(readTree(home + QStringLiteral("/dDB")), readTree(home + QStringLiteral("/dDB.tran")));
}

// A table write cut short by a crash leaves its temporary file in the
// working copy: the save neither commits it nor packs it into the data set.
TEST_F(FailedSave, TemporaryFilesOfCutShortWritesStayOutOfTheSavedStore)
{
    pf = std::make_unique<ProgramFolder>(home);
    pf->wait.setParent(&host.window);
    const QString stray = home + QStringLiteral("/dDB.tran/B/demand.csv.~tlv4242-7");
    ASSERT_TRUE(fio::isTemporaryName(QFileInfo(stray).fileName()));
    QDir().mkpath(QFileInfo(stray).path());
    putFile(stray, "half a table");
    bool ok = false;
    save(&ok, false);
    ASSERT_TRUE(ok);
    EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/dDB/B/demand.csv.~tlv4242-7")));
    for (const platform::archive::ArchiveEntry &e : platform::archive::list(target))
        EXPECT_FALSE(e.path.contains(QStringLiteral("~tlv"))) << e.path.toStdString();
}

// ---------------------------------------------------------------- kill points

namespace {

const char kKillAt[] = "TALVIK_KILL_AT";
const char kCountFile[] = "TALVIK_STEP_COUNT";
const char kTarget[] = "TALVIK_SAVE_TARGET";
const char kNoExchange[] = "TALVIK_NO_EXCHANGE";
constexpr int kKilled = 86;

} // namespace

// Run in a child process by KillPoints: one save that ends the process just
// before its n-th file operation (never, for 0), then reports how many
// operations it saw.
TEST(SaveChild, DISABLED_SaveAndDieAtAStep)
{
    const int killAt = qEnvironmentVariableIntValue(kKillAt);
    if (qEnvironmentVariableIsSet(kNoExchange))
        storefolders::setExchangeAvailable(false);
    ProgramFolder pf(qEnvironmentVariable("TALVIK_HOME"));
    Host host;
    pf.wait.setParent(&host.window);
    int steps = 0;
    fio::faults::ScopedFaultHook hook([&steps, killAt](fio::faults::Step, const QString &, qint64) {
        if (++steps == killAt)
            ::_exit(kKilled);
        return 0;
    });
    DialogScript script;
    script.chooseFile(qEnvironmentVariable(kTarget));
    script.answerNext(platform::forms::vbYes);
    EXPECT_TRUE(saveDataSet(host));
    EXPECT_TRUE(script.verify());
    QFile out(qEnvironmentVariable(kCountFile));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray::number(steps));
}

// A process that dies leaves what it wrote in the page cache, so a file
// system in memory serves the many runs as well as a disk, and faster.
QString killFolderTemplate()
{
    const QString shm = QStringLiteral("/dev/shm");
    return QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm + QStringLiteral("/talvik-kill-XXXXXX")
                                                                   : QDir::tempPath() + QStringLiteral("/talvik-kill-XXXXXX");
}

class KillPoints : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        base = dir.path() + QStringLiteral("/base");
        // "A社" is the same in both stores: the save shares its files.
        writeStore(base + QStringLiteral("/dDB"), {QStringLiteral("A社"), QStringLiteral("Old")}, "old log\r\n", 50);
        writeStore(base + QStringLiteral("/dDB.tmp"), {QStringLiteral("Older")}, "older log\r\n", 20);
        writeStore(base + QStringLiteral("/dDB.tran"), {QStringLiteral("A社"), QStringLiteral("C")}, "new log\r\n", 50);
        putFile(base + QStringLiteral("/sets/set.dmd"), "previous data set");
        before = readTree(base + QStringLiteral("/dDB"));
        after = readTree(base + QStringLiteral("/dDB.tran"));
    }

    // Runs the save in a child on a fresh copy of the base folder; returns
    // the child's exit code and the folder it worked in.
    int runChild(int killAt, QString *home, int *steps)
    {
        *home = dir.path() + QStringLiteral("/run%1").arg(killAt);
        copyTree(base, *home);
        const QString count = dir.path() + QStringLiteral("/count");
        QFile::remove(count);
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GTEST_FILTER"), QStringLiteral("SaveChild.*"));
        env.insert(QStringLiteral("GTEST_ALSO_RUN_DISABLED_TESTS"), QStringLiteral("1"));
        env.insert(QStringLiteral("TALVIK_HOME"), *home);
        env.insert(QString::fromLatin1(kKillAt), QString::number(killAt));
        env.insert(QString::fromLatin1(kCountFile), count);
        env.insert(QString::fromLatin1(kTarget), *home + QStringLiteral("/sets/set.dmd"));
        if (GetParam())
            env.insert(QString::fromLatin1(kNoExchange), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start();
        EXPECT_TRUE(child.waitForFinished(60000));
        if (steps)
            *steps = readFile(count).toInt();
        return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    }

    QTemporaryDir dir{killFolderTemplate()};
    QString base;
    Tree before;
    Tree after;
};

TEST_P(KillPoints, AfterAKillAtAnyStepTheRestartFindsTheStoreBeforeOrAfterTheSave)
{
    QString home;
    int steps = 0;
    ASSERT_EQ(runChild(0, &home, &steps), 0);
    // Every file of the new store, its folders, the swap and the archive.
    ASSERT_GT(steps, 40) << "the save's file operations are not all announced";
    std::printf("%d file operations in the save\n", steps);
    const QString restored = GetParam()
                                 ? QStringLiteral("保存が中断されていたため、保存前のデータ（dDB.tmp）を dDB に戻しました。")
                                 : QString();
    int restores = 0;
    for (int k = 1; k <= steps; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(runChild(k, &home, nullptr), kKilled);
        // A swap cut short between its two renames: the journal names the
        // complete previous store, which is still there.
        const bool restoreDue = QFileInfo::exists(home + QStringLiteral("/dDB.swap")) &&
                                QFileInfo(home + QStringLiteral("/dDB.tmp")).isDir();
        const QByteArray setBytes = readFile(home + QStringLiteral("/sets/set.dmd"));

        // The restart: the data window's start-up.
        ProgramFolder pf(home);
        Host host;
        pf.wait.setParent(&host.window);
        host.logs = std::make_unique<clsLogs>();
        ASSERT_TRUE(openDataSet(host, true));
        const Tree workingCopy = readTree(home + QStringLiteral("/dDB.tran"));
        const bool isBefore = withoutLog(workingCopy) == withoutLog(before);
        const bool isAfter = withoutLog(workingCopy) == withoutLog(after);
        EXPECT_TRUE(isBefore || isAfter) << QStringList(workingCopy.files.keys()).join(' ').toStdString();
        EXPECT_EQ(withoutLog(readTree(home + QStringLiteral("/dDB"))), withoutLog(workingCopy));
        const QByteArray log = workingCopy.files.value(QStringLiteral("download.log"));
        EXPECT_TRUE(log.contains(isBefore ? "old log" : "new log")) << log.constData();
        if (restoreDue) {
            // A swap was cut short: the restart says what it restored.
            ++restores;
            EXPECT_TRUE(isBefore);
            EXPECT_TRUE(log.contains(platform::codepage::toAnsi(restored))) << log.constData();
            EXPECT_TRUE(host.window.lstLogs.List(0).endsWith(restored));
        } else {
            EXPECT_FALSE(log.contains(platform::codepage::toAnsi(QStringLiteral("戻しました"))));
        }
        // Nothing under a temporary name is left beside or inside the store
        // (a file begun beside the data set may stay: its folder is the user's),
        // once the worker that deletes the replaced stores is done.
        platform::fileio::waitForBackgroundRemovals();
        QStringList stray = leftovers(home).filter(QRegularExpression(QStringLiteral("^[^/]*$")));
        stray += ts::temporaryLeftovers(home + QStringLiteral("/dDB"));
        stray += ts::temporaryLeftovers(home + QStringLiteral("/dDB.tran"));
        EXPECT_TRUE(stray.isEmpty()) << stray.join(' ').toStdString();
        // The data set file is the previous one or the complete new one.
        if (setBytes != QByteArray("previous data set")) {
            QStringList names;
            for (const platform::archive::ArchiveEntry &e : platform::archive::list(home + QStringLiteral("/sets/set.dmd")))
                names.append(e.path);
            EXPECT_TRUE(names.contains(QStringLiteral("dDB\\C\\2014年\\demand.csv"))) << names.join(' ').toStdString();
        }
        QDir(home).removeRecursively();
    }
    if (GetParam()) {
        EXPECT_GT(restores, 0) << "some kill fell between the two renames";
    }
}

INSTANTIATE_TEST_SUITE_P(SwapByExchangeOrByJournal, KillPoints, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &p) { return p.param ? "Journal" : "Exchange"; });

// ---------------------------------------------------------------- start-up and open in a hostile program folder

namespace {

// A process that begins a durable write of `target` and is killed half way
// (as a read is when the program is ended by force); returns its pid once
// it is gone.
pid_t killedWriter(const QString &target)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        fio::DurableFile file(target);
        file.write(QByteArray(2048, '7'));
        ::raise(SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return pid;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

// The working folder of an open cannot be made in a read-only program folder:
// at the window's load and at an open from the menu, the message gives the
// file system's reason, and the store stays.
TEST(HostileProgramFolder, AReadOnlyFolderIsToldWithItsCause)
{
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/prog");
    writeStore(home + QStringLiteral("/dDB"), {QStringLiteral("A社")}, "log\r\n", 20);
    writeStore(home + QStringLiteral("/dDB.tran"), {QStringLiteral("A社")}, "log\r\n", 20);
    const QString set = dir.path() + QStringLiteral("/set.dmd");
    platform::archive::addFolder(set, QStringLiteral("dDB"), home);
    const Tree before = readTree(home);

    ProgramFolder pf(home);
    Host host;
    pf.wait.setParent(&host.window);
    host.logs = std::make_unique<clsLogs>();
    const auto readOnly = std::make_unique<ts::ReadOnlyFolder>(home);
    std::printf("read-only folder: %s\n", readOnly->real() ? "a read-only mount" : "modelled by the fault hook");
    const QString cause = fio::describeSystemError(EROFS);
    for (const bool startUp : {true, false}) {
        SCOPED_TRACE(startUp ? "load" : "open");
        DialogScript script;
        if (!startUp)
            script.chooseFile(set);
        script.answerNext(platform::forms::vbOK);
        EXPECT_FALSE(openDataSet(host, startUp));
        ASSERT_TRUE(script.verify());
        ASSERT_EQ(script.prompts().size(), 1);
        const QString shown = script.prompts().first();
        EXPECT_TRUE(shown.contains(QStringLiteral("作業フォルダーを作成できません: ") + home)) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("（") + cause + QStringLiteral("）"))) << shown.toStdString();
        EXPECT_EQ(readTree(home), before);
    }
}

// A restart removes what writes killed with their process left in the
// program folder's stores; a running process's file and look-alikes stay.
TEST(HostileProgramFolder, TheRestartRemovesTemporariesOfKilledWritesOnly)
{
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/prog");
    writeStore(home + QStringLiteral("/dDB"), {QStringLiteral("A社")}, "log\r\n", 20);
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/dDB.dl")));
    const QString staged = home + QStringLiteral("/dDB.dl/demand.csv");
    const QString table = home + QStringLiteral("/dDB/A社/2014年/demand.csv");
    const pid_t stagedWriter = killedWriter(staged);
    const pid_t tableWriter = killedWriter(table);
    const QStringList staging = filesIn(home + QStringLiteral("/dDB.dl"));
    ASSERT_EQ(staging.size(), 1);
    ASSERT_TRUE(staging.first().startsWith(QStringLiteral("demand.csv.~tlv%1-").arg(stagedWriter))) << staging.first().toStdString();
    ASSERT_EQ(filesIn(home + QStringLiteral("/dDB/A社/2014年")).filter(QStringLiteral(".~tlv%1-").arg(tableWriter)).size(), 1);

    // A process still running, and names that only look alike.
    QProcess sleeper;
    sleeper.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(sleeper.waitForStarted());
    const QString liveTemp = QStringLiteral("demand.csv.~tlv%1-4").arg(sleeper.processId());
    putFile(home + QStringLiteral("/dDB.dl/") + liveTemp, "running");
    const QStringList alike = {QStringLiteral("demand.csv.~tlv%1x-1").arg(stagedWriter),
                               QStringLiteral("notes.~tlv%1").arg(stagedWriter)};
    for (const QString &name : alike)
        putFile(home + QStringLiteral("/dDB.dl/") + name, "user");

    ProgramFolder pf(home);
    Host host;
    pf.wait.setParent(&host.window);
    host.logs = std::make_unique<clsLogs>();
    ASSERT_TRUE(openDataSet(host, true));
    QStringList expected = alike;
    expected << liveTemp;
    expected.sort();
    EXPECT_EQ(filesIn(home + QStringLiteral("/dDB.dl")), expected);
    EXPECT_TRUE(ts::temporaryLeftovers(home + QStringLiteral("/dDB")).isEmpty())
        << ts::temporaryLeftovers(home + QStringLiteral("/dDB")).join(' ').toStdString();
    EXPECT_TRUE(ts::temporaryLeftovers(home + QStringLiteral("/dDB.tran")).isEmpty());
    sleeper.kill();
    sleeper.waitForFinished();
}

// The stores are cleared of killed writes once per program start, but for
// each program folder: a process that opened one folder still clears the
// next one it starts in, and its opens after the first keep the working copy
// free of them (the copy leaves temporaries behind).
TEST(HostileProgramFolder, EachProgramFolderIsClearedAtItsFirstStart)
{
    QTemporaryDir dir;
    const QString first = dir.path() + QStringLiteral("/first");
    const QString second = dir.path() + QStringLiteral("/second");
    writeStore(first + QStringLiteral("/dDB"), {QStringLiteral("A社")}, "log\r\n", 20);
    writeStore(second + QStringLiteral("/dDB"), {QStringLiteral("B社")}, "log\r\n", 20);
    {
        ProgramFolder pf(first);
        Host host;
        pf.wait.setParent(&host.window);
        host.logs = std::make_unique<clsLogs>();
        ASSERT_TRUE(openDataSet(host, true));
    }
    const QString table = second + QStringLiteral("/dDB/B社/2014年/demand.csv");
    const QString staged = second + QStringLiteral("/dDB.dl/demand.csv");
    ASSERT_TRUE(QDir().mkpath(second + QStringLiteral("/dDB.dl")));
    killedWriter(table);
    killedWriter(staged);
    ASSERT_FALSE(ts::temporaryLeftovers(second + QStringLiteral("/dDB")).isEmpty());

    ProgramFolder pf(second);
    Host host;
    pf.wait.setParent(&host.window);
    host.logs = std::make_unique<clsLogs>();
    ASSERT_TRUE(openDataSet(host, true));
    EXPECT_TRUE(ts::temporaryLeftovers(second + QStringLiteral("/dDB")).isEmpty())
        << ts::temporaryLeftovers(second + QStringLiteral("/dDB")).join(' ').toStdString();
    EXPECT_TRUE(filesIn(second + QStringLiteral("/dDB.dl")).isEmpty())
        << filesIn(second + QStringLiteral("/dDB.dl")).join(' ').toStdString();

    // A killed write into the working copy after the start: the next open
    // rebuilds the copy without it.
    killedWriter(second + QStringLiteral("/dDB.tran/B社/2014年/demand.csv"));
    ASSERT_FALSE(ts::temporaryLeftovers(second + QStringLiteral("/dDB.tran")).isEmpty());
    ASSERT_TRUE(openDataSet(host, true));
    platform::fileio::waitForBackgroundRemovals();
    EXPECT_TRUE(ts::temporaryLeftovers(second + QStringLiteral("/dDB.tran")).isEmpty())
        << ts::temporaryLeftovers(second + QStringLiteral("/dDB.tran")).join(' ').toStdString();
}
