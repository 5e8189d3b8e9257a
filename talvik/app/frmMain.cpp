#include "talvik/app/frmMain.h"

#include "talvik/dataview/storeFolders.h"
#include "talvik/store/stagingArea.h"

#include "platform/forms/app.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/doevents.h"
#include "platform/forms/msgbox.h"
#include "platform/profile/profile.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/app/formDispatch.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmVersion.h"
#include "talvik/app/watcher.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"
#include "talvik/link/clsDataV.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/link/frmSerialSetUp.h"
#include "talvik/dataview/frmData.h"
#include "talvik/settings/frmGraphSet.h"
#include "talvik/settings/frmImportCustom.h"
#include "talvik/settings/frmImportCustomSrv.h"
#include "talvik/dataview_service/frmDataSrv.h"
#include "talvik/dataview_service/serviceFolder.h"
#include "talvik/settings/frmNewCustom.h"
#include "talvik/settings/frmSelDelete.h"
#include "talvik/settings/frmSetting.h"

namespace talvik {

namespace forms = platform::forms;
namespace com = platform::com;
using forms::MsgBox;

const QString frmMain::kDataWindowMissing =
    QStringLiteral("情報データの画面はこの版にはまだありません。");

namespace {

// Raises a failed call of the watcher as the run-time error it is.
void check(com::HRESULT hr, const char *member)
{
    if (com::FAILED(hr))
        platform::raise(platform::err::AutomationError,
                        platform::errorDescription(platform::err::AutomationError,
                                                   QStringLiteral("Portwick.Class1.%1: 0x%2")
                                                       .arg(QString::fromLatin1(member))
                                                       .arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0'))));
}

} // namespace

frmMain::frmMain()
{
    mainWindowForm = this;
    m_dispatch = makeFormDispatch(*this, QStringLiteral("frmMain"));
    m_dispatch->addMethod(QStringLiteral("ActionOn"), [this](const QVariantList &) {
        ActionOn();
        return QVariant();
    });
    m_dispatch->addMethod(QStringLiteral("ActionOff"), [this](const QVariantList &) {
        ActionOff();
        return QVariant();
    });
    m_timerDispatch = makeTimerDispatch(Timer1);

    connect(&cmdData, &forms::CommandButton::Click, this, &frmMain::cmdData_Click);
    connect(&cmdDate, &forms::CommandButton::Click, this, &frmMain::cmdDate_Click);
    connect(&cmdSetting, &forms::CommandButton::Click, this, &frmMain::cmdSetting_Click);
    connect(&Timer1, &forms::TimerControl::Timer, this, &frmMain::Timer1_Timer);
}

frmMain::~frmMain()
{
    // Globals never point at what this window has released.
    if (mainWindowForm == this)
        mainWindowForm = nullptr;
    if (clockForm == m_clockForm.get())
        clockForm = nullptr;
    if (settingForm == m_settingForm.get())
        settingForm = nullptr;
    if (versionForm == m_versionForm.get())
        versionForm = nullptr;
    if (waitForm == m_waitForm.get())
        waitForm = nullptr;
    if (serialController == m_serialController.get())
        serialController = nullptr;
    if (appLogs == m_appLogs.get())
        appLogs = nullptr;
}

void frmMain::designForm()
{
    setDesignSize(4680, 3720);
    setFixedBorder(true);
    zoContainer3D1.Move(360, 240, 3960, 900);
    zoContainer3D2.Move(360, 1380, 3960, 900);
    zo3Data.Move(360, 2520, 3960, 900);
    cmdData.Move(120, 120, 3720, 660);
    cmdDate.Move(120, 120, 3720, 660);
    cmdSetting.Move(120, 120, 3720, 660);
    cmdData.setCaption(QStringLiteral("情　報　デ　ー　タ"));
    cmdDate.setCaption(QStringLiteral("時　　　刻"));
    cmdSetting.setCaption(QStringLiteral("設　　　　定"));
    // Screen readers would spell the spread captions letter by letter.
    for (forms::CommandButton *b : {&cmdData, &cmdDate, &cmdSetting})
        forms::setAccessibleName(*b, forms::spokenCaption(b->Caption()));
    for (forms::CommandButton *b : {&cmdData, &cmdDate, &cmdSetting})
        b->setFontSize(12);
    Timer1.setEnabled(false);
    Timer1.setInterval(0);
}

void frmMain::Form_Load()
{
    // 1. The windows and shared objects. The service-mode data window is not
    // part of this build.
    if (!srvMode) {
        m_dataForm = std::make_unique<frmData>();
        dataForm = m_dataForm.get();
    }
    m_clockForm = std::make_unique<frmDateTime>();
    clockForm = m_clockForm.get();
    m_settingForm = std::make_unique<frmSetting>();
    settingForm = m_settingForm.get();
    frmDateTime::settingWindow = [] { return settingForm ? static_cast<forms::Form *>(settingForm) : nullptr; };
    m_waitForm = std::make_unique<frmWait>();
    waitForm = m_waitForm.get();
    m_serialSetUpForm = std::make_unique<frmSerialSetUp>();
    serialSetUpForm = m_serialSetUpForm.get();
    m_importCustomForm = std::make_unique<frmImportCustom>();
    importCustomForm = m_importCustomForm.get();
    m_importCustomSrvForm = std::make_unique<frmImportCustomSrv>();
    importCustomSrvForm = m_importCustomSrvForm.get();
    m_newCustomForm = std::make_unique<frmNewCustom>();
    newCustomForm = m_newCustomForm.get();
    m_graphSetForm = std::make_unique<frmGraphSet>();
    graphSetForm = m_graphSetForm.get();
    m_versionForm = std::make_unique<frmVersion>();
    versionForm = m_versionForm.get();
    m_selDeleteForm = std::make_unique<frmSelDelete>();
    selDeleteForm = m_selDeleteForm.get();
    m_serialController = std::make_unique<clsSerialController>();
    serialController = m_serialController.get();
    m_appLogs = std::make_unique<clsLogs>();
    appLogs = m_appLogs.get();

    // 2. Help file.
    forms::App::setHelpFile(platform::shell::programFolder() + QStringLiteral("\\demandhelp.chm"));

    // 3.-4. First run.
    firstRunCleanup();

    // 5.
    dataFolder = platform::shell::programFolder();

    // 6. Service mode: the service-mode data window takes over and ends the program.
    // A cancelled customer number ends the program before any window shows;
    // otherwise the load goes on while the service window stays open.
    if (srvMode) {
        dataFolder = serviceDataFolder(
            getIniString(QStringLiteral("\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("folder")));
        cmdData_Click();
        if (!dataForm || !dataForm->form()->isLoaded()) {
            m_endRequested = true;
            return;
        }
    }

    // 7.
    waitForm->setParent(this);

    // 8. The version record and this window's protocol controller.
    m_versionData = std::make_unique<clsDataV>();
    m_Protocol = std::make_unique<clsProtocolController>(serialController);
    connect(m_Protocol.get(), &clsProtocolController::OnVersion, this, &frmMain::m_Protocol_OnVersion);
    connect(m_Protocol.get(), &clsProtocolController::OnTranEnd, this, &frmMain::m_Protocol_OnTranEnd);
    connect(m_Protocol.get(), &clsProtocolController::OnError, this, &frmMain::m_Protocol_OnError);

    // 9. The port watcher on Timer1.
    check(vcpWatcherObject().PortwickStart(m_timerDispatch.get()), "PortwickStart");
}

void frmMain::firstRunCleanup()
{
    const QString ini = QStringLiteral("\\system2.ini");
    const QString section = QStringLiteral("SYSTEM_INFO");
    const QString key = QStringLiteral("INIT");
    dataFolder = getIniString(ini, section, key);
    if (dataFolder != QStringLiteral("0"))
        return;
    // The flag is written first: the data folders go only once it is known
    // that this start is the last first start. A failed write has been shown
    // by writeIniString; nothing is deleted then.
    writeIniString(ini, section, key, QStringLiteral("1"));
    QString stored;
    platform::profile::GetPrivateProfileString(section, key, QString(), stored, 255,
                                               platform::shell::programFolder() + ini);
    if (stored != QStringLiteral("1"))
        return;
    const QString folder = platform::shell::programFolder();
    deleteFolderIfExists(folder + QStringLiteral("\\dDB"));
    deleteFolderIfExists(folder + QStringLiteral("\\dDB.dl"));
    deleteFolderIfExists(folder + QStringLiteral("\\dDB.tran"));
    // Records kept by a failed store run belong to the store wiped here.
    deleteFolderIfExists(folder + u'\\' + talvik::staging::keptFolderName);
    // A save journal left by a crash refers to the store just wiped: without
    // it the data window's start-up does not bring "dDB.tmp" back.
    try {
        talvik::storefolders::endSwap(folder);
    } catch (const platform::RuntimeError &e) {
        forms::MsgBox(e.Description(), forms::vbCritical);
    }
}

void frmMain::beginButton()
{
    setMousePointer(forms::vbHourglass);
    forms::DoEvents();
}

void frmMain::endButton()
{
    if (isLoaded())
        setMousePointer(forms::vbDefault);
    forms::DoEvents();
}

void frmMain::cmdData_Click()
{
    beginButton();
    clearBusy(QStringLiteral("cmdData_Click"));
    if (!dataForm) {
        m_dataForm = srvMode ? std::make_unique<frmDataSrv>() : std::make_unique<frmData>();
        dataForm = m_dataForm.get();
    }
    dataForm->form()->Show(forms::vbModeless, this);
    endButton();
}

void frmMain::cmdDate_Click()
{
    beginButton();
    if (!clockForm) {
        m_clockForm = std::make_unique<frmDateTime>();
        clockForm = m_clockForm.get();
    }
    clockForm->Show(forms::vbModeless, this);
    endButton();
}

void frmMain::cmdSetting_Click()
{
    beginButton();
    clearBusy(QStringLiteral("cmdSetting_Click"));
    if (!settingForm) {
        m_settingForm = std::make_unique<frmSetting>();
        settingForm = m_settingForm.get();
    }
    settingForm->Show(forms::vbModeless, this);
    endButton();
}

void frmMain::Timer1_Timer()
{
    portwick::_Class1 *watcher = existingVcpWatcher();
    if (!watcher)
        return; // the watcher was never started (or is gone at the end)
    // A failed tick is the watcher's own concern: it keeps its state and its
    // timer, and the next tick tries again.
    if (commBusy) {
        Timer1.setEnabled(false);
        watcher->PortwickControl(m_timerDispatch.get(), m_dispatch.get());
        forms::DoEvents();
        Timer1.setEnabled(true);
        return;
    }
    // The line hung up since the last look: the adapter went, even when it is
    // back by now (a device replaced in the middle of a transaction). Once no
    // transaction runs (also none outside the busy flag, such as the settings
    // window's customer number or this window's version request), it counts
    // as pulled out, and the watch starts afresh, so that finding the adapter
    // identifies the device again.
    if (serialController && !clsProtocolController::transactionRunning() && serialController->takeDeviceGone()) {
        try {
            ActionOff();
        } catch (const platform::RuntimeError &e) {
            MsgBox(e.Description(), forms::vbCritical);
        }
        watcher->PortwickStart(m_timerDispatch.get());
    }
    watcher->PortwickControl(m_timerDispatch.get(), m_dispatch.get());
    forms::DoEvents();
}

void frmMain::unlockButtons()
{
    if (portwick::_Class1 *watcher = existingVcpWatcher())
        watcher->ButtonUnlock(m_dispatch.get());
}

void frmMain::ActionOn()
{
    check(vcpWatcherObject().ButtonLock(m_dispatch.get()), "ButtonLock");
    m_versionData->initData();
    m_Protocol->setData(m_versionData.get());
    m_Protocol->WaitNoVisible();
    m_Protocol->cont(this);
}

void frmMain::ActionOff()
{
    // The adapter's device node has gone: the port is let go, so that the
    // next transaction opens whatever node the adapter has when it is back.
    // A transaction still running ends as the time-out it now is.
    if (serialController) {
        serialController->closePort();
        // The watcher saw the adapter go: a hang-up it left is told already.
        serialController->takeDeviceGone();
    }
    deviceVersion.clear();
    // The settings window re-lays itself out for the case of no device.
    if (settingOpen && settingForm)
        settingForm->cmdReadVersionClick();
}

void frmMain::m_Protocol_OnTranEnd()
{
    unlockButtons();
    deviceVersion = m_versionData->version();
    if (settingOpen && settingForm)
        settingForm->cmdReadVersionClick();
}

void frmMain::m_Protocol_OnVersion(bool ok)
{
    deviceVersion.clear();
    if (ok) {
        const QString version = m_versionData->version();
        if (isModelRdx9(version) || isModelT4kaV10(version) || isModelT4kaNotV10(version) || isModelT6ka(version) ||
            isModelT4kb(version))
            deviceVersion = version;
        else
            MsgBox(QStringLiteral("電源、接続及び通信設定を確認してください。"), forms::vbExclamation);
    } else {
        MsgBox(QStringLiteral("不明な機器が接続されています。"), forms::vbExclamation);
        unlockButtons();
    }
}

void frmMain::m_Protocol_OnError(const QString &msg)
{
    unlockButtons();
    deviceVersion.clear();
    if (!msg.isEmpty()) {
        MsgBox(msg, forms::vbCritical);
        clearBusy(QStringLiteral("frmMain"));
    }
}

void frmMain::Form_QueryUnload(int &cancel, int unloadMode)
{
    Q_UNUSED(unloadMode);
    cancel = 0;
    Hide();
    if (portwick::_Class1 *watcher = existingVcpWatcher())
        watcher->PortwickEnd(m_timerDispatch.get());
}

void frmMain::Form_Unload(int &cancel)
{
    cancel = 0;
    try {
        if (m_Protocol)
            disconnect(m_Protocol.get(), nullptr, this, nullptr);
        m_versionData.reset();
        m_Protocol.reset();
        if (dataForm) {
            dataForm->form()->Unload();
            dataForm = nullptr;
        }
        m_dataForm.reset();
        if (clockForm) {
            clockForm->Unload();
            clockForm = nullptr;
        }
        m_clockForm.reset();
        if (settingForm) {
            settingForm->Unload();
            settingForm = nullptr;
        }
        frmDateTime::settingWindow = nullptr;
        m_settingForm.reset();
        if (waitForm) {
            waitForm->Unload();
            waitForm = nullptr;
        }
        m_waitForm.reset();
        auto release = [](auto *&global, auto &owned) {
            if (global) {
                global->Unload();
                global = nullptr;
            }
            owned.reset();
        };
        release(serialSetUpForm, m_serialSetUpForm);
        release(importCustomForm, m_importCustomForm);
        release(importCustomSrvForm, m_importCustomSrvForm);
        release(newCustomForm, m_newCustomForm);
        release(graphSetForm, m_graphSetForm);
        if (versionForm) {
            versionForm->Unload();
            versionForm = nullptr;
        }
        m_versionForm.reset();
        release(selDeleteForm, m_selDeleteForm);
        serialController = nullptr;
        m_serialController.reset();
        appLogs = nullptr;
        m_appLogs.reset();
    } catch (const platform::RuntimeError &) {
        // The unload goes on silently.
    }
}

} // namespace talvik
