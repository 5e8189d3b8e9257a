#pragma once
// The OLE control interfaces both sides speak: the control (IOleObject,
// in-place activation, IOleControl, the view interfaces, property pages and
// browsing) and its host (client site, in-place site, control site, the
// control enumeration of the form). C++ abstract structs in the interfaces'
// own virtual order; records are natural structs sized with sizeof.
#include "platform/com/automation.h"
#include "platform/win/wintypes.h"

#include <cstdint>

namespace platform::win {

using HACCEL = std::uint32_t;
using HOLEMENU = std::uintptr_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using ULONG_PTR = std::uintptr_t;

struct POINTL {
    LONG x = 0;
    LONG y = 0;
};
struct POINTF {
    float x = 0;
    float y = 0;
};
struct RECTL {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
    friend bool operator==(const RECTL &, const RECTL &) = default;
};
struct SIZEL {
    LONG cx = 0;
    LONG cy = 0;
    friend bool operator==(const SIZEL &, const SIZEL &) = default;
};
using BORDERWIDTHS = RECT;

// Keyboard interface of a control: its mnemonics as an accelerator table.
struct CONTROLINFO {
    ULONG cb = sizeof(CONTROLINFO);
    HACCEL hAccel = 0;
    USHORT cAccel = 0;
    DWORD dwFlags = 0;
};
constexpr DWORD CTRLINFO_EATS_RETURN = 1;
constexpr DWORD CTRLINFO_EATS_ESCAPE = 2;

struct OLEINPLACEFRAMEINFO {
    ULONG cb = sizeof(OLEINPLACEFRAMEINFO);
    BOOL fMDIApp = FALSE;
    HWND hwndFrame = 0;
    HACCEL haccel = 0;
    ULONG cAccelEntries = 0;
};

struct OLEMENUGROUPWIDTHS {
    LONG width[6] = {};
};

// Counted arrays handed out by a control; the caller frees pElems (and
// each string) with CoTaskMemFree.
struct CAUUID {
    ULONG cElems = 0;
    com::GUID *pElems = nullptr;
};
struct CALPOLESTR {
    ULONG cElems = 0;
    com::OLECHAR **pElems = nullptr;
};
struct CADWORD {
    ULONG cElems = 0;
    DWORD *pElems = nullptr;
};

struct DVTARGETDEVICE;
struct DVEXTENTINFO {
    ULONG cb = sizeof(DVEXTENTINFO);
    DWORD dwExtentMode = 0;
    SIZEL sizelProposed;
};
struct LOGPALETTE;

// Interfaces named in signatures that this layer does not offer.
struct IMoniker;
struct IDataObject;
struct IAdviseSink;
struct IEnumOLEVERB;
struct IEnumSTATDATA;
struct IOleContainer;

// ---- constants

constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_OPEN = -2;
constexpr LONG OLEIVERB_HIDE = -3;
constexpr LONG OLEIVERB_UIACTIVATE = -4;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr LONG OLEIVERB_DISCARDUNDOSTATE = -6;
constexpr LONG OLEIVERB_PROPERTIES = -7;

constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr DWORD OLEMISC_ONLYICONIC = 0x2;
constexpr DWORD OLEMISC_INSERTNOTREPLACE = 0x4;
constexpr DWORD OLEMISC_STATIC = 0x8;
constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
constexpr DWORD OLEMISC_CANLINKBYOLE1 = 0x20;
constexpr DWORD OLEMISC_ISLINKOBJECT = 0x40;
constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr DWORD OLEMISC_RENDERINGISDEVICEINDEPENDENT = 0x200;
constexpr DWORD OLEMISC_INVISIBLEATRUNTIME = 0x400;
constexpr DWORD OLEMISC_ALWAYSRUN = 0x800;
constexpr DWORD OLEMISC_ACTSLIKEBUTTON = 0x1000;
constexpr DWORD OLEMISC_ACTSLIKELABEL = 0x2000;
constexpr DWORD OLEMISC_NOUIACTIVATE = 0x4000;
constexpr DWORD OLEMISC_ALIGNABLE = 0x8000;
constexpr DWORD OLEMISC_SIMPLEFRAME = 0x10000;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;
constexpr DWORD OLEMISC_IMEMODE = 0x40000;

constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
constexpr DWORD OLECLOSE_NOSAVE = 1;
constexpr DWORD OLECLOSE_PROMPTSAVE = 2;

// Which objects of a container an enumeration gives.
constexpr DWORD OLECONTF_EMBEDDINGS = 1;
constexpr DWORD OLECONTF_LINKS = 2;
constexpr DWORD OLECONTF_OTHERS = 4;
constexpr DWORD OLECONTF_ONLYUSER = 8;
constexpr DWORD OLECONTF_ONLYIFRUNNING = 16;

// Where IVBGetControl::EnumControls looks, relative to the asking control.
constexpr DWORD GC_WCH_SIBLING = 1;
constexpr DWORD GC_WCH_CONTAINER = 2;
constexpr DWORD GC_WCH_CONTAINED = 3;
constexpr DWORD GC_WCH_ALL = 4;
constexpr DWORD GC_WCH_FREVERSEDIR = 0x08000000;
constexpr DWORD GC_WCH_FONLYNEXT = 0x10000000;
constexpr DWORD GC_WCH_FONLYPREV = 0x20000000;
constexpr DWORD GC_WCH_FSELECTED = 0x40000000;

constexpr DWORD VIEWSTATUS_OPAQUE = 1;
constexpr DWORD VIEWSTATUS_SOLIDBKGND = 2;
constexpr DWORD VIEWSTATUS_DVASPECTOPAQUE = 4;
constexpr DWORD VIEWSTATUS_DVASPECTTRANSPARENT = 8;

constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DVASPECT_DOCPRINT = 8;

constexpr DWORD HITRESULT_OUTSIDE = 0;
constexpr DWORD HITRESULT_TRANSPARENT = 1;
constexpr DWORD HITRESULT_CLOSE = 2;
constexpr DWORD HITRESULT_HIT = 3;

constexpr DWORD XFORMCOORDS_POSITION = 0x1;
constexpr DWORD XFORMCOORDS_SIZE = 0x2;
constexpr DWORD XFORMCOORDS_HIMETRICTOCONTAINER = 0x4;
constexpr DWORD XFORMCOORDS_CONTAINERTOHIMETRIC = 0x8;

constexpr DWORD ACTIVATE_WINDOWLESS = 1;

// Ambient properties, read through the site's IDispatch.
constexpr com::DISPID DISPID_AMBIENT_BACKCOLOR = -701;
constexpr com::DISPID DISPID_AMBIENT_DISPLAYNAME = -702;
constexpr com::DISPID DISPID_AMBIENT_FONT = -703;
constexpr com::DISPID DISPID_AMBIENT_FORECOLOR = -704;
constexpr com::DISPID DISPID_AMBIENT_LOCALEID = -705;
constexpr com::DISPID DISPID_AMBIENT_MESSAGEREFLECT = -706;
constexpr com::DISPID DISPID_AMBIENT_SCALEUNITS = -707;
constexpr com::DISPID DISPID_AMBIENT_TEXTALIGN = -708;
constexpr com::DISPID DISPID_AMBIENT_USERMODE = -709;
constexpr com::DISPID DISPID_AMBIENT_UIDEAD = -710;
constexpr com::DISPID DISPID_AMBIENT_SHOWGRABHANDLES = -711;
constexpr com::DISPID DISPID_AMBIENT_SHOWHATCHING = -712;
constexpr com::DISPID DISPID_AMBIENT_DISPLAYASDEFAULT = -713;
constexpr com::DISPID DISPID_AMBIENT_SUPPORTSMNEMONICS = -714;
constexpr com::DISPID DISPID_AMBIENT_AUTOCLIP = -715;
constexpr com::DISPID DISPID_AMBIENT_APPEARANCE = -716;

// OLE result codes.
constexpr com::HRESULT E_ABORT = static_cast<com::HRESULT>(0x80004004u);
constexpr com::HRESULT OLE_E_ADVISENOTSUPPORTED = static_cast<com::HRESULT>(0x80040003u);
constexpr com::HRESULT OLE_E_NOCONNECTION = static_cast<com::HRESULT>(0x80040004u);
constexpr com::HRESULT OLE_E_NOTRUNNING = static_cast<com::HRESULT>(0x80040005u);
constexpr com::HRESULT OLE_E_BLANK = static_cast<com::HRESULT>(0x80040007u);
constexpr com::HRESULT OLE_E_NOT_INPLACEACTIVE = static_cast<com::HRESULT>(0x80040010u);
constexpr com::HRESULT DV_E_DVASPECT = static_cast<com::HRESULT>(0x8004006Bu);
constexpr com::HRESULT OLEOBJ_E_NOVERBS = static_cast<com::HRESULT>(0x80040180u);
constexpr com::HRESULT OLEOBJ_E_INVALIDVERB = static_cast<com::HRESULT>(0x80040181u);
constexpr com::HRESULT OLEOBJ_S_INVALIDVERB = static_cast<com::HRESULT>(0x00040180u);

// ---- interfaces

struct IOleWindow : com::IUnknown {
    virtual com::HRESULT GetWindow(HWND *hwnd) = 0;
    virtual com::HRESULT ContextSensitiveHelp(BOOL enterMode) = 0;
};

struct IOleInPlaceActiveObject;

struct IOleInPlaceUIWindow : IOleWindow {
    virtual com::HRESULT GetBorder(RECT *border) = 0;
    virtual com::HRESULT RequestBorderSpace(const BORDERWIDTHS *widths) = 0;
    virtual com::HRESULT SetBorderSpace(const BORDERWIDTHS *widths) = 0;
    virtual com::HRESULT SetActiveObject(IOleInPlaceActiveObject *object, const com::OLECHAR *name) = 0;
};

struct IOleInPlaceFrame : IOleInPlaceUIWindow {
    virtual com::HRESULT InsertMenus(HMENU shared, OLEMENUGROUPWIDTHS *widths) = 0;
    virtual com::HRESULT SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) = 0;
    virtual com::HRESULT RemoveMenus(HMENU shared) = 0;
    virtual com::HRESULT SetStatusText(const com::OLECHAR *text) = 0;
    virtual com::HRESULT EnableModeless(BOOL enable) = 0;
    virtual com::HRESULT TranslateAccelerator(MSG *msg, WORD id) = 0;
};

