#pragma once
// The data set: the whole committed store "dDB" kept as one ".dmd" LHA
// archive. openDataSet rebuilds the working copy "dDB.tran" from "dDB"
// (from the menu after replacing "dDB" with a chosen archive); saveDataSet
// commits "dDB.tran" into a fresh "dDB" and archives it. Both data windows
// (normal and service mode) use these two operations through IDataSetHost.
#include <QString>

namespace platform::forms {
class CommonDialog;
class Form;
class ListBox;
} // namespace platform::forms

namespace talvik {

class clsLogs;

// What the data set operations need of their data window.
class IDataSetHost {
public:
    virtual ~IDataSetHost() = default;
    // The data window: owner of the wait dialog while it is visible (and
    // always during a save).
    virtual platform::forms::Form *form() = 0;
    // The main window: owner of the wait dialog while the data window is not
    // visible yet (open at start-up). May be null.
    virtual platform::forms::Form *mainWindow() = 0;
    // The window's one file dialog, shared by all its file commands.
    virtual platform::forms::CommonDialog &cdlCSVFile() = 0;
    // The operation log list and the window's log object (its file is
    // "dDB.tran\download.log"). Either may be null: the log is then not written.
    virtual platform::forms::ListBox *lstLogs() = 0;
    virtual clsLogs *windowLogs() = 0;
    // The working data differs from the last saved data set.
    virtual bool dataChanged() const = 0;
    virtual void setDataChanged(bool changed) = 0;
    // The second progress line of a save for one customer folder.
    virtual QString saveProgressText(const QString &name) const
    {
        return name + QStringLiteral("  ----->  [保存中]  ");
    }
};

// Program folder of the data set folders ("dDB", "dDB.tran", "dDB.tmp").
// startUp True: first rolls back a save or open that a crash interrupted
// (the complete previous store becomes "dDB" again, with a line in the
// operation log) and removes folders left under temporary names; then makes
// sure "dDB" exists. startUp False: asks for a ".dmd"
// file and replaces "dDB" with its contents; the archive is extracted into a
// temporary folder and checked (every CRC, the "dDB" root) before anything is
// replaced, so a damaged or foreign file leaves "dDB" and "dDB.tran" as they
// were. Then "dDB.tran" is rebuilt as a copy of "dDB". Errors are shown as
// "オープン中にエラーが発生しました。" + "　" + the cause. After an open from the
// menu the caller reloads the log list (appLogs.read) and rebuilds the tree
// itself. Returns True when the working copy was rebuilt; False when the
// dialog was cancelled or an error occurred.
bool openDataSet(IDataSetHost &window, bool startUp);

// Asks for the target file (default name today "yyyy-mm-dd".dmd, overwrite
// question), builds the new store from "dDB.tran" under a temporary name
// (files the committed store holds unchanged are shared, not copied), packs
// it into the new data set file through the durable write while the store
// goes to disk, swaps the store in by renames (the previous "dDB" kept as
// "dDB.tmp"), and only then lets the new file replace the target. True when
// committed and archived; False on cancel, a declined overwrite, or any
// failure (shown as "保存中にエラーが発生しました。" + two blanks + the cause,
// which names the file; the previous "dDB" and the previous target file are
// then as they were).
bool saveDataSet(IDataSetHost &window);

} // namespace talvik
