#pragma once
// The data window: customer tree, demand table or graph of the selected node,
// operation log, toolbar with the display-style switch and the demand
// threshold, status bar. Runs the demand read from the device, the data-set,
// CSV, print and PDF commands and the customer management.
//
// The operations are spread over several files of the same class:
//   frmData.cpp        frame, menus and toolbar, load and unload
//   frmData_tree.cpp   tree navigation, menu states, customer management
//   frmData_read.cpp   demand read from the device
//   frmData_graph.cpp  graph interaction and the mouse-wheel ladder
//   frmData_print.cpp  report, preview, print and PDF
//   frmData_csv.cpp    CSV export and import
// The data-set operations (open and save a ".dmd") are shared with the
// service-mode window (talvik/dataview/dataSet.h).
#include "platform/forms/commondialog.h"
#include "platform/forms/controls.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/imagelist.h"
#include "platform/forms/menus.h"
#include "platform/forms/sibling_inputs.h"
#include "platform/forms/statusbar.h"
#include "platform/forms/toolbar.h"
#include "platform/forms/treeview.h"
#include "platform/print/drawsurface.h"
#include "platform/print/pdfconverter.h"
#include "platform/print/reportprinter.h"
#include "talvik/dataview/dataSet.h"
#include "talvik/dataview/hostedWidget.h"
#include "talvik/link/protocolRecord.h"
#include "talvik/store/dataWindow.h"

#include <QPointer>
#include <QString>

#include <memory>

