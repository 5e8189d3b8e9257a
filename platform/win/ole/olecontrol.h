#pragma once
// The control side of an OLE control: a base class a windowed control
// derives from. It answers IOleObject, in-place activation (the control's
// window is made a child of the site's window at the position rectangle),
// IOleInPlaceActiveObject, IOleControl, IViewObjectEx and the
// property-notify connection point, and leaves drawing, the window and the
// keyboard to the derived control through virtuals.
//
// References: the control holds its client site (and the site's other
// interfaces) from SetClientSite until SetClientSite(nullptr) or Close; the
// host breaks the cycle by calling Close and then SetClientSite(nullptr).
//
// A derived class that adds interfaces of its own overrides QueryInterface
// (falling back to OleControlBase::QueryInterface) and forwards AddRef and
// Release of its extra bases to OleControlBase's.
#include "platform/com/objectbase.h"
#include "platform/win/ole/oleidl.h"

#include <QStringList>

#include <vector>

namespace platform::win {

class OleControlBase : public IOleObject,
                       public IOleInPlaceObject,
                       public IOleInPlaceActiveObject,
                       public IOleControl,
                       public IViewObjectEx,
                       public com::IConnectionPointContainer {
public:
    OleControlBase();

    // IUnknown
    com::HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IOleObject
    com::HRESULT SetClientSite(IOleClientSite *site) override;
    com::HRESULT GetClientSite(IOleClientSite **site) override;
    com::HRESULT SetHostNames(const com::OLECHAR *, const com::OLECHAR *) override { return com::S_OK; }
    com::HRESULT Close(DWORD saveOption) override;
    com::HRESULT SetMoniker(DWORD, IMoniker *) override { return com::E_NOTIMPL; }
    com::HRESULT GetMoniker(DWORD, DWORD, IMoniker **) override { return com::E_NOTIMPL; }
    com::HRESULT InitFromData(IDataObject *, BOOL, DWORD) override { return com::E_NOTIMPL; }
    com::HRESULT GetClipboardData(DWORD, IDataObject **) override { return com::E_NOTIMPL; }
    com::HRESULT DoVerb(LONG verb, MSG *msg, IOleClientSite *site, LONG index, HWND parent,
                        const RECT *posRect) override;
    com::HRESULT EnumVerbs(IEnumOLEVERB **) override { return com::E_NOTIMPL; }
    com::HRESULT Update() override { return com::S_OK; }
    com::HRESULT IsUpToDate() override { return com::S_OK; }
    com::HRESULT GetUserClassID(com::CLSID *clsid) override;
    com::HRESULT GetUserType(DWORD, com::OLECHAR **) override { return com::E_NOTIMPL; }
    com::HRESULT SetExtent(DWORD aspect, SIZEL *size) override;
    com::HRESULT GetExtent(DWORD aspect, SIZEL *size) override;
    com::HRESULT Advise(IAdviseSink *, DWORD *) override { return OLE_E_ADVISENOTSUPPORTED; }
    com::HRESULT Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
    com::HRESULT EnumAdvise(IEnumSTATDATA **) override { return com::E_NOTIMPL; }
    com::HRESULT GetMiscStatus(DWORD aspect, DWORD *status) override;
    com::HRESULT SetColorScheme(LOGPALETTE *) override { return com::E_NOTIMPL; }

    // IOleWindow (both in-place interfaces)
    com::HRESULT GetWindow(HWND *hwnd) override;
    com::HRESULT ContextSensitiveHelp(BOOL) override { return com::E_NOTIMPL; }

    // IOleInPlaceObject
    com::HRESULT InPlaceDeactivate() override;
    com::HRESULT UIDeactivate() override;
    com::HRESULT SetObjectRects(const RECT *posRect, const RECT *clipRect) override;
    com::HRESULT ReactivateAndUndo() override { return com::E_NOTIMPL; }

    // IOleInPlaceActiveObject
    com::HRESULT TranslateAccelerator(MSG *msg) override;
    com::HRESULT OnFrameWindowActivate(BOOL) override { return com::S_OK; }
    com::HRESULT OnDocWindowActivate(BOOL) override { return com::S_OK; }
    com::HRESULT ResizeBorder(const RECT *, IOleInPlaceUIWindow *, BOOL) override { return com::S_OK; }
    com::HRESULT EnableModeless(BOOL) override { return com::S_OK; }

    // IOleControl
    com::HRESULT GetControlInfo(CONTROLINFO *info) override;
    com::HRESULT OnMnemonic(MSG *msg) override;
    com::HRESULT OnAmbientPropertyChange(com::DISPID id) override;
    com::HRESULT FreezeEvents(BOOL freeze) override;

    // IViewObject, IViewObject2, IViewObjectEx
    com::HRESULT Draw(DWORD aspect, LONG index, void *aspectInfo, DVTARGETDEVICE *device, HDC targetDev,
                      HDC hdcDraw, const RECTL *bounds, const RECTL *wBounds, ContinueProc cont,
                      ULONG_PTR contArg) override;
    com::HRESULT GetColorSet(DWORD, LONG, void *, DVTARGETDEVICE *, HDC, LOGPALETTE **) override { return com::E_NOTIMPL; }
    com::HRESULT Freeze(DWORD, LONG, void *, DWORD *) override { return com::E_NOTIMPL; }
    com::HRESULT Unfreeze(DWORD) override { return com::E_NOTIMPL; }
    com::HRESULT SetAdvise(DWORD, DWORD, IAdviseSink *) override { return OLE_E_ADVISENOTSUPPORTED; }
    com::HRESULT GetAdvise(DWORD *, DWORD *, IAdviseSink **) override { return com::E_NOTIMPL; }
    com::HRESULT GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE *device, SIZEL *size) override;
    com::HRESULT GetRect(DWORD, RECTL *) override { return com::E_NOTIMPL; }
    com::HRESULT GetViewStatus(DWORD *status) override;
    com::HRESULT QueryHitPoint(DWORD aspect, const RECT *bounds, POINT location, LONG closeHint,
                               DWORD *hitResult) override;
    com::HRESULT QueryHitRect(DWORD aspect, const RECT *bounds, const RECT *location, LONG closeHint,
                              DWORD *hitResult) override;
    com::HRESULT GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE *, HDC, DVEXTENTINFO *, SIZEL *) override
    {
        return com::E_NOTIMPL;
    }

    // IConnectionPointContainer: the property-notify point; a derived
    // control with events of its own overrides and falls back to this.
    com::HRESULT FindConnectionPoint(const com::IID &iid, com::IConnectionPoint **point) override;

    // ---- helpers for the derived control

    // The site's ambient property; DISP_E_MEMBERNOTFOUND without a site.
    com::HRESULT GetAmbientProperty(com::DISPID id, com::VARIANT &value);
    // The ambient UserMode as a bool; a failed read leaves *userMode true
    // and returns the failure.
    com::HRESULT GetAmbientUserMode(bool *userMode);
    // UserMode as read when the site was set (or when it last changed).
    bool CachedUserMode() const { return m_userMode; }
    // The site's extender object (AddRef'ed into *extender).
    com::HRESULT GetExtendedControl(com::IDispatch **extender);

    void FireOnChanged(com::DISPID id);
    // S_FALSE when a connected sink refuses the edit; S_OK otherwise.
    com::HRESULT FireOnRequestEdit(com::DISPID id);
    void SetDirty(bool dirty) { m_dirty = dirty; }
    bool GetDirty() const { return m_dirty; }
    bool EventsFrozen() const { return m_freezeCount > 0; }

    IOleClientSite *ClientSite() const { return m_clientSite.get(); }
    IOleControlSite *ControlSite() const { return m_controlSite.get(); }
    IOleInPlaceSite *InPlaceSite() const { return m_inPlaceSite.get(); }
    HWND ControlWindow() const { return m_hwnd; }
    bool IsInPlaceActive() const { return m_inPlaceActive; }
    bool IsUIActive() const { return m_uiActive; }
    const RECT &PosRect() const { return m_posRect; }
    const SIZEL &Extent() const { return m_extent; }
    com::ConnectionPoint &PropertyNotifyPoint() { return m_propertyNotify; }
    // The object's identity (its IUnknown), for owners of sub-objects.
    com::IUnknown *Identity() { return static_cast<IOleObject *>(this); }

    // Live objects of this class (for leak checks).
    static int LiveCount();

