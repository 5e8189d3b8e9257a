#pragma once
// Helpers of the combo control tests: a recording "RyxCombo" window class
// that logs the messages the control sends and answers scripted values, an
// event sink on the control's connection point, a minimal client site with
// ambient properties, and a fixture that makes a combo with its window.
#include "Controls/Pickwell/ComboControl.h"
#include "Controls/Pickwell/ComboWin.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/codepage/codepage.h"
#include "platform/win/window.h"
#include "zobase7/SubObjects.h"
#include "zobase7/include/RyxComboProtocol.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>

#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace pickwell::testing {

using namespace platform::com;
namespace win = platform::win;

// One message the inner window received.
struct Sent {
    win::UINT msg;
    win::WPARAM wParam;
    QByteArray text; // the ANSI string in lParam, for string messages
    win::LPARAM lParam = 0;
    bool operator==(const Sent &o) const { return msg == o.msg && wParam == o.wParam; }
};

inline std::ostream &operator<<(std::ostream &os, const Sent &s)
{
    return os << std::hex << "0x" << s.msg << "(" << std::dec << static_cast<long long>(static_cast<win::LPARAM>(s.wParam))
              << (s.text.isNull() ? "" : ", \"" + s.text.toStdString() + "\"") << ")";
}

// The stand-in for zobase7's "RyxCombo": logs, keeps the values a real
// window would give back (margins, selection, text), and asks for the items
// while it is created, as the real class does.
class RyxDouble {
public:
    static RyxDouble &instance()
    {
        static RyxDouble d;
        return d;
    }

    std::vector<Sent> log;
    std::map<win::UINT, win::LRESULT> answers; // scripted answers by message
    win::LRESULT marginsH = win::MAKELONG(3, 4);
    win::LRESULT marginsV = win::MAKELONG(5, 6);
    win::LPARAM selected = -1;
    QByteArray text;       // ZOM_GETTEXT / ZOM_GETVALUE / ZOM_GETSELTEXT
    win::HWND listWindow = 0;
    win::HWND listWindow2 = 0;
    bool requestItemsOnCreate = true;
    void *collection = nullptr;
    std::vector<win::UINT> keysSeen; // WM_KEYDOWN codes that reached the class
    int selStart = 0, selEnd = 0;    // ZOM_GETSELECTIONPOS; EM_POSFROMCHAR is 7 pixels a character
    // Called for each logged message after it was logged (to send
    // notifications at a chosen moment).
    std::function<void(win::HWND, win::UINT)> onMessage;

    void reset()
    {
        log.clear();
        answers.clear();
        marginsH = win::MAKELONG(3, 4);
        marginsV = win::MAKELONG(5, 6);
        selected = -1;
        text.clear();
        requestItemsOnCreate = true;
        collection = nullptr;
        keysSeen.clear();
        onMessage = nullptr;
    }

    // The messages in the protocol's ranges (and the standard ones the
    // control sends), in order.
    std::vector<Sent> protocol() const { return log; }
    std::vector<win::UINT> messages() const
    {
        std::vector<win::UINT> out;
        for (const Sent &s : log)
            out.push_back(s.msg);
        return out;
    }
    // The wParam of the last message msg, or -999 when none was sent.
    long long last(win::UINT msg) const
    {
        for (auto it = log.rbegin(); it != log.rend(); ++it)
            if (it->msg == msg)
                return static_cast<long long>(static_cast<win::LPARAM>(it->wParam));
        return -999;
    }
    int count(win::UINT msg) const
    {
        int n = 0;
        for (const Sent &s : log)
            n += s.msg == msg;
        return n;
    }

    static void registerClass()
    {
        static bool done = false;
        if (done)
            return;
        done = true;
        win::WNDCLASSA wc;
        wc.lpfnWndProc = &RyxDouble::proc;
        wc.lpszClassName = zobase7::kRyxComboClassName;
        ASSERT_NE(win::RegisterClassA(&wc), 0);
        win::WNDCLASSA parent;
        parent.lpfnWndProc = win::DefWindowProcA;
        parent.lpszClassName = "ComboTestParent";
        ASSERT_NE(win::RegisterClassA(&parent), 0);
    }

private:
    static bool logged(win::UINT m)
    {
        using namespace zobase7;
        return (m >= 0x1100 && m < 0x1800) || (m >= 0x2001 && m <= 0x2064) || (m >= 0x3000 && m <= 0x3024)
               || (m >= 0x5003 && m <= 0x504D && m != ZOM_SELCHANGED) || m == WM_SETFONT || m == EM_SETREADONLY
               || m == WM_COPY || m == win::WM_PAINT || m == EM_POSFROMCHAR;
    }
    static bool isStringMessage(win::UINT m)
    {
        using namespace zobase7;
        return m == ZOM_SETTEXT || m == ZOM_SETVALUE || m == ZOM_SETFORMAT || m == ZOM_SETLOOKUPTABLE
               || m == ZOM_SETSELTEXT;
    }

