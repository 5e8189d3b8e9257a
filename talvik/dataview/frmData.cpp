// The data window's frame: design, load and unload, the save question, the
// menus and the toolbar with their one dispatch, the layout and the demand
// threshold.
#include "talvik/dataview/frmData.h"

#include "platform/fileio/linktree.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/app.h"
#include "platform/forms/doevents.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"
#include "talvik/dataview/clsGraph.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsTreeNode.h"

#include <QApplication>
#include <QColor>
#include <QStyle>
#include <QFont>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QTableView>
#include <QTreeWidget>

#include <exception>
#include <functional>

namespace talvik {

using namespace platform::forms;

namespace {

const QString kMainHold = QStringLiteral("frmData");

// Runs one step of a procedure that ignores errors: a failing step is
// skipped and the next one runs.
void step(const std::function<void()> &body)
{
    try {
        body();
    } catch (const std::exception &) {
    }
}

} // namespace

frmData::frmData(QObject *parent, const DataWindowMenuLayout &layout)
    : Form(parent), m_menuLayout(layout), m_treData(nullptr, QStringLiteral("treData")), m_mfgData(nullptr, QStringLiteral("mfgData"))
{
    treDataHost.setHosted(m_treData.widget());
    mfgDataHost.setHosted(m_mfgData.widget());
    // Every rebuild of the tree (mkNodeInit) starts by clearing it.
    connect(m_treData.widget()->model(), &QAbstractItemModel::modelReset, this, [this] { ++m_treeRebuilds; });
    vsdGraphHost.setHosted(&vsdGraph);
    vspPrintHost.setHosted(&vspPrint);
    // Node images: 1 closed folder, 2 open folder, 3 day.
    QStyle *style = QApplication::style();
    m_treData.setImage(1, style->standardIcon(QStyle::SP_DirClosedIcon));
    m_treData.setImage(2, style->standardIcon(QStyle::SP_DirOpenIcon));
    m_treData.setImage(3, style->standardIcon(QStyle::SP_FileIcon));
    connectEvents();
}

frmData::~frmData()
{
    // The hosted widgets are members: take them out of the window first.
    treDataHost.release();
    mfgDataHost.release();
    vsdGraphHost.release();
    vspPrintHost.release();
    if (appLogs && m_logs && appLogs == m_logs.get())
        appLogs = nullptr;
    if (dataForm == this)
        dataForm = nullptr;
}

Form *frmData::mainWindow()
{
    return mainWindowForm;
}

clsTreeNode &frmData::TreeNode()
{
    if (!m_TreeNode)
        m_TreeNode = std::make_unique<clsTreeNode>();
    return *m_TreeNode;
}

void frmData::addLog(const QString &text)
{
    // The log object exists while the window is loaded; otherwise no line.
    if (!m_logs)
        return;
    m_logs->add(&m_lstLogs, text);
    // The operation the line records is done; a log that cannot be written
    // (a full disk) is reported and the operation goes on. The line stays in
    // the list and reaches the file with the next write that succeeds.
    try {
        m_logs->toFile(&m_lstLogs);
    } catch (const platform::RuntimeError &e) {
        MsgBox(e.Description(), vbOKOnly + vbExclamation, appTitle);
    }
}

QString frmData::currentNodePath() const
{
    return platform::shell::programFolder() + currentKey;
}

int frmData::threshold()
{
    const double v = zonumDemand.Value();
    if (v > 32767 || v < -32768)
        return 0;
    return int(v < 0 ? v - 0.5 : v + 0.5);
}

void frmData::redrawGraph()
{
    if (!demandGraph)
        return;
    try {
        demandGraph->setGraphData(vsdGraph, currentNodePath(), graphStyle, graphValueKind, threshold(), graphScale);
    } catch (const std::exception &) {
        // The graph stays as the failed drawing left it; nothing to report.
    }
}

std::unique_ptr<clsDataD> frmData::newDemandRecord()
{
    return std::make_unique<clsDataD>();
}

std::unique_ptr<clsGraph> frmData::newDemandGraph()
{
    return std::make_unique<clsGraph>();
}

void frmData::afterTreeRebuilt()
{
    currentKey.clear();
    setRootMenus();
}

// ---- Design ---------------------------------------------------------------

void frmData::connectEvents()
{
    connect(&mnuFile, &ControlArrayBase::Click, this, &frmData::mnuFile_Click);
    connect(&mnuFileOut, &ControlArrayBase::Click, this, &frmData::mnuFileOut_Click);
    connect(&mnuFileInput, &ControlArrayBase::Click, this, &frmData::mnuFileInput_Click);
    connect(&mnuEdit, &ControlArrayBase::Click, this, &frmData::mnuEdit_Click);
    connect(&mnuTerm, &ControlArrayBase::Click, this, &frmData::mnuTerm_Click);
    connect(&mnuSet, &ControlArrayBase::Click, this, &frmData::mnuSet_Click);
    connect(&mnuPop, &ControlArrayBase::Click, this, &frmData::mnuPop_Click);
    connect(&mnuPopOut, &ControlArrayBase::Click, this, &frmData::mnuPopOut_Click);
    connect(&mnuPopGraph, &ControlArrayBase::Click, this, &frmData::mnuPopGraph_Click);
    connect(&mnuPopScale, &ControlArrayBase::Click, this, &frmData::mnuPopScale_Click);
    connect(&tlbData, &Toolbar::ButtonClick, this, &frmData::tlbData_ButtonClick);
    connect(&cmdPreBack, &CommandButton::Click, this, &frmData::cmdPreBack_Click);
    connect(&zonumDemand, &NumberInput::KeyDown, this, &frmData::zonumDemand_KeyDown);
    // An entry the input refuses (outside 0 to 999, or not a number).
    connect(&zonumDemand, &NumberInput::OutOfRange, this, &frmData::zonumDemand_InvalidValue);
    connect(&zonumDemand, &NumberInput::InvalidValue, this, &frmData::zonumDemand_InvalidValue);
    connect(&optDispStyle, &ControlArrayBase::Click, this, &frmData::optDispStyle_Click);

    connect(&m_treData, &TreeView::NodeClick, this, &frmData::treData_NodeClick);
    connect(&m_treData, &TreeView::Expand, this, &frmData::treData_Expand);
    connect(&m_treData, &TreeView::Collapse, this, &frmData::treData_Collapse);
    connect(&m_treData, &TreeView::MouseDown, this, &frmData::treData_MouseDown);
    connect(m_treData.widget(), &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (!m_labelEditing || column != 0 || m_labelEditKey.isEmpty() || !m_treData.Exists(m_labelEditKey))
            return;
        if (m_treData.Item(m_labelEditKey)->item() != item)
            return;
        labelEdited(item->text(0));
    });

