#pragma once
// Program-wide variables: each exists once for the whole program. Windows and
// shared objects are owned by the main window (it creates them on load and
// releases them on unload); the pointers here only name them.
#include <QString>

#include <vector>

namespace platform::forms {
class Form;
} // namespace platform::forms

namespace portwick {
struct _Class1;
} // namespace portwick

namespace talvik {

class IDataWindow; // frmData or frmDataSrv, reached through their interface
class frmSetting;
class frmWait;
class frmSerialSetUp;
class frmImportCustom;
class frmImportCustomSrv;
class frmNewCustom;
class frmGraphSet;
class frmVersion;
class frmSelDelete;
class clsSerialController;
class clsLogs;

// One half hour of the service mode's alarm-info file.
struct AlarmInfoRow {
    QString timeKey;      // "YYYYMMDDHHMM", start of the half hour
    QString cautionCount; // caution count as text
    QString limitCount;   // limit count as text
};

// Time key of the row that ends alarmInfo.
inline const QString kAlarmInfoEndKey = QStringLiteral("209901010000");

// The main window as the other windows meet it: the owner of what they open
// and the form they hold disabled while they run. The main window sets it for
// its lifetime, so nothing below talvik/app needs to know its class.
extern platform::forms::Form *mainWindowForm;
extern IDataWindow *dataForm;
extern platform::forms::Form *clockForm; // the clock window, shown by whoever offers it
extern frmSetting *settingForm;
extern frmWait *waitForm;
extern frmSerialSetUp *serialSetUpForm;
extern frmImportCustom *importCustomForm;
extern frmImportCustomSrv *importCustomSrvForm;
extern frmNewCustom *newCustomForm;
extern frmGraphSet *graphSetForm;
extern frmVersion *versionForm;
extern frmSelDelete *selDeleteForm;
extern clsSerialController *serialController;
extern clsLogs *appLogs;

extern QString appTitle;      // "Orvantis"
extern QString appVersion;    // "Ver." major "." minor "." revision
extern QString deviceLabel;   // "検出器"
extern bool commBusy;         // a device transaction started by a window runs
extern QString deviceVersion; // version text of the connected device, "" when none
extern bool settingOpen;      // the settings window is open
extern bool srvMode;          // service mode (command line not empty)
extern QString dataFolder;    // folder of the service-mode input files
extern QString srvCustomer;   // customer chosen in service mode
extern std::vector<AlarmInfoRow> alarmInfo; // caution and limit counts of the service mode
extern portwick::_Class1 *vcpWatcher;       // the port watcher, created by the main window on first use

} // namespace talvik