    static win::LRESULT proc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam)
    {
        using namespace zobase7;
        RyxDouble &d = instance();
        if (msg == win::WM_CREATE) {
            if (d.requestItemsOnCreate)
                win::SendMessageA(hwnd, ZOM_REQUESTITEMS, 0, 0);
            return 0;
        }
        if (msg == win::WM_KEYDOWN) {
            d.keysSeen.push_back(win::UINT(wParam));
            return 0;
        }
        if (!logged(msg))
            return win::DefWindowProcA(hwnd, msg, wParam, lParam);
        Sent s{msg, wParam, QByteArray(), lParam};
        if (isStringMessage(msg) && lParam)
            s.text = QByteArray(reinterpret_cast<const char *>(lParam));
        d.log.push_back(s);
        if (d.onMessage)
            d.onMessage(hwnd, msg);
        if (auto it = d.answers.find(msg); it != d.answers.end())
            return it->second;
        switch (msg) {
        case ZOM_GETMARGINSH: return d.marginsH;
        case ZOM_SETMARGINSH: d.marginsH = win::LRESULT(wParam); return 0;
        case ZOM_GETMARGINSV: return d.marginsV;
        case ZOM_SETMARGINSV: d.marginsV = win::LRESULT(wParam); return 0;
        case ZOM_SETSELECTEDINDEX: d.selected = win::LPARAM(wParam); return 0;
        case ZOM_GETSELECTEDINDEX: return d.selected;
        case ZOM_SETITEMCOLLECTION: d.collection = reinterpret_cast<void *>(wParam); return 0;
        case ZOM_GETLISTWINDOW: return win::LRESULT(d.listWindow);
        case ZOM_GETLISTWINDOW2: return win::LRESULT(d.listWindow2);
        case ZOM_GETTEXTLENGTH:
        case ZOM_GETVALUELENGTH:
        case ZOM_GETDISPLAYTEXTLENGTH: return d.text.size();
        case ZOM_GETSELLENGTH: return d.text.size();
        case ZOM_GETSELECTIONPOS:
            if (wParam)
                *reinterpret_cast<int *>(wParam) = d.selStart;
            if (lParam)
                *reinterpret_cast<int *>(lParam) = d.selEnd;
            return 0;
        case EM_POSFROMCHAR: return win::MAKELONG(win::WORD(7 * wParam), 3);
        case ZOM_GETTEXTRECT:
            *reinterpret_cast<win::RECT *>(lParam) = win::RECT{2, 2, 100, 20};
            return 0;
        case ZOM_GETTEXT:
        case ZOM_GETVALUE:
        case ZOM_GETDISPLAYTEXT:
        case ZOM_GETSELTEXT:
            std::memcpy(reinterpret_cast<char *>(lParam), d.text.constData(), size_t(d.text.size()) + 1);
            return d.text.size();
        default: return 0;
        }
    }
};

// Records each event: its dispid and its arguments (in declaration order).
class EventSink final : public IDispatch {
public:
    struct Call {
        DISPID id;
        std::vector<VARTYPE> types;
    };
    std::vector<Call> calls;
    // Run for each call before it is recorded (to write by-reference arguments).
    std::function<void(DISPID, DISPPARAMS *)> onEvent;

    std::vector<DISPID> ids() const
    {
        std::vector<DISPID> out;
        for (const Call &c : calls)
            out.push_back(c.id);
        return out;
    }

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_IComboEvents) {
            *object = static_cast<IDispatch *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT GetTypeInfoCount(uint32_t *) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID &, const OLECHAR *const *, uint32_t, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, const IID &, LCID, uint16_t, DISPPARAMS *params, VARIANT *, EXCEPINFO *, uint32_t *) override
    {
        Call c{id, {}};
        for (uint32_t i = params->cArgs; i > 0; --i)
            c.types.push_back(params->rgvarg[i - 1].vt);
        if (onEvent)
            onEvent(id, params);
        calls.push_back(c);
        return S_OK;
    }
    uint32_t refs = 1;
};

