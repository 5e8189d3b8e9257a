// How windows appear to the user: owned dialogs with their border and place,
// windows kept on the screen, Japanese texts of Qt's own dialogs and message
// boxes, and one face for every character of a text.
#include "platform/forms/centring.h"
#include "platform/forms/app.h"
#include "platform/forms/commondialog.h"
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/form.h"
#include "platform/forms/msgbox.h"
#include "platform/forms/uisetup.h"
#include "plainForm.h"
#include "x11window.h"

#include <QApplication>
#include <QGlyphRun>
#include <QListWidget>
#include <QPointer>
#include <QRawFont>
#include <QScreen>
#include <QTest>
#include <QTextLayout>
#include <QWindow>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {

using formstest::PlainForm;

QPoint centreOf(const QRect &r)
{
    return QPoint(r.left() + r.width() / 2, r.top() + r.height() / 2);
}

bool near(const QPoint &a, const QPoint &b, int tolerance = 2)
{
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

class WindowingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setUpJapaneseUi();
        DialogScript::setUnexpectedDialogHandler(
            [](const QString &r) { ADD_FAILURE() << "unexpected dialog: " << r.toStdString(); });
    }
};

} // namespace

TEST_F(WindowingTest, DialogIsOwnedCentredOnItsOwnerWithoutMinMaxButtons)
{
    PlainForm owner(9000, 6000, vbSizable, vbStartUpManual);
    owner.Load();
    owner.widget()->move(20, 30);
    owner.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.widget()));

    PlainForm dialog(3000, 2000, vbFixedDialog, vbStartUpOwner);
    dialog.Show(vbModeless, &owner);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.widget()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !placingPending(dialog.widget()); }, 4000));
    QWindow *handle = dialog.widget()->windowHandle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->transientParent(), owner.widget()->windowHandle()) << "owned by the window that shows it";
    const Qt::WindowFlags flags = dialog.widget()->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(near(centreOf(dialog.widget()->frameGeometry()), centreOf(owner.widget()->frameGeometry())))
        << "dialog centre " << centreOf(dialog.widget()->frameGeometry()).x() << ","
        << centreOf(dialog.widget()->frameGeometry()).y();
    // A fixed border: the user cannot resize it.
    EXPECT_EQ(dialog.widget()->minimumSize(), dialog.widget()->maximumSize());
    dialog.Unload();
    owner.Unload();
}

TEST_F(WindowingTest, ClockLikeWindowStartsCentredOnTheScreen)
{
    PlainForm owner(6000, 4000, vbSizable, vbStartUpManual);
    owner.Load();
    owner.widget()->move(0, 0);
    owner.Show();
    PlainForm clock(5000, 3000, vbFixedSingle, vbStartUpScreen);
    clock.Show(vbModeless, &owner);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clock.widget()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !placingPending(clock.widget()); }, 4000));
    const QRect area = clock.widget()->screen()->availableGeometry();
    EXPECT_TRUE(near(centreOf(clock.widget()->frameGeometry()), centreOf(area)));
    EXPECT_EQ(clock.widget()->windowHandle()->transientParent(), owner.widget()->windowHandle());
    EXPECT_FALSE(clock.widget()->windowFlags() & Qt::WindowMaximizeButtonHint);
    clock.Unload();
    owner.Unload();
}

TEST_F(WindowingTest, WindowPlacedByTheProgramRightAfterShowingStaysThere)
{
    // A window centred at its showing, then placed by the program before the
    // window manager framed it: the program's place wins over the centring.
    PlainForm owner(9000, 6000, vbSizable, vbStartUpManual);
    owner.Load();
    owner.widget()->move(20, 30);
    owner.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.widget()));
    PlainForm dialog(3000, 2000, vbFixedDialog, vbStartUpOwner);
    dialog.Show(vbModeless, &owner);
    dialog.Move(600, 900);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.widget()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !placingPending(dialog.widget()); }, 4000));
    EXPECT_EQ(dialog.widget()->frameGeometry().topLeft(), QPoint(40, 60));
    dialog.Unload();
    owner.Unload();
}

