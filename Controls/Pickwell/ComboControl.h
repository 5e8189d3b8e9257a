#pragma once
// zoCombo, the combo box control: an edit field with a drop-down list of
// ComboItem objects, an optional caption, a spin button and a drop-down
// button. The window ("ComboEdit", a superclass of zobase7's "RyxCombo")
// does the editing, the list and the drawing; the object keeps the
// settings, persists them, pushes them to the window by private messages
// and turns the window's notifications into events.
#include "Controls/Pickwell/ComboBrowsing.h"
#include "Controls/Pickwell/ComboInterfaces.h"
#include "Controls/Pickwell/ComboDrag.h"

#include "Controls/common/PropertyExchange.h"
#include "Controls/common/SubObjectNotifySink.h"
#include "Controls/common/SuiteControlBase.h"
#include "platform/com/errorinfo.h"
#include "platform/com/persist.h"
#include "platform/win/ole/olecontrol.h"

#include <QByteArray>

namespace pickwell {

namespace win = platform::win;

// The settings the control keeps itself (everything but its objects).
// Booleans hold the stored 16-bit value (True = -1).
struct ComboSettings {
    int32_t listBoxStyle = 2;
    int32_t descriptionWidth = 0;
    int32_t imageWidth = 16;
    int32_t imageAlign = 0;
    int32_t itemTip = 0;
    int32_t overflowTip = 0;
    int32_t statusBar = 0;
    int32_t dropDownShadow = 0;
    int32_t maxDropDownItems = 8;
    int32_t style = zoDropDown;
    int32_t dropDownWidth = 0;
    int32_t itemHeight = -1;
    int32_t scrollBarMode = 0;
    int32_t showScrollBar = -1;
    int32_t sortBy = zoDisplayMember;
    int32_t sortOrder = zoNone;
    int32_t autoSelect = 0;
    int32_t textBoxStyle = 0;
    int32_t autoDropDown = 0;
    int32_t integralHeight = -1;
    int32_t alignHorizontal = 0;
    int32_t alignVertical = 0;
    OLE_COLOR backColor = 0x80000005;
    int32_t clipMode = 0;
    int32_t editMode = 0;
    int32_t enabled = -1;
    int32_t errorBeep = 0;
    OLE_COLOR foreColor = 0x80000008;
    int32_t imeMode = 0;
    int32_t marginBottom = 1;
    int32_t marginLeft = 1;
    int32_t marginRight = 1;
    int32_t marginTop = 1;
    int32_t mousePointer = 0;
    int32_t moveOnLRKey = 0;
    int32_t oleDragMode = 0;
    int32_t oleDropMode = 0;
    int32_t readOnly = 0;
    int32_t showLiterals = 0;
    int32_t showContextMenu = -1;
    int32_t appearance = 1;
    int32_t allowSpace = -1;
    int32_t autoConvert = -1;
    int32_t borderStyle = 1;
    int32_t cursorPosition = -1;
    int32_t dataProperty = zoValueProperty;
    int32_t highlightText = 0;
    int32_t imeStatus = 0;
    int32_t lookupMode = 0;
    int32_t tabAction = 0;
    int32_t btnPositioning = zoSpinOnLeft;
    int32_t dropWidthHasset = 0;
    com::Bstr format{QStringLiteral("")};
    com::Bstr lookupTable{QStringLiteral("")};
    com::Bstr promptChar{QStringLiteral("_")};
    com::Bstr text;  // null
    com::Bstr value; // the ambient display name at InitNew
};

// The version the control writes as "_Version".
constexpr int32_t kComboStreamVersion = 0x00070000;

class zoCombo final : public win::OleControlBase,
                      public controls::SuiteControlBase,
                      public com::DispatchImpl<zoCombo, ICombo>,
                      public com::IPersistStreamInit,
                      public com::IPersistPropertyBag,
                      public com::ISupportErrorInfo,
                      public win::IObjectSafety,
                      public controls::SubObjectChangeHandler {
public:
    zoCombo();
    // Final construction: the item collection and the four sub-objects.
    HRESULT FinalConstruct();

    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return OleControlBase::AddRef(); }
    uint32_t Release() override { return OleControlBase::Release(); }

    static const com::DispatchTable<zoCombo> &dispatchTable();