protected:
    virtual ~OleControlBase();

    // Makes the control's window, a child of parent at rect (site window
    // coordinates). 0 refuses the activation.
    virtual HWND CreateControlWindow(HWND parent, const RECT &rect) = 0;
    // Destroys the control window at in-place deactivation (DestroyWindow).
    virtual void DestroyControlWindow(HWND hwnd);
    // Paints the content into hdc within bounds.
    virtual com::HRESULT OnDraw(HDC hdc, const RECT &bounds) = 0;
    virtual DWORD ViewStatus() const { return 0; }
    virtual DWORD MiscStatus() const;
    // Keys before the container sees them: S_OK when used.
    virtual com::HRESULT OnTranslateAccelerator(MSG *msg);
    virtual com::HRESULT OnGetControlInfo(CONTROLINFO *info);
    virtual com::HRESULT OnMnemonicKey(MSG *) { return com::E_NOTIMPL; }
    virtual void OnAmbientChanged(com::DISPID) {}
    // After a site was set (not called for SetClientSite(nullptr)).
    virtual void OnClientSiteSet() {}
    // The properties verb; the property frame fills this in.
    virtual com::HRESULT ShowProperties(HWND parent);

    // In-place activation as the verbs ask for it (INPLACEACTIVATE, UIACTIVATE, SHOW).
    com::HRESULT InPlaceActivate(LONG verb, const RECT *posRect);

private:
    void releaseSite();
    void readUserMode();
    void DestroyControlWindowOnFinalRelease();

    std::atomic<uint32_t> m_refs{0};
    com::ComPtr<IOleClientSite> m_clientSite;
    com::ComPtr<IOleControlSite> m_controlSite;
    com::ComPtr<com::IDispatch> m_ambient;
    com::ComPtr<IOleInPlaceSite> m_inPlaceSite;
    com::ComPtr<IOleInPlaceFrame> m_frame;
    com::ComPtr<IOleInPlaceUIWindow> m_uiWindow;
    com::ConnectionPoint m_propertyNotify;
    HWND m_hwnd = 0;
    RECT m_posRect;
    SIZEL m_extent{PixelsToHimetric(100), PixelsToHimetric(50)};
    bool m_inPlaceActive = false;
    bool m_uiActive = false;
    bool m_dirty = false;
    bool m_userMode = true;
    int m_freezeCount = 0;
};

// IPerPropertyBrowsing::GetPredefinedStrings' answer: the texts and their
// cookies as task-memory copies the caller frees. E_OUTOFMEMORY leaves both
// empty.
com::HRESULT FillPredefinedStrings(const QStringList &texts, const std::vector<DWORD> &cookies,
                                   CALPOLESTR *strings, CADWORD *cookiesOut);

} // namespace platform::win
