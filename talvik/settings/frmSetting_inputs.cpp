// The settings window's inputs: copying into the records, highlighting
// against the remembered values, spin buttons, range checks and the
// validation before every save and write.
#include "talvik/settings/frmSetting.h"

#include "platform/forms/msgbox.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"

#include <cmath>
#include <optional>

namespace talvik {

namespace fm = platform::forms;

namespace {

const QString kDemandName = QStringLiteral("デマンドは　");
const QString kSkipName = QStringLiteral("スキップタイムは　");
const QString kCtName = QStringLiteral("ＣＴ比は　");
const QString kCautionName = QStringLiteral("注意レベルは　");

// The value as a fixed-width digit field, or nothing when it does not fit
// (negative, or more digits than the field has).
std::optional<QString> digits(double value, int width)
{
    const double n = std::round(value);
    if (n < 0 || n >= std::pow(10.0, width))
        return std::nullopt;
    return platform::FormatZero(static_cast<long long>(n), width);
}

QString number(double v)
{
    return QString::number(static_cast<long long>(v));
}

QString rangeMessage(const QString &name, fm::SpinNumberInput &input)
{
    return name + number(input.MinValue()) + QStringLiteral(" ～ ") + number(input.MaxValue())
           + QStringLiteral("　の範囲で設定して下さい。");
}

bool outOfRange(fm::SpinNumberInput &input)
{
    return input.IsNull() || input.Value() < input.MinValue() || input.Value() > input.MaxValue();
}

// Runs a handler of an input notification; a run-time error ends it quietly
// instead of leaving through the event loop.
template <class F> void guarded(F &&f)
{
    try {
        f();
    } catch (const platform::RuntimeError &) {
    }
}

} // namespace

void frmSetting::connectInputs()
{
    connect(&numWatt, &fm::SpinNumberInput::Change, this, [this] {
        guarded([this] { numericChanged(numWatt, preWatt, true); });
    });
    connect(&numSkipTime, &fm::SpinNumberInput::Change, this, [this] {
        guarded([this] { numericChanged(numSkipTime, preSkipTime, true); });
    });
    connect(&numPulseF2, &fm::SpinNumberInput::Change, this, [this] {
        guarded([this] { numericChanged(numPulseF2, prePulseF2, false); });
    });
    connect(&numWLevel2, &fm::SpinNumberInput::Change, this, [this] {
        guarded([this] { numericChanged(numWLevel2, preWLevel2, false); });
    });
    connect(&numWatt, &fm::SpinNumberInput::ValueCheck, this, [this] { checkRange(numWatt, kDemandName, true); });
    connect(&numSkipTime, &fm::SpinNumberInput::ValueCheck, this, [this] { checkRange(numSkipTime, kSkipName, true); });
    connect(&numWatt, &fm::SpinNumberInput::InvalidValue, this, [this] { checkRange(numWatt, kDemandName, false); });
    connect(&numSkipTime, &fm::SpinNumberInput::InvalidValue, this,
            [this] { checkRange(numSkipTime, kSkipName, false); });
    for (fm::SpinNumberInput *input : {&numWatt, &numSkipTime, &numPulseF2, &numWLevel2}) {
        connect(input, &fm::SpinNumberInput::SpinUp, this, [this, input] { guarded([&] { spin(*input, 1); }); });
        connect(input, &fm::SpinNumberInput::SpinDown, this, [this, input] { guarded([&] { spin(*input, -1); }); });
    }
    connect(&txtCustomerID, &fm::FormatTextInput::Change, this, [this] { guarded([this] { customerChanged(); }); });
    connect(&txtCustomerID, &fm::FormatTextInput::UserChange, this,
            [this] { guarded([this] { customerChanged(); }); });
    connect(&optWattButtons, &fm::ControlArrayBase::Click, this, [this](int i) { guarded([&] { optWatt_Click(i); }); });
    connect(&optWlevelButtons, &fm::ControlArrayBase::Click, this,
            [this](int i) { guarded([&] { optWlevel_Click(i); }); });
    connect(&optPulButtons, &fm::ControlArrayBase::Click, this, [this](int i) { guarded([&] { optPul_Click(i); }); });
    connect(&optWinterval1Buttons, &fm::ControlArrayBase::Click, this,
            [this](int i) { guarded([&] { optWinterval1_Click(i); }); });
    connect(&optRumbleButtons, &fm::ControlArrayBase::Click, this,
            [this](int i) { guarded([&] { optRumble_Click(i); }); });
}

void frmSetting::clearRememberedValues()
{
    for (QString *p : {&preCustomerID, &preWatt, &prePulseF2, &preSkipTime, &preWLevel2, &preWLevel, &prePulseF,
                       &prePulse})
        *p = kNothingRemembered;
}

void frmSetting::SetPreData()
{
    preCustomerID = txtCustomerID.Text();
    preWatt = numWatt.Text();
    prePulseF2 = numPulseF2.Text();
    preSkipTime = numSkipTime.Text();
    preWLevel2 = numWLevel2.Text();
    if (m_dataS) {
        prePulseF = m_dataS->pulseF();
        preWLevel = m_dataS->w_level();
    }
    if (m_dataSB)
        prePulse = m_dataSB->pulse();
}

void frmSetting::copyWatt()
{
    if (!m_dataS || numWatt.IsNull())
        return;
    if (const auto field = digits(numWatt.Value(), 3)) {
        const QString watt = *field + QLatin1Char('0');
        m_dataS->setWatt(watt);
        m_dataSA->setWatt(watt);
        m_dataSB->setWatt(watt);
    }
}

void frmSetting::copySkip()
{
    if (!m_dataS || numSkipTime.IsNull())
        return;
    if (const auto field = digits(numSkipTime.Value(), 2)) {
        m_dataS->setSkip(*field);
        m_dataSA->setSkip(*field);
        m_dataSB->setSkip(*field);
    }
}

void frmSetting::numericChanged(fm::SpinNumberInput &input, const QString &remembered, bool copy)
{
    // Whole numbers only: a fractional value (a demand of "18.5" from the
    // device) is rounded half away from zero once, here, so that the
    // record, the display, the log and the report carry the same integer.
    if (!input.IsNull() && input.Value() != std::round(input.Value())) {
        input.setValue(std::round(input.Value()));
        return;
    }
    if (copy) {
        if (&input == &numWatt)
            copyWatt();
        else
            copySkip();
    }
    const bool changed = remembered != kNothingRemembered && remembered != input.Text();
    input.setBackColor(changed ? colorChanged : colorWhite);
}

void frmSetting::customerChanged()
{
    txtCustomerID.setFormat(QStringLiteral("9"));
    const bool changed = preCustomerID != kNothingRemembered && preCustomerID != txtCustomerID.Text();
    txtCustomerID.setBackColor(changed ? colorChanged : colorWhite);
}

void frmSetting::checkRange(fm::SpinNumberInput &input, const QString &name, bool clear)
{
    if (clear && !outOfRange(input))
        return;
    fm::MsgBox(rangeMessage(name, input), fm::vbExclamation);
    if (clear)
        input.setNull();
    input.SetFocus();
}

void frmSetting::spin(fm::SpinNumberInput &input, int direction)
{
    const double step = input.SpinIncrement();
    const double next = input.Value() + direction * step;
    if (direction > 0 ? next <= input.MaxValue() : next >= input.MinValue())
        input.setValue(next);
}

void frmSetting::optWatt_Click(int index)
{
    if (index < 0 || index > 3 || !m_dataS)
        return;
    m_dataS->setPulseF(QString::number(index));
    for (int i = 0; i <= 3; ++i)
        optWattButtons(i).setBackColor(colorButtonFace);
    if (prePulseF != kNothingRemembered && prePulseF != m_dataS->pulseF())
        optWattButtons(index).setBackColor(colorChanged);
}

void frmSetting::optWlevel_Click(int index)
{
    if (index < 0 || index > 2 || !m_dataS)
        return;
    m_dataS->setW_level(QString::number(index));
    for (int i = 0; i <= 2; ++i)
        optWlevelButtons(i).setBackColor(colorButtonFace);
    if (preWLevel != kNothingRemembered && preWLevel != m_dataS->w_level())
        optWlevelButtons(index).setBackColor(colorChanged);
}

void frmSetting::optPul_Click(int index)
{
    if (index < 0 || index > 1 || !m_dataSB)
        return;
    m_dataSB->setPulse(index == 0 ? QStringLiteral("50000") : QStringLiteral("02000"));
    optPulButtons(0).setBackColor(colorButtonFace);
    optPulButtons(1).setBackColor(colorButtonFace);
    if (prePulse != kNothingRemembered && prePulse != m_dataSB->pulse())
        optPulButtons(index).setBackColor(colorChanged);
}

void frmSetting::optWinterval1_Click(int index)
{
    if (index < 0 || index > 3 || !m_dataS)
        return;
    m_dataS->setW_interval1(QString::number(index));
}

void frmSetting::optRumble_Click(int index)
{
    if (index < 0 || index > 2 || !m_dataS)
        return;
    m_dataS->setRumble(QString::number(index));
}

bool frmSetting::checkRangeForCollect(fm::SpinNumberInput &input, const QString &name)
{
    if (!outOfRange(input))
        return true;
    fm::MsgBox(rangeMessage(name, input), fm::vbExclamation);
    input.setNull();
    input.setBackColor(colorInvalid);
    input.SetFocus();
    return false;
}

int frmSetting::selectedIndex(fm::ControlArray<fm::OptionButton> &array)
{
    for (int i : array.indexes())
        if (array(i).Value())
            return i;
    return -1;
}

void frmSetting::copyNumbersIntoRecords()
{
    copyWatt();
    copySkip();
    if (!numPulseF2.IsNull())
        if (const auto field = digits(numPulseF2.Value(), 3)) {
            m_dataSA->setPulseF(*field);
            m_dataSB->setPulseF(*field);
        }
    if (!numWLevel2.IsNull())
        if (const auto field = digits(numWLevel2.Value(), 3)) {
            m_dataSA->setW_level(*field);
            m_dataSB->setW_level(*field);
        }
}

bool frmSetting::collectSettingInputs()
{
    // 1. Customer number: nine digits or none.
    const QString customer = txtCustomerID.Text();
    if (!customer.isEmpty() && customer.size() != txtCustomerID.MaxLength()) {
        txtCustomerID.setBackColor(colorInvalid);
        fm::MsgBox(QStringLiteral("お客さま番号は　９桁　です。"), fm::vbCritical);
        txtCustomerID.SetFocus();
        return false;
    }
    // 2.-3. Demand and skip time; the CT primary value and the caution level
    // of the layouts that show them, so that no record field is ever short.
    if (!checkRangeForCollect(numWatt, kDemandName) || !checkRangeForCollect(numSkipTime, kSkipName))
        return false;
    if (modelCode == 3 || modelCode == 5) {
        if (!checkRangeForCollect(numPulseF2, kCtName) || !checkRangeForCollect(numWLevel2, kCautionName))
            return false;
    }
    // 4. The customer number into its record.
    m_dataC->initData();
    if (!customer.isEmpty())
        m_dataC->add(customer);
    // 5. The numbers into the records.
    copyNumbersIntoRecords();
    // 6. The option groups.
    if (const int i = selectedIndex(optWattButtons); i >= 0)
        m_dataS->setPulseF(QString::number(i));
    if (const int i = selectedIndex(optWlevelButtons); i >= 0)
        m_dataS->setW_level(QString::number(i));
    if (const int i = selectedIndex(optWinterval1Buttons); i >= 0)
        m_dataS->setW_interval1(QString::number(i));
    if (const int i = selectedIndex(optRumbleButtons); i >= 0)
        m_dataS->setRumble(QString::number(i));
    m_dataSB->setPulse(optPulButtons(0).Value() ? QStringLiteral("50000") : QStringLiteral("02000"));
    return true;
}

// ---- Texts of the log line and the report ---------------------------------

QString frmSetting::demandText()
{
    // The integer the record carries (the input holds whole numbers only).
    const QString kw = numWatt.IsNull() ? QString() : number(std::round(numWatt.Value()));
    return kw + QStringLiteral(".0KW");
}

QString frmSetting::ctText()
{
    if (modelCode == 3 || modelCode == 5)
        return numPulseF2.Text() + QStringLiteral("/5");
    const int i = m_dataS ? platform::CInt(platform::Val(m_dataS->pulseF())) : -1;
    return optWattButtons.exists(i) ? optWattButtons(i).Caption() : QString();
}

QString frmSetting::cautionText()
{
    if (modelCode == 3 || modelCode == 5)
        return numWLevel2.Text() + QStringLiteral("%");
    const int i = m_dataS ? platform::CInt(platform::Val(m_dataS->w_level())) : -1;
    return optWlevelButtons.exists(i) ? optWlevelButtons(i).Caption() : QString();
}

QString frmSetting::pulseText()
{
    return optPulButtons(0).Value() ? QStringLiteral("50000") : QStringLiteral("2000");
}

QString frmSetting::settingsLogLine()
{
    return settingsLogLine(txtCustomerID.Text(), settingsLogDetails());
}

QString frmSetting::settingsLogLine(const QString &customer, const QString &details)
{
    return QStringLiteral("設定変更 ") + QStringLiteral("お客さま番号:") + customer.left(9) + details;
}

QString frmSetting::settingsLogDetails()
{
    QString line = QStringLiteral(", デマンド:") + demandText() + QStringLiteral(", 電力計:") + ctText()
                   + QStringLiteral(", スキップタイム:") + numSkipTime.Text() + QStringLiteral("分")
                   + QStringLiteral(", 注意レベル:") + cautionText();
    if (modelCode == 5)
        line += QStringLiteral(", パルス定数:") + pulseText();
    return line;
}

} // namespace talvik
