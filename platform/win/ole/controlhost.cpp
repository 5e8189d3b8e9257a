#include "platform/win/ole/controlhost.h"

#include "platform/com/font.h"
#include "platform/com/objectbase.h"
#include "platform/win/embed.h"
#include "platform/win/window.h"

#include <QApplication>
#include <QKeyEvent>

#include <cmath>

namespace platform::win {

namespace detail {
void virtualKey(int key, int *vk, int *scan, bool *extended);
}

using namespace platform::com;

namespace {

std::atomic<int> g_live{0};

// Counts the site-side objects alive.
struct LiveCounted {
    LiveCounted() { ++g_live; }
    ~LiveCounted() { --g_live; }
    LiveCounted(const LiveCounted &) = delete;
    LiveCounted &operator=(const LiveCounted &) = delete;
};

OLE_COLOR oleColor(const QColor &c)
{
    return static_cast<OLE_COLOR>(RGB(c.red(), c.green(), c.blue()));
}

bool namesEqual(const OLECHAR *a, const char16_t *b)
{
    return a && dispatch_detail::equalsIgnoringAsciiCase(std::u16string(b), a);
}

// ---- enumerator of IUnknowns

class UnknownEnum final : public RefCounted<IEnumUnknown>, LiveCounted {
public:
    explicit UnknownEnum(std::vector<ComPtr<IUnknown>> items, size_t pos = 0) : m_items(std::move(items)), m_pos(pos) {}

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(this, iid, object, {{IID_IUnknown, this}, {IID_IEnumUnknown, this}});
    }
    HRESULT Next(ULONG count, IUnknown **items, ULONG *fetched) override
    {
        if (!items || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && m_pos < m_items.size()) {
            items[n] = m_items[m_pos++].get();
            items[n]->AddRef();
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        const size_t left = m_items.size() - m_pos;
        m_pos += std::min<size_t>(left, count);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override
    {
        m_pos = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumUnknown **copy) override
    {
        if (!copy)
            return E_POINTER;
        *copy = new UnknownEnum(m_items, m_pos);
        (*copy)->AddRef();
        return S_OK;
    }

private:
    std::vector<ComPtr<IUnknown>> m_items;
    size_t m_pos;
};

} // namespace

// ---- the frame the control sees while in-place active

class InPlaceFrame final : public RefCounted<IOleInPlaceFrame>, LiveCounted {
public:
    explicit InPlaceFrame(ControlHostWidget *host) : m_host(host) {}

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(this, iid, object,
                                {{IID_IUnknown, this}, {IID_IOleWindow, this}, {IID_IOleInPlaceUIWindow, this},
                                 {IID_IOleInPlaceFrame, this}});
    }
    HRESULT GetWindow(HWND *hwnd) override { return m_host ? outValue(hwnd, m_host->hostWindow()) : E_FAIL; }
    HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT GetBorder(RECT *) override { return E_NOTIMPL; }
    HRESULT RequestBorderSpace(const BORDERWIDTHS *) override { return E_NOTIMPL; }
    HRESULT SetBorderSpace(const BORDERWIDTHS *) override { return S_OK; }
    HRESULT SetActiveObject(IOleInPlaceActiveObject *, const OLECHAR *) override { return S_OK; }
    HRESULT InsertMenus(HMENU, OLEMENUGROUPWIDTHS *) override { return E_NOTIMPL; }
    HRESULT SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT SetStatusText(const OLECHAR *) override { return S_OK; }
    HRESULT EnableModeless(BOOL enable) override;
    HRESULT TranslateAccelerator(MSG *, WORD) override { return S_FALSE; }

private:
    QPointer<ControlHostWidget> m_host;
};

// ---- extender

// The extender of a hosted control or of a plain widget on a container:
// Name, Index, Left, Top, Width, Height (twips, VT_R4, from the container's
// top-left corner), Visible, AutoSize; a hosted control's own members are
// reached through it too.
class Extender final : public RefCounted<IDispatch, IVBGetControl>, LiveCounted {
public:
    // A hosted control's extender.
    explicit Extender(ControlHostWidget *host) : m_widget(host), m_host(host) {}
    // A plain widget's extender.
    Extender(QWidget *widget, ControlHostWidget *container, QString name, int index)
        : m_widget(widget), m_container(container), m_name(std::move(name)), m_index(index)
    {
    }

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(static_cast<IDispatch *>(this), iid, object,
                                {{IID_IUnknown, static_cast<IDispatch *>(this)},
                                 {IID_IDispatch, static_cast<IDispatch *>(this)},
                                 {IID_IVBGetControl, static_cast<IVBGetControl *>(this)}});
    }