    // ---- ICombo
    HRESULT get_Items(IComboItemCollection **value) override;
    HRESULT get_ListBoxStyle(int32_t *value) override;
    HRESULT put_ListBoxStyle(int32_t value) override;
    HRESULT get_DescriptionWidth(int32_t *value) override;
    HRESULT put_DescriptionWidth(int32_t value) override;
    HRESULT get_ImageWidth(int32_t *value) override;
    HRESULT put_ImageWidth(int32_t value) override;
    HRESULT get_ImageAlign(int32_t *value) override;
    HRESULT put_ImageAlign(int32_t value) override;
    HRESULT get_ItemTip(VARIANT_BOOL *value) override;
    HRESULT put_ItemTip(VARIANT_BOOL value) override;
    HRESULT get_OverflowTip(VARIANT_BOOL *value) override;
    HRESULT put_OverflowTip(VARIANT_BOOL value) override;
    HRESULT get_StatusBar(VARIANT_BOOL *value) override;
    HRESULT put_StatusBar(VARIANT_BOOL value) override;
    HRESULT get_DropDownShadow(VARIANT_BOOL *value) override;
    HRESULT put_DropDownShadow(VARIANT_BOOL value) override;
    HRESULT get_MaxDropDownItems(int32_t *value) override;
    HRESULT put_MaxDropDownItems(int32_t value) override;
    HRESULT get_Style(int32_t *value) override;
    HRESULT put_Style(int32_t value) override;
    HRESULT get_DropDownWidth(int32_t *value) override;
    HRESULT put_DropDownWidth(int32_t value) override;
    HRESULT get_ItemHeight(int32_t *value) override;
    HRESULT put_ItemHeight(int32_t value) override;
    HRESULT get_ScrollBarMode(int32_t *value) override;
    HRESULT put_ScrollBarMode(int32_t value) override;
    HRESULT get_ShowScrollBar(VARIANT_BOOL *value) override;
    HRESULT put_ShowScrollBar(VARIANT_BOOL value) override;
    HRESULT get_SortBy(int32_t *value) override;
    HRESULT put_SortBy(int32_t value) override;
    HRESULT get_SortOrder(int32_t *value) override;
    HRESULT put_SortOrder(int32_t value) override;
    HRESULT get_AutoSelect(VARIANT_BOOL *value) override;
    HRESULT put_AutoSelect(VARIANT_BOOL value) override;
    HRESULT get_TextBoxStyle(int32_t *value) override;
    HRESULT put_TextBoxStyle(int32_t value) override;
    HRESULT get_AutoDropDown(VARIANT_BOOL *value) override;
    HRESULT put_AutoDropDown(VARIANT_BOOL value) override;
    HRESULT get_BackgroundImage(com::IPicture **value) override;
    HRESULT put_BackgroundImage(com::IUnknown *value) override;
    HRESULT putref_BackgroundImage(com::IUnknown *value) override;
    HRESULT get_PreferredHeight(int32_t *value) override;
    HRESULT get_IntegralHeight(VARIANT_BOOL *value) override;
    HRESULT put_IntegralHeight(VARIANT_BOOL value) override;
    HRESULT get_AlignHorizontal(int32_t *value) override;
    HRESULT put_AlignHorizontal(int32_t value) override;
    HRESULT get_AlignVertical(int32_t *value) override;
    HRESULT put_AlignVertical(int32_t value) override;
    HRESULT get_BackColor(OLE_COLOR *value) override;
    HRESULT put_BackColor(OLE_COLOR value) override;
    HRESULT get_ClipMode(int32_t *value) override;
    HRESULT put_ClipMode(int32_t value) override;
    HRESULT get_EditMode(int32_t *value) override;
    HRESULT put_EditMode(int32_t value) override;
    HRESULT get_EditModeStatus(int32_t *value) override;
    HRESULT get_Enabled(VARIANT_BOOL *value) override;
    HRESULT put_Enabled(VARIANT_BOOL value) override;
    HRESULT get_ErrorBeep(VARIANT_BOOL *value) override;
    HRESULT put_ErrorBeep(VARIANT_BOOL value) override;
    HRESULT get_ForeColor(OLE_COLOR *value) override;
    HRESULT put_ForeColor(OLE_COLOR value) override;
    HRESULT get_hWnd(int32_t *value) override;
    HRESULT get_IMEMode(int32_t *value) override;
    HRESULT put_IMEMode(int32_t value) override;
    HRESULT get_MarginBottom(int16_t *value) override;
    HRESULT put_MarginBottom(int16_t value) override;
    HRESULT get_MarginLeft(int16_t *value) override;
    HRESULT put_MarginLeft(int16_t value) override;
    HRESULT get_MarginRight(int16_t *value) override;
    HRESULT put_MarginRight(int16_t value) override;
    HRESULT get_MarginTop(int16_t *value) override;
    HRESULT put_MarginTop(int16_t value) override;
    HRESULT get_MouseIcon(com::IPicture **value) override;
    HRESULT put_MouseIcon(com::IUnknown *value) override;
    HRESULT putref_MouseIcon(com::IUnknown *value) override;
    HRESULT get_MousePointer(int32_t *value) override;
    HRESULT put_MousePointer(int32_t value) override;
    HRESULT get_MoveOnLRKey(int32_t *value) override;
    HRESULT put_MoveOnLRKey(int32_t value) override;
    HRESULT get_OLEDragMode(int32_t *value) override;
    HRESULT put_OLEDragMode(int32_t value) override;
    HRESULT get_OLEDropMode(int32_t *value) override;
    HRESULT put_OLEDropMode(int32_t value) override;
    HRESULT get_ReadOnly(VARIANT_BOOL *value) override;
    HRESULT put_ReadOnly(VARIANT_BOOL value) override;
    HRESULT get_ShowLiterals(int32_t *value) override;
    HRESULT put_ShowLiterals(int32_t value) override;
    HRESULT get_ShowContextMenu(VARIANT_BOOL *value) override;
    HRESULT put_ShowContextMenu(VARIANT_BOOL value) override;
    HRESULT get_Version(BSTR *value) override;
    HRESULT put_Version(BSTR value) override;
    HRESULT get_Appearance(int32_t *value) override;
    HRESULT put_Appearance(int32_t value) override;
    HRESULT get_AllowSpace(VARIANT_BOOL *value) override;
    HRESULT put_AllowSpace(VARIANT_BOOL value) override;
    HRESULT get_AutoConvert(VARIANT_BOOL *value) override;
    HRESULT put_AutoConvert(VARIANT_BOOL value) override;
    HRESULT get_BorderStyle(int32_t *value) override;
    HRESULT put_BorderStyle(int32_t value) override;
    HRESULT get_Caption(ICaptionDisp **value) override;
    HRESULT putref_Caption(ICaptionDisp *value) override;
    HRESULT get_CurrentField(int16_t *value) override;
    HRESULT get_CursorPosition(int16_t *value) override;
    HRESULT put_CursorPosition(int16_t value) override;
    HRESULT get_DataProperty(int32_t *value) override;
    HRESULT put_DataProperty(int32_t value) override;
    HRESULT get_DisplayText(BSTR *value) override;
    HRESULT get_Font(com::IDispatch **value) override;
    HRESULT putref_Font(com::IDispatch *value) override;
    HRESULT get_Format(BSTR *value) override;
    HRESULT put_Format(BSTR value) override;
    HRESULT get_HighlightText(int32_t *value) override;
    HRESULT put_HighlightText(int32_t value) override;
    HRESULT get_IMEStatus(int32_t *value) override;
    HRESULT put_IMEStatus(int32_t value) override;
    HRESULT get_Key(IKey **value) override;
    HRESULT putref_Key(IKey *value) override;
    HRESULT get_LookupMode(int32_t *value) override;
    HRESULT put_LookupMode(int32_t value) override;
    HRESULT get_LookupTable(BSTR *value) override;
    HRESULT put_LookupTable(BSTR value) override;
    HRESULT get_PromptChar(BSTR *value) override;
    HRESULT put_PromptChar(BSTR value) override;
    HRESULT get_SelLength(int32_t *value) override;
    HRESULT put_SelLength(int32_t value) override;
    HRESULT get_SelStart(int32_t *value) override;
    HRESULT put_SelStart(int32_t value) override;
    HRESULT get_SelText(BSTR *value) override;
    HRESULT put_SelText(BSTR value) override;
    HRESULT get_TabAction(int32_t *value) override;
    HRESULT put_TabAction(int32_t value) override;
    HRESULT get_Text(BSTR *value) override;
    HRESULT put_Text(BSTR value) override;
    HRESULT get_Value(BSTR *value) override;
    HRESULT put_Value(BSTR value) override;
    HRESULT get_ValueIsFull(VARIANT_BOOL *value) override;
    HRESULT get_DataBind(BSTR *value) override;
    HRESULT put_DataBind(BSTR value) override;
    HRESULT get_DropDown(IDropDown **value) override;
    HRESULT putref_DropDown(IDropDown *value) override;
    HRESULT get_Spin(ISpin **value) override;
    HRESULT putref_Spin(ISpin *value) override;
    HRESULT get_BtnPositioning(int32_t *value) override;
    HRESULT put_BtnPositioning(int32_t value) override;
    HRESULT get_SelectedIndex(int32_t *value) override;
    HRESULT put_SelectedIndex(int32_t value) override;
    HRESULT get_SelectedItem(IComboItem **value) override;
    HRESULT put_SelectedItem(IComboItem *value) override;
    HRESULT AboutBox() override;
    HRESULT Refresh() override;
    HRESULT OLEDrag() override;
    HRESULT ClearControl() override;

