// Form lifecycle, disable holds, closing by the user, owners and pointers.
#include "platform/forms/controls.h"
#include "platform/forms/doevents.h"
#include "platform/forms/form.h"
#include "platform/forms/timer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QCursor>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {

class SampleForm : public Form {
public:
    CommandButton cmdOK{this, QStringLiteral("cmdOK")};
    Label lblText{this, QStringLiteral("lblText")};
    Frame fraBox{this, QStringLiteral("fraBox")};
    CommandButton cmdInner{this, QStringLiteral("cmdInner"), &fraBox};

    int loads = 0;
    int unloads = 0;
    int queryModes = -1;
    int cancelQuery = 0;
    int cancelUnload = 0;
    QString member = QStringLiteral("kept");

protected:
    void designForm() override
    {
        setDesignSize(3000, 2000);
        cmdOK.setCaption(QStringLiteral("OK"));
        cmdOK.Move(150, 150, 1200, 375);
        lblText.setCaption(QStringLiteral("design"));
    }
    void Form_Load() override { ++loads; }
    void Form_QueryUnload(int &cancel, int unloadMode) override
    {
        queryModes = unloadMode;
        cancel = cancelQuery;
    }
    void Form_Unload(int &cancel) override
    {
        ++unloads;
        cancel = cancelUnload;
    }
};

} // namespace

TEST(FormLifecycle, CreatedFormIsNotLoadedUntilTouched)
{
    SampleForm form;
    EXPECT_FALSE(form.isLoaded());
    // Holds, Visible and the control list do not load the form.
    form.addDisableHold(QStringLiteral("x"));
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.Controls().size(), 4);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(form.loads, 0);

    // Touching a control loads it, once.
    EXPECT_EQ(form.lblText.Caption(), QStringLiteral("design"));
    EXPECT_TRUE(form.isLoaded());
    EXPECT_EQ(form.loads, 1);
    form.cmdOK.Caption();
    EXPECT_EQ(form.loads, 1);
    EXPECT_FALSE(form.Visible());
}

TEST(FormLifecycle, CaptionLoadsAndUnloadKeepsMembersButResetsControls)
{
    SampleForm form;
    form.setCaption(QStringLiteral("題名"));
    EXPECT_EQ(form.loads, 1);
    form.lblText.setCaption(QStringLiteral("changed"));
    form.member = QStringLiteral("changed member");
    ASSERT_TRUE(form.Unload());
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(form.unloads, 1);
    EXPECT_EQ(form.queryModes, vbFormCode);
    EXPECT_EQ(form.member, QStringLiteral("changed member"));
    // A later touch loads it again from its design.
    EXPECT_EQ(form.lblText.Caption(), QStringLiteral("design"));
    EXPECT_EQ(form.Caption(), QString());
    EXPECT_EQ(form.loads, 2);
}

TEST(FormLifecycle, QueryUnloadOrUnloadCancelKeepsTheFormLoaded)
{
    SampleForm form;
    form.Show();
    form.cancelQuery = 1;
    EXPECT_FALSE(form.Unload());
    EXPECT_TRUE(form.isLoaded());
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.unloads, 0);

    form.cancelQuery = 0;
    form.cancelUnload = 1;
    EXPECT_FALSE(form.Unload());
    EXPECT_TRUE(form.isLoaded());
    EXPECT_EQ(form.unloads, 1);

    form.cancelUnload = 0;
    EXPECT_TRUE(form.Unload());
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(form.Visible());
    // Unloading an unloaded form does nothing and loads nothing.
    EXPECT_TRUE(form.Unload());
    EXPECT_EQ(form.loads, 1);
}

TEST(FormLifecycle, UserCloseGoesThroughQueryUnloadWithControlMenu)
{
    SampleForm form;
    form.Show();
    form.cancelQuery = 1;
    form.widget()->close();
    EXPECT_EQ(form.queryModes, vbFormControlMenu);
    EXPECT_TRUE(form.isLoaded());
    EXPECT_TRUE(form.Visible());

    form.cancelQuery = 0;
    form.widget()->close();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(form.unloads, 1);
}

TEST(FormLifecycle, UnloadFromItsOwnButtonClickIsSafe)
{
    SampleForm form;
    QObject::connect(&form.cmdOK, &CommandButton::Click, &form, [&form] { form.Unload(); });
    form.Show();
    static_cast<QPushButton *>(form.cmdOK.widget())->click();
    EXPECT_FALSE(form.isLoaded());
    DoEvents(); // the window goes with the deferred deletion
    EXPECT_EQ(form.cmdOK.Caption(), QStringLiteral("OK"));
    EXPECT_EQ(form.loads, 2);
}