    HRESULT GetTypeInfoCount(uint32_t *count) override { return outValue(count, 0u); }
    HRESULT GetIDsOfNames(const IID &, const OLECHAR *const *names, uint32_t count, LCID lcid, DISPID *ids) override;
    HRESULT Invoke(DISPID id, const IID &riid, LCID lcid, uint16_t flags, DISPPARAMS *params, VARIANT *result,
                   EXCEPINFO *excep, uint32_t *argErr) override;

    HRESULT EnumControls(DWORD oleContF, DWORD which, IEnumUnknown **controls) override;

private:
    enum : DISPID {
        kName = static_cast<DISPID>(0x80010000u),
        kIndex,
        kLeft,
        kTop,
        kWidth,
        kHeight,
        kVisible,
        kAutoSize,
    };

    QString name() const { return m_host ? m_host->controlName() : m_name; }
    int index() const { return m_host ? m_host->controlIndex() : m_index; }
    ControlHostWidget *container() const { return m_host ? m_host->containerHost() : m_container.data(); }
    ComPtr<IDispatch> controlDispatch() const
    {
        ComPtr<IDispatch> d;
        if (m_host)
            m_host->queryControl(IID_IDispatch, d.putVoid());
        return d;
    }
    // The control's own AutoSize member, if it has one.
    bool controlAutoSizeId(DISPID *id) const
    {
        ComPtr<IDispatch> d = controlDispatch();
        const OLECHAR *name = u"AutoSize";
        return d && SUCCEEDED(d->GetIDsOfNames(IID_NULL, &name, 1, 0x400, id));
    }
    // Position in pixels from the container's (or parent widget's) top-left.
    QRect geometry() const;
    void setGeometry(const QRect &r);

    QPointer<QWidget> m_widget;
    QPointer<ControlHostWidget> m_host;
    QPointer<ControlHostWidget> m_container;
    QString m_name;
    int m_index = -1;
};

QRect Extender::geometry() const
{
    QWidget *w = m_widget;
    if (!w)
        return {};
    QWidget *origin = container();
    QPoint at = w->pos();
    if (origin && origin != w->parentWidget())
        at = origin->mapFromGlobal(w->mapToGlobal(QPoint(0, 0)));
    return QRect(at, w->size());
}

void Extender::setGeometry(const QRect &r)
{
    QWidget *w = m_widget;
    if (!w)
        return;
    QWidget *origin = container();
    QPoint at = r.topLeft();
    if (origin && w->parentWidget() && origin != w->parentWidget())
        at = w->parentWidget()->mapFromGlobal(origin->mapToGlobal(at));
    w->setGeometry(QRect(at, r.size()));
}

