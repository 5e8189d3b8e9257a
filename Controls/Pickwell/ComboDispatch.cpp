// ICombo's IDispatch: the member table in type-library order.
#include "Controls/Pickwell/ComboControl.h"

#include "Controls/common/DispatchHelpers.h"

namespace pickwell {

using namespace platform::com;
namespace disp = controls::disp;

namespace {

using C = zoCombo;

// An object property: the get hands out VT_DISPATCH; put and putref take an
// object argument (Nothing allowed) and pass it as I.
template <class I>
DispatchMember<C> objectRow(const char16_t *name, DISPID id, const IID &iid, HRESULT (C::*get)(I **),
                            HRESULT (C::*put)(I *), HRESULT (C::*putref)(I *))
{
    const uint16_t flags = uint16_t(disp::GET | (put ? disp::PUT : 0) | (putref ? disp::PUTREF : 0));
    return {name, id, flags, [=, &iid](C *self, uint16_t kind, disp::Args &args, VARIANT *r) -> HRESULT {
                if (kind == disp::GET) {
                    if (!args.empty())
                        return DISP_E_BADPARAMCOUNT;
                    I *out = nullptr;
                    const HRESULT hr = (self->*get)(&out);
                    if (FAILED(hr))
                        return hr;
                    ComPtr<I> held = ComPtr<I>::attach(out);
                    const HRESULT h2 = disp::returnObject(reinterpret_cast<IUnknown *>(held.get()), r);
                    return FAILED(h2) ? h2 : hr;
                }
                if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                    return hr;
                VARIANT *arg = derefVariant(args[0]);
                IUnknown *given = nullptr;
                if (arg->vt == VT_DISPATCH || arg->vt == VT_UNKNOWN)
                    given = arg->punkVal;
                else if (arg->vt != VT_EMPTY && arg->vt != VT_NULL)
                    return DISP_E_TYPEMISMATCH;
                ComPtr<I> typed;
                if (given && FAILED(given->QueryInterface(iid, typed.putVoid())))
                    return DISP_E_TYPEMISMATCH;
                return (self->*(kind == disp::PUTREF ? putref : put))(typed.get());
            }};
}

// A picture property: the put and putref take any object and the control
// checks it.
DispatchMember<C> pictureRow(const char16_t *name, DISPID id, HRESULT (C::*get)(IPicture **),
                             HRESULT (C::*put)(IUnknown *), HRESULT (C::*putref)(IUnknown *))
{
    return {name, id, uint16_t(disp::GET | disp::PUT | disp::PUTREF),
            [=](C *self, uint16_t kind, disp::Args &args, VARIANT *r) -> HRESULT {
                if (kind == disp::GET) {
                    ComPtr<IPicture> p;
                    const HRESULT hr = (self->*get)(p.put());
                    if (FAILED(hr))
                        return hr;
                    const HRESULT h2 = disp::returnObject(p.get(), r);
                    return FAILED(h2) ? h2 : hr;
                }
                if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                    return hr;
                VARIANT *arg = derefVariant(args[0]);
                IUnknown *given = nullptr;
                if (arg->vt == VT_DISPATCH || arg->vt == VT_UNKNOWN)
                    given = arg->punkVal;
                else if (arg->vt != VT_EMPTY && arg->vt != VT_NULL)
                    return DISP_E_TYPEMISMATCH;
                return (self->*(kind == disp::PUTREF ? putref : put))(given);
            }};
}

DispatchMember<C> methodRow(const char16_t *name, DISPID id, HRESULT (C::*call)())
{
    return {name, id, disp::METHOD, [=](C *self, uint16_t, disp::Args &args, VARIANT *) -> HRESULT {
                if (!args.empty())
                    return DISP_E_BADPARAMCOUNT;
                return (self->*call)();
            }};
}

template <class V>
DispatchMember<C> longRow(const char16_t *name, DISPID id, HRESULT (C::*get)(V *), HRESULT (C::*put)(V) = nullptr)
{
    return disp::scalar<C, V>(name, id, VT_I4, get, put);
}

DispatchMember<C> boolRow(const char16_t *name, DISPID id, HRESULT (C::*get)(VARIANT_BOOL *),
                          HRESULT (C::*put)(VARIANT_BOOL) = nullptr)
{
    return disp::scalar<C, VARIANT_BOOL>(name, id, VT_BOOL, get, put);
}

DispatchMember<C> shortRow(const char16_t *name, DISPID id, HRESULT (C::*get)(int16_t *), HRESULT (C::*put)(int16_t) = nullptr)
{
    return disp::scalar<C, int16_t>(name, id, VT_I2, get, put);
}

} // namespace

const DispatchTable<zoCombo> &zoCombo::dispatchTable()
{
    static const DispatchTable<C> t({
        objectRow<IComboItemCollection>(u"Items", DISPID_ITEMS, IID_IComboItemCollection, &C::get_Items, nullptr, nullptr),
        longRow<int32_t>(u"ListBoxStyle", DISPID_LISTBOXSTYLE, &C::get_ListBoxStyle, &C::put_ListBoxStyle),
        longRow<int32_t>(u"DescriptionWidth", DISPID_DESCRIPTIONWIDTH, &C::get_DescriptionWidth, &C::put_DescriptionWidth),
        longRow<int32_t>(u"ImageWidth", DISPID_IMAGEWIDTH, &C::get_ImageWidth, &C::put_ImageWidth),
        longRow<int32_t>(u"ImageAlign", DISPID_IMAGEALIGN, &C::get_ImageAlign, &C::put_ImageAlign),
        boolRow(u"ItemTip", DISPID_ITEMTIP, &C::get_ItemTip, &C::put_ItemTip),
        boolRow(u"OverflowTip", DISPID_OVERFLOWTIP, &C::get_OverflowTip, &C::put_OverflowTip),
        boolRow(u"StatusBar", DISPID_STATUSBAR, &C::get_StatusBar, &C::put_StatusBar),
        boolRow(u"DropDownShadow", DISPID_DROPDOWNSHADOW, &C::get_DropDownShadow, &C::put_DropDownShadow),
        longRow<int32_t>(u"MaxDropDownItems", DISPID_MAXDROPDOWNITEMS, &C::get_MaxDropDownItems, &C::put_MaxDropDownItems),
        longRow<int32_t>(u"Style", DISPID_STYLE, &C::get_Style, &C::put_Style),
        longRow<int32_t>(u"DropDownWidth", DISPID_DROPDOWNWIDTH, &C::get_DropDownWidth, &C::put_DropDownWidth),
        longRow<int32_t>(u"ItemHeight", DISPID_ITEMHEIGHT, &C::get_ItemHeight, &C::put_ItemHeight),
        longRow<int32_t>(u"ScrollBarMode", DISPID_SCROLLBARMODE, &C::get_ScrollBarMode, &C::put_ScrollBarMode),
        boolRow(u"ShowScrollBar", DISPID_SHOWSCROLLBAR, &C::get_ShowScrollBar, &C::put_ShowScrollBar),
        longRow<int32_t>(u"SortBy", DISPID_SORTBY, &C::get_SortBy, &C::put_SortBy),
        longRow<int32_t>(u"SortOrder", DISPID_SORTORDER, &C::get_SortOrder, &C::put_SortOrder),
        boolRow(u"AutoSelect", DISPID_AUTOSELECT, &C::get_AutoSelect, &C::put_AutoSelect),
        longRow<int32_t>(u"TextBoxStyle", DISPID_TEXTBOXSTYLE, &C::get_TextBoxStyle, &C::put_TextBoxStyle),
        boolRow(u"AutoDropDown", DISPID_AUTODROPDOWN, &C::get_AutoDropDown, &C::put_AutoDropDown),
        pictureRow(u"BackgroundImage", DISPID_BACKGROUNDIMAGE, &C::get_BackgroundImage, &C::put_BackgroundImage,
                   &C::putref_BackgroundImage),
        longRow<int32_t>(u"PreferredHeight", DISPID_PREFERREDHEIGHT, &C::get_PreferredHeight),
        boolRow(u"IntegralHeight", DISPID_INTEGRALHEIGHT, &C::get_IntegralHeight, &C::put_IntegralHeight),
        longRow<int32_t>(u"AlignHorizontal", DISPID_ALIGNHORIZONTAL, &C::get_AlignHorizontal, &C::put_AlignHorizontal),
        longRow<int32_t>(u"AlignVertical", DISPID_ALIGNVERTICAL, &C::get_AlignVertical, &C::put_AlignVertical),
        longRow<OLE_COLOR>(u"BackColor", DISPID_STD_BACKCOLOR, &C::get_BackColor, &C::put_BackColor),
        longRow<int32_t>(u"ClipMode", DISPID_CLIPMODE, &C::get_ClipMode, &C::put_ClipMode),
        longRow<int32_t>(u"EditMode", DISPID_EDITMODE, &C::get_EditMode, &C::put_EditMode),
        longRow<int32_t>(u"EditModeStatus", DISPID_EDITMODESTATUS, &C::get_EditModeStatus),
        boolRow(u"Enabled", DISPID_STD_ENABLED, &C::get_Enabled, &C::put_Enabled),
        boolRow(u"ErrorBeep", DISPID_ERRORBEEP, &C::get_ErrorBeep, &C::put_ErrorBeep),
        longRow<OLE_COLOR>(u"ForeColor", DISPID_STD_FORECOLOR, &C::get_ForeColor, &C::put_ForeColor),
        longRow<int32_t>(u"hWnd", DISPID_STD_HWND, &C::get_hWnd),
        longRow<int32_t>(u"IMEMode", DISPID_IMEMODE, &C::get_IMEMode, &C::put_IMEMode),
        shortRow(u"MarginBottom", DISPID_MARGINBOTTOM, &C::get_MarginBottom, &C::put_MarginBottom),
        shortRow(u"MarginLeft", DISPID_MARGINLEFT, &C::get_MarginLeft, &C::put_MarginLeft),
        shortRow(u"MarginRight", DISPID_MARGINRIGHT, &C::get_MarginRight, &C::put_MarginRight),
        shortRow(u"MarginTop", DISPID_MARGINTOP, &C::get_MarginTop, &C::put_MarginTop),
        pictureRow(u"MouseIcon", DISPID_STD_MOUSEICON, &C::get_MouseIcon, &C::put_MouseIcon, &C::putref_MouseIcon),
        longRow<int32_t>(u"MousePointer", DISPID_STD_MOUSEPOINTER, &C::get_MousePointer, &C::put_MousePointer),
        longRow<int32_t>(u"MoveOnLRKey", DISPID_MOVEONLRKEY, &C::get_MoveOnLRKey, &C::put_MoveOnLRKey),
        longRow<int32_t>(u"OLEDragMode", DISPID_OLEDRAGMODE, &C::get_OLEDragMode, &C::put_OLEDragMode),
        longRow<int32_t>(u"OLEDropMode", DISPID_OLEDROPMODE, &C::get_OLEDropMode, &C::put_OLEDropMode),
        boolRow(u"ReadOnly", DISPID_READONLY, &C::get_ReadOnly, &C::put_ReadOnly),
        longRow<int32_t>(u"ShowLiterals", DISPID_SHOWLITERALS, &C::get_ShowLiterals, &C::put_ShowLiterals),
        boolRow(u"ShowContextMenu", DISPID_SHOWCONTEXTMENU, &C::get_ShowContextMenu, &C::put_ShowContextMenu),
        disp::string<C>(u"Version", DISPID_VERSION, &C::get_Version, &C::put_Version),
        longRow<int32_t>(u"Appearance", DISPID_STD_APPEARANCE, &C::get_Appearance, &C::put_Appearance),
        boolRow(u"AllowSpace", DISPID_ALLOWSPACE, &C::get_AllowSpace, &C::put_AllowSpace),
        boolRow(u"AutoConvert", DISPID_AUTOCONVERT, &C::get_AutoConvert, &C::put_AutoConvert),
        longRow<int32_t>(u"BorderStyle", DISPID_STD_BORDERSTYLE, &C::get_BorderStyle, &C::put_BorderStyle),
        objectRow<ICaptionDisp>(u"Caption", DISPID_COMBO_CAPTION, zobase7::IID_ICaptionDisp, &C::get_Caption, nullptr,
                                &C::putref_Caption),
        shortRow(u"CurrentField", DISPID_CURRENTFIELD, &C::get_CurrentField),
        shortRow(u"CursorPosition", DISPID_CURSORPOSITION, &C::get_CursorPosition, &C::put_CursorPosition),
        longRow<int32_t>(u"DataProperty", DISPID_DATAPROPERTY, &C::get_DataProperty, &C::put_DataProperty),
        disp::string<C>(u"DisplayText", DISPID_DISPLAYTEXT, &C::get_DisplayText),
        objectRow<IDispatch>(u"Font", DISPID_STD_FONT, IID_IFontDisp, &C::get_Font, nullptr, &C::putref_Font),
        disp::string<C>(u"Format", DISPID_FORMAT, &C::get_Format, &C::put_Format),
        longRow<int32_t>(u"HighlightText", DISPID_HIGHLIGHTTEXT, &C::get_HighlightText, &C::put_HighlightText),
        longRow<int32_t>(u"IMEStatus", DISPID_IMESTATUS, &C::get_IMEStatus, &C::put_IMEStatus),
        objectRow<IKey>(u"Key", DISPID_COMBO_KEY, zobase7::IID_IKey, &C::get_Key, nullptr, &C::putref_Key),
        longRow<int32_t>(u"LookupMode", DISPID_LOOKUPMODE, &C::get_LookupMode, &C::put_LookupMode),
        disp::string<C>(u"LookupTable", DISPID_LOOKUPTABLE, &C::get_LookupTable, &C::put_LookupTable),
        disp::string<C>(u"PromptChar", DISPID_PROMPTCHAR, &C::get_PromptChar, &C::put_PromptChar),
        longRow<int32_t>(u"SelLength", DISPID_SELLENGTH, &C::get_SelLength, &C::put_SelLength),
        longRow<int32_t>(u"SelStart", DISPID_SELSTART, &C::get_SelStart, &C::put_SelStart),
        disp::string<C>(u"SelText", DISPID_SELTEXT, &C::get_SelText, &C::put_SelText),
        longRow<int32_t>(u"TabAction", DISPID_TABACTION, &C::get_TabAction, &C::put_TabAction),
        disp::string<C>(u"Text", DISPID_TEXT, &C::get_Text, &C::put_Text),
        disp::string<C>(u"Value", DISPID_COMBO_VALUE, &C::get_Value, &C::put_Value),
        boolRow(u"ValueIsFull", DISPID_VALUEISFULL, &C::get_ValueIsFull),
        disp::string<C>(u"DataBind", DISPID_DATABIND, &C::get_DataBind, &C::put_DataBind),
        objectRow<IDropDown>(u"DropDown", DISPID_COMBO_DROPDOWN, zobase7::IID_IDropDown, &C::get_DropDown, nullptr,
                             &C::putref_DropDown),
        objectRow<ISpin>(u"Spin", DISPID_COMBO_SPIN, zobase7::IID_ISpin, &C::get_Spin, nullptr, &C::putref_Spin),
        longRow<int32_t>(u"BtnPositioning", DISPID_BTNPOSITIONING, &C::get_BtnPositioning, &C::put_BtnPositioning),
        longRow<int32_t>(u"SelectedIndex", DISPID_SELECTEDINDEX, &C::get_SelectedIndex, &C::put_SelectedIndex),
        objectRow<IComboItem>(u"SelectedItem", DISPID_SELECTEDITEM, IID_IComboItem, &C::get_SelectedItem,
                              &C::put_SelectedItem, &C::put_SelectedItem),
        methodRow(u"AboutBox", DISPID_STD_ABOUTBOX, &C::AboutBox),
        methodRow(u"Refresh", DISPID_STD_REFRESH, &C::Refresh),
        methodRow(u"OLEDrag", DISPID_OLEDRAG, &C::OLEDrag),
        methodRow(u"ClearControl", DISPID_CLEARCONTROL, &C::ClearControl),
    });
    return t;
}

} // namespace pickwell
