#pragma once
// The combo item model's interfaces, in their interface order: the combo
// window of this library lists and draws items through them; a control
// library that hands the window its items implements them.
#include "platform/com/automation.h"
#include "platform/com/picture.h"

namespace zobase7 {

namespace com = platform::com;
using com::BSTR;
using com::HRESULT;
using com::OLE_COLOR;
using com::VARIANT_BOOL;

inline const com::IID IID_IComboItem = {0xEB4B2E72, 0x9B70, 0x4D01, {0x81, 0xA3, 0xE5, 0x46, 0x02, 0x06, 0xF0, 0x05}};
inline const com::IID IID_IComboItemCollection = {0xAA1A3CC8, 0x27FB, 0x4D4F, {0x8B, 0xB1, 0xEB, 0xEF, 0x36, 0x5E, 0xE6, 0xAC}};

struct IComboItem : com::IDispatch {
    virtual HRESULT get_Enable(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Enable(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Visible(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ForeColor(OLE_COLOR *value) = 0;
    virtual HRESULT put_ForeColor(OLE_COLOR value) = 0;
    virtual HRESULT get_BackColor(OLE_COLOR *value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Content(BSTR *value) = 0;
    virtual HRESULT put_Content(BSTR value) = 0;
    virtual HRESULT get_Description(BSTR *value) = 0;
    virtual HRESULT put_Description(BSTR value) = 0;
    virtual HRESULT get_TooltipText(BSTR *value) = 0;
    virtual HRESULT put_TooltipText(BSTR value) = 0;
    virtual HRESULT get_Indent(int32_t *value) = 0;
    virtual HRESULT put_Indent(int32_t value) = 0;
    virtual HRESULT get_Image(com::IPicture **value) = 0;
    virtual HRESULT put_Image(com::IPicture *value) = 0;
    virtual HRESULT get_Index(int32_t *value) = 0;
    virtual HRESULT put_Index(int32_t value) = 0;
    virtual HRESULT get_Value(BSTR *value) = 0;
    virtual HRESULT put_Value(BSTR value) = 0;
    virtual HRESULT get_Selected(int16_t *value) = 0;
    virtual HRESULT SetSelected(int16_t value) = 0;
    virtual HRESULT get_BackTransparent(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_BackTransparent(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ForeTransparent(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_ForeTransparent(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Contained(int32_t *value) = 0;
    virtual HRESULT put_Contained(int32_t value) = 0;
};

// zoSortByConst and zoSortOrderConst.
enum : int16_t { zoDisplayMember = 0, zoDescriptionMember = 1, zoValueMember = 2 };
enum : int16_t { zoAsctime = 0, zoDescending = 1, zoNone = 2 };

struct IComboItemCollection : com::IDispatch {
    virtual HRESULT Add(IComboItem *item) = 0;
    virtual HRESULT get_Count(int32_t *count) = 0;
    virtual HRESULT get_Item(int32_t position, IComboItem **item) = 0;
    virtual HRESULT get_NewEnum(com::IUnknown **enumerator) = 0;
    virtual HRESULT RemoveAt(int32_t position) = 0;
    virtual HRESULT get_SelectedIndex(int32_t *value) = 0;
    virtual HRESULT put_SelectedIndex(int32_t value) = 0;
    virtual HRESULT Contains(IComboItem *item, VARIANT_BOOL *result) = 0;
    virtual HRESULT IndexOf(IComboItem *item, int32_t *result) = 0;
    virtual HRESULT Remove(IComboItem *item) = 0;
    virtual HRESULT Insert(int32_t position, IComboItem *item) = 0;
    virtual HRESULT Clear() = 0;
    virtual HRESULT SetSortInfo(int16_t sortBy, int16_t sortOrder) = 0;
    virtual HRESULT put_DefaultBackColor(OLE_COLOR value) = 0;
    virtual HRESULT put_DefaultForeColor(OLE_COLOR value) = 0;
    virtual HRESULT AddItem(com::IPicture *picture, BSTR content, BSTR description) = 0;
};

// Change codes an item sends to its sinks.
enum ItemChange : int32_t {
    ChangeBackColor = 1,
    ChangeForeColor = 2,
    ChangeContent = 3,
    ChangeDescription = 4,
    ChangeEnable = 5,
    ChangeImage = 6,
    ChangeIndent = 7,
    ChangeTooltipText = 8,
    ChangeValue = 9,
    ChangeVisible = 10,
    ChangeBackTransparent = 11,
    ChangeForeTransparent = 12,
};

// Codes the collection sends to its owner (an item's change: minus its Index).
enum CollectionChange : int32_t { CollectionAdded = 1, CollectionRemoved = 2, CollectionCleared = 4, CollectionInserted = 5 };

} // namespace zobase7
