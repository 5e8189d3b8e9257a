// The settings window's report: the settings shown in the window as a
// one-page, two-column table, printed through the report control.
#include "talvik/settings/frmSetting.h"

#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/core/basComVariables.h"

#include <QDateTime>

namespace talvik {

namespace fm = platform::forms;
namespace pr = platform::print;

namespace {
constexpr std::uint32_t kHeaderShade = 0x80000016u;
} // namespace

void frmSetting::mnuPrint_Click()
{
    // 1.
    if (vspPrint.Device().isEmpty()) {
        fm::MsgBox(QStringLiteral("ﾌﾟﾘﾝﾀｰが使用できません。通常使うﾌﾟﾘﾝﾀｰの設定を確認してください。"),
                   fm::vbExclamation);
        return;
    }
    try {
        // 2.-5.
        printSettingsPage();
        if (vspPrint.PrintDialog(0) == 0)
            return;
        printSettingsTable();
        vspPrint.PrintDoc();
    } catch (const platform::RuntimeError &e) {
        fm::MsgBox(e.Description(), fm::vbCritical);
    }
}

void frmSetting::printSettingsPage()
{
    vspPrint.BeginSetup();
    vspPrint.setPaperSize(9);
    vspPrint.setMarginLeft(QStringLiteral("10%"));
    vspPrint.setMarginRight(QStringLiteral("10%"));
    vspPrint.setMarginTop(QStringLiteral("10%"));
    vspPrint.setMarginBottom(QStringLiteral("10%"));
    vspPrint.setTitle(QStringLiteral("監視設定"));
    const QDateTime now = QDateTime::currentDateTime();
    vspPrint.setHeader(vspPrint.LeftHeader() + QStringLiteral("  [") + settingFileName + QStringLiteral("]")
                       + QStringLiteral("||") + now.toString(QStringLiteral("yyyy/MM/dd")) + QLatin1Char(' ')
                       + now.toString(QStringLiteral("HH:mm:ss")));
}

void frmSetting::printSettingsTable()
{
    vspPrint.StartDoc();
    vspPrint.setTableBorder(7);
    vspPrint.StartTable();
    pr::TableBody body;
    body << QVariantList{QStringLiteral("お客さま番号"), txtCustomerID.Text()};
    body << QVariantList{QStringLiteral("デマンド"), demandText()};
    body << QVariantList{QStringLiteral("電力計"), ctText()};
    body << QVariantList{QStringLiteral("スキップタイム"), numSkipTime.Text() + QStringLiteral("分")};
    body << QVariantList{QStringLiteral("注意レベル"), cautionText()};
    body << QVariantList{QStringLiteral("パルス定数") + QStringLiteral("\r") + QStringLiteral("(T6KAシリーズのみ有効)"),
                         modelCode == 5 ? pulseText() : QString()};
    vspPrint.AddTable(QStringLiteral(">+30%|<+70%"), QStringLiteral("設定項目|設定値"), body, kHeaderShade);
    vspPrint.TableCell(pr::tcRowHeight, -1, -1, -1, -1, QStringLiteral("2.5%"));
    vspPrint.EndTable();
    vspPrint.EndDoc();
}

} // namespace talvik
