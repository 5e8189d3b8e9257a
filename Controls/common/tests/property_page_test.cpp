// The suite's property pages in the property frame: a test module with two
// pages over a small object, the frame driven with real Qt input, and the
// page helpers on their own.
#include "Controls/common/PropertyPageBase.h"

#include "platform/codepage/codepage.h"
#include "platform/com/objectbase.h"
#include "platform/fileio/durable.h"
#include "platform/win/controls.h"
#include "platform/win/messagebox.h"
#include "platform/win/ole/olecontrol.h"
#include "platform/win/ole/propframe.h"
#include "platform/win/window.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDialog>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

using namespace platform::win;
using controls::FieldWrapper;
using controls::PropertyPageBase;
namespace com = platform::com;
using com::HRESULT;

// Keeps a picture of the frame among the test artifacts (for review).
void keepScreenshot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    w->grab().toImage().save(&buffer, "PNG");
    platform::fileio::writeFile(dir + QLatin1Char('/') + name, bytes);
}

std::string ansi(const char *utf8) { return platform::codepage::toAnsi(QString::fromUtf8(utf8)).toStdString(); }

// ---- the edited object: a name, a width and two colours, through IDispatch

constexpr com::DISPID kName = 1;
constexpr com::DISPID kWidth = 2;
constexpr com::DISPID kBackColor = -501;
constexpr com::DISPID kForeColor = -513;

class Target final : public com::RefCounted<com::IDispatch, IColorPropertyList> {
public:
    std::string name = "first";
    int width = 10;
    com::OLE_COLOR backColor = 0x8000000F;
    com::OLE_COLOR foreColor = 0x80000012;

    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(static_cast<com::IDispatch *>(this), iid, object,
                                     {{com::IID_IUnknown, static_cast<com::IDispatch *>(this)},
                                      {com::IID_IDispatch, static_cast<com::IDispatch *>(this)},
                                      {IID_IColorPropertyList, static_cast<IColorPropertyList *>(this)}});
    }
    HRESULT GetTypeInfoCount(uint32_t *count) override { return com::outValue(count, 0u); }
    HRESULT GetIDsOfNames(const com::IID &, const com::OLECHAR *const *, uint32_t, com::LCID, com::DISPID *) override
    {
        return com::E_NOTIMPL;
    }
    HRESULT Invoke(com::DISPID id, const com::IID &, com::LCID, uint16_t flags, com::DISPPARAMS *params,
                   com::VARIANT *result, com::EXCEPINFO *, uint32_t *) override
    {
        const bool put = flags & com::DISPATCH_PROPERTYPUT;
        if (put && (!params || params->cArgs != 1))
            return com::E_INVALIDARG;
        com::VARIANT *arg = put ? &params->rgvarg[0] : nullptr;
        com::Variant converted;
        switch (id) {
        case kBackColor:
        case kForeColor: {
            com::OLE_COLOR &c = id == kBackColor ? backColor : foreColor;
            if (put) {
                if (com::VariantChangeType(&converted, arg, 0, com::VT_I4) != com::S_OK)
                    return com::DISP_E_TYPEMISMATCH;
                c = static_cast<com::OLE_COLOR>(converted.lVal);
                return com::S_OK;
            }
            result->vt = com::VT_I4;
            result->lVal = static_cast<int32_t>(c);
            return com::S_OK;
        }
        default:
            return com::DISP_E_MEMBERNOTFOUND;
        }
    }
    HRESULT GetColorProperties(CALPOLESTR *names, CADWORD *dispids) override
    {
        return MakeColorPropertyList({{u"BackColor", kBackColor}, {u"ForeColor", kForeColor}}, names, dispids);
    }
};

// ---- the test module: strings, templates, two page classes

