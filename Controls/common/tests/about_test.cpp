// The suite's About box and the module-version text, through a small test
// module with its own string table and version record.
#include "Controls/common/AboutDialog.h"
#include "Controls/common/AboutLogo.h"
#include "Controls/common/ModuleVersion.h"

#include "platform/codepage/codepage.h"
#include "platform/win/messagebox.h"

#include "platform/shell/shellexecute.h"
#include "platform/system/registry.h"
#include "platform/win/controls.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"
#include "x11window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace platform::win;
using controls::AboutDialog;
namespace com = platform::com;
namespace sys = platform::system;
namespace shell = platform::shell;

constexpr HINSTANCE kTestModule = 0x7E57;

const com::ModuleResources &testResources()
{
    static const com::ModuleResources r{
        {{100, QStringLiteral("Combo")}, {8000, QStringLiteral("https://talvik.example/controls/")}},
        true,
        {7, 1, 20, 305},
    };
    return r;
}

std::string itemText(HWND dlg, int id)
{
    char buffer[512] = {};
    GetDlgItemTextA(dlg, id, buffer, sizeof buffer);
    return buffer;
}

bool visible(HWND dlg, int id) { return GetWindowLongPtrA(GetDlgItem(dlg, id), GWL_STYLE) & WS_VISIBLE; }

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        shell::SetShellExecuteRecorder([this](const shell::ShellExecuteRequest &r) {
            m_runs.push_back(r);
            return shell::kShellExecuteDone;
        });
        m_before = WindowCount();
    }
    void TearDown() override
    {
        SetDialogShownHook(nullptr);
        shell::SetShellExecuteRecorder(nullptr);
        qunsetenv("TALVIK_REGISTRY");
        PumpPostedMessages();
        EXPECT_EQ(WindowCount(), m_before) << "windows left alive";
    }
    // A point of the window given in screen coordinates, for its widget.
    static QPoint widgetPoint(HWND hwnd, POINT screen)
    {
        return WidgetOfWindow(hwnd)->mapFromGlobal(QPoint(screen.x, screen.y));
    }
    // A click on the caption band with the modifiers held: the box sees
    // WM_NCLBUTTONDOWN and reads the key state the input left.
    static void captionClick(HWND dlg, Qt::KeyboardModifiers mods)
    {
        RECT r;
        GetWindowRect(dlg, &r);
        const POINT p{r.left + 40, r.top + 12};
        ASSERT_EQ(SendMessageA(dlg, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCAPTION);
        QTest::mouseClick(WidgetOfWindow(dlg), Qt::LeftButton, mods, widgetPoint(dlg, p));
        // The press began a move by the window manager; a person's release
        // ends it there, this click's release does not.
        if (talviktest::x11EndMoveResize(WidgetOfWindow(dlg))) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(WidgetOfWindow(dlg)));
        }
    }
    // A point on the dialog between the OK and web-page buttons (screen).
    static POINT buttonAreaGap(HWND dlg)
    {
        RECT ok, web;
        GetWindowRect(GetDlgItem(dlg, IDOK), &ok);
        GetWindowRect(GetDlgItem(dlg, AboutDialog::kWebPage), &web);
        return POINT{(ok.right + web.left) / 2, (ok.top + ok.bottom) / 2};
    }
    static POINT clientPoint(HWND dlg, int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(dlg, &p);
        return p;
    }
    static void clickDialog(HWND dlg, POINT screen)
    {
        QTest::mouseClick(WidgetOfWindow(dlg), Qt::LeftButton, {}, widgetPoint(dlg, screen));
    }
    static void clickItem(HWND dlg, int id)
    {
        QWidget *w = WidgetOfWindow(GetDlgItem(dlg, id));
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }
    HWND owner()
    {
        WNDCLASSA wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "AboutOwner";
        RegisterClassA(&wc);
        const HWND h = CreateWindowExA(0, "AboutOwner", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, 0, 0, 0, nullptr);
        WidgetOfWindow(h)->show();
        return h;
    }
    QTemporaryDir m_dir;
    std::vector<shell::ShellExecuteRequest> m_runs;
    int m_before = 0;
};

TEST(ModuleVersionTest, FourPartsOfTheFileVersionOrTheBufferUnchanged)
{
    com::ModuleResources m;
    std::string text = "kept";
    controls::GetModuleVersionString(m, text);
    EXPECT_EQ(text, "kept") << "no version record";
    m.hasVersion = true;
    m.version = {65535, 0, 12, 65534};
    controls::GetModuleVersionString(m, text);
    EXPECT_EQ(text, "65535.0.12.65534");
    m.version = {7, 1, 20, 305};
    controls::GetModuleVersionString(m, text);
    EXPECT_EQ(text, "7.1.20.305");
}

