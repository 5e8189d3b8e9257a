// The service-mode data window: the start-up import through the number
// dialog, the end of the program, the 7-column table with counts, the pop-up
// indexes and menu states, the analysis sort, the annotated graph and the
// jump from a bar to its row.
#include "serviceFixture.h"

#include "platform/forms/constants.h"
#include "platform/forms/flexgrid.h"
#include "platform/print/drawsurface.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview_service/clsGraphSrv.h"
#include "talvik/settings/frmImportCustomSrv.h"
#include "talvik/store/demandTable.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/dataview/clsGraph.h"
#include "platform/print/displaylist.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QTest>

using namespace srvtest;
using namespace platform::forms;

namespace {

const QString kCust = QStringLiteral("\\dDB.tran\\123456789");
const QString kYear = QStringLiteral("\\dDB.tran\\123456789\\2024年");
const QString kJan = QStringLiteral("\\dDB.tran\\123456789\\2024年::2401");
const QString kJan5 = QStringLiteral("\\dDB.tran\\123456789\\2024年::240105");

const QStringList kHeader = {"監視年月日", "開始時間", "終了時間", "デマンド値［kW］", "注意件数", "限界件数", "取得日時"};

} // namespace

class ServiceImport : public ServiceWindowTest {
protected:
    // Service mode, the input, the number confirmed: the window is loaded.
    void startImported()
    {
        talvik::srvMode = true;
        makeInput();
        answerNumberDialog(kCustomer);
        loadWindow();
        ASSERT_TRUE(w->isLoaded());
    }
};

TEST_F(ServiceImport, ConfirmedNumberImportsFileWithCountsAndLeavesWindowOpen)
{
    startImported();
    EXPECT_EQ(programEnds, 0);
    EXPECT_EQ(w->Caption(), QStringLiteral("情報データ"));
    EXPECT_EQ(talvik::srvCustomer, kCustomer);
    EXPECT_TRUE(w->dataChanged());
    // Customer, year, month and day in the tree.
    EXPECT_TRUE(w->treData().Exists(kCust));
    EXPECT_TRUE(w->treData().Exists(kYear));
    EXPECT_TRUE(logTexts().value(0).startsWith(QStringLiteral("情報データ読み込み("))) << logTexts().value(0).toStdString();
    EXPECT_TRUE(logTexts().contains(QStringLiteral("お客さま名の新規作成　「123456789」")));
    // The current folder is the Desktop after the import.
    EXPECT_EQ(QDir::currentPath(), QDir(platform::shell::desktopFolder()).absolutePath());

    clickNode(kYear);
    EXPECT_EQ(w->currentKey, kYear);
    auto &g = w->mfgData();
    ASSERT_EQ(g.Cols(), 7);
    ASSERT_EQ(g.Rows(), 5);
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(g.TextMatrix(0, c), kHeader[c]);
    // 2024-01-05 is a Friday, 2024-02-10 a Saturday.
    EXPECT_EQ(g.TextMatrix(1, 0), QStringLiteral("2024年01月05日(金)"));
    EXPECT_EQ(g.TextMatrix(4, 0), QStringLiteral("2024年02月10日(土)"));
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("10時00分"));
    EXPECT_EQ(g.TextMatrix(1, 2), QStringLiteral("10時30分"));
    EXPECT_EQ(g.TextMatrix(1, 3), QStringLiteral("12.3"));
    EXPECT_EQ(g.TextMatrix(1, 4), QStringLiteral("3"));
    EXPECT_EQ(g.TextMatrix(1, 5), QStringLiteral("1"));
    EXPECT_EQ(g.TextMatrix(2, 4), QStringLiteral("12"));
    EXPECT_EQ(g.TextMatrix(4, 4), QStringLiteral("7"));
    // The count file's "-" for a half hour is shown as "-".
    EXPECT_EQ(g.TextMatrix(3, 4), QStringLiteral("-"));
    EXPECT_EQ(g.TextMatrix(3, 5), QStringLiteral("-"));
}

TEST_F(ServiceImport, CancelledNumberEndsTheProgramBeforeTheWindowShows)
{
    talvik::srvMode = true;
    makeInput();
    answerNumberDialog(QString(), false);
    loadWindow();
    EXPECT_EQ(programEnds, 1);
    EXPECT_FALSE(w->isLoaded());
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/123456789")));
    EXPECT_EQ(QDir::currentPath(), QDir(platform::shell::desktopFolder()).absolutePath());
    // The log was written by the unload.
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/download.log")));
    EXPECT_TRUE(prompts().isEmpty());
}