    connect(&vsdGraph, &platform::print::DrawSurface::MouseMove, this, &frmData::vsdGraph_MouseMove);
    connect(&vsdGraph, &platform::print::DrawSurface::MouseDown, this, &frmData::vsdGraph_MouseDown);
    connect(&vsdGraph, &platform::print::DrawSurface::Click, this, &frmData::vsdGraph_Click);
    connect(&vsdGraph, &platform::print::DrawSurface::MouseWheel, this, &frmData::vsdGraph_MouseWheel);
    connect(&vspPrint, &platform::print::ReportPrinter::NewPage, this, &frmData::vspPrint_NewPage);
    connect(&vspPrint, &platform::print::ReportPrinter::DocumentEnded, this, &frmData::vspPrint_DocumentEnded);
}

void frmData::designMenus()
{
    mnuFileRoot.setCaption(QStringLiteral("ﾌｧｲﾙ"));
    const QStringList file = {QStringLiteral("開く"), QStringLiteral("-"), QStringLiteral("保存"),
                              QStringLiteral("-"), QStringLiteral("ﾌｧｲﾙ出力"), QStringLiteral("-"),
                              QStringLiteral("ﾌｧｲﾙ読込"), QStringLiteral("-"), QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"),
                              QStringLiteral("印刷"), QStringLiteral("-"), QStringLiteral("閉じる")};
    for (int i = 0; i < file.size(); ++i)
        mnuFile(i).setCaption(file[i]);
    mnuFileOut(0).setCaption(QStringLiteral("CSV"));
    mnuFileOut(1).setCaption(QStringLiteral("PDF"));
    mnuFileInput(0).setCaption(QStringLiteral("CSV"));

    mnuEditRoot.setCaption(QStringLiteral("編集"));
    mnuEdit(0).setCaption(QStringLiteral("お客さま名の新規作成"));
    mnuEdit(1).setCaption(QStringLiteral("お客さま名の変更"));
    mnuEdit(3).setCaption(QStringLiteral("-"));
    mnuEdit(4).setCaption(QStringLiteral("削除"));

    mnuTermRoot.setCaption(QStringLiteral("通信"));
    mnuTerm(0).setCaption(QStringLiteral("情報ﾃﾞｰﾀの読み出し"));

    mnuSetRoot.setCaption(QStringLiteral("設定"));
    mnuSet(0).setCaption(QStringLiteral("時刻設定"));
    mnuSet(1).setCaption(QStringLiteral("ｼﾘｱﾙ通信設定"));
    mnuSet(2).setCaption(QStringLiteral("ｸﾞﾗﾌ設定"));

    mnuPopRoot.setCaption(QStringLiteral("ポップアップ"));
    const QStringList pop = {QStringLiteral("情報ﾃﾞｰﾀの読み出し"), QStringLiteral("-"), QStringLiteral("ﾌｧｲﾙ出力"),
                             QStringLiteral("-"), QStringLiteral("お客さま名の新規作成"),
                             QStringLiteral("お客さま名の変更"), QStringLiteral("-"), QStringLiteral("削除")};
    for (int i = 0; i < pop.size(); ++i)
        mnuPop(i).setCaption(pop[i]);
    mnuPopOut(0).setCaption(QStringLiteral("CSV"));
    mnuPopOut(1).setCaption(QStringLiteral("PDF"));

    mnuPopGraphRoot.setCaption(QStringLiteral("ポップアップグラフ"));
    mnuPopGraph(0).setCaption(QStringLiteral("棒グラフ"));
    mnuPopGraph(1).setCaption(QStringLiteral("折れ線グラフ"));

    mnuPopScaleRoot.setCaption(QStringLiteral("ポップアップスケール"));
    const QStringList scale = {QStringLiteral(" ～   50 [kW]"), QStringLiteral(" ～   75 [kW]"),
                               QStringLiteral(" ～  100 [kW]"), QStringLiteral(" ～  150 [kW]"),
                               QStringLiteral(" ～  200 [kW]"), QStringLiteral(" ～  300 [kW]"),
                               QStringLiteral(" ～  500 [kW]"), QStringLiteral(" ～  750 [kW]"),
                               QStringLiteral(" ～ 1000 [kW]")};
    for (int i = 0; i < scale.size(); ++i)
        mnuPopScale(i).setCaption(scale[i]);

    // The popup roots never show in the menu bar.
    mnuPopRoot.setVisible(false);
    mnuPopGraphRoot.setVisible(false);
    mnuPopScaleRoot.setVisible(false);
}

