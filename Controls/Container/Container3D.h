#pragma once
// zoContainer3D: a windowed control that the host places other controls on.
// It paints its own bevels and shadow and, as ApplyEffect asks, a frame with
// a checkered shadow around each contained control.
#include "Controls/Container/ChildFrames.h"
#include "Controls/Container/Childs.h"
#include "Controls/Container/ContainerPageLink.h"
#include "Controls/Container/Effects.h"
#include "Controls/Container/LumafoldInterfaces.h"

#include "Controls/common/ComModule.h"
#include "Controls/common/PropertyExchange.h"
#include "Controls/common/SubObjectNotifySink.h"
#include "Controls/common/SuiteControlBase.h"
#include "platform/com/persist.h"
#include "platform/com/picture.h"
#include "platform/win/ole/olecontrol.h"

namespace lumafold {

namespace win = platform::win;

class Container3D final : public win::OleControlBase,
                          public controls::SuiteControlBase,
                          public com::DispatchImpl<Container3D, IContainer>,
                          public com::ISupportErrorInfo,
                          public com::IPersistStreamInit,
                          public com::IPersistPropertyBag,
                          public win::IPerPropertyBrowsing,
                          public win::ISpecifyPropertyPages,
                          public IContainerPageLink,
                          public controls::SubObjectChangeHandler,
                          public ContainerWindow {
public:
    Container3D();

    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return OleControlBase::AddRef(); }
    uint32_t Release() override { return OleControlBase::Release(); }

    static const com::DispatchTable<Container3D> &dispatchTable();

    // IContainer
    HRESULT get_Effects(IEffects **value) override;
    HRESULT get_Childs(IChildren **value) override;
    HRESULT get_CtrlEffect(VARIANT *value) override;
    HRESULT put_CtrlEffect(VARIANT value) override;
    HRESULT putref_CtrlEffect(VARIANT value) override;
    HRESULT get_ApplyEffect(int32_t *value) override;
    HRESULT put_ApplyEffect(int32_t value) override;
    HRESULT get_AutoSize(int32_t *value) override;
    HRESULT put_AutoSize(int32_t value) override;
    HRESULT get_Enabled(com::VARIANT_BOOL *value) override;
    HRESULT put_Enabled(com::VARIANT_BOOL value) override;
    HRESULT get_Redraw(com::VARIANT_BOOL *value) override;
    HRESULT put_Redraw(com::VARIANT_BOOL value) override;
    HRESULT get_Version(BSTR *value) override;
    HRESULT put_Version(BSTR value) override;
    HRESULT get_ChildsEffect(VARIANT *value) override;
    HRESULT put_ChildsEffect(VARIANT value) override;
    HRESULT putref_ChildsEffect(VARIANT value) override;
    HRESULT get_hWnd(int32_t *value) override;
    HRESULT get_MouseIcon(com::IDispatch **value) override;
    HRESULT put_MouseIcon(com::IDispatch *value) override;
    HRESULT putref_MouseIcon(com::IDispatch *value) override;
    HRESULT get_MousePointer(int32_t *value) override;
    HRESULT put_MousePointer(int32_t value) override;
    HRESULT AboutBox() override;

    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override;

    // IPersistStreamInit, IPersistPropertyBag
    HRESULT GetClassID(com::CLSID *clsid) override;
    HRESULT IsDirty() override { return GetDirty() ? com::S_OK : com::S_FALSE; }
    HRESULT Load(com::IStream *stream) override;
    HRESULT Save(com::IStream *stream, bool clearDirty) override;
    HRESULT GetSizeMax(uint64_t *) override { return com::E_NOTIMPL; }
    HRESULT InitNew() override { return com::S_OK; }
    HRESULT Load(com::IPropertyBag *bag, com::IErrorLog *log) override;
    HRESULT Save(com::IPropertyBag *bag, bool clearDirty, bool saveAll) override;

    // IPerPropertyBrowsing
    HRESULT GetDisplayString(com::DISPID id, BSTR *text) override;
    HRESULT MapPropertyToPage(com::DISPID id, com::CLSID *page) override;
    HRESULT GetPredefinedStrings(com::DISPID id, win::CALPOLESTR *strings, win::CADWORD *cookies) override;
    HRESULT GetPredefinedValue(com::DISPID id, win::DWORD cookie, VARIANT *value) override;

    // ISpecifyPropertyPages: the Effects, Childs and General pages.
    HRESULT GetPages(win::CAUUID *pages) override;

    // IContainerPageLink
    HRESULT MarkChanged(com::DISPID id) override;
    HRESULT GetFrameNames(QStringList *names) override;

    // IConnectionPointContainer: the events and the property-notify point.
    HRESULT FindConnectionPoint(const com::IID &iid, com::IConnectionPoint **point) override;