TEST_F(ServiceImport, NumberDialogRefusesWrongNumbersAndAMissingFile)
{
    talvik::srvMode = true;
    makeInput();
    // Each refusal is a message box; the dialog stays up for the next try.
    const QStringList tries = {QStringLiteral("12345678"), QStringLiteral("12345678a"),
                               QStringLiteral("１２３４５６７８９"), QStringLiteral("987654321")};
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(waitFor([this] { return numberDialog->isModal(); }, 5000));
        auto *edit = qobject_cast<QLineEdit *>(numberDialog->TxtNum.widget());
        ASSERT_NE(edit, nullptr);
        for (const QString &t : tries) {
            script->answerNext(vbOK);
            edit->clear();
            // ASCII typed key by key; full-width digits arrive committed by
            // the input method.
            if (t.at(0).unicode() < 0x80) {
                QTest::keyClicks(edit, t);
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(t);
                QCoreApplication::sendEvent(edit, &commit);
            }
            EXPECT_EQ(edit->text(), t);
            QTest::mouseClick(numberDialog->cmdOK.widget(), Qt::LeftButton);
        }
        QTest::mouseClick(numberDialog->cmdCancel.widget(), Qt::LeftButton);
    });
    loadWindow();
    EXPECT_EQ(prompts(), (QStringList{QStringLiteral("お客さま番号（9桁固定）の文字数が正しくありません"),
                                      QStringLiteral("お客さま番号に入力されている数値が正しくありません"),
                                      QStringLiteral("お客さま番号に入力されている数値が正しくありません"),
                                      QStringLiteral("デマンド情報が見つかりません\r\n") + path(QStringLiteral("input")) +
                                          QStringLiteral("/987654321/987654321.csv")}));
    EXPECT_EQ(programEnds, 1);
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/987654321")));
}

TEST_F(ServiceImport, CustomerFilesNamedInAnotherLetterCaseAreFound)
{
    // The files as a Windows system writes them: upper-case names.
    talvik::srvMode = true;
    makeInput();
    const QString folder = QStringLiteral("input/") + kCustomer + u'/';
    ASSERT_TRUE(QFile::rename(path(folder + kCustomer + QStringLiteral(".csv")),
                              path(folder + kCustomer + QStringLiteral(".CSV"))));
    ASSERT_TRUE(QFile::rename(path(folder + kCustomer + QStringLiteral("as.csv")),
                              path(folder + kCustomer + QStringLiteral("AS.CSV"))));
    answerNumberDialog(kCustomer);
    loadWindow();
    ASSERT_TRUE(w->isLoaded());
    EXPECT_TRUE(prompts().isEmpty()) << prompts().join(u'|').toStdString();
    EXPECT_EQ(programEnds, 0);
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran/123456789/2024年/demand.csv")).count("\r\n"), 4);
    clickNode(kYear);
    ASSERT_EQ(w->mfgData().Rows(), 5);
    EXPECT_EQ(w->mfgData().TextMatrix(1, 4), QStringLiteral("3"));
    EXPECT_EQ(w->mfgData().TextMatrix(2, 4), QStringLiteral("12"));
}

TEST_F(ServiceImport, ABadInputFileStoresNothingAndSaysSo)
{
    talvik::srvMode = true;
    makeInput();
    writeFile(QStringLiteral("input/123456789/123456789.csv"), "20240105,1000,0123\n20240105,1030,0456,9\n");
    script->answerNext(vbOK);
    answerNumberDialog(kCustomer);
    loadWindow();
    ASSERT_TRUE(w->isLoaded());
    EXPECT_EQ(prompts(), QStringList{QStringLiteral("ＣＳＶファイルを読み込めません。\rファイル内容が正しいことを確認して下さい。")});
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/123456789/2024年/demand.csv")));
}

TEST_F(ServiceImport, ClosingInServiceModeAsksNothingAndEndsTheProgram)
{
    startImported();
    ASSERT_TRUE(w->dataChanged());
    w->mnuFile(11).action()->trigger();
    EXPECT_FALSE(w->isLoaded());
    EXPECT_EQ(programEnds, 1);
    EXPECT_TRUE(prompts().isEmpty());
    EXPECT_TRUE(readFile(QStringLiteral("dDB.tran/download.log")).contains("123456789"));
}

