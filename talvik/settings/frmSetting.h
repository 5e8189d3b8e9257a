#pragma once
// The settings window: shows and edits the monitoring settings of one demand
// detector in the layout of the connected model, keeps the last settings per
// model in "System.ini" and named sets in ".cfg" files, reads them from and
// writes them to the detector, prints them and keeps its own operation log.
//
// The operations are spread over several files of the same class:
//   frmSetting.cpp           frame, menus and toolbar, model layouts,
//                            defaults, load and unload
//   frmSetting_inputs.cpp    input changes, highlighting, spin buttons,
//                            range checks, collectSettingInputs
//   frmSetting_files.cpp     ".cfg" files and "System.ini"
//   frmSetting_transfer.cpp  read from and write to the device
//   frmSetting_report.cpp    the printed settings
#include "platform/forms/commondialog.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/imagelist.h"
#include "platform/forms/menus.h"
#include "platform/forms/spin_inputs.h"
#include "platform/forms/statusbar.h"
#include "platform/forms/timer.h"
#include "platform/forms/toolbar.h"
#include "platform/print/reportprinter.h"
#include "talvik/core/controlLibraries.h"
#include "talvik/link/protocolRecord.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QList>
#include <QPair>
#include <QString>

#include <array>
#include <memory>

namespace talvik {

class clsDataS;
class clsDataSA;
class clsDataSB;
class clsDataC;
class clsLogs;
class clsProtocolController;

// Colours of the settings inputs.
constexpr std::uint32_t colorChanged = 0x0000FFFF; // yellow
constexpr std::uint32_t colorInvalid = 0x000000FF; // red

// The text that stands for "nothing remembered".
inline const QString kNothingRemembered = QStringLiteral("ABCDEFG");

class frmSetting : public platform::forms::Form, public ISettingWindow, public ITransactionOwner {
    Q_OBJECT
public:
    static const QString kNewFileName;      // "新規作成"
    static const QString kReaderRefused;    // the reader cannot be set here
    static const QString kNoVersion;        // "ﾊﾞｰｼﾞｮﾝ情報無し"
    static const QString kCheckConnection;  // "電源、接続及び通信設定を確認してください。"

    frmSetting();
    ~frmSetting() override;

    // ---- Public operations ----
    void SetPreData() override;
    // Re-applies the window height and the layout of the connected model
    // (does nothing while a transfer of this window runs).
    void cmdReadVersionClick();

    // ISettingWindow: what the settings records' fire fills.
    INumericInput &zonumWatt() override { return m_wattIn; }
    INumericInput &zonumSkipTime() override { return m_skipIn; }
    INumericInput &zonumPulseF2() override { return m_pulseF2In; }
    INumericInput &zonumWLevel2() override { return m_wLevel2In; }
    ITextInput &zoTextCustomerID() override { return m_customerIn; }
    IOptionButton &optWatt(int index) override;
    IOptionButton &optWlevel(int index) override;
    IOptionButton &optWinterval1(int index) override;
    IOptionButton &optRumble(int index) override;
    IOptionButton &optPul(int index) override;

    // ITransactionOwner
    platform::forms::Form *ownerForm() override { return this; }

    // ---- Menus ----
    platform::forms::Menu mnuFile{this, QStringLiteral("mnuFile")};
    platform::forms::Menu mnuNew{this, QStringLiteral("mnuNew"), &mnuFile};
    platform::forms::Menu mnuOpen{this, QStringLiteral("mnuOpen"), &mnuFile};
    platform::forms::Menu mnuOverWrite{this, QStringLiteral("mnuOverWrite"), &mnuFile};
    platform::forms::Menu mnuNewWrite{this, QStringLiteral("mnuNewWrite"), &mnuFile};
    platform::forms::Menu mnuSep1{this, QStringLiteral("mnuSep1"), &mnuFile};
    platform::forms::Menu mnuPrint{this, QStringLiteral("mnuPrint"), &mnuFile};
    platform::forms::Menu mnuSep2{this, QStringLiteral("mnuSep2"), &mnuFile};
    platform::forms::Menu mnuClose{this, QStringLiteral("mnuClose"), &mnuFile};
    platform::forms::Menu mnuTerm{this, QStringLiteral("mnuTerm")};
    platform::forms::Menu mnuReadSetting{this, QStringLiteral("mnuReadSetting"), &mnuTerm};
    platform::forms::Menu mnuWriteSetting{this, QStringLiteral("mnuWriteSetting"), &mnuTerm};
    platform::forms::Menu mnuSet{this, QStringLiteral("mnuSet")};
    platform::forms::Menu mnuDateTime{this, QStringLiteral("mnuDateTime"), &mnuSet};
    platform::forms::Menu mnuSerialSetUp{this, QStringLiteral("mnuSerialSetUp"), &mnuSet};

