// Owned windows as the window manager sees them: every owned window is
// transient for its owner (WM_TRANSIENT_FOR on an X server), whatever its
// border, and a disabled window does not close from its close box.
#include "platform/forms/form.h"
#include "../plainForm.h"
#include "x11window.h"

#include <QApplication>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {

using formstest::PlainForm;

using OwnedWindowTest = ::testing::Test;

} // namespace

TEST_F(OwnedWindowTest, EveryOwnedWindowCarriesItsOwnerToTheWindowManager)
{
    // The owner, an owned sizable window (a data window), an owned fixed
    // window and an owned fixed dialog: each owned one is transient for its
    // owner as the X server holds it, whatever its border.
    PlainForm owner(6000, 4000, vbSizable, vbStartUpManual);
    owner.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.widget()));
    PlainForm sizable(7000, 5000, vbSizable, vbStartUpOwner);
    PlainForm single(3000, 2000, vbFixedSingle, vbStartUpOwner);
    PlainForm fixedDialog(3000, 2000, vbFixedDialog, vbStartUpOwner);
    for (PlainForm *owned : {&sizable, &single, &fixedDialog}) {
        owned->Show(vbModeless, &owner);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(owned->widget()));
        EXPECT_EQ(owned->widget()->windowHandle()->transientParent(), owner.widget()->windowHandle());
        if (talviktest::onX11()) {
            EXPECT_EQ(talviktest::x11TransientFor(talviktest::x11Window(owned->widget())),
                      talviktest::x11Window(owner.widget()))
                << "border style " << owned->BorderStyle() << ": no WM_TRANSIENT_FOR to the owner";
        }
    }
    // The sizable owned window keeps its sizing and its buttons.
    EXPECT_NE(sizable.widget()->minimumSize(), sizable.widget()->maximumSize());
    EXPECT_TRUE(sizable.widget()->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(sizable.widget()->windowFlags() & Qt::WindowMinimizeButtonHint);
    // An unowned window is no one's transient.
    if (talviktest::onX11()) {
        EXPECT_EQ(talviktest::x11TransientFor(talviktest::x11Window(owner.widget())), 0u);
    }
    for (PlainForm *owned : {&sizable, &single, &fixedDialog})
        owned->Unload();
    owner.Unload();
}

TEST_F(OwnedWindowTest, ADisabledWindowIgnoresItsCloseBoxAndAnEnabledOneCloses)
{
    PlainForm window(6000, 4000, vbSizable, vbStartUpManual);
    window.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.widget()));
    // The close box as the window manager reports it (on X the real
    // WM_DELETE_WINDOW message, else Qt's close request).
    auto closeBox = [&window] {
        if (!talviktest::x11RequestClose(window.widget()))
            window.widget()->close();
        QTest::qWait(talviktest::onX11() ? 200 : 0);
        QApplication::processEvents();
    };
    window.addDisableHold(QStringLiteral("owned window"));
    closeBox();
    EXPECT_TRUE(window.isLoaded()) << "a disabled window was closed by its close box";
    EXPECT_TRUE(window.Visible());
    window.releaseDisableHold(QStringLiteral("owned window"));
    closeBox();
    EXPECT_FALSE(window.isLoaded()) << "the enabled window's close box unloads it";
}