struct IOleClientSite : com::IUnknown {
    virtual com::HRESULT SaveObject() = 0;
    virtual com::HRESULT GetMoniker(DWORD assign, DWORD which, IMoniker **moniker) = 0;
    virtual com::HRESULT GetContainer(IOleContainer **container) = 0;
    virtual com::HRESULT ShowObject() = 0;
    virtual com::HRESULT OnShowWindow(BOOL show) = 0;
    virtual com::HRESULT RequestNewObjectLayout() = 0;
};

struct IOleObject : com::IUnknown {
    virtual com::HRESULT SetClientSite(IOleClientSite *site) = 0;
    virtual com::HRESULT GetClientSite(IOleClientSite **site) = 0;
    virtual com::HRESULT SetHostNames(const com::OLECHAR *app, const com::OLECHAR *object) = 0;
    virtual com::HRESULT Close(DWORD saveOption) = 0;
    virtual com::HRESULT SetMoniker(DWORD which, IMoniker *moniker) = 0;
    virtual com::HRESULT GetMoniker(DWORD assign, DWORD which, IMoniker **moniker) = 0;
    virtual com::HRESULT InitFromData(IDataObject *data, BOOL creation, DWORD reserved) = 0;
    virtual com::HRESULT GetClipboardData(DWORD reserved, IDataObject **data) = 0;
    virtual com::HRESULT DoVerb(LONG verb, MSG *msg, IOleClientSite *site, LONG index, HWND parent,
                                const RECT *posRect) = 0;
    virtual com::HRESULT EnumVerbs(IEnumOLEVERB **verbs) = 0;
    virtual com::HRESULT Update() = 0;
    virtual com::HRESULT IsUpToDate() = 0;
    virtual com::HRESULT GetUserClassID(com::CLSID *clsid) = 0;
    virtual com::HRESULT GetUserType(DWORD form, com::OLECHAR **userType) = 0;
    virtual com::HRESULT SetExtent(DWORD aspect, SIZEL *size) = 0;
    virtual com::HRESULT GetExtent(DWORD aspect, SIZEL *size) = 0;
    virtual com::HRESULT Advise(IAdviseSink *sink, DWORD *connection) = 0;
    virtual com::HRESULT Unadvise(DWORD connection) = 0;
    virtual com::HRESULT EnumAdvise(IEnumSTATDATA **advise) = 0;
    virtual com::HRESULT GetMiscStatus(DWORD aspect, DWORD *status) = 0;
    virtual com::HRESULT SetColorScheme(LOGPALETTE *palette) = 0;
};

