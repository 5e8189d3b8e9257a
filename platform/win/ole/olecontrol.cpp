#include "platform/win/ole/olecontrol.h"
#include "platform/win/ole/propframe.h"

#include "platform/com/persist.h"
#include "platform/win/window.h"

namespace platform::win {

using namespace platform::com;

namespace {
std::atomic<int> g_live{0};
}

OleControlBase::OleControlBase()
    : m_propertyNotify(static_cast<IOleObject *>(this), IID_IPropertyNotifySink)
{
    ++g_live;
}

OleControlBase::~OleControlBase()
{
    // A host that let go without Close: the window must not outlive its object.
    if (m_hwnd && IsWindow(m_hwnd))
        DestroyControlWindowOnFinalRelease();
    --g_live;
}

int OleControlBase::LiveCount()
{
    return g_live;
}

HRESULT OleControlBase::QueryInterface(const IID &iid, void **object)
{
    return queryInterfaceIn(Identity(), iid, object,
                            {{IID_IUnknown, static_cast<IOleObject *>(this)},
                             {IID_IOleObject, static_cast<IOleObject *>(this)},
                             {IID_IOleWindow, static_cast<IOleInPlaceObject *>(this)},
                             {IID_IOleInPlaceObject, static_cast<IOleInPlaceObject *>(this)},
                             {IID_IOleInPlaceActiveObject, static_cast<IOleInPlaceActiveObject *>(this)},
                             {IID_IOleControl, static_cast<IOleControl *>(this)},
                             {IID_IViewObject, static_cast<IViewObject *>(this)},
                             {IID_IViewObject2, static_cast<IViewObject2 *>(this)},
                             {IID_IViewObjectEx, static_cast<IViewObjectEx *>(this)},
                             {IID_IConnectionPointContainer, static_cast<IConnectionPointContainer *>(this)}});
}

uint32_t OleControlBase::AddRef()
{
    return ++m_refs;
}

uint32_t OleControlBase::Release()
{
    const uint32_t left = --m_refs;
    if (!left)
        delete this;
    return left;
}

// ---- site

void OleControlBase::releaseSite()
{
    m_ambient.reset();
    m_controlSite.reset();
    m_clientSite.reset();
}

void OleControlBase::readUserMode()
{
    bool userMode = true;
    GetAmbientUserMode(&userMode);
    m_userMode = userMode;
}

HRESULT OleControlBase::SetClientSite(IOleClientSite *site)
{
    // Keep the new site before letting go of the old one: they may be the same.
    ComPtr<IOleClientSite> keep(site);
    releaseSite();
    m_userMode = true;
    if (!site)
        return S_OK;
    m_clientSite = keep;
    site->QueryInterface(IID_IOleControlSite, m_controlSite.putVoid());
    site->QueryInterface(IID_IDispatch, m_ambient.putVoid());
    readUserMode();
    OnClientSiteSet();
    return S_OK;
}

HRESULT OleControlBase::GetClientSite(IOleClientSite **site)
{
    if (!site)
        return E_POINTER;
    *site = m_clientSite.get();
    if (*site)
        (*site)->AddRef();
    return S_OK;
}

HRESULT OleControlBase::Close(DWORD saveOption)
{
    InPlaceDeactivate();
    if (m_clientSite && m_dirty && (saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE))
        m_clientSite->SaveObject();
    releaseSite();
    return S_OK;
}

HRESULT OleControlBase::GetUserClassID(CLSID *clsid)
{
    if (!clsid)
        return E_POINTER;
    ComPtr<IPersist> persist;
    if (FAILED(QueryInterface(IID_IPersist, persist.putVoid())) || !persist)
        return E_NOTIMPL;
    return persist->GetClassID(clsid);
}

HRESULT OleControlBase::SetExtent(DWORD aspect, SIZEL *size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    if (size->cx < 0 || size->cy < 0)
        return E_INVALIDARG;
    m_extent = *size;
    return S_OK;
}

HRESULT OleControlBase::GetExtent(DWORD aspect, SIZEL *size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    return outValue(size, m_extent);
}

HRESULT OleControlBase::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE *, SIZEL *size)
{
    return GetExtent(aspect, size);
}

DWORD OleControlBase::MiscStatus() const
{
    return OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE
        | OLEMISC_SETCLIENTSITEFIRST;
}