TEST_F(WindowingTest, WindowSizedByTheProgramRightAfterShowingGetsThatOuterSize)
{
    // Sized before the window manager framed it: once framed, the frame has
    // the size the program asked, not that size and the frame around it.
    PlainForm form(6000, 4000, vbSizable, vbStartUpManual);
    form.Load();
    form.Show();
    form.setWidth(5250);
    form.setHeight(3300);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.widget()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sizingPending(form.widget()); }, 5000));
    EXPECT_EQ(form.Width(), 5250);
    EXPECT_EQ(form.Height(), 3300);
    // Once framed, a size given is exact at once and nothing waits.
    form.setHeight(3600);
    EXPECT_EQ(form.Height(), 3600);
    EXPECT_FALSE(sizingPending(form.widget()));
    form.Unload();
}

namespace {

// Shows a sizable form at (100, 80) and waits until the window manager has
// framed and placed it.
QWidget *showSettled(PlainForm &form)
{
    form.Load();
    form.widget()->move(100, 80);
    form.Show();
    QWidget *window = form.widget();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sizingPending(window) && !placingPending(window); }, 5000));
    return window;
}

} // namespace

// The window manager may tell a window's frame (or a changed one) after
// the window's last configure; Qt's widget keeps the frame of that
// configure. The window's outer size and place, and a size or place the
// program gives, go by the frame as told now.
TEST_F(WindowingTest, AFrameToldAfterTheLastConfigureCountsAtOnce)
{
    if (!talviktest::onX11())
        GTEST_SKIP() << "frame extents are told by a window manager on X";
    PlainForm form(6000, 4000, vbSizable, vbStartUpManual);
    QWidget *window = nullptr;
    ASSERT_NO_FATAL_FAILURE(window = showSettled(form));
    QTest::qWait(100);
    const QMargins before = window->windowHandle()->frameMargins();
    const QMargins told(before.left() + 3, before.top() + 20, before.right() + 4, before.bottom() + 5);
    ASSERT_TRUE(talviktest::x11TellFrameExtents(window, told.left(), told.right(), told.top(), told.bottom()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowHandle()->frameMargins() == told; }, 3000));

    const QRect inner = window->geometry();
    EXPECT_EQ(form.Width(), (inner.width() + told.left() + told.right()) * 15);
    EXPECT_EQ(form.Height(), (inner.height() + told.top() + told.bottom()) * 15);
    EXPECT_EQ(form.Left(), (inner.left() - told.left()) * 15);
    EXPECT_EQ(form.Top(), (inner.top() - told.top()) * 15);
    // A size given now: the inner window gets what the told frame leaves.
    form.setHeight(3300);
    EXPECT_EQ(window->height(), 220 - told.top() - told.bottom());
    form.setWidth(5250);
    EXPECT_EQ(window->width(), 350 - told.left() - told.right());
    // A place given now: the frame's corner is put there.
    form.setLeft(600);
    form.setTop(900);
    EXPECT_EQ(window->geometry().topLeft(), QPoint(40 + told.left(), 60 + told.top()));
    form.Unload();
}