TEST_F(ServiceImport, PopupIndexesAndMenuStatesByLevel)
{
    startImported();
    const QStringList pop = {"分析", "-", "情報ﾃﾞｰﾀの読み出し", "-", "ﾌｧｲﾙ出力", "-", "お客さま名の新規作成",
                             "お客さま名の変更", "-", "削除"};
    ASSERT_EQ(w->mnuPop.indexes().size(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(w->mnuPop(i).Caption(), pop[i]) << i;
    EXPECT_EQ(w->mnuPopAnalyze(0).Caption(), QStringLiteral("元の表示順に戻す"));
    EXPECT_EQ(w->mnuPopAnalyze(2).Caption(), QStringLiteral("限界件数順の表示"));
    EXPECT_EQ(w->mnuPopOut(0).action()->parent() != nullptr, true);
    EXPECT_EQ(w->tlbData.Buttons(QStringLiteral("mnuSet|1")).ToolTipText(), QStringLiteral("ｼﾘｱﾙ通信設定"));

    EXPECT_FALSE(menuEnabled(w->mnuPop, QStringLiteral("分析")));
    clickNode(kCust);
    EXPECT_FALSE(menuEnabled(w->mnuPop, QStringLiteral("分析")));
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("お客さま名の変更")));
    clickNode(kYear);
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("分析")));
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("ﾌｧｲﾙ出力")));
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("削除")));
    EXPECT_FALSE(menuEnabled(w->mnuPop, QStringLiteral("お客さま名の変更")));
    clickNode(kYear);
    clickNode(kJan);
    clickNode(kJan5);
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("分析")));
    EXPECT_FALSE(menuEnabled(w->mnuPop, QStringLiteral("削除")));
}

TEST_F(ServiceImport, PopupCommandsActByTheirServiceIndexes)
{
    startImported();
    clickNode(kCust);
    // 6: new customer, marks the store changed.
    w->setDataChanged(false);
    w->mnuPop(6).action()->trigger();
    EXPECT_EQ(dialogs.calls, QStringList{QStringLiteral("newCustom")});
    EXPECT_TRUE(w->dataChanged());
    // 9: delete of the selected year, with its question and log line.
    clickNode(kYear);
    script->answerNext(vbOK);
    w->mnuPop(9).action()->trigger();
    EXPECT_EQ(prompts().value(0), QStringLiteral("「123456789 2024年」のデータ削除します。よろしいですか？"));
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/123456789/2024年")));
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/123456789")));
    EXPECT_EQ(logTexts().value(0), QStringLiteral("年間データの削除　　　「123456789 2024年」"));
    // 2: the device read without a device: the model message, and the data
    // root is kept (the menu command resets it to the program folder).
    const QString root = talvik::dataFolder;
    script->answerNext(vbOK);
    w->mnuPop(2).action()->trigger();
    EXPECT_EQ(prompts().value(1), QStringLiteral("電源、接続及び通信設定を確認してください。"));
    EXPECT_EQ(talvik::dataFolder, root);
    script->answerNext(vbOK);
    w->mnuTerm(0).action()->trigger();
    EXPECT_EQ(talvik::dataFolder, platform::shell::programFolder());
}

TEST_F(ServiceImport, AnalysisSortsByCountsAndBack)
{
    startImported();
    clickNode(kYear);
    // From the graph: the analysis shows the table first.
    w->optDispStyle(1).setValue(true);
    w->optDispStyle_Click(1);
    ASSERT_FALSE(w->mfgDataHost.Visible());
    w->mnuPopAnalyze(1).action()->trigger();
    EXPECT_TRUE(w->mfgDataHost.Visible());
    EXPECT_TRUE(w->optDispStyle(0).Value());
    auto &g = w->mfgData();
    EXPECT_EQ(g.Cols(), 7);
    EXPECT_EQ(g.Rows(), 5);
    EXPECT_TRUE(g.Redraw());
    QStringList caution;
    for (int r = 1; r < g.Rows(); ++r)
        caution << g.TextMatrix(r, 4) + u'@' + g.TextMatrix(r, 1);
    EXPECT_EQ(caution, (QStringList{"12@10時30分", "7@09時00分", "3@10時00分", "-@11時00分"}));
    // Limit counts: 4, 1, then 0 (the later date first) and "-".
    w->mnuPopAnalyze(2).action()->trigger();
    QStringList limit;
    for (int r = 1; r < g.Rows(); ++r)
        limit << g.TextMatrix(r, 5) + u'@' + g.TextMatrix(r, 0).left(11);
    EXPECT_EQ(limit, (QStringList{"4@2024年01月05日", "1@2024年01月05日", "0@2024年02月10日", "-@2024年01月05日"}));
    // Back to date and time order, the store's order.
    w->mnuPopAnalyze(0).action()->trigger();
    QStringList order;
    for (int r = 1; r < g.Rows(); ++r)
        order << g.TextMatrix(r, 1);
    EXPECT_EQ(order, (QStringList{"10時00分", "10時30分", "11時00分", "09時00分"}));
    EXPECT_EQ(g.TextMatrix(0, 4), QStringLiteral("注意件数"));
}