HRESULT Extender::GetIDsOfNames(const IID &riid, const OLECHAR *const *names, uint32_t count, LCID lcid, DISPID *ids)
{
    if (!names || !ids || !count)
        return E_POINTER;
    for (uint32_t i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    struct Row {
        const char16_t *name;
        DISPID id;
    };
    static const Row rows[] = {{u"Name", kName},   {u"Index", kIndex},     {u"Left", kLeft},
                               {u"Top", kTop},     {u"Width", kWidth},     {u"Height", kHeight},
                               {u"Visible", kVisible}, {u"AutoSize", kAutoSize}};
    for (const Row &row : rows) {
        if (!namesEqual(names[0], row.name))
            continue;
        if (row.id == kIndex && index() < 0)
            break; // not a member of a control array
        if (row.id == kAutoSize && m_host) {
            DISPID own;
            if (!controlAutoSizeId(&own))
                break;
        }
        ids[0] = row.id;
        return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
    }
    // Everything else is the control's own.
    if (ComPtr<IDispatch> d = controlDispatch())
        return d->GetIDsOfNames(riid, names, count, lcid, ids);
    return DISP_E_UNKNOWNNAME;
}

HRESULT Extender::Invoke(DISPID id, const IID &riid, LCID lcid, uint16_t flags, DISPPARAMS *params, VARIANT *result,
                         EXCEPINFO *excep, uint32_t *argErr)
{
    const bool own = id >= kName && id <= kAutoSize;
    if (!own) {
        if (ComPtr<IDispatch> d = controlDispatch())
            return d->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
        return DISP_E_MEMBERNOTFOUND;
    }
    if (!m_widget)
        return E_UNEXPECTED;
    std::vector<VARIANT *> args;
    HRESULT hr = dispatch_detail::collectArgs(flags, params, args);
    if (FAILED(hr))
        return hr;
    const bool put = flags & DISPATCH_PROPERTYPUT;
    const bool get = flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    if (put && args.size() != 1)
        return DISP_E_BADPARAMCOUNT;
    if (!put && (!get || !args.empty()))
        return args.empty() ? DISP_E_MEMBERNOTFOUND : DISP_E_BADPARAMCOUNT;
    Variant scratch;
    VARIANT *out = result ? result : &scratch;
    VariantClear(out);

    if (id == kLeft || id == kTop || id == kWidth || id == kHeight) {
        QRect r = geometry();
        if (!put) {
            const int px = id == kLeft ? r.x() : id == kTop ? r.y() : id == kWidth ? r.width() : r.height();
            out->vt = VT_R4;
            out->fltVal = static_cast<float>(PixelsToTwips(px));
            return S_OK;
        }
        Variant v;
        hr = VariantChangeType(&v, derefVariant(args[0]), 0, VT_R4);
        if (FAILED(hr))
            return hr;
        const double twips = v.fltVal;
        if (!std::isfinite(twips) || std::fabs(twips) > 1e8)
            return CTL_E_INVALIDPROPERTYVALUE;
        const int px = static_cast<int>(std::lround(twips / TWIPS_PER_PIXEL));
        if ((id == kWidth || id == kHeight) && px < 0)
            return CTL_E_INVALIDPROPERTYVALUE;
        if (id == kLeft)
            r.moveLeft(px);
        else if (id == kTop)
            r.moveTop(px);
        else if (id == kWidth)
            r.setWidth(px);
        else
            r.setHeight(px);
        setGeometry(r);
        return S_OK;
    }
    switch (id) {
    case kName:
        if (put)
            return CTL_E_SETNOTSUPPORTED;
        out->vt = VT_BSTR;
        out->bstrVal = SysAllocQString(name());
        return S_OK;
    case kIndex:
        if (put)
            return CTL_E_SETNOTSUPPORTED;
        if (index() < 0)
            return DISP_E_MEMBERNOTFOUND;
        out->vt = VT_I2;
        out->iVal = static_cast<int16_t>(index());
        return S_OK;
    case kVisible: {
        if (!put) {
            out->vt = VT_BOOL;
            out->boolVal = m_widget->isHidden() ? VARIANT_FALSE : VARIANT_TRUE;
            return S_OK;
        }
        VARIANT_BOOL b;
        if (FAILED(hr = argBool(args[0], &b)))
            return hr;
        m_widget->setVisible(b != VARIANT_FALSE);
        return S_OK;
    }
    case kAutoSize: {
        if (m_host) {
            DISPID own;
            ComPtr<IDispatch> d = controlDispatch();
            if (!controlAutoSizeId(&own))
                return DISP_E_MEMBERNOTFOUND;
            return d->Invoke(own, riid, lcid, flags, params, result, excep, argErr);
        }
        if (!put) {
            out->vt = VT_BOOL;
            out->boolVal = m_widget->property("AutoSize").toBool() ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        VARIANT_BOOL b;
        if (FAILED(hr = argBool(args[0], &b)))
            return hr;
        m_widget->setProperty("AutoSize", b != VARIANT_FALSE);
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT Extender::EnumControls(DWORD oleContF, DWORD which, IEnumUnknown **controls)
{
    if (!controls)
        return E_POINTER;
    *controls = nullptr;
    std::vector<ComPtr<IUnknown>> items;
    if (m_host) {
        items = m_host->enumerate(oleContF, which);
    } else if (ControlHostWidget *c = m_container) {
        // A plain widget contains nothing; its siblings are its container's items.
        switch (which & 0xFF) {
        case GC_WCH_SIBLING: {
            for (ComPtr<IUnknown> &u : c->enumerate(oleContF, GC_WCH_CONTAINED))
                if (u.get() != static_cast<IUnknown *>(static_cast<IDispatch *>(this)))
                    items.push_back(u);
            break;
        }
        case GC_WCH_CONTAINER:
        case GC_WCH_ALL:
            items = c->enumerate(oleContF, (which & 0xFF) == GC_WCH_CONTAINER ? GC_WCH_CONTAINER + 0x100 : GC_WCH_ALL);
            break;
        default:
            break;
        }
    }
    *controls = new UnknownEnum(std::move(items));
    (*controls)->AddRef();
    return S_OK;
}

// ---- site

// One per hosted control: its client site, in-place site, control site and
// ambient properties.
class ControlSite final
    : public RefCounted<IOleClientSite, IOleInPlaceSiteEx, IOleControlSite, IDispatch, IVBGetControl>,
      LiveCounted {
public:
    explicit ControlSite(ControlHostWidget *host) : m_host(host), m_extender(new Extender(host)) {}

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(static_cast<IOleClientSite *>(this), iid, object,
                                {{IID_IUnknown, static_cast<IOleClientSite *>(this)},
                                 {IID_IOleClientSite, static_cast<IOleClientSite *>(this)},
                                 {IID_IOleWindow, static_cast<IOleInPlaceSiteEx *>(this)},
                                 {IID_IOleInPlaceSite, static_cast<IOleInPlaceSiteEx *>(this)},
                                 {IID_IOleInPlaceSiteEx, static_cast<IOleInPlaceSiteEx *>(this)},
                                 {IID_IOleControlSite, static_cast<IOleControlSite *>(this)},
                                 {IID_IDispatch, static_cast<IDispatch *>(this)},
                                 {IID_IVBGetControl, static_cast<IVBGetControl *>(this)}});
    }

    // The host is going away: answer nothing more from it.
    void detach() { m_host = nullptr; }
    Extender *extender() const { return m_extender.get(); }

    // IOleClientSite
    HRESULT SaveObject() override { return S_OK; }
    HRESULT GetMoniker(DWORD, DWORD, IMoniker **moniker) override
    {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetContainer(IOleContainer **container) override
    {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT ShowObject() override { return S_OK; }
    HRESULT OnShowWindow(BOOL) override { return S_OK; }
    HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    HRESULT GetWindow(HWND *hwnd) override
    {
        if (!hwnd)
            return E_POINTER;
        *hwnd = m_host ? m_host->hostWindow() : 0;
        return *hwnd ? S_OK : E_FAIL;
    }
    HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite(Ex)
    HRESULT CanInPlaceActivate() override { return m_host && m_host->hostWindow() ? S_OK : S_FALSE; }
    HRESULT OnInPlaceActivate() override { return m_host ? S_OK : E_UNEXPECTED; }
    HRESULT OnUIActivate() override { return S_OK; }
    HRESULT GetWindowContext(IOleInPlaceFrame **frame, IOleInPlaceUIWindow **doc, RECT *posRect, RECT *clipRect,
                             OLEINPLACEFRAMEINFO *frameInfo) override
    {
        if (!frame || !doc || !posRect || !clipRect)
            return E_POINTER;
        *frame = nullptr;
        *doc = nullptr;
        if (!m_host)
            return E_UNEXPECTED;
        *frame = new InPlaceFrame(m_host);
        (*frame)->AddRef();
        *posRect = RECT{0, 0, m_host->width(), m_host->height()};
        *clipRect = *posRect;
        if (frameInfo) {
            frameInfo->fMDIApp = FALSE;
            frameInfo->hwndFrame = m_host->hostWindow();
            frameInfo->haccel = 0;
            frameInfo->cAccelEntries = 0;
        }
        return S_OK;
    }
    HRESULT Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT OnInPlaceDeactivate() override { return S_OK; }
    HRESULT DiscardUndoState() override { return S_OK; }
    HRESULT DeactivateAndUndo() override { return S_OK; }
    HRESULT OnPosRectChange(const RECT *posRect) override
    {
        if (!posRect)
            return E_POINTER;
        if (!m_host)
            return E_UNEXPECTED;
        if (posRect->right < posRect->left || posRect->bottom < posRect->top)
            return E_INVALIDARG;
        m_host->posRectChanged(*posRect);
        return S_OK;
    }
    HRESULT OnInPlaceActivateEx(BOOL *noRedraw, DWORD) override
    {
        if (noRedraw)
            *noRedraw = FALSE;
        return OnInPlaceActivate();
    }
    HRESULT OnInPlaceDeactivateEx(BOOL) override { return S_OK; }
    HRESULT RequestUIActivate() override { return S_OK; }

    // IOleControlSite
    HRESULT OnControlInfoChanged() override { return S_OK; }
    HRESULT LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT GetExtendedControl(IDispatch **extender) override
    {
        if (!extender)
            return E_POINTER;
        *extender = m_extender.get();
        (*extender)->AddRef();
        return S_OK;
    }
    // Container units are twips.
    HRESULT TransformCoords(POINTL *himetric, POINTF *container, DWORD flags) override
    {
        if (!himetric || !container)
            return E_POINTER;
        constexpr double kTwipsPerHimetric = double(TWIPS_PER_INCH) / HIMETRIC_PER_INCH;
        if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
            container->x = static_cast<float>(himetric->x * kTwipsPerHimetric);
            container->y = static_cast<float>(himetric->y * kTwipsPerHimetric);
        } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
            himetric->x = static_cast<LONG>(std::lround(container->x / kTwipsPerHimetric));
            himetric->y = static_cast<LONG>(std::lround(container->y / kTwipsPerHimetric));
        } else {
            return E_INVALIDARG;
        }
        return S_OK;
    }
    HRESULT TranslateAccelerator(MSG *msg, DWORD modifiers) override
    {
        if (!msg)
            return E_POINTER;
        return m_host ? m_host->formTranslateAccelerator(msg, modifiers) : S_FALSE;
    }
    HRESULT OnFocus(BOOL) override { return S_OK; }
    HRESULT ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties (get only).
    HRESULT GetTypeInfoCount(uint32_t *count) override { return outValue(count, 0u); }
    HRESULT GetIDsOfNames(const IID &, const OLECHAR *const *names, uint32_t count, LCID, DISPID *ids) override
    {
        if (!names || !ids || !count)
            return E_POINTER;
        static const std::vector<std::pair<std::u16string, DISPID>> table = {
            {u"BackColor", DISPID_AMBIENT_BACKCOLOR}, {u"DisplayName", DISPID_AMBIENT_DISPLAYNAME},
            {u"Font", DISPID_AMBIENT_FONT},           {u"ForeColor", DISPID_AMBIENT_FORECOLOR},
            {u"LocaleID", DISPID_AMBIENT_LOCALEID},   {u"UserMode", DISPID_AMBIENT_USERMODE},
            {u"UIDead", DISPID_AMBIENT_UIDEAD},       {u"ShowGrabHandles", DISPID_AMBIENT_SHOWGRABHANDLES},
            {u"ShowHatching", DISPID_AMBIENT_SHOWHATCHING}};
        return dispatch_detail::namesToIds(table, names, count, ids);
    }
    HRESULT Invoke(DISPID id, const IID &, LCID, uint16_t flags, DISPPARAMS *params, VARIANT *result, EXCEPINFO *,
                   uint32_t *) override
    {
        if (!(flags & DISPATCH_PROPERTYGET))
            return DISP_E_MEMBERNOTFOUND;
        if (params && params->cArgs)
            return DISP_E_BADPARAMCOUNT;
        if (!result)
            return E_POINTER;
        if (!m_host)
            return E_UNEXPECTED;
        return m_host->ambient(id, result);
    }

    // IVBGetControl (the site answers as its extender does)
    HRESULT EnumControls(DWORD oleContF, DWORD which, IEnumUnknown **controls) override
    {
        return m_extender->EnumControls(oleContF, which, controls);
    }

private:
    QPointer<ControlHostWidget> m_host;
    ComPtr<Extender> m_extender;
};

HRESULT InPlaceFrame::EnableModeless(BOOL enable)
{
    if (m_host) {
        if (!enable)
            ++m_host->m_modelessDisabled;
        else if (m_host->m_modelessDisabled > 0)
            --m_host->m_modelessDisabled;
    }
    return S_OK;
}

// ---- the host widget

namespace {

constexpr const char *kHostClass = "TalvikControlHost";

void registerHostClass()
{
    WNDCLASSA wc;
    if (GetClassInfoA(0, kHostClass, &wc))
        return;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc);
}

} // namespace

ControlHostWidget::ControlHostWidget(QWidget *parent) : QWidget(parent)
{
    registerHostClass();
    m_hostWindow = CreateWindowExA(0, kHostClass, "", 0, 0, 0, width(), height(), 0, 0, 0, nullptr);
    if (m_hostWindow) {
        EmbedWindowInWidget(m_hostWindow, this);
        ShowWindow(m_hostWindow, SW_SHOW);
    }
    qApp->installEventFilter(this);
}

ControlHostWidget::~ControlHostWidget()
{
    qApp->removeEventFilter(this);
    destroyControl();
    for (ContainedItem &item : m_contained)
        if (item.host && item.host->m_container == this)
            item.host->m_container = nullptr;
    m_contained.clear();
    if (m_hostWindow)
        DestroyWindow(std::exchange(m_hostWindow, 0));
}

int ControlHostWidget::LiveObjectCount()
{
    return g_live;
}

HRESULT ControlHostWidget::createControl(const QString &clsidOrProgId, const QString &name, IPropertyBag *bag,
                                         int index)
{
    if (m_control)
        return E_UNEXPECTED;
    if (!m_hostWindow)
        return E_FAIL;
    CLSID clsid;
    HRESULT hr = S_OK;
    if (clsidOrProgId.startsWith(QLatin1Char('{'))) {
        bool ok = false;
        clsid = GUID::fromString(clsidOrProgId, &ok);
        if (!ok)
            return CO_E_CLASSSTRING;
    } else if (FAILED(hr = CLSIDFromProgID(clsidOrProgId, &clsid))) {
        return hr;
    }
    ComPtr<IOleObject> object;
    if (FAILED(hr = CoCreateInstance(clsid, nullptr, IID_IOleObject, object.putVoid())))
        return hr;
    if (!object)
        return E_NOINTERFACE;

    m_name = name;
    m_index = index;
    m_site = ComPtr<ControlSite>(new ControlSite(this));
    m_control = object;

    DWORD misc = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool siteFirst = misc & OLEMISC_SETCLIENTSITEFIRST;
    if (siteFirst)
        hr = object->SetClientSite(m_site.get());
    if (SUCCEEDED(hr)) {
        ComPtr<IPersistPropertyBag> bagPersist;
        ComPtr<IPersistStreamInit> streamPersist;
        if (SUCCEEDED(object->QueryInterface(IID_IPersistPropertyBag, bagPersist.putVoid())) && bagPersist)
            hr = bag ? bagPersist->Load(bag, nullptr) : bagPersist->InitNew();
        else if (bag)
            hr = E_NOINTERFACE; // a bag was given and cannot be read: do not run on defaults
        else if (SUCCEEDED(object->QueryInterface(IID_IPersistStreamInit, streamPersist.putVoid())) && streamPersist)
            hr = streamPersist->InitNew();
    }
    if (SUCCEEDED(hr) && !siteFirst)
        hr = object->SetClientSite(m_site.get());
    if (SUCCEEDED(hr)) {
        if (width() <= 0 || height() <= 0) {
            SIZEL extent;
            if (SUCCEEDED(object->GetExtent(DVASPECT_CONTENT, &extent)))
                resize(HimetricToPixels(extent.cx), HimetricToPixels(extent.cy));
        }
        SetWindowPos(m_hostWindow, 0, 0, 0, width(), height(), SWP_NOZORDER | SWP_NOACTIVATE);
        SIZEL extent = PixelsToHimetric(SIZE{width(), height()});
        object->SetExtent(DVASPECT_CONTENT, &extent);
        m_posRect = RECT{0, 0, width(), height()};
        hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_site.get(), 0, m_hostWindow, &m_posRect);
    }
    if (FAILED(hr)) {
        destroyControl();
        return hr;
    }
    return S_OK;
}

void ControlHostWidget::destroyControl()
{
    if (m_control) {
        ComPtr<IOleObject> object = std::move(m_control);
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
    }
    if (m_site) {
        m_site->detach();
        m_site.reset();
    }
    m_name.clear();
    m_index = -1;
}

HRESULT ControlHostWidget::queryControl(const IID &iid, void **object) const
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return m_control ? m_control->QueryInterface(iid, object) : E_NOINTERFACE;
}

HWND ControlHostWidget::controlWindow() const
{
    ComPtr<IOleInPlaceObject> inPlace;
    HWND hwnd = 0;
    if (SUCCEEDED(queryControl(IID_IOleInPlaceObject, inPlace.putVoid())) && inPlace)
        inPlace->GetWindow(&hwnd);
    return hwnd;
}

IDispatch *ControlHostWidget::extender() const
{
    return m_site ? static_cast<IDispatch *>(m_site->extender()) : nullptr;
}

void ControlHostWidget::setUserMode(bool userMode)
{
    if (m_userMode == userMode)
        return;
    m_userMode = userMode;
    notifyAmbient(DISPID_AMBIENT_USERMODE);
}

void ControlHostWidget::notifyAmbient(DISPID id)
{
    ComPtr<IOleControl> control;
    if (SUCCEEDED(queryControl(IID_IOleControl, control.putVoid())) && control)
        control->OnAmbientPropertyChange(id);
}

void ControlHostWidget::addContainedWidget(QWidget *widget, const QString &name, int index)
{
    if (!widget || widget == this)
        return;
    for (const ContainedItem &item : m_contained)
        if (item.widget == widget)
            return;
    ContainedItem item;
    item.widget = widget;
    item.extender = ComPtr<Extender>(new Extender(widget, this, name, index));
    m_contained.push_back(std::move(item));
}

void ControlHostWidget::addContainedControl(ControlHostWidget *host)
{
    if (!host || host == this || host->m_container)
        return;
    // No cycles: this host must not sit (directly or not) on host.
    for (ControlHostWidget *c = this; c; c = c->m_container)
        if (c == host)
            return;
    ContainedItem item;
    item.host = host;
    host->m_container = this;
    m_contained.push_back(std::move(item));
}

void ControlHostWidget::setAcceleratorHandler(std::function<HRESULT(MSG *, DWORD)> handler)
{
    m_acceleratorHandler = std::move(handler);
}

HRESULT ControlHostWidget::formTranslateAccelerator(MSG *msg, DWORD modifiers)
{
    return m_acceleratorHandler ? m_acceleratorHandler(msg, modifiers) : S_FALSE;
}

void ControlHostWidget::appendItems(const ControlHostWidget *container, DWORD oleContF, bool recurse,
                                    std::vector<ComPtr<IUnknown>> &out)
{
    for (const ContainedItem &item : container->m_contained) {
        if (item.host) {
            if ((oleContF & OLECONTF_EMBEDDINGS) && item.host->m_control)
                out.emplace_back(static_cast<IUnknown *>(item.host->m_control.get()));
            if (recurse)
                appendItems(item.host, oleContF, true, out);
        } else if (item.widget && (oleContF & OLECONTF_OTHERS)) {
            out.emplace_back(static_cast<IUnknown *>(static_cast<IDispatch *>(item.extender.get())));
        }
    }
}

std::vector<ComPtr<IUnknown>> ControlHostWidget::enumerate(DWORD oleContF, DWORD which) const
{
    std::vector<ComPtr<IUnknown>> out;
    switch (which & 0xFFFF) {
    case GC_WCH_CONTAINED:
        appendItems(this, oleContF, false, out);
        break;
    case GC_WCH_SIBLING:
        if (m_container) {
            appendItems(m_container, oleContF, false, out);
            std::erase_if(out, [this](const ComPtr<IUnknown> &u) { return u.get() == m_control.get(); });
        }
        break;
    case GC_WCH_CONTAINER:
        if (m_container && m_container->m_control && (oleContF & OLECONTF_EMBEDDINGS))
            out.emplace_back(static_cast<IUnknown *>(m_container->m_control.get()));
        break;
    case GC_WCH_CONTAINER + 0x100: // a plain widget asking for its container: this host
        if (m_control && (oleContF & OLECONTF_EMBEDDINGS))
            out.emplace_back(static_cast<IUnknown *>(m_control.get()));
        break;
    case GC_WCH_ALL: {
        const ControlHostWidget *top = this;
        while (top->m_container)
            top = top->m_container;
        if (top->m_control && (oleContF & OLECONTF_EMBEDDINGS))
            out.emplace_back(static_cast<IUnknown *>(top->m_control.get()));
        appendItems(top, oleContF, true, out);
        break;
    }
    default:
        break;
    }
    return out;
}

HRESULT ControlHostWidget::ambient(DISPID id, VARIANT *value) const
{
    VariantClear(value);
    switch (id) {
    case DISPID_AMBIENT_BACKCOLOR:
    case DISPID_AMBIENT_FORECOLOR:
        value->vt = VT_I4;
        value->lVal = static_cast<int32_t>(
            oleColor(palette().color(id == DISPID_AMBIENT_BACKCOLOR ? QPalette::Window : QPalette::WindowText)));
        return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocQString(m_name);
        return S_OK;
    case DISPID_AMBIENT_FONT: {
        const QFont f = font();
        FONTDESC desc;
        desc.name = f.family();
        const double points = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / LOGPIXELS;
        desc.size = static_cast<int64_t>(std::llround(points * 10000));
        desc.weight = static_cast<int16_t>(f.weight());
        desc.italic = f.italic();
        desc.underline = f.underline();
        desc.strikethrough = f.strikeOut();
        IDispatch *disp = nullptr;
        const HRESULT hr = OleCreateFontIndirect(desc, IID_IFontDisp, reinterpret_cast<void **>(&disp));
        if (FAILED(hr))
            return hr;
        value->vt = VT_DISPATCH;
        value->pdispVal = disp;
        return S_OK;
    }
    case DISPID_AMBIENT_LOCALEID:
        value->vt = VT_I4;
        value->lVal = 0x411;
        return S_OK;
    case DISPID_AMBIENT_USERMODE:
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
        value->vt = VT_BOOL;
        value->boolVal = id == DISPID_AMBIENT_USERMODE && m_userMode ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

void ControlHostWidget::posRectChanged(const RECT &rect)
{
    if (rect.left || rect.top)
        move(pos() + QPoint(rect.left, rect.top));
    resize(rect.right - rect.left, rect.bottom - rect.top);
    syncControlRects();
}

void ControlHostWidget::syncControlRects()
{
    if (m_syncing)
        return;
    m_syncing = true;
    // The control may ask for another size while it is being resized; follow
    // it a few rounds, not forever.
    for (int round = 0; round < 3; ++round) {
        const RECT rect{0, 0, width(), height()};
        if (m_hostWindow)
            SetWindowPos(m_hostWindow, 0, 0, 0, rect.right, rect.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        if (!m_control)
            break;
        SIZEL extent = PixelsToHimetric(SIZE{rect.right, rect.bottom});
        m_control->SetExtent(DVASPECT_CONTENT, &extent);
        m_posRect = rect;
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(queryControl(IID_IOleInPlaceObject, inPlace.putVoid())) && inPlace)
            inPlace->SetObjectRects(&rect, &rect);
        if (width() == rect.right && height() == rect.bottom)
            break;
    }
    m_syncing = false;
}

void ControlHostWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    syncControlRects();
}

void ControlHostWidget::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        notifyAmbient(DISPID_AMBIENT_BACKCOLOR);
        notifyAmbient(DISPID_AMBIENT_FORECOLOR);
    } else if (event->type() == QEvent::FontChange) {
        notifyAmbient(DISPID_AMBIENT_FONT);
    }
}

