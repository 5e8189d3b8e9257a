// The General, Appearance, Format, Lookup and Button pages of the combo:
// each fills its fields from the first object's ICombo and applies them in
// its own order, stopping at the first refused value.
#include "Controls/Pickwell/ComboPages.h"

#include "Controls/Pickwell/ComboBrowsing.h"
#include "Controls/Pickwell/ComboPageControls.h"
#include "Controls/Pickwell/ComboPageIds.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "Controls/common/PropertyExchange.h"
#include "platform/codepage/codepage.h"
#include "platform/win/controls.h"

#include <cmath>
#include <limits>
#include <vector>

namespace pickwell {

using namespace platform::win;
using namespace platform::com;
namespace cp = platform::codepage;

namespace {

constexpr int kNumberDigits = 5;

std::string ansi(const QString &text)
{
    return PageAnsi(text).toStdString();
}

VARIANT_BOOL vbool(bool on)
{
    return on ? VARIANT_BOOL(-1) : VARIANT_BOOL(0);
}

// A property of an object through IDispatch by dispid.
HRESULT getByDispid(IDispatch *object, DISPID id, Variant *out)
{
    DISPPARAMS none;
    return object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
}

HRESULT putRefByDispid(IDispatch *object, DISPID id, IDispatch *value)
{
    Variant arg = Variant::dispatch(value);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = &arg;
    params.rgdispidNamedArgs = &named;
    params.cArgs = 1;
    params.cNamedArgs = 1;
    return object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUTREF, &params, nullptr, nullptr, nullptr);
}

template <class I>
ComPtr<I> subObject(ICombo *combo, DISPID id, const IID &iid)
{
    ComPtr<I> out;
    Variant v;
    if (!combo || FAILED(getByDispid(combo, id, &v)) || v.vt != VT_DISPATCH || !v.pdispVal)
        return out;
    v.pdispVal->QueryInterface(iid, out.putVoid());
    return out;
}

template <class T>
HRESULT createPage(const IID &iid, void **object)
{
    RegisterComboPageTemplates();
    return controls::createObject<T>(iid, object);
}

} // namespace

// ---- shared helpers

QByteArray PageAnsi(const QString &text)
{
    if (cp::isAnsiEncodable(text))
        return cp::toAnsi(text);
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            n = 2;
        const QString one = text.mid(i, n);
        out += n == 1 && cp::isAnsiEncodable(one) ? cp::toAnsi(one) : QByteArray("?");
        i += n - 1;
    }
    return out;
}

ComboPage::ComboPage(int templateId, uint32_t titleStringId)
    : controls::PropertyPageBase(module(), templateId, titleStringId)
{
    RegisterComboPageTemplates();
}

ComPtr<ICombo> ComboPage::combo() const
{
    ComPtr<ICombo> c;
    if (IUnknown *first = Object(0))
        first->QueryInterface(IID_ICombo, c.putVoid());
    return c;
}

HWND ComboPage::field(int id) const
{
    return PageWindow() ? GetDlgItem(PageWindow(), id) : 0;
}

void ComboPage::fillList(int id, uint32_t stringId, int count, char16_t separator)
{
    const HWND list = field(id);
    for (const QString &entry : ComboListTexts(stringId, count, separator))
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ansi(entry).c_str()));
}

int ComboPage::listSelection(int id) const
{
    return static_cast<int>(SendMessageA(field(id), CB_GETCURSEL, 0, 0));
}

void ComboPage::selectListEntry(int id, int32_t entry)
{
    SendMessageA(field(id), CB_SETCURSEL, static_cast<WPARAM>(static_cast<LPARAM>(entry)), 0);
}