    // ---- Controls ----
    platform::forms::ImageList imgList{this, QStringLiteral("imgList")};
    platform::forms::Toolbar tlbSetting{this, QStringLiteral("tlbSetting")};
    platform::forms::OleControl zoContainer3D1{this, QStringLiteral("zoContainer3D1"), QLatin1String(kContainerProgId), containerFrameDefinition()};
    platform::forms::Frame Frame1{this, QStringLiteral("Frame1"), &zoContainer3D1};
    platform::forms::TextBox TxtTitle{this, QStringLiteral("TxtTitle"), &Frame1};
    platform::forms::TextBox txtVerDisp{this, QStringLiteral("txtVerDisp"), &Frame1};
    platform::forms::Frame fraCustomerID{this, QStringLiteral("fraCustomerID"), &zoContainer3D1};
    platform::forms::FormatTextInput txtCustomerID{this, QStringLiteral("zoTextCustomerID"), &fraCustomerID};
    platform::forms::Frame fraDemand{this, QStringLiteral("fraDemand"), &zoContainer3D1};
    platform::forms::SpinNumberInput numWatt{this, QStringLiteral("zonumWatt"), &fraDemand};
    platform::forms::Label lblWatt{this, QStringLiteral("lblWatt"), &fraDemand};
    platform::forms::Label lblWattComment{this, QStringLiteral("lblWattComment"), &fraDemand};
    platform::forms::Frame fraPulseF{this, QStringLiteral("fraPulseF"), &zoContainer3D1};
    platform::forms::ControlArray<platform::forms::OptionButton> optWattButtons{this, QStringLiteral("optWatt"), 4,
                                                                                &fraPulseF};
    platform::forms::Frame fraPulseF2{this, QStringLiteral("fraPulseF2"), &zoContainer3D1};
    platform::forms::SpinNumberInput numPulseF2{this, QStringLiteral("zonumPulseF2"), &fraPulseF2};
    platform::forms::Label lblCTBase{this, QStringLiteral("lblCTBase"), &fraPulseF2};
    platform::forms::Label lblCTComment{this, QStringLiteral("lblCTComment"), &fraPulseF2};
    platform::forms::Frame fraPulse{this, QStringLiteral("fraPulse"), &zoContainer3D1};
    platform::forms::ControlArray<platform::forms::OptionButton> optPulButtons{this, QStringLiteral("optPul"), 2,
                                                                               &fraPulse};
    platform::forms::Frame fraSkip{this, QStringLiteral("fraSkip"), &zoContainer3D1};
    platform::forms::SpinNumberInput numSkipTime{this, QStringLiteral("zonumSkipTime"), &fraSkip};
    platform::forms::Label lblSkip{this, QStringLiteral("lblSkip"), &fraSkip};
    platform::forms::Label lblSkipComment{this, QStringLiteral("lblSkipComment"), &fraSkip};
    platform::forms::Frame fraWLevel{this, QStringLiteral("fraWLevel"), &zoContainer3D1};
    platform::forms::ControlArray<platform::forms::OptionButton> optWlevelButtons{this, QStringLiteral("optWlevel"), 3,
                                                                                  &fraWLevel};
    platform::forms::Frame fraWLevel2{this, QStringLiteral("fraWLevel2"), &zoContainer3D1};
    platform::forms::SpinNumberInput numWLevel2{this, QStringLiteral("zonumWLevel2"), &fraWLevel2};
    platform::forms::Label lblWarnL{this, QStringLiteral("lblWarnL"), &fraWLevel2};
    platform::forms::Label lblWarnLComment{this, QStringLiteral("lblWarnLComment"), &fraWLevel2};
    platform::forms::Frame fraWInterval{this, QStringLiteral("fraWInterval"), &zoContainer3D1};
    platform::forms::ControlArray<platform::forms::OptionButton> optWinterval1Buttons{
        this, QStringLiteral("optWinterval1"), 4, &fraWInterval};
    platform::forms::Frame fraRumble{this, QStringLiteral("fraRumble"), &zoContainer3D1};
    platform::forms::ControlArray<platform::forms::OptionButton> optRumbleButtons{this, QStringLiteral("optRumble"), 3,
                                                                                 &fraRumble};
    platform::forms::CheckBox chkDetail{this, QStringLiteral("chkDetail"), &zoContainer3D1};
    platform::forms::CommandButton cmdReadVersion{this, QStringLiteral("cmdReadVersion"), &zoContainer3D1};
    platform::forms::ListBox lstLogs{this, QStringLiteral("lstLogs"), &zoContainer3D1};
    platform::forms::StatusBar staSetting{this, QStringLiteral("staSetting")};
    platform::forms::TimerControl tmrEvent{this, QStringLiteral("tmrEvent")};
    // The printing control; lives as long as the window object.
    platform::print::ReportPrinter vspPrint;
    platform::forms::CommonDialog cdlSetting;

