// Menus, toolbar, status bar, list view and image list.
#include "platform/forms/controls.h"
#include "platform/forms/imagelist.h"
#include "platform/forms/listview.h"
#include "platform/forms/menus.h"
#include "platform/forms/statusbar.h"
#include "platform/forms/toolbar.h"
#include "platform/forms/treeview.h"
#include "platform/runtime/runtime_error.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QDate>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {
class DataLikeForm : public Form {
public:
    Menu mnuFileRoot{this, QStringLiteral("mnuFileRoot")};
    ControlArray<Menu> mnuFile{this, QStringLiteral("mnuFile"), 3, &mnuFileRoot};
    Menu mnuEditRoot{this, QStringLiteral("mnuEditRoot")};
    ControlArray<Menu> mnuEdit{this, QStringLiteral("mnuEdit"), {0, 1, 3, 4}, &mnuEditRoot};
    Menu mnuFileOut{this, QStringLiteral("mnuFileOutRoot"), &mnuFile(2)};
    ImageList imgList{this, QStringLiteral("imgList")};
    Toolbar tlbData{this, QStringLiteral("tlbData")};
    OptionButton optOnToolbar{this, QStringLiteral("optDispStyle"), &tlbData};
    StatusBar staData{this, QStringLiteral("staData")};
    ListView lvwCustomer{this, QStringLiteral("lvwCustomer")};

    QList<int> fileClicks;
    QStringList toolbarKeys;

    DataLikeForm()
    {
        connect(&mnuFile, &ControlArrayBase::Click, this, [this](int index) { fileClicks.append(index); });
        connect(&tlbData, &Toolbar::ButtonClick, this, [this](ToolbarButton *button) {
            toolbarKeys.append(button->Key());
            // Key "menu|index" runs that menu's handler with the index.
            const QStringList parts = button->Key().split(QLatin1Char('|'));
            if (parts.value(0) == QLatin1String("mnuFile"))
                mnuFile(parts.value(1).toInt()).click();
        });
    }

protected:
    void designForm() override
    {
        setDesignSize(6000, 4000);
        mnuFileRoot.setCaption(QStringLiteral("ﾌｧｲﾙ"));
        mnuFile(0).setCaption(QStringLiteral("開く"));
        mnuFile(1).setCaption(QStringLiteral("-"));
        mnuFile(2).setCaption(QStringLiteral("ﾌｧｲﾙ出力"));
        mnuFileOut.setCaption(QStringLiteral("CSV"));
        mnuEditRoot.setCaption(QStringLiteral("編集"));
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        imgList.Add(Picture(pixmap), QStringLiteral("open"));
        tlbData.setImageList(&imgList);
        tlbData.Add(QStringLiteral("mnuFile|0"), QString(), tbrDefault, 1).setToolTipText(QStringLiteral("開く"));
        tlbData.Add(QString(), QString(), tbrSeparator);
        tlbData.Add(QStringLiteral("mnuFile|2"));
        tlbData.Add(QStringLiteral("toggle"), QString(), tbrCheck);
        staData.Add(QStringLiteral("date"), QString(), sbrDate);
        staData.Add(QStringLiteral("time"), QString(), sbrTime);
        staData.Add(QStringLiteral("text"), QStringLiteral("準備完了"));
    }
};

int errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const platform::RuntimeError &error) {
        return error.Number();
    }
    return 0;
}

// The number and text an action raises.
std::pair<int, QString> failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const platform::RuntimeError &error) {
        return {error.Number(), error.Description()};
    }
    return {0, QString()};
}
} // namespace