const com::ModuleResources &resources()
{
    static const com::ModuleResources r{
        {{140, QStringLiteral("全般")},
         {141, QStringLiteral("表示")},
         {151, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ の値が不正です。")},
         {8003, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨｴﾗｰ")},
         {101, QStringLiteral("0 - なし,1 - 実線")},
         {102, QStringLiteral("a?b?c")},
         {103, QStringLiteral("5 - five,plain,-3 - minus,12 - twelve")}},
        false,
        {}};
    return r;
}

controls::ComModule &testModule();

constexpr com::CLSID kGeneralPage{0x1A2B3C4D, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};
constexpr com::CLSID kSecondPage{0x1A2B3C4D, 0x0002, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 2}};
constexpr int kGeneralTemplate = 500;
constexpr int kSecondTemplate = 501;
constexpr int kNameField = 10;
constexpr int kWidthField = 11;
constexpr int kCheck = 12;
constexpr int kSecondCheck = 20;
constexpr int kSecondCommit = 21;

Target *targetOf(com::IUnknown *object)
{
    com::IDispatch *d = nullptr;
    if (!object || com::FAILED(object->QueryInterface(com::IID_IDispatch, reinterpret_cast<void **>(&d))))
        return nullptr;
    d->Release();
    return static_cast<Target *>(d);
}

// Name (text) and Width (number 0..32767), in this order, and a check box.
class GeneralPage : public PropertyPageBase {
public:
    GeneralPage() : PropertyPageBase(testModule(), kGeneralTemplate, 140) {}
    FieldWrapper width;

protected:
    void OnInitPage() override
    {
        InitNumberField(width, GetDlgItem(PageWindow(), kWidthField), 0, 32767, 5);
    }
    void FillFields() override
    {
        Target *t = targetOf(Object(0));
        if (!t)
            return;
        SetDlgItemTextA(PageWindow(), kNameField, t->name.c_str());
        controls::SetNumberFieldValue(width, static_cast<int16_t>(t->width));
    }
    HRESULT ApplyFields() override
    {
        Target *t = targetOf(Object(0));
        if (!t)
            return com::E_FAIL;
        char buffer[128] = {};
        GetDlgItemTextA(PageWindow(), kNameField, buffer, sizeof buffer);
        t->name = buffer;
        if (!controls::IsNumberFieldInRange(width))
            return RefuseField(width.hwnd);
        t->width = static_cast<int>(controls::GetNumberFieldValue(width));
        return com::S_OK;
    }
};

// One check box; Apply counts. A "確定" button applies the page by itself
// and makes it clean, as the containers' insert and the spins do.
class SecondPage : public PropertyPageBase {
public:
    SecondPage() : PropertyPageBase(testModule(), kSecondTemplate, 141) {}
    static inline int applied = 0;
    static inline com::IUnknown *shownObject = nullptr;

protected:
    void FillFields() override { shownObject = Object(0); }
    HRESULT ApplyFields() override
    {
        ++applied;
        return com::S_OK;
    }
    bool IsChangeNotification(int id, WORD code) const override
    {
        return id != kSecondCommit && PropertyPageBase::IsChangeNotification(id, code);
    }
    bool OnPageMessage(UINT msg, WPARAM wParam, LPARAM, LONG_PTR *) override
    {
        if (msg == WM_COMMAND && LOWORD(static_cast<std::uintptr_t>(wParam)) == kSecondCommit
            && com::SUCCEEDED(Apply()))
            SetDirty(false);
        return false;
    }
};

controls::ComModule &testModule()
{
    static controls::ComModule module(
        {controls::ObjectEntry{kGeneralPage, "GeneralPage", "General", "", "", "", "Apartment",
                               &controls::createObject<GeneralPage>, {}},
         controls::ObjectEntry{kSecondPage, "SecondPage", "Second", "", "", "", "Apartment",
                               &controls::createObject<SecondPage>, {}}},
        &resources());
    return module;
}

HINSTANCE instance() { return reinterpret_cast<HINSTANCE>(&testModule()); }

void registerTemplates()
{
    DialogTemplate general;
    general.style = WS_CHILD | DS_SETFONT;
    general.cx = 200;
    general.cy = 80;
    general.items = {
        {9, "STATIC", "Name:", WS_VISIBLE, 0, 4, 4, 40, 8},
        {kNameField, "EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 50, 4, 80, 12},
        {kWidthField, "RyxNumberLgtX", "", WS_VISIBLE | WS_TABSTOP, 0, 50, 20, 60, 12},
        {kCheck, "BUTTON", ansi("有効"), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 50, 36, 60, 10},
    };
    RegisterDialogTemplate(instance(), kGeneralTemplate, general);
    DialogTemplate second;
    second.style = WS_CHILD | DS_SETFONT;
    second.cx = 150;
    second.cy = 60;
    second.items = {{kSecondCheck, "BUTTON", ansi("太字"), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 8, 8, 60, 10},
                    {kSecondCommit, "BUTTON", ansi("確定"), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 8, 24, 50, 14}};
    RegisterDialogTemplate(instance(), kSecondTemplate, second);
}

LRESULT plainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

class PropertyFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_zobase7 = dlopen(ZOBASE7_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(s_zobase7, nullptr) << dlerror();
        registerTemplates();
        WNDCLASSA wc;
        wc.lpfnWndProc = plainProc;
        wc.lpszClassName = "FrameOwner";
        RegisterClassA(&wc);
        for (const com::CLSID &clsid : {kGeneralPage, kSecondPage}) {
            com::IClassFactory *f = nullptr;
            ASSERT_EQ(testModule().DllGetClassObject(clsid, com::IID_IClassFactory, reinterpret_cast<void **>(&f)),
                      com::S_OK);
            uint32_t cookie = 0;
            ASSERT_EQ(RegisterPageClassObject(clsid, f, &cookie), com::S_OK);
            f->Release();
        }
    }

    void SetUp() override
    {
        m_windowsBefore = WindowCount();
        m_owner = CreateWindowExA(0, "FrameOwner", "owner", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, 0, 0, 0, nullptr);
        ASSERT_TRUE(IsWindow(m_owner));
        m_target = new Target;
        m_target->AddRef();
        m_previousBoxes = setMessageBoxHandler([this](HWND owner, const std::string &text, const std::string &caption,
                                                      UINT type) {
            m_boxes.push_back({owner, text, caption, type});
            return IDOK;
        });
        SecondPage::applied = 0;
    }
    void TearDown() override
    {
        SetPropertyFrameShownHook({});
        setMessageBoxHandler(m_previousBoxes);
        EXPECT_EQ(m_target->Release(), 0u) << "nothing keeps the edited object";
        DestroyWindow(m_owner);
        EXPECT_EQ(WindowCount(), m_windowsBefore) << "every page and host window destroyed";
    }

    // Shows the frame over the target with the pages; `act` drives it and
    // must close it (a frame still open afterwards is cancelled and fails).
    HRESULT showFrame(std::vector<com::CLSID> pages, std::function<void(QDialog *)> act)
    {
        bool stillOpen = false;
        SetPropertyFrameShownHook([&](QDialog *frame) {
            frame->activateWindow();
            QApplication::setActiveWindow(frame);
            act(frame);
            if (frame->isVisible()) {
                stillOpen = true;
                frame->reject();
            }
        });
        com::IUnknown *objects[] = {static_cast<com::IDispatch *>(m_target)};
        const HRESULT hr = OleCreatePropertyFrame(m_owner, 0, 0, u"Test", 1, objects, static_cast<ULONG>(pages.size()),
                                                  pages.data(), 1041, 0, nullptr);
        EXPECT_FALSE(stillOpen) << "the frame was left open";
        return hr;
    }

    static QPushButton *button(QDialog *f, const char *name) { return f->findChild<QPushButton *>(name); }
    static QTabWidget *tabs(QDialog *f) { return f->findChild<QTabWidget *>("tabs"); }
    static HWND pageWindow(QDialog *f, int index) { return GetWindow(PropertyFramePageParent(f, index), GW_CHILD); }
    static void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); }
    static void type(HWND field, const char *text)
    {
        SetFocus(field);
        QTest::keyClicks(WidgetOfWindow(field), text);
    }

    static inline void *s_zobase7 = nullptr;
    int m_windowsBefore = 0;
    HWND m_owner = 0;
    Target *m_target = nullptr;
    std::vector<Box> m_boxes;
    MessageBoxHandler m_previousBoxes;
};

