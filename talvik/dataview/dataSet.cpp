#include "talvik/dataview/dataSet.h"
#include "talvik/dataview/fileCommands.h"
#include "talvik/dataview/storeFolders.h"

#include "platform/archive/archive.h"
#include "platform/fileio/durable.h"
#include "platform/fileio/linktree.h"
#include "platform/forms/commondialog.h"
#include "platform/forms/constants.h"
#include "platform/forms/doevents.h"
#include "platform/forms/form.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basArchive.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <exception>
#include <memory>
#include <optional>

#include <cerrno>
#include <cstdlib>

namespace talvik {

namespace fm = platform::forms;
namespace sh = platform::shell;
namespace sf = talvik::storefolders;

namespace {

const QString kDataSetFilter = QStringLiteral("デマンド監視データ(*.dmd)|*.dmd");
constexpr int kOpenFlags = 530436; // explorer, file and path must exist, read-only box hidden
// The save dialog sets its own flags: the dialog is shared with the exports,
// whose overwrite prompt would ask a second time after the save's own
// question, and with the opens, whose "file must exist" refuses a new name.
constexpr int kSaveFlags = fm::cdlOFNExplorer | fm::cdlOFNPathMustExist | fm::cdlOFNHideReadOnly;
const QString &kCommitted = sf::kCommitted;
const QString &kWorking = sf::kWorking;
const QString kLogFile = QStringLiteral("download.log");

// The data set this process last wrote or opened: a save takes the packed
// data of the tables it holds unchanged (recognised by the content digests
// the archiver kept when it wrote or extracted the set; see
// platform/archive/entry_digests.h).
QString &lastDataSet()
{
    static QString path;
    return path;
}

QString inFolder(const QString &folder, const QString &name)
{
    return folder + QLatin1Char('\\') + name;
}

// The process's current folder, put back when an operation ends.
class CurrentFolder {
public:
    CurrentFolder() : m_saved(sh::CurDir()) {}
    void restore() const
    {
        try {
            sh::ChDrive(m_saved);
            sh::ChDir(m_saved);
        } catch (const platform::RuntimeError &) {
            // The folder vanished meanwhile: stay where we are.
        }
    }

private:
    QString m_saved;
};

void showWait(fm::Form *owner, const QString &message)
{
    frmWait *wait = waitForm;
    if (!wait)
        return;
    wait->clear();
    if (!wait->Visible())
        wait->Show(fm::vbModeless, owner);
    wait->setWaitMsg(message);
}

void setWaitInfo(const QString &info1, const QString &info2)
{
    if (frmWait *wait = waitForm) {
        wait->setLoadInfo1(info1);
        wait->setLoadInfo2(info2);
    }
}

void showError(const QString &caption, const QString &separator, const QString &description) noexcept
{
    try {
        fm::MsgBox(caption + separator + description, fm::vbOKOnly, appTitle);
    } catch (...) {
    }
}

// A private folder beside the data folders, for the extracted data set, the
// rebuilt working copy and the folders they replace; removed with all it
// holds when the operation ends.
class Staging {
public:
    explicit Staging(const QString &programFolder)
    {
        const QString folder = sh::toNativePath(programFolder);
        QByteArray name = QFile::encodeName(folder + QLatin1Char('/') + sf::kStagingPrefix + QStringLiteral("XXXXXX"));
        int cause = 0;
        try {
            platform::fileio::faults::faultPoint(platform::fileio::faults::Step::Create, QFile::decodeName(name));
            if (!::mkdtemp(name.data()))
                cause = errno;
        } catch (const platform::fileio::WriteError &e) {
            cause = e.systemError();
        }
        if (cause != 0) {
            platform::raise(platform::err::PathFileAccess,
                            QStringLiteral("作業フォルダーを作成できません: %1（%2）")
                                .arg(folder, platform::fileio::describeSystemError(cause)));
        }
        m_path = QFile::decodeName(name);
    }
    ~Staging()
    {
        if (m_autoRemove)
            QDir(m_path).removeRecursively();
    }
    Staging(const Staging &) = delete;
    Staging &operator=(const Staging &) = delete;

