#include "Controls/common/PropertyPageBase.h"

#include "platform/codepage/codepage.h"
#include "platform/com/objectbase.h"
#include "platform/win/controls.h"
#include "platform/win/messagebox.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace controls {

using namespace platform::win;
using com::HRESULT;
using com::S_FALSE;
using com::S_OK;

namespace {

constexpr UINT kWmStyleChanged = 0x007C;

struct StyleStruct {
    DWORD styleOld;
    DWORD styleNew;
};

// CP932 of a text, a character CP932 cannot hold becoming "?".
std::string ansi(const QString &text)
{
    std::string out;
    for (const QChar c : text) {
        const QString one(c);
        out += platform::codepage::isAnsiEncodable(one) ? platform::codepage::toAnsi(one).toStdString() : "?";
    }
    return out;
}

bool isTabStop(HWND w)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(w, GWL_STYLE));
    return (style & WS_TABSTOP) && !(style & WS_DISABLED) && (style & WS_VISIBLE);
}

// The window inside the page that holds the focus, as a direct child of the page.
HWND directChildOf(HWND page, HWND window)
{
    HWND w = window;
    while (w && GetParent(w) != page)
        w = GetParent(w);
    return w;
}


} // namespace

// ---- helpers

LRESULT SendFieldMessage(const FieldWrapper &field, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return field.hwnd ? SendMessageA(field.hwnd, msg, wParam, lParam) : 0;
}

void ShowPageError(HWND page, const com::ModuleResources &resources, uint32_t stringId)
{
    const QString text = com::LoadString(resources, stringId).left(260);
    const QString caption = com::LoadString(resources, kPageErrorCaptionId);
    MessageBoxA(page, ansi(text).c_str(), ansi(caption).c_str(), MB_OK | MB_ICONERROR);
}

bool IsDescendantWindow(HWND ancestor, HWND window)
{
    if (!window || !ancestor)
        return false;
    for (HWND w = GetParent(window); w; w = GetParent(w))
        if (w == ancestor)
            return true;
    return false;
}

bool NextTabStopWindow(HWND page, UINT direction)
{
    const LRESULT code = SendMessageA(page, WM_GETDLGCODE, 0, 0);
    if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS))
        return true;
    HWND from = GetFocus();
    if (!IsDescendantWindow(page, from))
        return false;
    from = directChildOf(page, from);
    for (HWND w = GetWindow(from, direction); w; w = GetWindow(w, direction))
        if (isTabStop(w))
            return true;
    return false;
}