TEST_F(ServiceImport, TiesSortByLatestDateThenLatestTime)
{
    talvik::srvMode = true;
    writeFile(QStringLiteral("input/123456789/123456789.csv"),
              "20240105,1000,0100\r\n20240105,1030,0100\r\n20240106,0900,0100\r\n20240104,2330,0100\r\n");
    writeFile(QStringLiteral("input/123456789/123456789as.csv"),
              "20240105,1000,2,0\r\n20240105,1030,2,0\r\n20240106,0900,2,0\r\n20240104,2330,5,0\r\n");
    answerNumberDialog(kCustomer);
    loadWindow();
    clickNode(kYear);
    w->mnuPopAnalyze(1).action()->trigger();
    auto &g = w->mfgData();
    QStringList order;
    for (int r = 1; r < g.Rows(); ++r)
        order << g.TextMatrix(r, 0).mid(8, 2) + g.TextMatrix(r, 1).left(5);
    EXPECT_EQ(order, (QStringList{"0423時30", "0609時00", "0510時30", "0510時00"}));
}

TEST_F(ServiceImport, AnalysisOfAnEmptiedTableOnlyShowsTheTable)
{
    startImported();
    clickNode(kYear);
    auto &g = w->mfgData();
    // As the end of a device read empties it (the fixed row stays).
    g.Clear();
    g.setRows(1);
    EXPECT_ANY_THROW(g.setRows(0));
    w->optDispStyle(1).setValue(true);
    w->optDispStyle_Click(1);
    for (int i = 0; i < 3; ++i)
        w->mnuPopAnalyze(i).action()->trigger();
    EXPECT_TRUE(w->mfgDataHost.Visible());
    EXPECT_EQ(g.Rows(), 1);
    EXPECT_EQ(g.Cols(), 7);
    EXPECT_TRUE(g.Redraw());
}

TEST_F(ServiceImport, GraphCarriesAnnotationsInItsToolTip)
{
    startImported();
    clickNode(kYear);
    clickNode(kJan);
    clickNode(kJan5);
    w->optDispStyle(1).setValue(true);
    w->optDispStyle_Click(1);
    QCoreApplication::processEvents();
    ASSERT_TRUE(w->vsdGraphHost.Visible());
    // 10:00 is slot 21 (x 4000..4200), 12.3 kW of 100 kW.
    moveOverGraph(4100, 500);
    EXPECT_EQ(w->vsdGraph.ToolTipText(), QStringLiteral("12.3 kW, 注意：3, 限界：1"));
    moveOverGraph(4500, 300);
    EXPECT_EQ(w->vsdGraph.ToolTipText(), QStringLiteral("7.8 kW, 注意：-, 限界：-"));
    moveOverGraph(100, 300);
    EXPECT_EQ(w->vsdGraph.ToolTipText(), QString());
}

TEST_F(ServiceImport, DayBarClickSelectsTheRowAcrossAllColumns)
{
    startImported();
    clickNode(kYear);
    clickNode(kJan);
    clickNode(kJan5);
    w->optDispStyle(1).setValue(true);
    w->optDispStyle_Click(1);
    QCoreApplication::processEvents();
    QWidget *surface = &w->vsdGraph;
    const QPoint p = graphPoint(4300, 1000); // 10:30, 45.6 kW
    moveOverGraph(4300, 1000);
    QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_TRUE(waitFor([this] { return w->mfgDataHost.Visible(); }, 3000));
    auto &g = w->mfgData();
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.RowSel(), 2);
    EXPECT_EQ(g.Col(), 0);
    EXPECT_EQ(g.ColSel(), 6);
}