TEST_F(AboutTest, TitleLineCentringAndClosingWithOk)
{
    const HWND own = owner();
    AboutDialog box(AboutDialog::kTemplateId, testResources(), kTestModule);
    std::string version = "unset";
    controls::GetModuleVersionString(testResources(), version);
    box.SetBuildText(QString::fromStdString(version));
    std::string title;
    RECT rect{};
    RECT client{};
    bool ownerDisabled = false;
    SetDialogShownHook([&](HWND dlg) {
        title = itemText(dlg, AboutDialog::kTitle);
        GetWindowRect(dlg, &rect);
        GetClientRect(dlg, &client);
        ownerDisabled = !IsWindowEnabled(own);
        EXPECT_TRUE(visible(dlg, AboutDialog::kTitle));
        EXPECT_FALSE(visible(dlg, AboutDialog::kCredits)) << "the credits area is hidden at first";
        clickItem(dlg, IDOK);
    });
    EXPECT_EQ(box.DoModal(own), IDOK);
    EXPECT_EQ(title, "zoCombo ActiveX Control -  (Build:7.1.20.305)");
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(own));
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - w) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - h) / 2);
    // 222 x 185 dialog units of the dialog font.
    const LONG units = GetDialogBaseUnits();
    EXPECT_EQ(client.right, (222 * LOWORD(units) + 2) / 4);
    EXPECT_EQ(client.bottom, (185 * HIWORD(units) + 4) / 8);
    DestroyWindow(own);
    UnregisterClassA("AboutOwner", 0);

    // An object's box and a module without a version record.
    com::ModuleResources bare{{{100, QStringLiteral("Combo")}}, false, {}};
    AboutDialog objectBox(AboutDialog::kTemplateId, bare, kTestModule + 1);
    std::string build;
    controls::GetModuleVersionString(bare, build);
    objectBox.SetBuildText(QString::fromStdString(build));
    objectBox.SetObjectKind(true);
    SetDialogShownHook([&](HWND dlg) {
        title = itemText(dlg, AboutDialog::kTitle);
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Escape);
    });
    EXPECT_EQ(objectBox.DoModal(0), IDCANCEL);
    EXPECT_EQ(title, "zoCombo ActiveX Object -  (Build:)") << "no version record: an empty build text";
}

