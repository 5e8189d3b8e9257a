#include "talvik/app/frmDateTime.h"

#include "platform/forms/msgbox.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/inputs_accessible.h"
#include "talvik/app/dataWindowAccess.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataT.h"
#include "talvik/link/clsProtocolController.h"

#include <QApplication>
#include <QDateTime>
#include <QStyle>

namespace talvik {

namespace forms = platform::forms;
using forms::MsgBox;

std::function<forms::Form *()> frmDateTime::settingWindow;

namespace {
const QString kSetTimeProperly = QStringLiteral("時刻情報を正しく設定してください。");

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}
} // namespace

frmDateTime::frmDateTime()
    : m_monitorDate([this](const QString &t) { zoDateMonitor.setText(t); }, [this] { return zoDateMonitor.Text(); }),
      m_monitorTime([this](const QString &t) { zoTimeMonitor.setText(t); }, [this] { return zoTimeMonitor.Text(); })
{
    connect(&mnuReadDateTime, &forms::Menu::Click, this, &frmDateTime::mnuReadDateTime_Click);
    connect(&mnuWriteDateTime, &forms::Menu::Click, this, &frmDateTime::mnuWriteDateTime_Click);
    connect(&mnuClose, &forms::Menu::Click, this, &frmDateTime::mnuClose_Click);
    connect(&tlbDateTime, &forms::Toolbar::ButtonClick, this,
            [this](forms::ToolbarButton *button) { tlbDateTime_ButtonClick(button ? button->Key() : QString()); });
    connect(&cmdCopyTime, &forms::CommandButton::Click, this, &frmDateTime::cmdCopyTime_Click);
    connect(&tmrTimeUpdate, &forms::TimerControl::Timer, this, &frmDateTime::tmrTimeUpdate_Timer);
    connect(&zoDateMonitor, &forms::DateInput::Change, this, &frmDateTime::zoDateMonitorDate_Change);
    connect(&zoTimeMonitor, &forms::TimeInput::Change, this, &frmDateTime::zoTimeMonitorTime_Change);
    connect(&zoDateMonitor, &forms::DateInput::InvalidValue, this, &frmDateTime::zoDateMonitorDate_Rejected);
    connect(&zoDateMonitor, &forms::DateInput::OutOfRange, this, &frmDateTime::zoDateMonitorDate_Rejected);
    connect(&zoTimeMonitor, &forms::TimeInput::InvalidValue, this, &frmDateTime::zoTimeMonitorTime_Rejected);
}

frmDateTime::~frmDateTime()
{
    for (const QPointer<forms::Form> &w : m_held)
        if (w)
            w->releaseDisableHold(holdName());
}

