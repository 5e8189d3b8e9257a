#pragma once
// Program-wide variables: each exists once for the whole program. Windows and
// shared objects are owned by the main window (it creates them on load and
// releases them on unload); the pointers here only name them.
#include <QString>

#include <vector>

namespace portwick {
struct _Class1;
} // namespace portwick

namespace talvik {

class frmMain;
class IDataWindow; // frmData or frmDataSrv, reached through their interface
class frmDateTime;
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

extern frmMain *mainForm;
extern IDataWindow *dataForm;
extern frmDateTime *clockForm;
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
extern portwick::_Class1 *vcpWatcher;       // the port watcher, created on first use (talvik/app/watcher.h)

} // namespace talvik