HRESULT OleControlBase::GetMiscStatus(DWORD aspect, DWORD *status)
{
    if (!status)
        return E_POINTER;
    *status = aspect == DVASPECT_CONTENT ? MiscStatus() : 0;
    return S_OK;
}

// ---- verbs and in-place activation

HRESULT OleControlBase::DoVerb(LONG verb, MSG *, IOleClientSite *site, LONG, HWND parent, const RECT *posRect)
{
    if (site && site != m_clientSite.get() && !m_clientSite)
        SetClientSite(site);
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(verb, posRect);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (m_hwnd)
            ShowWindow(m_hwnd, SW_HIDE);
        return S_OK;
    case OLEIVERB_PROPERTIES:
        return ShowProperties(parent);
    case OLEIVERB_OPEN:
    case OLEIVERB_DISCARDUNDOSTATE:
        return E_NOTIMPL;
    default:
        return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
    }
}

// The properties verb: a container with a frame of its own shows that;
// otherwise the property frame with the pages the control names, owned by
// the site's window and captioned with the control's display name.
HRESULT OleControlBase::ShowProperties(HWND parent)
{
    if (m_controlSite && m_controlSite->ShowPropertyFrame() == S_OK)
        return S_OK;
    ComPtr<ISpecifyPropertyPages> specify;
    if (FAILED(QueryInterface(IID_ISpecifyPropertyPages, specify.putVoid())) || !specify)
        return E_NOTIMPL;
    CAUUID pages;
    HRESULT hr = specify->GetPages(&pages);
    if (FAILED(hr))
        return hr;
    if (pages.cElems == 0) {
        CoTaskMemFree(pages.pElems);
        return S_OK;
    }
    HWND owner = 0;
    if (m_inPlaceSite)
        m_inPlaceSite->GetWindow(&owner);
    if (!owner)
        owner = parent;
    std::u16string caption;
    Variant name;
    if (SUCCEEDED(GetAmbientProperty(DISPID_AMBIENT_DISPLAYNAME, name)) && name.vt == VT_BSTR && name.bstrVal)
        caption = name.bstrVal;
    LCID locale = 0;
    Variant localeId;
    if (SUCCEEDED(GetAmbientProperty(DISPID_AMBIENT_LOCALEID, localeId)) && localeId.vt == VT_I4)
        locale = static_cast<LCID>(localeId.lVal);
    IUnknown *self = Identity();
    // The control stays alive while its frame is open.
    AddRef();
    hr = OleCreatePropertyFrame(owner, 0, 0, caption.c_str(), 1, &self, pages.cElems, pages.pElems, locale, 0,
                                nullptr);
    CoTaskMemFree(pages.pElems);
    Release();
    return hr;
}