bool ComboPage::checked(int id) const
{
    return SendMessageA(field(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ComboPage::setChecked(int id, bool on)
{
    SendMessageA(field(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

QString ComboPage::fieldText(int id) const
{
    const HWND w = field(id);
    const int n = GetWindowTextLengthA(w);
    std::vector<char> buffer(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
    GetWindowTextA(w, buffer.data(), static_cast<int>(buffer.size()));
    return cp::fromAnsiLenient(QByteArray(buffer.data()));
}

void ComboPage::setFieldText(int id, const QString &text)
{
    SetWindowTextA(field(id), ansi(text).c_str());
}

void ComboPage::initNumber(int id, double minimum, double maximum)
{
    controls::InitNumberField(m_numbers[id], field(id), minimum, maximum, kNumberDigits);
}

bool ComboPage::numberInRange(int id) const
{
    const auto it = m_numbers.find(id);
    return it != m_numbers.end() && controls::IsNumberFieldInRange(it->second);
}

int32_t ComboPage::numberValue(int id) const
{
    const auto it = m_numbers.find(id);
    if (it == m_numbers.end())
        return 0;
    // The whole 32-bit value: a field never passes on a wrapped 16-bit number.
    const double v = std::trunc(controls::GetNumberFieldValue(it->second));
    if (!(v >= double(std::numeric_limits<int32_t>::min()) && v <= double(std::numeric_limits<int32_t>::max())))
        return v < 0 ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

void ComboPage::setNumber(int id, int32_t value)
{
    const auto it = m_numbers.find(id);
    if (it == m_numbers.end())
        return;
    if (value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max()) {
        controls::SetNumberFieldValue(it->second, static_cast<int16_t>(value));
        return;
    }
    setNumberI4(id, value);
}

void ComboPage::setNumberI4(int id, int32_t value)
{
    const auto it = m_numbers.find(id);
    if (it == m_numbers.end())
        return;
    controls::SendFieldMessage(it->second, controls::numfield::Prepare, 1, 0);
    Variant v = Variant::i4(value);
    controls::SendFieldMessage(it->second, controls::numfield::SetValue, 0,
                               reinterpret_cast<LPARAM>(static_cast<VARIANT *>(&v)));
}

HRESULT ComboPage::refuse(int id)
{
    return RefuseField(field(id));
}

// ---- General

namespace {

struct ListField {
    int id;
    uint32_t list;
    int count;
    HRESULT (ICombo::*get)(int32_t *);
    HRESULT (ICombo::*put)(int32_t);
};

// ClipMode to TabAction in the order Apply sets them.
const ListField kGeneralLists[] = {
    {IDC_CLIPMODE, 108, 2, &ICombo::get_ClipMode, &ICombo::put_ClipMode},
    {IDC_DATAPROPERTY, 113, 2, &ICombo::get_DataProperty, &ICombo::put_DataProperty},
    {IDC_EDITMODE, 110, 4, &ICombo::get_EditMode, &ICombo::put_EditMode},
    {IDC_IMEMODE, 114, 9, &ICombo::get_IMEMode, &ICombo::put_IMEMode},
    {IDC_IMESTATUS, 115, 2, &ICombo::get_IMEStatus, &ICombo::put_IMEStatus},
    {IDC_HIGHLIGHTTEXT, 103, 3, &ICombo::get_HighlightText, &ICombo::put_HighlightText},
    {IDC_MOUSEPOINTER, 111, 17, &ICombo::get_MousePointer, &ICombo::put_MousePointer},
    {IDC_MOVEONLRKEY, 112, 4, &ICombo::get_MoveOnLRKey, &ICombo::put_MoveOnLRKey},
    {IDC_SHOWLITERALS, 102, 3, &ICombo::get_ShowLiterals, &ICombo::put_ShowLiterals},
    {IDC_TABACTION, 101, 2, &ICombo::get_TabAction, &ICombo::put_TabAction},
};
const ListField kGeneralSortLists[] = {
    {IDC_STYLE, 123, 3, &ICombo::get_Style, &ICombo::put_Style},
    {IDC_SORTBY, 124, 3, &ICombo::get_SortBy, &ICombo::put_SortBy},
    {IDC_SORTORDER, 125, 3, &ICombo::get_SortOrder, &ICombo::put_SortOrder},
};

struct CheckField {
    int id;
    HRESULT (ICombo::*get)(VARIANT_BOOL *);
    HRESULT (ICombo::*put)(VARIANT_BOOL);
    bool variantBool; // True as -1, else as 1
};

const CheckField kGeneralChecks[] = {
    {IDC_READONLY, &ICombo::get_ReadOnly, &ICombo::put_ReadOnly, false},
    {IDC_ERRORBEEP, &ICombo::get_ErrorBeep, &ICombo::put_ErrorBeep, false},
    {IDC_SHOWCONTEXTMENU, &ICombo::get_ShowContextMenu, &ICombo::put_ShowContextMenu, false},
    {IDC_ALLOWSPACE, &ICombo::get_AllowSpace, &ICombo::put_AllowSpace, false},
    {IDC_AUTOCONVERT, &ICombo::get_AutoConvert, &ICombo::put_AutoConvert, false},
};
const CheckField kGeneralLateChecks[] = {
    {IDC_AUTOSELECT, &ICombo::get_AutoSelect, &ICombo::put_AutoSelect, false},
    {IDC_AUTODROPDOWN, &ICombo::get_AutoDropDown, &ICombo::put_AutoDropDown, false},
    {IDC_ITEMTIP, &ICombo::get_ItemTip, &ICombo::put_ItemTip, true},
    {IDC_OVERFLOWTIP, &ICombo::get_OverflowTip, &ICombo::put_OverflowTip, true},
    {IDC_STATUSBAR, &ICombo::get_StatusBar, &ICombo::put_StatusBar, true},
    {IDC_INTEGRALHEIGHT, &ICombo::get_IntegralHeight, &ICombo::put_IntegralHeight, true},
};

// MousePointer's list has 17 entries; the last stands for 99.
constexpr int kCustomPointerEntry = 16;

int32_t listValueOf(int id, int entry)
{
    return id == IDC_MOUSEPOINTER && entry == kCustomPointerEntry ? zoCustom : entry;
}

int32_t listEntryOf(int id, int32_t value)
{
    return id == IDC_MOUSEPOINTER && value == zoCustom ? kCustomPointerEntry : value;
}

class ComboGeneralPage final : public ComboPage {
public:
    ComboGeneralPage() : ComboPage(IDD_PAGE_GENERAL, IDS_PAGE_GENERAL) {}

protected:
    void OnInitPage() override
    {
        for (const ListField &f : kGeneralLists)
            fillList(f.id, f.list, f.count);
        for (const ListField &f : kGeneralSortLists)
            fillList(f.id, f.list, f.count);
        SendMessageA(field(IDC_PROMPTCHAR), EM_LIMITTEXT, 1, 0);
        initNumber(IDC_CURSORPOSITION, -99999, 99999);
        initNumber(IDC_MAXDROPDOWNITEMS, 1, 99999);
        FillFields();
    }

    void FillFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return;
        for (const ListField &f : kGeneralLists)
            fillListValue(c.get(), f);
        for (const ListField &f : kGeneralSortLists)
            fillListValue(c.get(), f);
        for (const CheckField &f : kGeneralChecks)
            fillCheck(c.get(), f);
        for (const CheckField &f : kGeneralLateChecks)
            fillCheck(c.get(), f);
        int16_t cursor = 0;
        c->get_CursorPosition(&cursor);
        setNumber(IDC_CURSORPOSITION, cursor);
        int32_t maxItems = 0;
        c->get_MaxDropDownItems(&maxItems);
        setNumber(IDC_MAXDROPDOWNITEMS, maxItems);
        Bstr prompt;
        c->get_PromptChar(prompt.put());
        setFieldText(IDC_PROMPTCHAR, prompt.toQString());
    }

    HRESULT ApplyFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return E_UNEXPECTED;
        // CursorPosition is a 16-bit property: a value that does not fit is
        // refused, never wrapped.
        const int32_t cursor = numberValue(IDC_CURSORPOSITION);
        if (!numberInRange(IDC_CURSORPOSITION) || cursor < std::numeric_limits<int16_t>::min()
            || cursor > std::numeric_limits<int16_t>::max() || FAILED(c->put_CursorPosition(int16_t(cursor))))
            return refuse(IDC_CURSORPOSITION);
        Bstr prompt(fieldText(IDC_PROMPTCHAR).left(7));
        if (FAILED(c->put_PromptChar(prompt.get())))
            return refuse(IDC_PROMPTCHAR);
        for (const ListField &f : kGeneralLists)
            if (FAILED(applyList(c.get(), f)))
                return refuse(f.id);
        for (const CheckField &f : kGeneralChecks)
            if (FAILED(applyCheck(c.get(), f)))
                return refuse(f.id);
        for (const ListField &f : kGeneralSortLists)
            if (FAILED(applyList(c.get(), f)))
                return refuse(f.id);
        if (!numberInRange(IDC_MAXDROPDOWNITEMS) || FAILED(c->put_MaxDropDownItems(numberValue(IDC_MAXDROPDOWNITEMS))))
            return refuse(IDC_MAXDROPDOWNITEMS);
        for (const CheckField &f : kGeneralLateChecks)
            if (FAILED(applyCheck(c.get(), f)))
                return refuse(f.id);
        return S_OK;
    }

    bool IsChangeNotification(int id, WORD code) const override
    {
        return ((id >= 216 && id <= 232) || (id >= 263 && id <= 272))
            && controls::PropertyPageBase::IsChangeNotification(id, code);
    }

private:
    void fillListValue(ICombo *c, const ListField &f)
    {
        int32_t v = 0;
        (c->*f.get)(&v);
        selectListEntry(f.id, listEntryOf(f.id, v));
    }
    void fillCheck(ICombo *c, const CheckField &f)
    {
        VARIANT_BOOL v = 0;
        (c->*f.get)(&v);
        setChecked(f.id, v != 0);
    }
    HRESULT applyList(ICombo *c, const ListField &f)
    {
        const int entry = listSelection(f.id);
        if (entry < 0)
            return S_OK; // nothing chosen: the property stays
        return (c->*f.put)(listValueOf(f.id, entry));
    }
    HRESULT applyCheck(ICombo *c, const CheckField &f)
    {
        const bool on = checked(f.id);
        return (c->*f.put)(f.variantBool ? vbool(on) : VARIANT_BOOL(on ? 1 : 0));
    }
};

// ---- Appearance

const ListField kAppearanceLists[] = {
    {IDC_APPEARANCE, 104, 3, &ICombo::get_Appearance, &ICombo::put_Appearance},
    {IDC_BORDERSTYLE, 105, 2, &ICombo::get_BorderStyle, &ICombo::put_BorderStyle},
    {IDC_ALIGNHORIZONTAL, 106, 3, &ICombo::get_AlignHorizontal, &ICombo::put_AlignHorizontal},
    {IDC_ALIGNVERTICAL, 107, 3, &ICombo::get_AlignVertical, &ICombo::put_AlignVertical},
};
const ListField kAppearanceLateLists[] = {
    {IDC_LISTBOXSTYLE, 109, 6, &ICombo::get_ListBoxStyle, &ICombo::put_ListBoxStyle},
    {IDC_IMAGEALIGN, 120, 4, &ICombo::get_ImageAlign, &ICombo::put_ImageAlign},
    {IDC_TEXTBOXSTYLE, 121, 3, &ICombo::get_TextBoxStyle, &ICombo::put_TextBoxStyle},
    {IDC_SCROLLBARMODE, 122, 2, &ICombo::get_ScrollBarMode, &ICombo::put_ScrollBarMode},
};

struct MarginField {
    int id;
    HRESULT (ICombo::*get)(int16_t *);
    HRESULT (ICombo::*put)(int16_t);
};
// Validated in field order 205..208 ...
const MarginField kMargins[] = {
    {IDC_MARGINBOTTOM, &ICombo::get_MarginBottom, &ICombo::put_MarginBottom},
    {IDC_MARGINLEFT, &ICombo::get_MarginLeft, &ICombo::put_MarginLeft},
    {IDC_MARGINRIGHT, &ICombo::get_MarginRight, &ICombo::put_MarginRight},
    {IDC_MARGINTOP, &ICombo::get_MarginTop, &ICombo::put_MarginTop},
};
// ... and set as Left, Bottom, Right, Top.
const int kMarginSetOrder[] = {1, 0, 2, 3};

struct WidthField {
    int id;
    HRESULT (ICombo::*get)(int32_t *);
    HRESULT (ICombo::*put)(int32_t);
};
const WidthField kWidths[] = {
    {IDC_DESCRIPTIONWIDTH, &ICombo::get_DescriptionWidth, &ICombo::put_DescriptionWidth},
    {IDC_DROPDOWNWIDTH, &ICombo::get_DropDownWidth, &ICombo::put_DropDownWidth},
    {IDC_IMAGEWIDTH, &ICombo::get_ImageWidth, &ICombo::put_ImageWidth},
    {IDC_ITEMHEIGHT, &ICombo::get_ItemHeight, &ICombo::put_ItemHeight},
};

class ComboAppearancePage final : public ComboPage {
public:
    ComboAppearancePage() : ComboPage(IDD_PAGE_APPEARANCE, IDS_PAGE_APPEARANCE) {}

protected:
    void OnInitPage() override
    {
        for (const ListField &f : kAppearanceLists)
            fillList(f.id, f.list, f.count);
        fillList(IDC_IMAGEALIGN, 120, 4);
        fillList(IDC_LISTBOXSTYLE, 109, 6);
        fillList(IDC_TEXTBOXSTYLE, 121, 3);
        fillList(IDC_SCROLLBARMODE, 122, 2);
        for (const MarginField &f : kMargins)
            initNumber(f.id, 0, 32767);
        for (const WidthField &f : kWidths)
            initNumber(f.id, 0, 32767);
        FillFields();
    }

    void FillFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return;
        for (const auto &table : {kAppearanceLists, kAppearanceLateLists})
            for (int i = 0; i < 4; ++i) {
                int32_t v = 0;
                (c.get()->*table[i].get)(&v);
                selectListEntry(table[i].id, v);
            }
        for (const MarginField &f : kMargins) {
            int16_t v = 0;
            (c.get()->*f.get)(&v);
            setNumber(f.id, v);
        }
        for (const WidthField &f : kWidths) {
            int32_t v = 0;
            (c.get()->*f.get)(&v);
            setNumber(f.id, v);
        }
        VARIANT_BOOL b = 0;
        c->get_ShowScrollBar(&b);
        setChecked(IDC_SHOWSCROLLBAR, b != 0);
        c->get_DropDownShadow(&b);
        setChecked(IDC_DROPDOWNSHADOW, b != 0);
    }

    HRESULT ApplyFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return E_UNEXPECTED;
        // All four margins or none.
        for (const MarginField &f : kMargins)
            if (!numberInRange(f.id))
                return refuse(f.id);
        for (int i : kMarginSetOrder) {
            const MarginField &f = kMargins[i];
            if (FAILED((c.get()->*f.put)(static_cast<int16_t>(numberValue(f.id)))))
                return refuse(f.id);
        }
        for (const WidthField &f : kWidths)
            if (!numberInRange(f.id) || FAILED((c.get()->*f.put)(numberValue(f.id))))
                return refuse(f.id);
        for (const ListField &f : kAppearanceLists)
            if (FAILED(applyList(c.get(), f)))
                return refuse(f.id);
        if (FAILED(c->put_ShowScrollBar(VARIANT_BOOL(checked(IDC_SHOWSCROLLBAR) ? 1 : 0))))
            return refuse(IDC_SHOWSCROLLBAR);
        if (FAILED(c->put_DropDownShadow(vbool(checked(IDC_DROPDOWNSHADOW)))))
            return refuse(IDC_DROPDOWNSHADOW);
        for (const ListField &f : kAppearanceLateLists)
            if (FAILED(applyList(c.get(), f)))
                return refuse(f.id);
        return S_OK;
    }

    bool IsChangeNotification(int id, WORD code) const override
    {
        return ((id >= 201 && id <= 208) || (id >= 252 && id <= 262))
            && controls::PropertyPageBase::IsChangeNotification(id, code);
    }

private:
    HRESULT applyList(ICombo *c, const ListField &f)
    {
        const int entry = listSelection(f.id);
        return entry < 0 ? S_OK : (c->*f.put)(entry);
    }
};

// ---- Format

class ComboFormatPage final : public ComboPage {
public:
    ComboFormatPage() : ComboPage(IDD_PAGE_FORMAT, IDS_PAGE_FORMAT) {}

    HRESULT SetObjects(ULONG count, IUnknown **objects) override
    {
        const HRESULT hr = ComboPage::SetObjects(count, objects);
        if (SUCCEEDED(hr) && PageWindow() && count)
            SendMessageA(field(IDC_FORMAT), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
        return hr;
    }

protected:
    void OnInitPage() override
    {
        fillList(IDC_FORMAT, 119, 33, u'?');
        SendMessageA(field(IDC_FORMAT), CB_LIMITTEXT, 255, 0);
        FillFields();
    }

    void FillFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return;
        Bstr f;
        c->get_Format(f.put());
        setFieldText(IDC_FORMAT, f.toQString());
    }

    HRESULT ApplyFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return E_UNEXPECTED;
        Bstr f(fieldText(IDC_FORMAT).left(255));
        if (FAILED(c->put_Format(f.get())))
            return refuse(IDC_FORMAT);
        return S_OK;
    }

    bool IsChangeNotification(int id, WORD code) const override
    {
        return id == IDC_FORMAT && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE);
    }
};

// ---- Lookup

class ComboLookupPage final : public ComboPage {
public:
    ComboLookupPage() : ComboPage(IDD_PAGE_LOOKUP, IDS_PAGE_LOOKUP) {}

    HRESULT SetObjects(ULONG count, IUnknown **objects) override
    {
        const HRESULT hr = ComboPage::SetObjects(count, objects);
        if (SUCCEEDED(hr) && PageWindow() && count)
            SendMessageA(field(IDC_LOOKUPTABLE), EM_SETSEL, 0, -1);
        return hr;
    }

protected:
    void OnInitPage() override
    {
        fillList(IDC_LOOKUPMODE, 118, 3);
        SendMessageA(field(IDC_LOOKUPTABLE), EM_LIMITTEXT, 255, 0);
        FillFields();
    }

    void FillFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return;
        Bstr t;
        c->get_LookupTable(t.put());
        setFieldText(IDC_LOOKUPTABLE, t.toQString());
        int32_t mode = 0;
        c->get_LookupMode(&mode);
        selectListEntry(IDC_LOOKUPMODE, mode);
    }

    HRESULT ApplyFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return E_UNEXPECTED;
        Bstr t(fieldText(IDC_LOOKUPTABLE).left(255));
        if (FAILED(c->put_LookupTable(t.get())))
            return refuse(IDC_LOOKUPTABLE);
        const int mode = listSelection(IDC_LOOKUPMODE);
        if (mode >= 0 && FAILED(c->put_LookupMode(mode)))
            return refuse(IDC_LOOKUPMODE);
        return S_OK;
    }

    bool IsChangeNotification(int id, WORD code) const override
    {
        return (id == IDC_LOOKUPTABLE || id == IDC_LOOKUPMODE)
            && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE || code == EN_CHANGE);
    }
};