struct IOleInPlaceObject : IOleWindow {
    virtual com::HRESULT InPlaceDeactivate() = 0;
    virtual com::HRESULT UIDeactivate() = 0;
    virtual com::HRESULT SetObjectRects(const RECT *posRect, const RECT *clipRect) = 0;
    virtual com::HRESULT ReactivateAndUndo() = 0;
};

struct IOleInPlaceActiveObject : IOleWindow {
    virtual com::HRESULT TranslateAccelerator(MSG *msg) = 0;
    virtual com::HRESULT OnFrameWindowActivate(BOOL activate) = 0;
    virtual com::HRESULT OnDocWindowActivate(BOOL activate) = 0;
    virtual com::HRESULT ResizeBorder(const RECT *border, IOleInPlaceUIWindow *window, BOOL frameWindow) = 0;
    virtual com::HRESULT EnableModeless(BOOL enable) = 0;
};

struct IOleInPlaceSite : IOleWindow {
    virtual com::HRESULT CanInPlaceActivate() = 0;
    virtual com::HRESULT OnInPlaceActivate() = 0;
    virtual com::HRESULT OnUIActivate() = 0;
    virtual com::HRESULT GetWindowContext(IOleInPlaceFrame **frame, IOleInPlaceUIWindow **doc, RECT *posRect,
                                          RECT *clipRect, OLEINPLACEFRAMEINFO *frameInfo) = 0;
    virtual com::HRESULT Scroll(SIZE extent) = 0;
    virtual com::HRESULT OnUIDeactivate(BOOL undoable) = 0;
    virtual com::HRESULT OnInPlaceDeactivate() = 0;
    virtual com::HRESULT DiscardUndoState() = 0;
    virtual com::HRESULT DeactivateAndUndo() = 0;
    virtual com::HRESULT OnPosRectChange(const RECT *posRect) = 0;
};

