#pragma once
// The clock window: shows the PC's date and time, reads the device clock (RT)
// into the device fields and writes the device fields to the device (WT).
// While open it keeps its opener disabled: the settings window when that is
// visible, otherwise the data window.
#include "platform/forms/controls.h"
#include "platform/forms/imagelist.h"
#include "platform/forms/menus.h"
#include "platform/forms/form.h"
#include "platform/forms/sibling_inputs.h"
#include "platform/forms/timer.h"
#include "platform/forms/toolbar.h"
#include "talvik/core/controlLibraries.h"
#include "talvik/link/protocolRecord.h"

#include <QAction> // menus.h and toolbar.h keep QPointer<QAction> of a type they only declare
#include <QMenu>
#include <QPointer>

#include <functional>
#include <memory>

namespace talvik {

class clsDataT;
class clsProtocolController;

class frmDateTime : public platform::forms::Form, public IClockWindow, public ITransactionOwner {
    Q_OBJECT
public:
    // The settings window, when the program has one (nullptr otherwise).
    static std::function<platform::forms::Form *()> settingWindow;
    // Name of the disable hold this window puts on its opener.
    static QString holdName() { return QStringLiteral("frmDateTime"); }

    frmDateTime();
    ~frmDateTime() override;

    // IClockWindow: what the clock record's fire fills.
    ITextInput &zoDateMonitorDate() override { return m_monitorDate; }
    ITextInput &zoTimeMonitorTime() override { return m_monitorTime; }
    // ITransactionOwner
    platform::forms::Form *ownerForm() override { return this; }

    platform::forms::Menu mnuTerm{this, QStringLiteral("mnuTerm")};
    platform::forms::Menu mnuReadDateTime{this, QStringLiteral("mnuReadDateTime"), &mnuTerm};
    platform::forms::Menu mnuWriteDateTime{this, QStringLiteral("mnuWriteDateTime"), &mnuTerm};
    platform::forms::Menu mnuSep1{this, QStringLiteral("mnuSep1"), &mnuTerm};
    platform::forms::Menu mnuClose{this, QStringLiteral("mnuClose"), &mnuTerm};
    platform::forms::ImageList imgList{this, QStringLiteral("imgList")};
    platform::forms::Toolbar tlbDateTime{this, QStringLiteral("tlbDateTime")};
    platform::forms::OleControl zoContainer3D1{this, QStringLiteral("zoContainer3D1"), QLatin1String(kContainerProgId), containerFrameDefinition()};
    platform::forms::Label lblMonitor{this, QStringLiteral("lblMonitor"), &zoContainer3D1};
    platform::forms::DateInput zoDateMonitor{this, QStringLiteral("zoDateMonitorDate"), &zoContainer3D1};
    platform::forms::TimeInput zoTimeMonitor{this, QStringLiteral("zoTimeMonitorTime"), &zoContainer3D1};
    platform::forms::CommandButton cmdCopyTime{this, QStringLiteral("cmdCopyTime"), &zoContainer3D1};
    platform::forms::Frame Frame1{this, QStringLiteral("Frame1"), &zoContainer3D1};
    platform::forms::DateInput zoDateHostDate{this, QStringLiteral("zoDateHostDate"), &Frame1};
    platform::forms::TimeInput zoTimeHostTime{this, QStringLiteral("zoTimeHostTime"), &Frame1};
    platform::forms::TimerControl tmrTimeUpdate{this, QStringLiteral("tmrTimeUpdate")};

    // Menu "通信" and toolbar commands.
    void mnuReadDateTime_Click();
    void mnuWriteDateTime_Click();
    void mnuClose_Click();
    void tlbDateTime_ButtonClick(const QString &key);
    void cmdCopyTime_Click();

    clsDataT *record() const { return m_Data.get(); }
    clsProtocolController *protocol() const { return m_Protocol.get(); }

protected:
    void designForm() override;
    void Form_Load() override;
    void Form_Unload(int &cancel) override;

private:
    // A date or time input as the clock record fills it.
    class MonitorText : public ITextInput {
    public:
        explicit MonitorText(std::function<void(const QString &)> set, std::function<QString()> get)
            : m_set(std::move(set)), m_get(std::move(get)) {}
        void setText(const QString &text) override { m_set(text); }
        QString text() const override { return m_get(); }

    private:
        std::function<void(const QString &)> m_set;
        std::function<QString()> m_get;
    };

    bool isMonitorDateTimeValid();
    void copyMonitorDateTime();
    void startClockTransfer();
    void showHostDateTime();
    platform::forms::Form *openerWindow();
    void zoDateMonitorDate_Change();
    void zoTimeMonitorTime_Change();
    void zoDateMonitorDate_Rejected();
    void zoTimeMonitorTime_Rejected();
    void tmrTimeUpdate_Timer();
    void m_Protocol_OnEvent(const QString &msg);
    void m_Protocol_OnError(const QString &msg);

    std::unique_ptr<clsDataT> m_Data;
    std::unique_ptr<clsProtocolController> m_Protocol;
    MonitorText m_monitorDate;
    MonitorText m_monitorTime;
    QList<QPointer<platform::forms::Form>> m_held;
};

} // namespace talvik
