// The data window on a fixture store: load and unload, the save question,
// the log ownership, menus and toolbar per tree level, the table fill, the
// customer management and the threshold input.
#include "dataWindowFixture.h"

#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/store/clsTreeNode.h"

#include <QDir>
#include <QFileInfo>

#include <QTableView>
#include <QTreeWidgetItem>
#include <QWidget>

using namespace dwtest;
using namespace platform::forms;

namespace {

const QString kRoot = QStringLiteral("\\dDB.tran");
const QString kTokyo = QStringLiteral("\\dDB.tran\\東京工場");
const QString kTokyo2024 = QStringLiteral("\\dDB.tran\\東京工場\\2024年");
const QString kTokyoJan = QStringLiteral("\\dDB.tran\\東京工場\\2024年::2401");
const QString kTokyoJan5 = QStringLiteral("\\dDB.tran\\東京工場\\2024年::240105");
const QString kOsaka = QStringLiteral("\\dDB.tran\\大阪支店");

const QString kRefused = QStringLiteral("お客さま名として、\\　/　,　;　:　*　?　\"　<　>　| は使用できません。");

} // namespace

TEST_F(DataWindowTest, LoadBuildsTreeLogAndInitialState)
{
    makeStore();
    loadWindow();
    EXPECT_EQ(w->Caption(), QStringLiteral("情報データ"));
    // The working copy was rebuilt from the committed store.
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/東京工場/2024年/demand.csv")));
    auto &tree = w->treData();
    EXPECT_TRUE(tree.Exists(kRoot));
    EXPECT_TRUE(tree.Exists(kTokyo));
    EXPECT_TRUE(tree.Exists(kTokyo2024));
    EXPECT_TRUE(tree.Exists(QStringLiteral("\\dDB.tran\\東京工場\\2023年")));
    EXPECT_TRUE(tree.Exists(kOsaka));
    EXPECT_FALSE(tree.Exists(kTokyoJan)) << "months are loaded on a click";
    EXPECT_TRUE(w->currentKey.isEmpty());
    EXPECT_FALSE(w->dataChanged());
    // The window owns the program-wide log while it is loaded.
    ASSERT_NE(w->logs(), nullptr);
    EXPECT_EQ(talvik::appLogs, w->logs());
    EXPECT_EQ(logTexts(), QStringList{QStringLiteral("起動")});
    // Table view, graph options from the dialog.
    EXPECT_TRUE(w->mfgDataHost.Visible());
    EXPECT_FALSE(w->vsdGraphHost.Visible());
    EXPECT_FALSE(w->vspPrintHost.Visible());
    EXPECT_EQ(w->GraphZoom(), 100);
    // Initial menus: no data node.
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("開く")));
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("閉じる")));
    EXPECT_FALSE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
    EXPECT_FALSE(menuEnabled(w->mnuFile, QStringLiteral("ﾌｧｲﾙ出力")));
    EXPECT_TRUE(menuEnabled(w->mnuEdit, QStringLiteral("お客さま名の新規作成")));
    EXPECT_FALSE(menuEnabled(w->mnuEdit, QStringLiteral("削除")));
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("情報ﾃﾞｰﾀの読み出し")));
    EXPECT_TRUE(w->mnuEditRoot.Visible());
    EXPECT_FALSE(w->mnuPopRoot.Visible());
    EXPECT_FALSE(w->cmdPreBack.Visible());
    for (const char *key : {"mnuFile|0", "mnuFile|2", "mnuTerm|0", "mnuSet|0", "mnuSet|1", "mnuSet|2"})
        EXPECT_TRUE(buttonVisible(QString::fromLatin1(key))) << key;
    EXPECT_FALSE(buttonVisible(QStringLiteral("mnuFile|8")));
    EXPECT_FALSE(buttonVisible(QStringLiteral("mnuFile|9")));
}