    // ContainerWindow: the collections' and children's messages.
    void sendMessage(uint32_t message) override;

    // The frame records of the contained controls (for tests and drawing).
    const ChildFrames &frames() const { return m_frames; }
    // Runs a layout pass now (as before each paint).
    void LayoutChildren();
    // Repaints around the contained controls after the own effect changed.
    void InvalidateAroundChildren(int frameWidth, int shadowWidth);

    // Timer of the mouse enter/exit tracking.
    static constexpr win::UINT_PTR kMouseTimer = 200;
    // The window class of the control window.
    static const char *windowClassName();

protected:
    ~Container3D() override;

    // OleControlBase
    win::HWND CreateControlWindow(win::HWND parent, const win::RECT &rect) override;
    void DestroyControlWindow(win::HWND hwnd) override;
    HRESULT OnDraw(win::HDC hdc, const win::RECT &bounds) override;
    win::DWORD ViewStatus() const override { return controls::kControlViewStatus; }
    win::DWORD MiscStatus() const override { return kMiscStatus; }
    void OnAmbientChanged(com::DISPID id) override;

    // SuiteControlBase: the four handlers the container changes.
    void OnMouseMove(win::WPARAM wParam, win::LPARAM lParam) override;
    void OnLButtonDblClk(win::WPARAM wParam, win::LPARAM lParam) override;
    void OnRButtonDblClk(win::WPARAM wParam, win::LPARAM lParam) override;
    void OnRButtonUp(win::WPARAM wParam, win::LPARAM lParam) override;
    // A click or double click counts inside the client area only.
    bool IsClickPoint(win::POINT point) override;

    // SubObjectChangeHandler: the two effects' sinks.
    void OnSubObjectChanged(int32_t id, com::DISPID dispid) override;
    HRESULT OnSubObjectRequestEdit(int32_t, com::DISPID) override { return com::S_OK; }

private:
    static constexpr win::DWORD kMiscStatus = 205201;
    static win::LRESULT windowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT handleMessage(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam,
                               bool *handled);

    HRESULT error(HRESULT hr) const;
    // Marks the control dirty and tells the property-notify sinks.
    void notify(com::DISPID id);
    // Invalidates the control window.
    void redraw(bool erase = false);
    bool userMode() const { return CachedUserMode(); }

    // The effect properties.
    HRESULT getEffect(const com::Variant &stored, VARIANT *value) const;
    HRESULT putEffect(VARIANT value, com::Variant &stored, com::DISPID id);
    com::ComPtr<IEffect> resolveEffect(const com::Variant &stored) const;
    void watchEffects();

    // Persistence: one routine for load and save.
    bool exchange(controls::PropertyExchangeContext *ctx);
    bool exchangeEffect(controls::PropertyExchangeContext *ctx, const char16_t *typeName, const char16_t *valueName,
                        com::Variant &stored);
    void afterLoadOrSave(bool loaded);

    // Layout and drawing.
    int twipsPerPixel() const;
    void layoutPass();
    bool recordFor(com::IDispatch *extender, int tpp, ChildFrameRecord *record, bool *visibleOrDesign,
                   bool *sizeKnown) const;
    void applyEffectRule(ChildFrameRecord &record) const;
    void fitSoleControl(com::IDispatch *extender, int tpp);
    void invalidateRing(const ChildFrameRecord &record) const;
    void dropAllRecordsAndRelayout();
    win::COLORREF ambientBackColor();
    void paint(win::HDC hdc, const win::RECT &bounds);

    // Mouse enter/exit and the cursor.
    bool trackingOff();
    void onTimer();
    bool onSetCursor();

    int16_t m_applyEffect = zoApplyNone;
    int16_t m_autoSize = zoAutoSizeNone;
    bool m_enabled = true;
    bool m_redraw = true;
    int32_t m_mousePointer = zoDefault;
    com::ComPtr<com::IPicture> m_mouseIcon;
    com::Variant m_ctrlEffect;
    com::Variant m_childsEffect;
    com::ComPtr<Effects> m_effects;
    com::ComPtr<Childs> m_childs;
    controls::SubObjectSinks m_sinks{this};
    com::ComPtr<IEffect> m_ctrlWatched;
    com::ComPtr<IEffect> m_childsWatched;
    ChildFrames m_frames;
    int m_storedFrameWidth = 0;
    int m_storedShadowWidth = 0;
    bool m_mouseInside = false;
    bool m_swallowMove = false;
    bool m_layoutRunning = false;
    com::ConnectionPoint m_events;
};

// Events of IContainerEvents beside the stock mouse events.
constexpr com::DISPID DISPID_MOUSEENTER = 0x33;
constexpr com::DISPID DISPID_MOUSEEXIT = 0x34;

} // namespace lumafold
