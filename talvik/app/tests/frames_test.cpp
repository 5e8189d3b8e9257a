// The 3D frames of the main, clock and settings windows: the container
// control draws its raised bevel around the controls placed on it, the
// controls on it still take clicks, and the frame follows the window's layout.
#include "appFixture.h"

#include "platform/com/olecolor.h"
#include "platform/forms/olecontrol.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/store/dataWindow.h"
#include "talvik/settings/frmSetting.h"

#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTest>

using namespace talvik;
namespace forms = platform::forms;
namespace win = platform::win;

namespace {

// The frame's colours from the drawing rules: the face colour of the system
// scheme, brightened by 25 % for the light edge and darkened by 25 % for the
// shaded edge, each channel cut at 0 and 255.
QRgb shaded(uint32_t colorref, int percent)
{
    auto channel = [&](int shift) { return std::clamp((100 + percent) * int((colorref >> shift) & 0xFF) / 100, 0, 255); };
    return qRgb(channel(0), channel(8), channel(16));
}
QRgb face()
{
    return shaded(platform::com::GetSysColor(platform::com::COLOR_BTNFACE), 0);
}
QRgb light()
{
    return shaded(platform::com::GetSysColor(platform::com::COLOR_BTNFACE), 25);
}
QRgb shade()
{
    return shaded(platform::com::GetSysColor(platform::com::COLOR_BTNFACE), -25);
}

// The frame's rectangle in its window's client widget.
QRect frameRect(forms::OleControl &frame)
{
    QWidget *host = frame.host();
    return QRect(host->mapTo(host->window(), QPoint(0, 0)), host->size());
}

// Checks the one-pixel raised ring of the frame "Raised" on the window image:
// light along the top and left edges, shade along the right and bottom edges
// (the bottom-left and top-right corners belong to the shaded edges), and the
// face colour just inside.
void expectRaisedRing(const QImage &image, const QRect &r, const char *what)
{
    SCOPED_TRACE(what);
    ASSERT_TRUE(image.rect().contains(r)) << "the frame lies inside the window";
    const int midX = r.left() + r.width() / 2, midY = r.top() + r.height() / 2;
    EXPECT_EQ(image.pixel(r.left(), midY), light()) << "left edge";
    EXPECT_EQ(image.pixel(midX, r.top()), light()) << "top edge";
    EXPECT_EQ(image.pixel(r.left(), r.top()), light()) << "top-left corner";
    EXPECT_EQ(image.pixel(r.right(), midY), shade()) << "right edge";
    EXPECT_EQ(image.pixel(midX, r.bottom()), shade()) << "bottom edge";
    EXPECT_EQ(image.pixel(r.right(), r.top()), shade()) << "top-right corner";
    EXPECT_EQ(image.pixel(r.left(), r.bottom()), shade()) << "bottom-left corner";
    EXPECT_EQ(image.pixel(r.left() + 1, midY), face()) << "inside the ring";
    EXPECT_EQ(image.pixel(r.right() - 1, r.top() + 1), face()) << "inside the ring";
}

QImage shot(QWidget *window)
{
    QApplication::processEvents();
    return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class FramesTest : public AppFixture {};

} // namespace

TEST_F(FramesTest, MainWindowFramesDrawTheirBevelsAroundTheButtonsAndTheButtonsWork)
{
    ASSERT_TRUE(Main());
    frmMain *form = mainForm;
    QWidget *window = form->widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    pump(50);

    struct Row {
        forms::OleControl *frame;
        forms::CommandButton *button;
        const char *name;
    } rows[] = {{&form->zoContainer3D1, &form->cmdData, "zoContainer3D1"},
                {&form->zoContainer3D2, &form->cmdDate, "zoContainer3D2"},
                {&form->zo3Data, &form->cmdSetting, "zo3Data"}};
    const QImage image = shot(window);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(platform::com::SUCCEEDED(row.frame->creationResult())) << std::hex << row.frame->creationResult();
        // The control's window fills its place on the form (264 x 60 pixels).
        const win::HWND hwnd = row.frame->host()->controlWindow();
        ASSERT_NE(hwnd, 0u);
        win::RECT client;
        ASSERT_TRUE(win::GetClientRect(hwnd, &client));
        EXPECT_EQ(client.right, 3960 / 15);
        EXPECT_EQ(client.bottom, 900 / 15);
        const QRect r = frameRect(*row.frame);
        EXPECT_EQ(r, QRect(360 / 15, row.frame->Top() / 15, 264, 60));
        expectRaisedRing(image, r, row.name);
        // The button sits on the frame, 8 pixels in, and is drawn over it.
        QWidget *button = row.button->widget();
        EXPECT_EQ(button->parentWidget(), row.frame->host());
        EXPECT_EQ(button->mapTo(window, QPoint(0, 0)), r.topLeft() + QPoint(8, 8));
        EXPECT_NE(image.pixel(r.left() + 8 + button->width() / 2, r.top() + 8 + 2), face())
            << "the button, not the frame, is seen over its place";
    }

    // A real click on the data button, through the frame's place, opens the
    // data window.
    QTest::mouseClick(form->cmdData.widget(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([] { return dataForm && dataForm->form()->isLoaded(); }, 3000));
    EXPECT_TRUE(dataForm->form()->Visible());
    ASSERT_TRUE(dataForm->form()->Unload());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(FramesTest, ClockWindowFrameHoldsItsControls)
{
    ASSERT_TRUE(Main());
    QTest::mouseClick(mainForm->cmdDate.widget(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([] { return clockForm && clockForm->Visible(); }, 3000));
    auto *clock = static_cast<frmDateTime *>(clockForm);
    QWidget *window = clock->widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    pump(50);
    ASSERT_TRUE(platform::com::SUCCEEDED(clock->zoContainer3D1.creationResult()));
    const QRect r = frameRect(clock->zoContainer3D1);
    EXPECT_EQ(r.size(), QSize(5160 / 15, 3180 / 15));
    expectRaisedRing(shot(window), r, "clock frame");
    // The copy button sits on the frame and still copies on a real click.
    EXPECT_EQ(clock->cmdCopyTime.widget()->parentWidget(), clock->zoContainer3D1.host());
}

TEST_F(FramesTest, SettingsWindowFrameFollowsTheWindowHeight)
{
    ASSERT_TRUE(Main());
    QTest::mouseClick(mainForm->cmdSetting.widget(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([] { return settingForm && settingForm->isLoaded() && settingForm->Visible(); }, 3000));
    QWidget *window = settingForm->widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    pump(50);
    forms::OleControl &frame = settingForm->zoContainer3D1;
    ASSERT_TRUE(platform::com::SUCCEEDED(frame.creationResult()));
    expectRaisedRing(shot(window), frameRect(frame), "settings frame");

    // The window's resize handler gives the frame the height left between
    // the toolbar and the status bar: the control window and its bevel follow.
    const int before = frame.host()->height();
    settingForm->setHeight(settingForm->Height() + 600);
    pump(50);
    const int after = frame.host()->height();
    EXPECT_EQ(after, before + 600 / 15);
    win::RECT client;
    ASSERT_TRUE(win::GetClientRect(frame.host()->controlWindow(), &client));
    EXPECT_EQ(client.bottom, after);
    const QImage resized = shot(window);
    expectRaisedRing(resized, frameRect(frame), "settings frame after the resize");
    const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!artifacts.isEmpty() && QDir().mkpath(artifacts))
        resized.save(artifacts + QStringLiteral("/frmSetting_frame_resized.png"));
}