TEST_F(WindowingTest, AFrameStillBeingBuiltIsNotTakenForTheWindowsFrame)
{
    if (!talviktest::onX11())
        GTEST_SKIP() << "frame extents are told by a window manager on X";
    PlainForm form(6000, 4000, vbSizable, vbStartUpManual);
    QWidget *window = nullptr;
    ASSERT_NO_FATAL_FAILURE(window = showSettled(form));
    // What Qt works out while the window manager's frame window is still
    // smaller than the window: sides that come out negative.
    const QMargins building(0, 0, -503, -351);
    ASSERT_TRUE(talviktest::x11TellFrameExtents(window, building.left(), building.right(), building.top(),
                                                building.bottom()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowHandle()->frameMargins() == building; }, 3000));
    EXPECT_EQ(frameMarginsOf(window), QMargins());
    EXPECT_EQ(form.Height(), window->height() * 15);
    // A height given meanwhile is kept for the frame that comes.
    form.setHeight(3300);
    EXPECT_EQ(window->height(), 220);
    EXPECT_TRUE(sizingPending(window));
    const QMargins told(1, 20, 1, 5);
    ASSERT_TRUE(talviktest::x11TellFrameExtents(window, told.left(), told.right(), told.top(), told.bottom()));
    // Read back as given as soon as the frame is told, before the window
    // system has applied the size it leaves the inner window.
    while (window->windowHandle()->frameMargins() != told)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(form.Height(), 3300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sizingPending(window); }, 5000));
    EXPECT_EQ(window->height(), 220 - told.top() - told.bottom());
    EXPECT_EQ(form.Height(), 3300);
    form.Unload();
}

TEST_F(WindowingTest, LargeWindowOpensFullyOnTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // Wider and taller than the screen, placed partly off it.
    PlainForm big((area.width() + 200) * 15, (area.height() + 100) * 15, vbSizable, vbStartUpManual);
    big.Load();
    big.widget()->move(area.width() / 2, area.height() / 2);
    big.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(big.widget()));
    EXPECT_TRUE(area.contains(big.widget()->frameGeometry()))
        << big.widget()->frameGeometry().x() << "," << big.widget()->frameGeometry().y() << " "
        << big.widget()->frameGeometry().width() << "x" << big.widget()->frameGeometry().height();
    big.Unload();
}

// A window just closed can still be told active by a focus event of the
// window system that was on its way; a box shown then must not be owned by
// it: the closed window is about to be deleted and would take the box with
// it while the box is up.
TEST_F(WindowingTest, ABoxShownWhileAClosedWindowIsStillToldActiveIsOwnedByAWindowThatStays)
{
    PlainForm stays(9000, 6000, vbSizable, vbStartUpManual);
    stays.Show();
    stays.setCaption(QStringLiteral("残る窓"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(stays.widget()));
    PlainForm closing(6000, 4000, vbSizable, vbStartUpManual);
    closing.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(closing.widget()));
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(closing.widget()));
    const QPointer<QWidget> closed = closing.widget();
    closing.Unload();
    // The late focus event.
    QApplication::setActiveWindow(closed);
    ASSERT_EQ(QApplication::activeWindow(), closed.data());
    DialogScript script;
    script.showAndPressNext(vbOK);
    EXPECT_EQ(MsgBox(QStringLiteral("保存しました。"), vbOKOnly), vbOK);
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown().first().ownerTitle, QStringLiteral("残る窓"));
    EXPECT_TRUE(script.verify());
    stays.Unload();
}

TEST_F(WindowingTest, ShownMessageBoxIsOwnedAndReadsInJapanese)
{
    PlainForm owner(9000, 6000, vbSizable, vbStartUpManual);
    owner.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.widget()));
    owner.widget()->activateWindow();
    DialogScript script;
    script.showAndPressNext(vbNo);
    const int answer = MsgBox(QStringLiteral("[013673078] を削除します。よろしいですか？"), vbYesNo + vbQuestion,
                              QStringLiteral("題"));
    EXPECT_EQ(answer, vbNo) << "the pressed button decides";
    ASSERT_EQ(script.shown().size(), 1);
    const ShownDialog &box = script.shown().first();
    ASSERT_TRUE(box.shownForReal);
    EXPECT_EQ(box.buttons, (QStringList{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}));
    EXPECT_EQ(box.ownerTitle, QStringLiteral("窓"));
    EXPECT_TRUE(near(centreOf(box.frame), centreOf(box.ownerFrame), 3));
    EXPECT_TRUE(script.verify());
    owner.Unload();
}

