#pragma once
// The service-mode data window: the data window with the caution and limit
// counts of the service store. Started with an argument, the program opens
// it instead of the data window; as the last step of its load it asks for a
// customer number and imports that customer's dedicated CSV file with its
// count file (cancel ends the program), and closing it ends the program.
// Its differences: the 7-column table, the "分析" pop-up with the count sorts,
// the pop-up indexes, the graph with annotations, the 8-column report, the
// device read from the program folder's count files, and the texts.
#include "talvik/dataview/frmData.h"

#include <functional>

namespace talvik {

class frmDataSrv : public frmData {
    Q_OBJECT
public:
    explicit frmDataSrv(QObject *parent = nullptr);
    ~frmDataSrv() override;

    // The sub-menu of the pop-up's "分析".
    platform::forms::ControlArray<platform::forms::Menu> mnuPopAnalyze{
        this, QStringLiteral("mnuPopAnalyze"), 3, &mnuPop(0)};

    // The start-up import: the number dialog, then the customer's file.
    // Cancel unloads the window (which ends the program in service mode).
    void importSrvCsvAndExit();
    // 0 date order, 1 caution count, 2 limit count (the table is shown first).
    void mnuPopAnalyze_Click(int Index);
    // Orders the rows by the count of column col (4 or 5), highest first,
    // ties by the latest date and start time.
    void sortGridByCount(int col);

    void mnuTerm_Click(int Index) override;
    void mnuPop_Click(int Index) override;
    void setDayMenus() override;

    // How the program ends when the window unloads in service mode; tests
    // put their own in. The default leaves the event loop with code 0.
    static void setProgramEnd(std::function<void()> end);

protected:
    void designForm() override;
    void Form_Load() override;
    void Form_QueryUnload(int &Cancel, int UnloadMode) override;
    void Form_Unload(int &Cancel) override;

    std::unique_ptr<clsDataD> newDemandRecord() override;
    std::unique_ptr<clsGraph> newDemandGraph() override;
    DataReportColumns reportColumns() const override;
    int dayRowLastColumn() const override { return 6; }
    bool returnsToMainWindow() const override;
    void beforeCsvImportRead(const QString &path) override;
    bool csvExportDropsWeekday() const override { return true; }
    // An existing file is replaced only after the overwrite question.
    int exportDialogExtraFlags() const override;
    QString saveProgressText(const QString &name) const override;
};

} // namespace talvik