TEST_F(PropertyFrameTest, TabsCarryThePageTitlesAndTheFieldsShowTheObject)
{
    const HRESULT hr = showFrame({kGeneralPage, kSecondPage}, [&](QDialog *f) {
        EXPECT_EQ(f->parentWidget(), WidgetOfWindow(m_owner)->window());
        EXPECT_EQ(f->windowTitle(), QStringLiteral("Test"));
        ASSERT_EQ(tabs(f)->count(), 2);
        EXPECT_EQ(tabs(f)->tabText(0), QStringLiteral("全般"));
        EXPECT_EQ(tabs(f)->tabText(1), QStringLiteral("表示"));
        EXPECT_EQ(button(f, "ok")->text(), QStringLiteral("OK"));
        EXPECT_EQ(button(f, "cancel")->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        EXPECT_EQ(button(f, "apply")->text(), QStringLiteral("適用(&A)"));
        // Centred on the owner.
        const QPoint ownerCentre = WidgetOfWindow(m_owner)->window()->frameGeometry().center();
        EXPECT_LE((f->frameGeometry().center() - ownerCentre).manhattanLength(), 2);
        const HWND page = pageWindow(f, 0);
        ASSERT_TRUE(IsWindow(page));
        char name[32] = {};
        GetDlgItemTextA(page, kNameField, name, sizeof name);
        EXPECT_STREQ(name, "first");
        GetDlgItemTextA(page, kWidthField, name, sizeof name);
        EXPECT_STREQ(name, "10");
        // Filling the fields does not make the page dirty.
        EXPECT_FALSE(button(f, "apply")->isEnabled());
        keepScreenshot(f, QStringLiteral("propframe-general.png"));
        click(button(f, "cancel"));
    });
    EXPECT_EQ(hr, com::S_OK);
}

TEST_F(PropertyFrameTest, AnEditEnablesApplyWhichPutsTheValuesAndTurnsItselfOff)
{
    showFrame({kGeneralPage, kSecondPage}, [&](QDialog *f) {
        const HWND page = pageWindow(f, 0);
        ASSERT_FALSE(button(f, "apply")->isEnabled());
        SendDlgItemMessageA(page, kNameField, EM_SETSEL, 0, -1);
        type(GetDlgItem(page, kNameField), "abc");
        EXPECT_TRUE(button(f, "apply")->isEnabled());
        click(button(f, "apply"));
        EXPECT_EQ(m_target->name, "abc");
        EXPECT_FALSE(button(f, "apply")->isEnabled());
        EXPECT_TRUE(f->isVisible());
        // OK applies what changed since, then closes.
        SendDlgItemMessageA(page, kWidthField, EM_SETSEL, 0, -1);
        type(GetDlgItem(page, kWidthField), "250");
        click(button(f, "ok"));
        EXPECT_FALSE(f->isVisible());
    });
    EXPECT_EQ(m_target->width, 250);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(PropertyFrameTest, ApplyFollowsAPageThatMakesItselfCleanAndStaysOnForAnotherDirtyPage)
{
    showFrame({kGeneralPage, kSecondPage}, [&](QDialog *f) {
        QTabBar *bar = tabs(f)->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        const HWND second = pageWindow(f, 1);
        ASSERT_TRUE(IsWindow(second));
        click(WidgetOfWindow(GetDlgItem(second, kSecondCheck)));
        EXPECT_TRUE(button(f, "apply")->isEnabled());
        // The page applies itself and reports that it is clean: nothing is left to apply.
        click(WidgetOfWindow(GetDlgItem(second, kSecondCommit)));
        EXPECT_EQ(SecondPage::applied, 1);
        EXPECT_FALSE(button(f, "apply")->isEnabled()) << "Apply follows the page's own status";
        // With another page still dirty, a page turning clean leaves Apply on.
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
        SendDlgItemMessageA(pageWindow(f, 0), kNameField, EM_SETSEL, 0, -1);
        type(GetDlgItem(pageWindow(f, 0), kNameField), "abc");
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        click(WidgetOfWindow(GetDlgItem(second, kSecondCheck)));
        click(WidgetOfWindow(GetDlgItem(second, kSecondCommit)));
        EXPECT_TRUE(button(f, "apply")->isEnabled()) << "the first page still holds its edit";
        click(button(f, "apply"));
        EXPECT_FALSE(button(f, "apply")->isEnabled());
        click(button(f, "cancel"));
    });
    EXPECT_EQ(m_target->name, "abc");
}

TEST_F(PropertyFrameTest, CancelPutsNothing)
{
    showFrame({kGeneralPage}, [&](QDialog *f) {
        const HWND page = pageWindow(f, 0);
        type(GetDlgItem(page, kNameField), "zzz");
        EXPECT_TRUE(button(f, "apply")->isEnabled());
        click(button(f, "cancel"));
    });
    EXPECT_EQ(m_target->name, "first");
    EXPECT_EQ(m_target->width, 10);
}

TEST_F(PropertyFrameTest, AnOutOfRangeNumberIsRefusedAndTheFrameStaysOnThatPage)
{
    showFrame({kGeneralPage, kSecondPage}, [&](QDialog *f) {
        const HWND page = pageWindow(f, 0);
        const HWND width = GetDlgItem(page, kWidthField);
        SendDlgItemMessageA(page, kNameField, EM_SETSEL, 0, -1);
        type(GetDlgItem(page, kNameField), "X");
        SendMessageA(width, EM_SETSEL, 0, -1);
        type(width, "40000");
        // Go to the second page and press OK there.
        QTabBar *bar = tabs(f)->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        ASSERT_EQ(tabs(f)->currentIndex(), 1);
        click(button(f, "ok"));
        EXPECT_TRUE(f->isVisible()) << "a failed Apply keeps the frame open";
        EXPECT_EQ(tabs(f)->currentIndex(), 0) << "on the page that failed";
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].text, ansi("ﾌﾟﾛﾊﾟﾃｨ の値が不正です。"));
        EXPECT_EQ(m_boxes[0].caption, ansi("ﾌﾟﾛﾊﾟﾃｨｴﾗｰ"));
        EXPECT_EQ(m_boxes[0].type & MB_ICONMASK, MB_ICONERROR);
        EXPECT_EQ(m_boxes[0].owner, page);
        EXPECT_EQ(GetFocus(), width) << "the refused field has the focus";
        EXPECT_TRUE(button(f, "apply")->isEnabled()) << "the page stays dirty";
        // The name before the refused field was put; the width was not.
        EXPECT_EQ(m_target->name, "X");
        EXPECT_EQ(m_target->width, 10);
        // Mended, OK closes.
        SendMessageA(width, EM_SETSEL, 0, -1);
        type(width, "300");
        click(button(f, "ok"));
        EXPECT_FALSE(f->isVisible());
    });
    EXPECT_EQ(m_target->width, 300);
}

