#include "talvik/settings/frmGraphSet.h"

#include "platform/forms/msgbox.h"
#include "platform/profile/profile.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"

namespace talvik {

namespace {
const QString kSection = QStringLiteral("グラフ");
const QString kKeyScale = QStringLiteral("スケール");
const QString kKeyOutValue = QStringLiteral("出力値");
const QString kKeyOutStyle = QStringLiteral("出力形式");
constexpr unsigned long kBufferSize = 255;

// Reads one key into `member`: a missing key gives `defaultValue`, an empty
// value or one the parser refuses leaves the member as it is.
void readKey(const QString &key, const QString &defaultValue, std::int16_t &member, const QString &path)
{
    QString buffer;
    const unsigned long length =
        platform::profile::GetPrivateProfileString(kSection, key, defaultValue, buffer, kBufferSize, path);
    if (length == 0)
        return;
    const qsizetype nul = buffer.indexOf(QChar(u'\0'));
    if (nul >= 0)
        buffer.truncate(nul);
    tryParseInteger(buffer, member);
}
} // namespace

frmGraphSet::frmGraphSet(QObject *parent) : Form(parent)
{
    connect(&cmdGraphOK, &platform::forms::CommandButton::Click, this, &frmGraphSet::cmdGraphOK_Click);
    connect(&cmdGraphSet, &platform::forms::CommandButton::Click, this, &frmGraphSet::cmdGraphSet_Click);
    connect(&cmdGraphClose, &platform::forms::CommandButton::Click, this, &frmGraphSet::cmdGraphClose_Click);
    connect(&cmbScale, &platform::forms::ComboBox::Click, this, &frmGraphSet::cmbScale_Click);
    connect(&optGraphOutStyle, &platform::forms::ControlArrayBase::Click, this, &frmGraphSet::optGraphOutStyle_Click);
    connect(&optGraphOutValue, &platform::forms::ControlArrayBase::Click, this, &frmGraphSet::optGraphOutValue_Click);
    loadGraphIni();
}

QString frmGraphSet::graphIniPath()
{
    return platform::shell::programFolder() + QStringLiteral("\\Graph.ini");
}

void frmGraphSet::designForm()
{
    setCaption(QStringLiteral("グラフ設定"));
    setDesignSize(5400, 4680);
    setBorderStyle(platform::forms::vbFixedDialog);
    setStartUpPosition(platform::forms::vbStartUpOwner);

    fraScale.setCaption(QStringLiteral("スケール"));
    fraScale.Move(120, 120, 5160, 1200);
    lblScaleFrom.setCaption(QStringLiteral("0　～"));
    lblScaleFrom.Move(240, 360, 600, 300);
    cmbScale.setStyle(platform::forms::vbComboDropdownList);
    cmbScale.Move(900, 320, 1400, 300);
    for (std::int16_t kW : kScaleTable)
        cmbScale.AddItem(QString::number(kW));
    lblScaleUnit.setCaption(QStringLiteral("［kW］"));
    lblScaleUnit.Move(2400, 360, 800, 300);
    lblScale.setCaption(QStringLiteral("縦軸（デマンド値）の最大値を選択します。"));
    lblScale.Move(240, 780, 4800, 300);

    fraGraphOutStyle.setCaption(QStringLiteral("ｸﾞﾗﾌ形式"));
    fraGraphOutStyle.Move(120, 1440, 5160, 1200);
    lblGraphOutStyle.setCaption(QStringLiteral("出力スタイルを選択します。"));
    lblGraphOutStyle.Move(240, 300, 4800, 300);
    optGraphOutStyle(0).setCaption(QStringLiteral("棒グラフ"));
    optGraphOutStyle(0).Move(360, 720, 1800, 300);
    optGraphOutStyle(1).setCaption(QStringLiteral("折線グラフ"));
    optGraphOutStyle(1).Move(2400, 720, 1800, 300);

    fraGraphOutValue.setCaption(QStringLiteral("出力値"));
    fraGraphOutValue.Move(120, 2760, 5160, 1200);
    lblGraphOutValue.setCaption(QStringLiteral("日／月別データを出力する場合の出力値を選択します。"));
    lblGraphOutValue.Move(240, 300, 4800, 300);
    optGraphOutValue(0).setCaption(QStringLiteral("最大値"));
    optGraphOutValue(0).Move(360, 720, 1800, 300);
    optGraphOutValue(1).setCaption(QStringLiteral("平均値"));
    optGraphOutValue(1).Move(2400, 720, 1800, 300);

    cmdGraphOK.setCaption(QStringLiteral("OK"));
    cmdGraphOK.Move(1080, 4080, 1300, 420);
    cmdGraphClose.setCaption(QStringLiteral("キャンセル"));
    cmdGraphClose.Move(2520, 4080, 1300, 420);
    cmdGraphClose.setCancel(true);
    cmdGraphSet.setCaption(QStringLiteral("適用"));
    cmdGraphSet.Move(3960, 4080, 1300, 420);
}

void frmGraphSet::loadGraphIni()
{
    const QString path = graphIniPath();
    readKey(kKeyScale, QStringLiteral("1"), m_scaleIndex, path);
    readKey(kKeyOutValue, QStringLiteral("0"), m_outvalue, path);
    readKey(kKeyOutStyle, QStringLiteral("0"), m_outStyle, path);
    // The data windows expect one of the nine scale values (another index
    // gives the default) and a 0/1 choice: any non-zero choice counts as 1,
    // as the dialog shows it.
    if (m_scaleIndex < 0 || m_scaleIndex >= std::int16_t(kScaleTable.size()))
        m_scaleIndex = kDefaultScaleIndex;
    if (m_outvalue != 0)
        m_outvalue = 1;
    if (m_outStyle != 0)
        m_outStyle = 1;
}

bool frmGraphSet::saveGraphIni()
{
    // The three keys in one rewrite of the file: all of them or none.
    return platform::profile::WritePrivateProfileStrings(kSection,
                                                         {{kKeyScale, QString::number(m_scaleIndex)},
                                                          {kKeyOutValue, QString::number(m_outvalue)},
                                                          {kKeyOutStyle, QString::number(m_outStyle)}},
                                                         graphIniPath());
}

std::int16_t frmGraphSet::getScaleWeight(std::int16_t index) const
{
    if (index < 0 || index >= std::int16_t(kScaleTable.size()))
        platform::raise(platform::err::InvalidPropertyArrayIndex);
    return kScaleTable[std::size_t(index)];
}

std::int16_t frmGraphSet::getScaleIndexByWeight(std::int16_t weight) const
{
    for (std::size_t i = 0; i < kScaleTable.size(); ++i)
        if (kScaleTable[i] == weight)
            return std::int16_t(i);
    return 0;
}

std::int16_t frmGraphSet::scaleWeight() const
{
    return getScaleWeight(m_scaleIndex);
}

void frmGraphSet::Form_Load()
{
    const int value = m_outvalue != 0 ? 1 : 0;
    optGraphOutValue(value).setValue(true);
    optGraphOutValue(1 - value).setValue(false);
    const int style = m_outStyle != 0 ? 1 : 0;
    optGraphOutStyle(style).setValue(true);
    optGraphOutStyle(1 - style).setValue(false);
    cmbScale.setListIndex(m_scaleIndex);
    // Last: the selections above count as changes.
    cmdGraphSet.setEnabled(false);
}

void frmGraphSet::cmbScale_Click()
{
    cmdGraphSet.setEnabled(true);
}

void frmGraphSet::optGraphOutStyle_Click(int)
{
    cmdGraphSet.setEnabled(true);
}

void frmGraphSet::optGraphOutValue_Click(int)
{
    cmdGraphSet.setEnabled(true);
}

bool frmGraphSet::cmdGraphSet_Click()
{
    const std::int16_t scaleIndex = m_scaleIndex;
    const std::int16_t outvalue = m_outvalue;
    const std::int16_t outStyle = m_outStyle;
    const int selected = cmbScale.ListIndex();
    if (selected >= 0)
        m_scaleIndex = std::int16_t(selected);
    m_outvalue = optGraphOutValue(0).Value() ? 0 : 1;
    m_outStyle = optGraphOutStyle(0).Value() ? 0 : 1;
    if (!saveGraphIni()) {
        // The file and the members keep agreeing: the applied options stay
        // as they were, the choices stay on screen for another try.
        m_scaleIndex = scaleIndex;
        m_outvalue = outvalue;
        m_outStyle = outStyle;
        platform::forms::MsgBox(QStringLiteral("グラフ設定を保存できませんでした。\r\n")
                                    + platform::profile::lastWriteFailure().description(),
                                platform::forms::vbCritical, appTitle);
        return false;
    }
    cmdGraphSet.setEnabled(false);
    return true;
}

void frmGraphSet::cmdGraphOK_Click()
{
    // A failed apply keeps the dialog open.
    if (cmdGraphSet_Click())
        Unload();
}

void frmGraphSet::cmdGraphClose_Click()
{
    Unload();
}

} // namespace talvik