TEST(FormLifecycle, ModalShowRunsUntilHidden)
{
    SampleForm form;
    bool ranInside = false;
    QTimer::singleShot(0, &form, [&] {
        ranInside = form.Visible() && form.isModal();
        form.Unload();
    });
    form.Show(vbModal);
    EXPECT_TRUE(ranInside);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(form.isModal());
}

TEST(FormLifecycle, ShowingModallyAVisibleFormIsAnError)
{
    SampleForm form;
    form.Show();
    try {
        form.Show(vbModal);
        FAIL() << "no error";
    } catch (const platform::RuntimeError &error) {
        EXPECT_EQ(error.Number(), 400);
        EXPECT_EQ(error.Description(), QStringLiteral("フォームは既に表示されています。モーダル表示はできません。"));
    }
}

TEST(DisableHolds, FormIsEnabledOnlyWhenNoHolderRemains)
{
    SampleForm form;
    form.Show();
    form.addDisableHold(QStringLiteral("wait"));
    form.setEnabled(false);
    EXPECT_FALSE(form.Enabled());
    EXPECT_FALSE(form.widget()->isEnabled());
    form.releaseDisableHold(QStringLiteral("wait"));
    EXPECT_FALSE(form.Enabled()); // "self" still holds
    EXPECT_EQ(form.disableHolds(), QStringList{QStringLiteral("self")});
    form.addDisableHold(QStringLiteral("wait"));
    form.setEnabled(true);
    EXPECT_FALSE(form.Enabled()); // "wait" again
    form.releaseDisableHold(QStringLiteral("wait"));
    EXPECT_TRUE(form.Enabled());
    EXPECT_TRUE(form.widget()->isEnabled());
    // Releasing a hold nobody holds changes nothing.
    form.releaseDisableHold(QStringLiteral("nobody"));
    EXPECT_TRUE(form.Enabled());
}

TEST(DisableHolds, HoldsSurviveUnloadAndApplyAtTheNextLoad)
{
    SampleForm form;
    form.addDisableHold(QStringLiteral("owner"));
    form.Show();
    EXPECT_FALSE(form.widget()->isEnabled());
    form.Unload();
    EXPECT_FALSE(form.Enabled());
    form.releaseDisableHold(QStringLiteral("owner"));
    form.Show();
    EXPECT_TRUE(form.widget()->isEnabled());
}

TEST(DisableHolds, ControlEnabledIsItsOwnFlag)
{
    SampleForm form;
    form.Show();
    form.setEnabled(false);
    EXPECT_TRUE(form.cmdOK.Enabled());
    EXPECT_FALSE(form.cmdOK.widget()->isEnabled());
    form.cmdOK.setEnabled(false);
    form.setEnabled(true);
    EXPECT_FALSE(form.cmdOK.Enabled());
    form.fraBox.setEnabled(false);
    EXPECT_TRUE(form.cmdInner.Enabled());
}

TEST(FormOwner, OwnedWindowStaysUsableWhileItsOwnerIsDisabled)
{
    SampleForm owner;
    SampleForm owned;
    owner.Show();
    owned.Show(vbModeless, &owner);
    owner.addDisableHold(QStringLiteral("owned"));
    EXPECT_EQ(owned.Owner(), &owner);
    EXPECT_TRUE(owned.widget()->isWindow());
    EXPECT_TRUE(owned.widget()->isEnabled());
    EXPECT_TRUE(owned.cmdOK.widget()->isEnabled());
    ASSERT_NE(owned.widget()->windowHandle(), nullptr);
    EXPECT_EQ(owned.widget()->windowHandle()->transientParent(), owner.widget()->windowHandle());
    // Unloading the owned form leaves the owner's holds alone.
    owned.Unload();
    EXPECT_FALSE(owner.Enabled());
}

TEST(FormControls, EnumerationFindsButtonsByType)
{
    SampleForm form;
    int buttons = 0;
    for (Control *control : form.Controls())
        if (auto *button = qobject_cast<CommandButton *>(control)) {
            button->setEnabled(false);
            ++buttons;
        }
    EXPECT_EQ(buttons, 2);
    EXPECT_FALSE(form.cmdOK.Enabled());
    EXPECT_FALSE(form.cmdInner.Enabled());
    EXPECT_TRUE(form.lblText.Enabled());
    EXPECT_EQ(form.control(QStringLiteral("cmdinner")), &form.cmdInner);
    EXPECT_EQ(form.cmdInner.widget()->parentWidget(), form.fraBox.widget());
}

