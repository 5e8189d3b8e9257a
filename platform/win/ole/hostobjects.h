#pragma once
// The objects a ControlHostWidget serves its control with: the site, the
// extenders of hosted controls and plain widgets, the in-place frame and the
// control enumerator. Internal to the window layer.
#include "platform/com/objectbase.h"
#include "platform/win/ole/controlhost.h"

#include <QPointer>

#include <atomic>

namespace platform::win {

namespace olehost {

using namespace platform::com;

// Counts the site-side objects alive (ControlHostWidget::LiveObjectCount).
std::atomic<int> &liveObjects();
struct LiveCounted {
    LiveCounted() { ++liveObjects(); }
    ~LiveCounted() { --liveObjects(); }
    LiveCounted(const LiveCounted &) = delete;
    LiveCounted &operator=(const LiveCounted &) = delete;
};

inline bool namesEqual(const OLECHAR *a, const char16_t *b)
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
    HRESULT OnControlInfoChanged() override
    {
        if (m_host)
            m_host->readControlInfo();
        return S_OK;
    }
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
        for (uint32_t i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        for (const auto &[name, id] : table)
            if (namesEqual(names[0], name.c_str())) {
                ids[0] = id;
                return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
            }
        return DISP_E_UNKNOWNNAME;
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

} // namespace olehost

} // namespace platform::win