void frmData::designToolbar()
{
    struct ButtonDesign {
        const char *key;
        const char *tip;
        const char *glyph; // drawn on the button's image
        quint32 color;     // 0xRRGGBB of the image
    };
    static const ButtonDesign buttons[] = {
        {"mnuFile|0", "前回保存したデータを開く", "開", 0x2e7d32},
        {"mnuFile|2", "現在のデータ構成を保存", "保", 0x1565c0},
        {"mnuFile|8", "印刷ﾌﾟﾚﾋﾞｭｰ", "ﾌﾟ", 0x6a1b9a},
        {"mnuFile|9", "印刷", "印", 0x4e342e},
        {"mnuTerm|0", "デマンド情報データの読み出し", "読", 0xc62828},
        {"mnuSet|0", "時刻設定", "時", 0x00838f},
        {"mnuSet|1", "ｼﾘｱﾙ設定", "ｼ", 0x455a64},
        {"mnuSet|2", "ｸﾞﾗﾌ設定", "ｸﾞ", 0xef6c00},
    };
    if (imgList.Count() == 0) {
        for (const ButtonDesign &b : buttons) {
            QPixmap image(20, 20);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor::fromRgb(b.color));
            painter.drawRoundedRect(QRectF(1, 1, 18, 18), 4, 4);
            painter.setPen(Qt::white);
            QFont font = painter.font();
            font.setPixelSize(12);
            font.setBold(true);
            painter.setFont(font);
            painter.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, QString::fromUtf8(b.glyph));
            painter.end();
            imgList.Add(Picture(image), QString::fromUtf8(b.key));
        }
    }
    tlbData.setImageList(&imgList);
    int image = 0;
    for (const ButtonDesign &b : buttons) {
        ++image;
        const QString key = QString::fromUtf8(b.key);
        ToolbarButton *button = tlbData.find(key);
        if (!button)
            button = &tlbData.Add(key, QString(), tbrDefault, image);
        button->setToolTipText(QString::fromUtf8(b.tip));
    }
    tlbData.Move(0, 0, 11640, 420);

    optDispStyle(0).setCaption(QStringLiteral("一覧"));
    optDispStyle(0).Move(3720, 0, 855, 495);
    optDispStyle(1).setCaption(QStringLiteral("グラフ"));
    optDispStyle(1).Move(4680, 0, 975, 495);
    optDispStyle(0).setValue(true);
    cmdPreBack.setCaption(QStringLiteral("戻　る"));
    cmdPreBack.Move(5520, 0, 735, 375);
    cmdPreBack.setVisible(false);
    txtDemandLabel.setText(QStringLiteral("デマンド"));
    txtDemandLabel.setLocked(true);
    txtDemandLabel.Move(6480, 157, 735, 180);
    zonumDemand.setMinValue(0);
    zonumDemand.setMaxValue(999);
    zonumDemand.setDecimalPlaces(0);
    zonumDemand.setValue(0);
    zonumDemand.Move(7320, 0, 495, 375);
    txtDemandUnit.setText(QStringLiteral("[kW]"));
    txtDemandUnit.setLocked(true);
    txtDemandUnit.Move(7920, 157, 615, 180);
    platform::forms::setAccessibleName(zonumDemand, platform::forms::spokenCaption(txtDemandLabel.Text()));
    // The two text boxes serve as labels: no frame, the toolbar's background.
    for (TextBox *label : {&txtDemandLabel, &txtDemandUnit}) {
        if (auto *edit = qobject_cast<QLineEdit *>(label->widget())) {
            edit->setFrame(false);
            edit->setFocusPolicy(Qt::NoFocus);
            edit->setStyleSheet(QStringLiteral("background: transparent;"));
        }
    }
}

