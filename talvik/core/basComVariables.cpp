#include "talvik/core/basComVariables.h"

namespace talvik {

platform::forms::Form *mainWindowForm = nullptr;
IDataWindow *dataForm = nullptr;
platform::forms::Form *clockForm = nullptr;
frmSetting *settingForm = nullptr;
frmWait *waitForm = nullptr;
frmSerialSetUp *serialSetUpForm = nullptr;
frmImportCustom *importCustomForm = nullptr;
frmImportCustomSrv *importCustomSrvForm = nullptr;
frmNewCustom *newCustomForm = nullptr;
frmGraphSet *graphSetForm = nullptr;
frmVersion *versionForm = nullptr;
frmSelDelete *selDeleteForm = nullptr;
clsSerialController *serialController = nullptr;
clsLogs *appLogs = nullptr;

QString appTitle;
QString appVersion;
QString deviceLabel;
bool commBusy = false;
QString deviceVersion;
bool settingOpen = false;
bool srvMode = false;
QString dataFolder;
QString srvCustomer;
std::vector<AlarmInfoRow> alarmInfo;
portwick::_Class1 *vcpWatcher = nullptr;

} // namespace talvik
