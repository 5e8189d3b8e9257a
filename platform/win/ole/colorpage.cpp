// The stock colour page: the OLE_COLOR properties of the first object (from
// its IColorPropertyList) in a list, the system colours in a second list
// and a palette of sixteen colours. Choosing a colour keeps it for the
// selected property; Apply puts every kept colour into every object through
// IDispatch.
#include "platform/win/ole/propframe.h"
#include "platform/win/ole/olecontrol.h"

#include "platform/codepage/codepage.h"
#include "platform/com/objectbase.h"
#include "platform/com/olecolor.h"
#include "platform/win/controls.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <optional>
#include <string>
#include <vector>

namespace platform::win {

using com::ComPtr;
using com::HRESULT;
using com::S_FALSE;
using com::S_OK;

namespace {

constexpr int kPropertyList = 1000;
constexpr int kSystemList = 1001;
constexpr int kFirstSwatch = 1100;
constexpr int kSwatchCount = 16;
constexpr int kSample = 1200;
constexpr const char *kSwatchClass = "TalvikColorSwatch";
constexpr int kSwatchColour = 0;
constexpr int kSwatchSelected = static_cast<int>(sizeof(LONG_PTR));

const char16_t *const kSystemColourNames[25] = {
    u"スクロールバー", u"デスクトップ", u"アクティブ タイトル バー", u"非アクティブ タイトル バー",
    u"メニュー バー", u"ウィンドウの背景", u"ウィンドウの枠", u"メニューの文字", u"ウィンドウの文字",
    u"アクティブ タイトル バーの文字", u"アクティブ ウィンドウの境界", u"非アクティブ ウィンドウの境界",
    u"アプリケーション作業領域", u"強調表示", u"強調表示の文字", u"ボタンの表面", u"ボタンの影",
    u"無効の文字", u"ボタンの文字", u"非アクティブ タイトル バーの文字", u"ボタンの強調表示",
    u"ボタンの濃い影", u"ボタンの明るい影", u"ヒントの文字", u"ヒントの背景"};

constexpr COLORREF kPalette[kSwatchCount] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0), RGB(0, 0, 128),   RGB(128, 0, 128),
    RGB(0, 128, 128),   RGB(192, 192, 192), RGB(128, 128, 128), RGB(255, 0, 0), RGB(0, 255, 0), RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

std::string ansi(const QString &text)
{
    std::string out;
    for (const QChar c : text) {
        const QString one(c);
        out += codepage::isAnsiEncodable(one) ? codepage::toAnsi(one).toStdString() : "?";
    }
    return out;
}

// A square of one colour; a click or Space reports BN_CLICKED to the
// parent. The arrow keys move among the palette's squares (four a row) and
// choose the one reached.
LRESULT swatchProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_BUTTON | DLGC_WANTARROWS;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        COLORREF colour = 0;
        com::OleTranslateColor(static_cast<com::OLE_COLOR>(GetWindowLongPtrA(hwnd, kSwatchColour)), nullptr, &colour);
        const HBRUSH fill = CreateSolidBrush(colour);
        FillRect(dc, &r, fill);
        DeleteObject(fill);
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (GetWindowLongPtrA(hwnd, kSwatchSelected)) {
            RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
            FrameRect(dc, &inner, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        if (GetFocus() == hwnd) {
            RECT focus{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
            DrawFocusRect(dc, &focus);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_KEYDOWN: {
        const int id = GetDlgCtrlID(hwnd);
        int step = 0;
        switch (static_cast<int>(wParam)) {
        case VK_LEFT: step = -1; break;
        case VK_RIGHT: step = 1; break;
        case VK_UP: step = -4; break;
        case VK_DOWN: step = 4; break;
        default: break;
        }
        if (step && id >= kFirstSwatch && id < kFirstSwatch + kSwatchCount) {
            const int next = id + step;
            if (next >= kFirstSwatch && next < kFirstSwatch + kSwatchCount) {
                const HWND target = GetDlgItem(GetParent(hwnd), next);
                SetFocus(target);
                SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(next), BN_CLICKED),
                             static_cast<LPARAM>(target));
            }
            return 0;
        }
        if (wParam != static_cast<WPARAM>(VK_SPACE))
            return 0;
        SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                     static_cast<LPARAM>(hwnd));
        return 0;
    }
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), BN_CLICKED),
                     static_cast<LPARAM>(hwnd));
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void registerSwatchClass()
{
    WNDCLASSA probe;
    if (GetClassInfoA(0, kSwatchClass, &probe))
        return;
    WNDCLASSA wc;
    wc.lpfnWndProc = swatchProc;
    wc.cbWndExtra = 2 * static_cast<int>(sizeof(LONG_PTR));
    wc.lpszClassName = kSwatchClass;
    RegisterClassA(&wc);
}