bool ControlHostWidget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !m_control || !watched->isWidgetType())
        return false;
    // Only keys for the control's own windows, not for plain widgets placed
    // on it or for controls hosted inside it.
    QWidget *target = static_cast<QWidget *>(watched);
    const HWND controlHwnd = controlWindow();
    QWidget *controlWidget = controlHwnd ? WidgetOfWindow(controlHwnd) : nullptr;
    if (!controlWidget || (target != controlWidget && !controlWidget->isAncestorOf(target)))
        return false;
    for (QWidget *w = target; w && w != this; w = w->parentWidget())
        if (qobject_cast<ControlHostWidget *>(w))
            return false;
    ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(queryControl(IID_IOleInPlaceActiveObject, active.putVoid())) || !active)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    int vk, scan;
    bool extended;
    detail::virtualKey(key->key(), &vk, &scan, &extended);
    if (!vk)
        return false;
    const bool alt = key->modifiers() & Qt::AltModifier;
    const bool down = type == QEvent::KeyPress;
    MSG msg;
    msg.hwnd = WindowOfWidget(target) ? WindowOfWidget(target) : controlHwnd;
    msg.message = down ? (alt || vk == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN)
                       : (alt || vk == VK_MENU ? WM_SYSKEYUP : WM_KEYUP);
    msg.wParam = static_cast<WPARAM>(vk);
    msg.lParam = 1 | (static_cast<LPARAM>(scan) << 16) | (extended ? (1 << 24) : 0) | (alt ? (1 << 29) : 0)
        | (down ? (key->isAutoRepeat() ? (1 << 30) : 0) : ((LPARAM(1) << 30) | (LPARAM(1) << 31)));
    msg.time = GetTickCount();
    // The control may release itself (or this host) while it handles the key.
    ComPtr<IOleObject> keep = m_control;
    return active->TranslateAccelerator(&msg) == S_OK;
}

} // namespace platform::win