    // ---- Window state ----
    int modelCode = 0;
    QString settingFileName;
    bool logChanged = false;
    QString preCustomerID, preWatt, prePulseF2, preSkipTime, preWLevel2, preWLevel, prePulseF, prePulse;

    clsDataS *dataS() const { return m_dataS.get(); }
    clsDataSA *dataSA() const { return m_dataSA.get(); }
    clsDataSB *dataSB() const { return m_dataSB.get(); }
    clsDataC *dataC() const { return m_dataC.get(); }
    clsProtocolController *protocol() const { return m_Protocol.get(); }
    clsLogs *logs() const { return m_logs.get(); }

    // ---- Commands ----
    void tlbSetting_ButtonClick(const QString &key);
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuOverWrite_Click();
    void mnuNewWrite_Click();
    void mnuPrint_Click();
    void mnuReadSetting_Click();
    void mnuWriteSetting_Click();
    void mnuDateTime_Click();
    void mnuSerialSetUp_Click();
    void mnuClose_Click();

    // ---- Inputs and validation ----
    void clearRememberedValues();
    bool collectSettingInputs();
    void applySkipTimeRange();
    void chkDetail_Click();
    // Runs chkDetail_Click when the switch differs from the height applied.
    void applyDetailHeight();
    void applyModelLayout();

    // ---- Files ----
    void loadLastSettings();
    void loadSettingsIni();
    // False when the settings were not stored (unknown model, invalid
    // inputs or a failed write, each told by a message).
    bool saveSettingsIni();

    // ---- Report ----
    void printSettingsPage();
    void printSettingsTable();

    // The texts of the log line and the report, built from the inputs.
    QString demandText();      // "180.0KW"
    QString ctText();          // "200/5"
    QString cautionText();     // "90%"
    QString pulseText();       // "50000" / "2000"
    QString settingsLogLine(); // "設定変更 お客さま番号:..."
    static QString settingsLogLine(const QString &customer, const QString &details);
    // The part of the log line after the customer number (", デマンド:...").
    QString settingsLogDetails();

protected:
    void designForm() override;
    void Form_Load() override;
    void Form_Unload(int &cancel) override;
    void Form_Activate() override;
    // The status bar at the bottom; the log list in what the height leaves.
    void Form_Resize() override;

private:
    // An input or option as the records' fire sees it.
    class NumericAdapter : public INumericInput {
    public:
        explicit NumericAdapter(platform::forms::SpinNumberInput &input) : m_input(input) {}
        void setValue(double value) override { m_input.setValue(value); }
        double value() const override { return m_input.Value(); }
        void setBackColor(std::uint32_t color) override { m_input.setBackColor(color); }

    private:
        platform::forms::SpinNumberInput &m_input;
    };
    class TextAdapter : public ITextInput {
    public:
        explicit TextAdapter(platform::forms::FormatTextInput &input) : m_input(input) {}
        void setText(const QString &text) override { m_input.setText(text); }
        QString text() const override { return m_input.Text(); }

    private:
        platform::forms::FormatTextInput &m_input;
    };
    class OptionAdapter : public IOptionButton {
    public:
        OptionAdapter(platform::forms::ControlArray<platform::forms::OptionButton> &array, int index)
            : m_array(array), m_index(index) {}
        void setValue(bool value) override { m_array(m_index).setValue(value); }
        bool value() const override { return m_array(m_index).Value(); }
        void setBackColor(std::uint32_t color) override { m_array(m_index).setBackColor(color); }