namespace talvik {

class clsTreeNode;
class clsDataD;
class clsDataC;
class clsGraph;
class clsLogs;
class clsProtocolController;

// The dialogs the data window opens (the customer chooser of the reader, the
// customer dialog of a detector, the new-customer dialog, the graph options).
// The program uses the settings windows; tests put doubles in.
class IDataWindowDialogs {
public:
    virtual ~IDataWindowDialogs() = default;
    // frmSelDelete with the list set as its `customer`, shown modally; its
    // Status (True: closed with OK, every entry's isDel set).
    virtual bool selectDeleteCustomers(platform::forms::Form *owner, clsDataC &list) = 0;
    // frmImportCustom with `Custom` and `AddCustom` preset, shown modally;
    // its Status, and on True the chosen customer in custom.
    virtual bool importCustom(platform::forms::Form *owner, QString &custom, const QString &addCustom) = 0;
    // frmNewCustom shown modally (it creates the folder, rebuilds the tree and
    // logs the line itself).
    virtual void newCustom(platform::forms::Form *owner) = 0;
    // frmGraphSet shown modally.
    virtual void graphSettings(platform::forms::Form *owner) = 0;
    // The options of frmGraphSet as they now stand.
    virtual int scaleWeight() = 0;
    virtual int outvalue() = 0;
    virtual int outStyle() = 0;
    virtual int getScaleWeight(int index) = 0;
    virtual int getScaleIndexByWeight(int kW) = 0;
    // The clock window (modeless, owned) and the serial settings (modal).
    virtual void showClock(platform::forms::Form *owner) = 0;
    virtual void showSerialSetUp(platform::forms::Form *owner) = 0;
};

// The dialogs of the program (the settings windows through the program-wide
// variables). Says plainly when a window is not available.
IDataWindowDialogs &programDialogs();

// The graph scale ladder of the mouse wheel, in kW.
inline constexpr int kGraphScaleLadder[] = {50, 75, 100, 150, 200, 300, 500, 750, 1000};

// One rung of the ladder: up (towards 1000) when up is true, else down. A
// value at the end of the ladder or not on it comes back unchanged.
int graphScaleStep(int z, bool up);

// The wheel hook shared by both data windows: a wheel turn of delta units
// (positive: turned away from the user) over the graph of the window. One
// rung per 120 units, smaller turns add up; a zero delta does nothing.
// Turned towards the user the scale rises. A changed scale is written through
// GraphZoom, which redraws; a turn that arrives while a redraw runs is ignored.
void graphWheelProc(IDataWindow *window, int delta);

// The shape of a data window's menus that is fixed when the window object is
// made: the number of tree pop-up items and the index of the pop-up's
// "ﾌｧｲﾙ出力", the parent of its CSV/PDF sub-menu.
struct DataWindowMenuLayout {
    int popItems = 8;
    int popOutIndex = 2;
};

// The printed demand table of a data window: column header, column format and
// the number of report columns (the running number included).
struct DataReportColumns {
    QString header;
    QString format;
    int columns = 0;
};

class frmData : public platform::forms::Form,
                public IDataWindow,
                public ITransactionOwner,
                public IDataSetHost {
    Q_OBJECT
public:
    explicit frmData(QObject *parent = nullptr, const DataWindowMenuLayout &layout = DataWindowMenuLayout());
    ~frmData() override;

private:
    // Before the menus: their sizes come from it.
    const DataWindowMenuLayout m_menuLayout;

public:

    // The dialogs this window opens; nullptr: the program's.
    void setDialogs(IDataWindowDialogs *dialogs) { m_dialogs = dialogs; }
    IDataWindowDialogs &dialogs() { return m_dialogs ? *m_dialogs : programDialogs(); }

    // IDataWindow
    clsTreeNode &TreeNode() override;
    platform::forms::TreeView &treData() override { return m_treData; }
    platform::forms::ListBox *lstLogs() override { return &m_lstLogs; }
    platform::forms::MSHFlexGrid &mfgData() override { return m_mfgData; }
    int TextWidth(const QString &text) override { return Form::TextWidth(text); }
    int GraphZoom() override;
    void setGraphZoom(int kW) override;
    void setRootMenus() override { setInitialMenus(); }
    platform::forms::Form *form() override { return this; }

    // ITransactionOwner
    platform::forms::Form *ownerForm() override { return this; }
    void addLog(const QString &text) override;

    // IDataSetHost (form() and lstLogs() as above)
    platform::forms::Form *mainWindow() override;
    platform::forms::CommonDialog &cdlCSVFile() override { return m_cdlCSVFile; }
    clsLogs *windowLogs() override { return m_logs.get(); }
    // The working data differs from the last saved data set; drives the save
    // question at closing.
    bool dataChanged() const override { return m_dataChanged; }
    void setDataChanged(bool changed) override { m_dataChanged = changed; }

    // The window's own operation log (nullptr while the window is unloaded).
    clsLogs *logs() const { return m_logs.get(); }

    // ---- Menus (one click handler per menu array, by index) ----
    platform::forms::Menu mnuFileRoot{this, QStringLiteral("mnuFileRoot")};
    platform::forms::ControlArray<platform::forms::Menu> mnuFile{this, QStringLiteral("mnuFile"), 12, &mnuFileRoot};
    platform::forms::ControlArray<platform::forms::Menu> mnuFileOut{this, QStringLiteral("mnuFileOut"), 2, &mnuFile(4)};
    platform::forms::ControlArray<platform::forms::Menu> mnuFileInput{this, QStringLiteral("mnuFileInput"), 1, &mnuFile(6)};
    platform::forms::Menu mnuEditRoot{this, QStringLiteral("mnuEditRoot")};
    platform::forms::ControlArray<platform::forms::Menu> mnuEdit{this, QStringLiteral("mnuEdit"), {0, 1, 3, 4}, &mnuEditRoot};
    platform::forms::Menu mnuTermRoot{this, QStringLiteral("mnuTermRoot")};
    platform::forms::ControlArray<platform::forms::Menu> mnuTerm{this, QStringLiteral("mnuTerm"), 1, &mnuTermRoot};
    platform::forms::Menu mnuSetRoot{this, QStringLiteral("mnuSetRoot")};
    platform::forms::ControlArray<platform::forms::Menu> mnuSet{this, QStringLiteral("mnuSet"), 3, &mnuSetRoot};
    platform::forms::Menu mnuPopRoot{this, QStringLiteral("mnuPopRoot")};
    platform::forms::ControlArray<platform::forms::Menu> mnuPop{this, QStringLiteral("mnuPop"), m_menuLayout.popItems, &mnuPopRoot};
    platform::forms::ControlArray<platform::forms::Menu> mnuPopOut{this, QStringLiteral("mnuPopOut"), 2, &mnuPop(m_menuLayout.popOutIndex)};
    platform::forms::Menu mnuPopGraphRoot{this, QStringLiteral("mnuPopGraphRoot")};
    platform::forms::ControlArray<platform::forms::Menu> mnuPopGraph{this, QStringLiteral("mnuPopGraph"), 2, &mnuPopGraphRoot};
    platform::forms::Menu mnuPopScaleRoot{this, QStringLiteral("mnuPopScaleRoot")};
    platform::forms::ControlArray<platform::forms::Menu> mnuPopScale{this, QStringLiteral("mnuPopScale"), 9, &mnuPopScaleRoot};

    // ---- Controls ----
    platform::forms::ImageList imgList{this, QStringLiteral("imgList")};
    platform::forms::ImageList imgList2{this, QStringLiteral("imgList2")};
    platform::forms::Toolbar tlbData{this, QStringLiteral("tlbData")};
    platform::forms::ControlArray<platform::forms::OptionButton> optDispStyle{this, QStringLiteral("optDispStyle"), 2, &tlbData};
    platform::forms::CommandButton cmdPreBack{this, QStringLiteral("cmdPreBack"), &tlbData};
    platform::forms::TextBox txtDemandLabel{this, QStringLiteral("txtDemandLabel"), &tlbData};
    platform::forms::NumberInput zonumDemand{this, QStringLiteral("zonumDemand"), &tlbData};
    platform::forms::TextBox txtDemandUnit{this, QStringLiteral("txtDemandUnit"), &tlbData};
    platform::forms::StatusBar staData{this, QStringLiteral("staData")};
    platform::print::PdfConverter pdfFileOut;

    // The drawing surface of the graph and the print/preview control. Both
    // live as long as the window object; hosted in the window while loaded.
    platform::print::DrawSurface vsdGraph;
    platform::print::ReportPrinter vspPrint;

    // Places of the tree, grid, graph and preview on the window (their
    // Visible, position and size).
    HostedWidget treDataHost{this, QStringLiteral("treData")};
    HostedWidget mfgDataHost{this, QStringLiteral("mfgData")};
    HostedWidget vsdGraphHost{this, QStringLiteral("vsdGraph")};
    HostedWidget vspPrintHost{this, QStringLiteral("vspPrint")};

    // ---- Window state ----
    QString currentKey;       // tree key of the selected node; "" none
    int graphScale = 100;     // vertical-axis maximum of the graph in kW
    int graphStyle = 0;       // 0 bar graph, 1 line graph
    int graphValueKind = 0;   // 0 maximum, 1 average per graph slot
    int lastMouseButton = 0;  // button of the last mouse-down on the tree (2 right)
    double graphMouseX = 0;   // last mouse position over the graph (logical units)
    double graphMouseY = 0;

    std::unique_ptr<clsDataD> demandData;
    std::unique_ptr<clsDataC> customerList;
    std::unique_ptr<clsGraph> demandGraph;
    std::unique_ptr<clsProtocolController> m_Protocol;

    // The demand threshold of the input as an Integer (0 none).
    int threshold();
    // demandGraph.setGraphData with the window's settings for currentKey.
    void redrawGraph();
    // program folder & currentKey.
    QString currentNodePath() const;
    // After any rebuild of the tree: no current node, the root menu state.
    void afterTreeRebuilt();
    // Selects the node of key as a click does (its table, graph and menus),
    // without the pop-up; without such a node nothing is selected and table
    // and graph are emptied.
    void selectNode(const QString &key);
    // The tree key of a customer ("" for none).
    static QString customerKey(const QString &customer);
    // The new-customer command of the edit menu and of the tree's pop-up.
    void newCustomerCommand();

    // ---- What differs between the data windows ----
    // The demand record and the graph the window loads with.
    virtual std::unique_ptr<clsDataD> newDemandRecord();
    virtual std::unique_ptr<clsGraph> newDemandGraph();
    // The printed table's columns.
    virtual DataReportColumns reportColumns() const;
    // Last column selected when a day-graph bar selects its table row.
    virtual int dayRowLastColumn() const { return 3; }
    // At unload: whether the main window is enabled and shown again (a window
    // that ends the program leaves it as it is).
    virtual bool returnsToMainWindow() const { return true; }
    // The menu CSV import, after the customer was confirmed, just before the
    // chosen file is read.
    virtual void beforeCsvImportRead(const QString &path) { (void)path; }
    // The CSV export writes the date without a weekday the table shows.
    virtual bool csvExportDropsWeekday() const { return false; }
    // Further flags of the CSV and PDF save dialogs (the overwrite prompt).
    virtual int exportDialogExtraFlags() const { return 0; }

    // ---- Frame ----
    void mnuFile_Click(int Index);
    void mnuFileOut_Click(int Index);
    void mnuFileInput_Click(int Index);
    void mnuEdit_Click(int Index);
    virtual void mnuTerm_Click(int Index);
    void mnuSet_Click(int Index);
    virtual void mnuPop_Click(int Index);
    void mnuPopOut_Click(int Index);
    void mnuPopGraph_Click(int Index);
    void mnuPopScale_Click(int Index);
    // Splits the button's Key "menu|index" and runs that menu's handler.
    void tlbData_ButtonClick(platform::forms::ToolbarButton *Button);
    void tlbData_ButtonClickKey(const QString &key);
    void cmdPreBack_Click();
    void zonumDemand_KeyDown(int &KeyCode, int Shift);
    // The input refused what was typed: the range message, then 0.
    void zonumDemand_InvalidValue();
    void optDispStyle_Click(int Index);

    // ---- Data set (shared module) ----
    void openDataSet(bool startUp);
    bool saveDataSet();

    // ---- Report, print and PDF (frmData_print.cpp) ----
    void printHeader();
    void printBody();
    void writePdfFile();
    void printPreview();  // mnuFile (8): preview on or off
    void printDocument(); // mnuFile (9)

    // ---- CSV (frmData_csv.cpp) ----
    void writeCsvFile();
    void importCsvFile();
    // Reads a dedicated CSV into demandData and runs the store; false when
    // the file was refused or the store run failed (each says so itself).
    bool readCsvFile(const QString &path);

    // ---- Tree navigation, menu states, customer management ----
    void treData_NodeClick(platform::forms::Node *Node);
    void treData_MouseDown(int Button, int Shift, double x, double y);
    void treData_Expand(platform::forms::Node *Node);
    void treData_Collapse(platform::forms::Node *Node);
    // Label editing of the selected node (customer nodes only).
    void StartLabelEdit();
    // The edit has ended with newString; Cancel True restores the label.
    void treData_AfterLabelEdit(int &Cancel, const QString &newString);
    // Key of the node whose label is being edited; "" none.
    QString labelEditKey() const { return m_labelEditKey; }
    void setMenusByLevel();
    void setInitialMenus();
    void setCustomerMenus();
    void setYearMenus();
    void setMonthMenus();
    virtual void setDayMenus();
    void clearMenus();
    void setPreviewMenus();
    void syncToolbarButton(bool visible, platform::forms::Menu &menu);
    void deleteNodeData();

    // ---- Demand read ----
    void readInfoData();
    void checkModelAndRead();
    void startCustomerRead();
    void selectCustomers();
    void confirmCustomerName(const QString &number);
    // False when the customer's folder cannot be created (nothing sent).
    bool readCustomerData(const QString &customer);
    void m_Protocol_OnCustomer(bool ok);
    void m_Protocol_OnNext();
    void m_Protocol_OnEvent(const QString &msg);
    void m_Protocol_OnError(const QString &msg);
    void m_Protocol_OnTranEnd();
    // Reader: starts the next customer of the list; false at the list's end.
    bool readNextCustomer();
    // Reader: the end of the chain, reported like a detector's read.
    void endReaderChain();
    // Customers whose demand transfer ended in this chain of reads.
    int readCustomerCount() const { return m_readCount; }

    // ---- Graph interaction ----
    void vsdGraph_MouseMove(int Button, int Shift, double x, double y);
    void vsdGraph_Click();
    void vsdGraph_MouseDown(int Button, int Shift, double x, double y);
    void vsdGraph_MouseWheel(int delta, int Shift, double x, double y);
    void vspPrint_NewPage(int page);
    void vspPrint_DocumentEnded();

protected:
    void designForm() override;
    void Form_Load() override;
    void Form_QueryUnload(int &Cancel, int UnloadMode) override;
    void Form_Unload(int &Cancel) override;
    void Form_Resize() override;
    void Form_Activate() override;

private:
    void connectEvents();
    void designToolbar();
    void designMenus();
    void showTable(bool table);
    // Loads a node's months or days and fills table and graph for it.
    void nameViews();
    void showNodeData(platform::forms::Node *node);
    // Shows text as the refused-name message of a rename or a read.
    void refuseCustomerName(const QString &name, const QString &reason);
    void labelEdited(const QString &newText);

    platform::forms::TreeView m_treData;
    platform::forms::MSHFlexGrid m_mfgData;
    platform::forms::ListBox m_lstLogs{this, QStringLiteral("lstLogs")};
    platform::forms::CommonDialog m_cdlCSVFile;
    bool m_dataChanged = false;
    std::unique_ptr<clsTreeNode> m_TreeNode;
    std::unique_ptr<clsLogs> m_logs;
    IDataWindowDialogs *m_dialogs = nullptr;
    QString m_labelEditKey;
    QString m_labelEditOldText;
    bool m_labelEditing = false;
    // Rebuilds of the tree so far: a command that may rebuild it compares.
    unsigned m_treeRebuilds = 0;
    int m_readCount = 0;
    // The customer the last menu CSV import stored into; "" none.
    QString m_importedCustomer;
    bool m_readerChain = false;
    int m_graphButton = 1; // button of the last mouse-down on the graph
    bool m_eventsConnected = false;
};

} // namespace talvik