TEST(MenuTest, ArraysCaptionsSeparatorsAndStates)
{
    DataLikeForm form;
    EXPECT_EQ(form.mnuFile(0).Caption(), QStringLiteral("開く"));
    EXPECT_TRUE(form.mnuFile(1).isSeparator());
    EXPECT_EQ(form.mnuFile(1).Caption(), QStringLiteral("-"));
    EXPECT_EQ(errorOf([&] { form.mnuEdit(2); }), 340);
    // The root is in the menu bar, its items in its menu, the submenu under its item.
    ASSERT_NE(form.menuBar(), nullptr);
    EXPECT_TRUE(form.menuBar()->actions().contains(form.mnuFileRoot.action()));
    ASSERT_NE(form.mnuFileRoot.popupMenu(), nullptr);
    EXPECT_EQ(form.mnuFileRoot.popupMenu()->actions().size(), 3);
    ASSERT_NE(form.mnuFile(2).popupMenu(), nullptr);
    EXPECT_EQ(form.mnuFile(2).popupMenu()->actions().first(), form.mnuFileOut.action());
    EXPECT_EQ(form.mnuFile(0).popupMenu(), nullptr);

    form.mnuFile(0).setEnabled(false);
    form.mnuFile(2).setChecked(true);
    form.mnuEditRoot.setVisible(false);
    EXPECT_FALSE(form.mnuFile(0).Enabled());
    EXPECT_TRUE(form.mnuFile(2).Checked());
    EXPECT_FALSE(form.mnuEditRoot.Visible());
    form.mnuFile(2).setChecked(false);
    EXPECT_FALSE(form.mnuFile(2).Checked());

    // A disabled item cannot be chosen by the user; code can still click it.
    form.mnuFile(0).action()->trigger();
    EXPECT_TRUE(form.fileClicks.isEmpty());
    form.mnuFile(0).setEnabled(true);
    form.mnuFile(0).action()->trigger();
    EXPECT_EQ(form.fileClicks, QList<int>{0});

    // States start from the design at every load.
    form.Unload();
    EXPECT_TRUE(form.mnuEditRoot.Visible());
    EXPECT_TRUE(form.mnuFile(0).Enabled());
}

TEST(MenuTest, PopupIsRecordedAndOnADisplayShownUntilDismissed)
{
    DataLikeForm form;
    form.Show();
    // On a display the menu waits for the user: Esc dismisses it.
    bool shown = false;
    QTimer dismiss;
    dismiss.setInterval(20);
    QObject::connect(&dismiss, &QTimer::timeout, [&] {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            shown = true;
            QTest::keyClick(popup, Qt::Key_Escape);
        }
    });
    dismiss.start();
    form.PopupMenu(form.mnuEditRoot);
    dismiss.stop();
    EXPECT_EQ(form.lastPopupMenu(), &form.mnuEditRoot);
    EXPECT_EQ(shown, QGuiApplication::platformName() != QLatin1String("offscreen"));
}

TEST(MenuTest, MenuBarTakesNoRoomFromTheClientArea)
{
    DataLikeForm form;
    form.Show();
    EXPECT_EQ(form.ScaleWidth(), 6000);
    EXPECT_EQ(form.ScaleHeight(), 3990);
    EXPECT_GT(form.Height(), form.ScaleHeight());
    EXPECT_EQ(form.tlbData.widget()->parentWidget()->geometry().top(), form.menuBar()->height());
}

