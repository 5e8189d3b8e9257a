#pragma once
// The main launcher window: creates the program's windows and shared objects,
// does the first-run clean-up, watches for the USB serial adapter through
// the port watcher, identifies the device behind it (version request RV) and
// opens the data, clock and settings windows.
#include "platform/com/com.h"
#include "platform/forms/commondialog.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/timer.h"
#include "talvik/core/controlLibraries.h"
#include "talvik/link/protocolRecord.h"

#include <memory>

namespace talvik {

class clsDataV;
class clsProtocolController;
class clsLogs;
class clsSerialController;
class frmDateTime;
class frmVersion;
class frmWait;
class frmData;
class frmGraphSet;
class frmImportCustom;
class frmImportCustomSrv;
class frmNewCustom;
class frmSelDelete;
class frmSerialSetUp;
class frmSetting;

class frmMain : public platform::forms::Form, public ITransactionOwner {
    Q_OBJECT
public:
    // Texts of the windows that this build does not have yet.
    static const QString kDataWindowMissing;

    frmMain();
    ~frmMain() override;

    // Called back by the port watcher by name.
    void ActionOn();
    void ActionOff();

    // ITransactionOwner
    platform::forms::Form *ownerForm() override { return this; }

    // The load ended the program (service mode): Main does not show the window.
    bool endRequested() const { return m_endRequested; }

    // This window and its timer as the port watcher reaches them.
    platform::com::IDispatchByName *dispatch() const { return m_dispatch.get(); }
    platform::com::IDispatchByName *timerDispatch() const { return m_timerDispatch.get(); }

    platform::forms::OleControl zoContainer3D1{this, QStringLiteral("zoContainer3D1"), QLatin1String(kContainerProgId), containerFrameDefinition()};
    platform::forms::OleControl zoContainer3D2{this, QStringLiteral("zoContainer3D2"), QLatin1String(kContainerProgId), containerFrameDefinition()};
    platform::forms::OleControl zo3Data{this, QStringLiteral("zo3Data"), QLatin1String(kContainerProgId), containerFrameDefinition()};
    platform::forms::CommandButton cmdData{this, QStringLiteral("cmdData"), &zoContainer3D1};
    platform::forms::CommandButton cmdDate{this, QStringLiteral("cmdDate"), &zoContainer3D2};
    platform::forms::CommandButton cmdSetting{this, QStringLiteral("cmdSetting"), &zo3Data};
    platform::forms::TimerControl Timer1{this, QStringLiteral("Timer1")};
    platform::forms::CommonDialog cdlSetting;

    clsDataV *versionData() const { return m_versionData.get(); }
    clsProtocolController *protocol() const { return m_Protocol.get(); }

    void cmdData_Click();
    void cmdDate_Click();
    void cmdSetting_Click();
    void Timer1_Timer();

protected:
    void designForm() override;
    void Form_Load() override;
    void Form_QueryUnload(int &cancel, int unloadMode) override;
    void Form_Unload(int &cancel) override;

private:
    void m_Protocol_OnVersion(bool ok);
    void m_Protocol_OnTranEnd();
    void m_Protocol_OnError(const QString &msg);
    void firstRunCleanup();
    void unlockButtons();
    void beginButton();
    void endButton();

    std::unique_ptr<clsDataV> m_versionData;
    std::unique_ptr<clsProtocolController> m_Protocol;
    // The windows and shared objects this window creates and releases.
    std::unique_ptr<frmDateTime> m_clockForm;
    std::unique_ptr<frmSetting> m_settingForm;
    std::unique_ptr<frmVersion> m_versionForm;
    std::unique_ptr<frmWait> m_waitForm;
    std::unique_ptr<clsSerialController> m_serialController;
    std::unique_ptr<clsLogs> m_appLogs;
    std::unique_ptr<frmData> m_dataForm;
    std::unique_ptr<frmSerialSetUp> m_serialSetUpForm;
    std::unique_ptr<frmImportCustom> m_importCustomForm;
    std::unique_ptr<frmImportCustomSrv> m_importCustomSrvForm;
    std::unique_ptr<frmNewCustom> m_newCustomForm;
    std::unique_ptr<frmGraphSet> m_graphSetForm;
    std::unique_ptr<frmSelDelete> m_selDeleteForm;

    platform::com::ComPtr<platform::com::DispatchObject> m_dispatch;
    platform::com::ComPtr<platform::com::DispatchObject> m_timerDispatch;
    bool m_endRequested = false;
};

// The main window, created by the start-up (basMain); other windows reach it
// as a form through mainWindowForm.
extern frmMain *mainForm;

} // namespace talvik