void frmData::nameViews()
{
    // The views have no caption: assistive tools name them by what they
    // show. The tree by its root, the table by the display-style button
    // that brings it up, the log list by its lines.
    m_treData.widget()->setAccessibleName(QStringLiteral("お客さま"));
    m_mfgData.widget()->setAccessibleName(optDispStyle(0).Caption());
    platform::forms::setAccessibleName(m_lstLogs, QStringLiteral("操作ログ"));
}

void frmData::designForm()
{
    setDesignSize(11640, 8325);
    setCaption(QStringLiteral("情報データ"));
    designMenus();
    designToolbar();
    treDataHost.Move(0, 480, 3375, 5295);
    mfgDataHost.Move(3360, 480, 7455, 5295);
    // The demand table at design: the header row only, no fixed column.
    step([this] {
        m_mfgData.setRedraw(true);
        m_mfgData.setFixedCols(0);
        m_mfgData.setFixedRows(0);
        m_mfgData.setRows(1);
        m_mfgData.setCols(5);
        m_mfgData.setFixedRows(1);
        m_mfgData.Clear();
    });
    vsdGraphHost.Move(3360, 480, 7575, 5295);
    vspPrintHost.Move(0, 480, 10575, 6855);
    vspPrintHost.setVisible(false);
    vspPrintHost.setEnabled(false);
    m_lstLogs.Move(0, 5760, 10695, 1680);
    staData.Move(0, 8025, 11640, 300);
    nameViews();
    if (staData.Count() == 0) {
        staData.Add(QStringLiteral("date"), QString(), sbrDate);
        staData.Add(QStringLiteral("time"), QString(), sbrTime);
    }
}