TEST(ToolbarTest, KeyedButtonsDispatchAndState)
{
    DataLikeForm form;
    EXPECT_EQ(form.tlbData.Count(), 4);
    EXPECT_EQ(form.tlbData.Buttons(1).Key(), QStringLiteral("mnuFile|0"));
    EXPECT_EQ(form.tlbData.Buttons(QStringLiteral("mnuFile|2")).Index(), 3);
    EXPECT_EQ(form.tlbData.Buttons(1).ToolTipText(), QStringLiteral("開く"));
    EXPECT_FALSE(form.tlbData.Buttons(1).action()->icon().isNull());
    EXPECT_EQ(errorOf([&] { form.tlbData.Buttons(5); }), 35600);
    EXPECT_EQ(errorOf([&] { form.tlbData.Buttons(QStringLiteral("nothing")); }), 35601);
    EXPECT_EQ(errorOf([&] { form.tlbData.Add(QStringLiteral("mnuFile|0")); }), 35602);

    form.tlbData.clickButton(QStringLiteral("mnuFile|2"));
    EXPECT_EQ(form.fileClicks, QList<int>{2});
    // Hidden, disabled, or on a disabled toolbar: no click.
    form.tlbData.Buttons(QStringLiteral("mnuFile|2")).setVisible(false);
    form.tlbData.clickButton(QStringLiteral("mnuFile|2"));
    form.tlbData.Buttons(1).setEnabled(false);
    form.tlbData.clickButton(QStringLiteral("mnuFile|0"));
    form.tlbData.Buttons(1).setEnabled(true);
    form.tlbData.setEnabled(false);
    form.tlbData.clickButton(QStringLiteral("mnuFile|0"));
    EXPECT_EQ(form.fileClicks, QList<int>{2});
    form.tlbData.setEnabled(true);
    form.tlbData.clickButton(QStringLiteral("mnuFile|0"));
    EXPECT_EQ(form.toolbarKeys, (QStringList{QStringLiteral("mnuFile|2"), QStringLiteral("mnuFile|0")}));

    ToolbarButton &toggle = form.tlbData.Buttons(QStringLiteral("toggle"));
    toggle.setValue(tbrPressed);
    EXPECT_EQ(toggle.Value(), tbrPressed);
    form.tlbData.Buttons(1).setValue(tbrPressed); // not a check button
    EXPECT_EQ(form.tlbData.Buttons(1).Value(), tbrUnpressed);

    // Inserting renumbers the buttons after it.
    form.tlbData.Add(QStringLiteral("first"), QString(), tbrDefault, 0, 1);
    EXPECT_EQ(form.tlbData.Buttons(QStringLiteral("mnuFile|0")).Index(), 2);
    // A control hosted on the toolbar lives in its widget.
    EXPECT_EQ(form.optOnToolbar.widget()->parentWidget(), form.tlbData.widget());
}

TEST(ToolbarTest, ImageButtonsAreNamedByTheirToolTipsForAssistiveTools)
{
    DataLikeForm form;
    auto *bar = qobject_cast<QToolBar *>(form.tlbData.widget());
    ASSERT_NE(bar, nullptr);
    auto nameOf = [bar](ToolbarButton &button) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(bar->widgetForAction(button.action()));
        return a ? a->text(QAccessible::Name) : QStringLiteral("<no interface>");
    };
    ToolbarButton &open = form.tlbData.Buttons(1);
    ASSERT_TRUE(open.Caption().isEmpty());
    EXPECT_EQ(nameOf(open), QStringLiteral("開く"));
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(bar->widgetForAction(open.action()));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Button);
    // A later tool tip renames the button; a caption names it by itself.
    open.setToolTipText(QStringLiteral("ファイルを開く"));
    EXPECT_EQ(nameOf(open), QStringLiteral("ファイルを開く"));
    ToolbarButton &added = form.tlbData.Add(QStringLiteral("print"), QStringLiteral("印刷"));
    added.setToolTipText(QStringLiteral("印刷します"));
    EXPECT_EQ(nameOf(added), QStringLiteral("印刷"));
}

TEST(StatusBarTest, DateTimeAndTextPanels)
{
    DataLikeForm form;
    EXPECT_EQ(form.staData.Count(), 3);
    EXPECT_EQ(form.staData.Panels(1).Text(), QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
    EXPECT_TRUE(form.staData.Panels(2).Text().contains(QLatin1Char(':')));
    EXPECT_EQ(form.staData.Panels(3).Text(), QStringLiteral("準備完了"));
    form.staData.Panels(1).setText(QStringLiteral("x"));
    form.staData.updateClock();
    EXPECT_EQ(form.staData.Panels(1).Text(), QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
    form.staData.Panels(3).setText(QStringLiteral("通信中"));
    EXPECT_EQ(form.staData.Panels(3).Text(), QStringLiteral("通信中"));
    EXPECT_EQ(errorOf([&] { form.staData.Panels(0); }), 35600);
}

TEST(ListViewTest, ColumnsRowsSubItemsAndChecks)
{
    DataLikeForm form;
    ListView &list = form.lvwCustomer;
    list.addColumn(QStringLiteral("読み込み後に削除"), 1800);
    list.addColumn(QStringLiteral("お客さま番号"));
    list.setCheckboxes(true);
    EXPECT_EQ(list.columnCount(), 2);
    EXPECT_EQ(list.columnText(2), QStringLiteral("お客さま番号"));
    int checks = 0;
    QObject::connect(&list, &ListView::ItemCheck, [&](ListItem *) { ++checks; });
    for (const QString &number : {QStringLiteral("000000001"), QStringLiteral("000000002")}) {
        ListItem &row = list.Add(QStringLiteral("しない"), number);
        row.setSubItems(1, number);
    }
    EXPECT_EQ(checks, 0); // adding rows checks nothing
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.ListItems(2).Checked());
    list.ListItems(2).setChecked(true);
    EXPECT_TRUE(list.ListItems(2).Checked());
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(list.find(QStringLiteral("000000002")), &list.ListItems(2));
    EXPECT_EQ(list.ListItems(1).SubItems(1), QStringLiteral("000000001"));
    EXPECT_EQ(list.ListItems(1).SubItems(5), QString());
    EXPECT_EQ(errorOf([&] { list.Add(QStringLiteral("x"), QStringLiteral("000000001")); }), 35602);
    EXPECT_EQ(errorOf([&] { list.ListItems(3); }), 35600);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.columnCount(), 2);
}