TEST_F(AboutTest, CreditsStartAfterThreeMarkedCaptionClicksAndStopOnDeactivation)
{
    AboutDialog box(AboutDialog::kTemplateId, testResources(), kTestModule);
    QWidget other;
    other.resize(50, 50);
    bool startedEarly = true, running = false, hiddenItems = false, drewBlack = false, drewText = false;
    bool stoppedOnDeactivate = false, itemsBack = false, timerGone = false;
    SetDialogShownHook([&](HWND dlg) {
        QTest::qWait(50);
        // On a display the credits run only while the box is the active
        // window: the window manager activates it first.
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(WidgetOfWindow(dlg)));
        }
        // A picture of the box before the credits ran: the hidden credits
        // area must not show.
        const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
        if (!artifacts.isEmpty() && QDir().mkpath(artifacts))
            WidgetOfWindow(dlg)->grab().save(artifacts + QStringLiteral("/about_box.png"));
        // A plain caption click in between clears the marks.
        captionClick(dlg, Qt::ShiftModifier);
        captionClick(dlg, Qt::ControlModifier);
        captionClick(dlg, Qt::NoModifier);
        captionClick(dlg, Qt::ShiftModifier | Qt::ControlModifier);
        clickDialog(dlg, buttonAreaGap(dlg));
        startedEarly = box.CreditsRunning();
        // A click outside the button area clears them as well.
        captionClick(dlg, Qt::ShiftModifier);
        captionClick(dlg, Qt::ControlModifier);
        captionClick(dlg, Qt::ShiftModifier | Qt::ControlModifier);
        clickDialog(dlg, clientPoint(dlg, 5, 5));
        clickDialog(dlg, buttonAreaGap(dlg));
        startedEarly = startedEarly || box.CreditsRunning();

        captionClick(dlg, Qt::ShiftModifier);
        captionClick(dlg, Qt::ControlModifier);
        captionClick(dlg, Qt::ShiftModifier | Qt::ControlModifier);
        clickDialog(dlg, buttonAreaGap(dlg));
        running = box.CreditsRunning();
        hiddenItems = !visible(dlg, AboutDialog::kTitle) && !visible(dlg, AboutDialog::kProduct)
            && !visible(dlg, AboutDialog::kOwnership) && !visible(dlg, AboutDialog::kDescription)
            && visible(dlg, AboutDialog::kCredits);
        // Let the scroller run past its first line (15 steps of 40 ms, then
        // the line rises); a busy machine may need longer.
        const HWND area = GetDlgItem(dlg, AboutDialog::kCredits);
        for (int waited = 0; waited < 8000 && !drewText; waited += 100) {
            QTest::qWait(100);
            UpdateWindow(area);
            const QImage surface = WindowSurface(area);
            drewBlack = surface.pixel(2, 2) == qRgb(0, 0, 0);
            // The first line is a heading: bold cyan text.
            for (int y = 0; y < surface.height() && !drewText; ++y)
                for (int x = 0; x < surface.width() && !drewText; ++x)
                    drewText = surface.pixel(x, y) == qRgb(0, 255, 255);
        }

        // Another window becomes active: the box stops its credits.
        other.show();
        other.activateWindow();
        for (int waited = 0; waited < 3000 && box.CreditsRunning(); waited += 50)
            QTest::qWait(50);
        stoppedOnDeactivate = !box.CreditsRunning();
        itemsBack = visible(dlg, AboutDialog::kTitle) && !visible(dlg, AboutDialog::kCredits);
        timerGone = !KillTimer(dlg, AboutDialog::kCreditsTimer);
        SendMessageA(dlg, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(box.DoModal(0), IDOK);
    EXPECT_FALSE(startedEarly);
    EXPECT_TRUE(running);
    EXPECT_TRUE(hiddenItems);
    EXPECT_TRUE(drewBlack) << "the credits area is black";
    EXPECT_TRUE(drewText) << "the cyan heading has risen into view";
    EXPECT_TRUE(stoppedOnDeactivate);
    EXPECT_TRUE(itemsBack);
    EXPECT_TRUE(timerGone) << "the credits timer is killed";
}

TEST_F(AboutTest, SystemInformationRunsTheRegisteredProgramAndNothingWithoutIt)
{
    const QString key = QStringLiteral("Software\\Microsoft\\Shared Tools\\MSINFO");
    // A path longer than the 128 bytes a fixed buffer would hold.
    const QString path = QStringLiteral("C:\\Program Files\\Common Files\\") + QString(120, QLatin1Char('d'))
        + QStringLiteral("\\MSINFO32.EXE");
    ASSERT_EQ(sys::SHSetValue(sys::RootKey::LocalMachine, key, QStringLiteral("Path"), sys::REG_SZ, sys::regSz(path)),
              sys::ERROR_SUCCESS);
    AboutDialog box(AboutDialog::kTemplateId, testResources(), kTestModule);
    SetDialogShownHook([&](HWND dlg) {
        clickItem(dlg, AboutDialog::kSystemInfo);
        clickItem(dlg, AboutDialog::kWebPage);
        clickItem(dlg, IDOK);
    });
    EXPECT_EQ(box.DoModal(0), IDOK);
    ASSERT_EQ(m_runs.size(), 2u);
    EXPECT_EQ(m_runs[0].file, path);
    EXPECT_EQ(m_runs[0].verb, QString()) << "the default verb";
    EXPECT_EQ(m_runs[0].show, shell::SW_SHOWNORMAL);
    EXPECT_EQ(m_runs[1].verb, QStringLiteral("open"));
    EXPECT_EQ(m_runs[1].file, QStringLiteral("https://talvik.example/controls/"));

    // Without the value (and then without the key) nothing runs.
    m_runs.clear();
    sys::RegKey k;
    ASSERT_EQ(sys::RegOpenKeyEx(sys::RootKey::LocalMachine, key, k), sys::ERROR_SUCCESS);
    sys::RegDeleteValue(k, QStringLiteral("Path"));
    sys::RegCloseKey(k);
    SetDialogShownHook([&](HWND dlg) {
        clickItem(dlg, AboutDialog::kSystemInfo);
        sys::RegDeleteTree(sys::RootKey::LocalMachine, key);
        clickItem(dlg, AboutDialog::kSystemInfo);
        clickItem(dlg, IDOK);
    });
    EXPECT_EQ(box.DoModal(0), IDOK);
    EXPECT_TRUE(m_runs.empty());
}

TEST_F(AboutTest, CommandsStopRunningCredits)
{
    AboutDialog box(AboutDialog::kTemplateId, testResources(), kTestModule);
    bool runningBefore = false, runningAfter = true;
    SetDialogShownHook([&](HWND dlg) {
        captionClick(dlg, Qt::ShiftModifier);
        captionClick(dlg, Qt::ControlModifier);
        captionClick(dlg, Qt::ShiftModifier | Qt::ControlModifier);
        clickDialog(dlg, buttonAreaGap(dlg));
        runningBefore = box.CreditsRunning();
        clickItem(dlg, AboutDialog::kWebPage);
        runningAfter = box.CreditsRunning();
        clickItem(dlg, IDOK);
    });
    EXPECT_EQ(box.DoModal(0), IDOK);
    EXPECT_TRUE(runningBefore);
    EXPECT_FALSE(runningAfter);
    EXPECT_EQ(m_runs.size(), 1u);
}

} // namespace

