#include "talvik/settings/frmImportCustomSrv.h"

#include "platform/forms/msgbox.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/store/clsDataDSrv.h"

namespace talvik {

using namespace platform::forms;

namespace {
bool allDigits(const QString &text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}
} // namespace

frmImportCustomSrv::frmImportCustomSrv(QObject *parent) : Form(parent)
{
    connect(&cmdOK, &CommandButton::Click, this, &frmImportCustomSrv::cmdOK_Click);
    connect(&cmdCancel, &CommandButton::Click, this, &frmImportCustomSrv::cmdCancel_Click);
}

void frmImportCustomSrv::designForm()
{
    setCaption(QStringLiteral("お客さま番号の入力"));
    setDesignSize(4440, 2280);
    setBorderStyle(vbFixedSingle);
    setStartUpPosition(vbStartUpScreen);
    fraCustom.setCaption(QStringLiteral("お客さま番号"));
    fraCustom.Move(120, 120, 4200, 900);
    TxtNum.Move(240, 400, 3720, 330);
    TxtNum.setMaxLength(9);
    lblWarn1.setCaption(QStringLiteral("９桁のお客さま番号を入力して下さい。"));
    lblWarn1.Move(240, 1140, 4080, 280);
    cmdOK.setCaption(QStringLiteral("O　K"));
    cmdOK.Move(1200, 1620, 1300, 420);
    cmdOK.setDefault(true);
    cmdCancel.setCaption(QStringLiteral("キャンセル"));
    cmdCancel.Move(2760, 1620, 1300, 420);
    cmdCancel.setCancel(true);
}

void frmImportCustomSrv::Form_Load()
{
    m_status = false;
}

void frmImportCustomSrv::cmdOK_Click()
{
    const QString number = TxtNum.Text();
    const int maxLength = TxtNum.MaxLength();
    QString message;
    if (number.size() != maxLength) {
        message = QStringLiteral("お客さま番号（") + QString::number(maxLength) + QStringLiteral("桁固定）") +
                  QStringLiteral("の文字数が正しくありません");
    } else if (!allDigits(number)) {
        message = QStringLiteral("お客さま番号") + QStringLiteral("に入力されている数値が正しくありません");
    } else if (fileExists(clsDataDSrv::serviceInputFile(number))) {
        srvCustomer = number;
        m_custom = number;
        m_addCustom.clear();
        m_status = true;
        Unload();
        return;
    } else {
        // The second line names where the file was looked for.
        message = QStringLiteral("デマンド情報が見つかりません") + QStringLiteral("\r\n") +
                  platform::shell::toNativePath(dataFolder + QStringLiteral("\\") + number + QStringLiteral("\\") +
                                                number + QStringLiteral(".csv"));
    }
    MsgBox(message, vbOKOnly);
    if (TxtNum.Enabled())
        TxtNum.SetFocus();
}

void frmImportCustomSrv::cmdCancel_Click()
{
    m_custom.clear();
    Unload();
}

} // namespace talvik