TEST_F(PropertyFrameTest, TabWalksThePageFieldsThenTheFrameAndShiftTabComesBackToTheLastField)
{
    showFrame({kGeneralPage, kSecondPage}, [&](QDialog *f) {
        const HWND page = pageWindow(f, 0);
        const HWND name = GetDlgItem(page, kNameField);
        SetFocus(name);
        QTest::keyClick(WidgetOfWindow(name), Qt::Key_Tab);
        EXPECT_EQ(GetFocus(), GetDlgItem(page, kWidthField));
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Tab);
        EXPECT_EQ(GetFocus(), GetDlgItem(page, kCheck));
        // The last field without a default button: on to the frame's OK.
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), button(f, "ok"));
        // Shift+Tab from the frame lands on the page's last tab stop.
        QTest::keyClick(button(f, "ok"), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(GetFocus(), GetDlgItem(page, kCheck));
        // Shift+Tab inside the page goes back one field.
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(GetFocus(), GetDlgItem(page, kWidthField));
        // Ctrl+Tab changes the tab.
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(tabs(f)->currentIndex(), 1);
        click(button(f, "cancel"));
    });
}

TEST_F(PropertyFrameTest, TabFromTheTabBarEntersThePageAtItsFirstEnabledField)
{
    showFrame({kGeneralPage}, [&](QDialog *f) {
        const HWND page = pageWindow(f, 0);
        EnableWindow(GetDlgItem(page, kNameField), FALSE);
        QTabBar *bar = tabs(f)->tabBar();
        bar->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), bar);
        QTest::keyClick(bar, Qt::Key_Tab);
        EXPECT_EQ(GetFocus(), GetDlgItem(page, kWidthField));
        click(button(f, "cancel"));
    });
}