// ---- Load and unload ------------------------------------------------------

void frmData::Form_Load()
{
    step([this] {
        if (Form *main = mainWindow())
            main->addDisableHold(kMainHold);
    });
    step([this] {
        if (waitForm)
            waitForm->setParent(this);
    });
    // The store run reaches the data window through dataForm (the main
    // window sets it; a window loaded on its own stands in).
    if (!dataForm)
        dataForm = this;
    // The log comes first: the data set and the tree may already log.
    step([this] {
        m_logs = std::make_unique<clsLogs>();
        appLogs = m_logs.get();
    });
    step([this] { openDataSet(true); });
    step([this] {
        m_TreeNode = std::make_unique<clsTreeNode>();
        m_TreeNode->mkNodeInit(m_treData, mainWindow());
    });
    currentKey.clear();
    step([this] {
        if (m_logs)
            m_logs->read(&m_lstLogs);
    });
    step([this] {
        demandData = newDemandRecord();
        customerList = std::make_unique<clsDataC>();
        demandGraph = newDemandGraph();
    });
    step([this] { vsdGraph.loadMouseIcon(platform::shell::programFolder() + QStringLiteral("\\harrow.cur")); });
    step([this] {
        graphScale = dialogs().scaleWeight();
        graphValueKind = dialogs().outvalue();
        graphStyle = dialogs().outStyle();
    });
    step([this] { showTable(optDispStyle(0).Value()); });
    step([this] { setInitialMenus(); });
    // The wheel hook is the drawing surface's MouseWheel signal (connected
    // once, with the window object).
    step([this] {
        m_Protocol = std::make_unique<clsProtocolController>();
        clsProtocolController *p = m_Protocol.get();
        connect(p, &clsProtocolController::OnCustomer, this, &frmData::m_Protocol_OnCustomer);
        connect(p, &clsProtocolController::OnNext, this, &frmData::m_Protocol_OnNext);
        connect(p, &clsProtocolController::OnEvent, this, &frmData::m_Protocol_OnEvent);
        connect(p, &clsProtocolController::OnError, this, &frmData::m_Protocol_OnError);
        connect(p, &clsProtocolController::OnTranEnd, this, &frmData::m_Protocol_OnTranEnd);
    });
    step([this] { m_cdlCSVFile.setInitDir(platform::shell::programFolder()); });
}

void frmData::Form_Activate()
{
    // The program-wide log is the active data window's.
    if (m_logs)
        appLogs = m_logs.get();
}

void frmData::Form_QueryUnload(int &Cancel, int UnloadMode)
{
    (void)UnloadMode;
    if (!m_dataChanged)
        return;
    const int answer = MsgBox(QStringLiteral("データが変更されています。現在のデータ構成を保存しますか？"),
                              vbYesNoCancel + vbExclamation, appTitle);
    if (answer == vbCancel) {
        Cancel = 1;
    } else if (answer == vbYes) {
        if (!saveDataSet())
            Cancel = 1;
    }
}