// ---- Button

class ComboButtonPage final : public ComboPage {
public:
    ComboButtonPage() : ComboPage(IDD_PAGE_BUTTON, IDS_PAGE_BUTTON) {}

protected:
    void OnInitPage() override
    {
        fillList(IDC_SPIN_VISIBLE, 250, 3);
        fillList(IDC_SPIN_POSITION, 251, 2);
        fillList(IDC_DROP_VISIBLE, 250, 3);
        fillList(IDC_DROP_POSITION, 251, 2);
        initNumber(IDC_SPIN_INCREMENT, 0, 32767);
        initNumber(IDC_SPIN_DELAY, 0, 32767);
        FillFields();
    }

    void FillFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return;
        if (const ComPtr<zobase7::ISpin> spin = subObject<zobase7::ISpin>(c.get(), DISPID_COMBO_SPIN, zobase7::IID_ISpin)) {
            int32_t v = 0;
            spin->get_Visible(&v);
            selectListEntry(IDC_SPIN_VISIBLE, v);
            spin->get_Position(&v);
            selectListEntry(IDC_SPIN_POSITION, v);
            int16_t increment = 0;
            spin->get_Increment(&increment);
            setNumber(IDC_SPIN_INCREMENT, increment);
            spin->get_Delay(&v);
            setNumberI4(IDC_SPIN_DELAY, v);
            VARIANT_BOOL b = 0;
            spin->get_Enabled(&b);
            setChecked(IDC_SPIN_ENABLED, b != 0);
            spin->get_SpinKeys(&b);
            setChecked(IDC_SPIN_SPINKEYS, b != 0);
            spin->get_Wrap(&b);
            setChecked(IDC_SPIN_WRAP, b != 0);
        }
        if (const ComPtr<zobase7::IDropDown> drop =
                subObject<zobase7::IDropDown>(c.get(), DISPID_COMBO_DROPDOWN, zobase7::IID_IDropDown)) {
            int32_t v = 0;
            drop->get_Visible(&v);
            selectListEntry(IDC_DROP_VISIBLE, v);
            drop->get_Position(&v);
            selectListEntry(IDC_DROP_POSITION, v);
            VARIANT_BOOL b = 0;
            drop->get_Enabled(&b);
            setChecked(IDC_DROP_ENABLED, b != 0);
        }
        int32_t positioning = 0;
        c->get_BtnPositioning(&positioning);
        setChecked(IDC_BTNPOSITIONING, positioning != 0);
        updatePositioning();
    }

    HRESULT ApplyFields() override
    {
        const ComPtr<ICombo> c = combo();
        if (!c)
            return E_UNEXPECTED;
        const ComPtr<zobase7::ISpin> spin = subObject<zobase7::ISpin>(c.get(), DISPID_COMBO_SPIN, zobase7::IID_ISpin);
        if (spin) {
            if (listSelection(IDC_SPIN_VISIBLE) >= 0 && FAILED(spin->put_Visible(listSelection(IDC_SPIN_VISIBLE))))
                return refuse(IDC_SPIN_VISIBLE);
            if (listSelection(IDC_SPIN_POSITION) >= 0 && FAILED(spin->put_Position(listSelection(IDC_SPIN_POSITION))))
                return refuse(IDC_SPIN_POSITION);
            if (!numberInRange(IDC_SPIN_INCREMENT)
                || FAILED(spin->put_Increment(static_cast<int16_t>(numberValue(IDC_SPIN_INCREMENT)))))
                return refuse(IDC_SPIN_INCREMENT);
            if (!numberInRange(IDC_SPIN_DELAY) || FAILED(spin->put_Delay(numberValue(IDC_SPIN_DELAY))))
                return refuse(IDC_SPIN_DELAY);
            spin->put_Enabled(vbool(checked(IDC_SPIN_ENABLED)));
            spin->put_SpinKeys(vbool(checked(IDC_SPIN_SPINKEYS)));
            spin->put_Wrap(vbool(checked(IDC_SPIN_WRAP)));
            // A new object, so that the control lays itself out again.
            if (FAILED(assignCopy(c.get(), spin.get(), zobase7::IID_ISpin, DISPID_COMBO_SPIN)))
                return E_FAIL;
        }
        const ComPtr<zobase7::IDropDown> drop =
            subObject<zobase7::IDropDown>(c.get(), DISPID_COMBO_DROPDOWN, zobase7::IID_IDropDown);
        if (drop) {
            if (listSelection(IDC_DROP_VISIBLE) >= 0 && FAILED(drop->put_Visible(listSelection(IDC_DROP_VISIBLE))))
                return refuse(IDC_DROP_VISIBLE);
            if (listSelection(IDC_DROP_POSITION) >= 0 && FAILED(drop->put_Position(listSelection(IDC_DROP_POSITION))))
                return refuse(IDC_DROP_POSITION);
            drop->put_Enabled(vbool(checked(IDC_DROP_ENABLED)));
            if (FAILED(assignCopy(c.get(), drop.get(), zobase7::IID_IDropDown, DISPID_COMBO_DROPDOWN)))
                return E_FAIL;
        }
        if (FAILED(c->put_BtnPositioning(checked(IDC_BTNPOSITIONING) ? 1 : 0)))
            return refuse(IDC_BTNPOSITIONING);
        return S_OK;
    }

    bool OnPageMessage(UINT msg, WPARAM wParam, LPARAM lParam, LONG_PTR *result) override
    {
        if (msg == WM_COMMAND) {
            const int id = LOWORD(static_cast<std::uintptr_t>(wParam));
            if (id >= 236 && id <= 246 && !Filling())
                updatePositioning();
        }
        return ComboPage::OnPageMessage(msg, wParam, lParam, result);
    }

    bool IsChangeNotification(int id, WORD code) const override
    {
        return id >= 236 && id <= 246 && controls::PropertyPageBase::IsChangeNotification(id, code);
    }