struct IOleInPlaceSiteEx : IOleInPlaceSite {
    virtual com::HRESULT OnInPlaceActivateEx(BOOL *noRedraw, DWORD flags) = 0;
    virtual com::HRESULT OnInPlaceDeactivateEx(BOOL noRedraw) = 0;
    virtual com::HRESULT RequestUIActivate() = 0;
};

struct IOleControl : com::IUnknown {
    virtual com::HRESULT GetControlInfo(CONTROLINFO *info) = 0;
    virtual com::HRESULT OnMnemonic(MSG *msg) = 0;
    virtual com::HRESULT OnAmbientPropertyChange(com::DISPID id) = 0;
    virtual com::HRESULT FreezeEvents(BOOL freeze) = 0;
};

struct IOleControlSite : com::IUnknown {
    virtual com::HRESULT OnControlInfoChanged() = 0;
    virtual com::HRESULT LockInPlaceActive(BOOL lock) = 0;
    virtual com::HRESULT GetExtendedControl(com::IDispatch **extender) = 0;
    virtual com::HRESULT TransformCoords(POINTL *himetric, POINTF *container, DWORD flags) = 0;
    // modifiers: 1 Shift, 2 Ctrl, 4 Alt
    virtual com::HRESULT TranslateAccelerator(MSG *msg, DWORD modifiers) = 0;
    virtual com::HRESULT OnFocus(BOOL gotFocus) = 0;
    virtual com::HRESULT ShowPropertyFrame() = 0;
};

