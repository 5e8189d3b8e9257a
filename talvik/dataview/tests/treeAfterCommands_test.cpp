// What the tree, the table, the graph and the menus show after the commands
// that may rebuild the tree: a new customer from the tree's pop-up (chosen
// with the mouse in the shown pop-up) and a CSV import. The table and the
// graph always belong to the selected node.
#include "dataWindowFixture.h"

#include "platform/forms/constants.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"
#include "talvik/dataview/clsGraph.h"
#include "talvik/store/clsTreeNode.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

using namespace dwtest;
using namespace platform::forms;

namespace {

const QString kTokyo = QStringLiteral("\\dDB.tran\\東京工場");
const QString kTokyo2024 = QStringLiteral("\\dDB.tran\\東京工場\\2024年");
const QString kOsaka = QStringLiteral("\\dDB.tran\\大阪支店");

class TreeAfterCommands : public DataWindowTest {
protected:
    void SetUp() override
    {
        DataWindowTest::SetUp();
        m_savedDir = QDir::currentPath();
        talvik::storeServices().addLog = [](platform::forms::ListBox *list, const QString &text) {
            talvik::appLogsAdd(list, text);
        };
        talvik::waitForm = &wait;
        makeStore();
        loadWindow();
        w->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w->widget()));
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (wait.isLoaded())
            wait.Unload();
        DataWindowTest::TearDown();
        talvik::waitForm = nullptr;
        QDir::setCurrent(m_savedDir);
    }
    QTreeWidget *tree() { return w->treData().widget(); }
    // A press and release of a mouse button on a node of the shown tree.
    void pressNode(const QString &key, Qt::MouseButton button)
    {
        QTreeWidgetItem *item = w->treData().Item(key)->item();
        for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
            p->setExpanded(true);
        tree()->scrollToItem(item);
        const QPoint at = tree()->visualItemRect(item).center();
        QTest::mousePress(tree()->viewport(), button, {}, at);
        QTest::mouseRelease(tree()->viewport(), button, {}, at);
        QApplication::processEvents();
    }
    // Opens the pop-up the window asked for at the tree and clicks one of
    // its items with the mouse.
    void choosePopupItem(Menu &item)
    {
        ASSERT_EQ(w->lastPopupMenu(), &w->mnuPopRoot);
        QMenu *menu = w->mnuPopRoot.popupMenu();
        ASSERT_NE(menu, nullptr);
        menu->popup(tree()->mapToGlobal(tree()->rect().center()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        const QRect r = menu->actionGeometry(item.action());
        ASSERT_TRUE(r.isValid());
        QTest::mouseClick(menu, Qt::LeftButton, {}, r.center());
        QApplication::processEvents();
    }
    Menu &popItem(const QString &caption)
    {
        for (int i : w->mnuPop.indexes())
            if (w->mnuPop(i).Caption() == caption)
                return w->mnuPop(i);
        ADD_FAILURE() << "no pop-up item " << caption.toStdString();
        return w->mnuPop(0);
    }
    // A CSV import of `bytes` as file `name` through the file menu.
    void importCsv(const QString &name, const QByteArray &bytes)
    {
        writeFile(QStringLiteral("in/") + name, bytes);
        script->chooseFile(path(QStringLiteral("in/") + name));
        w->mnuFileInput(0).action()->trigger();
        QApplication::processEvents();
    }
    QString selectedKey()
    {
        Node *n = w->treData().SelectedItem();
        return n ? n->Key() : QString();
    }
    // The dates of the table's rows (column 0).
    QStringList tableDates()
    {
        QStringList dates;
        for (int r = 1; r < w->mfgData().Rows(); ++r)
            dates << w->mfgData().TextMatrix(r, 0);
        return dates;
    }

    talvik::frmWait wait;

private:
    QString m_savedDir;
};

} // namespace

TEST_F(TreeAfterCommands, CancelledNewCustomerFromThePopupKeepsTheNodeItsMenusAndButtons)
{
    pressNode(kTokyo2024, Qt::RightButton);
    ASSERT_EQ(w->currentKey, kTokyo2024);
    ASSERT_EQ(w->mfgData().Rows(), 4);
    w->setDataChanged(false);
    // The dialog is cancelled: it creates nothing and rebuilds nothing.
    choosePopupItem(popItem(QStringLiteral("お客さま名の新規作成")));
    EXPECT_EQ(dialogs.calls, QStringList{QStringLiteral("newCustom")});
    EXPECT_TRUE(w->dataChanged());
    EXPECT_EQ(w->currentKey, kTokyo2024);
    EXPECT_EQ(selectedKey(), kTokyo2024);
    EXPECT_EQ(w->mfgData().Rows(), 4);
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ")));
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
    EXPECT_TRUE(menuEnabled(w->mnuEdit, QStringLiteral("削除")));
    EXPECT_TRUE(buttonVisible(QStringLiteral("mnuFile|8")));
    EXPECT_TRUE(buttonVisible(QStringLiteral("mnuFile|9")));
    EXPECT_TRUE(script->verify());
}

