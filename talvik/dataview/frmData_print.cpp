// The data window's report: page set-up, the demand table or the graph as
// a document of the print control, its preview, printing and PDF output.
#include "talvik/dataview/frmData.h"
#include "talvik/dataview/fileCommands.h"

#include "platform/forms/msgbox.h"
#include "platform/print/colors.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"

#include <QDateTime>

#include <algorithm>
#include <cstdint>

namespace talvik {

namespace {

namespace fm = platform::forms;
namespace pr = platform::print;

constexpr std::uint32_t headerShade = 0x80000016u;  // 3-D light
constexpr std::uint32_t overThreshold = 0xC0C0FFu;  // light red
constexpr double reportFontPoints = 9;
constexpr int demandColumn = 4;                      // report column of the demand value (from 0)

// The save dialog of an export: no flag of an earlier import (a file that
// must exist) carries over, and no overwrite question is asked.
constexpr int pdfDialogFlags = fm::cdlOFNExplorer | fm::cdlOFNPathMustExist | fm::cdlOFNHideReadOnly;

void showWait(fm::Form *owner, const QString &line)
{
    if (!waitForm)
        return;
    waitForm->clear();
    waitForm->Show(fm::vbModeless, owner);
    waitForm->setLoadInfo1(line);
}

} // namespace

DataReportColumns frmData::reportColumns() const
{
    return {QStringLiteral("№|監視年月日|開始時間|終了時間|デマンド値[kW]|取得日時"),
            QStringLiteral("^+10%|^+20%|^+15%|^+15%|^+20%|^+20%"), 6};
}

void frmData::printHeader()
{
    vspPrint.BeginSetup();
    vspPrint.setPaperSize(9);
    vspPrint.setMarginTop(QStringLiteral("10%"));
    vspPrint.setMarginBottom(QStringLiteral("10%"));
    vspPrint.setMarginRight(QStringLiteral("10%"));
    vspPrint.setMarginLeft(QStringLiteral("10%"));
    // A body font whose one-line rows fit the row height of 1.6 % of the page
    // and whose longest cells fit their columns.
    vspPrint.setFontSize(reportFontPoints);

    const QDateTime now = QDateTime::currentDateTime();
    const QString stamp = now.date().toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral(" ")
                          + now.time().toString(QStringLiteral("HH:mm:ss"));
    if (optDispStyle(0).Value()) {
        vspPrint.setTitle(QStringLiteral("デマンド値一覧表　（") + getTreeKeyCaption(currentKey)
                          + QStringLiteral("）"));
        if (threshold() != 0)
            vspPrint.setTitle(vspPrint.Title() + QStringLiteral("    デマンド：") + zonumDemand.Text()
                              + QStringLiteral("[kW]"));
        vspPrint.setHeader(vspPrint.LeftHeader() + QStringLiteral("||") + stamp);
        vspPrint.setFooter(QStringLiteral("|- %d -|"));
        vspPrint.setOrientation(0);
    } else {
        vspPrint.setTitle(QString());
        vspPrint.setHeader(QStringLiteral("||") + stamp);
        vspPrint.setFooter(QString());
        vspPrint.setOrientation(1);
    }
}

void frmData::printBody()
{
    if (optDispStyle(0).Value()) {
        vspPrint.StartDoc();
        vspPrint.setTableBorder(7);
        vspPrint.StartTable();

        // The grid as it is shown: report row i is grid row fixed rows + i,
        // report column j >= 1 is grid column j - 1, column 0 the row number.
        // The grid's fixed column is its date column and is shown like the
        // others, so every grid column is copied. Rows are padded or cut to
        // the six report columns so that a grid of another shape still gives
        // the table of the header.
        const DataReportColumns report = reportColumns();
        const int reportColumns = report.columns;
        const fm::MSHFlexGrid &grid = mfgData();
        const int n = std::max(0, grid.Rows() - grid.FixedRows());
        const int m = std::max(1, grid.Cols() + 1);
        pr::TableBody body;
        body.reserve(n);
        for (int i = 0; i < n; ++i) {
            QVariantList cells;
            cells.reserve(reportColumns);
            cells << QString::number(i + 1);
            for (int j = 1; j < m && j < reportColumns; ++j)
                cells << grid.TextMatrix(grid.FixedRows() + i, j - 1);
            while (cells.size() < reportColumns)
                cells << QString();
            body << cells;
        }
        vspPrint.AddTable(report.format, report.header, body, headerShade);

        const int t = threshold();
        if (t != 0) {
            for (int i = 0; i < n; ++i)
                if (platform::Val(body[i][demandColumn].toString()) > t)
                    vspPrint.TableCell(pr::tcBackColor, i + 1, demandColumn + 1, i + 1, demandColumn + 1,
                                       QVariant::fromValue<qlonglong>(overThreshold));
        }
        vspPrint.TableCell(pr::tcRowHeight, -1, -1, -1, -1, QStringLiteral("1.6%"));
        vspPrint.EndTable();
        vspPrint.EndDoc();
    } else {
        vspPrint.StartDoc();
        const double left = vspPrint.MarginLeft();
        const double top = vspPrint.MarginTop();
        const double width = vspPrint.PageWidth() - vspPrint.MarginLeft() - vspPrint.MarginRight();
        const double height = vspPrint.PageHeight() - vspPrint.MarginTop() - vspPrint.MarginBottom();
        vspPrint.DrawPicture(vsdGraph.Picture(), left, top, width, height, pr::paFill, false);
        vspPrint.EndDoc();
    }
}

void frmData::printPreview()
{
    if (vspPrintHost.Visible()) {
        vspPrintHost.setVisible(false);
        vspPrintHost.setEnabled(false);
        mnuFile(8).setChecked(false);
        setMenusByLevel();
        return;
    }
    try {
        printHeader();
        showWait(this, QStringLiteral("ページ準備中・・・・"));
        printBody();
        unloadWaitDialog();
        vspPrintHost.setVisible(true);
        vspPrintHost.setEnabled(true);
        mnuFile(8).setChecked(true);
        setPreviewMenus();
    } catch (const std::exception &e) {
        // The window stays as it was: no preview, the error told.
        unloadWaitDialog();
        fm::MsgBox(errorDescription(e), fm::vbOKOnly + fm::vbCritical, appTitle);
    }
}

void frmData::printDocument()
{
    if (vspPrint.Device().isEmpty()) {
        fm::MsgBox(QStringLiteral("ﾌﾟﾘﾝﾀｰが使用できません。通常使うﾌﾟﾘﾝﾀｰの設定を確認してください。"),
                   fm::vbOKOnly + fm::vbExclamation, appTitle);
        return;
    }
    try {
        printHeader();
        if (vspPrint.PrintDialog(0) != 0) {
            printBody();
            vspPrint.PrintDoc();
        }
    } catch (const std::exception &e) {
        fm::MsgBox(errorDescription(e), fm::vbOKOnly + fm::vbCritical, appTitle);
    }
}

void frmData::writePdfFile()
{
    bool failed = false;
    QString failure;
    try {
        applyInitialFolder(cdlCSVFile());
        cdlCSVFile().setCancelError(true);
        cdlCSVFile().setFileName(QString());
        cdlCSVFile().setFilter(QString());
        cdlCSVFile().setDefaultExt(QStringLiteral("PDF"));
        cdlCSVFile().setDialogTitle(QStringLiteral("ＰＤＦ出力"));
        cdlCSVFile().setFlags(pdfDialogFlags | exportDialogExtraFlags());
        cdlCSVFile().ShowSave();
        const QString path = cdlCSVFile().FileName();

        showWait(this, QStringLiteral("ＰＤＦ出力中・・・・"));
        printHeader();
        printBody();
        pdfFileOut.ConvertDocument(vspPrint, platform::shell::toNativePath(path));
    } catch (const platform::RuntimeError &e) {
        if (e.Number() != platform::err::CancelError) {
            failed = true;
            failure = e.Description();
        }
    } catch (const std::exception &e) {
        failed = true;
        failure = errorDescription(e);
    }
    unloadWaitDialog();
    currentFolderToDesktop();
    // A failed output is told; a cancelled dialog stays silent.
    if (failed) {
        try {
            fm::MsgBox(QStringLiteral("ＰＤＦファイルを出力できませんでした。\r\n") + failure,
                       fm::vbOKOnly + fm::vbCritical, appTitle);
        } catch (...) {
        }
    }
}

} // namespace talvik