    // ---- persistence (one InitNew and GetClassID serve both forms)
    HRESULT GetClassID(com::CLSID *clsid) override;
    HRESULT IsDirty() override { return GetDirty() ? com::S_OK : com::S_FALSE; }
    HRESULT Load(com::IStream *stream) override;
    HRESULT Save(com::IStream *stream, bool clearDirty) override;
    HRESULT GetSizeMax(uint64_t *) override { return com::E_NOTIMPL; }
    HRESULT InitNew() override;
    HRESULT Load(com::IPropertyBag *bag, com::IErrorLog *log) override;
    HRESULT Save(com::IPropertyBag *bag, bool clearDirty, bool saveAll) override;

    // ---- ISupportErrorInfo, IObjectSafety
    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override;
    HRESULT GetInterfaceSafetyOptions(const com::IID &iid, win::DWORD *supported, win::DWORD *enabled) override;
    HRESULT SetInterfaceSafetyOptions(const com::IID &iid, win::DWORD mask, win::DWORD enabled) override;

    // ---- IConnectionPointContainer: the events and the property-notify point
    HRESULT FindConnectionPoint(const com::IID &iid, com::IConnectionPoint **point) override;

    // The primary verb activates in place at run time and shows the property
    // pages at design time.
    HRESULT DoVerb(win::LONG verb, win::MSG *msg, win::IOleClientSite *site, win::LONG index, win::HWND parent,
                   const win::RECT *posRect) override;

