#pragma once
// What the store needs of a data window (the normal and the service-mode
// window both offer it), and the services around a store run: the wait
// dialog's texts, message boxes, the event pump, the operation log and the
// count-file reader of the service mode. The defaults are the program's own;
// tests put doubles in.
#include "talvik/core/alarmInfoFile.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/waitDialogAdapter.h"

#include <QDateTime>
#include <QString>
#include <QVector>
#include <functional>

namespace platform::forms {
class Form;
class ListBox;
class TreeView;
class MSHFlexGrid;
} // namespace platform::forms

namespace talvik {

class clsTreeNode;

class IDataWindow {
public:
    virtual ~IDataWindow() = default;
    virtual clsTreeNode &TreeNode() = 0;
    virtual platform::forms::TreeView &treData() = 0;
    virtual platform::forms::ListBox *lstLogs() = 0;
    virtual platform::forms::MSHFlexGrid &mfgData() = 0;
    // Width of a text in twips in the window's font.
    virtual int TextWidth(const QString &text) = 0;
    virtual int GraphZoom() = 0;
    virtual void setGraphZoom(int kW) = 0;
    virtual void setRootMenus() = 0;
    // The window as the owner of the wait dialog.
    virtual platform::forms::Form *form() = 0;
};

// The wait dialog as the store drives it: the same interface as the
// protocol controller's (the store also asks whether it is shown).
using IStoreWaitDialog = IWaitDialog;

// The services around a store run. A default-constructed StoreServices is
// the program's: the wait dialog waitForm, MsgBox with the OK button and the
// program's title, DoEvents, the log appLogs (add on the data window's
// lstLogs, then toFile), the system clock and the screen's mouse pointer.
// Tests replace members with doubles and restore the defaults with
// `storeServices() = StoreServices()`. The data window is the program-wide
// dataForm, the service-mode inputs are dataFolder and srvCustomer
// (basComVariables).
struct StoreServices {
    IStoreWaitDialog *waitForm = &programWaitDialog();
    // A message box with the OK button and the program's title.
    std::function<void(const QString &text)> msgBox = programMsgBox;
    // Lets pending window events run.
    std::function<void()> doEvents = programDoEvents;
    // Adds a line at the top of the window's log list and writes the log
    // file (appLogs.add, then appLogs.toFile). May raise.
    std::function<void(platform::forms::ListBox *list, const QString &text)> addLog = programAddLog;
    // The clock of the store run (the acquisition time of the records).
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Hourglass on (true) or the default pointer (false).
    std::function<void(bool busy)> setBusyPointer = programSetBusyPointer;
    // Service mode: the count-file reader (readAlarmInfoFile, the reading of
    // GetCsvFileAlarmInfo: false when the file does not exist or cannot be
    // read, the message shown).
    std::function<bool(const QString &path, AlarmInfoTable &table)> getCsvFileAlarmInfo =
        programGetCsvFileAlarmInfo;

    static void programMsgBox(const QString &text);
    static void programDoEvents();
    static void programAddLog(platform::forms::ListBox *list, const QString &text);
    static void programSetBusyPointer(bool busy);
    static bool programGetCsvFileAlarmInfo(const QString &path, AlarmInfoTable &table);
};

StoreServices &storeServices();

} // namespace talvik