DialogTemplate colourPageTemplate()
{
    DialogTemplate t;
    t.style = WS_CHILD | DS_CONTROL | DS_SETFONT;
    t.exStyle = WS_EX_CONTROLPARENT;
    t.cx = 250;
    t.cy = 110;
    auto add = [&t](int id, const char *cls, const QString &text, DWORD style, int x, int y, int cx, int cy,
                    DWORD ex = 0) {
        t.items.push_back({id, cls, ansi(text), style | WS_VISIBLE, ex, x, y, cx, cy});
    };
    add(-1, "STATIC", QStringLiteral("プロパティ名(&N):"), SS_LEFT, 6, 6, 90, 8);
    add(kPropertyList, "LISTBOX", QString(), LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 6, 16, 90, 86);
    add(-1, "STATIC", QStringLiteral("システム カラー(&S):"), SS_LEFT, 102, 6, 80, 8);
    add(kSystemList, "LISTBOX", QString(), LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 102, 16, 80, 86);
    add(-1, "STATIC", QStringLiteral("パレット(&P):"), SS_LEFT, 188, 6, 56, 8);
    for (int i = 0; i < kSwatchCount; ++i)
        add(kFirstSwatch + i, kSwatchClass, QString(), i == 0 ? WS_TABSTOP | WS_GROUP : 0, 188 + (i % 4) * 14,
            16 + (i / 4) * 14, 12, 12);
    add(kSample, kSwatchClass, QString(), 0, 188, 76, 54, 24);
    return t;
}

struct ColourProperty {
    QString name;
    com::DISPID id = 0;
    com::OLE_COLOR current = 0;
    std::optional<com::OLE_COLOR> chosen;
    com::OLE_COLOR shown() const { return chosen.value_or(current); }
};

