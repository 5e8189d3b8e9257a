#pragma once
// What the store needs of a data window (the normal and the service-mode
// window both offer it), and the services around a store run: the wait
// dialog's texts, message boxes, the event pump, the operation log and the
// service-mode inputs. The program sets `storeServices()` up at start; tests
// put doubles in.
#include "talvik/core/basComVariables.h"

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

// The wait dialog as the store uses it (the store also asks whether it is
// shown, which the protocol controller does not).
class IStoreWaitDialog {
public:
    virtual ~IStoreWaitDialog() = default;
    virtual void clear() = 0;
    virtual void setWaitMsg(const QString &text) = 0;
    virtual void setLoadInfo1(const QString &text) = 0;
    virtual void setLoadInfo2(const QString &text) = 0;
    virtual bool Visible() const = 0;
    virtual void showModeless(platform::forms::Form *owner) = 0;
    virtual void unload() = 0;
};


struct StoreServices {
    IDataWindow *dataForm = nullptr;
    IStoreWaitDialog *waitForm = nullptr;
    // A message box with the OK button and the program's title.
    std::function<void(const QString &text)> msgBox;
    // Lets pending window events run.
    std::function<void()> doEvents;
    // Adds a line at the top of the window's log list and writes the log
    // file (appLogs.add, then appLogs.toFile). May raise.
    std::function<void(platform::forms::ListBox *list, const QString &text)> addLog;
    // The clock of the store run (the acquisition time of the records).
    std::function<QDateTime()> now;
    // Hourglass on (true) or the default pointer (false).
    std::function<void(bool busy)> setBusyPointer;
    // Service mode: the count-file folder, the chosen customer number, the
    // customer picked in the import dialog, and the count-file reader
    // (GetCsvFileAlarmInfo: false when the file does not exist).
    QString dataFolder;
    QString srvCustomer;
    std::function<QString()> importCustom;
    std::function<bool(const QString &path, QVector<AlarmInfoRow> &rows)> getCsvFileAlarmInfo;
};

StoreServices &storeServices();

} // namespace talvik