TEST_F(DataWindowTest, MenusToolbarAndTablePerLevel)
{
    makeStore();
    loadWindow();

    clickNode(kTokyo);
    EXPECT_EQ(w->currentKey, kTokyo);
    EXPECT_TRUE(menuEnabled(w->mnuEdit, QStringLiteral("お客さま名の変更")));
    EXPECT_TRUE(menuEnabled(w->mnuEdit, QStringLiteral("削除")));
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("削除")));
    EXPECT_FALSE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
    EXPECT_FALSE(buttonVisible(QStringLiteral("mnuFile|9")));

    clickNode(kTokyo2024);
    EXPECT_TRUE(w->treData().Exists(kTokyoJan)) << "the year's months are loaded";
    EXPECT_FALSE(menuEnabled(w->mnuEdit, QStringLiteral("お客さま名の変更")));
    EXPECT_TRUE(menuEnabled(w->mnuEdit, QStringLiteral("削除")));
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("ﾌｧｲﾙ出力")));
    EXPECT_TRUE(buttonVisible(QStringLiteral("mnuFile|8")));
    EXPECT_TRUE(buttonVisible(QStringLiteral("mnuFile|9")));
    EXPECT_GT(w->mfgData().Rows(), 1) << "the year table is filled";

    clickNode(kTokyoJan);
    EXPECT_TRUE(w->treData().Exists(kTokyoJan5));
    EXPECT_FALSE(menuEnabled(w->mnuEdit, QStringLiteral("削除")));
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ")));

    clickNode(kTokyoJan5);
    // Two half hours of that day, below the header row.
    ASSERT_EQ(w->mfgData().Rows(), 3);
    EXPECT_TRUE(w->mfgData().TextMatrix(1, 3).contains(QStringLiteral("12.3")))
        << w->mfgData().TextMatrix(1, 3).toStdString();
    EXPECT_FALSE(menuEnabled(w->mnuEdit, QStringLiteral("削除")));
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));

    clickNode(kRoot);
    EXPECT_FALSE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
    EXPECT_FALSE(buttonVisible(QStringLiteral("mnuFile|9")));

    // A right-button click opens the tree popup after the refresh.
    clickNode(kTokyo, 2);
    EXPECT_EQ(w->lastPopupMenu(), &w->mnuPopRoot);
}

TEST_F(DataWindowTest, PreviewStateAndItsEnd)
{
    makeStore();
    loadWindow();
    clickNode(kTokyo2024);
    w->setPreviewMenus();
    for (int i : w->mnuFile.indexes()) {
        if (w->mnuFile(i).Caption() == QLatin1String("-"))
            continue;
        EXPECT_EQ(w->mnuFile(i).Enabled(), i == 8) << i;
    }
    for (int i = 1; i <= w->tlbData.Count(); ++i)
        EXPECT_FALSE(w->tlbData.Buttons(i).Visible()) << i;
    EXPECT_FALSE(w->mnuEditRoot.Visible());
    EXPECT_FALSE(w->mnuTermRoot.Visible());
    EXPECT_FALSE(w->optDispStyle(0).Visible());
    EXPECT_FALSE(w->zonumDemand.Enabled());
    EXPECT_TRUE(w->cmdPreBack.Visible());

    w->mnuFile(8).setChecked(true);
    w->cmdPreBack_Click();
    EXPECT_FALSE(w->mnuFile(8).Checked());
    EXPECT_FALSE(w->cmdPreBack.Visible());
    EXPECT_TRUE(w->optDispStyle(0).Visible());
    EXPECT_TRUE(menuEnabled(w->mnuEdit, QStringLiteral("削除"))) << "back to the year state";
    EXPECT_TRUE(buttonVisible(QStringLiteral("mnuFile|9")));
}

TEST_F(DataWindowTest, ToolbarKeysRunTheirMenuHandlers)
{
    makeStore();
    loadWindow();
    w->tlbData_ButtonClickKey(QStringLiteral("mnuSet|0"));
    w->tlbData_ButtonClickKey(QStringLiteral("mnuSet|1"));
    w->tlbData_ButtonClickKey(QStringLiteral("mnuPop|4")); // not a toolbar menu
    w->tlbData_ButtonClickKey(QStringLiteral("mnuSet"));   // no index
    EXPECT_EQ(dialogs.calls, (QStringList{QStringLiteral("clock"), QStringLiteral("serial")}));

    // Graph settings: a changed option is taken over.
    dialogs.onGraphSettings = [this] { dialogs.scale = 300; };
    w->tlbData.clickButton(QStringLiteral("mnuSet|2"));
    EXPECT_EQ(w->GraphZoom(), 300);

    // No device identified: the read is refused before anything is sent.
    script->answerNext(vbOK);
    w->tlbData_ButtonClickKey(QStringLiteral("mnuTerm|0"));
    EXPECT_EQ(prompts(), QStringList{QStringLiteral("電源、接続及び通信設定を確認してください。")});

    // The display style switch.
    w->optDispStyle(1).setValue(true);
    EXPECT_FALSE(w->mfgDataHost.Visible());
    EXPECT_TRUE(w->vsdGraphHost.Visible());
}

