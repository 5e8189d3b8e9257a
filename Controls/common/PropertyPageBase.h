#pragma once
// The suite's property pages: the helpers every page of both libraries uses
// (Tab between the page and the frame, the refused-value message, the
// numeric field of zobase7, predefined lists for property browsing) and the
// page base class, an IPropertyPage2 over a dialog template of the module.
//
// A page derives from PropertyPageBase, gives its module, template id and
// title string id, fills its fields in FillFields (from Object(0)) and puts
// them in ApplyFields. Field change notifications (BN_CLICKED,
// CBN_SELCHANGE, EN_CHANGE, and CBN_EDITCHANGE where IsChangeNotification
// says so) mark the page dirty and tell the site, except while Filling().
#include "Controls/common/ComModule.h"
#include "platform/win/dialog.h"
#include "platform/win/ole/proppage.h"
#include "zobase7/RyxNumberProtocol.h"

#include <vector>

namespace controls {

namespace win = platform::win;

// String ids the pages share.
constexpr uint32_t kPageErrorCaptionId = 8003; // "ﾌﾟﾛﾊﾟﾃｨｴﾗｰ"
constexpr uint32_t kInvalidValueStringId = 151; // "ﾌﾟﾛﾊﾟﾃｨ の値が不正です。"

// Messages of the suite's numeric field ("RyxNumberLgtX").
namespace numfield = zobase7::number;

// CBN_EDITCHANGE, for pages whose combos report typing as a change.
constexpr win::WORD kComboEditChange = 5;

// One field of a page: its window, or 0.
struct FieldWrapper {
    win::HWND hwnd = 0;
};

// Sends through the wrapper; 0 when it holds no window.
win::LRESULT SendFieldMessage(const FieldWrapper &field, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

// The refused-value box: text of stringId (at most 260 characters), caption
// string 8003, error icon, owned by the page.
void ShowPageError(win::HWND page, const com::ModuleResources &resources, uint32_t stringId);

// True when the parent chain of window reaches ancestor (not for ancestor itself or 0).
bool IsDescendantWindow(win::HWND ancestor, win::HWND window);
// Whether the focus can move inside the page in the direction (GW_HWNDNEXT or GW_HWNDPREV).
bool NextTabStopWindow(win::HWND page, win::UINT direction);
// Each page's TranslateAccelerator: S_OK when the key was used.
com::HRESULT PageTranslateAccelerator(win::HWND page, win::IPropertyPageSite *site, win::MSG *msg);

// Configures a numeric field and keeps it in the wrapper.
void InitNumberField(FieldWrapper &field, win::HWND window, double minimum, double maximum, int digits);
double GetNumberFieldValue(const FieldWrapper &field);
bool IsNumberFieldInRange(const FieldWrapper &field);
// Puts a value the way the pages do: 0x1159 (1), then 0x3007 with a VT_I2.
void SetNumberFieldValue(const FieldWrapper &field, int16_t value);

int GetFieldMarginTop(const FieldWrapper &field);
int GetFieldMarginBottom(const FieldWrapper &field);
void SetFieldMarginTop(FieldWrapper &field, int value);
void SetFieldMarginBottom(FieldWrapper &field, int value);

// Splits the string-table list stringId of the module at separator (","
// for "n - text" entries, "?" for entries numbered by position). texts and
// cookies receive CoTaskMemAlloc'ed arrays of at most 40 entries (the
// strings also from CoTaskMemAlloc; the caller frees all). Returns the
// count; 0 with null arrays when the string is missing.
int ParsePredefinedList(const com::ModuleResources &resources, uint32_t stringId, char16_t separator,
                        com::OLECHAR ***texts, win::DWORD **cookies);
constexpr int kMaxPredefinedEntries = 40;
constexpr int kMaxPredefinedChars = 512;

// The same list as entries: each entry's text and cookie.
struct PredefinedEntry {
    QString text;
    uint32_t cookie = 0;
};
std::vector<PredefinedEntry> PredefinedEntries(const com::ModuleResources &resources, uint32_t stringId,
                                               char16_t separator);

class PropertyPageBase : public win::IPropertyPage2, public ObjectRoot {
public:
    // The module gives the strings and the instance its templates are
    // registered under (its address, as the libraries' HINSTANCE).
    PropertyPageBase(ComModule &module, int templateId, uint32_t titleStringId);

    // IUnknown
    com::HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return addRef(); }
    uint32_t Release() override { return release(); }

    // IPropertyPage
    com::HRESULT SetPageSite(win::IPropertyPageSite *site) override;
    com::HRESULT Activate(win::HWND parent, const win::RECT *rect, win::BOOL modal) override;
    com::HRESULT Deactivate() override;
    com::HRESULT GetPageInfo(win::PROPPAGEINFO *info) override;
    // PageSetObjects: keeps the objects and refills an existing page window.
    com::HRESULT SetObjects(win::ULONG count, com::IUnknown **objects) override;
    com::HRESULT Show(win::UINT cmdShow) override;
    com::HRESULT Move(const win::RECT *rect) override;
    com::HRESULT IsPageDirty() override;
    // Runs ApplyFields while dirty; success clears the dirty flag.
    com::HRESULT Apply() override;
    com::HRESULT Help(const com::OLECHAR *) override { return com::E_NOTIMPL; }
    com::HRESULT TranslateAccelerator(win::MSG *msg) override;
    // IPropertyPage2
    com::HRESULT EditProperty(com::DISPID) override { return com::E_NOTIMPL; }

    win::HWND PageWindow() const { return m_hwnd; }
    win::IPropertyPageSite *PageSite() const { return m_site.get(); }
    win::ULONG ObjectCount() const { return static_cast<win::ULONG>(m_objects.size()); }
    com::IUnknown *Object(win::ULONG index) const;
    bool IsDirty() const { return m_dirty; }
    // Marks the page dirty (and tells the site) or clean.
    void SetDirty(bool dirty);
    bool Filling() const { return m_filling; }
    ComModule &Module() const { return owningModule(); }
    win::HINSTANCE Instance() const { return reinterpret_cast<win::HINSTANCE>(&owningModule()); }
    // ShowPageError with this module's strings, owned by the page.
    void ShowError(uint32_t stringId) const;
    // The common refusal: message 151, select a text field's text, focus the field; returns E_FAIL.
    com::HRESULT RefuseField(win::HWND field, bool selectText = true);

protected:
    ~PropertyPageBase() override;

    // The page's dialog template: by default the one registered for the
    // module under the template id.
    virtual const win::DialogTemplate *PageTemplate() const;
    // WM_INITDIALOG: lists, number fields (not values).
    virtual void OnInitPage() {}
    // Fills the fields from Object(0); runs with Filling() set.
    virtual void FillFields() {}
    // Puts the fields into the objects; E_FAIL after RefuseField.
    virtual com::HRESULT ApplyFields() { return com::S_OK; }
    // Whether a WM_COMMAND notification marks the page dirty.
    virtual bool IsChangeNotification(int id, win::WORD code) const;
    // Other messages of the page window: true when handled, with *result.
    virtual bool OnPageMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LONG_PTR *result);
    // Before the window goes and after it is made.
    virtual void OnDeactivate() {}

    // Refills the page (FillFields with Filling() set) when it has a window.
    void Refill();

private:
    static win::LONG_PTR DialogProc(win::HWND, win::UINT, win::WPARAM, win::LPARAM);
    win::LONG_PTR handle(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

    int m_templateId;
    uint32_t m_titleStringId;
    com::ComPtr<win::IPropertyPageSite> m_site;
    std::vector<com::ComPtr<com::IUnknown>> m_objects;
    win::HWND m_hwnd = 0;
    bool m_dirty = false;
    bool m_filling = false;
};

} // namespace controls
