#include "talvik/dataview_service/frmDataSrv.h"

#include "platform/forms/commondialog.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/fileCommands.h"
#include "talvik/dataview_service/clsGraphSrv.h"
#include "talvik/settings/frmImportCustomSrv.h"
#include "talvik/store/clsDataDSrv.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/customerName.h"
#include "talvik/store/dataWindow.h"

#include <QCoreApplication>
#include <QThread>

#include <exception>

namespace talvik {

using namespace platform::forms;

namespace {

// Flags of the import dialogs: explorer style, file and path must exist,
// no read-only box.
constexpr int kImportDialogFlags = 0x81804;

// Leaves the program's event loop with code 0. Outside any event loop (the
// cancel during the start-up, before the loop runs) the start-up itself ends
// the program: an exit requested then would end the next event loop at once.
void leaveEventLoop()
{
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

std::function<void()> &programEnd()
{
    static std::function<void()> end = leaveEventLoop;
    return end;
}

void ignoreErrors(const std::function<void()> &body)
{
    try {
        body();
    } catch (const std::exception &) {
    }
}

} // namespace

frmDataSrv::frmDataSrv(QObject *parent)
    : frmData(parent, DataWindowMenuLayout{10, 4})
{
    connect(&mnuPopAnalyze, &ControlArrayBase::Click, this, &frmDataSrv::mnuPopAnalyze_Click);
}

frmDataSrv::~frmDataSrv() = default;

void frmDataSrv::setProgramEnd(std::function<void()> end)
{
    programEnd() = end ? std::move(end) : std::function<void()>(leaveEventLoop);
}

void frmDataSrv::designForm()
{
    frmData::designForm();
    const QStringList pop = {QStringLiteral("分析"), QStringLiteral("-"), QStringLiteral("情報ﾃﾞｰﾀの読み出し"),
                             QStringLiteral("-"), QStringLiteral("ﾌｧｲﾙ出力"), QStringLiteral("-"),
                             QStringLiteral("お客さま名の新規作成"), QStringLiteral("お客さま名の変更"),
                             QStringLiteral("-"), QStringLiteral("削除")};
    for (int i = 0; i < pop.size(); ++i)
        mnuPop(i).setCaption(pop[i]);
    mnuPopAnalyze(0).setCaption(QStringLiteral("元の表示順に戻す"));
    mnuPopAnalyze(1).setCaption(QStringLiteral("注意件数順の表示"));
    mnuPopAnalyze(2).setCaption(QStringLiteral("限界件数順の表示"));
    if (ToolbarButton *button = tlbData.find(QStringLiteral("mnuSet|1")))
        button->setToolTipText(QStringLiteral("ｼﾘｱﾙ通信設定"));
}

void frmDataSrv::Form_Load()
{
    frmData::Form_Load();
    if (srvMode)
        importSrvCsvAndExit();
}

void frmDataSrv::Form_QueryUnload(int &Cancel, int UnloadMode)
{
    // Service mode closes without the save question.
    if (srvMode)
        return;
    frmData::Form_QueryUnload(Cancel, UnloadMode);
}

void frmDataSrv::Form_Unload(int &Cancel)
{
    frmData::Form_Unload(Cancel);
    if (srvMode && programEnd())
        programEnd()();
}

bool frmDataSrv::returnsToMainWindow() const
{
    return !srvMode;
}

std::unique_ptr<clsDataD> frmDataSrv::newDemandRecord()
{
    return std::make_unique<clsDataDSrv>();
}

std::unique_ptr<clsGraph> frmDataSrv::newDemandGraph()
{
    return std::make_unique<clsGraphSrv>();
}

DataReportColumns frmDataSrv::reportColumns() const
{
    return {QStringLiteral("№|監視年月日|開始時間|終了時間|デマンド値[kW]|注意件数|限界件数|取得日時"),
            QStringLiteral("^+10%|^+20%|^+10%|^+10%|^+15%|^+10%|^+10%|^+20%"), 8};
}

int frmDataSrv::exportDialogExtraFlags() const
{
    return cdlOFNOverwritePrompt;
}

QString frmDataSrv::saveProgressText(const QString &name) const
{
    return QStringLiteral("  ----->  [保存中]  ") + name;
}

void frmDataSrv::beforeCsvImportRead(const QString &path)
{
    // The count file of a chosen file lies beside it, named after the customer.
    dataFolder = getParentFolderName(path);
    srvCustomer.clear();
}

// ---- Menus ----------------------------------------------------------------

void frmDataSrv::mnuTerm_Click(int Index)
{
    if (Index != 0)
        return;
    // The device read takes the count files from the program folder.
    dataFolder = platform::shell::programFolder();
    readInfoData();
}

void frmDataSrv::mnuPop_Click(int Index)
{
    switch (Index) {
    case 2:
        readInfoData();
        break;
    case 6:
        newCustomerCommand();
        setDataChanged(true);
        break;
    case 7:
        StartLabelEdit();
        break;
    case 9:
        deleteNodeData();
        break;
    default:
        break;
    }
}

void frmDataSrv::setDayMenus()
{
    frmData::setDayMenus();
    for (int i : mnuPop.indexes())
        if (mnuPop(i).Caption() == QStringLiteral("分析"))
            mnuPop(i).setEnabled(true);
}

// ---- Start-up import ------------------------------------------------------

void frmDataSrv::importSrvCsvAndExit()
{
    try {
        // The file dialog as the menu import prepares it; its flags stay.
        applyInitialFolder(cdlCSVFile());
        cdlCSVFile().setFlags(kImportDialogFlags);
        cdlCSVFile().setFilter(QStringLiteral("専用CSV(*.CSV)|*.CSV"));
        cdlCSVFile().setFilterIndex(1);

        if (!importCustomSrvForm)
            platform::raise(platform::err::ObjectRequired);
        importCustomSrvForm->Show(vbModal, this);
        if (!importCustomSrvForm->Status()) {
            currentFolderToDesktop();
            Unload();
            return;
        }
        setDataChanged(true);
        const QString customer = importCustomSrvForm->Custom();
        if (const QString why = validateCustomerName(customer); !why.isEmpty())
            platform::raise(platform::err::InvalidProcedureCall,
                            QStringLiteral("お客さま名「") + customer + QStringLiteral("」は使用できません。") + why);
        const QString root = platform::shell::programFolder() + QStringLiteral("\\dDB.tran");
        const QString folder = root + u'\\' + customer;
        if (!platform::shell::FolderExists(folder)) {
            if (!platform::shell::FolderExists(root))
                platform::shell::CreateFolder(root);
            platform::shell::CreateFolder(folder);
            TreeNode().mkNodeInit(treData(), this);
            afterTreeRebuilt();
            addLog(QStringLiteral("お客さま名の新規作成　「") + customer + QStringLiteral("」"));
        }
        demandData->initData();
        demandData->setCustomer(customer);
        const QString name = demandData->customer();
        readCsvFile(clsDataDSrv::serviceInputFile(name));
        selectNode(customerKey(name));
    } catch (const std::exception &e) {
        ignoreErrors([&] { MsgBox(errorDescription(e), vbOKOnly + vbCritical, appTitle); });
    }
    currentFolderToDesktop();
}

// ---- Analysis sort --------------------------------------------------------

void frmDataSrv::mnuPopAnalyze_Click(int Index)
{
    optDispStyle(0).setValue(true);
    optDispStyle_Click(0);
    MSHFlexGrid &grid = mfgData();
    // An emptied table (no rows, or the header alone) has nothing to order.
    if (grid.Rows() <= 2 || grid.Cols() < 7)
        return;
    switch (Index) {
    case 0:
        grid.setRow(1);
        grid.setRowSel(grid.Rows() - 1);
        grid.setCol(0);
        grid.setColSel(1);
        grid.setSort(flexSortStringNoCaseAscending);
        grid.setRow(1);
        break;
    case 1:
        sortGridByCount(4);
        break;
    case 2:
        sortGridByCount(5);
        break;
    default:
        break;
    }
}

void frmDataSrv::sortGridByCount(int col)
{
    MSHFlexGrid &grid = mfgData();
    grid.setRedraw(false);
    const int cols = grid.Cols();
    grid.setCols(cols + 3);
    const int last = grid.Cols() - 1;
    grid.setTextMatrix(0, last - 2, grid.TextMatrix(0, col));
    grid.setTextMatrix(0, last - 1, grid.TextMatrix(0, 0));
    grid.setTextMatrix(0, last, grid.TextMatrix(0, 1));
    for (int r = 1; r < grid.Rows(); ++r) {
        QString count = grid.TextMatrix(r, col).trimmed();
        if (count == QStringLiteral("-"))
            count = QStringLiteral("0");
        // A count that is not a number sorts as 0 as well.
        double v = platform::Val(count);
        if (v < 0 || v > 9999)
            v = v < 0 ? 0 : 9999;
        grid.setTextMatrix(r, last - 2, platform::FormatZero(platform::CInt(v), 4));
        grid.setTextMatrix(r, last - 1, grid.TextMatrix(r, 0));
        grid.setTextMatrix(r, last, grid.TextMatrix(r, 1));
    }
    grid.setRow(1);
    grid.setRowSel(grid.Rows() - 1);
    grid.setCol(last - 2);
    grid.setColSel(last);
    grid.setSort(flexSortStringNoCaseDescending);
    grid.setCols(cols);
    grid.setRow(1);
    grid.setCol(0);
    grid.setRedraw(true);
}

} // namespace talvik