namespace {

// Keeps a picture among the test artifacts (for review).
void keepArtifact(QWidget *w, const char *name)
{
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return;
    w->grab().toImage().save(dir + QLatin1Char('/') + QLatin1String(name), "PNG");
}

} // namespace

TEST_F(AboutTest, TheLibraryBitmapIsDrawnAtTheTopLeft)
{
    AboutDialog box(AboutDialog::kTemplateId, testResources(), kTestModule);
    QImage logo;
    RECT logoRect{}, titleRect{};
    SetDialogShownHook([&](HWND dlg) {
        const HWND item = GetDlgItem(dlg, AboutDialog::kLogo);
        ASSERT_TRUE(IsWindow(item));
        GetWindowRect(item, &logoRect);
        GetWindowRect(GetDlgItem(dlg, AboutDialog::kTitle), &titleRect);
        logo = WidgetOfWindow(item)->grab().toImage();
        keepArtifact(WidgetOfWindow(dlg), "about_box.png");
        clickItem(dlg, IDOK);
    });
    ASSERT_EQ(box.DoModal(0), IDOK);
    ASSERT_GE(logo.width(), controls::kLogoSize);
    ASSERT_GE(logo.height(), controls::kLogoSize);
    int differing = 0;
    for (int y = 0; y < controls::kLogoSize; ++y)
        for (int x = 0; x < controls::kLogoSize; ++x)
            if ((logo.pixel(x, y) & 0xFFFFFF) != controls::SuiteLogoPixel(x, y))
                ++differing;
    EXPECT_EQ(differing, 0) << "every pixel of the logo, from the item's top-left corner";
    EXPECT_LT(logoRect.right, titleRect.left) << "left of the title line";
}

TEST_F(AboutTest, TheWebPageButtonOpensTheDocumentBesideTheLibraryOrSaysItIsMissing)
{
    // The libraries name a file: the README installed beside them.
    const com::ModuleResources readme{{{100, QStringLiteral("Combo")}, {8000, QStringLiteral("README.md")}}, true, {7, 0, 0, 1}};
    AboutDialog box(AboutDialog::kTemplateId, readme, kTestModule);
    SetDialogShownHook([&](HWND dlg) {
        clickItem(dlg, AboutDialog::kWebPage);
        clickItem(dlg, IDOK);
    });
    ASSERT_EQ(box.DoModal(0), IDOK);
    ASSERT_EQ(m_runs.size(), 1u);
    EXPECT_EQ(m_runs[0].verb, QStringLiteral("open"));
    const QUrl url(m_runs[0].file);
    ASSERT_TRUE(url.isLocalFile()) << m_runs[0].file.toStdString();
    EXPECT_EQ(QFileInfo(url.toLocalFile()).fileName(), QStringLiteral("README.md"));
    EXPECT_TRUE(QFileInfo::exists(url.toLocalFile())) << "installed beside the program";
    // The same folder, also when it is reached through a symbolic link.
    EXPECT_EQ(QFileInfo(url.toLocalFile()).canonicalPath(), QDir(QCoreApplication::applicationDirPath()).canonicalPath());

    // A file that is not there is said, and nothing is opened.
    m_runs.clear();
    const com::ModuleResources missing{{{100, QStringLiteral("Combo")}, {8000, QStringLiteral("nowhere.md")}}, true, {7, 0, 0, 1}};
    AboutDialog other(AboutDialog::kTemplateId, missing, kTestModule);
    std::vector<std::string> boxes;
    const MessageBoxHandler previous = setMessageBoxHandler([&](HWND, const std::string &text, const std::string &, UINT) {
        boxes.push_back(text);
        return IDOK;
    });
    SetDialogShownHook([&](HWND dlg) {
        clickItem(dlg, AboutDialog::kWebPage);
        clickItem(dlg, IDOK);
    });
    ASSERT_EQ(other.DoModal(0), IDOK);
    setMessageBoxHandler(previous);
    EXPECT_TRUE(m_runs.empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(platform::codepage::fromAnsi(QByteArray::fromStdString(boxes[0])).contains(QStringLiteral("nowhere.md")));
}