void frmDateTime::designForm()
{
    setCaption(QStringLiteral("時刻設定"));
    setDesignSize(5400, 3900);
    setBorderStyle(forms::vbFixedSingle);
    setStartUpPosition(forms::vbStartUpScreen);
    mnuTerm.setCaption(QStringLiteral("通信"));
    mnuReadDateTime.setCaption(QStringLiteral("時刻ﾃﾞｰﾀの読み出し"));
    mnuWriteDateTime.setCaption(QStringLiteral("時刻ﾃﾞｰﾀの登録"));
    mnuSep1.setCaption(QStringLiteral("-"));
    mnuClose.setCaption(QStringLiteral("閉じる"));
    QStyle *style = QApplication::style();
    imgList.Add(forms::Picture(style->standardIcon(QStyle::SP_ArrowDown).pixmap(16, 16)), QStringLiteral("Read"));
    imgList.Add(forms::Picture(style->standardIcon(QStyle::SP_ArrowUp).pixmap(16, 16)), QStringLiteral("Write"));
    tlbDateTime.setImageList(&imgList);
    tlbDateTime.Move(0, 0, 5400, 480);
    tlbDateTime.Add(QStringLiteral("ReadTime"), QString(), forms::tbrDefault, 1)
        .setToolTipText(QStringLiteral("時刻データの読み込み"));
    tlbDateTime.Add(QStringLiteral("WriteTime"), QString(), forms::tbrDefault, 2)
        .setToolTipText(QStringLiteral("時刻データの登録"));
    tlbDateTime.Add(QString(), QString(), forms::tbrSeparator);
    zoContainer3D1.Move(120, 600, 5160, 3180);
    lblMonitor.Move(240, 240, 1800, 300);
    lblMonitor.setCaption(QStringLiteral("検出器の日付"));
    zoDateMonitor.Move(240, 600, 2520, 420);
    zoDateMonitor.setDisplayFormat(QStringLiteral("yyyy年mm月dd日"));
    zoDateMonitor.setMinDate(QDate(2000, 1, 1));
    zoDateMonitor.setMaxDate(QDate(2099, 12, 31));
    zoTimeMonitor.Move(2880, 600, 2040, 420);
    zoTimeMonitor.setDisplayFormat(QStringLiteral("hh時nn分"));
    cmdCopyTime.Move(240, 1200, 4680, 480);
    cmdCopyTime.setCaption(QStringLiteral("↑　パソコン日付をコピー　↑"));
    Frame1.Move(240, 1860, 4680, 1080);
    Frame1.setCaption(QStringLiteral("パソコン日付"));
    zoDateHostDate.Move(120, 420, 2400, 420);
    zoDateHostDate.setDisplayFormat(QStringLiteral("yyyy年mm月dd日"));
    zoTimeHostTime.Move(2640, 420, 1920, 420);
    zoTimeHostTime.setDisplayFormat(QStringLiteral("hh時nn分ss秒"));
    // Each pair of fields is named by the caption over it; the time field
    // says that it is the time.
    const QString monitor = forms::spokenCaption(lblMonitor.Caption());
    const QString host = forms::spokenCaption(Frame1.Caption());
    forms::setAccessibleName(zoDateMonitor, monitor);
    forms::setAccessibleName(zoTimeMonitor, monitor + QStringLiteral(" 時刻"));
    forms::setAccessibleName(zoDateHostDate, host);
    forms::setAccessibleName(zoTimeHostTime, host + QStringLiteral(" 時刻"));
    // No unit or range labels stand beside the fields (the fields show
    // their units themselves): each is described by the caption over it.
    const QString monitorLabels = forms::labelsDescription({lblMonitor.Caption()});
    const QString hostLabels = forms::labelsDescription({Frame1.Caption()});
    forms::setAccessibleDescription(zoDateMonitor, monitorLabels);
    forms::setAccessibleDescription(zoTimeMonitor, monitorLabels);
    forms::setAccessibleDescription(zoDateHostDate, hostLabels);
    forms::setAccessibleDescription(zoTimeHostTime, hostLabels);
    tmrTimeUpdate.setInterval(100);
    tmrTimeUpdate.setEnabled(true);
}

forms::Form *frmDateTime::openerWindow()
{
    if (settingWindow) {
        forms::Form *setting = settingWindow();
        if (setting && setting->Visible())
            return setting;
    }
    return dataWindowForm();
}

void frmDateTime::Form_Load()
{
    // 1. The opener is held disabled until this window closes.
    if (forms::Form *opener = openerWindow()) {
        opener->addDisableHold(holdName());
        m_held.push_back(opener);
    }
    // 2. The PC's date and time.
    showHostDateTime();
    // 3. This showing's record and controller.
    m_Data = std::make_unique<clsDataT>();
    m_Data->setClockWindow(this);
    m_Protocol = std::make_unique<clsProtocolController>(serialController);
    connect(m_Protocol.get(), &clsProtocolController::OnEvent, this, &frmDateTime::m_Protocol_OnEvent);
    connect(m_Protocol.get(), &clsProtocolController::OnError, this, &frmDateTime::m_Protocol_OnError);
    // OnTranEnd needs nothing here: OnEvent ends every transfer of this window.
}

void frmDateTime::Form_Unload(int &cancel)
{
    cancel = 0;
    // 1.
    if (m_Data)
        m_Data->setClockWindow(nullptr);
    m_Data.reset();
    // 2. The hold goes from every window this window disabled; the opener as
    // it stands now is shown.
    for (const QPointer<forms::Form> &w : m_held)
        if (w)
            w->releaseDisableHold(holdName());
    m_held.clear();
    if (forms::Form *opener = openerWindow()) {
        opener->releaseDisableHold(holdName());
        opener->Show(forms::vbModeless, opener->Owner());
    }
    // 3.
    if (m_Protocol)
        disconnect(m_Protocol.get(), nullptr, this, nullptr);
    m_Protocol.reset();
}

