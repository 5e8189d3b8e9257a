// The settings window: frame, menus and toolbar, model layouts, defaults,
// load and unload.
#include "talvik/settings/frmSetting.h"

#include "platform/forms/msgbox.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/inputs_accessible.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/frmSerialSetUp.h"

#include <QApplication>
#include <QDir>
#include <QStyle>

namespace talvik {

namespace fm = platform::forms;

const QString frmSetting::kNewFileName = QStringLiteral("新規作成");
const QString frmSetting::kReaderRefused =
    QStringLiteral("設定画面はﾃﾞﾏﾝﾄﾞ検出器専用です。ﾃﾞﾏﾝﾄﾞﾘｰﾀﾞには使用できません。");
const QString frmSetting::kNoVersion = QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報無し");
const QString frmSetting::kCheckConnection = QStringLiteral("電源、接続及び通信設定を確認してください。");

namespace {

constexpr int kHeightDetail = 7440;
constexpr int kHeightNormal = 5280;
const QString kHoldName = QStringLiteral("frmSetting");

} // namespace

frmSetting::frmSetting()
{
    for (int i = 0; i < 4; ++i)
        m_optWatt.emplace_back(optWattButtons, i);
    for (int i = 0; i < 3; ++i)
        m_optWlevel.emplace_back(optWlevelButtons, i);
    for (int i = 0; i < 4; ++i)
        m_optWinterval1.emplace_back(optWinterval1Buttons, i);
    for (int i = 0; i < 3; ++i)
        m_optRumble.emplace_back(optRumbleButtons, i);
    for (int i = 0; i < 2; ++i)
        m_optPul.emplace_back(optPulButtons, i);

    clearRememberedValues();
    settingFileName = kNewFileName;

    connect(&mnuNew, &fm::Menu::Click, this, &frmSetting::mnuNew_Click);
    connect(&mnuOpen, &fm::Menu::Click, this, &frmSetting::mnuOpen_Click);
    connect(&mnuOverWrite, &fm::Menu::Click, this, &frmSetting::mnuOverWrite_Click);
    connect(&mnuNewWrite, &fm::Menu::Click, this, &frmSetting::mnuNewWrite_Click);
    connect(&mnuPrint, &fm::Menu::Click, this, &frmSetting::mnuPrint_Click);
    connect(&mnuClose, &fm::Menu::Click, this, &frmSetting::mnuClose_Click);
    connect(&mnuReadSetting, &fm::Menu::Click, this, &frmSetting::mnuReadSetting_Click);
    connect(&mnuWriteSetting, &fm::Menu::Click, this, &frmSetting::mnuWriteSetting_Click);
    connect(&mnuDateTime, &fm::Menu::Click, this, &frmSetting::mnuDateTime_Click);
    connect(&mnuSerialSetUp, &fm::Menu::Click, this, &frmSetting::mnuSerialSetUp_Click);
    connect(&tlbSetting, &fm::Toolbar::ButtonClick, this,
            [this](fm::ToolbarButton *button) { tlbSetting_ButtonClick(button ? button->Key() : QString()); });
    connect(&chkDetail, &fm::CheckBox::Click, this, &frmSetting::chkDetail_Click);
    connect(&tmrEvent, &fm::TimerControl::Timer, this, &frmSetting::tmrEvent_Timer);
    connectInputs();
}

frmSetting::~frmSetting()
{
    if (appLogs == m_logs.get())
        appLogs = m_previousLogs;
}

IOptionButton &frmSetting::option(std::vector<OptionAdapter> &adapters, int index)
{
    if (index < 0 || index >= int(adapters.size()))
        platform::raise(platform::err::SubscriptOutOfRange);
    return adapters[std::size_t(index)];
}

IOptionButton &frmSetting::optWatt(int index) { return option(m_optWatt, index); }
IOptionButton &frmSetting::optWlevel(int index) { return option(m_optWlevel, index); }
IOptionButton &frmSetting::optWinterval1(int index) { return option(m_optWinterval1, index); }
IOptionButton &frmSetting::optRumble(int index) { return option(m_optRumble, index); }
IOptionButton &frmSetting::optPul(int index) { return option(m_optPul, index); }

void frmSetting::designForm()
{
    setCaption(QStringLiteral("監視設定"));
    setDesignSize(7560, 4320);

    mnuFile.setCaption(QStringLiteral("ﾌｧｲﾙ"));
    mnuNew.setCaption(QStringLiteral("新規作成"));
    mnuOpen.setCaption(QStringLiteral("開く"));
    mnuOverWrite.setCaption(QStringLiteral("上書き保存"));
    mnuNewWrite.setCaption(QStringLiteral("名前を付けて保存"));
    mnuSep1.setCaption(QStringLiteral("-"));
    mnuPrint.setCaption(QStringLiteral("印刷"));
    mnuSep2.setCaption(QStringLiteral("-"));
    mnuClose.setCaption(QStringLiteral("閉じる"));
    mnuTerm.setCaption(QStringLiteral("通信"));
    mnuReadSetting.setCaption(QStringLiteral("設定ﾃﾞｰﾀの読み出し"));
    mnuWriteSetting.setCaption(QStringLiteral("設定ﾃﾞｰﾀの登録"));
    mnuSet.setCaption(QStringLiteral("設定"));
    mnuDateTime.setCaption(QStringLiteral("時刻設定"));
    mnuSerialSetUp.setCaption(QStringLiteral("ｼﾘｱﾙ通信設定"));

    // Toolbar: file commands, print, transfer, clock and serial settings.
    QStyle *style = QApplication::style();
    const auto icon = [style](QStyle::StandardPixmap p) { return fm::Picture(style->standardIcon(p).pixmap(16, 16)); };
    imgList.Add(icon(QStyle::SP_FileIcon), QStringLiteral("New"));
    imgList.Add(icon(QStyle::SP_DialogOpenButton), QStringLiteral("Open"));
    imgList.Add(icon(QStyle::SP_DialogSaveButton), QStringLiteral("Save"));
    imgList.Add(icon(QStyle::SP_FileDialogDetailedView), QStringLiteral("Print"));
    imgList.Add(icon(QStyle::SP_ArrowDown), QStringLiteral("ReadSetting"));
    imgList.Add(icon(QStyle::SP_ArrowUp), QStringLiteral("WriteSetting"));
    imgList.Add(icon(QStyle::SP_BrowserReload), QStringLiteral("Clock"));
    imgList.Add(icon(QStyle::SP_ComputerIcon), QStringLiteral("SerialSetUp"));
    tlbSetting.setImageList(&imgList);
    tlbSetting.Move(0, 0, 7560, 480);
    tlbSetting.Add(QStringLiteral("New"), QString(), fm::tbrDefault, 1).setToolTipText(QStringLiteral("新規作成"));
    tlbSetting.Add(QStringLiteral("Open"), QString(), fm::tbrDefault, 2).setToolTipText(QStringLiteral("開く"));
    tlbSetting.Add(QStringLiteral("Save"), QString(), fm::tbrDefault, 3).setToolTipText(QStringLiteral("上書き保存"));
    tlbSetting.Add(QString(), QString(), fm::tbrSeparator);
    tlbSetting.Add(QStringLiteral("Print"), QString(), fm::tbrDefault, 4).setToolTipText(QStringLiteral("印刷"));
    tlbSetting.Add(QString(), QString(), fm::tbrSeparator);
    tlbSetting.Add(QStringLiteral("ReadSetting"), QString(), fm::tbrDefault, 5)
        .setToolTipText(QStringLiteral("設定データの読み込み"));
    tlbSetting.Add(QStringLiteral("WriteSetting"), QString(), fm::tbrDefault, 6)
        .setToolTipText(QStringLiteral("設定データの登録"));
    tlbSetting.Add(QString(), QString(), fm::tbrSeparator);
    tlbSetting.Add(QStringLiteral("Clock"), QString(), fm::tbrDefault, 7).setToolTipText(QStringLiteral("時刻設定"));
    tlbSetting.Add(QStringLiteral("SerialSetUp"), QString(), fm::tbrDefault, 8)
        .setToolTipText(QStringLiteral("ｼﾘｱﾙ通信設定"));

    zoContainer3D1.Move(60, 540, 7440, 5880);

    // Model and version.
    Frame1.Move(60, 0, 7320, 420);
    TxtTitle.Move(60, 60, 1800, 300);
    TxtTitle.setText(QStringLiteral("型式/ﾊﾞｰｼﾞｮﾝ："));
    TxtTitle.setLocked(true);
    txtVerDisp.Move(1860, 60, 3000, 300);
    txtVerDisp.setLocked(true);

    // Left column: customer number, demand, skip time.
    const int left = 60, right = 3780, colWidth = 3600, frameHeight = 660;
    fraCustomerID.Move(left, 480, colWidth, frameHeight);
    fraCustomerID.setCaption(QStringLiteral("お客さま番号"));
    txtCustomerID.Move(180, 240, 1800, 330);
    txtCustomerID.setMaxLength(9);
    txtCustomerID.setFormat(QStringLiteral("9"));

    fraDemand.Move(left, 1200, colWidth, frameHeight);
    fraDemand.setCaption(QStringLiteral("デマンド設定"));
    numWatt.Move(180, 240, 1080, 330);
    numWatt.setMinValue(1);
    numWatt.setMaxValue(999);
    numWatt.setSpinIncrement(1);
    lblWatt.Move(1320, 300, 300, 270);
    lblWatt.setCaption(QStringLiteral("kW"));
    lblWattComment.Move(1740, 300, 1620, 270);
    lblWattComment.setCaption(QStringLiteral("1　～　999 KW"));

    fraSkip.Move(left, 1920, colWidth, frameHeight);
    fraSkip.setCaption(QStringLiteral("スキップタイム"));
    numSkipTime.Move(180, 240, 1080, 330);
    numSkipTime.setMinValue(5);
    numSkipTime.setMaxValue(15);
    numSkipTime.setSpinIncrement(1);
    lblSkip.Move(1320, 300, 300, 270);
    lblSkip.setCaption(QStringLiteral("分"));
    lblSkipComment.Move(1740, 300, 1620, 270);
    lblSkipComment.setCaption(QStringLiteral("5　～　15分"));

    // Right column: CT ratio (option or value), caution level (option or
    // value), pulse constant.
    fraPulseF.Move(right, 480, colWidth, frameHeight);
    fraPulseF.setCaption(QStringLiteral("ＣＴ比　"));
    const QStringList ct{QStringLiteral("20/5"), QStringLiteral("50/5"), QStringLiteral("200/5"),
                         QStringLiteral("500/5")};
    for (int i = 0; i < 4; ++i) {
        optWattButtons(i).Move(120 + i * 860, 270, 840, 300);
        optWattButtons(i).setCaption(ct[i]);
    }
    fraPulseF2.Move(right, 480, colWidth, frameHeight);
    fraPulseF2.setCaption(QStringLiteral("ＣＴ比"));
    numPulseF2.Move(180, 240, 1080, 330);
    numPulseF2.setMinValue(5);
    numPulseF2.setMaxValue(500);
    numPulseF2.setSpinIncrement(5);
    lblCTBase.Move(1320, 300, 420, 270);
    lblCTBase.setCaption(QStringLiteral("/ 5"));
    lblCTComment.Move(1740, 300, 1620, 270);
    lblCTComment.setCaption(QStringLiteral("5 ～ 500"));

    fraWLevel.Move(right, 1200, colWidth, frameHeight);
    fraWLevel.setCaption(QStringLiteral("注意レベル"));
    const QStringList levels{QStringLiteral("70%"), QStringLiteral("80%"), QStringLiteral("90%")};
    for (int i = 0; i < 3; ++i) {
        optWlevelButtons(i).Move(120 + i * 1000, 270, 960, 300);
        optWlevelButtons(i).setCaption(levels[i]);
    }
    fraWLevel2.Move(right, 1200, colWidth, frameHeight);
    fraWLevel2.setCaption(QStringLiteral("注意レベル"));
    numWLevel2.Move(180, 240, 1080, 330);
    numWLevel2.setMinValue(70);
    numWLevel2.setMaxValue(100);
    numWLevel2.setSpinIncrement(1);
    lblWarnL.Move(1320, 300, 300, 270);
    lblWarnL.setCaption(QStringLiteral("%"));
    lblWarnLComment.Move(1740, 300, 1620, 270);
    lblWarnLComment.setCaption(QStringLiteral("70 ～ 100"));

    fraPulse.Move(right, 1920, colWidth, frameHeight);
    fraPulse.setCaption(QStringLiteral("パルス定数"));
    optPulButtons(0).Move(120, 270, 1200, 300);
    optPulButtons(0).setCaption(QStringLiteral("50000"));
    optPulButtons(1).Move(1440, 270, 1200, 300);
    optPulButtons(1).setCaption(QStringLiteral("2000"));

    // Bottom row: alarm interval and receiver buzzer.
    fraWInterval.Move(left, 2640, colWidth, frameHeight);
    fraWInterval.setCaption(QStringLiteral("警報間隔"));
    const QStringList intervals{QStringLiteral("1分"), QStringLiteral("2分"), QStringLiteral("3分"),
                                QStringLiteral("5分")};
    for (int i = 0; i < 4; ++i) {
        optWinterval1Buttons(i).Move(120 + i * 860, 270, 820, 300);
        optWinterval1Buttons(i).setCaption(intervals[i]);
    }
    fraRumble.Move(right, 2640, colWidth, frameHeight);
    fraRumble.setCaption(QStringLiteral("受信機鳴動"));
    const QStringList rumble{QStringLiteral("10秒"), QStringLiteral("20秒"), QStringLiteral("30秒")};
    for (int i = 0; i < 3; ++i) {
        optRumbleButtons(i).Move(120 + i * 1000, 270, 960, 300);
        optRumbleButtons(i).setCaption(rumble[i]);
    }

    chkDetail.Move(left + 60, 3360, 2400, 300);
    chkDetail.setCaption(QStringLiteral("T2KAｼﾘｰｽﾞのみ"));
    cmdReadVersion.Move(5880, 3340, 1500, 340);
    cmdReadVersion.setCaption(QStringLiteral("ﾊﾞｰｼﾞｮﾝ確認"));
    cmdReadVersion.setVisible(false);
    // The log shows below when the window is at its full height.
    lstLogs.Move(left, 3720, 7320, 1980);

    // Each field is named by the caption a sighted user reads for it: the
    // frame around it, or the title box beside the version.
    using platform::forms::setAccessibleName;
    using platform::forms::spokenCaption;
    setAccessibleName(TxtTitle, spokenCaption(TxtTitle.Text()));
    setAccessibleName(txtVerDisp, spokenCaption(TxtTitle.Text()));
    setAccessibleName(txtCustomerID, spokenCaption(fraCustomerID.Caption()));
    setAccessibleName(numWatt, spokenCaption(fraDemand.Caption()));
    setAccessibleName(numSkipTime, spokenCaption(fraSkip.Caption()));
    setAccessibleName(numPulseF2, spokenCaption(fraPulseF2.Caption()));
    setAccessibleName(numWLevel2, spokenCaption(fraWLevel2.Caption()));
    describeInputs();

    staSetting.Add(QStringLiteral("Status"));
    tmrEvent.setInterval(1000);
    tmrEvent.setEnabled(true);
}

int frmSetting::modelCodeOnLoad() const
{
    const QString &v = deviceVersion;
    if (isModelRdx9(v))
        return 4;
    if (isModelT4kaV10(v))
        return 2;
    if (isModelT4kaNotV10(v))
        return 3;
    if (isModelT6ka(v))
        return 5;
    if (isModelT4kb(v))
        return 3;
    return 0;
}

void frmSetting::Form_Load()
{
    // 1. The wait dialog belongs to this window while it is open.
    if (waitForm)
        waitForm->setParent(this);
    settingOpen = true;

    // 2. The records; the main window waits.
    m_dataS = std::make_unique<clsDataS>();
    m_dataSA = std::make_unique<clsDataSA>();
    m_dataSB = std::make_unique<clsDataSB>();
    m_dataC = std::make_unique<clsDataC>();
    m_dataS->setSettingWindow(this);
    m_dataSA->setSettingWindow(this);
    m_dataSB->setSettingWindow(this);
    if (mainWindowForm)
        mainWindowForm->addDisableHold(kHoldName);

    // 3.
    modelCode = modelCodeOnLoad();
    logChanged = false;
    m_writePending = false;
    m_transferRunning = false;
    m_relayoutPending = false;
    m_heightShown = false;
    m_deviceCustomer.clear();
    m_inLoad = true;
    m_iniReported = false;

    // 4.
    clearRememberedValues();
    if (modelCode != 0)
        loadLastSettings();
    else
        mnuNew_Click();

    // 5.
    applySkipTimeRange();
    chkDetail_Click();

    // 6. The protocol controller and this window's log.
    m_Protocol = std::make_unique<clsProtocolController>(serialController);
    connect(m_Protocol.get(), &clsProtocolController::OnCustomer, this, &frmSetting::m_Protocol_OnCustomer);
    connect(m_Protocol.get(), &clsProtocolController::OnEvent, this, &frmSetting::m_Protocol_OnEvent);
    connect(m_Protocol.get(), &clsProtocolController::OnError, this, &frmSetting::m_Protocol_OnError);
    m_logs = std::make_unique<clsLogs>();
    if (appLogs != m_logs.get())
        m_previousLogs = appLogs;
    appLogs = m_logs.get();

    // 7. The log file "dDB\download.log".
    const QString folder = platform::shell::programFolder() + QStringLiteral("\\dDB");
    QDir().mkpath(platform::shell::toNativePath(folder));
    m_logs->SetPath(folder + QStringLiteral("\\download.log"));
    m_logs->read(&lstLogs);

    // 8.
    applyModelLayout();
    m_inLoad = false;
}

void frmSetting::Form_Unload(int &cancel)
{
    cancel = 0;
    if (logChanged && m_logs) {
        try {
            m_logs->toFile(&lstLogs);
        } catch (const platform::RuntimeError &e) {
            fm::MsgBox(e.Description(), fm::vbExclamation);
        }
    }
    // The log object goes; the one the program had before comes back.
    if (appLogs == m_logs.get())
        appLogs = m_previousLogs;
    m_previousLogs = nullptr;
    m_logs.reset();
    if (m_Protocol)
        disconnect(m_Protocol.get(), nullptr, this, nullptr);
    m_Protocol.reset();
    m_dataS.reset();
    m_dataSA.reset();
    m_dataSB.reset();
    m_dataC.reset();
    m_transferRunning = false;
    m_writePending = false;
    m_relayoutPending = false;
    if (mainWindowForm) {
        mainWindowForm->releaseDisableHold(kHoldName);
        mainWindowForm->Show();
    }
    if (waitForm)
        waitForm->setParent(mainWindowForm);
    settingOpen = false;
}

void frmSetting::Form_Resize()
{
    const int width = ScaleWidth();
    const int height = ScaleHeight();
    const int barHeight = 300;
    staSetting.Move(0, std::max(0, height - barHeight), width, barHeight);
    const int container = std::max(0, height - barHeight - 540 - 30);
    zoContainer3D1.setHeight(container);
    const int list = container - 3780;
    lstLogs.setVisible(list >= 600);
    if (list >= 600)
        lstLogs.setHeight(list);
}

void frmSetting::chkDetail_Click()
{
    m_heightDetail = chkDetail.Value() == fm::vbChecked;
    setHeight(m_heightDetail ? kHeightDetail : kHeightNormal);
    m_appliedScaleHeight = ScaleHeight();
}

void frmSetting::applyDetailHeight()
{
    // Only a change of the switch moves the height: a height the user gave
    // the window stays.
    if ((chkDetail.Value() == fm::vbChecked) != m_heightDetail)
        chkDetail_Click();
}

void frmSetting::Form_Activate()
{
    // The frame the window manager adds is known once the window is shown,
    // at times only after its first activation: the height is applied at
    // the first showing and again while the window still has the height it
    // was given. A height the user gave it stays.
    if (!m_heightShown || ScaleHeight() == m_appliedScaleHeight) {
        m_heightShown = true;
        chkDetail_Click();
    }
}

void frmSetting::applySkipTimeRange()
{
    if (modelCode == 5) {
        numSkipTime.setMinValue(3);
        lblSkipComment.setCaption(QStringLiteral("3　～　15分"));
    } else {
        numSkipTime.setMinValue(5);
        lblSkipComment.setCaption(QStringLiteral("5　～　15分"));
    }
    describeInputs();
}

void frmSetting::describeInputs()
{
    using platform::forms::labelsDescription;
    using platform::forms::setAccessibleDescription;
    setAccessibleDescription(numWatt, labelsDescription({lblWatt.Caption(), lblWattComment.Caption()}));
    setAccessibleDescription(numSkipTime, labelsDescription({lblSkip.Caption(), lblSkipComment.Caption()}));
    setAccessibleDescription(numPulseF2, labelsDescription({lblCTBase.Caption(), lblCTComment.Caption()}));
    setAccessibleDescription(numWLevel2, labelsDescription({lblWarnL.Caption(), lblWarnLComment.Caption()}));
}

void frmSetting::applyModelLayout()
{
    chkDetail.setValue(fm::vbUnchecked);
    applyDetailHeight();
    // Another device, or none: its customer number is not known yet.
    m_deviceCustomer.clear();
    chkDetail.setEnabled(false);
    txtCustomerID.setEnabled(true);

    const QString &v = deviceVersion;
    enum class Kind { Reader, V10, T6, T4, None } kind;
    if (isModelRdx9(v))
        kind = Kind::Reader;
    else if (isModelT4kaV10(v))
        kind = Kind::V10;
    else if (isModelT4kaNotV10(v) || isModelT4kb(v))
        kind = Kind::T4;
    else if (isModelT6ka(v))
        kind = Kind::T6;
    else
        kind = Kind::None;

    txtVerDisp.setText(kind == Kind::None ? kNoVersion : v);
    fraPulseF.setVisible(kind == Kind::V10);
    fraPulseF2.setVisible(kind != Kind::V10);
    fraPulse.setVisible(kind == Kind::T6);
    fraWLevel.setVisible(kind == Kind::V10);
    fraWLevel2.setVisible(kind != Kind::V10);

    switch (kind) {
    case Kind::Reader:
        modelCode = 0;
        mnuNew_Click();
        applySkipTimeRange();
        fm::MsgBox(kReaderRefused, fm::vbExclamation);
        break;
    case Kind::V10:
    case Kind::T6:
    case Kind::T4:
        modelCode = kind == Kind::V10 ? 2 : kind == Kind::T6 ? 5 : 3;
        loadSettingsIni();
        SetPreData();
        applySkipTimeRange();
        break;
    case Kind::None:
        modelCode = 0;
        mnuNew_Click();
        applySkipTimeRange();
        break;
    }
}

void frmSetting::cmdReadVersionClick()
{
    // A transfer of this window is under way: its records and inputs stay
    // as they are until it ends, which applies the re-layout then.
    if (m_transferRunning || (m_Protocol && m_Protocol->protocolMode() != 0)) {
        m_relayoutPending = true;
        return;
    }
    m_relayoutPending = false;
    applyDetailHeight();
    applyModelLayout();
}

void frmSetting::mnuNew_Click()
{
    clearRememberedValues();
    settingFileName = kNewFileName;
    setCaption(QStringLiteral("監視設定") + QStringLiteral(" [") + settingFileName + QStringLiteral("]"));
    txtCustomerID.setText(QStringLiteral("000000000"));
    numWatt.setValue(180);
    optWattButtons(0).setValue(true);
    optPulButtons(0).setValue(true);
    numPulseF2.setValue(20);
    optWlevelButtons(2).setValue(true);
    optWinterval1Buttons(2).setValue(true);
    optRumbleButtons(0).setValue(true);
    const QString &v = deviceVersion;
    if (isModelT6ka(v)) {
        numSkipTime.setValue(3);
        numWLevel2.setValue(85);
        SetPreData();
    } else if (isModelT4ka(v) || isModelT4kb(v)) {
        numSkipTime.setValue(5);
        numWLevel2.setValue(90);
        SetPreData();
    } else {
        numSkipTime.setValue(5);
        numWLevel2.setValue(90);
    }
}

void frmSetting::tlbSetting_ButtonClick(const QString &key)
{
    if (key == QLatin1String("New"))
        mnuNew_Click();
    else if (key == QLatin1String("Open"))
        mnuOpen_Click();
    else if (key == QLatin1String("Save"))
        mnuOverWrite_Click();
    else if (key == QLatin1String("Print"))
        mnuPrint_Click();
    else if (key == QLatin1String("ReadSetting"))
        mnuReadSetting_Click();
    else if (key == QLatin1String("WriteSetting"))
        mnuWriteSetting_Click();
    else if (key == QLatin1String("Clock"))
        mnuDateTime_Click();
    else if (key == QLatin1String("SerialSetUp"))
        mnuSerialSetUp_Click();
}

void frmSetting::mnuDateTime_Click()
{
    if (!clockForm) {
        fm::MsgBox(QStringLiteral("時刻設定画面はこの版にはまだありません。"), fm::vbExclamation);
        return;
    }
    clockForm->Show(fm::vbModeless, this);
}

void frmSetting::mnuSerialSetUp_Click()
{
    if (!serialSetUpForm) {
        fm::MsgBox(QStringLiteral("シリアル通信設定画面はこの版にはまだありません。"), fm::vbExclamation);
        return;
    }
    serialSetUpForm->Show(fm::vbModal, this);
}

void frmSetting::mnuClose_Click()
{
    Unload();
}

void frmSetting::tmrEvent_Timer()
{
    // The event loop keeps the window responsive; nothing else to do.
}

} // namespace talvik
