#pragma once
// Helpers of the property-page tests: a combo with its sub-objects, a
// top-level dialog that hosts a page as the property frame does (keys typed
// into it pass the dialog manager, so Tab walks the page's fields), a
// recording page site, message boxes answered and recorded, and the
// control's saved state read from a property bag.
#include "Controls/Pickwell/ComboControl.h"
#include "Controls/Pickwell/ComboPageIds.h"
#include "Controls/Pickwell/ComboPages.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/codepage/codepage.h"
#include "platform/win/controls.h"
#include "platform/win/dialog.h"
#include "platform/win/messagebox.h"
#include "platform/win/ole/olecontrol.h"
#include "platform/win/ole/proppage.h"
#include "platform/win/window.h"
#include "platform/win/windowwidget.h"
#include "zobase7/SubObjects.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>

#include <dlfcn.h>

#include <string>
#include <vector>

namespace pickwell::testing {

using namespace platform::com;
namespace win = platform::win;

class RecordingPageSite final : public win::IPropertyPageSite {
public:
    std::vector<win::DWORD> status;
    int translated = 0;
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == win::IID_IPropertyPageSite) {
            *object = static_cast<win::IPropertyPageSite *>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT OnStatusChange(win::DWORD flags) override
    {
        status.push_back(flags);
        return S_OK;
    }
    HRESULT GetLocaleID(LCID *locale) override
    {
        *locale = 0x411;
        return S_OK;
    }
    HRESULT GetPageContainer(IUnknown **) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(win::MSG *) override
    {
        ++translated;
        return S_FALSE;
    }
};

struct ShownBox {
    QString text;
    QString caption;
    win::UINT type = 0;
    win::HWND focusWhileShown = 0;
};

class ComboPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The real numeric field class comes with the suite base.
        static void *zobase = dlopen(ZOBASE7_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(zobase, nullptr) << dlerror();
    }

    void SetUp() override
    {
        module().attach();
        zobase7::registerSubObjectClasses();
        ASSERT_EQ(createCombo(IID_ICombo, m_combo.putVoid()), S_OK);
        ComPtr<IPersistStreamInit> init;
        ASSERT_EQ(m_combo->QueryInterface(IID_IPersistStreamInit, init.putVoid()), S_OK);
        ASSERT_EQ(init->InitNew(), S_OK);
        m_previousBoxHandler = win::setMessageBoxHandler(
            [this](win::HWND, const std::string &text, const std::string &caption, win::UINT type) {
                boxes.push_back({platform::codepage::fromAnsi(QByteArray::fromStdString(text)),
                                 platform::codepage::fromAnsi(QByteArray::fromStdString(caption)), type,
                                 win::GetFocus()});
                return win::IDOK;
            });
    }

    void TearDown() override
    {
        close();
        win::setMessageBoxHandler(m_previousBoxHandler);
        m_combo.reset();
        // Pages and frames keep no reference to the control once closed.
        EXPECT_EQ(win::OleControlBase::LiveCount(), 0);
    }

    // Creates the page and activates it inside a top-level dialog.
    void open(HRESULT (*create)(const IID &, void **))
    {
        close();
        ASSERT_EQ(create(win::IID_IPropertyPage, m_page.putVoid()), S_OK);
        ASSERT_EQ(m_page->SetPageSite(&site), S_OK);
        IUnknown *objects[] = {m_combo.get()};
        ASSERT_EQ(m_page->SetObjects(1, objects), S_OK);
        win::PROPPAGEINFO info;
        ASSERT_EQ(m_page->GetPageInfo(&info), S_OK);
        m_title = QString::fromUtf16(info.pszTitle);
        CoTaskMemFree(info.pszTitle);
        win::DialogTemplate host;
        host.style = win::WS_POPUP | win::WS_CAPTION | win::DS_SETFONT;
        host.cx = 330;
        host.cy = 250;
        m_host = win::CreateDialogIndirectParamA(0, &host, 0, &hostProc, 0);
        ASSERT_NE(m_host, 0u);
        win::RECT rc{4, 4, 4 + info.size.cx, 4 + info.size.cy};
        ASSERT_EQ(m_page->Activate(m_host, &rc, win::TRUE), S_OK);
        ASSERT_EQ(m_page->Show(win::SW_SHOW), S_OK);
        win::ShowWindow(m_host, win::SW_SHOW);
        QWidget *w = win::WidgetOfWindow(m_host);
        ASSERT_NE(w, nullptr);
        w->activateWindow();
        QApplication::processEvents();
        m_pageWindow = win::GetWindow(m_host, win::GW_CHILD);
        ASSERT_NE(m_pageWindow, 0u);
    }