private:
    // BtnPositioning matters only while both buttons sit on the same side.
    void updatePositioning()
    {
        EnableWindow(field(IDC_BTNPOSITIONING),
                     listSelection(IDC_SPIN_POSITION) == listSelection(IDC_DROP_POSITION));
    }

    static HRESULT assignCopy(ICombo *c, IUnknown *edited, const IID &iid, DISPID id)
    {
        ComPtr<IUnknown> copy;
        HRESULT hr = controls::CloneThroughStream(edited, iid, &copy);
        if (FAILED(hr) || !copy)
            return E_FAIL;
        ComPtr<IDispatch> disp;
        if (FAILED(copy->QueryInterface(IID_IDispatch, disp.putVoid())))
            return E_FAIL;
        return putRefByDispid(c, id, disp.get());
    }
};

} // namespace

HRESULT createGeneralPage(const IID &iid, void **object)
{
    return createPage<ComboGeneralPage>(iid, object);
}
HRESULT createAppearancePage(const IID &iid, void **object)
{
    return createPage<ComboAppearancePage>(iid, object);
}
HRESULT createFormatPage(const IID &iid, void **object)
{
    return createPage<ComboFormatPage>(iid, object);
}
HRESULT createLookupPage(const IID &iid, void **object)
{
    return createPage<ComboLookupPage>(iid, object);
}
HRESULT createButtonPage(const IID &iid, void **object)
{
    return createPage<ComboButtonPage>(iid, object);
}

} // namespace pickwell
