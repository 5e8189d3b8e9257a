#include "Controls/Pickwell/ComboBrowsing.h"

#include "Controls/Pickwell/ComboControl.h"
#include "Controls/Pickwell/ComboPageIds.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/codepage/codepage.h"

#include <algorithm>
#include <memory>

namespace pickwell {

using namespace platform::com;

// {4D07FC10-F931-11CE-B001-00AA006884E5}
const IID IID_ICategorizeProperties = {0x4D07FC10, 0xF931, 0x11CE, {0xB0, 0x01, 0x00, 0xAA, 0x00, 0x68, 0x84, 0xE5}};

namespace {

constexpr int kMaxCategoryBytes = 64;

struct BrowseRow {
    DISPID id;
    int32_t list;
};

// dispid -> list string id; negative: "?"-separated, texts as values.
constexpr BrowseRow kBrowseTable[] = {
    {DISPID_ALIGNHORIZONTAL, 106}, {DISPID_ALIGNVERTICAL, 107},   {DISPID_CLIPMODE, 108},
    {DISPID_EDITMODE, 110},        {DISPID_IMEMODE, 114},         {DISPID_MOVEONLRKEY, 112},
    {DISPID_OLEDRAGMODE, 116},     {DISPID_OLEDROPMODE, 117},     {DISPID_SHOWLITERALS, 102},
    {DISPID_DATAPROPERTY, 113},    {DISPID_FORMAT, -119},         {DISPID_HIGHLIGHTTEXT, 103},
    {DISPID_IMESTATUS, 115},       {DISPID_LOOKUPMODE, 118},      {DISPID_TABACTION, 101},
    {DISPID_LISTBOXSTYLE, 109},    {DISPID_IMAGEALIGN, 120},      {DISPID_STYLE, 123},
    {DISPID_SCROLLBARMODE, 122},   {DISPID_SORTBY, 124},          {DISPID_SORTORDER, 125},
    {DISPID_TEXTBOXSTYLE, 121},    {DISPID_BTNPOSITIONING, 128},  {DISPID_STD_MOUSEPOINTER, 111},
    {DISPID_STD_APPEARANCE, 104},  {DISPID_STD_BORDERSTYLE, 105},
};

struct CategoryRow {
    DISPID id;
    PROPCAT category;
};

constexpr CategoryRow kCategoryTable[] = {
    {DISPID_ALLOWSPACE, kCategoryFormat},
    {DISPID_FORMAT, kCategoryFormat},
    {DISPID_LOOKUPMODE, kCategoryFormat},
    {DISPID_LOOKUPTABLE, kCategoryFormat},
    {DISPID_TEXT, kCategoryData},
    {DISPID_COMBO_VALUE, kCategoryData},
    {DISPID_ALIGNHORIZONTAL, PROPCAT_Appearance},
    {DISPID_ALIGNVERTICAL, PROPCAT_Appearance},
    {DISPID_STD_APPEARANCE, PROPCAT_Appearance},
    {DISPID_STD_BACKCOLOR, PROPCAT_Appearance},
    {DISPID_STD_BORDERSTYLE, PROPCAT_Appearance},
    {DISPID_BTNPOSITIONING, PROPCAT_Appearance},
    {DISPID_STD_FORECOLOR, PROPCAT_Appearance},
    {DISPID_MARGINLEFT, PROPCAT_Appearance},
    {DISPID_MARGINBOTTOM, PROPCAT_Appearance},
    {DISPID_MARGINTOP, PROPCAT_Appearance},
    {DISPID_MARGINRIGHT, PROPCAT_Appearance},
    {DISPID_ERRORBEEP, PROPCAT_Behavior},
    {DISPID_OLEDRAGMODE, PROPCAT_Behavior},
    {DISPID_OLEDROPMODE, PROPCAT_Behavior},
    {DISPID_READONLY, PROPCAT_Behavior},
    {DISPID_DATAPROPERTY, PROPCAT_Data},
    {DISPID_STD_FONT, PROPCAT_Font},
};

} // namespace

std::vector<PredefinedEntry> ComboPredefinedList(uint32_t stringId, char16_t separator)
{
    return controls::PredefinedEntries(module().resources(), stringId, separator);
}

QStringList ComboListTexts(uint32_t stringId, int count, char16_t separator)
{
    QStringList out;
    const QString text = module().loadString(stringId).left(1024);
    int start = 0;
    while (start < text.size() && out.size() < count) {
        int end = text.indexOf(QChar(separator), start);
        if (end < 0)
            end = int(text.size());
        out << text.mid(start, end - start);
        start = end + 1;
    }
    return out;
}

int32_t BrowseListOf(DISPID id)
{
    for (const BrowseRow &r : kBrowseTable)
        if (r.id == id)
            return r.list;
    return 0;
}

bool PropertyCategoryOf(DISPID id, PROPCAT *category)
{
    for (const CategoryRow &r : kCategoryTable)
        if (r.id == id) {
            *category = r.category;
            return true;
        }
    return false;
}

// ---- identity

HRESULT ComboBrowsing::QueryInterface(const IID &iid, void **object)
{
    return m_owner.QueryInterface(iid, object);
}

uint32_t ComboBrowsing::AddRef()
{
    return m_owner.AddRef();
}

uint32_t ComboBrowsing::Release()
{
    return m_owner.Release();
}

int32_t ComboBrowsing::currentValue(DISPID id) const
{
    const ComboSettings &s = m_owner.settings();
    switch (id) {
    case DISPID_ALIGNHORIZONTAL: return s.alignHorizontal;
    case DISPID_ALIGNVERTICAL: return s.alignVertical;
    case DISPID_CLIPMODE: return s.clipMode;
    case DISPID_EDITMODE: return s.editMode;
    case DISPID_IMEMODE: return s.imeMode;
    case DISPID_MOVEONLRKEY: return s.moveOnLRKey;
    case DISPID_OLEDRAGMODE: return s.oleDragMode;
    case DISPID_OLEDROPMODE: return s.oleDropMode;
    case DISPID_SHOWLITERALS: return s.showLiterals;
    case DISPID_DATAPROPERTY: return s.dataProperty;
    case DISPID_HIGHLIGHTTEXT: return s.highlightText;
    case DISPID_IMESTATUS: return s.imeStatus;
    case DISPID_LOOKUPMODE: return s.lookupMode;
    case DISPID_TABACTION: return s.tabAction;
    case DISPID_LISTBOXSTYLE: return s.listBoxStyle;
    case DISPID_IMAGEALIGN: return s.imageAlign;
    case DISPID_STYLE: return s.style;
    case DISPID_SCROLLBARMODE: return s.scrollBarMode;
    case DISPID_SORTBY: return s.sortBy;
    case DISPID_SORTORDER: return s.sortOrder;
    case DISPID_TEXTBOXSTYLE: return s.textBoxStyle;
    case DISPID_BTNPOSITIONING: return s.btnPositioning;
    case DISPID_STD_MOUSEPOINTER: return s.mousePointer;
    case DISPID_STD_APPEARANCE: return s.appearance;
    case DISPID_STD_BORDERSTYLE: return s.borderStyle;
    default: return -1; // Format has no display string of its own
    }
}

// ---- IPerPropertyBrowsing

HRESULT ComboBrowsing::GetDisplayString(DISPID id, BSTR *text)
{
    if (!text)
        return E_POINTER;
    *text = nullptr;
    const int32_t list = BrowseListOf(id);
    const int32_t current = currentValue(id);
    if (!list || current == -1)
        return E_NOTIMPL;
    const std::vector<PredefinedEntry> entries =
        ComboPredefinedList(uint32_t(list < 0 ? -list : list), list < 0 ? u'?' : u',');
    const PredefinedEntry *shown = nullptr;
    for (const PredefinedEntry &e : entries)
        if (e.cookie == uint32_t(current)) {
            shown = &e;
            break;
        }
    // Without a matching cookie the value is taken as a position; a value
    // that is neither leaves the display to the browser.
    if (!shown && current >= 0 && size_t(current) < entries.size())
        shown = &entries[size_t(current)];
    if (!shown)
        return E_NOTIMPL;
    *text = SysAllocQString(shown->text);
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT ComboBrowsing::MapPropertyToPage(DISPID, CLSID *)
{
    return E_NOTIMPL;
}

HRESULT ComboBrowsing::GetPredefinedStrings(DISPID id, win::CALPOLESTR *strings, win::CADWORD *cookies)
{
    if (!strings || !cookies)
        return E_POINTER;
    const int32_t list = BrowseListOf(id);
    if (!list)
        return E_NOTIMPL;
    const std::vector<PredefinedEntry> entries =
        ComboPredefinedList(uint32_t(list < 0 ? -list : list), list < 0 ? u'?' : u',');
    if (entries.empty())
        return E_NOTIMPL;
    QStringList texts;
    std::vector<win::DWORD> values;
    for (const PredefinedEntry &e : entries) {
        texts << e.text;
        values.push_back(e.cookie);
    }
    return win::FillPredefinedStrings(texts, values, strings, cookies);
}

HRESULT ComboBrowsing::GetPredefinedValue(DISPID id, win::DWORD cookie, VARIANT *value)
{
    if (!value)
        return E_POINTER;
    const int32_t list = BrowseListOf(id);
    if (!list)
        return E_NOTIMPL;
    if (list > 0) {
        VariantClear(value);
        value->vt = VT_I4;
        value->lVal = int32_t(cookie);
        return S_OK;
    }
    // A template: its text becomes the value.
    const std::vector<PredefinedEntry> entries = ComboPredefinedList(uint32_t(-list), u'?');
    if (cookie >= entries.size())
        return E_INVALIDARG;
    VariantClear(value);
    value->vt = VT_BSTR;
    value->bstrVal = SysAllocQString(entries[cookie].text);
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}

// ---- ICategorizeProperties

HRESULT ComboBrowsing::MapPropertyToCategory(DISPID id, PROPCAT *category)
{
    if (!category)
        return E_POINTER;
    return PropertyCategoryOf(id, category) ? S_OK : E_NOTIMPL;
}

HRESULT ComboBrowsing::GetCategoryName(PROPCAT category, LCID, BSTR *name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    uint32_t stringId = 0;
    if (category == kCategoryFormat)
        stringId = 131;
    else if (category == kCategoryData)
        stringId = 132;
    else
        return E_NOTIMPL;
    // The name as the string table holds it, at most 64 bytes in ANSI.
    QString text = module().loadString(stringId);
    while (!text.isEmpty() && platform::codepage::toAnsi(text).size() > kMaxCategoryBytes)
        text.chop(1);
    *name = SysAllocQString(text);
    return *name ? S_OK : E_OUTOFMEMORY;
}

// ---- ISpecifyPropertyPages

HRESULT ComboBrowsing::GetPages(win::CAUUID *pages)
{
    if (!pages)
        return E_POINTER;
    static const CLSID *const kPages[] = {&CLSID_ComboGeneralPage, &CLSID_ComboAppearancePage,
                                          &CLSID_ComboFormatPage,  &CLSID_ComboLookupPage,
                                          &CLSID_ComboButtonPage,  &CLSID_ComboItemEditorPage};
    constexpr size_t n = std::size(kPages);
    auto *ids = static_cast<GUID *>(CoTaskMemAlloc(n * sizeof(GUID)));
    if (!ids) {
        pages->cElems = 0;
        pages->pElems = nullptr;
        return E_OUTOFMEMORY;
    }
    for (size_t i = 0; i < n; ++i)
        ids[i] = *kPages[i];
    pages->cElems = win::ULONG(n);
    pages->pElems = ids;
    return S_OK;
}

} // namespace pickwell