TEST_F(DataWindowTest, RenameCustomerAndRefusedNames)
{
    makeStore();
    loadWindow();
    auto rename = [this](const QString &key, const QString &text) {
        clickNode(key);
        w->mnuEdit_Click(1);
        ASSERT_EQ(w->labelEditKey(), key);
        QTreeWidgetItem *item = w->treData().Item(key)->item();
        if (item->text(0) != text) {
            item->setText(0, text);
            return;
        }
        // An unchanged text is no change of the item: the edit ends as the
        // editor ends it.
        int cancel = 0;
        w->treData_AfterLabelEdit(cancel, text);
        EXPECT_EQ(cancel, 1);
    };

    // Refused names: the message, the label back, nothing moved.
    for (const QString &bad : {QStringLiteral("a/b"), QStringLiteral("a:b"), QStringLiteral("東京工場"),
                               QStringLiteral("大阪支店"), QString(), QStringLiteral("x*")}) {
        script->answerNext(vbOK);
        rename(kTokyo, bad);
        ASSERT_EQ(script->shown().size(), 1) << bad.toStdString();
        // The one text for every refused name, nothing after it.
        EXPECT_EQ(script->shown().last().prompt, kRefused) << bad.toStdString();
        script.reset();
        script = std::make_unique<DialogScript>();
        EXPECT_TRUE(exists(QStringLiteral("dDB.tran/東京工場/2024年/demand.csv")));
        EXPECT_TRUE(exists(QStringLiteral("dDB.tran/大阪支店/2024年/demand.csv")));
        EXPECT_TRUE(w->treData().Exists(kTokyo));
        EXPECT_EQ(w->treData().Item(kTokyo)->item()->text(0), QStringLiteral("東京工場"));
        EXPECT_TRUE(w->currentKey.isEmpty()) << "the tree was rebuilt";
    }
    EXPECT_TRUE(w->dataChanged());

    // A year node cannot be renamed.
    clickNode(kTokyo2024);
    w->mnuEdit_Click(1);
    EXPECT_TRUE(w->labelEditKey().isEmpty());

    // A good name moves the folder, logs and rebuilds the tree.
    rename(kTokyo, QStringLiteral("東京第二工場"));
    EXPECT_TRUE(script->shown().isEmpty());
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/東京工場")));
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/東京第二工場/2024年/demand.csv")));
    EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\東京第二工場")));
    EXPECT_FALSE(w->treData().Exists(kTokyo));
    EXPECT_TRUE(w->currentKey.isEmpty());
    EXPECT_FALSE(menuEnabled(w->mnuEdit, QStringLiteral("削除"))) << "root state after the rebuild";
    ASSERT_FALSE(logTexts().isEmpty());
    EXPECT_EQ(logTexts().first(), QStringLiteral("お客さま名の変更　　　　「東京工場」　-->　「東京第二工場」"));
}

TEST_F(DataWindowTest, DeleteCustomerAndYear)
{
    makeStore();
    loadWindow();

    // Cancel: nothing deleted, the data set counts as changed.
    clickNode(kOsaka);
    script->answerNext(vbCancel);
    w->mnuEdit_Click(4);
    EXPECT_EQ(prompts(), QStringList{QStringLiteral("「大阪支店」を削除します。よろしいですか？")});
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/大阪支店")));
    EXPECT_TRUE(w->dataChanged());

    // A year of a customer.
    clickNode(kTokyo2024);
    script->answerNext(vbOK);
    w->mnuPop_Click(7);
    EXPECT_EQ(prompts().last(), QStringLiteral("「東京工場 2024年」のデータ削除します。よろしいですか？"));
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/東京工場/2024年")));
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/東京工場/2023年/demand.csv")));
    EXPECT_FALSE(w->treData().Exists(kTokyo2024));
    EXPECT_TRUE(w->currentKey.isEmpty());
    // No table for the empty key: the grid holds no demand values.
    for (int r = 1; r < w->mfgData().Rows(); ++r)
        EXPECT_TRUE(w->mfgData().TextMatrix(r, 3).isEmpty()) << r;
    EXPECT_EQ(logTexts().first(), QStringLiteral("年間データの削除　　　「東京工場 2024年」"));

    // A whole customer.
    clickNode(kOsaka);
    script->answerNext(vbOK);
    w->mnuEdit_Click(4);
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/大阪支店")));
    EXPECT_FALSE(w->treData().Exists(kOsaka));
    EXPECT_EQ(logTexts().first(), QStringLiteral("お客さまの削除　　　　　「大阪支店」"));
    // The log file has the lines too.
    const QByteArray file = readFile(QStringLiteral("dDB.tran/download.log"));
    EXPECT_EQ(file.count("\r\n"), 3);

    // With no current node a delete asks nothing.
    w->mnuEdit_Click(4);
    EXPECT_EQ(script->shown().size(), 3);
}