HRESULT PageTranslateAccelerator(HWND page, IPropertyPageSite *site, MSG *msg)
{
    if (!msg || !IsWindow(page))
        return S_FALSE;
    const bool control = GetKeyState(VK_CONTROL) & 0x8000;
    if (msg->message != WM_KEYDOWN || msg->wParam != static_cast<WPARAM>(VK_TAB) || control)
        return IsDialogMessageA(page, msg) ? S_OK : S_FALSE;
    const bool shift = GetKeyState(VK_SHIFT) & 0x8000;
    const UINT direction = shift ? GW_HWNDPREV : GW_HWNDNEXT;
    const HWND focus = GetFocus();
    if (IsDescendantWindow(page, focus)) {
        if (NextTabStopWindow(page, direction))
            return IsDialogMessageA(page, msg) ? S_OK : S_FALSE;
        const LRESULT def = SendMessageA(page, DM_GETDEFID, 0, 0);
        if (HIWORD(static_cast<std::uintptr_t>(def)) == DC_HASDEFID) {
            const HWND button = GetDlgItem(page, LOWORD(static_cast<std::uintptr_t>(def)));
            if (button && IsWindowEnabled(button))
                SendMessageA(page, WM_NEXTDLGCTL, static_cast<WPARAM>(button), TRUE);
        }
        if (site && site->TranslateAccelerator(msg) == S_OK)
            return S_OK;
        return IsDialogMessageA(page, msg) ? S_OK : S_FALSE;
    }
    // The focus is on the frame: enter the page at its first (last) tab stop.
    HWND w = GetWindow(page, GW_CHILD);
    if (w && shift)
        for (HWND next = GetWindow(w, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
            w = next;
    for (; w; w = GetWindow(w, direction)) {
        if (isTabStop(w)) {
            SendMessageA(page, WM_NEXTDLGCTL, static_cast<WPARAM>(w), TRUE);
            return S_OK;
        }
    }
    return IsDialogMessageA(page, msg) ? S_OK : S_FALSE;
}

void InitNumberField(FieldWrapper &field, HWND window, double minimum, double maximum, int digits)
{
    using namespace numfield;
    field.hwnd = window;
    SendFieldMessage(field, Prepare, 1, 0);
    SendFieldMessage(field, Setup400B, 1, 0);
    SendFieldMessage(field, SetBorderStyle, 1, 0);
    SendFieldMessage(field, SetAppearance, 1, 0);
    SendFieldMessage(field, SetAlignH, 0, 0);
    SendFieldMessage(field, SetAlignV, 2, 0);
    SetFieldMarginTop(field, 0);
    SetFieldMarginBottom(field, 0);
    SendFieldMessage(field, SetMousePointer, 0, 0);
    SendFieldMessage(field, SetButtonLayout, 1, 0);
    SendFieldMessage(field, SetSpinVisible, 0, 0);
    SendFieldMessage(field, SetSpinEnabled, 1, 0);
    com::Variant lo = com::Variant::r8(minimum);
    com::Variant hi = com::Variant::r8(maximum);
    SendFieldMessage(field, SetMinimum, 0, reinterpret_cast<LPARAM>(static_cast<com::VARIANT *>(&lo)));
    SendFieldMessage(field, SetMaximum, 0, reinterpret_cast<LPARAM>(static_cast<com::VARIANT *>(&hi)));
    SendFieldMessage(field, SetIntegerDigits, static_cast<WPARAM>(digits), 0);
    SendFieldMessage(field, Setup300D, 0, 0);
    SendFieldMessage(field, Setup4006, 1, 0);
    SendFieldMessage(field, Setup3019, 0, 0);
    SendFieldMessage(field, SetSpinWrap, 0, 0);
    SendFieldMessage(field, Setup1123, 1, 0);
    SendFieldMessage(field, Setup3017, 0, 0);
}

namespace {
double readR8(const FieldWrapper &field, UINT msg)
{
    com::Variant v;
    v.vt = com::VT_R8;
    v.dblVal = 0;
    SendFieldMessage(field, msg, 0, reinterpret_cast<LPARAM>(static_cast<com::VARIANT *>(&v)));
    if (v.vt == com::VT_R8)
        return v.dblVal;
    com::Variant r;
    if (com::VariantChangeType(&r, &v, 0, com::VT_R8) == S_OK)
        return r.dblVal;
    return 0;
}
} // namespace

double GetNumberFieldValue(const FieldWrapper &field)
{
    return readR8(field, numfield::GetValue);
}

bool IsNumberFieldInRange(const FieldWrapper &field)
{
    const double minimum = readR8(field, numfield::GetMinimum);
    const double maximum = readR8(field, numfield::GetMaximum);
    const double value = readR8(field, numfield::GetValue);
    return minimum <= value && value <= maximum;
}

void SetNumberFieldValue(const FieldWrapper &field, int16_t value)
{
    SendFieldMessage(field, numfield::Prepare, 1, 0);
    com::Variant v = com::Variant::i2(value);
    SendFieldMessage(field, numfield::SetValue, 0, reinterpret_cast<LPARAM>(static_cast<com::VARIANT *>(&v)));
}

int GetFieldMarginTop(const FieldWrapper &field)
{
    return LOWORD(static_cast<std::uintptr_t>(SendFieldMessage(field, numfield::GetMargins, 0, 0)));
}

int GetFieldMarginBottom(const FieldWrapper &field)
{
    return HIWORD(static_cast<std::uintptr_t>(SendFieldMessage(field, numfield::GetMargins, 0, 0)));
}

void SetFieldMarginTop(FieldWrapper &field, int value)
{
    const WORD bottom = static_cast<WORD>(GetFieldMarginBottom(field));
    SendFieldMessage(field, numfield::SetMargins, static_cast<WPARAM>(MAKELONG(static_cast<WORD>(value), bottom)), 0);
}

void SetFieldMarginBottom(FieldWrapper &field, int value)
{
    const WORD top = static_cast<WORD>(GetFieldMarginTop(field));
    SendFieldMessage(field, numfield::SetMargins, static_cast<WPARAM>(MAKELONG(top, static_cast<WORD>(value))), 0);
}

int ParsePredefinedList(const com::ModuleResources &resources, uint32_t stringId, char16_t separator,
                        com::OLECHAR ***texts, DWORD **cookies)
{
    if (texts)
        *texts = nullptr;
    if (cookies)
        *cookies = nullptr;
    if (!texts || !cookies)
        return 0;
    const std::vector<PredefinedEntry> entries = PredefinedEntries(resources, stringId, separator);
    if (entries.empty())
        return 0;
    auto *outTexts = static_cast<com::OLECHAR **>(com::CoTaskMemAlloc(kMaxPredefinedEntries * sizeof(com::OLECHAR *)));
    auto *outCookies = static_cast<DWORD *>(com::CoTaskMemAlloc(kMaxPredefinedEntries * sizeof(DWORD)));
    if (!outTexts || !outCookies) {
        com::CoTaskMemFree(outTexts);
        com::CoTaskMemFree(outCookies);
        return 0;
    }
    int count = 0;
    for (const PredefinedEntry &e : entries) {
        outTexts[count] = com::CoTaskMemString(e.text);
        outCookies[count] = e.cookie;
        ++count;
    }
    *texts = outTexts;
    *cookies = outCookies;
    return count;
}

std::vector<PredefinedEntry> PredefinedEntries(const com::ModuleResources &resources, uint32_t stringId,
                                               char16_t separator)
{
    std::vector<PredefinedEntry> out;
    const std::u16string text = com::LoadString(resources, stringId).left(kMaxPredefinedChars).toStdU16String();
    size_t pos = 0;
    while (pos < text.size() && int(out.size()) < kMaxPredefinedEntries) {
        size_t end = text.find(separator, pos);
        if (end == std::u16string::npos)
            end = text.size();
        const std::u16string entry = text.substr(pos, end - pos);
        DWORD cookie = static_cast<DWORD>(out.size());
        if (separator == u',') {
            // The number before the first "-"; an entry without one (or
            // starting with it) keeps its position.
            const size_t dash = entry.find(u'-');
            if (dash != std::u16string::npos && dash > 0) {
                long long n = 0;
                size_t i = 0;
                while (i < dash && entry[i] == u' ')
                    ++i;
                if (i < dash && (entry[i] == u'+')) {
                    ++i;
                }
                bool digits = false;
                while (i < dash && entry[i] >= u'0' && entry[i] <= u'9') {
                    n = std::min<long long>(n * 10 + (entry[i] - u'0'), 0xFFFFFFFFll);
                    digits = true;
                    ++i;
                }
                if (digits)
                    cookie = static_cast<DWORD>(n);
            }
        }
        out.push_back({QString::fromStdU16String(entry), cookie});
        pos = end + 1;
    }
    return out;
}

// ---- the page base

PropertyPageBase::PropertyPageBase(ComModule &module, int templateId, uint32_t titleStringId)
    : ObjectRoot(module), m_templateId(templateId), m_titleStringId(titleStringId)
{
}

PropertyPageBase::~PropertyPageBase()
{
    if (m_hwnd && IsWindow(m_hwnd)) {
        SetWindowLongPtrA(m_hwnd, DWLP_USER, 0);
        DestroyWindow(m_hwnd);
    }
}

HRESULT PropertyPageBase::QueryInterface(const com::IID &iid, void **object)
{
    return com::queryInterfaceIn(this, iid, object,
                                 {{com::IID_IUnknown, static_cast<IPropertyPage *>(this)},
                                  {IID_IPropertyPage, static_cast<IPropertyPage *>(this)},
                                  {IID_IPropertyPage2, static_cast<IPropertyPage2 *>(this)}});
}

HRESULT PropertyPageBase::SetPageSite(IPropertyPageSite *site)
{
    if (site && m_site)
        return com::E_UNEXPECTED;
    m_site = site;
    return S_OK;
}

const DialogTemplate *PropertyPageBase::PageTemplate() const
{
    return FindDialogTemplate(Instance(), m_templateId);
}

HRESULT PropertyPageBase::Activate(HWND parent, const RECT *rect, BOOL)
{
    if (m_hwnd)
        return com::E_UNEXPECTED;
    const DialogTemplate *found = PageTemplate();
    if (!found || !IsWindow(parent))
        return com::E_FAIL;
    // A page is a control-parent child of the frame's window.
    DialogTemplate tmpl = *found;
    tmpl.style = (tmpl.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE)) | WS_CHILD
        | DS_CONTROL;
    tmpl.exStyle |= WS_EX_CONTROLPARENT;
    tmpl.x = 0;
    tmpl.y = 0;
    AddRef(); // the page stays alive while its window makes itself
    const HWND hwnd = CreateDialogIndirectParamA(Instance(), &tmpl, parent, &PropertyPageBase::DialogProc,
                                                 reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        Release();
        return com::E_FAIL;
    }
    m_hwnd = hwnd;
    if (rect)
        SetWindowPos(hwnd, 0, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    Refill();
    Release();
    return S_OK;
}

HRESULT PropertyPageBase::Deactivate()
{
    if (!m_hwnd)
        return S_OK;
    OnDeactivate();
    const HWND hwnd = std::exchange(m_hwnd, 0);
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    DestroyWindow(hwnd);
    return S_OK;
}

HRESULT PropertyPageBase::GetPageInfo(PROPPAGEINFO *info)
{
    if (!info)
        return com::E_POINTER;
    const DialogTemplate *tmpl = PageTemplate();
    if (!tmpl)
        return com::E_FAIL;
    *info = PROPPAGEINFO{};
    info->pszTitle = com::CoTaskMemString(Module().loadString(m_titleStringId));
    // Dialog units to pixels with the template's own font.
    const LONG units = GetDialogBaseUnits();
    int baseX = LOWORD(static_cast<std::uintptr_t>(units));
    int baseY = HIWORD(static_cast<std::uintptr_t>(units));
    RECT r{0, 0, tmpl->cx, tmpl->cy};
    // MapDialogRect needs a dialog; a hidden probe gives the font's units.
    DialogTemplate probe;
    probe.style = WS_POPUP | DS_SETFONT;
    probe.fontName = tmpl->fontName;
    probe.pointSize = tmpl->pointSize;
    if (tmpl->style & DS_SETFONT) {
        if (const HWND p = CreateDialogIndirectParamA(Instance(), &probe, 0, nullptr, 0)) {
            MapDialogRect(p, &r);
            DestroyWindow(p);
            info->size = SIZE{r.right, r.bottom};
            return S_OK;
        }
    }
    info->size = SIZE{tmpl->cx * baseX / 4, tmpl->cy * baseY / 8};
    return S_OK;
}

HRESULT PropertyPageBase::SetObjects(ULONG count, com::IUnknown **objects)
{
    if (count && !objects)
        return com::E_POINTER;
    std::vector<com::ComPtr<com::IUnknown>> kept;
    for (ULONG i = 0; i < count; ++i)
        kept.emplace_back(objects[i]);
    m_objects = std::move(kept);
    // The page may already show another object: fill it from the first one again.
    if (m_hwnd && count)
        Refill();
    return S_OK;
}

com::IUnknown *PropertyPageBase::Object(ULONG index) const
{
    return index < m_objects.size() ? m_objects[index].get() : nullptr;
}

HRESULT PropertyPageBase::Show(UINT cmdShow)
{
    if (!m_hwnd)
        return com::E_UNEXPECTED;
    ShowWindow(m_hwnd, static_cast<int>(cmdShow));
    return S_OK;
}

HRESULT PropertyPageBase::Move(const RECT *rect)
{
    if (!rect)
        return com::E_POINTER;
    if (!m_hwnd)
        return com::E_UNEXPECTED;
    SetWindowPos(m_hwnd, 0, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT PropertyPageBase::IsPageDirty()
{
    return m_dirty ? S_OK : S_FALSE;
}

HRESULT PropertyPageBase::Apply()
{
    if (!m_dirty)
        return S_OK;
    com::ComPtr<IPropertyPage> keep(this);
    const HRESULT hr = ApplyFields();
    if (com::FAILED(hr))
        return hr;
    m_dirty = false;
    return S_OK;
}

HRESULT PropertyPageBase::TranslateAccelerator(MSG *msg)
{
    if (!m_hwnd)
        return S_FALSE;
    return PageTranslateAccelerator(m_hwnd, m_site.get(), msg);
}

void PropertyPageBase::SetDirty(bool dirty)
{
    m_dirty = dirty;
    if (m_site)
        m_site->OnStatusChange(dirty ? PROPPAGESTATUS_DIRTY : PROPPAGESTATUS_CLEAN);
}

void PropertyPageBase::ShowError(uint32_t stringId) const
{
    ShowPageError(m_hwnd, Module().resources(), stringId);
}

HRESULT PropertyPageBase::RefuseField(HWND field, bool selectText)
{
    ShowError(kInvalidValueStringId);
    if (field && IsWindow(field)) {
        if (selectText)
            SendMessageA(field, EM_SETSEL, 0, -1);
        SetFocus(field);
    }
    return com::E_FAIL;
}

void PropertyPageBase::Refill()
{
    if (!m_hwnd)
        return;
    const bool was = std::exchange(m_filling, true);
    FillFields();
    m_filling = was;
}

bool PropertyPageBase::IsChangeNotification(int, WORD code) const
{
    return code == BN_CLICKED || code == CBN_SELCHANGE || code == EN_CHANGE;
}

bool PropertyPageBase::OnPageMessage(UINT, WPARAM, LPARAM, LONG_PTR *)
{
    return false;
}

LONG_PTR PropertyPageBase::DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        auto *page = reinterpret_cast<PropertyPageBase *>(lParam);
        if (!page)
            return TRUE;
        page->m_hwnd = dlg;
        const bool was = std::exchange(page->m_filling, true);
        page->OnInitPage();
        page->m_filling = was;
        return TRUE;
    }
    auto *page = reinterpret_cast<PropertyPageBase *>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (!page)
        return FALSE;
    return page->handle(msg, wParam, lParam);
}

LONG_PTR PropertyPageBase::handle(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LONG_PTR result = 0;
    if (OnPageMessage(msg, wParam, lParam, &result)) {
        if (m_hwnd)
            SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    switch (msg) {
    case kWmStyleChanged:
        // Dialog navigation enters the page only as a control parent.
        if (static_cast<int>(wParam) == GWL_EXSTYLE && lParam) {
            auto *ss = reinterpret_cast<StyleStruct *>(lParam);
            ss->styleNew |= WS_EX_CONTROLPARENT;
            const LONG_PTR now = GetWindowLongPtrA(m_hwnd, GWL_EXSTYLE);
            if (!(now & WS_EX_CONTROLPARENT))
                SetWindowLongPtrA(m_hwnd, GWL_EXSTYLE, now | WS_EX_CONTROLPARENT);
        }
        return FALSE;
    case WM_COMMAND: {
        const WORD code = HIWORD(static_cast<std::uintptr_t>(wParam));
        const int id = LOWORD(static_cast<std::uintptr_t>(wParam));
        if (!m_filling && IsChangeNotification(id, code))
            SetDirty(true);
        return FALSE;
    }
    default:
        return FALSE;
    }
}

} // namespace controls