// A site that records what a page reports.
class RecordingSite final : public com::RefCounted<IPropertyPageSite> {
public:
    std::vector<DWORD> statuses;
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object,
                                     {{com::IID_IUnknown, static_cast<IPropertyPageSite *>(this)},
                                      {IID_IPropertyPageSite, static_cast<IPropertyPageSite *>(this)}});
    }
    HRESULT OnStatusChange(DWORD flags) override
    {
        statuses.push_back(flags);
        return com::S_OK;
    }
    HRESULT GetLocaleID(com::LCID *locale) override { return com::outValue(locale, com::LCID(1041)); }
    HRESULT GetPageContainer(com::IUnknown **) override { return com::E_NOTIMPL; }
    HRESULT TranslateAccelerator(MSG *) override { return com::S_FALSE; }
};

TEST_F(PropertyFrameTest, APageRefillsFromNewObjectsWithoutTurningDirtyAndAppliesOnlyWhenDirty)
{
    com::ComPtr<IPropertyPage> page;
    ASSERT_EQ(controls::createObject<GeneralPage>(IID_IPropertyPage, page.putVoid()), com::S_OK);
    com::ComPtr<RecordingSite> site(new RecordingSite);
    ASSERT_EQ(page->SetPageSite(site.get()), com::S_OK);
    com::IUnknown *first[] = {static_cast<com::IDispatch *>(m_target)};
    ASSERT_EQ(page->SetObjects(1, first), com::S_OK);
    PROPPAGEINFO info;
    ASSERT_EQ(page->GetPageInfo(&info), com::S_OK);
    EXPECT_EQ(QString::fromUtf16(info.pszTitle), QStringLiteral("全般"));
    EXPECT_GT(info.size.cx, 200) << "dialog units become pixels";
    com::CoTaskMemFree(info.pszTitle);
    RECT r{0, 0, info.size.cx, info.size.cy};
    ASSERT_EQ(page->Activate(m_owner, &r, TRUE), com::S_OK);
    const HWND pageHwnd = GetWindow(m_owner, GW_CHILD);
    ASSERT_TRUE(IsWindow(pageHwnd));
    EXPECT_TRUE(GetWindowLongPtrA(pageHwnd, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    char text[32] = {};
    GetDlgItemTextA(pageHwnd, kNameField, text, sizeof text);
    EXPECT_STREQ(text, "first");

    auto *other = new Target;
    other->AddRef();
    other->name = "second";
    com::IUnknown *second[] = {static_cast<com::IDispatch *>(other)};
    ASSERT_EQ(page->SetObjects(1, second), com::S_OK);
    GetDlgItemTextA(pageHwnd, kNameField, text, sizeof text);
    EXPECT_STREQ(text, "second") << "the page shows the new object";
    EXPECT_EQ(page->IsPageDirty(), com::S_FALSE);
    EXPECT_TRUE(site->statuses.empty());
    // Clean: Apply puts nothing.
    SetDlgItemTextA(pageHwnd, kWidthField, "77");
    EXPECT_EQ(page->IsPageDirty(), com::S_OK) << "a change outside filling";
    EXPECT_EQ(site->statuses, std::vector<DWORD>{PROPPAGESTATUS_DIRTY});
    EXPECT_EQ(page->Apply(), com::S_OK);
    EXPECT_EQ(other->width, 77);
    EXPECT_EQ(page->IsPageDirty(), com::S_FALSE);
    other->width = 5;
    EXPECT_EQ(page->Apply(), com::S_OK);
    EXPECT_EQ(other->width, 5) << "a clean page applies nothing";

    EXPECT_EQ(page->Deactivate(), com::S_OK);
    EXPECT_FALSE(IsWindow(pageHwnd));
    page->SetObjects(0, nullptr);
    page->SetPageSite(nullptr);
    other->Release();
}

TEST_F(PropertyFrameTest, TheColourPageListsTheColourPropertiesAndApplyPutsTheChosenColour)
{
    showFrame({CLSID_StockColorPage}, [&](QDialog *f) {
        ASSERT_EQ(tabs(f)->count(), 1);
        EXPECT_EQ(tabs(f)->tabText(0), QStringLiteral("色"));
        const HWND page = pageWindow(f, 0);
        const HWND list = GetDlgItem(page, 1000);
        ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
        char text[32] = {};
        SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, "ForeColor");
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
        // BackColor is the system button face: selected in the system list.
        EXPECT_EQ(SendDlgItemMessageA(page, 1001, LB_GETCURSEL, 0, 0), 15);
        // Pick ForeColor, then red from the palette.
        const int itemHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
        RECT client;
        GetClientRect(list, &client);
        QWidget *listWidget = WidgetOfWindow(list);
        const QPoint at(listWidget->width() / 2, listWidget->height() - client.bottom + itemHeight + itemHeight / 2);
        QTest::mouseClick(listWidget, Qt::LeftButton, {}, at);
        ASSERT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1);
        EXPECT_FALSE(button(f, "apply")->isEnabled());
        QTest::mouseClick(WidgetOfWindow(GetDlgItem(page, 1100 + 9)), Qt::LeftButton, {}, QPoint(4, 4));
        EXPECT_TRUE(button(f, "apply")->isEnabled());
        EXPECT_EQ(m_target->foreColor, 0x80000012u) << "nothing is put before Apply";
        keepScreenshot(f, QStringLiteral("propframe-colour.png"));
        click(button(f, "ok"));
    });
    EXPECT_EQ(m_target->foreColor, RGB(255, 0, 0));
    EXPECT_EQ(m_target->backColor, 0x8000000Fu);
}