TEST_F(DataWindowTest, NewCustomerThroughTheDialog)
{
    makeStore();
    loadWindow();
    clickNode(kTokyo);
    dialogs.onNewCustom = [this] {
        // What the new-customer dialog does on its register button.
        QDir().mkpath(path(QStringLiteral("dDB.tran/名古屋営業所")));
        w->TreeNode().mkNodeInit(w->treData(), w.get());
    };
    w->mnuEdit_Click(0);
    EXPECT_TRUE(w->dataChanged());
    EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\名古屋営業所")));
    EXPECT_TRUE(w->currentKey.isEmpty()) << "a rebuild clears the current node";
    EXPECT_FALSE(menuEnabled(w->mnuEdit, QStringLiteral("削除")));
}

// A cancelled new-customer dialog or CSV import rebuilt nothing: the shown
// day stays current with its print and output commands.
TEST_F(DataWindowTest, CancelledDialogsKeepTheCurrentNodeAndItsMenus)
{
    makeStore();
    loadWindow();
    clickNode(kTokyo2024);
    clickNode(kTokyoJan);
    clickNode(kTokyoJan5);
    const auto expectDayState = [this](const char *after) {
        EXPECT_EQ(w->currentKey, kTokyoJan5) << after;
        EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷"))) << after;
        EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"))) << after;
        EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("ﾌｧｲﾙ出力"))) << after;
        EXPECT_TRUE(buttonVisible(QStringLiteral("mnuFile|8"))) << after;
        EXPECT_TRUE(buttonVisible(QStringLiteral("mnuFile|9"))) << after;
    };
    expectDayState("click");

    dialogs.onNewCustom = [] {}; // closed without registering
    w->mnuEdit_Click(0);
    expectDayState("cancelled new customer");

    script->cancelNextFileDialog();
    w->mnuFileInput_Click(0);
    expectDayState("cancelled file dialog");

    writeFile(QStringLiteral("in/later.csv"), "20240513,1000,0123\r\n");
    script->chooseFile(path(QStringLiteral("in/later.csv")));
    dialogs.onImport = [](QString &, const QString &) { return false; };
    w->mnuFileInput_Click(0);
    expectDayState("cancelled customer dialog");
    EXPECT_TRUE(script->verify());
}

TEST_F(DataWindowTest, ClosingAsksAboutUnsavedChanges)
{
    makeStore();
    loadWindow();
    // Unchanged: no question.
    EXPECT_TRUE(w->Unload());
    EXPECT_TRUE(script->shown().isEmpty());

    w->Load();
    w->setDataChanged(true);
    script->answerNext(vbCancel);
    EXPECT_FALSE(w->Unload());
    EXPECT_TRUE(w->isLoaded());
    ASSERT_EQ(script->shown().size(), 1);
    EXPECT_EQ(script->shown()[0].prompt, QStringLiteral("データが変更されています。現在のデータ構成を保存しますか？"));
    EXPECT_EQ(script->shown()[0].style, vbYesNoCancel + vbExclamation);

    // Yes, then the save dialog is cancelled: the window stays open.
    script->answerNext(vbYes);
    script->cancelNextFileDialog();
    EXPECT_FALSE(w->Unload());
    EXPECT_TRUE(w->isLoaded());

    // Yes and a file: saved, closed.
    const QString dmd = path(QStringLiteral("save.dmd"));
    script->answerNext(vbYes);
    script->chooseFile(dmd);
    EXPECT_TRUE(w->Unload());
    EXPECT_FALSE(w->isLoaded());
    EXPECT_TRUE(QFileInfo::exists(dmd));
    EXPECT_FALSE(w->dataChanged());

    // No: closed without saving.
    w->Load();
    w->setDataChanged(true);
    script->answerNext(vbNo);
    EXPECT_TRUE(w->Unload());
    EXPECT_FALSE(w->isLoaded());
    EXPECT_TRUE(script->verify());
}