using ContinueProc = BOOL (*)(ULONG_PTR);

struct IViewObject : com::IUnknown {
    virtual com::HRESULT Draw(DWORD aspect, LONG index, void *aspectInfo, DVTARGETDEVICE *device, HDC targetDev,
                              HDC hdcDraw, const RECTL *bounds, const RECTL *wBounds, ContinueProc cont,
                              ULONG_PTR contArg) = 0;
    virtual com::HRESULT GetColorSet(DWORD aspect, LONG index, void *aspectInfo, DVTARGETDEVICE *device,
                                     HDC targetDev, LOGPALETTE **colors) = 0;
    virtual com::HRESULT Freeze(DWORD aspect, LONG index, void *aspectInfo, DWORD *freeze) = 0;
    virtual com::HRESULT Unfreeze(DWORD freeze) = 0;
    virtual com::HRESULT SetAdvise(DWORD aspects, DWORD advf, IAdviseSink *sink) = 0;
    virtual com::HRESULT GetAdvise(DWORD *aspects, DWORD *advf, IAdviseSink **sink) = 0;
};

struct IViewObject2 : IViewObject {
    virtual com::HRESULT GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE *device, SIZEL *size) = 0;
};

struct IViewObjectEx : IViewObject2 {
    virtual com::HRESULT GetRect(DWORD aspect, RECTL *rect) = 0;
    virtual com::HRESULT GetViewStatus(DWORD *status) = 0;
    virtual com::HRESULT QueryHitPoint(DWORD aspect, const RECT *bounds, POINT location, LONG closeHint,
                                       DWORD *hitResult) = 0;
    virtual com::HRESULT QueryHitRect(DWORD aspect, const RECT *bounds, const RECT *location, LONG closeHint,
                                      DWORD *hitResult) = 0;
    virtual com::HRESULT GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE *device, HDC targetDev,
                                          DVEXTENTINFO *info, SIZEL *size) = 0;
};

struct ISpecifyPropertyPages : com::IUnknown {
    virtual com::HRESULT GetPages(CAUUID *pages) = 0;
};

struct IPerPropertyBrowsing : com::IUnknown {
    virtual com::HRESULT GetDisplayString(com::DISPID id, com::BSTR *text) = 0;
    virtual com::HRESULT MapPropertyToPage(com::DISPID id, com::CLSID *page) = 0;
    virtual com::HRESULT GetPredefinedStrings(com::DISPID id, CALPOLESTR *strings, CADWORD *cookies) = 0;
    virtual com::HRESULT GetPredefinedValue(com::DISPID id, DWORD cookie, com::VARIANT *value) = 0;
};

constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_CALLER = 1;
constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_DATA = 2;

struct IObjectSafety : com::IUnknown {
    virtual com::HRESULT GetInterfaceSafetyOptions(const com::IID &iid, DWORD *supported, DWORD *enabled) = 0;
    virtual com::HRESULT SetInterfaceSafetyOptions(const com::IID &iid, DWORD mask, DWORD enabled) = 0;
};