TEST_F(PropertyFrameTest, TheColourPageTabsThroughItsListsAndPaletteAndArrowsPickColours)
{
    showFrame({CLSID_StockColorPage}, [&](QDialog *f) {
        const HWND page = pageWindow(f, 0);
        const HWND list = GetDlgItem(page, 1000);
        SetFocus(list);
        QTest::keyClick(WidgetOfWindow(list), Qt::Key_Tab);
        EXPECT_EQ(GetFocus(), GetDlgItem(page, 1001));
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Tab);
        const HWND first = GetDlgItem(page, 1100);
        EXPECT_EQ(GetFocus(), first) << "the palette is one tab stop";
        // Right then Down: the square at row 1, column 1 (grey 128).
        QTest::keyClick(WidgetOfWindow(first), Qt::Key_Right);
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Down);
        EXPECT_EQ(GetFocus(), GetDlgItem(page, 1105));
        EXPECT_TRUE(button(f, "apply")->isEnabled());
        // Last tab stop of the page: on to the frame.
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), button(f, "ok"));
        click(button(f, "apply"));
        click(button(f, "cancel"));
    });
    EXPECT_EQ(m_target->backColor, RGB(128, 0, 128)) << "the first property took the colour";
}

TEST_F(PropertyFrameTest, NoCreatablePageShowsNoFrameAndFails)
{
    const com::CLSID unknown{0xDEADBEEF, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
    bool shown = false;
    SetPropertyFrameShownHook([&](QDialog *f) {
        shown = true;
        f->reject();
    });
    com::IUnknown *objects[] = {static_cast<com::IDispatch *>(m_target)};
    EXPECT_TRUE(com::FAILED(OleCreatePropertyFrame(m_owner, 0, 0, u"x", 1, objects, 1, &unknown, 0, 0, nullptr)));
    EXPECT_EQ(OleCreatePropertyFrame(m_owner, 0, 0, u"x", 1, objects, 0, nullptr, 0, 0, nullptr), com::E_INVALIDARG);
    EXPECT_FALSE(shown);
}

// A control whose pages are the second page.
class PagedControl final : public OleControlBase, public ISpecifyPropertyPages {
public:
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        if (iid == IID_ISpecifyPropertyPages && object) {
            *object = static_cast<ISpecifyPropertyPages *>(this);
            AddRef();
            return com::S_OK;
        }
        return OleControlBase::QueryInterface(iid, object);
    }
    uint32_t AddRef() override { return OleControlBase::AddRef(); }
    uint32_t Release() override { return OleControlBase::Release(); }
    HRESULT GetPages(CAUUID *pages) override
    {
        pages->cElems = 1;
        pages->pElems = static_cast<com::GUID *>(com::CoTaskMemAlloc(sizeof(com::GUID)));
        pages->pElems[0] = kSecondPage;
        return com::S_OK;
    }

protected:
    HWND CreateControlWindow(HWND, const RECT &) override { return 0; }
    HRESULT OnDraw(HDC, const RECT &) override { return com::S_OK; }
};