TEST_F(DataWindowTest, EachWindowOwnsItsLog)
{
    makeStore();
    loadWindow();
    talvik::clsLogs *own = w->logs();
    ASSERT_EQ(talvik::appLogs, own);
    w->addLog(QStringLiteral("一行目"));
    // Another window's log became the program-wide one: the unload keeps it.
    talvik::clsLogs other;
    talvik::appLogs = &other;
    EXPECT_TRUE(w->Unload());
    EXPECT_EQ(talvik::appLogs, &other);
    EXPECT_EQ(w->logs(), nullptr);
    EXPECT_TRUE(readFile(QStringLiteral("dDB.tran/download.log")).contains("\x88\xea\x8d\x73\x96\xda"))
        << "the unload wrote the list";
    talvik::appLogsAdd(w->lstLogs(), QStringLiteral("x"));

    // Activated again, the window's own log is the program-wide one; its
    // unload withdraws it.
    w->Load();
    EXPECT_EQ(talvik::appLogs, w->logs());
    EXPECT_TRUE(w->Unload());
    EXPECT_EQ(talvik::appLogs, nullptr);
}

TEST_F(DataWindowTest, ThresholdInputRange)
{
    makeStore();
    loadWindow();
    clickNode(kTokyo2024);
    clickNode(kTokyoJan);
    clickNode(kTokyoJan5);
    int enter = vbKeyReturn;
    for (double bad : {1000.0, -1.0}) {
        w->zonumDemand.setValue(bad);
        script->answerNext(vbOK);
        w->zonumDemand_KeyDown(enter, 0);
        EXPECT_EQ(prompts().last(), QStringLiteral("ﾃﾞﾏﾝﾄﾞの有効値は１～９９９です。"));
        EXPECT_EQ(w->zonumDemand.Value(), 0);
    }
    EXPECT_EQ(script->shown().size(), 2);
    // A valid value refills the table; other keys do nothing.
    w->zonumDemand.setValue(40);
    int other = 65;
    w->zonumDemand_KeyDown(other, 0);
    w->zonumDemand_KeyDown(enter, 0);
    EXPECT_EQ(script->shown().size(), 2);
    EXPECT_EQ(w->threshold(), 40);
    EXPECT_EQ(w->mfgData().Rows(), 3);
}

TEST_F(DataWindowTest, HostedControlsLiveInTheWindowAndSurviveUnload)
{
    makeStore();
    loadWindow();
    w->Show();
    QCoreApplication::processEvents();
    QWidget *window = w->widget();
    ASSERT_NE(window, nullptr);
    QWidget *tree = w->treData().widget();
    EXPECT_TRUE(window->isAncestorOf(tree));
    EXPECT_TRUE(window->isAncestorOf(w->mfgData().widget()));
    EXPECT_TRUE(tree->isVisible());
    EXPECT_GT(tree->width(), 100);
    const QByteArray dir = qgetenv("TALVIK_TEST_ARTIFACTS");
    if (!dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/datawindow.png"));
    }
    // The print control shown or hidden directly takes its place along.
    EXPECT_FALSE(w->vspPrintHost.Visible());
    w->vspPrint.show();
    EXPECT_TRUE(w->vspPrintHost.Visible());
    w->vspPrint.hide();
    EXPECT_FALSE(w->vspPrintHost.Visible());
    w->vsdGraphHost.setVisible(true);
    EXPECT_TRUE(w->vsdGraph.isVisibleTo(window));
    // Unload takes the widgets back; a new load shows them again.
    EXPECT_TRUE(w->Unload());
    QCoreApplication::processEvents();
    EXPECT_EQ(tree->parent(), nullptr) << (tree->parent() ? tree->parent()->metaObject()->className() : "") << " " << (tree->parent() ? tree->parent()->objectName().toStdString() : std::string());
    EXPECT_EQ(w->treData().widget(), tree);
    w->Show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->widget()->isAncestorOf(tree));
    EXPECT_TRUE(w->treData().Exists(kTokyo));
}