void frmData::Form_Unload(int &Cancel)
{
    (void)Cancel;
    step([this] {
        if (m_logs)
            m_logs->toFile(&m_lstLogs);
    });
    // Only this window's log is withdrawn from the program-wide pointer.
    if (appLogs && appLogs == m_logs.get())
        appLogs = nullptr;
    m_logs.reset();
    m_TreeNode.reset();
    demandData.reset();
    customerList.reset();
    demandGraph.reset();
    if (m_Protocol) {
        m_Protocol->disconnect(this);
        // The controller may be on the call stack (a handler of its event).
        m_Protocol.release()->deleteLater();
    }
    m_labelEditKey.clear();
    m_labelEditing = false;
    // The stores the open replaced are gone before the window is: nothing of
    // this window's data outlives it.
    platform::fileio::waitForBackgroundRemovals();
    step([this] {
        if (Form *main = returnsToMainWindow() ? mainWindow() : nullptr) {
            main->releaseDisableHold(kMainHold);
            main->Show();
        }
    });
    step([this] {
        if (waitForm)
            waitForm->setParent(mainWindow());
    });
}

void frmData::Form_Resize()
{
    try {
        const int W = ScaleWidth();
        const int H = ScaleHeight();
        // The toolbar and the status bar stay docked along the edges.
        tlbData.Move(0, 0, W, tlbData.Height());
        staData.Move(0, H - staData.Height(), W, staData.Height());
        if (treDataHost.Width() >= W || treDataHost.Top() + m_lstLogs.Height() + staData.Height() >= H)
            return;
        mfgDataHost.setWidth(W - treDataHost.Width());
        mfgDataHost.setHeight(H - mfgDataHost.Top() - m_lstLogs.Height() - staData.Height());
        vsdGraphHost.setWidth(W - treDataHost.Width());
        vsdGraphHost.setHeight(H - vsdGraphHost.Top() - m_lstLogs.Height() - staData.Height());
        vspPrintHost.setWidth(W);
        vspPrintHost.setHeight(H - vspPrintHost.Top() - staData.Height());
        treDataHost.setHeight(H - treDataHost.Top() - m_lstLogs.Height() - staData.Height());
        m_lstLogs.setTop(H - m_lstLogs.Height() - staData.Height());
        m_lstLogs.setWidth(W - 2 * m_lstLogs.Left());
    } catch (const std::exception &) {
    }
}

void frmData::showTable(bool table)
{
    mfgDataHost.setVisible(table);
    vsdGraphHost.setVisible(!table);
}

// ---- Menus and toolbar ----------------------------------------------------

void frmData::mnuFile_Click(int Index)
{
    switch (Index) {
    case 0:
        openDataSet(false);
        step([this] {
            if (m_logs)
                m_logs->read(&m_lstLogs);
        });
        try {
            TreeNode().mkNodeInit(m_treData, this);
        } catch (const platform::RuntimeError &e) {
            MsgBox(e.Description(), vbOKOnly + vbCritical, appTitle);
        }
        afterTreeRebuilt();
        break;
    case 2:
        saveDataSet();
        break;
    case 8:
        printPreview();
        break;
    case 9:
        printDocument();
        break;
    case 11:
        Unload();
        break;
    default:
        // Separators, the submenu parents and indexes of 12 and above.
        break;
    }
}

void frmData::mnuFileOut_Click(int Index)
{
    if (Index == 0)
        writeCsvFile();
    else if (Index == 1)
        writePdfFile();
}

void frmData::mnuFileInput_Click(int Index)
{
    if (Index != 0)
        return;
    const unsigned rebuilds = m_treeRebuilds;
    importCsvFile();
    // Only a rebuilt tree loses its current node: the imported customer's
    // node takes its place, so that table and graph show what is selected.
    if (m_treeRebuilds != rebuilds)
        selectNode(customerKey(m_importedCustomer));
}

QString frmData::customerKey(const QString &customer)
{
    return customer.isEmpty() ? QString() : QStringLiteral("\\dDB.tran\\") + customer;
}

