// A windowed OLE control for the host tests, served from its own library as
// the real controls are: it records what the host does to it in "Log",
// keeps "Caption" and "AutoSize" in a property bag, can ask its site for
// a new size, and offers the caption's "&" letter as its mnemonic.
#include "platform/com/objectbase.h"
#include "platform/com/persist.h"
#include "platform/win/accel.h"
#include "platform/win/gdi.h"
#include "platform/win/ole/olecontrol.h"
#include "platform/win/window.h"

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

using namespace platform::com;
using namespace platform::win;

namespace {

const CLSID kClsid{0x5A3C0F10, 0x77AB, 0x4C21, {0x9E, 0x10, 0x3D, 0x21, 0x6B, 0x80, 0x11, 0x42}};
constexpr const char *kWindowClass = "TalvikTestOleCtl";

class TestControl;

LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

class TestControl final : public OleControlBase,
                          public DispatchImpl<TestControl, IDispatch>,
                          public IPersistPropertyBag {
public:
    enum : DISPID { kCaption = 1, kAutoSize, kLog, kUserMode, kEatKey, kRequestSize, kAmbientChanges, kModeless };

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IDispatch)
            return queryInterfaceIn(Identity(), iid, object, {{IID_IDispatch, static_cast<IDispatch *>(this)}});
        if (iid == IID_IPersistPropertyBag || iid == IID_IPersist)
            return queryInterfaceIn(Identity(), iid, object,
                                    {{iid, static_cast<IPersistPropertyBag *>(this)}});
        return OleControlBase::QueryInterface(iid, object);
    }
    uint32_t AddRef() override { return OleControlBase::AddRef(); }
    uint32_t Release() override { return OleControlBase::Release(); }

    // IPersistPropertyBag
    HRESULT GetClassID(CLSID *clsid) override { return outValue(clsid, kClsid); }
    HRESULT InitNew() override
    {
        note("initnew");
        return S_OK;
    }
    HRESULT Load(IPropertyBag *bag, IErrorLog *log) override
    {
        if (!bag)
            return E_POINTER;
        Variant v;
        v.vt = VT_BSTR;
        if (SUCCEEDED(bag->Read(u"Caption", &v, log)))
            m_caption = v.toQString();
        Variant b;
        b.vt = VT_BOOL;
        if (SUCCEEDED(bag->Read(u"AutoSize", &b, log)))
            m_autoSize = b.boolVal != VARIANT_FALSE;
        note("load");
        return S_OK;
    }
    HRESULT Save(IPropertyBag *, bool, bool) override { return E_NOTIMPL; }

    static const DispatchTable<TestControl> &dispatchTable()
    {
        static const DispatchTable<TestControl> table({
            {u"Caption", kCaption, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
             [](TestControl *self, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *result) -> HRESULT {
                 if (kind == DISPATCH_PROPERTYGET) {
                     result->vt = VT_BSTR;
                     result->bstrVal = SysAllocQString(self->m_caption);
                     return S_OK;
                 }
                 Bstr text;
                 if (HRESULT hr = argBstr(args[0], &text); FAILED(hr))
                     return hr;
                 if (self->FireOnRequestEdit(kCaption) != S_OK)
                     return S_OK; // a sink refused: keep the old text
                 self->m_caption = text.toQString();
                 self->SetDirty(true);
                 self->FireOnChanged(kCaption);
                 // The caption's "&" letter is the control's mnemonic.
                 if (self->ControlSite())
                     self->ControlSite()->OnControlInfoChanged();
                 return S_OK;
             }},
            {u"AutoSize", kAutoSize, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
             [](TestControl *self, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *result) -> HRESULT {
                 if (kind == DISPATCH_PROPERTYGET) {
                     result->vt = VT_BOOL;
                     result->boolVal = self->m_autoSize ? VARIANT_TRUE : VARIANT_FALSE;
                     return S_OK;
                 }
                 VARIANT_BOOL b;
                 if (HRESULT hr = argBool(args[0], &b); FAILED(hr))
                     return hr;
                 self->m_autoSize = b != VARIANT_FALSE;
                 return S_OK;
             }},
            {u"Log", kLog, DISPATCH_PROPERTYGET,
             [](TestControl *self, uint16_t, std::vector<VARIANT *> &, VARIANT *result) -> HRESULT {
                 result->vt = VT_BSTR;
                 result->bstrVal = SysAllocQString(self->m_log.join(QLatin1Char(',')));
                 return S_OK;
             }},
            {u"UserMode", kUserMode, DISPATCH_PROPERTYGET,
             [](TestControl *self, uint16_t, std::vector<VARIANT *> &, VARIANT *result) -> HRESULT {
                 result->vt = VT_BOOL;
                 result->boolVal = self->CachedUserMode() ? VARIANT_TRUE : VARIANT_FALSE;
                 return S_OK;
             }},
            {u"AmbientChanges", kAmbientChanges, DISPATCH_PROPERTYGET,
             [](TestControl *self, uint16_t, std::vector<VARIANT *> &, VARIANT *result) -> HRESULT {
                 result->vt = VT_BSTR;
                 result->bstrVal = SysAllocQString(self->m_ambientChanges.join(QLatin1Char(',')));
                 return S_OK;
             }},
            {u"EatKey", kEatKey, DISPATCH_PROPERTYPUT,
             [](TestControl *self, uint16_t, std::vector<VARIANT *> &args, VARIANT *) -> HRESULT {
                 return argI4(args[0], &self->m_eatKey);
             }},
            // Makes the host's frame modeless-disabled (or enabled again), as
            // a control does while a dialog of its own is open.
            {u"Modeless", kModeless, DISPATCH_METHOD,
             [](TestControl *self, uint16_t, std::vector<VARIANT *> &args, VARIANT *) -> HRESULT {
                 VARIANT_BOOL enable;
                 if (args.size() != 1)
                     return DISP_E_BADPARAMCOUNT;
                 if (HRESULT hr = argBool(args[0], &enable); FAILED(hr))
                     return hr;
                 if (!self->InPlaceSite())
                     return E_UNEXPECTED;
                 ComPtr<IOleInPlaceFrame> frame;
                 ComPtr<IOleInPlaceUIWindow> doc;
                 RECT pos, clip;
                 OLEINPLACEFRAMEINFO info;
                 HRESULT hr = self->InPlaceSite()->GetWindowContext(frame.put(), doc.put(), &pos, &clip, &info);
                 if (FAILED(hr))
                     return hr;
                 return frame->EnableModeless(enable != VARIANT_FALSE);
             }},
            {u"RequestSize", kRequestSize, DISPATCH_METHOD,
             [](TestControl *self, uint16_t, std::vector<VARIANT *> &args, VARIANT *result) -> HRESULT {
                 int32_t w = 0, h = 0;
                 if (args.size() != 2)
                     return DISP_E_BADPARAMCOUNT;
                 if (FAILED(argI4(args[0], &w)) || FAILED(argI4(args[1], &h)))
                     return DISP_E_TYPEMISMATCH;
                 if (!self->InPlaceSite())
                     return E_UNEXPECTED;
                 const RECT r{0, 0, w, h};
                 result->vt = VT_ERROR;
                 result->scode = self->InPlaceSite()->OnPosRectChange(&r);
                 return S_OK;
             }},
        });
        return table;
    }

    void note(const QString &entry) { m_log << entry; }

