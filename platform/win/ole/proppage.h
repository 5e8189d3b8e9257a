#pragma once
// Property pages and the property frame: the page interfaces a control
// library's pages answer, the site the frame gives each page, the page
// information record, and OleCreatePropertyFrame (propframe.h).
#include "platform/win/ole/oleidl.h"

#include <initializer_list>
#include <utility>

namespace platform::win {

// What a page reports to its site through OnStatusChange.
constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;
constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x2;
constexpr DWORD PROPPAGESTATUS_CLEAN = 0x4;

// A page's title and size (pixels); the strings come from CoTaskMemAlloc and
// the caller frees them.
struct PROPPAGEINFO {
    ULONG cb = sizeof(PROPPAGEINFO);
    com::OLECHAR *pszTitle = nullptr;
    SIZE size{};
    com::OLECHAR *pszDocString = nullptr;
    com::OLECHAR *pszHelpFile = nullptr;
    DWORD dwHelpContext = 0;
};

// The frame's side of a page.
struct IPropertyPageSite : com::IUnknown {
    virtual com::HRESULT OnStatusChange(DWORD flags) = 0;
    virtual com::HRESULT GetLocaleID(com::LCID *locale) = 0;
    virtual com::HRESULT GetPageContainer(com::IUnknown **container) = 0;
    // Keys the page does not use: S_OK when the frame took the key.
    virtual com::HRESULT TranslateAccelerator(MSG *msg) = 0;
};

struct IPropertyPage : com::IUnknown {
    virtual com::HRESULT SetPageSite(IPropertyPageSite *site) = 0;
    // Makes the page window, a child of parent at rect; modal is TRUE for a
    // modal frame.
    virtual com::HRESULT Activate(HWND parent, const RECT *rect, BOOL modal) = 0;
    virtual com::HRESULT Deactivate() = 0;
    virtual com::HRESULT GetPageInfo(PROPPAGEINFO *info) = 0;
    virtual com::HRESULT SetObjects(ULONG count, com::IUnknown **objects) = 0;
    virtual com::HRESULT Show(UINT cmdShow) = 0;
    virtual com::HRESULT Move(const RECT *rect) = 0;
    // S_OK when dirty, S_FALSE when clean.
    virtual com::HRESULT IsPageDirty() = 0;
    virtual com::HRESULT Apply() = 0;
    virtual com::HRESULT Help(const com::OLECHAR *helpDir) = 0;
    // S_OK when the page used the key, S_FALSE otherwise.
    virtual com::HRESULT TranslateAccelerator(MSG *msg) = 0;
};

struct IPropertyPage2 : IPropertyPage {
    // Focuses the field of a property.
    virtual com::HRESULT EditProperty(com::DISPID id) = 0;
};

inline constexpr com::IID IID_IPropertyPage{0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr com::IID IID_IPropertyPage2{0x01E44665, 0x24AC, 0x101B, {0x84, 0xED, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
inline constexpr com::IID IID_IPropertyPageSite{0xB196B28C, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

// What the stock colour page edits: an object lists its OLE_COLOR
// properties (names and dispids, CoTaskMemAlloc'ed, the caller frees them);
// the page reads and puts them through the object's IDispatch.
struct IColorPropertyList : com::IUnknown {
    virtual com::HRESULT GetColorProperties(CALPOLESTR *names, CADWORD *dispids) = 0;
};
inline constexpr com::IID IID_IColorPropertyList{0x5C0B6E21, 0x4D7A, 0x4F3E, {0x9A, 0x61, 0x2B, 0x7C, 0x10, 0xE4, 0x53, 0x8D}};

// Fills the two arrays from (name, dispid) pairs, for IColorPropertyList implementations.
com::HRESULT MakeColorPropertyList(std::initializer_list<std::pair<const char16_t *, com::DISPID>> members,
                                   CALPOLESTR *names, CADWORD *dispids);

// The stock colour page.
inline constexpr com::CLSID CLSID_StockColorPage{0x7EBDAAE1, 0x8120, 0x11CF, {0x89, 0x9F, 0x00, 0xAA, 0x00, 0x68, 0x8B, 0x10}};

} // namespace platform::win