    QString path(const QString &name) const { return m_path + QLatin1Char('/') + name; }
    // The path of `name` relative to the program folder.
    QString relativePath(const QString &name) const
    {
        return QFileInfo(m_path).fileName() + QLatin1Char('/') + name;
    }
    // Hands the folder and the stores it holds to the platform's worker
    // that deletes them, so that the window does not wait for it. The
    // folder's name marks it as no part of the data: a crash before the
    // worker is done leaves it for the next start to remove.
    void removeInBackground()
    {
        m_autoRemove = false;
        platform::fileio::removeTreeInBackground(m_path);
    }

private:
    QString m_path;
    bool m_autoRemove = true;
};

// Extracts the "dDB" of a data set file into `folder` and checks it: the
// archiver writes nothing unless every header and CRC checked out; then every
// file entry of the set must be there with its size.
void extractDataSet(const QString &archive, const QString &folder)
{
    const ArchiveResult r = archiveExtract(archive, folder + QLatin1Char('\\'), nullptr, {kCommitted});
    if (!r.succeeded())
        platform::raise(r.errorNumber(), r.output);
    const QString root = QDir(folder).filePath(kCommitted);
    if (!QFileInfo(root).isDir())
        platform::raise(platform::err::InvalidFileFormat, QStringLiteral("データセットに「dDB」フォルダーがありません: %1").arg(archive));
    const QList<platform::archive::ArchiveEntry> entries = platform::archive::list(sh::toNativePath(archive));
    // Files the set holds more than once: extracted in order, the last one
    // wins, so the check below may find another entry's bytes on disk.
    QHash<QString, int> seen;
    for (const platform::archive::ArchiveEntry &e : entries)
        if (!e.directory)
            ++seen[e.path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('/'))];
    for (const platform::archive::ArchiveEntry &e : entries) {
        const QStringList parts = e.path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
        if (e.directory || parts.isEmpty() || parts.first() != kCommitted)
            continue;
        const QFileInfo written(QDir(folder).filePath(parts.join(QLatin1Char('/'))));
        if (written.isFile() && static_cast<std::uint64_t>(written.size()) == e.originalSize)
            continue;
        QString cause;
        if (seen.value(parts.join(QLatin1Char('/'))) > 1)
            cause = QStringLiteral("同じファイルがデータセットに%1回含まれています")
                        .arg(seen.value(parts.join(QLatin1Char('/'))));
        else if (!written.isFile())
            cause = QStringLiteral("ファイルが展開されていません");
        else
            cause = QStringLiteral("展開したファイルの大きさが違います");
        platform::raise(platform::err::InvalidFileFormat, QStringLiteral("データセットの展開に失敗しました（%1）: %2").arg(cause, e.path));
    }
}

// Builds a working copy in `target` (which must not exist) from the committed
// store `source`: its customer folders and its log, nothing else. `shownAs`
// is the committed store's path as the progress lines name it. The copy's
// files are second names of the committed store's files: nothing changes a
// store file in place (every write renames a new file over the old name), so
// a change to the working copy never reaches the committed store, and no
// data has to be copied. The customer folders are linked several at a time
// by the platform layer; the progress names each one as it is complete.
void buildWorkingCopy(const QString &source, const QString &target, const QString &shownAs)
{
    sh::CreateFolder(target);
    if (!sh::FolderExists(source))
        return;
    const std::vector<sh::FolderEntry> customers = sh::SubFolders(source);
    QList<QPair<QString, QString>> trees;
    for (const sh::FolderEntry &sub : customers)
        trees.append({sub.Path, inFolder(target, sub.Name)});
    platform::fileio::linkTrees(trees, [&](int i) {
        const QString &name = customers[static_cast<std::size_t>(i)].Name;
        setWaitInfo(sh::toNativePath(inFolder(shownAs, name)), QStringLiteral("  [抽出中]  ----->>>  ") + name);
        fm::DoEvents();
    });
    const QString log = inFolder(source, kLogFile);
    if (sh::FileExists(log))
        platform::fileio::linkFile(log, inFolder(target, kLogFile));
}

// Puts the new folders in place of "dDB" (when newCommitted is not empty)
// and "dDB.tran"; the folders replaced go into the staging folder. The new
// store is on disk already (the archiver extracts durably), and the journal
// names the previous one while "dDB" is swapped, so that a crash in between
// is rolled back at the next start.
// On any failure the folders that were moved are moved back, then the error
// goes on.
void swapIn(const QString &programFolder, const Staging &staging, const QString &newCommitted,
            const QString &newWorking)
{
    const QString program = sh::toNativePath(programFolder);
    const QString committed = sf::pathIn(program, kCommitted);
    const QString working = sf::pathIn(program, kWorking);
    const QString oldCommitted = staging.path(QStringLiteral("old.dDB"));
    const QString oldWorking = staging.path(QStringLiteral("old.dDB.tran"));
    const QString failedCommitted = staging.path(QStringLiteral("failed.dDB"));
    QString previous; // where the committed store found here is now
    bool committedPlaced = false, workingMoved = false, journal = false;
    try {
        if (!newCommitted.isEmpty()) {
            // The archiver synced every file and folder it extracted.
            if (sh::FolderExists(committed)) {
                previous = committed;
                if (sf::exchangeFolders(newCommitted, committed)) {
                    previous = newCommitted;
                } else {
                    sf::beginSwap(program, staging.relativePath(QStringLiteral("old.dDB")));
                    journal = true;
                    platform::fileio::renameDurably(committed, oldCommitted);
                    previous = oldCommitted;
                    platform::fileio::renameDurably(newCommitted, committed);
                }
            } else {
                platform::fileio::renameDurably(newCommitted, committed);
            }
            committedPlaced = true;
            if (journal) {
                sf::endSwap(program);
                journal = false;
            }
        }
        if (sh::FolderExists(working)) {
            sh::MoveFolder(working, oldWorking);
            workingMoved = true;
        }
        sh::MoveFolder(newWorking, working);
    } catch (...) {
        try {
            if (workingMoved && !sh::FolderExists(working))
                sh::MoveFolder(oldWorking, working);
            if (committedPlaced)
                platform::fileio::renameDurably(committed, failedCommitted);
            if (!previous.isEmpty() && previous != committed)
                platform::fileio::renameDurably(previous, committed);
            if (journal)
                sf::endSwap(program);
        } catch (...) {
        }
        throw;
    }
}

// Shows the open or save dialog; false when the user cancelled it (the
// dialog's cancel error), other errors go on to the caller.
bool showFileDialog(fm::CommonDialog &cdl, bool save)
{
    try {
        if (save)
            cdl.ShowSave();
        else
            cdl.ShowOpen();
        return true;
    } catch (const platform::RuntimeError &e) {
        if (e.Number() != platform::err::CancelError)
            throw;
        return false;
    }
}

} // namespace