TEST_F(ServiceImport, MonthGraphPlacesDaysBySlotAndRightButtonOffersScales)
{
    startImported();
    clickNode(kYear);
    clickNode(kJan);
    w->optDispStyle(1).setValue(true);
    w->optDispStyle_Click(1);
    QCoreApplication::processEvents();
    // The only day is the 5th: slot 5 (x 1240..1550); maximum 45.6 kW.
    QWidget *surface = &w->vsdGraph;
    moveOverGraph(1400, 1000);
    EXPECT_EQ(w->vsdGraph.ToolTipText(), QStringLiteral("45.6 kW, 注意：12, 限界：4"));
    moveOverGraph(150, 1000);
    EXPECT_EQ(w->vsdGraph.ToolTipText(), QString());
    QTest::mouseClick(surface, Qt::RightButton, Qt::NoModifier, graphPoint(1400, 1000));
    EXPECT_TRUE(waitFor([this] { return w->lastPopupMenu() == &w->mnuPopScaleRoot; }, 3000));
    EXPECT_TRUE(w->mnuPopScale(2).Checked());
    w->mnuPopScale(0).action()->trigger();
    EXPECT_EQ(w->GraphZoom(), 50);
}

TEST_F(ServiceImport, AverageGraphCountsOnlyHalfHoursWithCountsAndModesBeyondOneAverage)
{
    startImported();
    dialogs.value = 2; // not 0 or 1: drawn as average
    dialogs.onGraphSettings = [] {};
    w->mnuSet(2).action()->trigger();
    clickNode(kYear);
    w->optDispStyle(1).setValue(true);
    w->optDispStyle_Click(1);
    QCoreApplication::processEvents();
    // January: (3 + 12) / 2 and (1 + 4) / 2, the 11:00 half hour (no
    // counts) left out, rounded as Format rounds.
    const auto &bars = w->demandGraph->bars();
    ASSERT_EQ(bars.size(), 12u);
    EXPECT_EQ(bars[0].annotation, QStringLiteral("注意：8, 限界：3"));
    EXPECT_EQ(bars[0].value, QStringLiteral("0219")); // (123 + 456 + 78) / 3
    EXPECT_EQ(bars[1].annotation, QStringLiteral("注意：7, 限界：0"));
    // The value axis says average.
    QStringList texts;
    for (const auto &item : w->vsdGraph.displayList().items)
        if (item.kind == platform::print::DrawKind::Text)
            texts << item.text;
    EXPECT_TRUE(texts.contains(QStringLiteral("平"))) << texts.join(u' ').toStdString();
}

TEST_F(ServiceImport, ATableOfTheOrdinaryWindowShowsDashesAndNeverFails)
{
    startImported();
    // A year written by the ordinary data window: four columns.
    writeFile(QStringLiteral("dDB.tran/123456789/2023年/schema.ini"), talvik::schemaText(false));
    writeFile(QStringLiteral("dDB.tran/123456789/2023年/demand.csv"), "23122412000300202402011200\r\n");
    w->TreeNode().mkNodeInit(w->treData(), w.get());
    w->afterTreeRebuilt();
    clickNode(QStringLiteral("\\dDB.tran\\123456789\\2023年"));
    EXPECT_TRUE(prompts().isEmpty()) << prompts().join(u'/').toStdString();
    auto &g = w->mfgData();
    ASSERT_EQ(g.Rows(), 2);
    ASSERT_EQ(g.Cols(), 7);
    EXPECT_EQ(g.TextMatrix(1, 3), QStringLiteral("30.0"));
    EXPECT_EQ(g.TextMatrix(1, 4), QStringLiteral("-"));
    EXPECT_EQ(g.TextMatrix(1, 5), QStringLiteral("-"));
    ASSERT_EQ(w->demandGraph->bars().size(), 12u);
    EXPECT_EQ(w->demandGraph->bars()[11].annotation, QStringLiteral("注意：-, 限界：-"));
}

TEST_F(ServiceImport, Screenshots)
{
    startImported();
    w->widget()->resize(1100, 700);
    clickNode(kYear);
    QCoreApplication::processEvents();
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS", QDir::tempPath());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->widget()->grab().save(dir + QStringLiteral("/service_table.png")));
    clickNode(kJan);
    clickNode(kJan5);
    w->optDispStyle(1).setValue(true);
    w->optDispStyle_Click(1);
    QCoreApplication::processEvents();
    moveOverGraph(4300, 1000);
    EXPECT_EQ(w->vsdGraph.ToolTipText(), QStringLiteral("45.6 kW, 注意：12, 限界：4"));
    EXPECT_TRUE(w->widget()->grab().save(dir + QStringLiteral("/service_graph.png")));
}