TEST(ImageListTest, ByIndexAndKey)
{
    DataLikeForm form;
    EXPECT_EQ(form.imgList.Count(), 1);
    EXPECT_EQ(form.imgList.Item(QStringLiteral("open")).Width(), 16 * TwipsPerPixel);
    EXPECT_EQ(form.imgList.IndexOf(QStringLiteral("open")), 1);
    EXPECT_EQ(form.imgList.IndexOf(QStringLiteral("none")), 0);
    EXPECT_EQ(errorOf([&] { form.imgList.Item(2); }), 35600);
    EXPECT_EQ(errorOf([&] { form.imgList.Item(QStringLiteral("none")); }), 35601);
    EXPECT_EQ(errorOf([&] { form.imgList.Add(Picture(), QStringLiteral("open")); }), 35602);
    form.Unload();
    EXPECT_EQ(form.imgList.Count(), 1); // the design adds it again, not twice
}

TEST(CollectionErrorTest, EveryCollectionTellsAFailureInTheSameWords)
{
    DataLikeForm form;
    TreeView tree;
    tree.Add(QString(), tvwFirst, QStringLiteral("r"), QStringLiteral("root"));
    const std::pair<int, QString> outside{35600, QStringLiteral("インデックスが範囲を超えています。")};
    EXPECT_EQ(failureOf([&] { form.tlbData.Buttons(5); }), outside);
    EXPECT_EQ(failureOf([&] { form.staData.Panels(0); }), outside);
    EXPECT_EQ(failureOf([&] { form.lvwCustomer.ListItems(1); }), outside);
    EXPECT_EQ(failureOf([&] { form.imgList.Item(2); }), outside);

    const std::pair<int, QString> missing{35601, QStringLiteral("要素が見つかりません。")};
    EXPECT_EQ(failureOf([&] { form.tlbData.Buttons(QStringLiteral("nothing")); }), missing);
    EXPECT_EQ(failureOf([&] { form.imgList.Item(QStringLiteral("none")); }), missing);
    // The tree names the key it looked for.
    EXPECT_EQ(failureOf([&] { tree.Item(QStringLiteral("none")); }),
              std::make_pair(35601, missing.second + QStringLiteral("(none)")));

    const std::pair<int, QString> taken{35602, QStringLiteral("キーはこのコレクションの別の要素で既に使われています。")};
    EXPECT_EQ(failureOf([&] { form.tlbData.Add(QStringLiteral("mnuFile|0")); }), taken);
    EXPECT_EQ(failureOf([&] { form.imgList.Add(Picture(), QStringLiteral("open")); }), taken);
    form.lvwCustomer.Add(QStringLiteral("x"), QStringLiteral("k1"));
    EXPECT_EQ(failureOf([&] { form.lvwCustomer.Add(QStringLiteral("y"), QStringLiteral("k1")); }), taken);
    EXPECT_EQ(failureOf([&] { tree.Add(QString(), tvwFirst, QStringLiteral("r"), QStringLiteral("again")); }),
              std::make_pair(35602, taken.second + QStringLiteral("(r)")));
}