protected:
    HWND CreateControlWindow(HWND parent, const RECT &rect) override
    {
        const HWND hwnd = CreateWindowExA(0, kWindowClass, "", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                          rect.right - rect.left, rect.bottom - rect.top, parent, 0, 0, nullptr);
        if (hwnd)
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        note(QStringLiteral("window"));
        return hwnd;
    }
    void DestroyControlWindow(HWND hwnd) override
    {
        note(QStringLiteral("destroy"));
        OleControlBase::DestroyControlWindow(hwnd);
    }
    HRESULT OnDraw(HDC hdc, const RECT &bounds) override
    {
        note(QStringLiteral("draw:%1,%2,%3,%4").arg(bounds.left).arg(bounds.top).arg(bounds.right).arg(bounds.bottom));
        HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(hdc, &bounds, brush);
        DeleteObject(brush);
        return S_OK;
    }
    DWORD ViewStatus() const override { return VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND; }
    void OnClientSiteSet() override { note(QStringLiteral("site")); }
    void OnAmbientChanged(DISPID id) override { m_ambientChanges << QString::number(id); }
    // Keys: the one asked to be eaten is used here; the rest go to the form
    // through the site, with the modifiers.
    HRESULT OnTranslateAccelerator(MSG *msg) override
    {
        note(QStringLiteral("accel:%1").arg(msg->wParam));
        if (msg->message == WM_KEYDOWN && static_cast<int32_t>(msg->wParam) == m_eatKey)
            return S_OK;
        if (!ControlSite())
            return S_FALSE;
        DWORD mods = 0;
        if (GetKeyState(VK_SHIFT) < 0)
            mods |= 1;
        if (GetKeyState(VK_CONTROL) < 0)
            mods |= 2;
        if (GetKeyState(VK_MENU) < 0)
            mods |= 4;
        return ControlSite()->TranslateAccelerator(msg, mods);
    }

    // The mnemonic: Alt with the letter after "&" in the caption.
    HRESULT OnGetControlInfo(CONTROLINFO *info) override
    {
        if (m_accel)
            DestroyAcceleratorTable(std::exchange(m_accel, 0));
        const int amp = m_caption.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < m_caption.size() && m_caption[amp + 1].isLetter()) {
            ACCEL a;
            a.fVirt = FVIRTKEY | FALT;
            a.key = static_cast<WORD>(m_caption[amp + 1].toUpper().unicode());
            a.cmd = 1;
            m_accel = CreateAcceleratorTableA(&a, 1);
        }
        *info = CONTROLINFO{};
        info->hAccel = m_accel;
        info->cAccel = m_accel ? 1 : 0;
        return S_OK;
    }
    HRESULT OnMnemonicKey(MSG *msg) override
    {
        note(QStringLiteral("mnemonic:%1").arg(msg->wParam));
        return S_OK;
    }