bool openDataSet(IDataSetHost &window, bool startUp)
{
    const CurrentFolder current;
    const QString program = sh::programFolder();
    try {
        std::optional<Staging> staging;
        QString newCommitted; // the extracted data set; empty at start-up
        QString recovered;    // log text of a store restored after a crash
        QString chosen;       // the data set opened; empty at start-up
        if (startUp) {
            // A save or open cut short by a crash is rolled back first, so
            // that the working copy is built from a complete store.
            recovered = sf::recoverCommittedStore(program);
            if (!sh::FolderExists(inFolder(program, kCommitted)))
                sh::CreateFolder(inFolder(program, kCommitted));
        } else {
            fm::CommonDialog &cdl = window.cdlCSVFile();
            applyInitialFolder(cdl);
            cdl.setFlags(kOpenFlags);
            cdl.setDialogTitle(QStringLiteral("ファイル選択"));
            cdl.setFilter(kDataSetFilter);
            cdl.setFilterIndex(1);
            cdl.setFileName(QString());
            cdl.setCancelError(true);
            if (!showFileDialog(cdl, false)) {
                current.restore();
                return false;
            }
            chosen = cdl.FileName();
            sh::ChDrive(program);
            sh::ChDir(program);
            // The store is replaced only by a data set that extracted whole.
            staging.emplace(program);
            extractDataSet(chosen, staging->path(QStringLiteral("set")));
            newCommitted = staging->path(QStringLiteral("set/dDB"));
        }
        fm::Form *owner = window.form();
        if (!owner || !owner->Visible())
            owner = window.mainWindow();
        showWait(owner, QStringLiteral("データ抽出中・・・・"));
        if (!staging)
            staging.emplace(program);
        const QString source = newCommitted.isEmpty() ? inFolder(program, kCommitted) : newCommitted;
        const QString newWorking = staging->path(kWorking);
        buildWorkingCopy(source, newWorking, sh::toNativePath(inFolder(program, kCommitted)));
        swapIn(program, *staging, newCommitted, newWorking);
        if (!recovered.isEmpty()) {
            // The restore is recorded in the log the working copy now holds.
            if (clsLogs *logs = window.windowLogs(); logs && window.lstLogs()) {
                logs->read(window.lstLogs());
                logs->add(window.lstLogs(), recovered);
                logs->toFile(window.lstLogs());
            }
        }
        // Only now does the store differ from what the window had: a failed
        // open leaves both folders, and so the flag, as they were.
        window.setDataChanged(false);
        staging->removeInBackground();
        if (!chosen.isEmpty())
            lastDataSet() = sh::toNativePath(chosen);

        unloadWaitDialog();
        current.restore();
        return true;
    } catch (const std::exception &e) {
        const QString description = errorDescription(e);
        current.restore();
        unloadWaitDialog();
        showError(QStringLiteral("オープン中にエラーが発生しました。"), QStringLiteral("　"), description);
        return false;
    }
}