// A client site that answers the ambients the control reads.
class AmbientSite final : public win::IOleClientSite, public IDispatch {
public:
    bool userMode = true;
    bool uiDead = false;
    QString displayName = QStringLiteral("zoComboCustom");
    uint32_t refs = 1;

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == win::IID_IOleClientSite) {
            *object = static_cast<win::IOleClientSite *>(this);
        } else if (iid == IID_IDispatch) {
            *object = static_cast<IDispatch *>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT SaveObject() override { return E_NOTIMPL; }
    HRESULT GetMoniker(win::DWORD, win::DWORD, win::IMoniker **) override { return E_NOTIMPL; }
    HRESULT GetContainer(win::IOleContainer **) override { return E_NOTIMPL; }
    HRESULT ShowObject() override { return S_OK; }
    HRESULT OnShowWindow(win::BOOL) override { return S_OK; }
    HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }
    HRESULT GetTypeInfoCount(uint32_t *) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID &, const OLECHAR *const *, uint32_t, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, const IID &, LCID, uint16_t, DISPPARAMS *, VARIANT *result, EXCEPINFO *, uint32_t *) override
    {
        if (!result)
            return E_POINTER;
        VariantClear(result);
        switch (id) {
        case win::DISPID_AMBIENT_USERMODE:
            result->vt = VT_BOOL;
            result->boolVal = userMode ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case win::DISPID_AMBIENT_UIDEAD:
            result->vt = VT_BOOL;
            result->boolVal = uiDead ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case win::DISPID_AMBIENT_DISPLAYNAME:
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocQString(displayName);
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }
};

inline QByteArray ansi(const char *utf8) { return platform::codepage::toAnsi(QString::fromUtf8(utf8)); }

// A combo made as the library makes it, InitNew'ed; a window on demand.
class ComboTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module().attach();
        zobase7::registerSubObjectClasses();
        RyxDouble::registerClass();
        RyxDouble::instance().reset();
        ASSERT_EQ(createCombo(IID_ICombo, m_combo.putVoid()), S_OK);
    }
    void TearDown() override
    {
        if (m_cookie) {
            ComPtr<IConnectionPointContainer> cpc;
            m_combo->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid());
            ComPtr<IConnectionPoint> cp;
            cpc->FindConnectionPoint(DIID_IComboEvents, cp.put());
            cp->Unadvise(m_cookie);
        }
        if (m_site) {
            ComPtr<win::IOleObject> ole;
            m_combo->QueryInterface(win::IID_IOleObject, ole.putVoid());
            ole->SetClientSite(nullptr);
        }
        m_combo.reset();
        if (m_parent)
            win::DestroyWindow(m_parent);
        RyxDouble::instance().reset();
    }

    zoCombo &control() { return *static_cast<zoCombo *>(m_combo.get()); }

    void setSite(bool userMode)
    {
        m_siteObject.userMode = userMode;
        ComPtr<win::IOleObject> ole;
        ASSERT_EQ(m_combo->QueryInterface(win::IID_IOleObject, ole.putVoid()), S_OK);
        ASSERT_EQ(ole->SetClientSite(&m_siteObject), S_OK);
        m_site = true;
    }

    void initNew()
    {
        ComPtr<IPersistStreamInit> p;
        ASSERT_EQ(m_combo->QueryInterface(IID_IPersistStreamInit, p.putVoid()), S_OK);
        ASSERT_EQ(p->InitNew(), S_OK);
    }

    win::HWND createWindow(int width = 120, int height = 22)
    {
        if (!m_parent)
            m_parent = win::CreateWindowExA(0, "ComboTestParent", "", 0, 0, 0, 300, 200, 0, 0, 0, nullptr);
        return control().CreateControlWindow(m_parent, win::RECT{10, 10, 10 + width, 10 + height});
    }

    void connectSink()
    {
        ComPtr<IConnectionPointContainer> cpc;
        ASSERT_EQ(m_combo->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid()), S_OK);
        ComPtr<IConnectionPoint> cp;
        ASSERT_EQ(cpc->FindConnectionPoint(DIID_IComboEvents, cp.put()), S_OK);
        ASSERT_EQ(cp->Advise(static_cast<IDispatch *>(&m_sink), &m_cookie), S_OK);
    }

    ComPtr<IComboItem> addItem(const QString &content)
    {
        ComPtr<IComboItem> item;
        EXPECT_EQ(CoCreateInstance(CLSID_ComboItem, nullptr, IID_IComboItem, item.putVoid()), S_OK);
        Bstr c(content);
        item->put_Content(c.get());
        ComPtr<IComboItemCollection> items;
        m_combo->get_Items(items.put());
        EXPECT_EQ(items->Add(item.get()), S_OK);
        return item;
    }

    // The error text the last failing member left.
    static QString errorText()
    {
        ComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, info.put()) != S_OK || !info)
            return QString();
        Bstr d;
        info->GetDescription(d.put());
        return d.toQString();
    }

    RyxDouble &ryx() { return RyxDouble::instance(); }

    ComPtr<ICombo> m_combo;
    AmbientSite m_siteObject;
    bool m_site = false;
    EventSink m_sink;
    uint32_t m_cookie = 0;
    win::HWND m_parent = 0;
};

} // namespace pickwell::testing