private:
    ~TestControl() override
    {
        if (m_accel)
            DestroyAcceleratorTable(m_accel);
    }

    QString m_caption;
    HACCEL m_accel = 0;
    bool m_autoSize = false;
    int32_t m_eatKey = 0;
    QStringList m_log;
    QStringList m_ambientChanges;
};

LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<TestControl *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == WM_KEYDOWN)
        self->note(QStringLiteral("keydown:%1").arg(wParam));
    if (self && msg == WM_DESTROY)
        self->note(QStringLiteral("wm_destroy"));
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(this, iid, object, {{IID_IUnknown, this}, {IID_IClassFactory, this}});
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT CreateInstance(IUnknown *outer, const IID &iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        WNDCLASSA wc;
        if (!GetClassInfoA(0, kWindowClass, &wc)) {
            wc.lpfnWndProc = windowProc;
            wc.lpszClassName = kWindowClass;
            RegisterClassA(&wc);
        }
        ComPtr<TestControl> control(new TestControl);
        return control->QueryInterface(iid, object);
    }
    HRESULT LockServer(bool) override { return S_OK; }
};

Factory g_factory;

} // namespace

TEST_EXPORT HRESULT DllGetClassObject(const CLSID &clsid, const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kClsid)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

TEST_EXPORT HRESULT DllCanUnloadNow()
{
    return S_FALSE;
}
