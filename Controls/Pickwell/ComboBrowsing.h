#pragma once
// What the combo tells a property browser: display strings and predefined
// choices of its enumerated properties (IPerPropertyBrowsing), the category
// of each property (ICategorizeProperties) and its property pages
// (ISpecifyPropertyPages). The texts are the string-table lists
// "n - text,n - text" (Format: the "?"-separated mask templates).
//
// ComboBrowsing lives inside zoCombo and shares its identity: its IUnknown
// is the control's.
#include "Controls/common/PropertyPageBase.h"
#include "platform/com/automation.h"
#include "platform/win/ole/oleidl.h"

#include <QString>

#include <vector>

namespace pickwell {

namespace com = platform::com;
namespace win = platform::win;
using com::HRESULT;

class zoCombo;

// Property categories of the browser (PROPCAT_).
using PROPCAT = int32_t;
constexpr PROPCAT PROPCAT_Nil = -1;
constexpr PROPCAT PROPCAT_Misc = -2;
constexpr PROPCAT PROPCAT_Font = -3;
constexpr PROPCAT PROPCAT_Position = -4;
constexpr PROPCAT PROPCAT_Appearance = -5;
constexpr PROPCAT PROPCAT_Behavior = -6;
constexpr PROPCAT PROPCAT_Data = -7;
constexpr PROPCAT PROPCAT_List = -8;
constexpr PROPCAT PROPCAT_Text = -9;
constexpr PROPCAT PROPCAT_Scale = -10;
constexpr PROPCAT PROPCAT_DDE = -11;

struct ICategorizeProperties : com::IUnknown {
    virtual HRESULT MapPropertyToCategory(com::DISPID id, PROPCAT *category) = 0;
    virtual HRESULT GetCategoryName(PROPCAT category, com::LCID locale, com::BSTR *name) = 0;
};
extern const com::IID IID_ICategorizeProperties;

// The combo's own categories and the strings that name them.
constexpr PROPCAT kCategoryFormat = 1; // string 131
constexpr PROPCAT kCategoryData = 2;   // string 132

// One entry of a predefined list: its display string (the whole entry) and
// its cookie.
using controls::PredefinedEntry;

// Splits the module's string stringId at separator: with ',' each entry
// "n - text" has the number before its first '-' as cookie (an entry without
// a number there gets its position); with '?' the cookies are the
// positions. At most 40 entries of a string of at most 512 characters.
std::vector<PredefinedEntry> ComboPredefinedList(uint32_t stringId, char16_t separator);
// The first count entries of a list as a page's drop-down list shows them.
QStringList ComboListTexts(uint32_t stringId, int count, char16_t separator = u',');

// The browse table: dispid -> list string id (negative: "?"-separated, the
// texts are the values). 0 for a dispid not in the table.
int32_t BrowseListOf(com::DISPID id);
// The property category of a dispid; false when it has none.
bool PropertyCategoryOf(com::DISPID id, PROPCAT *category);

class ComboBrowsing final : public win::IPerPropertyBrowsing,
                            public ICategorizeProperties,
                            public win::ISpecifyPropertyPages {
public:
    explicit ComboBrowsing(zoCombo &owner) : m_owner(owner) {}

    // The control's identity.
    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IPerPropertyBrowsing
    HRESULT GetDisplayString(com::DISPID id, com::BSTR *text) override;
    HRESULT MapPropertyToPage(com::DISPID id, com::CLSID *page) override;
    HRESULT GetPredefinedStrings(com::DISPID id, win::CALPOLESTR *strings, win::CADWORD *cookies) override;
    HRESULT GetPredefinedValue(com::DISPID id, win::DWORD cookie, com::VARIANT *value) override;

    // ICategorizeProperties
    HRESULT MapPropertyToCategory(com::DISPID id, PROPCAT *category) override;
    HRESULT GetCategoryName(PROPCAT category, com::LCID locale, com::BSTR *name) override;

    // ISpecifyPropertyPages: General, Appearance, Format, Lookup, Button, ItemEditor.
    HRESULT GetPages(win::CAUUID *pages) override;

private:
    // The property's current value as the control holds it; -1 for Format.
    int32_t currentValue(com::DISPID id) const;

    zoCombo &m_owner;
};

} // namespace pickwell
