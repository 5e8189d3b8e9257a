#include "platform/forms/constants.h"
#include "platform/forms/doevents.h"
#include "platform/forms/form.h"
#include "platform/forms/msgbox.h"
#include "talvik/core/alarmInfoFile.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/clsLogs.h"
#include "talvik/store/dataWindow.h"

namespace talvik {

void StoreServices::programMsgBox(const QString &text)
{
    platform::forms::MsgBox(text, platform::forms::vbOKOnly);
}

void StoreServices::programDoEvents()
{
    platform::forms::DoEvents();
}

void StoreServices::programAddLog(platform::forms::ListBox *list, const QString &text)
{
    appLogsAdd(list, text);
    if (appLogs)
        appLogs->toFile(list);
}

void StoreServices::programSetBusyPointer(bool busy)
{
    platform::forms::Screen::setMousePointer(busy ? platform::forms::vbHourglass : platform::forms::vbDefault);
}

bool StoreServices::programGetCsvFileAlarmInfo(const QString &path, AlarmInfoTable &table)
{
    return readAlarmInfoFile(path, table);
}

StoreServices &storeServices()
{
    static StoreServices services;
    return services;
}

} // namespace talvik