bool saveDataSet(IDataSetHost &window)
{
    const CurrentFolder current;
    const QString program = sh::toNativePath(sh::programFolder());
    const QString committed = sf::pathIn(program, kCommitted);
    const QString working = sf::pathIn(program, kWorking);
    const QString backup = sf::pathIn(program, sf::kBackup);
    const QString building = sf::pathIn(program, sf::kBuilding);
    bool placed = false;   // the new store is "dDB"
    QString previous;      // where the store this save found is now; "" when there was none
    bool swapping = false; // the journal names "dDB.tmp"
    try {
        fm::CommonDialog &cdl = window.cdlCSVFile();
        applyInitialFolder(cdl);
        cdl.setCancelError(true);
        cdl.setFileName(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        cdl.setDefaultExt(QStringLiteral("dmd"));
        cdl.setFilter(kDataSetFilter);
        cdl.setDialogTitle(QStringLiteral("保存先"));
        cdl.setFlags(kSaveFlags);
        if (!showFileDialog(cdl, true)) {
            current.restore();
            return false;
        }
        const QString target = cdl.FileName();
        if (sh::FileExists(target)) {
            const int answer = fm::MsgBox(QStringLiteral("[") + target + QStringLiteral("]は存在します。上書きしますか？"),
                                          fm::vbYesNo + fm::vbExclamation, appTitle);
            if (answer == fm::vbNo) {
                current.restore();
                return false;
            }
            // The old file stays until the new archive is complete and takes
            // its place; a file that may not be written is refused now.
            if (!QFileInfo(sh::toNativePath(target)).isWritable())
                platform::raise(platform::err::PermissionDenied,
                                platform::errorDescription(platform::err::PermissionDenied, sh::toNativePath(target)));
        }

        showWait(window.form(), QStringLiteral("データ保存中・・・・"));
        if (clsLogs *logs = window.windowLogs())
            logs->toFile(window.lstLogs());

        // The new store is built beside the committed one and synced to disk.
        sf::removeTree(building);
        platform::fileio::faults::faultPoint(platform::fileio::faults::Step::Create, building);
        sh::CreateFolder(building);
        if (sh::FolderExists(working)) {
            for (const sh::FolderEntry &sub : sh::SubFolders(working)) {
                sf::copyIntoTemporaryTree(sub.Path, sf::pathIn(building, sub.Name), sf::pathIn(committed, sub.Name));
                setWaitInfo(sub.Path, window.saveProgressText(sub.Name));
                fm::DoEvents();
            }
            if (sh::FileExists(inFolder(working, kLogFile)))
                sf::copyFileDurably(sf::pathIn(working, kLogFile), sf::pathIn(building, kLogFile));
        }
        // The data set file is packed from the new store, as "dDB", while the
        // store's files go to disk; it takes its name only after the swap.
        sh::ChDrive(program);
        sh::ChDir(program);
        QString earlier = lastDataSet();
        if (earlier.isEmpty() || !QFileInfo(earlier).isFile())
            earlier = QFileInfo(sh::toNativePath(target)).isFile() ? sh::toNativePath(target) : QString();
        std::unique_ptr<platform::archive::ArchiveWriter> archive =
            platform::archive::prepareFolderArchive(sh::toNativePath(target), building, kCommitted, earlier);
        // Everything of the new store is on disk before it takes the name;
        // the archiver packs the store meanwhile (its packed entries written
        // between the syncs, so that its workers never wait for room) and
        // has read all of it before the store is moved.
        sf::syncTree(building, [&] { archive->writeReady(); });
        archive->flush();

        // Then it is swapped in: the backup of the previous save goes, the
        // new store becomes "dDB" and the previous one "dDB.tmp". Where the
        // file system exchanges two names in one step, "dDB" is never
        // missing; elsewhere the journal names "dDB.tmp" as the complete
        // store while "dDB" is away.
        if (sh::FolderExists(backup)) {
            // Renamed into a private folder, whose name a restart removes,
            // and deleted by the platform's worker: the save does not wait
            // for its files to go.
            Staging trash(program);
            platform::fileio::renameDurably(backup, trash.path(sf::kBackup));
            trash.removeInBackground();
        }
        if (sh::FolderExists(committed)) {
            previous = committed;
            if (sf::exchangeFolders(building, committed)) {
                previous = building;
                placed = true;
                platform::fileio::renameDurably(building, backup);
                previous = backup;
            } else {
                sf::beginSwap(program, sf::kBackup);
                swapping = true;
                platform::fileio::renameDurably(committed, backup);
                previous = backup;
                platform::fileio::renameDurably(building, committed);
                placed = true;
                sf::endSwap(program);
                swapping = false;
            }
        } else {
            platform::fileio::renameDurably(building, committed);
            placed = true;
        }

        archive->commit();
        lastDataSet() = sh::toNativePath(target);

        current.restore();
        window.setDataChanged(false);
        unloadWaitDialog();
        return true;
    } catch (const std::exception &e) {
        const QString description = errorDescription(e);
        unloadWaitDialog();
        try {
            // Back to the committed store this save found, or to none when
            // there was none; the partly built store goes.
            if (placed && !previous.isEmpty() && sh::FolderExists(previous)) {
                if (sf::exchangeFolders(previous, committed)) {
                    sf::discardFolder(program, previous);
                } else {
                    sf::beginSwap(program, QFileInfo(previous).fileName());
                    sf::discardFolder(program, committed);
                    platform::fileio::renameDurably(previous, committed);
                    sf::endSwap(program);
                }
            } else if (placed && previous.isEmpty()) {
                sf::discardFolder(program, committed);
            } else if (swapping) {
                if (!sh::FolderExists(committed) && sh::FolderExists(backup))
                    platform::fileio::renameDurably(backup, committed);
                sf::endSwap(program);
            }
            if (previous != building)
                sf::removeTree(building);
        } catch (const std::exception &) {
        }
        current.restore();
        showError(QStringLiteral("保存中にエラーが発生しました。"), QStringLiteral("  "), description);
        return false;
    }
}

} // namespace talvik