TEST_F(PropertyFrameTest, ThePropertiesVerbShowsTheControlsPagesForTheControl)
{
    auto *control = new PagedControl;
    control->AddRef();
    SecondPage::shownObject = nullptr;
    bool shown = false;
    SetPropertyFrameShownHook([&](QDialog *f) {
        shown = true;
        EXPECT_EQ(f->parentWidget(), WidgetOfWindow(m_owner)->window());
        ASSERT_EQ(tabs(f)->count(), 1);
        EXPECT_EQ(tabs(f)->tabText(0), QStringLiteral("表示"));
        click(button(f, "cancel"));
    });
    EXPECT_EQ(control->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, 0, m_owner, nullptr), com::S_OK);
    EXPECT_TRUE(shown);
    EXPECT_EQ(SecondPage::shownObject, control->Identity()) << "the page edits the control";
    EXPECT_EQ(control->Release(), 0u) << "the frame keeps no reference";
}

// ---- the helpers on their own

TEST(PageHelpers, PredefinedListsGiveCookiesByNumberOrPositionAndStopAtForty)
{
    com::OLECHAR **texts = nullptr;
    DWORD *cookies = nullptr;
    auto release = [&](int n) {
        for (int i = 0; i < n; ++i)
            com::CoTaskMemFree(texts[i]);
        com::CoTaskMemFree(texts);
        com::CoTaskMemFree(cookies);
    };
    int n = controls::ParsePredefinedList(resources(), 101, u',', &texts, &cookies);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(QString::fromUtf16(texts[0]), QStringLiteral("0 - なし"));
    EXPECT_EQ(QString::fromUtf16(texts[1]), QStringLiteral("1 - 実線"));
    EXPECT_EQ(cookies[0], 0u);
    EXPECT_EQ(cookies[1], 1u);
    release(n);

    n = controls::ParsePredefinedList(resources(), 102, u'?', &texts, &cookies);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(QString::fromUtf16(texts[2]), QStringLiteral("c"));
    EXPECT_EQ(cookies[2], 2u);
    release(n);

    // Without a "-", or starting with one: the position.
    n = controls::ParsePredefinedList(resources(), 103, u',', &texts, &cookies);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(cookies[0], 5u);
    EXPECT_EQ(cookies[1], 1u);
    EXPECT_EQ(cookies[2], 2u);
    EXPECT_EQ(cookies[3], 12u);
    release(n);

    com::ModuleResources many;
    QStringList templates;
    for (int i = 0; i < 33; ++i)
        templates << QStringLiteral("t%1").arg(i);
    many.strings[1] = templates.join(u'?');
    QStringList fifty;
    for (int i = 0; i < 50; ++i)
        fifty << QStringLiteral("%1 - x").arg(i);
    many.strings[2] = fifty.join(u',');
    n = controls::ParsePredefinedList(many, 1, u'?', &texts, &cookies);
    ASSERT_EQ(n, 33);
    EXPECT_EQ(cookies[32], 32u);
    release(n);
    n = controls::ParsePredefinedList(many, 2, u',', &texts, &cookies);
    EXPECT_EQ(n, 40) << "no more entries than the arrays hold";
    EXPECT_EQ(cookies[39], 39u);
    release(n);

    EXPECT_EQ(controls::ParsePredefinedList(many, 99, u',', &texts, &cookies), 0);
    EXPECT_EQ(texts, nullptr);
}