TEST(FormGeometry, TwipsAndTextMetrics)
{
    SampleForm form;
    form.Show();
    EXPECT_EQ(form.ScaleWidth(), 3000);
    EXPECT_EQ(form.ScaleHeight(), 1995); // 2000 twips rounds down to whole pixels
    EXPECT_EQ(form.cmdOK.Left(), 150);
    EXPECT_EQ(form.cmdOK.Width(), 1200);
    const int one = form.TextWidth(QStringLiteral("あ"));
    EXPECT_GT(one, 0);
    EXPECT_EQ(one % TwipsPerPixel, 0);
    EXPECT_GT(form.TextWidth(QStringLiteral("ああああ")), one * 3);
    EXPECT_EQ(form.TextHeight(QStringLiteral("a\nb")), 2 * form.TextHeight(QStringLiteral("a")));
}

TEST(FormPointer, FormAndScreenPointers)
{
    SampleForm form;
    form.setMousePointer(vbHourglass);
    EXPECT_EQ(form.MousePointer(), vbHourglass);
    EXPECT_EQ(form.widget()->cursor().shape(), Qt::WaitCursor);
    form.setMousePointer(vbDefault);
    EXPECT_EQ(form.MousePointer(), vbDefault);

    // The screen pointer is a value: setting it twice needs one reset.
    Screen::setMousePointer(vbHourglass);
    Screen::setMousePointer(vbHourglass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(Screen::MousePointer(), vbHourglass);
    Screen::setMousePointer(vbDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Screen::MousePointer(), vbDefault);
}

TEST(FormHandle, HandleFindsTheFormWhileLoaded)
{
    SampleForm form;
    const quintptr handle = form.hWnd();
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(Form::fromHWnd(handle), &form);
    EXPECT_TRUE(Form::loadedForms().contains(&form));
    form.Unload();
    EXPECT_EQ(Form::fromHWnd(handle), nullptr);
    EXPECT_FALSE(Form::loadedForms().contains(&form));
}

namespace {
class SelfUnloadingForm : public Form {
public:
    Label lbl{this, QStringLiteral("lbl")};
protected:
    void Form_Load() override { Unload(); }
};
class FailingLoadForm : public Form {
public:
    Label lbl{this, QStringLiteral("lbl")};
    int loads = 0;
protected:
    void Form_Load() override
    {
        ++loads;
        platform::raise(91);
    }
};
} // namespace

TEST(FormLifecycle, UnloadInsideFormLoadLeavesItUnloaded)
{
    SelfUnloadingForm form;
    form.Show();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(form.Visible());
}

TEST(FormLifecycle, ErrorInFormLoadReachesTheToucherAndTheFormStaysLoaded)
{
    FailingLoadForm form;
    try {
        form.lbl.setCaption(QStringLiteral("x"));
        FAIL() << "no error";
    } catch (const platform::RuntimeError &error) {
        EXPECT_EQ(error.Number(), 91);
    }
    EXPECT_TRUE(form.isLoaded());
    form.lbl.setCaption(QStringLiteral("x"));
    EXPECT_EQ(form.loads, 1);
}

TEST(FormKeys, EscapePressesTheCancelButtonAndEnterTheDefault)
{
    SampleForm form;
    int ok = 0;
    int inner = 0;
    QObject::connect(&form.cmdOK, &CommandButton::Click, [&] { ++ok; });
    QObject::connect(&form.cmdInner, &CommandButton::Click, [&] { ++inner; });
    form.cmdOK.setDefault(true);
    form.cmdInner.setCancel(true);
    form.Show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(form.widget(), &enter);
    QCoreApplication::sendEvent(form.widget(), &escape);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(inner, 1);
    // A hidden or disabled cancel button is not pressed.
    form.cmdInner.setVisible(false);
    QCoreApplication::sendEvent(form.widget(), &escape);
    form.cmdInner.setVisible(true);
    form.fraBox.setEnabled(false);
    QCoreApplication::sendEvent(form.widget(), &escape);
    EXPECT_EQ(inner, 1);
}

TEST(DoEventsTest, RunsPendingEventsAndCountsLoadedForms)
{
    const int before = DoEvents();
    SampleForm form;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    form.Load();
    EXPECT_EQ(DoEvents(), before + 1);
    EXPECT_TRUE(ran);
    form.Unload();
    EXPECT_EQ(DoEvents(), before);
}
