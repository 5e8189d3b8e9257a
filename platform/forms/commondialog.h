#pragma once
// The common dialog control: open and save file dialogs with the original
// properties. Properties keep what the previous dialog left. With CancelError
// True a cancel raises run-time error 32755. The flags decide the questions:
// the overwrite prompt asks before a save replaces an existing file, the
// create prompt before a file that does not exist is chosen; No to either
// counts as a cancel. Without a DialogTitle a dialog carries the program's
// title (App::Title), never the process name. Dialogs go through the dialog service
// (dialogscript.h).
#include <QString>

namespace platform::forms {

// Flags of the file dialogs (OFN_...).
constexpr int cdlOFNReadOnly = 0x1;
constexpr int cdlOFNOverwritePrompt = 0x2;
constexpr int cdlOFNHideReadOnly = 0x4;
constexpr int cdlOFNNoChangeDir = 0x8;
constexpr int cdlOFNPathMustExist = 0x800;
constexpr int cdlOFNFileMustExist = 0x1000;
constexpr int cdlOFNCreatePrompt = 0x2000;
constexpr int cdlOFNExplorer = 0x80000;

class CommonDialog {
public:
    QString InitDir() const { return m_initDir; }
    void setInitDir(const QString &dir) { m_initDir = dir; }
    // "text|pattern|text|pattern"; patterns may list several globs with ";".
    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }
    int FilterIndex() const { return m_filterIndex; }
    void setFilterIndex(int index) { m_filterIndex = index; }
    QString FileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    // The name part of the last chosen file.
    QString FileTitle() const { return m_fileTitle; }
    QString DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString &ext) { m_defaultExt = ext; }
    QString DialogTitle() const { return m_dialogTitle; }
    void setDialogTitle(const QString &title) { m_dialogTitle = title; }
    int Flags() const { return m_flags; }
    void setFlags(int flags) { m_flags = flags; }
    bool CancelError() const { return m_cancelError; }
    void setCancelError(bool on) { m_cancelError = on; }

    void ShowOpen();
    void ShowSave();

    // Qt name filter list of a filter text ("CSV|*.csv" -> "CSV (*.csv)"); a
    // text that names its own patterns stays as it is ("CSV(*.csv)|*.csv" ->
    // "CSV(*.csv)").
    static QStringList qtFilters(const QString &filter);

private:
    void show(bool save);
    // The title on the file dialog: DialogTitle, or the platform's own
    // ("開く", "名前を付けて保存") when it is empty.
    QString shownTitle(bool save) const;
    // The title of the dialog's questions: DialogTitle, or the program's
    // title as on every message box.
    QString boxTitle() const;
    // Asks `prompt`; False (after the cancel error when asked for) on No.
    bool confirm(const QString &prompt);

    QString m_initDir;
    QString m_filter;
    int m_filterIndex = 0;
    QString m_fileName;
    QString m_fileTitle;
    QString m_defaultExt;
    QString m_dialogTitle;
    int m_flags = 0;
    bool m_cancelError = false;
};

} // namespace platform::forms