    void close()
    {
        if (m_page) {
            m_page->Deactivate();
            m_page->SetObjects(0, nullptr);
            m_page->SetPageSite(nullptr);
            m_page.reset();
        }
        if (m_host)
            win::DestroyWindow(m_host);
        m_host = 0;
        m_pageWindow = 0;
    }

    static win::LONG_PTR hostProc(win::HWND, win::UINT, win::WPARAM, win::LPARAM) { return 0; }

    win::HWND item(int id) const { return win::GetDlgItem(m_pageWindow, id); }

    // The page field that holds the focus (an editable combo for its edit).
    int focusedId() const
    {
        win::HWND f = win::GetFocus();
        while (f && win::GetParent(f) != m_pageWindow)
            f = win::GetParent(f);
        return f ? win::GetDlgCtrlID(f) : 0;
    }

    void focus(int id)
    {
        win::SendMessageA(m_pageWindow, win::WM_NEXTDLGCTL, static_cast<win::WPARAM>(item(id)), win::TRUE);
        QApplication::processEvents();
    }

    static void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget *w = win::WidgetOfWindow(win::GetFocus());
        ASSERT_NE(w, nullptr) << "no window has the focus";
        QTest::keyClick(w, k, mods);
        QApplication::processEvents();
    }

    static void type(const QString &text)
    {
        QWidget *w = win::WidgetOfWindow(win::GetFocus());
        ASSERT_NE(w, nullptr);
        for (QChar ch : text)
            QTest::keyClick(w, ch.toLatin1());
        QApplication::processEvents();
    }

    // Replaces the text of the focused field by typing.
    void retype(int id, const QString &text)
    {
        focus(id);
        win::SendMessageA(win::GetFocus(), win::EM_SETSEL, 0, -1);
        key(Qt::Key_Delete);
        type(text);
    }

    void click(int id)
    {
        QWidget *w = win::WidgetOfWindow(item(id));
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2));
        QApplication::processEvents();
    }

    int listSelection(int id) const { return int(win::SendMessageA(item(id), win::CB_GETCURSEL, 0, 0)); }
    QString listText(int id, int index) const
    {
        const auto n = win::SendMessageA(item(id), win::CB_GETLBTEXTLEN, win::WPARAM(index), 0);
        std::string s(size_t(std::max<win::LRESULT>(n, 0)) + 1, '\0');
        win::SendMessageA(item(id), win::CB_GETLBTEXT, win::WPARAM(index), reinterpret_cast<win::LPARAM>(s.data()));
        return platform::codepage::fromAnsi(QByteArray(s.c_str()));
    }
    bool isChecked(int id) const { return win::SendMessageA(item(id), win::BM_GETCHECK, 0, 0) == win::BST_CHECKED; }
    QString text(int id) const
    {
        const int n = win::GetWindowTextLengthA(item(id));
        std::string s(size_t(std::max(n, 0)) + 1, '\0');
        win::GetWindowTextA(item(id), s.data(), int(s.size()));
        return platform::codepage::fromAnsi(QByteArray(s.c_str()));
    }

    // The control's saved state: the value it writes under name.
    Variant saved(const QString &name)
    {
        ComPtr<IPersistPropertyBag> p;
        EXPECT_EQ(m_combo->QueryInterface(IID_IPersistPropertyBag, p.putVoid()), S_OK);
        ComPtr<PropertyBag> bag(new PropertyBag);
        EXPECT_EQ(p->Save(bag.get(), false, true), S_OK);
        const PropertyBag::Entry *e = bag->find(name);
        EXPECT_NE(e, nullptr) << name.toStdString();
        Variant out;
        if (e)
            VariantCopy(&out, &e->value);
        return out;
    }
    int savedInt(const QString &name)
    {
        Variant v = saved(name);
        Variant i;
        VariantChangeType(&i, &v, 0, VT_I4);
        return i.lVal;
    }
    QString savedText(const QString &name)
    {
        Variant v = saved(name);
        return v.vt == VT_BSTR ? bstrToQString(v.bstrVal) : QString();
    }

    // The page window as an image, for the report.
    void screenshot(const QString &name)
    {
        QWidget *w = win::WidgetOfWindow(m_pageWindow);
        ASSERT_NE(w, nullptr);
        QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
        if (dir.isEmpty())
            dir = QDir::tempPath();
        QDir().mkpath(dir);
        EXPECT_TRUE(w->grab().save(dir + QStringLiteral("/") + name));
    }

    ComPtr<ICombo> m_combo;
    ComPtr<win::IPropertyPage> m_page;
    RecordingPageSite site;
    std::vector<ShownBox> boxes;
    win::HWND m_host = 0;
    win::HWND m_pageWindow = 0;
    QString m_title;
    win::MessageBoxHandler m_previousBoxHandler;
};

} // namespace pickwell::testing