    private:
        platform::forms::ControlArray<platform::forms::OptionButton> &m_array;
        int m_index;
    };
    IOptionButton &option(std::vector<OptionAdapter> &adapters, int index);

    // Inputs (frmSetting_inputs.cpp).
    void connectInputs();
    void numericChanged(platform::forms::SpinNumberInput &input, const QString &remembered, bool copy);
    void copyWatt();
    void copySkip();
    void customerChanged();
    void checkRange(platform::forms::SpinNumberInput &input, const QString &name, bool clear);
    void spin(platform::forms::SpinNumberInput &input, int direction);
    void optWatt_Click(int index);
    void optWlevel_Click(int index);
    void optPul_Click(int index);
    void optWinterval1_Click(int index);
    void optRumble_Click(int index);
    bool checkRangeForCollect(platform::forms::SpinNumberInput &input, const QString &name);
    int selectedIndex(platform::forms::ControlArray<platform::forms::OptionButton> &array);
    void copyNumbersIntoRecords();

    // Files (frmSetting_files.cpp).
    // What a failed load puts back: the records, the inputs and the
    // remembered values.
    struct Snapshot;
    std::shared_ptr<Snapshot> takeSnapshot();
    void restoreSnapshot(const Snapshot &snapshot);
    void readKeysInto(const QString &file, const QString &section, bool allRecords);
    bool fireRecords();
    // The keys and values of the records (keys 2 to 13, with the model code
    // first for a ".cfg" file).
    QList<QPair<QString, QString>> settingsKeyValues(bool withVersion);
    bool saveTo(const QString &path);
    void setFileCaption(const QString &path);
    void showFailure(const QString &message);

    // Transfer (frmSetting_transfer.cpp).
    // The settings record of the connected model; nullptr for none.
    IProtocolRecord *modelRecord();
    // The customer-number step (RC or WC by the records' direction); False
    // when the connected device has no settings (told by a message).
    bool startFirstStep();
    void m_Protocol_OnCustomer(bool ok);
    void m_Protocol_OnEvent(const QString &msg);
    void m_Protocol_OnError(const QString &msg);
    // True for an error the device itself answered with (it is still there).
    static bool deviceStillThere(const QString &msg);
    // The model of the device stands and its port is still open.
    bool deviceStillKnown();
    // A refused customer number answered Yes: the settings to be recorded
    // carry the number the device holds.
    void recordHeldCustomer();
    // The transfer is over: a re-layout asked for meanwhile is applied.
    void endTransfer();

    void tmrEvent_Timer();
    int modelCodeOnLoad() const;
    // Describes each numeric input for assistive tools by the unit and range
    // the labels beside it show.
    void describeInputs();

    std::unique_ptr<clsDataS> m_dataS;
    std::unique_ptr<clsDataSA> m_dataSA;
    std::unique_ptr<clsDataSB> m_dataSB;
    std::unique_ptr<clsDataC> m_dataC;
    std::unique_ptr<clsProtocolController> m_Protocol;
    std::unique_ptr<clsLogs> m_logs;
    clsLogs *m_previousLogs = nullptr;
    // The settings and log line of a write, kept until the device confirms it.
    QString m_pendingLogCustomer;
    QString m_pendingLogDetails;
    // The customer number the connected device last confirmed (read or
    // written); "" when not known.
    QString m_deviceCustomer;
    // The main window asked for a re-layout while a transfer ran.
    bool m_relayoutPending = false;
    // The height the switch last applied (True: the tall one), and whether
    // it was applied at the window's first showing.
    bool m_heightDetail = false;
    bool m_heightShown = false;
    // The inner height (twips) the last application of the height gave.
    int m_appliedScaleHeight = -1;
    // While the window loads; and whether a bad "System.ini" was told then.
    bool m_inLoad = false;
    bool m_iniReported = false;
    QList<QPair<QString, QString>> m_pendingIni;
    bool m_writePending = false;
    bool m_transferRunning = false;

    NumericAdapter m_wattIn{numWatt};
    NumericAdapter m_skipIn{numSkipTime};
    NumericAdapter m_pulseF2In{numPulseF2};
    NumericAdapter m_wLevel2In{numWLevel2};
    TextAdapter m_customerIn{txtCustomerID};
    std::vector<OptionAdapter> m_optWatt, m_optWlevel, m_optWinterval1, m_optRumble, m_optPul;
};

} // namespace talvik