void frmDateTime::showHostDateTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    zoDateHostDate.setText(now.date().toString(QStringLiteral("yyyy/MM/dd")));
    zoTimeHostTime.setText(now.time().toString(QStringLiteral("HH:mm:ss")));
}

void frmDateTime::tmrTimeUpdate_Timer()
{
    showHostDateTime();
}

void frmDateTime::zoDateMonitorDate_Change()
{
    if (!m_Data || zoDateMonitor.IsEmpty())
        return;
    m_Data->setYear(QString::number(zoDateMonitor.Year()).mid(2, 2));
    m_Data->setMonth(twoDigits(zoDateMonitor.Month()));
    m_Data->setDay(twoDigits(zoDateMonitor.Day()));
}

void frmDateTime::zoTimeMonitorTime_Change()
{
    if (!m_Data || zoTimeMonitor.IsEmpty())
        return;
    m_Data->setHour(twoDigits(zoTimeMonitor.Hour()));
    m_Data->setMinute(twoDigits(zoTimeMonitor.Minute()));
}

void frmDateTime::zoDateMonitorDate_Rejected()
{
    MsgBox(QStringLiteral("範囲外の日付です。　2000年01月01日～2099年12月31日の範囲で入力してください。"),
           forms::vbExclamation);
}

void frmDateTime::zoTimeMonitorTime_Rejected()
{
    // The input keeps the time it had; the user is told the entry was not taken.
    MsgBox(kSetTimeProperly, forms::vbExclamation);
}

void frmDateTime::cmdCopyTime_Click()
{
    zoDateMonitor.setValue(zoDateHostDate.Value());
    zoTimeMonitor.setValue(zoTimeHostTime.Value());
}

bool frmDateTime::isMonitorDateTimeValid()
{
    return !zoDateMonitor.IsEmpty() && !zoTimeMonitor.IsEmpty();
}

void frmDateTime::copyMonitorDateTime()
{
    zoDateMonitorDate_Change();
    zoTimeMonitorTime_Change();
}

void frmDateTime::mnuReadDateTime_Click()
{
    ensureLoaded();
    m_Data->setRd(true);
    startClockTransfer();
}

void frmDateTime::mnuWriteDateTime_Click()
{
    ensureLoaded();
    // What was typed into a device field and not yet taken over is taken
    // now; an entry the field refuses stops the write (its rejection has
    // told the user), so that nothing but what the user entered is sent.
    if (!zoDateMonitor.takeTypedEntry() || !zoTimeMonitor.takeTypedEntry())
        return;
    if (!isMonitorDateTimeValid()) {
        MsgBox(kSetTimeProperly, forms::vbExclamation);
        return;
    }
    if (MsgBox(QStringLiteral("時刻データを登録します。よろしいですか？"), forms::vbYesNo) == forms::vbNo)
        return;
    m_Data->setWt(true);
    copyMonitorDateTime();
    startClockTransfer();
}

void frmDateTime::mnuClose_Click()
{
    Unload();
}

void frmDateTime::tlbDateTime_ButtonClick(const QString &key)
{
    if (key == QLatin1String("ReadTime"))
        mnuReadDateTime_Click();
    else if (key == QLatin1String("WriteTime"))
        mnuWriteDateTime_Click();
}

void frmDateTime::startClockTransfer()
{
    if (isModelRdx9(deviceVersion)) {
        MsgBox(QStringLiteral("Tovarelにはこの操作は出来ません。"), forms::vbExclamation);
    } else if (isModelT4kaV10(deviceVersion) || isModelT4kaNotV10(deviceVersion) || isModelT4kb(deviceVersion) ||
               isModelT6ka(deviceVersion)) {
        m_Protocol->setData(m_Data.get());
        setBusy(QStringLiteral("startClockTransfer"));
        m_Protocol->cont(this);
    } else {
        MsgBox(QStringLiteral("電源、接続及び通信設定を確認してください。"), forms::vbExclamation);
    }
}

void frmDateTime::m_Protocol_OnEvent(const QString &msg)
{
    MsgBox(msg, forms::vbInformation);
    clearBusy(QStringLiteral("frmDateTime"));
}

void frmDateTime::m_Protocol_OnError(const QString &msg)
{
    deviceVersion.clear();
    MsgBox(msg, forms::vbCritical);
    clearBusy(QStringLiteral("frmDateTime"));
}

} // namespace talvik