TEST_F(TreeAfterCommands, CreatedCustomerFromThePopupOrTheEditMenuRebuildsTheTreeWithNoCurrentNode)
{
    int created = 0;
    dialogs.onNewCustom = [this, &created] {
        // As the new-customer dialog does: the folder, then the tree.
        ++created;
        QDir().mkpath(path(QStringLiteral("dDB.tran/新規%1").arg(created)));
        talvik::dataForm->TreeNode().mkNodeInit(talvik::dataForm->treData(), talvik::dataForm->form());
    };
    pressNode(kTokyo2024, Qt::RightButton);
    choosePopupItem(popItem(QStringLiteral("お客さま名の新規作成")));
    EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\新規1")));
    EXPECT_TRUE(w->currentKey.isEmpty());
    EXPECT_FALSE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
    EXPECT_FALSE(buttonVisible(QStringLiteral("mnuFile|9")));
    // The edit menu's command behaves the same way, by the same code.
    pressNode(kTokyo2024, Qt::LeftButton);
    w->mnuEdit(0).action()->trigger();
    EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\新規2")));
    EXPECT_TRUE(w->currentKey.isEmpty());
    EXPECT_FALSE(buttonVisible(QStringLiteral("mnuFile|9")));
}

TEST_F(TreeAfterCommands, CsvImportSelectsTheImportedCustomerAndShowsOnlyItsData)
{
    pressNode(kTokyo2024, Qt::LeftButton);
    ASSERT_EQ(tableDates().size(), 3);
    // A new customer.
    importCsv(QStringLiteral("北工場.csv"), "20240513,1000,0123\r\n20240513,1030,0456\r\n");
    EXPECT_EQ(dialogs.calls, QStringList{QStringLiteral("importCustom")});
    const QString kita = QStringLiteral("\\dDB.tran\\北工場");
    ASSERT_TRUE(w->treData().Exists(kita + QStringLiteral("\\2024年")));
    EXPECT_EQ(w->currentKey, kita);
    EXPECT_EQ(selectedKey(), kita);
    // A customer node has no table of its own: none of 東京工場's rows stay.
    EXPECT_TRUE(tableDates().isEmpty()) << tableDates().join(u'|').toStdString();
    EXPECT_TRUE(menuEnabled(w->mnuEdit, QStringLiteral("お客さま名の変更")));
    EXPECT_FALSE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
    EXPECT_FALSE(buttonVisible(QStringLiteral("mnuFile|9")));
    // Its year, clicked, shows the imported rows.
    pressNode(kita + QStringLiteral("\\2024年"), Qt::LeftButton);
    EXPECT_EQ(tableDates(), (QStringList{QStringLiteral("2024年05月13日"), QStringLiteral("2024年05月13日")}));

    // An existing customer, imported while another's year is shown.
    pressNode(kTokyo2024, Qt::LeftButton);
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("大阪支店");
        return true;
    };
    importCsv(QStringLiteral("more.csv"), "20240302,0000,0100\r\n");
    EXPECT_EQ(w->currentKey, kOsaka);
    EXPECT_EQ(selectedKey(), kOsaka);
    EXPECT_TRUE(tableDates().isEmpty());

    // The data window after the import, as a person sees it.
    w->widget()->resize(1000, 640);
    QApplication::processEvents();
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS", QDir::currentPath());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->widget()->grab().save(dir + QStringLiteral("/data_after_import.png")));
    EXPECT_TRUE(script->verify());
}

TEST_F(TreeAfterCommands, CancelledImportKeepsTheShownNode)
{
    pressNode(kTokyo2024, Qt::LeftButton);
    dialogs.onImport = [](QString &, const QString &) { return false; };
    importCsv(QStringLiteral("later.csv"), "20240513,1000,0123\r\n");
    EXPECT_EQ(w->currentKey, kTokyo2024);
    EXPECT_EQ(tableDates().size(), 3);
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
}