HRESULT OleControlBase::InPlaceActivate(LONG verb, const RECT *posRect)
{
    if (!m_clientSite)
        return E_UNEXPECTED;
    if (!m_inPlaceActive) {
        ComPtr<IOleInPlaceSite> site;
        if (FAILED(m_clientSite->QueryInterface(IID_IOleInPlaceSite, site.putVoid())) || !site)
            return E_NOINTERFACE;
        if (site->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        ComPtr<IOleInPlaceSiteEx> siteEx;
        site->QueryInterface(IID_IOleInPlaceSiteEx, siteEx.putVoid());
        BOOL noRedraw = FALSE;
        HRESULT hr = siteEx ? siteEx->OnInPlaceActivateEx(&noRedraw, 0) : site->OnInPlaceActivate();
        if (FAILED(hr))
            return hr;
        HWND parent = 0;
        RECT pos, clip;
        OLEINPLACEFRAMEINFO frameInfo;
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> uiWindow;
        if (FAILED(site->GetWindow(&parent)) || !parent
            || FAILED(site->GetWindowContext(frame.put(), uiWindow.put(), &pos, &clip, &frameInfo))) {
            site->OnInPlaceDeactivate();
            return E_FAIL;
        }
        if (posRect)
            pos = *posRect;
        const HWND hwnd = CreateControlWindow(parent, pos);
        if (!hwnd || !IsWindow(hwnd)) {
            site->OnInPlaceDeactivate();
            return E_FAIL;
        }
        m_hwnd = hwnd;
        m_posRect = pos;
        m_inPlaceSite = site;
        m_frame = frame;
        m_uiWindow = uiWindow;
        m_inPlaceActive = true;
    }
    if (m_hwnd && verb != OLEIVERB_INPLACEACTIVATE && !IsWindowVisible(m_hwnd))
        ShowWindow(m_hwnd, SW_SHOW);
    if (verb == OLEIVERB_UIACTIVATE && !m_uiActive && m_inPlaceSite) {
        m_uiActive = true;
        m_inPlaceSite->OnUIActivate();
        if (m_frame)
            m_frame->SetActiveObject(this, nullptr);
        if (m_uiWindow)
            m_uiWindow->SetActiveObject(this, nullptr);
    }
    return S_OK;
}

HRESULT OleControlBase::UIDeactivate()
{
    if (!m_uiActive)
        return S_OK;
    m_uiActive = false;
    if (m_uiWindow)
        m_uiWindow->SetActiveObject(nullptr, nullptr);
    if (m_frame)
        m_frame->SetActiveObject(nullptr, nullptr);
    if (m_inPlaceSite)
        m_inPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

void OleControlBase::DestroyControlWindow(HWND hwnd)
{
    DestroyWindow(hwnd);
}

void OleControlBase::DestroyControlWindowOnFinalRelease()
{
    // The derived part is gone here: its window procedure must not run any
    // more (it would reach a destroyed object), so the window is handed to
    // the default procedure before it is destroyed.
    const HWND hwnd = std::exchange(m_hwnd, 0);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

HRESULT OleControlBase::InPlaceDeactivate()
{
    if (!m_inPlaceActive)
        return S_OK;
    UIDeactivate();
    m_inPlaceActive = false;
    // Keep the site for its notification: the window's destruction may
    // call back into this object.
    ComPtr<IOleInPlaceSite> site = std::move(m_inPlaceSite);
    m_frame.reset();
    m_uiWindow.reset();
    if (const HWND hwnd = std::exchange(m_hwnd, 0); hwnd && IsWindow(hwnd))
        DestroyControlWindow(hwnd);
    if (site)
        site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT OleControlBase::GetWindow(HWND *hwnd)
{
    if (!hwnd)
        return E_POINTER;
    *hwnd = m_hwnd;
    return m_hwnd ? S_OK : E_FAIL;
}

HRESULT OleControlBase::SetObjectRects(const RECT *posRect, const RECT *)
{
    if (!posRect)
        return E_POINTER;
    m_posRect = *posRect;
    if (m_hwnd)
        SetWindowPos(m_hwnd, 0, posRect->left, posRect->top, posRect->right - posRect->left,
                     posRect->bottom - posRect->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

// ---- keyboard and control information

HRESULT OleControlBase::TranslateAccelerator(MSG *msg)
{
    if (!msg)
        return E_POINTER;
    return OnTranslateAccelerator(msg);
}

HRESULT OleControlBase::OnTranslateAccelerator(MSG *)
{
    return S_FALSE;
}

HRESULT OleControlBase::GetControlInfo(CONTROLINFO *info)
{
    if (!info)
        return E_POINTER;
    return OnGetControlInfo(info);
}

HRESULT OleControlBase::OnGetControlInfo(CONTROLINFO *info)
{
    *info = CONTROLINFO{};
    return S_OK;
}

HRESULT OleControlBase::OnMnemonic(MSG *msg)
{
    if (!msg)
        return E_POINTER;
    return OnMnemonicKey(msg);
}

HRESULT OleControlBase::OnAmbientPropertyChange(DISPID id)
{
    if (id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN)
        readUserMode();
    OnAmbientChanged(id);
    return S_OK;
}

HRESULT OleControlBase::FreezeEvents(BOOL freeze)
{
    if (freeze)
        ++m_freezeCount;
    else if (m_freezeCount > 0)
        --m_freezeCount;
    return S_OK;
}

// ---- view

HRESULT OleControlBase::Draw(DWORD aspect, LONG, void *, DVTARGETDEVICE *, HDC, HDC hdcDraw, const RECTL *bounds,
                             const RECTL *, ContinueProc, ULONG_PTR)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!hdcDraw)
        return E_INVALIDARG;
    RECT r;
    if (bounds)
        r = RECT{bounds->left, bounds->top, bounds->right, bounds->bottom};
    else if (m_inPlaceActive)
        r = m_posRect;
    else
        return E_INVALIDARG;
    return OnDraw(hdcDraw, r);
}

HRESULT OleControlBase::GetViewStatus(DWORD *status)
{
    return outValue(status, ViewStatus());
}

HRESULT OleControlBase::QueryHitPoint(DWORD aspect, const RECT *bounds, POINT location, LONG, DWORD *hitResult)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!bounds || !hitResult)
        return E_POINTER;
    const bool inside = location.x >= bounds->left && location.x < bounds->right && location.y >= bounds->top
        && location.y < bounds->bottom;
    *hitResult = inside ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT OleControlBase::QueryHitRect(DWORD aspect, const RECT *bounds, const RECT *location, LONG, DWORD *hitResult)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!bounds || !location || !hitResult)
        return E_POINTER;
    const bool overlaps = location->left < bounds->right && location->right > bounds->left
        && location->top < bounds->bottom && location->bottom > bounds->top;
    *hitResult = overlaps ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

// ---- property notification and ambients

HRESULT OleControlBase::FindConnectionPoint(const IID &iid, IConnectionPoint **point)
{
    return m_propertyNotify.handOut(iid, point);
}

void OleControlBase::FireOnChanged(DISPID id)
{
    m_propertyNotify.fireOnChanged(id);
}

HRESULT OleControlBase::FireOnRequestEdit(DISPID id)
{
    for (const ComPtr<IUnknown> &sink : m_propertyNotify.sinks()) {
        ComPtr<IPropertyNotifySink> notify;
        if (SUCCEEDED(sink->QueryInterface(IID_IPropertyNotifySink, notify.putVoid())) && notify
            && notify->OnRequestEdit(id) == S_FALSE)
            return S_FALSE;
    }
    return S_OK;
}

HRESULT OleControlBase::GetAmbientProperty(DISPID id, VARIANT &value)
{
    VariantClear(&value);
    if (!m_ambient)
        return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none;
    return m_ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
}

HRESULT OleControlBase::GetAmbientUserMode(bool *userMode)
{
    if (!userMode)
        return E_POINTER;
    *userMode = true;
    Variant v;
    HRESULT hr = GetAmbientProperty(DISPID_AMBIENT_USERMODE, v);
    if (FAILED(hr))
        return hr;
    Variant b;
    hr = VariantChangeType(&b, &v, 0, VT_BOOL);
    if (FAILED(hr))
        return hr;
    *userMode = b.boolVal != VARIANT_FALSE;
    return S_OK;
}

HRESULT OleControlBase::GetExtendedControl(IDispatch **extender)
{
    if (!extender)
        return E_POINTER;
    *extender = nullptr;
    if (!m_controlSite)
        return E_NOINTERFACE;
    return m_controlSite->GetExtendedControl(extender);
}

HRESULT FillPredefinedStrings(const QStringList &texts, const std::vector<DWORD> &cookies, CALPOLESTR *strings,
                              CADWORD *cookiesOut)
{
    *strings = CALPOLESTR{};
    *cookiesOut = CADWORD{};
    const size_t n = std::min(size_t(texts.size()), cookies.size());
    auto *elems = static_cast<com::OLECHAR **>(com::CoTaskMemAlloc(std::max<size_t>(n, 1) * sizeof(com::OLECHAR *)));
    auto *words = static_cast<DWORD *>(com::CoTaskMemAlloc(std::max<size_t>(n, 1) * sizeof(DWORD)));
    bool ok = elems && words;
    for (size_t i = 0; ok && i < n; ++i) {
        elems[i] = com::CoTaskMemString(texts.at(int(i)));
        words[i] = cookies[i];
        if (!elems[i]) {
            for (size_t j = 0; j < i; ++j)
                com::CoTaskMemFree(elems[j]);
            ok = false;
        }
    }
    if (!ok) {
        com::CoTaskMemFree(elems);
        com::CoTaskMemFree(words);
        return com::E_OUTOFMEMORY;
    }
    *strings = CALPOLESTR{ULONG(n), elems};
    *cookiesOut = CADWORD{ULONG(n), words};
    return com::S_OK;
}

} // namespace platform::win