void frmData::mnuEdit_Click(int Index)
{
    switch (Index) {
    case 0:
        m_dataChanged = true;
        newCustomerCommand();
        break;
    case 1:
        m_dataChanged = true;
        StartLabelEdit();
        break;
    case 4:
        m_dataChanged = true;
        deleteNodeData();
        break;
    default:
        break;
    }
}

void frmData::mnuTerm_Click(int Index)
{
    if (Index == 0)
        readInfoData();
}

void frmData::mnuSet_Click(int Index)
{
    switch (Index) {
    case 0:
        dialogs().showClock(this);
        break;
    case 1:
        dialogs().showSerialSetUp(this);
        break;
    case 2: {
        dialogs().graphSettings(this);
        const int scale = dialogs().scaleWeight();
        const int kind = dialogs().outvalue();
        const int style = dialogs().outStyle();
        if (scale != graphScale || kind != graphValueKind || style != graphStyle) {
            graphScale = scale;
            graphValueKind = kind;
            graphStyle = style;
            redrawGraph();
        }
        break;
    }
    default:
        break;
    }
}

void frmData::mnuPop_Click(int Index)
{
    switch (Index) {
    case 0:
        readInfoData();
        break;
    case 4:
        newCustomerCommand();
        m_dataChanged = true;
        break;
    case 5:
        StartLabelEdit();
        break;
    case 7:
        deleteNodeData();
        break;
    default:
        break;
    }
}

void frmData::mnuPopOut_Click(int Index)
{
    mnuFileOut_Click(Index);
}

void frmData::mnuPopGraph_Click(int Index)
{
    if (Index != 0 && Index != 1)
        return;
    graphStyle = Index;
    redrawGraph();
}

void frmData::mnuPopScale_Click(int Index)
{
    if (Index < 0 || Index > 8)
        return;
    try {
        graphScale = dialogs().getScaleWeight(Index);
    } catch (const std::exception &) {
        return;
    }
    redrawGraph();
}

void frmData::tlbData_ButtonClick(ToolbarButton *Button)
{
    if (Button)
        tlbData_ButtonClickKey(Button->Key());
}

void frmData::tlbData_ButtonClickKey(const QString &key)
{
    const int bar = key.indexOf(u'|');
    if (bar < 0)
        return;
    const QString menu = key.left(bar);
    bool ok = false;
    const int index = key.mid(bar + 1).toInt(&ok);
    if (!ok)
        return;
    if (menu == QLatin1String("mnuFile"))
        mnuFile_Click(index);
    else if (menu == QLatin1String("mnuTerm"))
        mnuTerm_Click(index);
    else if (menu == QLatin1String("mnuSet"))
        mnuSet_Click(index);
}

void frmData::cmdPreBack_Click()
{
    vspPrintHost.setVisible(false);
    vspPrintHost.setEnabled(false);
    for (int i : mnuFile.indexes())
        if (mnuFile(i).Caption() == QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"))
            mnuFile(i).setChecked(false);
    setMenusByLevel();
}

void frmData::zonumDemand_InvalidValue()
{
    MsgBox(QStringLiteral("ﾃﾞﾏﾝﾄﾞの有効値は１～９９９です。"), vbOKOnly + vbExclamation, appTitle);
    zonumDemand.setValue(0);
}

void frmData::zonumDemand_KeyDown(int &KeyCode, int Shift)
{
    (void)Shift;
    if (KeyCode != vbKeyReturn)
        return;
    const double v = zonumDemand.Value();
    if (v > 999 || v < 0) {
        zonumDemand_InvalidValue();
        return;
    }
    try {
        if (demandData)
            demandData->setDispData(m_mfgData, currentNodePath(), threshold());
    } catch (const std::exception &) {
    }
    redrawGraph();
}

void frmData::optDispStyle_Click(int Index)
{
    (void)Index;
    showTable(optDispStyle(0).Value());
}

// ---- Data set -------------------------------------------------------------

void frmData::openDataSet(bool startUp)
{
    talvik::openDataSet(*this, startUp);
}

bool frmData::saveDataSet()
{
    return talvik::saveDataSet(*this);
}

} // namespace talvik