HRESULT getColour(com::IUnknown *object, com::DISPID id, com::OLE_COLOR *out)
{
    ComPtr<com::IDispatch> dispatch;
    if (!object || com::FAILED(object->QueryInterface(com::IID_IDispatch, dispatch.putVoid())) || !dispatch)
        return com::E_NOINTERFACE;
    com::DISPPARAMS none;
    com::Variant result;
    HRESULT hr = dispatch->Invoke(id, com::IID_NULL, 0, com::DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
    if (com::FAILED(hr))
        return hr;
    com::Variant asInt;
    hr = com::VariantChangeType(&asInt, &result, 0, com::VT_I4);
    if (com::FAILED(hr))
        return hr;
    *out = static_cast<com::OLE_COLOR>(asInt.lVal);
    return S_OK;
}

HRESULT putColour(com::IUnknown *object, com::DISPID id, com::OLE_COLOR colour)
{
    ComPtr<com::IDispatch> dispatch;
    if (!object || com::FAILED(object->QueryInterface(com::IID_IDispatch, dispatch.putVoid())) || !dispatch)
        return com::E_NOINTERFACE;
    com::VARIANT arg;
    arg.vt = com::VT_I4;
    arg.lVal = static_cast<int32_t>(colour);
    com::DISPID named = com::DISPID_PROPERTYPUT;
    com::DISPPARAMS params;
    params.rgvarg = &arg;
    params.cArgs = 1;
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
    return dispatch->Invoke(id, com::IID_NULL, 0, com::DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

class StockColorPage final : public com::RefCounted<IPropertyPage2> {
public:
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object,
                                     {{com::IID_IUnknown, static_cast<IPropertyPage *>(this)},
                                      {IID_IPropertyPage, static_cast<IPropertyPage *>(this)},
                                      {IID_IPropertyPage2, static_cast<IPropertyPage2 *>(this)}});
    }

    HRESULT SetPageSite(IPropertyPageSite *site) override
    {
        m_site = site;
        return S_OK;
    }

    HRESULT Activate(HWND parent, const RECT *rect, BOOL) override
    {
        if (m_hwnd)
            return com::E_UNEXPECTED;
        registerSwatchClass();
        const DialogTemplate t = colourPageTemplate();
        const HWND hwnd = CreateDialogIndirectParamA(0, &t, parent, &StockColorPage::dialogProc,
                                                     reinterpret_cast<LPARAM>(this));
        if (!hwnd)
            return com::E_FAIL;
        if (rect)
            SetWindowPos(hwnd, 0, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        fill();
        return S_OK;
    }

    HRESULT Deactivate() override
    {
        if (m_hwnd) {
            const HWND h = std::exchange(m_hwnd, 0);
            SetWindowLongPtrA(h, DWLP_USER, 0);
            DestroyWindow(h);
        }
        return S_OK;
    }

    HRESULT GetPageInfo(PROPPAGEINFO *info) override
    {
        if (!info)
            return com::E_POINTER;
        *info = PROPPAGEINFO{};
        info->pszTitle = com::CoTaskMemString(QStringLiteral("色"));
        const LONG units = GetDialogBaseUnits();
        info->size = SIZE{250 * LOWORD(static_cast<std::uintptr_t>(units)) / 4,
                          110 * HIWORD(static_cast<std::uintptr_t>(units)) / 8};
        return S_OK;
    }

    HRESULT SetObjects(ULONG count, com::IUnknown **objects) override
    {
        if (count && !objects)
            return com::E_POINTER;
        m_objects.clear();
        for (ULONG i = 0; i < count; ++i)
            m_objects.emplace_back(objects[i]);
        m_properties.clear();
        m_dirty = false;
        if (count)
            readProperties();
        if (m_hwnd)
            fill();
        return S_OK;
    }

    HRESULT Show(UINT cmdShow) override
    {
        if (!m_hwnd)
            return com::E_UNEXPECTED;
        ShowWindow(m_hwnd, static_cast<int>(cmdShow));
        return S_OK;
    }

    HRESULT Move(const RECT *rect) override
    {
        if (!rect)
            return com::E_POINTER;
        if (!m_hwnd)
            return com::E_UNEXPECTED;
        SetWindowPos(m_hwnd, 0, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return S_OK;
    }

    HRESULT IsPageDirty() override { return m_dirty ? S_OK : S_FALSE; }

    // Puts each chosen colour into every object; the first failure stops
    // and keeps the page dirty with the colours not yet put.
    HRESULT Apply() override
    {
        if (!m_dirty)
            return S_OK;
        for (ColourProperty &p : m_properties) {
            if (!p.chosen)
                continue;
            for (const ComPtr<com::IUnknown> &o : m_objects) {
                const HRESULT hr = putColour(o.get(), p.id, *p.chosen);
                if (com::FAILED(hr))
                    return hr;
            }
            p.current = *p.chosen;
            p.chosen.reset();
        }
        m_dirty = false;
        return S_OK;
    }

    HRESULT Help(const com::OLECHAR *) override { return com::E_NOTIMPL; }

    HRESULT TranslateAccelerator(MSG *msg) override
    {
        if (!m_hwnd || !msg)
            return S_FALSE;
        if (msg->message != WM_KEYDOWN || msg->wParam != static_cast<WPARAM>(VK_TAB) || (GetKeyState(VK_CONTROL) & 0x8000))
            return IsDialogMessageA(m_hwnd, msg) ? S_OK : S_FALSE;
        const bool back = GetKeyState(VK_SHIFT) & 0x8000;
        const HWND first = GetNextDlgTabItem(m_hwnd, 0, FALSE);
        const HWND last = GetNextDlgTabItem(m_hwnd, 0, TRUE);
        HWND focus = GetFocus();
        while (focus && GetParent(focus) != m_hwnd)
            focus = GetParent(focus);
        if (!focus) {
            if (const HWND target = back ? last : first) {
                SendMessageA(m_hwnd, WM_NEXTDLGCTL, static_cast<WPARAM>(target), TRUE);
                return S_OK;
            }
            return S_FALSE;
        }
        // No tab stop further on in the direction: the frame takes the key.
        bool further = false;
        for (HWND w = GetWindow(focus, back ? GW_HWNDPREV : GW_HWNDNEXT); w && !further;
             w = GetWindow(w, back ? GW_HWNDPREV : GW_HWNDNEXT)) {
            const auto style = static_cast<DWORD>(GetWindowLongPtrA(w, GWL_STYLE));
            further = (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
        }
        if (!further)
            return m_site ? m_site->TranslateAccelerator(msg) : S_FALSE;
        return IsDialogMessageA(m_hwnd, msg) ? S_OK : S_FALSE;
    }

    HRESULT EditProperty(com::DISPID id) override
    {
        for (size_t i = 0; i < m_properties.size(); ++i)
            if (m_properties[i].id == id) {
                m_selected = static_cast<int>(i);
                if (m_hwnd) {
                    SendDlgItemMessageA(m_hwnd, kPropertyList, LB_SETCURSEL, i, 0);
                    showSelected();
                    SetFocus(GetDlgItem(m_hwnd, kPropertyList));
                }
                return S_OK;
            }
        return com::E_INVALIDARG;
    }

private:
    ~StockColorPage() override { Deactivate(); }

    void readProperties()
    {
        ComPtr<IColorPropertyList> list;
        if (com::FAILED(m_objects[0]->QueryInterface(IID_IColorPropertyList, list.putVoid())) || !list)
            return;
        CALPOLESTR names;
        CADWORD ids;
        if (com::FAILED(list->GetColorProperties(&names, &ids)))
            return;
        for (ULONG i = 0; i < names.cElems && i < ids.cElems; ++i) {
            ColourProperty p;
            p.name = QString::fromUtf16(names.pElems[i]);
            p.id = static_cast<com::DISPID>(ids.pElems[i]);
            // A property that cannot be read is not offered.
            if (com::SUCCEEDED(getColour(m_objects[0].get(), p.id, &p.current)))
                m_properties.push_back(p);
        }
        for (ULONG i = 0; i < names.cElems; ++i)
            com::CoTaskMemFree(names.pElems[i]);
        com::CoTaskMemFree(names.pElems);
        com::CoTaskMemFree(ids.pElems);
        m_selected = m_properties.empty() ? -1 : 0;
    }

    void fill()
    {
        const HWND props = GetDlgItem(m_hwnd, kPropertyList);
        SendMessageA(props, LB_RESETCONTENT, 0, 0);
        for (const ColourProperty &p : m_properties)
            SendMessageA(props, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ansi(p.name).c_str()));
        const HWND system = GetDlgItem(m_hwnd, kSystemList);
        if (SendMessageA(system, LB_GETCOUNT, 0, 0) == 0)
            for (const char16_t *name : kSystemColourNames)
                SendMessageA(system, LB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(ansi(QString::fromUtf16(name)).c_str()));
        for (int i = 0; i < kSwatchCount; ++i)
            SetWindowLongPtrA(GetDlgItem(m_hwnd, kFirstSwatch + i), kSwatchColour, static_cast<LONG_PTR>(kPalette[i]));
        SendMessageA(props, LB_SETCURSEL, static_cast<WPARAM>(m_selected), 0);
        const bool any = !m_properties.empty();
        EnableWindow(system, any);
        for (int i = 0; i < kSwatchCount; ++i)
            EnableWindow(GetDlgItem(m_hwnd, kFirstSwatch + i), any);
        showSelected();
    }

    // Marks the colour of the selected property in the lists and the sample.
    void showSelected()
    {
        const bool has = m_selected >= 0 && m_selected < static_cast<int>(m_properties.size());
        const com::OLE_COLOR colour = has ? m_properties[static_cast<size_t>(m_selected)].shown() : 0;
        const bool system = has && (colour & 0xFF000000u) == 0x80000000u && (colour & 0xFFFFu) < 25;
        SendDlgItemMessageA(m_hwnd, kSystemList, LB_SETCURSEL, system ? static_cast<WPARAM>(colour & 0xFFFF) : WPARAM(-1), 0);
        for (int i = 0; i < kSwatchCount; ++i) {
            const HWND s = GetDlgItem(m_hwnd, kFirstSwatch + i);
            SetWindowLongPtrA(s, kSwatchSelected, has && !system && colour == kPalette[i] ? 1 : 0);
            InvalidateRect(s, nullptr, TRUE);
        }
        const HWND sample = GetDlgItem(m_hwnd, kSample);
        SetWindowLongPtrA(sample, kSwatchColour, static_cast<LONG_PTR>(has ? colour : GetSysColor(COLOR_BTNFACE)));
        InvalidateRect(sample, nullptr, TRUE);
    }

    void choose(com::OLE_COLOR colour)
    {
        if (m_selected < 0 || m_selected >= static_cast<int>(m_properties.size()))
            return;
        ColourProperty &p = m_properties[static_cast<size_t>(m_selected)];
        if (p.shown() == colour)
            return;
        p.chosen = colour;
        m_dirty = true;
        showSelected();
        if (m_site)
            m_site->OnStatusChange(PROPPAGESTATUS_DIRTY);
    }

    static LONG_PTR dialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrA(dlg, DWLP_USER, lParam);
            if (auto *page = reinterpret_cast<StockColorPage *>(lParam))
                page->m_hwnd = dlg;
            return TRUE;
        }
        auto *page = reinterpret_cast<StockColorPage *>(GetWindowLongPtrA(dlg, DWLP_USER));
        if (!page || msg != WM_COMMAND)
            return FALSE;
        const int id = LOWORD(static_cast<std::uintptr_t>(wParam));
        const WORD code = HIWORD(static_cast<std::uintptr_t>(wParam));
        if (id == kPropertyList && code == LBN_SELCHANGE) {
            page->m_selected = static_cast<int>(SendDlgItemMessageA(dlg, kPropertyList, LB_GETCURSEL, 0, 0));
            page->showSelected();
        } else if (id == kSystemList && code == LBN_SELCHANGE) {
            const auto index = SendDlgItemMessageA(dlg, kSystemList, LB_GETCURSEL, 0, 0);
            if (index >= 0)
                page->choose(0x80000000u | static_cast<com::OLE_COLOR>(index));
        } else if (id >= kFirstSwatch && id < kFirstSwatch + kSwatchCount && code == BN_CLICKED) {
            page->choose(kPalette[id - kFirstSwatch]);
        }
        return FALSE;
    }

    ComPtr<IPropertyPageSite> m_site;
    std::vector<ComPtr<com::IUnknown>> m_objects;
    std::vector<ColourProperty> m_properties;
    int m_selected = -1;
    HWND m_hwnd = 0;
    bool m_dirty = false;
};

} // namespace

HRESULT CreateStockColorPage(const com::IID &iid, void **object)
{
    return com::createObject<StockColorPage>(iid, object);
}

HRESULT MakeColorPropertyList(std::initializer_list<std::pair<const char16_t *, com::DISPID>> members,
                              CALPOLESTR *names, CADWORD *dispids)
{
    if (!names || !dispids)
        return com::E_POINTER;
    QStringList texts;
    std::vector<DWORD> ids;
    for (const auto &[name, id] : members) {
        texts << QString::fromUtf16(name);
        ids.push_back(static_cast<DWORD>(id));
    }
    return FillPredefinedStrings(texts, ids, names, dispids);
}

} // namespace platform::win