struct IEnumUnknown : com::IUnknown {
    virtual com::HRESULT Next(ULONG count, com::IUnknown **items, ULONG *fetched) = 0;
    virtual com::HRESULT Skip(ULONG count) = 0;
    virtual com::HRESULT Reset() = 0;
    virtual com::HRESULT Clone(IEnumUnknown **copy) = 0;
};

// The form host's enumeration of its controls, offered by a control's
// extender (or site).
struct IVBGetControl : com::IUnknown {
    virtual com::HRESULT EnumControls(DWORD oleContF, DWORD which, IEnumUnknown **controls) = 0;
};

// ---- interface ids

inline constexpr com::IID IID_IOleWindow{0x00000114, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IOleObject{0x00000112, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IOleClientSite{0x00000118, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IOleInPlaceObject{0x00000113, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IOleInPlaceActiveObject{0x00000117, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IOleInPlaceUIWindow{0x00000115, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IOleInPlaceFrame{0x00000116, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IOleInPlaceSite{0x00000119, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IOleInPlaceSiteEx{0x9C2CAD80, 0x3424, 0x11CF, {0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8}};
inline constexpr com::IID IID_IOleControl{0xB196B288, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr com::IID IID_IOleControlSite{0xB196B289, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr com::IID IID_ISpecifyPropertyPages{0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr com::IID IID_IViewObject{0x0000010D, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IViewObject2{0x00000127, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IViewObjectEx{0x3AF24292, 0x0C96, 0x11CE, {0xA0, 0xCF, 0x00, 0xAA, 0x00, 0x60, 0x0A, 0xB8}};
inline constexpr com::IID IID_IPerPropertyBrowsing{0x376BD3AA, 0x3845, 0x101B, {0x84, 0xED, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
inline constexpr com::IID IID_IObjectSafety{0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
inline constexpr com::IID IID_IEnumUnknown{0x00000100, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IVBGetControl{0x40A050A0, 0x3C31, 0x101B, {0xA8, 0x2E, 0x08, 0x00, 0x2B, 0x2B, 0x23, 0x37}};

// ---- units (96 dpi pinned)

constexpr int HIMETRIC_PER_INCH = 2540;
constexpr int TWIPS_PER_INCH = 1440;
constexpr int LOGPIXELS = 96;
constexpr int TWIPS_PER_PIXEL = TWIPS_PER_INCH / LOGPIXELS; // 15

// a * b / c rounded half away from zero, in 64 bits (the MulDiv rule).
constexpr LONG mulDivRound(LONG a, LONG b, LONG c)
{
    const std::int64_t n = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = c / 2;
    return static_cast<LONG>(n >= 0 ? (n + half) / c : (n - half) / c);
}
constexpr LONG PixelsToHimetric(LONG pixels) { return mulDivRound(pixels, HIMETRIC_PER_INCH, LOGPIXELS); }
constexpr LONG HimetricToPixels(LONG himetric) { return mulDivRound(himetric, LOGPIXELS, HIMETRIC_PER_INCH); }
constexpr SIZEL PixelsToHimetric(SIZE s) { return SIZEL{PixelsToHimetric(s.cx), PixelsToHimetric(s.cy)}; }
constexpr SIZE HimetricToPixels(SIZEL s) { return SIZE{HimetricToPixels(s.cx), HimetricToPixels(s.cy)}; }
constexpr LONG PixelsToTwips(LONG pixels) { return pixels * TWIPS_PER_PIXEL; }
constexpr LONG TwipsToPixels(LONG twips) { return mulDivRound(twips, 1, TWIPS_PER_PIXEL); }
constexpr LONG HimetricToTwips(LONG himetric) { return mulDivRound(himetric, TWIPS_PER_INCH, HIMETRIC_PER_INCH); }
constexpr LONG TwipsToHimetric(LONG twips) { return mulDivRound(twips, HIMETRIC_PER_INCH, TWIPS_PER_INCH); }

} // namespace platform::win
