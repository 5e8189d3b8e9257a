#pragma once
// The combo control's interfaces: ICombo (dual, members in type-library
// order, each property as get, put and putref where it has them), the
// outgoing IComboEvents, the class id and the enumerations it uses.
#include "Controls/Pickwell/ItemInterfaces.h"
#include "zobase7/include/zobase7_interfaces.h"

namespace pickwell {

inline const com::CLSID CLSID_zoCombo = {0x6780C738, 0x0307, 0x4C00, {0x98, 0xD6, 0xCD, 0x87, 0x6F, 0x29, 0xA2, 0x4A}};
inline const com::IID IID_ICombo = {0x06AC9A7E, 0xA45F, 0x49BD, {0x9D, 0x5A, 0x5A, 0x01, 0x82, 0x49, 0xCD, 0xE3}};
inline const com::IID DIID_IComboEvents = {0xA8F8C161, 0x3BD0, 0x47C1, {0xA6, 0x8E, 0x76, 0xA4, 0xAA, 0xF7, 0xC8, 0x3F}};
inline const com::GUID LIBID_Combo7 = {0x9FE12C86, 0xE790, 0x4AAE, {0xA6, 0x5E, 0xE0, 0xBE, 0x8C, 0x0D, 0xFD, 0x66}};

using zobase7::ICaptionDisp;
using zobase7::IDropDown;
using zobase7::IKey;
using zobase7::ISpin;

struct ICombo : com::IDispatch {
    virtual HRESULT get_Items(IComboItemCollection **value) = 0;
    virtual HRESULT get_ListBoxStyle(int32_t *value) = 0;
    virtual HRESULT put_ListBoxStyle(int32_t value) = 0;
    virtual HRESULT get_DescriptionWidth(int32_t *value) = 0;
    virtual HRESULT put_DescriptionWidth(int32_t value) = 0;
    virtual HRESULT get_ImageWidth(int32_t *value) = 0;
    virtual HRESULT put_ImageWidth(int32_t value) = 0;
    virtual HRESULT get_ImageAlign(int32_t *value) = 0;
    virtual HRESULT put_ImageAlign(int32_t value) = 0;
    virtual HRESULT get_ItemTip(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_ItemTip(VARIANT_BOOL value) = 0;
    virtual HRESULT get_OverflowTip(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_OverflowTip(VARIANT_BOOL value) = 0;
    virtual HRESULT get_StatusBar(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_StatusBar(VARIANT_BOOL value) = 0;
    virtual HRESULT get_DropDownShadow(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_DropDownShadow(VARIANT_BOOL value) = 0;
    virtual HRESULT get_MaxDropDownItems(int32_t *value) = 0;
    virtual HRESULT put_MaxDropDownItems(int32_t value) = 0;
    virtual HRESULT get_Style(int32_t *value) = 0;
    virtual HRESULT put_Style(int32_t value) = 0;
    virtual HRESULT get_DropDownWidth(int32_t *value) = 0;
    virtual HRESULT put_DropDownWidth(int32_t value) = 0;
    virtual HRESULT get_ItemHeight(int32_t *value) = 0;
    virtual HRESULT put_ItemHeight(int32_t value) = 0;
    virtual HRESULT get_ScrollBarMode(int32_t *value) = 0;
    virtual HRESULT put_ScrollBarMode(int32_t value) = 0;
    virtual HRESULT get_ShowScrollBar(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_ShowScrollBar(VARIANT_BOOL value) = 0;
    virtual HRESULT get_SortBy(int32_t *value) = 0;
    virtual HRESULT put_SortBy(int32_t value) = 0;
    virtual HRESULT get_SortOrder(int32_t *value) = 0;
    virtual HRESULT put_SortOrder(int32_t value) = 0;
    virtual HRESULT get_AutoSelect(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_AutoSelect(VARIANT_BOOL value) = 0;
    virtual HRESULT get_TextBoxStyle(int32_t *value) = 0;
    virtual HRESULT put_TextBoxStyle(int32_t value) = 0;
    virtual HRESULT get_AutoDropDown(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_AutoDropDown(VARIANT_BOOL value) = 0;
    virtual HRESULT get_BackgroundImage(com::IPicture **value) = 0;
    virtual HRESULT put_BackgroundImage(com::IUnknown *value) = 0;
    virtual HRESULT putref_BackgroundImage(com::IUnknown *value) = 0;
    virtual HRESULT get_PreferredHeight(int32_t *value) = 0;
    virtual HRESULT get_IntegralHeight(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_IntegralHeight(VARIANT_BOOL value) = 0;
    virtual HRESULT get_AlignHorizontal(int32_t *value) = 0;
    virtual HRESULT put_AlignHorizontal(int32_t value) = 0;
    virtual HRESULT get_AlignVertical(int32_t *value) = 0;
    virtual HRESULT put_AlignVertical(int32_t value) = 0;
    virtual HRESULT get_BackColor(OLE_COLOR *value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_ClipMode(int32_t *value) = 0;
    virtual HRESULT put_ClipMode(int32_t value) = 0;
    virtual HRESULT get_EditMode(int32_t *value) = 0;
    virtual HRESULT put_EditMode(int32_t value) = 0;
    virtual HRESULT get_EditModeStatus(int32_t *value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ErrorBeep(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_ErrorBeep(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ForeColor(OLE_COLOR *value) = 0;
    virtual HRESULT put_ForeColor(OLE_COLOR value) = 0;
    virtual HRESULT get_hWnd(int32_t *value) = 0;
    virtual HRESULT get_IMEMode(int32_t *value) = 0;
    virtual HRESULT put_IMEMode(int32_t value) = 0;
    virtual HRESULT get_MarginBottom(int16_t *value) = 0;
    virtual HRESULT put_MarginBottom(int16_t value) = 0;
    virtual HRESULT get_MarginLeft(int16_t *value) = 0;
    virtual HRESULT put_MarginLeft(int16_t value) = 0;
    virtual HRESULT get_MarginRight(int16_t *value) = 0;
    virtual HRESULT put_MarginRight(int16_t value) = 0;
    virtual HRESULT get_MarginTop(int16_t *value) = 0;
    virtual HRESULT put_MarginTop(int16_t value) = 0;
    virtual HRESULT get_MouseIcon(com::IPicture **value) = 0;
    virtual HRESULT put_MouseIcon(com::IUnknown *value) = 0;
    virtual HRESULT putref_MouseIcon(com::IUnknown *value) = 0;
    virtual HRESULT get_MousePointer(int32_t *value) = 0;
    virtual HRESULT put_MousePointer(int32_t value) = 0;
    virtual HRESULT get_MoveOnLRKey(int32_t *value) = 0;
    virtual HRESULT put_MoveOnLRKey(int32_t value) = 0;
    virtual HRESULT get_OLEDragMode(int32_t *value) = 0;
    virtual HRESULT put_OLEDragMode(int32_t value) = 0;
    virtual HRESULT get_OLEDropMode(int32_t *value) = 0;
    virtual HRESULT put_OLEDropMode(int32_t value) = 0;
    virtual HRESULT get_ReadOnly(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_ReadOnly(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ShowLiterals(int32_t *value) = 0;
    virtual HRESULT put_ShowLiterals(int32_t value) = 0;
    virtual HRESULT get_ShowContextMenu(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_ShowContextMenu(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Version(BSTR *value) = 0;
    virtual HRESULT put_Version(BSTR value) = 0;
    virtual HRESULT get_Appearance(int32_t *value) = 0;
    virtual HRESULT put_Appearance(int32_t value) = 0;
    virtual HRESULT get_AllowSpace(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_AllowSpace(VARIANT_BOOL value) = 0;
    virtual HRESULT get_AutoConvert(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_AutoConvert(VARIANT_BOOL value) = 0;
    virtual HRESULT get_BorderStyle(int32_t *value) = 0;
    virtual HRESULT put_BorderStyle(int32_t value) = 0;
    virtual HRESULT get_Caption(ICaptionDisp **value) = 0;
    virtual HRESULT putref_Caption(ICaptionDisp *value) = 0;
    virtual HRESULT get_CurrentField(int16_t *value) = 0;
    virtual HRESULT get_CursorPosition(int16_t *value) = 0;
    virtual HRESULT put_CursorPosition(int16_t value) = 0;
    virtual HRESULT get_DataProperty(int32_t *value) = 0;
    virtual HRESULT put_DataProperty(int32_t value) = 0;
    virtual HRESULT get_DisplayText(BSTR *value) = 0;
    virtual HRESULT get_Font(com::IDispatch **value) = 0;
    virtual HRESULT putref_Font(com::IDispatch *value) = 0;
    virtual HRESULT get_Format(BSTR *value) = 0;
    virtual HRESULT put_Format(BSTR value) = 0;
    virtual HRESULT get_HighlightText(int32_t *value) = 0;
    virtual HRESULT put_HighlightText(int32_t value) = 0;
    virtual HRESULT get_IMEStatus(int32_t *value) = 0;
    virtual HRESULT put_IMEStatus(int32_t value) = 0;
    virtual HRESULT get_Key(IKey **value) = 0;
    virtual HRESULT putref_Key(IKey *value) = 0;
    virtual HRESULT get_LookupMode(int32_t *value) = 0;
    virtual HRESULT put_LookupMode(int32_t value) = 0;
    virtual HRESULT get_LookupTable(BSTR *value) = 0;
    virtual HRESULT put_LookupTable(BSTR value) = 0;
    virtual HRESULT get_PromptChar(BSTR *value) = 0;
    virtual HRESULT put_PromptChar(BSTR value) = 0;
    virtual HRESULT get_SelLength(int32_t *value) = 0;
    virtual HRESULT put_SelLength(int32_t value) = 0;
    virtual HRESULT get_SelStart(int32_t *value) = 0;
    virtual HRESULT put_SelStart(int32_t value) = 0;
    virtual HRESULT get_SelText(BSTR *value) = 0;
    virtual HRESULT put_SelText(BSTR value) = 0;
    virtual HRESULT get_TabAction(int32_t *value) = 0;
    virtual HRESULT put_TabAction(int32_t value) = 0;
    virtual HRESULT get_Text(BSTR *value) = 0;
    virtual HRESULT put_Text(BSTR value) = 0;
    virtual HRESULT get_Value(BSTR *value) = 0;
    virtual HRESULT put_Value(BSTR value) = 0;
    virtual HRESULT get_ValueIsFull(VARIANT_BOOL *value) = 0;
    virtual HRESULT get_DataBind(BSTR *value) = 0;
    virtual HRESULT put_DataBind(BSTR value) = 0;
    virtual HRESULT get_DropDown(IDropDown **value) = 0;
    virtual HRESULT putref_DropDown(IDropDown *value) = 0;
    virtual HRESULT get_Spin(ISpin **value) = 0;
    virtual HRESULT putref_Spin(ISpin *value) = 0;
    virtual HRESULT get_BtnPositioning(int32_t *value) = 0;
    virtual HRESULT put_BtnPositioning(int32_t value) = 0;
    virtual HRESULT get_SelectedIndex(int32_t *value) = 0;
    virtual HRESULT put_SelectedIndex(int32_t value) = 0;
    virtual HRESULT get_SelectedItem(IComboItem **value) = 0;
    virtual HRESULT put_SelectedItem(IComboItem *value) = 0;
    virtual HRESULT AboutBox() = 0;
    virtual HRESULT Refresh() = 0;
    virtual HRESULT OLEDrag() = 0;
    virtual HRESULT ClearControl() = 0;
};

// Dispids of ICombo's members.
enum : com::DISPID {
    DISPID_COMBO_VALUE = 0x0,
    DISPID_COMBO_ITEMS_HOOK = 1, // the notify hook of the item collection
    DISPID_ALIGNHORIZONTAL = 0x1,
    DISPID_ALIGNVERTICAL = 0x2,
    DISPID_CLIPMODE = 0x3,
    DISPID_EDITMODE = 0x4,
    DISPID_EDITMODESTATUS = 0x5,
    DISPID_ERRORBEEP = 0x6,
    DISPID_IMEMODE = 0x7,
    DISPID_MARGINBOTTOM = 0x8,
    DISPID_MARGINLEFT = 0x9,
    DISPID_MARGINRIGHT = 0xA,
    DISPID_MARGINTOP = 0xB,
    DISPID_MOVEONLRKEY = 0xC,
    DISPID_OLEDRAGMODE = 0xD,
    DISPID_OLEDROPMODE = 0xE,
    DISPID_READONLY = 0xF,
    DISPID_SHOWCONTEXTMENU = 0x10,
    DISPID_SHOWLITERALS = 0x11,
    DISPID_VERSION = 0x12,
    DISPID_ALLOWSPACE = 0x33,
    DISPID_AUTOCONVERT = 0x34,
    DISPID_CURRENTFIELD = 0x35,
    DISPID_CURSORPOSITION = 0x36,
    DISPID_DATAPROPERTY = 0x37,
    DISPID_DISPLAYTEXT = 0x38,
    DISPID_FORMAT = 0x39,
    DISPID_HIGHLIGHTTEXT = 0x3A,
    DISPID_IMESTATUS = 0x3B,
    DISPID_LOOKUPMODE = 0x3C,
    DISPID_LOOKUPTABLE = 0x3D,
    DISPID_PROMPTCHAR = 0x3E,
    DISPID_SELLENGTH = 0x3F,
    DISPID_SELSTART = 0x40,
    DISPID_SELTEXT = 0x41,
    DISPID_TABACTION = 0x42,
    DISPID_TEXT = 0x43,
    DISPID_VALUEISFULL = 0x45,
    DISPID_DATABIND = 0x46,
    DISPID_CLEARCONTROL = 0x47,
    DISPID_LISTBOXSTYLE = 0x5D,
    DISPID_DESCRIPTIONWIDTH = 0x5E,
    DISPID_IMAGEWIDTH = 0x5F,
    DISPID_IMAGEALIGN = 0x60,
    DISPID_ITEMTIP = 0x61,
    DISPID_OVERFLOWTIP = 0x62,
    DISPID_STATUSBAR = 0x63,
    DISPID_DROPDOWNSHADOW = 0x64,
    DISPID_MAXDROPDOWNITEMS = 0x65,
    DISPID_ITEMS = 0x66,
    DISPID_STYLE = 0x67,
    DISPID_DROPDOWNWIDTH = 0x68,
    DISPID_ITEMHEIGHT = 0x69,
    DISPID_SCROLLBARMODE = 0x6A,
    DISPID_SHOWSCROLLBAR = 0x6B,
    DISPID_SORTBY = 0x6C,
    DISPID_SORTORDER = 0x6D,
    DISPID_AUTOSELECT = 0x6E,
    DISPID_TEXTBOXSTYLE = 0x6F,
    DISPID_AUTODROPDOWN = 0x70,
    DISPID_BACKGROUNDIMAGE = 0x71,
    DISPID_PREFERREDHEIGHT = 0x72,
    DISPID_BTNPOSITIONING = 0x73,
    DISPID_SELECTEDINDEX = 0x74,
    DISPID_SELECTEDITEM = 0x75,
    DISPID_INTEGRALHEIGHT = 0x79,
    DISPID_OLEDRAG = 0x614,
    DISPID_COMBO_CAPTION = 1000,
    DISPID_COMBO_SPIN = 1001,
    DISPID_COMBO_DROPDOWN = 1002,
    DISPID_COMBO_KEY = 1003,
    DISPID_STD_BACKCOLOR = -501,
    DISPID_STD_BORDERSTYLE = -504,
    DISPID_STD_FONT = -512,
    DISPID_STD_FORECOLOR = -513,
    DISPID_STD_ENABLED = -514,
    DISPID_STD_HWND = -515,
    DISPID_STD_APPEARANCE = -520,
    DISPID_STD_MOUSEPOINTER = -521,
    DISPID_STD_MOUSEICON = -522,
    DISPID_STD_REFRESH = -550,
    DISPID_STD_ABOUTBOX = -552,
};

// Dispids of IComboEvents (besides the stock ones of the control base).
enum : com::DISPID {
    DISPID_EV_CHANGE = 0x1,
    DISPID_EV_EDITMODECHANGE = 0x2,
    DISPID_EV_DBERROR = 0x3,
    DISPID_EV_INVALIDINPUT = 0x5,
    DISPID_EV_KEYEXIT = 0x37,
    DISPID_EV_RECORD = 0x76,
    DISPID_EV_DROPOPEN = 0x77,
    DISPID_EV_SELECTEDINDEXCHANGED = 0x78,
    DISPID_EV_DROPCLOSE = 0x7A,
};

// zoDropDownStyleConst.
enum : int32_t { zoSimple = 0, zoDropDown = 1, zoDropDownList = 2 };
enum : int32_t { zoOLEDragManual = 0, zoOLEDragAutomatic = 1 };
enum : int32_t { zoOLEDropNone = 0, zoOLEDropManual = 1, zoOLEDropAutomatic = 2 };
enum : int16_t { zoEnter = 0, zoLeave = 1, zoOver = 2 };
// zoDataPropertyConst.
enum : int32_t { zoValueProperty = 0, zoTextProperty = 1 };
// zoBtnPositioningConst.
enum : int32_t { zoSpinOnLeft = 0, zoSpinOnRight = 1 };
// zoMousePointerConst's custom pointer.
constexpr int32_t zoCustom = 99;

} // namespace pickwell