class PageWindows : public ::testing::Test {
protected:
    static LRESULT recordingProc(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        if (m >= 0x1100 && m < 0x5050)
            s_log.push_back({m, w});
        return DefWindowProcA(h, m, w, l);
    }
    void SetUp() override
    {
        WNDCLASSA wc;
        wc.lpfnWndProc = plainProc;
        wc.lpszClassName = "HelperPlain";
        RegisterClassA(&wc);
        wc.lpfnWndProc = recordingProc;
        wc.lpszClassName = "HelperRecorder";
        RegisterClassA(&wc);
        m_page = CreateWindowExA(0, "HelperPlain", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, 0, 0, 0, nullptr);
        s_log.clear();
    }
    void TearDown() override { DestroyWindow(m_page); }
    HWND child(HWND parent, DWORD style)
    {
        return CreateWindowExA(0, "HelperPlain", "", WS_CHILD | style, 0, 0, 10, 10, parent, 0, 0, nullptr);
    }
    static inline std::vector<std::pair<UINT, WPARAM>> s_log;
    HWND m_page = 0;
};

TEST_F(PageWindows, DescendantsAreFoundThroughTheParentChainOnly)
{
    const HWND a = child(m_page, WS_VISIBLE);
    const HWND b = child(a, WS_VISIBLE);
    EXPECT_TRUE(controls::IsDescendantWindow(m_page, b));
    EXPECT_TRUE(controls::IsDescendantWindow(m_page, a));
    EXPECT_FALSE(controls::IsDescendantWindow(m_page, m_page));
    EXPECT_FALSE(controls::IsDescendantWindow(m_page, 0));
    EXPECT_FALSE(controls::IsDescendantWindow(b, a));
}

TEST_F(PageWindows, ANextTabStopMustBeVisibleAndEnabled)
{
    const HWND first = child(m_page, WS_VISIBLE | WS_TABSTOP);
    const HWND hidden = child(m_page, WS_TABSTOP);
    const HWND disabled = child(m_page, WS_VISIBLE | WS_TABSTOP | WS_DISABLED);
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);
    EXPECT_FALSE(controls::NextTabStopWindow(m_page, GW_HWNDNEXT)) << "only a hidden and a disabled one follow";
    EXPECT_FALSE(controls::NextTabStopWindow(m_page, GW_HWNDPREV));
    ShowWindow(hidden, SW_SHOW);
    EXPECT_TRUE(controls::NextTabStopWindow(m_page, GW_HWNDNEXT));
    // From a window deeper inside, its ancestor among the page's children counts.
    const HWND inner = child(disabled, WS_VISIBLE);
    EnableWindow(disabled, TRUE);
    SetFocus(inner);
    EXPECT_TRUE(controls::NextTabStopWindow(m_page, GW_HWNDPREV));
    EXPECT_FALSE(controls::NextTabStopWindow(m_page, GW_HWNDNEXT));
}

TEST_F(PageWindows, InitNumberFieldSendsTheSetupInItsOrder)
{
    const HWND field = CreateWindowExA(0, "HelperRecorder", "", WS_CHILD, 0, 0, 10, 10, m_page, 0, 0, nullptr);
    FieldWrapper wrapper;
    controls::InitNumberField(wrapper, field, 0, 100, 5);
    EXPECT_EQ(wrapper.hwnd, field);
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {0x1159, 1}, {0x400B, 1}, {0x111F, 1}, {0x111D, 1}, {0x1111, 0}, {0x1113, 2},
        {0x1116, 0}, {0x1117, 0}, {0x1116, 0}, {0x1117, 0}, {0x1125, 0}, {0x113E, 1},
        {0x1140, 0}, {0x1132, 1}, {0x3022, 0}, {0x3024, 0}, {0x4002, 5}, {0x300D, 0},
        {0x4006, 1}, {0x3019, 0}, {0x1174, 0}, {0x1123, 1}, {0x3017, 0}};
    EXPECT_EQ(s_log, expected);
    // A wrapper without a window sends nothing and answers 0.
    FieldWrapper none;
    EXPECT_EQ(controls::SendFieldMessage(none, 0x1116, 0, 0), 0);
}

} // namespace
