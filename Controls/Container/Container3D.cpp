#include "Controls/Container/Container3D.h"

#include "Controls/Container/LumafoldModule.h"
#include "Controls/common/DispatchHelpers.h"
#include "Controls/common/PropertyExchange.h"

#include <QStringList>

#include <cstdlib>

namespace lumafold {

using namespace platform::com;
namespace disp = controls::disp;

const CLSID CLSID_Container3D = {0x3A77E793, 0x396D, 0x4969, {0x90, 0x42, 0xBF, 0x62, 0x71, 0x22, 0x66, 0xF5}};
const IID IID_IContainer = {0xF5B94FAE, 0xEE81, 0x496E, {0xA5, 0xC5, 0xBB, 0xC3, 0x9D, 0x3B, 0xD4, 0xBC}};
const IID DIID_IContainerEvents = {0xD59125E2, 0x4F58, 0x4CFD, {0xAE, 0xD2, 0x4F, 0x54, 0xCC, 0xC2, 0x31, 0xFF}};

namespace {

constexpr int32_t kCtrlEffectSink = 9;
constexpr int32_t kChildsEffectSink = 8;
constexpr DISPID DISPID_APPLYEFFECT = 1;
constexpr DISPID DISPID_CHILDSEFFECT = 8;
constexpr DISPID DISPID_CTRLEFFECT = 9;
constexpr DISPID DISPID_REDRAW = 6;
constexpr DISPID DISPID_AUTOSIZE = -500;
constexpr DISPID DISPID_ENABLED = -514;
constexpr DISPID DISPID_MOUSEPOINTER = -521;
constexpr DISPID DISPID_MOUSEICON = -522;
constexpr int32_t kControlVersion = 0x00010000;

// A value read through by-reference forms.
Variant plainValue(const VARIANT &given)
{
    Variant v;
    VariantCopy(&v, derefVariant(const_cast<VARIANT *>(&given)));
    if (v.vt & VT_BYREF) {
        Variant plain;
        if (SUCCEEDED(VariantChangeType(&plain, &v, 0, v.vt & ~VT_BYREF)))
            return plain;
        return Variant();
    }
    return v;
}

bool isObject(const Variant &v)
{
    return v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN;
}

// The entries of a string list "0 - text,1 - text": leading number and the
// whole entry.
struct ListEntry {
    int32_t value;
    QString text;
};
std::vector<ListEntry> stringList(uint32_t id)
{
    std::vector<ListEntry> entries;
    const QString list = module().loadString(id);
    if (list.isEmpty())
        return entries;
    for (const QString &entry : list.split(QLatin1Char(','))) {
        const int dash = entry.indexOf(QLatin1String(" - "));
        bool ok = false;
        const int32_t value = (dash > 0 ? entry.left(dash) : entry).trimmed().toInt(&ok);
        if (ok)
            entries.push_back({value, entry});
    }
    return entries;
}

uint32_t listOf(DISPID id)
{
    switch (id) {
    case DISPID_APPLYEFFECT: return 120;
    case DISPID_AUTOSIZE: return 121;
    case DISPID_MOUSEPOINTER: return 122;
    default: return 0;
    }
}

} // namespace

Container3D::Container3D() : m_events(static_cast<IOleObject *>(this), DIID_IContainerEvents)
{
    module().objectCreated();
    win::SIZEL extent{win::PixelsToHimetric(80), win::PixelsToHimetric(33)};
    OleControlBase::SetExtent(win::DVASPECT_CONTENT, &extent);
    SetEventSinks(&m_events);
    // The container raises Click, DblClick, MouseDown, MouseMove and MouseUp;
    // it has no key events.
    EventMask = controls::kEventClick | controls::kEventDblClick | controls::kEventMouseDown |
                controls::kEventMouseMove | controls::kEventMouseUp;

    m_effects = ComPtr<Effects>(new Effects());
    m_effects->addStandardEffects();
    m_childs = ComPtr<Childs>(new Childs());
    m_childs->setEffects(m_effects.get());
    m_ctrlEffect = Variant::str(QStringLiteral("Raised"));
    m_childsEffect = Variant::str(QStringLiteral("Inset"));
    watchEffects();
}

Container3D::~Container3D()
{
    // The window goes first, so that nothing it does reaches released parts.
    if (m_effects)
        m_effects->setWindow(nullptr);
    if (m_childs)
        m_childs->setWindow(nullptr);
    if (const win::HWND hwnd = ControlWindow(); hwnd && win::IsWindow(hwnd))
        win::DestroyWindow(hwnd);
    m_sinks.unadviseAll();
    m_ctrlWatched = {};
    m_childsWatched = {};
    m_childs = {};
    m_effects = {};
    m_frames.clear();
    module().objectDestroyed();
}

HRESULT Container3D::QueryInterface(const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    IContainer *primary = this;
    auto *persistStream = static_cast<IPersistStreamInit *>(this);
    auto *persistBag = static_cast<IPersistPropertyBag *>(this);
    if (iid == IID_IDispatch || iid == IID_IContainer)
        return queryInterfaceIn(primary, iid, object, {{iid, primary}});
    if (iid == IID_ISupportErrorInfo)
        return queryInterfaceIn(primary, iid, object, {{iid, static_cast<ISupportErrorInfo *>(this)}});
    if (iid == IID_IPersistStreamInit || iid == IID_IPersistStream || iid == IID_IPersist)
        return queryInterfaceIn(primary, iid, object, {{iid, persistStream}});
    if (iid == IID_IPersistPropertyBag)
        return queryInterfaceIn(primary, iid, object, {{iid, persistBag}});
    if (iid == win::IID_IPerPropertyBrowsing)
        return queryInterfaceIn(primary, iid, object, {{iid, static_cast<win::IPerPropertyBrowsing *>(this)}});
    if (iid == win::IID_ISpecifyPropertyPages)
        return queryInterfaceIn(primary, iid, object, {{iid, static_cast<win::ISpecifyPropertyPages *>(this)}});
    if (iid == IID_IContainerPageLink)
        return queryInterfaceIn(primary, iid, object, {{iid, static_cast<IContainerPageLink *>(this)}});
    return OleControlBase::QueryInterface(iid, object);
}

const DispatchTable<Container3D> &Container3D::dispatchTable()
{
    using C = Container3D;
    static const DispatchTable<C> t({
        {u"Effects", 5, disp::GET,
         [](C *self, uint16_t, disp::Args &args, VARIANT *r) -> HRESULT {
             if (!args.empty())
                 return DISP_E_BADPARAMCOUNT;
             IEffects *e = nullptr;
             return disp::returnItem(self->get_Effects(&e), &e, r);
         }},
        {u"Childs", 2, disp::GET,
         [](C *self, uint16_t, disp::Args &args, VARIANT *r) -> HRESULT {
             if (!args.empty())
                 return DISP_E_BADPARAMCOUNT;
             IChildren *c = nullptr;
             return disp::returnItem(self->get_Childs(&c), &c, r);
         }},
        disp::variant<C>(u"CtrlEffect", DISPID_CTRLEFFECT, &C::get_CtrlEffect, &C::put_CtrlEffect,
                         &C::putref_CtrlEffect),
        disp::scalar<C, int32_t>(u"ApplyEffect", DISPID_APPLYEFFECT, VT_I4, &C::get_ApplyEffect, &C::put_ApplyEffect),
        disp::scalar<C, int32_t>(u"AutoSize", DISPID_AUTOSIZE, VT_I4, &C::get_AutoSize, &C::put_AutoSize),
        disp::scalar<C, VARIANT_BOOL>(u"Enabled", DISPID_ENABLED, VT_BOOL, &C::get_Enabled, &C::put_Enabled),
        disp::scalar<C, VARIANT_BOOL>(u"Redraw", DISPID_REDRAW, VT_BOOL, &C::get_Redraw, &C::put_Redraw),
        disp::string<C>(u"Version", 7, &C::get_Version, &C::put_Version),
        disp::variant<C>(u"ChildsEffect", DISPID_CHILDSEFFECT, &C::get_ChildsEffect, &C::put_ChildsEffect,
                         &C::putref_ChildsEffect),
        disp::scalar<C, int32_t>(u"hWnd", -515, VT_I4, &C::get_hWnd),
        {u"MouseIcon", DISPID_MOUSEICON, uint16_t(disp::GET | disp::PUT | disp::PUTREF),
         [](C *self, uint16_t kind, disp::Args &args, VARIANT *r) -> HRESULT {
             if (kind == disp::GET) {
                 if (!args.empty())
                     return DISP_E_BADPARAMCOUNT;
                 IDispatch *p = nullptr;
                 const HRESULT hr = self->get_MouseIcon(&p);
                 if (FAILED(hr))
                     return hr;
                 VariantClear(r);
                 r->vt = VT_DISPATCH;
                 r->pdispVal = p;
                 return hr;
             }
             if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                 return hr;
             const VARIANT *a = derefVariant(args[0]);
             IDispatch *p = nullptr;
             if (a->vt == VT_DISPATCH || a->vt == VT_UNKNOWN)
                 p = a->pdispVal;
             else if (a->vt != VT_NULL && a->vt != VT_EMPTY)
                 return DISP_E_TYPEMISMATCH;
             return kind == disp::PUTREF ? self->putref_MouseIcon(p) : self->put_MouseIcon(p);
         }},
        disp::scalar<C, int32_t>(u"MousePointer", DISPID_MOUSEPOINTER, VT_I4, &C::get_MousePointer,
                                 &C::put_MousePointer),
        {u"AboutBox", -552, disp::METHOD, [](C *self, uint16_t, disp::Args &, VARIANT *) { return self->AboutBox(); }},
    });
    return t;
}

HRESULT Container3D::error(HRESULT hr) const
{
    if (hr == CTL_E_INVALIDPROPERTYVALUE || hr == E_ELEMENT_NOT_FOUND || hr == E_NOT_IN_COLLECTION)
        return raiseError(hr, CLSID_Container3D, IID_IContainer);
    // Errors without a text of their own still name the control and the interface.
    return module().raise(hr, 0, CLSID_Container3D, IID_IContainer);
}

void Container3D::notify(DISPID id)
{
    SetDirty(true);
    FireOnChanged(id);
}

void Container3D::redraw(bool erase)
{
    if (const win::HWND hwnd = ControlWindow(); hwnd && win::IsWindow(hwnd))
        win::InvalidateRect(hwnd, nullptr, erase ? 1 : 0);
}

HRESULT Container3D::InterfaceSupportsErrorInfo(const IID &iid)
{
    return iid == IID_IContainer ? S_OK : S_FALSE;
}

HRESULT Container3D::FindConnectionPoint(const IID &iid, IConnectionPoint **point)
{
    if (iid == DIID_IContainerEvents)
        return m_events.handOut(iid, point);
    return OleControlBase::FindConnectionPoint(iid, point);
}

void Container3D::sendMessage(uint32_t message)
{
    if (const win::HWND hwnd = ControlWindow(); hwnd && win::IsWindow(hwnd))
        win::SendMessageA(hwnd, message, 0, 0);
}

// ---- simple members

HRESULT Container3D::get_Effects(IEffects **value)
{
    if (!value)
        return E_POINTER;
    *value = m_effects.get();
    if (*value)
        (*value)->AddRef();
    return S_OK;
}

HRESULT Container3D::get_Childs(IChildren **value)
{
    if (!value)
        return E_POINTER;
    *value = m_childs.get();
    if (*value)
        (*value)->AddRef();
    return S_OK;
}

HRESULT Container3D::get_ApplyEffect(int32_t *value)
{
    return outValue(value, int32_t(m_applyEffect));
}

HRESULT Container3D::put_ApplyEffect(int32_t value)
{
    if (value < zoApplyNone || value > zoApplyAll)
        return error(CTL_E_INVALIDPROPERTYVALUE);
    const int16_t old = m_applyEffect;
    m_applyEffect = int16_t(value);
    if (old == zoApplyChilds && value == zoApplyAll)
        dropAllRecordsAndRelayout();
    notify(DISPID_APPLYEFFECT);
    redraw();
    return S_OK;
}

HRESULT Container3D::get_AutoSize(int32_t *value)
{
    return outValue(value, int32_t(m_autoSize));
}

HRESULT Container3D::put_AutoSize(int32_t value)
{
    if (value < zoAutoSizeNone || value > zoAutoSizeChild)
        return error(CTL_E_INVALIDPROPERTYVALUE);
    m_autoSize = int16_t(value);
    notify(DISPID_AUTOSIZE);
    redraw();
    return S_OK;
}

HRESULT Container3D::get_Enabled(VARIANT_BOOL *value)
{
    return outValue(value, VARIANT_BOOL(m_enabled ? VARIANT_TRUE : VARIANT_FALSE));
}

HRESULT Container3D::put_Enabled(VARIANT_BOOL value)
{
    m_enabled = value != 0;
    notify(DISPID_ENABLED);
    if (userMode())
        if (const win::HWND hwnd = ControlWindow(); hwnd && win::IsWindow(hwnd))
            win::EnableWindow(hwnd, m_enabled ? 1 : 0);
    return S_OK;
}

HRESULT Container3D::get_Redraw(VARIANT_BOOL *value)
{
    if (!value)
        return E_POINTER;
    if (!userMode())
        return error(CTL_E_GETNOTSUPPORTEDATDESIGNTIME);
    *value = m_redraw ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT Container3D::put_Redraw(VARIANT_BOOL value)
{
    m_redraw = value != 0;
    notify(DISPID_REDRAW);
    redraw();
    return S_OK;
}

HRESULT Container3D::get_Version(BSTR *value)
{
    return outString(value, module().versionString());
}

HRESULT Container3D::put_Version(BSTR)
{
    return error(CTL_E_SETNOTSUPPORTED);
}

HRESULT Container3D::get_hWnd(int32_t *value)
{
    return outValue(value, int32_t(ControlWindow()));
}

HRESULT Container3D::get_MouseIcon(IDispatch **value)
{
    if (!value)
        return E_POINTER;
    *value = nullptr;
    return controls::GetPictureProperty(m_mouseIcon.get(), value);
}

HRESULT Container3D::put_MouseIcon(IDispatch *value)
{
    if (FAILED(controls::PutIconProperty(&m_mouseIcon, value)))
        return error(CTL_E_INVALIDPROPERTYVALUE);
    notify(DISPID_MOUSEICON);
    return S_OK;
}

HRESULT Container3D::putref_MouseIcon(IDispatch *value)
{
    if (FAILED(controls::PutIconPicture(&m_mouseIcon, value)))
        return error(CTL_E_INVALIDPROPERTYVALUE);
    notify(DISPID_MOUSEICON);
    return S_OK;
}

HRESULT Container3D::get_MousePointer(int32_t *value)
{
    return outValue(value, m_mousePointer);
}

HRESULT Container3D::put_MousePointer(int32_t value)
{
    if ((value < zoDefault || value > zoSizeAll) && value != zoCustom)
        return error(CTL_E_INVALIDPROPERTYVALUE);
    m_mousePointer = value;
    notify(DISPID_MOUSEPOINTER);
    redraw();
    return S_OK;
}

// ---- the effect properties

ComPtr<IEffect> Container3D::resolveEffect(const Variant &stored) const
{
    ComPtr<IEffect> e;
    if (isObject(stored) && stored.punkVal) {
        stored.punkVal->QueryInterface(IID_IEffect, e.putVoid());
    } else if (stored.vt == VT_BSTR && m_effects) {
        Variant key(stored);
        Effect *found = nullptr;
        if (SUCCEEDED(m_effects->find(&key, &found)) && found)
            e = ComPtr<IEffect>(static_cast<IEffect *>(found));
    }
    return e;
}

void Container3D::watchEffects()
{
    m_sinks.UnadviseSubObjectChanges(kCtrlEffectSink);
    m_sinks.UnadviseSubObjectChanges(kChildsEffectSink);
    m_ctrlWatched = resolveEffect(m_ctrlEffect);
    m_childsWatched = resolveEffect(m_childsEffect);
    if (m_ctrlWatched)
        m_sinks.AdviseSubObjectChanges(kCtrlEffectSink, m_ctrlWatched.get(), IID_IPropertyNotifySink);
    if (m_childsWatched)
        m_sinks.AdviseSubObjectChanges(kChildsEffectSink, m_childsWatched.get(), IID_IPropertyNotifySink);
}

HRESULT Container3D::getEffect(const Variant &stored, VARIANT *value) const
{
    if (!value)
        return E_POINTER;
    VariantClear(value);
    value->vt = VT_NULL;
    const ComPtr<IEffect> e = resolveEffect(stored);
    if (!e)
        return S_OK;
    if (stored.vt == VT_BSTR && !userMode()) {
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocString(stored.bstrVal);
        return S_OK;
    }
    value->vt = VT_DISPATCH;
    value->pdispVal = e.get();
    e->AddRef();
    return S_OK;
}

HRESULT Container3D::putEffect(VARIANT given, Variant &stored, DISPID id)
{
    const Variant v = plainValue(given);
    Variant next;
    if (v.vt == VT_NULL || (isObject(v) && !v.punkVal)) {
        next = Variant::null();
    } else if (v.vt == VT_BSTR && (!v.bstrVal || SysStringLen(v.bstrVal) == 0)) {
        if (userMode())
            return error(E_ELEMENT_NOT_FOUND);
        next = Variant::null();
    } else if (v.vt == VT_I2 || v.vt == VT_I4 || v.vt == VT_BSTR) {
        if (!m_effects)
            return error(E_NOT_IN_COLLECTION);
        ComPtr<IEffect> e;
        const HRESULT hr = m_effects->get_Item(v, e.put());
        if (FAILED(hr))
            return hr; // the collection's error, with its error info
        Bstr key;
        e->get_Key(key.put());
        next = Variant::str(key.toQString());
    } else if (isObject(v)) {
        ComPtr<IEffect> e;
        if (FAILED(v.punkVal->QueryInterface(IID_IEffect, e.putVoid())))
            return error(CTL_E_INVALIDPROPERTYVALUE);
        next = Variant::dispatch(e.get());
    } else {
        return error(CTL_E_INVALIDPROPERTYVALUE);
    }
    stored = next;
    watchEffects();
    notify(id);
    redraw();
    return S_OK;
}

HRESULT Container3D::get_CtrlEffect(VARIANT *value)
{
    return getEffect(m_ctrlEffect, value);
}

HRESULT Container3D::put_CtrlEffect(VARIANT value)
{
    return putEffect(value, m_ctrlEffect, DISPID_CTRLEFFECT);
}

HRESULT Container3D::putref_CtrlEffect(VARIANT value)
{
    const Variant v = plainValue(value);
    if (!isObject(v) && v.vt != VT_NULL)
        return error(CTL_E_INVALIDPROPERTYVALUE);
    return put_CtrlEffect(value);
}

HRESULT Container3D::get_ChildsEffect(VARIANT *value)
{
    return getEffect(m_childsEffect, value);
}

HRESULT Container3D::put_ChildsEffect(VARIANT value)
{
    return putEffect(value, m_childsEffect, DISPID_CHILDSEFFECT);
}

HRESULT Container3D::putref_ChildsEffect(VARIANT value)
{
    const Variant v = plainValue(value);
    if (!isObject(v) && v.vt != VT_NULL)
        return error(CTL_E_INVALIDPROPERTYVALUE);
    return put_ChildsEffect(value);
}

void Container3D::OnSubObjectChanged(int32_t id, DISPID dispid)
{
    if (id == kChildsEffectSink) {
        LayoutChildren();
        return;
    }
    if (id != kCtrlEffectSink)
        return;
    if (dispid == 1) {
        redraw(true);
        return;
    }
    int frame = 0;
    int shadow = 0;
    if (m_ctrlWatched) {
        const EffectLook l = EffectLook::of(m_ctrlWatched.get());
        // Absolute widths: an inset bevel takes as much room as a raised one.
        frame = std::abs(l.borderStyle) + std::abs(l.bevelSpace) + std::abs(l.bevelInner) + std::abs(l.bevelOuter);
        shadow = l.shadowWidth;
    }
    InvalidateAroundChildren(frame, shadow);
}

// ---- per-property browsing

HRESULT Container3D::GetDisplayString(DISPID id, BSTR *text)
{
    if (!text)
        return E_POINTER;
    *text = nullptr;
    if (id == DISPID_CTRLEFFECT || id == DISPID_CHILDSEFFECT) {
        const Variant &stored = id == DISPID_CTRLEFFECT ? m_ctrlEffect : m_childsEffect;
        QString shown;
        if (stored.vt == VT_BSTR) {
            shown = bstrToQString(stored.bstrVal);
        } else if (const ComPtr<IEffect> e = resolveEffect(stored)) {
            Bstr key;
            e->get_Key(key.put());
            shown = key.toQString();
        }
        if (stored.vt == VT_NULL || shown.isEmpty())
            shown = module().loadString(IDS_NONE);
        *text = SysAllocQString(shown);
        return S_OK;
    }
    const uint32_t list = listOf(id);
    if (!list)
        return E_NOTIMPL;
    const int32_t current = id == DISPID_APPLYEFFECT ? m_applyEffect
                            : id == DISPID_AUTOSIZE  ? m_autoSize
                                                     : m_mousePointer;
    for (const ListEntry &e : stringList(list)) {
        if (e.value == current) {
            *text = SysAllocQString(e.text);
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT Container3D::GetPages(win::CAUUID *pages)
{
    if (!pages)
        return E_POINTER;
    static const CLSID *const list[] = {&CLSID_ContainerEffectsPage, &CLSID_ContainerChildsPage,
                                        &CLSID_ContainerGeneralPage};
    constexpr win::ULONG n = sizeof list / sizeof list[0];
    pages->cElems = 0;
    pages->pElems = static_cast<GUID *>(CoTaskMemAlloc(n * sizeof(GUID)));
    if (!pages->pElems)
        return E_OUTOFMEMORY;
    for (win::ULONG i = 0; i < n; ++i)
        pages->pElems[i] = *list[i];
    pages->cElems = n;
    return S_OK;
}

HRESULT Container3D::MarkChanged(DISPID id)
{
    SetDirty(true);
    if (id)
        FireOnChanged(id);
    if (const win::HWND hwnd = ControlWindow(); hwnd && win::IsWindow(hwnd)) {
        LayoutChildren();
        win::InvalidateRect(hwnd, nullptr, 1);
    }
    return S_OK;
}

HRESULT Container3D::GetFrameNames(QStringList *names)
{
    if (!names)
        return E_POINTER;
    names->clear();
    // The records as they stand now, not as the last paint left them.
    if (const win::HWND hwnd = ControlWindow(); hwnd && win::IsWindow(hwnd))
        LayoutChildren();
    for (const ChildFrameRecord &r : m_frames.records())
        names->append(r.name);
    return S_OK;
}

HRESULT Container3D::MapPropertyToPage(DISPID, CLSID *)
{
    return E_NOTIMPL;
}

HRESULT Container3D::GetPredefinedStrings(DISPID id, win::CALPOLESTR *strings, win::CADWORD *cookies)
{
    if (!strings || !cookies)
        return E_POINTER;
    QStringList texts;
    std::vector<win::DWORD> values;
    if (id == DISPID_CTRLEFFECT || id == DISPID_CHILDSEFFECT) {
        texts = m_effects ? m_effects->keysInMapOrder() : QStringList();
        for (int i = 0; i < texts.size(); ++i)
            values.push_back(win::DWORD(i));
    } else if (const uint32_t list = listOf(id)) {
        for (const ListEntry &e : stringList(list)) {
            texts << e.text;
            values.push_back(win::DWORD(e.value));
        }
    } else {
        return E_NOTIMPL;
    }
    // Every string is a CoTaskMemAlloc copy, as the caller frees them.
    return win::FillPredefinedStrings(texts, values, strings, cookies);
}

HRESULT Container3D::GetPredefinedValue(DISPID id, win::DWORD cookie, VARIANT *value)
{
    if (!value)
        return E_POINTER;
    if (id == DISPID_CTRLEFFECT || id == DISPID_CHILDSEFFECT) {
        const QStringList keys = m_effects ? m_effects->keysInMapOrder() : QStringList();
        if (cookie >= win::DWORD(keys.size()))
            return E_INVALIDARG;
        VariantClear(value);
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocQString(keys.at(int(cookie)));
        return S_OK;
    }
    const uint32_t list = listOf(id);
    if (!list)
        return E_NOTIMPL;
    for (const ListEntry &e : stringList(list)) {
        if (win::DWORD(e.value) == cookie) {
            VariantClear(value);
            value->vt = VT_I4;
            value->lVal = e.value;
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

// ---- persistence

HRESULT Container3D::GetClassID(CLSID *clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_Container3D;
    return S_OK;
}

bool Container3D::exchangeEffect(controls::PropertyExchangeContext *ctx, const char16_t *typeName,
                                 const char16_t *valueName, Variant &stored)
{
    if (!ctx->loading) {
        // An effect held as an object is saved by its key when this control's
        // Effects knows it, else as Null: an object cannot be stored by type.
        QString key;
        if (stored.vt == VT_BSTR) {
            key = bstrToQString(stored.bstrVal);
        } else if (isObject(stored)) {
            if (const ComPtr<IEffect> e = resolveEffect(stored)) {
                Bstr k;
                e->get_Key(k.put());
                Variant asKey = Variant::str(k.toQString());
                Effect *found = nullptr;
                if (!k.toQString().isEmpty() && m_effects && SUCCEEDED(m_effects->find(&asKey, &found)) && found &&
                    static_cast<IEffect *>(found) == e.get())
                    key = k.toQString();
            }
        }
        int16_t type = key.isEmpty() ? int16_t(VT_NULL) : int16_t(VT_BSTR);
        if (!controls::ExchangeShortProperty(ctx, typeName, &type))
            return false;
        if (type != VT_BSTR)
            return true;
        Bstr value(key);
        return controls::ExchangeStringProperty(ctx, valueName, &value);
    }
    return LoadEffectReference(ctx, typeName, valueName, &stored);
}

bool Container3D::exchange(controls::PropertyExchangeContext *ctx)
{
    const bool stream = ctx->stream != nullptr;
    // A property bag may lack a value (the default stays); a value that is
    // there must load, and a stream must hold every value.
    auto step = [ctx](bool ok) { return controls::ExchangeStepOk(ctx, ok); };

    bool dirty = GetDirty();
    int32_t version = kControlVersion;
    win::SIZEL extent = Extent();
    int32_t ex = extent.cx;
    int32_t ey = extent.cy;
    if (!step(controls::ExchangeVersionAndExtent(ctx, &dirty, &version, &ex, &ey)))
        return false;
    int16_t apply = m_applyEffect;
    int16_t autoSize = m_autoSize;
    int32_t enabled = m_enabled ? 1 : 0;
    int32_t redrawFlag = m_redraw ? 1 : 0;
    int32_t pointer = m_mousePointer;
    ComPtr<IUnknown> icon(reinterpret_cast<IUnknown *>(m_mouseIcon.get()));
    Variant ctrl = m_ctrlEffect;
    Variant childs = m_childsEffect;
    ComPtr<IUnknown> effects(static_cast<IEffects *>(m_effects.get()));
    ComPtr<IUnknown> children(static_cast<IChildren *>(m_childs.get()));

    if (!step(controls::ExchangeShortProperty(ctx, u"ApplyEffect", &apply)) ||
        !step(controls::ExchangeShortProperty(ctx, u"AutoSize", &autoSize)) ||
        !step(controls::ExchangeBoolProperty(ctx, u"Enabled", &enabled)) ||
        !step(controls::ExchangeBoolProperty(ctx, u"Redraw", &redrawFlag)))
        return false;
    if (stream || icon || ctx->loading) {
        if (!step(controls::ExchangeObjectProperty(ctx, u"MouseIcon", &icon, IID_IPicture)))
            return false;
    }
    if (!step(controls::ExchangeLongProperty(ctx, u"MousePointer", &pointer)) ||
        !step(exchangeEffect(ctx, u"CtrlEffectType", u"CtrlEffectValue", ctrl)) ||
        !step(exchangeEffect(ctx, u"ChildsEffectType", u"ChildsEffectValue", childs)) ||
        !step(controls::ExchangeObjectProperty(ctx, u"Effects", &effects, IID_IEffects)) ||
        !step(controls::ExchangeObjectProperty(ctx, u"Childs", &children, IID_IChildren)))
        return false;
    if (!ctx->loading)
        return true;

    // Values out of their ranges are refused as a put would refuse them.
    if (apply < zoApplyNone || apply > zoApplyAll)
        return controls::RefuseLoadedValue(ctx, QStringLiteral("ApplyEffect"), QString::number(apply));
    if (autoSize < zoAutoSizeNone || autoSize > zoAutoSizeChild)
        return controls::RefuseLoadedValue(ctx, QStringLiteral("AutoSize"), QString::number(autoSize));
    if ((pointer < zoDefault || pointer > zoSizeAll) && pointer != zoCustom)
        return controls::RefuseLoadedValue(ctx, QStringLiteral("MousePointer"), QString::number(pointer));
    Effects *loadedEffects = nullptr;
    Childs *loadedChilds = nullptr;
    if (effects) {
        void *p = nullptr;
        if (FAILED(effects->QueryInterface(IID_IEffects, &p)))
            return controls::RefuseLoadedValue(ctx, QStringLiteral("Effects"), QStringLiteral("(別の種類のオブジェクト)"));
        loadedEffects = static_cast<Effects *>(static_cast<IEffects *>(p));
        loadedEffects->Release();
    }
    if (children) {
        void *p = nullptr;
        if (FAILED(children->QueryInterface(IID_IChildren, &p)))
            return controls::RefuseLoadedValue(ctx, QStringLiteral("Childs"), QStringLiteral("(別の種類のオブジェクト)"));
        loadedChilds = static_cast<Childs *>(static_cast<IChildren *>(p));
        loadedChilds->Release();
    }
    extent.cx = ex;
    extent.cy = ey;
    if (ex > 0 && ey > 0)
        OleControlBase::SetExtent(win::DVASPECT_CONTENT, &extent);
    m_applyEffect = apply;
    m_autoSize = autoSize;
    m_enabled = enabled != 0;
    m_redraw = redrawFlag != 0;
    m_mousePointer = pointer;
    m_mouseIcon = ComPtr<IPicture>();
    if (icon)
        icon->QueryInterface(IID_IPicture, m_mouseIcon.putVoid());
    m_ctrlEffect = ctrl;
    m_childsEffect = childs;
    if (loadedEffects && loadedEffects != m_effects.get()) {
        m_effects->setWindow(nullptr);
        m_effects = ComPtr<Effects>(loadedEffects);
    }
    if (loadedChilds && loadedChilds != m_childs.get()) {
        m_childs->setWindow(nullptr);
        m_childs = ComPtr<Childs>(loadedChilds);
    }
    // The children look their effects up in the control's Effects.
    m_childs->setEffects(m_effects.get());
    SetDirty(dirty);
    return true;
}

void Container3D::afterLoadOrSave(bool loaded)
{
    ContainerWindow *window = ControlWindow() ? this : nullptr;
    m_effects->setWindow(window);
    m_childs->setWindow(window);
    if (loaded) {
        watchEffects();
        m_frames.clear();
        if (ControlWindow()) {
            LayoutChildren();
            redraw(true);
        }
    }
}

HRESULT Container3D::Load(IStream *stream)
{
    if (!stream)
        return E_POINTER;
    m_sinks.unadviseAll();
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    ctx.loading = true;
    const bool ok = exchange(&ctx);
    afterLoadOrSave(true);
    return ok ? S_OK : module().raiseLoadRefusal(E_FAIL, ctx.refusal, CLSID_Container3D, IID_IContainer);
}

HRESULT Container3D::Save(IStream *stream, bool clearDirty)
{
    if (!stream)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    const bool ok = exchange(&ctx);
    afterLoadOrSave(false);
    if (ok && clearDirty)
        SetDirty(false);
    return ok ? S_OK : E_FAIL;
}

HRESULT Container3D::Load(IPropertyBag *bag, IErrorLog *log)
{
    if (!bag)
        return E_POINTER;
    m_sinks.unadviseAll();
    controls::PropertyExchangeContext ctx;
    ctx.bag = bag;
    ctx.errorLog = log;
    ctx.loading = true;
    const bool ok = exchange(&ctx);
    afterLoadOrSave(true);
    return ok ? S_OK : module().raiseLoadRefusal(E_FAIL, ctx.refusal, CLSID_Container3D, IID_IContainer);
}

HRESULT Container3D::Save(IPropertyBag *bag, bool clearDirty, bool)
{
    if (!bag)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.bag = bag;
    const bool ok = exchange(&ctx);
    afterLoadOrSave(false);
    if (ok && clearDirty)
        SetDirty(false);
    return ok ? S_OK : E_FAIL;
}

} // namespace lumafold
