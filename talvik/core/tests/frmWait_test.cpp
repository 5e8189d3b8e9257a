// The wait dialog: owner hold, cancel button, hourglass, repaint, faults.
#include "talvik/core/frmWait.h"

#include "platform/forms/controls.h"
#include "platform/runtime/runtime_error.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace platform::forms;
using talvik::frmWait;

namespace {
class OwnerForm : public Form {
public:
    CommandButton cmdData{this, QStringLiteral("cmdData")};
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class WaitDialogTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        wait.Unload();
        Screen::setMousePointer(vbDefault);
    }
    OwnerForm owner;
    frmWait wait;
};
} // namespace

TEST_F(WaitDialogTest, ParentAndIsCancelDoNotLoadTheDialog)
{
    wait.setParent(&owner);
    EXPECT_FALSE(wait.isCancel());
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(owner.Enabled());
    EXPECT_EQ(wait.parentWindow(), &owner);
}

TEST_F(WaitDialogTest, LoadDisablesOwnerButTheCancelButtonStaysClickable)
{
    owner.Show();
    wait.setParent(&owner);
    wait.clear(); // loads
    EXPECT_TRUE(wait.isLoaded());
    EXPECT_FALSE(owner.Enabled());
    EXPECT_FALSE(owner.widget()->isEnabled());
    EXPECT_EQ(Screen::MousePointer(), vbHourglass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // The cancel button starts disabled and hidden.
    EXPECT_FALSE(wait.cmdCancel.Enabled());
    EXPECT_FALSE(wait.cmdCancel.Visible());
    EXPECT_EQ(wait.cmdCancel.Caption(), QStringLiteral("キャンセル"));
    EXPECT_EQ(wait.Caption(), QString());

    wait.setWaitMsg(QStringLiteral("データ抽出中・・・・"));
    wait.Show(vbModeless, &owner);
    wait.setEnableCancel(true);
    auto *button = static_cast<QPushButton *>(wait.cmdCancel.widget());
    EXPECT_TRUE(button->isEnabled()); // effectively, not only its own flag
    EXPECT_TRUE(button->isVisible());
    EXPECT_TRUE(wait.widget()->isWindow());
    EXPECT_NE(wait.widget()->parentWidget(), owner.widget());
    button->click();
    EXPECT_TRUE(wait.isCancel());
    EXPECT_TRUE(wait.isLoaded()); // the dialog stays until its client unloads it
    EXPECT_EQ(wait.waitMsg(), QStringLiteral("データ抽出中・・・・"));
}

TEST_F(WaitDialogTest, UnloadRestoresOwnerAndPointer)
{
    owner.Show();
    wait.setParent(&owner);
    wait.clear();
    wait.Show(vbModeless, &owner);
    ASSERT_TRUE(wait.Unload());
    EXPECT_TRUE(owner.Enabled());
    EXPECT_TRUE(owner.widget()->isEnabled());
    EXPECT_EQ(Screen::MousePointer(), vbDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WaitDialogTest, UnloadLeavesOtherHoldsOfTheOwnerAlone)
{
    owner.setEnabled(false); // e.g. a button lock of the port watcher
    wait.setParent(&owner);
    wait.clear();
    wait.Unload();
    EXPECT_FALSE(owner.Enabled());
    EXPECT_EQ(owner.disableHolds(), QStringList{QStringLiteral("self")});
}

TEST_F(WaitDialogTest, UnloadEnablesTheWindowItsLoadDisabledEvenAfterParentChanged)
{
    OwnerForm other;
    wait.setParent(&owner);
    wait.setLoadInfo1(QStringLiteral("1 件"));
    EXPECT_FALSE(owner.Enabled());
    wait.setParent(&other); // e.g. the data window unloads meanwhile
    wait.Unload();
    EXPECT_TRUE(owner.Enabled());
    EXPECT_TRUE(other.Enabled());
    // The next load disables the new parent.
    wait.clear();
    EXPECT_TRUE(owner.Enabled());
    EXPECT_FALSE(other.Enabled());
}

TEST_F(WaitDialogTest, LoadWithoutParentReportsAnErrorAndDisablesNothing)
{
    try {
        wait.clear();
        FAIL() << "no error";
    } catch (const platform::RuntimeError &error) {
        EXPECT_EQ(error.Number(), 91);
    }
    EXPECT_EQ(Screen::MousePointer(), vbDefault);
    EXPECT_FALSE(wait.cmdCancel.Visible());
    EXPECT_FALSE(wait.isCancel());
    wait.setWaitMsg(QStringLiteral("x")); // still usable
    EXPECT_EQ(wait.waitMsg(), QStringLiteral("x"));
    EXPECT_TRUE(wait.Unload());
    EXPECT_TRUE(owner.Enabled());
}

TEST_F(WaitDialogTest, SecondClearKeepsTheCancelFlagOnlyANewLoadResetsIt)
{
    wait.setParent(&owner);
    wait.clear();
    wait.setEnableCancel(true);
    wait.cmdCancel.setValue(true);
    ASSERT_TRUE(wait.isCancel());
    wait.setLoadInfo2(QStringLiteral("2"));
    wait.clear();
    EXPECT_TRUE(wait.isCancel());
    EXPECT_EQ(wait.loadInfo2(), QString());
    EXPECT_TRUE(wait.cmdCancel.Visible());
    wait.Unload();
    EXPECT_TRUE(wait.isCancel()); // kept until the next load
    wait.clear();
    EXPECT_FALSE(wait.isCancel());
    EXPECT_FALSE(wait.cmdCancel.Visible());
}

TEST_F(WaitDialogTest, EnableCancelFalseDisablesAndHidesTheButton)
{
    wait.setParent(&owner);
    wait.setEnableCancel(true);
    EXPECT_TRUE(wait.cmdCancel.Enabled());
    EXPECT_TRUE(wait.cmdCancel.Visible());
    wait.setEnableCancel(false);
    EXPECT_FALSE(wait.cmdCancel.Enabled());
    EXPECT_FALSE(wait.cmdCancel.Visible());
}

TEST_F(WaitDialogTest, EveryTextChangeRepaintsAtOnce)
{
    wait.setParent(&owner);
    wait.clear();
    wait.Show(vbModeless, &owner);
    QCoreApplication::processEvents();
    PaintCounter counter;
    wait.lblWaitMsg.widget()->installEventFilter(&counter);
    wait.lblLoadInfo1.widget()->installEventFilter(&counter);
    wait.lblLoadInfo2.widget()->installEventFilter(&counter);
    // No event loop runs between the changes: the paints must be immediate.
    wait.setWaitMsg(QStringLiteral("データ保存中・・・・"));
    const int afterMsg = counter.paints;
    wait.setLoadInfo1(QStringLiteral("100 件"));
    const int afterInfo1 = counter.paints;
    wait.setLoadInfo2(QStringLiteral("Kita"));
    EXPECT_GE(afterMsg, 1);
    EXPECT_GT(afterInfo1, afterMsg);
    EXPECT_GT(counter.paints, afterInfo1);
    EXPECT_EQ(wait.loadInfo1(), QStringLiteral("100 件"));
    EXPECT_EQ(static_cast<QLabel *>(wait.lblLoadInfo2.widget())->text(), QStringLiteral("Kita"));
}

TEST_F(WaitDialogTest, ClosingFromTheWindowMenuDoesNotEndTheDialog)
{
    wait.setParent(&owner);
    wait.clear();
    wait.Show(vbModeless, &owner);
    wait.widget()->close();
    EXPECT_TRUE(wait.isLoaded());
    EXPECT_FALSE(owner.Enabled());
}

TEST(WaitDialogLifetime, ReleasedWhileLoadedGivesTheOwnerBack)
{
    OwnerForm owner;
    {
        frmWait wait;
        wait.setParent(&owner);
        wait.clear();
        EXPECT_FALSE(owner.Enabled());
    }
    EXPECT_TRUE(owner.Enabled());
    EXPECT_EQ(Screen::MousePointer(), vbDefault);
}