    // ---- the control base's key hook: key actions through the Key object
    void PreTranslateKeyDown(int16_t &keyCode, int16_t shift) override;

    // ---- the window; public for hosts and tests that activate the control
    // without a full in-place site.
    win::HWND CreateControlWindow(win::HWND parent, const win::RECT &rect) override;
    win::LRESULT WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
    win::HWND ListWindow() const { return m_listWindow; }
    win::HWND SecondListWindow() const { return m_listWindow2; }
    // Input reported from the list windows, fed into the key and mouse
    // handling of the control base (the routing hook).
    void RouteListInput(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
    // The layout code for the current Spin, DropDown and BtnPositioning.
    HRESULT ButtonLayoutCode(int32_t *code, int32_t *spinVisible, int32_t *dropVisible);

    const ComboSettings &settings() const { return m_settings; }
    ComboDragDrop &dragDrop() { return m_drag; }
    int32_t cachedSelectedIndex() const { return m_selectedIndex; }
    bool isPushingProperties() const { return m_pushing; }
    int hookCount() const { return m_hooks.count(); }
    bool isHooked(int32_t id) const { return m_hooks.FindSinkIndex(id) >= 0; }

protected:
    ~zoCombo() override;

    HRESULT OnDraw(win::HDC hdc, const win::RECT &bounds) override;
    win::DWORD ViewStatus() const override { return controls::kControlViewStatus; }
    win::DWORD MiscStatus() const override;
    HRESULT OnTranslateAccelerator(win::MSG *msg) override;
    HRESULT OnGetControlInfo(win::CONTROLINFO *info) override;
    HRESULT OnMnemonicKey(win::MSG *msg) override;
    void OnAmbientChanged(com::DISPID id) override;
    void OnClientSiteSet() override;

    void OnSubObjectChanged(int32_t id, com::DISPID dispid) override;
    HRESULT OnSubObjectRequestEdit(int32_t id, com::DISPID dispid) override;

private:
    friend class ComboPersistence;
    friend class ComboDragDrop;

    // ---- error helpers
    HRESULT invalidValue() const;
    HRESULT raiseError(HRESULT hr) const;

    // ---- property-change machinery
    void propertyChangeStep(com::DISPID id, bool redraw = true);
    void changeHandler(com::DISPID id);
    void hookSubObjects(bool withItems);
    void hook(int32_t id, com::IUnknown *object);
    void unhook(int32_t id) { m_hooks.UnadviseSubObjectChanges(id); }

    // ---- window wrappers (nothing is sent without a window; they answer 0)
    win::HWND window() const;
    win::LRESULT send(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0) const;
    // A string to the window in ANSI: 0x800A017C when refused (answer 1) or
    // not encodable.
    HRESULT sendString(win::UINT message, BSTR text, win::WPARAM wParam = 0) const;
    // A text read from the window: the length, then the text.
    HRESULT readWindowText(win::UINT lengthMessage, win::UINT textMessage, com::Bstr *out) const;

    // ---- shared puts
    HRESULT putStored(int32_t &member, int32_t value, win::UINT message);
    HRESULT putEnumStored(int32_t &member, int32_t value, int32_t lo, int32_t hi, win::UINT message);
    HRESULT putBoolStored(int32_t &member, VARIANT_BOOL value, win::UINT message);
    HRESULT putRanged(int32_t &member, int32_t value, int32_t lo, int32_t hi, win::UINT message, com::DISPID step,
                      bool unchangedIsDone);
    HRESULT putBoolStep(int32_t &member, VARIANT_BOOL value, win::UINT message, com::DISPID step);
    HRESULT putMargin(int32_t &member, int16_t value, bool horizontal, bool first, com::DISPID step);
    HRESULT putColor(OLE_COLOR &member, OLE_COLOR value, win::UINT message, com::DISPID step);
    HRESULT putSubObject(int32_t id, com::IUnknown *given, const com::IID &iid, com::ComPtr<com::IUnknown> &held);
    HRESULT sendPicture(com::IPicture *picture) const;
    HRESULT putBackgroundPicture(com::IUnknown *value);
    void sendMousePointer();

    // ---- window side
    // Destroys the window (however it was made) and forgets it.
    void releaseWindow();
    void creationPush();
    HRESULT sendSpinSettings();
    HRESULT sendDropDownSettings();
    HRESULT sendButtonLayout();
    void sendEditMode();
    void sendFont();
    void handleItemsChange(int32_t code);
    void handleCommand(win::WPARAM wParam, win::LPARAM lParam);
    int32_t measuredItemHeight() const;
    bool pointInSelection(win::POINT p) const;
    int32_t sortInfoBy() const { return m_settings.sortBy; }

    // ---- events
    void fire(const controls::EventDescriptor &event);
    HRESULT showAboutBox();
    void initialiseCaptionPainter();
    HRESULT readAmbientFont();
    uint8_t promptByte() const;

    ComboSettings m_settings;
    com::ComPtr<IComboItemCollection> m_items;
    com::ComPtr<com::IUnknown> m_itemsSecondRef;
    com::ComPtr<com::IUnknown> m_caption;  // ICaptionDisp
    com::ComPtr<com::IUnknown> m_dropDown; // IDropDown
    com::ComPtr<com::IUnknown> m_spin;     // ISpin
    com::ComPtr<com::IUnknown> m_key;      // IKey
    com::ComPtr<com::IDispatch> m_font;    // IFontDisp
    com::ComPtr<com::IPicture> m_mouseIcon;
    com::ComPtr<com::IPicture> m_backgroundImage;
    controls::SubObjectSinks m_hooks{this};
    // IPerPropertyBrowsing, ICategorizeProperties, ISpecifyPropertyPages.
    ComboBrowsing m_browsing{*this};
    com::ConnectionPoint m_events;

    win::HWND m_window = 0;
    win::HFONT m_fontHandle = 0;
    win::HWND m_listWindow = 0;
    win::HWND m_listWindow2 = 0;
    int32_t m_selectedIndex = -1;
    int32_t m_lastItemRequest = 0;
    bool m_pushing = false;
    bool m_autoWidth = false;
    bool m_userMode = true;
    bool m_initialised = false; // InitNew or a load has given the settings
    win::DWORD m_dispatchSafety = 0;
    win::HACCEL m_accel = 0;
    ComboDragDrop m_drag{*this};
};

// The events of IComboEvents besides the control base's stock rows.
extern const controls::EventDescriptor kChangeEvent;
extern const controls::EventDescriptor kEditModeChangeEvent;
extern const controls::EventDescriptor kDBErrorEvent;
extern const controls::EventDescriptor kInvalidInputEvent;
extern const controls::EventDescriptor kSelectedIndexChangedEvent;
extern const controls::EventDescriptor kKeyExitEvent;
extern const controls::EventDescriptor kDropOpenEvent;
extern const controls::EventDescriptor kDropCloseEvent;
extern const controls::EventDescriptor kRecordEvent;

// Creates a zoCombo (final construction included) and queries it for iid.
HRESULT createCombo(const com::IID &iid, void **object);

} // namespace pickwell