TEST_F(WindowingTest, FileDialogReadsInJapaneseAndShowsEachFilterOnce)
{
    ASSERT_TRUE(setUpJapaneseUi()) << "Qt's Japanese catalogue is installed";
    DialogScript script;
    script.showAndCancelNextFileDialog();
    CommonDialog dialog;
    dialog.setDialogTitle(QStringLiteral("CSVファイル入力"));
    dialog.setFilter(QStringLiteral("専用CSV(*.CSV)|*.CSV"));
    dialog.ShowOpen();
    ASSERT_EQ(script.shown().size(), 1);
    const ShownDialog &shown = script.shown().first();
    ASSERT_TRUE(shown.shownForReal);
    EXPECT_EQ(shown.filters, QStringList{QStringLiteral("専用CSV(*.CSV)")});
    EXPECT_TRUE(shown.buttons.contains(QStringLiteral("キャンセル"))) << shown.buttons.join(u',').toStdString();
    EXPECT_TRUE(script.verify());
}

TEST_F(WindowingTest, AFileDialogShowsItsTitleOrElseThePlatformsOwn)
{
    // The program's title is that of its message boxes; a file dialog
    // without a title of its own carries the platform's title for its kind.
    const QString previous = App::Title();
    App::setTitle(QStringLiteral("Orvantis"));
    DialogScript script;
    script.showAndCancelNextFileDialog();
    script.showAndCancelNextFileDialog();
    script.showAndCancelNextFileDialog();
    CommonDialog dialog;
    dialog.ShowSave();
    dialog.ShowOpen();
    dialog.setDialogTitle(QStringLiteral("ＣＳＶ出力"));
    dialog.ShowSave();
    App::setTitle(previous);
    ASSERT_EQ(script.shown().size(), 3);
    EXPECT_TRUE(script.shown()[0].shownForReal);
    EXPECT_EQ(script.shown()[0].windowTitle, QStringLiteral("名前を付けて保存"));
    EXPECT_EQ(script.shown()[1].windowTitle, QStringLiteral("開く"));
    EXPECT_EQ(script.shown()[2].windowTitle, QStringLiteral("ＣＳＶ出力"));
    EXPECT_TRUE(script.verify());
}

TEST_F(WindowingTest, ListTextIsDrawnInOneFace)
{
    QListWidget list;
    list.addItem(QStringLiteral("2024/05/13 10:35    お客さまの削除　　　　　「[013673078]」"));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QTextLayout layout(list.item(0)->text(), list.font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QSet<QString> faces;
    for (const QGlyphRun &run : layout.glyphRuns())
        faces.insert(run.rawFont().familyName());
    EXPECT_EQ(faces.size(), 1) << QStringList(faces.values()).join(u',').toStdString();
    EXPECT_EQ(list.font().family(), uiFont().family());
}

// Showing a window that is already shown (as a second click on the button
// that opened it does) brings it forward; it must not hide and show it again,
// which would flicker and take the activation and the focus from it.
TEST_F(WindowingTest, ShowingAShownWindowAgainKeepsItUpAndActive)
{
    for (int border : {int(vbSizable), int(vbFixedSingle), int(vbFixedDialog)}) {
        PlainForm window(6000, 4000, border, vbStartUpManual);
        window.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.widget()));
        QApplication::setActiveWindow(window.widget());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.widget()));

        struct HideCounter : QObject {
            int hides = 0;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Hide)
                    ++hides;
                return false;
            }
        } counter;
        window.widget()->installEventFilter(&counter);
        window.Show();
        window.Show(vbModeless);
        QApplication::processEvents();
        EXPECT_EQ(counter.hides, 0) << "border " << border;
        EXPECT_TRUE(window.widget()->isActiveWindow()) << "border " << border;
        window.widget()->removeEventFilter(&counter);
        window.Unload();
    }
}
