#pragma once
// The container's property pages as a designer shows them: the control made
// by ProgID from the registered library, in place in a host widget at design
// time; a page of the library activated in a top-level dialog that stands in
// for the property frame (so keys typed into the page pass the dialog
// navigation); a recording page site and message box handler.
#include "LumafoldTestSupport.h"

#include "Controls/Container/ContainerPageLink.h"
#include "Controls/Container/ContainerPageTemplates.h"
#include "Controls/common/PropertyPageBase.h"
#include "platform/codepage/codepage.h"
#include "platform/win/controls.h"
#include "platform/win/dialog.h"
#include "platform/win/messagebox.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/ole/olecontrol.h"
#include "platform/win/ole/proppage.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace lumafold::testing {

namespace win = platform::win;
using win::HWND;

class RecordingPageSite final : public win::IPropertyPageSite {
public:
    QList<win::DWORD> status;
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
    HRESULT OnStatusChange(win::DWORD flags) override { status << flags; return S_OK; }
    HRESULT GetLocaleID(LCID *locale) override { *locale = 0x411; return S_OK; }
    HRESULT GetPageContainer(IUnknown **) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(win::MSG *) override { return S_FALSE; }
};

struct ShownBox {
    HWND owner;
    QString text, caption;
    win::UINT type;
};

inline QString utf(const std::string &cp932) { return platform::codepage::fromAnsi(QByteArray::fromStdString(cp932)); }

class ContainerPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        ASSERT_EQ(registerServerLibrary(QString::fromUtf8(LUMAFOLD_LIBRARY)), S_OK);
        m_windowsBefore = win::WindowCount();
        m_previousBox = win::setMessageBoxHandler([this](HWND owner, const std::string &text,
                                                         const std::string &caption, win::UINT type) {
            m_boxes.push_back({owner, utf(text), utf(caption), type});
            // The focus goes back to the page only after the box is gone.
            m_focusWhenBoxShown = win::GetFocus();
            return win::IDOK;
        });
        m_form = std::make_unique<QWidget>();
        m_form->resize(400, 300);
        m_host = new win::ControlHostWidget(m_form.get());
        m_host->setGeometry(10, 10, 240, 160);
        m_host->setUserMode(false);
        ASSERT_EQ(m_host->createControl(QStringLiteral("Ryx.Container3D7"), QStringLiteral("zoContainer3D1"), nullptr),
                  S_OK);
        m_form->show();
        ASSERT_EQ(m_host->queryControl(IID_IContainer, m_control.putVoid()), S_OK);
    }
    void TearDown() override
    {
        if (m_page) {
            m_page->Deactivate();
            m_page->SetPageSite(nullptr);
            m_page->SetObjects(0, nullptr);
            m_page.reset();
        }
        if (m_frame)
            win::DestroyWindow(m_frame);
        m_control.reset();
        m_form.reset();
        win::setMessageBoxHandler(m_previousBox);
        EXPECT_EQ(win::WindowCount(), m_windowsBefore) << "every window destroyed";
        qunsetenv("TALVIK_REGISTRY");
    }

    // A page of the library by CLSID, activated in a frame dialog with a
    // button after it, for the container.
    HWND open(const CLSID &clsid)
    {
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, win::IID_IPropertyPage, m_page.putVoid()), S_OK);
        if (!m_page)
            return 0;
        win::DialogTemplate t;
        t.style = win::WS_POPUP | win::WS_VISIBLE | win::DS_SETFONT;
        t.cx = 280;
        t.cy = 196;
        t.items.push_back({win::IDOK, "BUTTON", "OK", win::WS_VISIBLE | win::WS_TABSTOP, 0, 6, 176, 40, 14});
        m_frame = win::CreateDialogIndirectParamA(0, &t, 0, nullptr, 0);
        EXPECT_NE(m_frame, 0u);
        m_page->SetPageSite(&m_site);
        IUnknown *objects[] = {m_control.get()};
        EXPECT_EQ(m_page->SetObjects(1, objects), S_OK);
        win::PROPPAGEINFO info;
        EXPECT_EQ(m_page->GetPageInfo(&info), S_OK);
        m_title = QString::fromStdU16String(info.pszTitle ? std::u16string(info.pszTitle) : std::u16string());
        CoTaskMemFree(info.pszTitle);
        const win::RECT r{0, 0, info.size.cx, info.size.cy};
        EXPECT_EQ(m_page->Activate(m_frame, &r, win::TRUE), S_OK);
        m_page->Show(win::SW_SHOW);
        for (HWND w = win::GetWindow(m_frame, win::GW_CHILD); w; w = win::GetWindow(w, win::GW_HWNDNEXT))
            if (win::GetDlgCtrlID(w) != win::IDOK)
                m_pageWindow = w;
        win::UpdateWindow(m_frame);
        return m_pageWindow;
    }
    HWND item(int id) const { return win::GetDlgItem(m_pageWindow, id); }
    QWidget *widget(int id) const { return win::WidgetOfWindow(item(id)); }
    int focusedId() const
    {
        const HWND f = win::GetFocus();
        return f ? win::GetDlgCtrlID(f) : 0;
    }
    // The value of a numeric field.
    double number(int id) const
    {
        controls::FieldWrapper f{item(id)};
        return controls::GetNumberFieldValue(f);
    }
    QString text(int id) const
    {
        char buffer[512] = {};
        win::GetDlgItemTextA(m_pageWindow, id, buffer, int(sizeof buffer));
        return utf(buffer);
    }
    int selection(int id) const { return int(win::SendMessageA(item(id), win::CB_GETCURSEL, 0, 0)); }
    // Replaces a field's text by typing: the field is focused, emptied with
    // Backspace from its end and the text typed.
    void type(int id, const QString &value)
    {
        win::SetFocus(item(id));
        QWidget *w = widget(id);
        QTest::keyClick(w, Qt::Key_End);
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(w, Qt::Key_Backspace);
        QTest::keyClicks(w, value);
    }
    void click(int id, QPoint at = {}, HWND window = 0)
    {
        QWidget *w = window ? win::WidgetOfWindow(window) : widget(id);
        const QPoint p = at.isNull() ? w->rect().center() : at;
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p);
    }
    // Picks a combo entry with the keyboard: Home, then Down n times.
    void pick(int id, int n)
    {
        win::SetFocus(item(id));
        QTest::keyClick(widget(id), Qt::Key_Home);
        for (int i = 0; i < n; ++i)
            QTest::keyClick(widget(id), Qt::Key_Down);
    }
    ComPtr<IEffects> effects() const
    {
        ComPtr<IEffects> e;
        m_control->get_Effects(e.put());
        return e;
    }
    ComPtr<IChildren> childs() const
    {
        ComPtr<IChildren> c;
        m_control->get_Childs(c.put());
        return c;
    }
    // The control as it comes back from its saved state.
    ComPtr<IContainer> reloaded() const
    {
        const std::vector<uint8_t> bytes = saveToBytes(m_control.get());
        ComPtr<IContainer> fresh;
        EXPECT_EQ(CoCreateInstance(CLSID_Container3D, nullptr, IID_IContainer, fresh.putVoid()), S_OK);
        EXPECT_EQ(loadFromBytes(fresh.get(), bytes), S_OK);
        return fresh;
    }
    static ComPtr<IEffect> effectOf(IContainer *c, const Variant &index)
    {
        ComPtr<IEffects> e;
        c->get_Effects(e.put());
        ComPtr<IEffect> item;
        EXPECT_EQ(e->get_Item(index, item.put()), S_OK);
        return item;
    }
    // Saves the frame dialog with the page as a PNG in the test artifacts.
    void screenshot(const QString &name) const
    {
        const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS", QDir::tempPath());
        QDir().mkpath(dir);
        win::RedrawWindow(m_frame, nullptr, 0, win::RDW_INVALIDATE | win::RDW_ALLCHILDREN | win::RDW_UPDATENOW);
        EXPECT_TRUE(win::WidgetOfWindow(m_frame)->grab().save(dir + QLatin1Char('/') + name));
    }

    QTemporaryDir m_dir;
    RecordingSink m_sink; // outlives the control it listens to
    std::unique_ptr<QWidget> m_form;
    win::ControlHostWidget *m_host = nullptr;
    ComPtr<IContainer> m_control;
    ComPtr<win::IPropertyPage> m_page;
    RecordingPageSite m_site;
    HWND m_frame = 0;
    HWND m_pageWindow = 0;
    QString m_title;
    std::vector<ShownBox> m_boxes;
    HWND m_focusWhenBoxShown = 0;
    win::MessageBoxHandler m_previousBox;
    int m_windowsBefore = 0;
};

inline const QString kInvalid = QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ の値が不正です。");
inline const QString kErrorCaption = QStringLiteral("ﾌﾟﾛﾊﾟﾃｨｴﾗｰ");

} // namespace lumafold::testing
