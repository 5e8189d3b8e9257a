// The dialog manager: dialogs made from templates, their default procedure,
// modal loops and keyboard navigation.
#include "platform/win/dialog.h"
#include "platform/win/controls.h"
#include "platform/win/ctlsupport.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"
#include "platform/win/winstate.h"
#include "platform/codepage/codepage.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <charconv>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>

namespace platform::win {
using namespace detail;

namespace {

// Dialog units when the font gives none: the base units of a 9 pt
// proportional gothic at 96 dpi.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// Turns Qt's activation of a dialog's top-level widget into WM_ACTIVATE.
class ActivationWatcher final : public QObject {
public:
    explicit ActivationWatcher(HWND dialog) : m_dialog(dialog) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::WindowActivate)
            SendMessageA(m_dialog, WM_ACTIVATE, WA_ACTIVE, 0);
        else if (event->type() == QEvent::WindowDeactivate)
            SendMessageA(m_dialog, WM_ACTIVATE, WA_INACTIVE, 0);
        return false;
    }

private:
    HWND m_dialog;
};

struct DialogState {
    HWND owner = 0;
    HINSTANCE instance = 0;
    int baseX = kBaseUnitX;
    int baseY = kBaseUnitY;
    HFONT font = 0;
    HFONT ownedFont = 0; // made from the template, deleted with the dialog
    int defId = 0;
    HWND savedFocus = 0;
    bool modal = false;
    bool ended = false;
    LONG_PTR result = 0;
    QEventLoop *loop = nullptr;
    QPointer<QObject> watcher;
};

struct Manager {
    std::unordered_map<HWND, DialogState> dialogs;
    std::map<std::pair<HINSTANCE, int>, DialogTemplate> templates;
    std::function<void(HWND)> shownHook;
    bool classRegistered = false;
};

Manager &manager()
{
    static Manager m;
    return m;
}

DialogState *dialogState(HWND hwnd)
{
    auto &d = manager().dialogs;
    auto it = d.find(hwnd);
    return it == d.end() ? nullptr : &it->second;
}

int mulDiv(int value, int num, int den)
{
    const long long v = static_cast<long long>(value) * num;
    return static_cast<int>(v >= 0 ? (v + den / 2) / den : -((-v + den / 2) / den));
}

HFONT createDialogFont(const DialogTemplate &tmpl)
{
    return CreateFontA(-mulDiv(tmpl.pointSize, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                       tmpl.fontName.c_str());
}

// Base units of a font: the average width of the Latin letters (rounded)
// and the character cell height.
void baseUnitsOf(HFONT font, int *x, int *y)
{
    *x = kBaseUnitX;
    *y = kBaseUnitY;
    const HDC hdc = CreateCompatibleDC(0);
    if (!hdc)
        return;
    const HGDIOBJ old = SelectObject(hdc, font);
    TEXTMETRICA tm;
    SIZE size;
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (GetTextMetricsA(hdc, &tm) && GetTextExtentPoint32A(hdc, letters, 52, &size) && tm.tmHeight > 0) {
        *x = std::max(1, static_cast<int>((size.cx / 26 + 1) / 2));
        *y = tm.tmHeight;
    }
    SelectObject(hdc, old);
    DeleteDC(hdc);
}

LRESULT dlgCode(HWND hwnd, WPARAM wParam = 0, const MSG *msg = nullptr)
{
    return hwnd ? SendMessageA(hwnd, WM_GETDLGCODE, wParam, reinterpret_cast<LPARAM>(msg)) : 0;
}

bool shownAndEnabled(HWND hwnd, HWND dialog)
{
    for (HWND h = hwnd; h && h != dialog; h = GetParent(h)) {
        const LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
        if (!(style & WS_VISIBLE) || (style & WS_DISABLED))
            return false;
    }
    return true;
}

// The dialog's controls in tab order: children in creation order, with the
// children of a WS_EX_CONTROLPARENT child in its place.
void collectControls(HWND parent, std::vector<HWND> &out)
{
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrA(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && GetWindow(c, GW_CHILD))
            collectControls(c, out);
        else
            out.push_back(c);
    }
}

// The entry of `control` in the list, or of its ancestor that is listed.
std::ptrdiff_t indexOf(const std::vector<HWND> &list, HWND control)
{
    for (HWND h = control; h; h = GetParent(h)) {
        auto it = std::find(list.begin(), list.end(), h);
        if (it != list.end())
            return it - list.begin();
    }
    return -1;
}

// The focus window when it lies in the dialog, else 0.
HWND focusIn(HWND dialog)
{
    const HWND f = GetFocus();
    return f && IsChild(dialog, f) ? f : 0;
}

void setFocusToControl(HWND dialog, HWND target)
{
    if (!target)
        return;
    SetFocus(target);
    if (dlgCode(target) & DLGC_HASSETSEL)
        SendMessageA(target, EM_SETSEL, 0, -1);
    (void)dialog;
}

void registerDialogClass()
{
    Manager &m = manager();
    if (m.classRegistered)
        return;
    RegisterBuiltinControlClasses();
    WNDCLASSA wc;
    wc.lpfnWndProc = DefDlgProcA;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hbrBackground = static_cast<HBRUSH>(COLOR_3DFACE + 1);
    wc.lpszClassName = kDialogClass;
    m.classRegistered = RegisterClassA(&wc) != 0 || GetClassInfoA(0, kDialogClass, &wc);
}

bool answersDirectly(UINT msg)
{
    return msg == WM_INITDIALOG || (msg >= 0x0132 && msg <= 0x0138) // WM_CTLCOLOR*
        || msg == 0x0039 || msg == 0x002E || msg == 0x002F || msg == 0x0037;
}

// Keys of a top-level dialog pass its navigation before they are dispatched.
BOOL preDispatch(MSG *msg)
{
    if (msg->message < WM_KEYDOWN || msg->message > WM_SYSCHAR)
        return FALSE;
    HWND dialog = 0;
    for (HWND h = msg->hwnd; h; h = GetParent(h)) {
        if (dialogState(h) && !(GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) {
            dialog = h;
            break;
        }
    }
    return dialog ? IsDialogMessageA(dialog, msg) : FALSE;
}

HWND createDialog(HINSTANCE instance, const DialogTemplate *tmpl, HWND owner, DLGPROC proc, LPARAM param,
                  bool modal)
{
    if (!tmpl)
        return 0;
    registerDialogClass();
    SetPreDispatchFilter(preDispatch);
    const bool child = tmpl->style & WS_CHILD;
    if (child && !IsWindow(owner))
        return 0;
    if (owner && !IsWindow(owner))
        owner = 0;

    HFONT font = 0;
    int baseX = kBaseUnitX, baseY = kBaseUnitY;
    if (tmpl->style & DS_SETFONT) {
        font = createDialogFont(*tmpl);
        baseUnitsOf(font, &baseX, &baseY);
    } else {
        const LONG units = GetDialogBaseUnits();
        baseX = LOWORD(static_cast<std::uintptr_t>(units));
        baseY = HIWORD(static_cast<std::uintptr_t>(units));
    }
    RECT r{tmpl->x, tmpl->y, tmpl->x + tmpl->cx, tmpl->y + tmpl->cy};
    r.left = mulDiv(r.left, baseX, 4);
    r.right = mulDiv(r.right, baseX, 4);
    r.top = mulDiv(r.top, baseY, 8);
    r.bottom = mulDiv(r.bottom, baseY, 8);
    // The template gives the client area; the frame of the styles comes around it.
    AdjustWindowRectEx(&r, tmpl->style, FALSE, tmpl->exStyle);
    if (!child && owner) {
        POINT o{0, 0};
        ClientToScreen(owner, &o);
        r.left += o.x;
        r.right += o.x;
        r.top += o.y;
        r.bottom += o.y;
    }
    const DWORD style = tmpl->style & ~WS_VISIBLE;
    const HWND dlg = CreateWindowExA(tmpl->exStyle, kDialogClass, tmpl->caption.c_str(), style, r.left, r.top,
                                     r.right - r.left, r.bottom - r.top, child ? owner : 0, 0, instance, nullptr);
    if (!dlg) {
        if (font)
            DeleteObject(font);
        return 0;
    }
    DialogState &st = manager().dialogs[dlg];
    st.font = font;
    st.ownedFont = font;
    st.baseX = baseX;
    st.baseY = baseY;
    st.owner = owner;
    st.instance = instance;
    st.modal = modal;
    if (QWidget *w = WidgetOfWindow(dlg); w && !child) {
        w->setWindowTitle(codepage::fromAnsiLenient(QByteArray::fromStdString(tmpl->caption)));
        w->setWindowFlag(Qt::Dialog, true);
        auto *watcher = new ActivationWatcher(dlg);
        watcher->setParent(w);
        w->installEventFilter(watcher);
        st.watcher = watcher;
        if (QWidget *ow = WidgetOfWindow(owner)) {
            w->winId();
            ow->window()->winId();
            if (w->windowHandle() && ow->window()->windowHandle())
                w->windowHandle()->setTransientParent(ow->window()->windowHandle());
        }
    }

    for (const DialogItemTemplate &item : tmpl->items) {
        RECT ir{item.x, item.y, item.x + item.cx, item.y + item.cy};
        MapDialogRect(dlg, &ir);
        const HWND c = CreateWindowExA(item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
                                       ir.left, ir.top, ir.right - ir.left, ir.bottom - ir.top, dlg,
                                       static_cast<HMENU>(static_cast<WORD>(item.id)), instance, nullptr);
        if (!c) {
            // A control that cannot be made fails the whole dialog.
            DestroyWindow(dlg);
            return 0;
        }
        if (tmpl->style & DS_SETFONT)
            SendMessageA(c, WM_SETFONT, st.font, FALSE);
    }
    SetWindowLongPtrA(dlg, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    const HWND first = GetNextDlgTabItem(dlg, 0, FALSE);
    if (SendMessageA(dlg, WM_INITDIALOG, first, param) && IsWindow(dlg)) {
        if (const HWND f = GetNextDlgTabItem(dlg, 0, FALSE))
            setFocusToControl(dlg, f);
    }
    if (!IsWindow(dlg))
        return 0;
    if ((tmpl->style & WS_VISIBLE) && !modal)
        ShowWindow(dlg, SW_SHOW);
    return dlg;
}

void showTopLevel(HWND dlg)
{
    ShowWindow(dlg, SW_SHOW);
    if (QWidget *w = WidgetOfWindow(dlg)) {
        w->activateWindow();
        // Focus given while the dialog was hidden reaches Qt now.
        if (const HWND f = GetFocus(); f && IsChild(dlg, f))
            if (QWidget *fw = WidgetOfWindow(f))
                fw->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace

// ---- templates ----

void RegisterDialogTemplate(HINSTANCE module, int id, const DialogTemplate &tmpl)
{
    manager().templates[{module, id}] = tmpl;
}

BOOL UnregisterDialogTemplate(HINSTANCE module, int id)
{
    return manager().templates.erase({module, id}) ? TRUE : FALSE;
}

const DialogTemplate *FindDialogTemplate(HINSTANCE module, int id)
{
    auto &t = manager().templates;
    auto it = t.find({module, id});
    return it == t.end() ? nullptr : &it->second;
}

LONG GetDialogBaseUnits()
{
    static LONG units = [] {
        const DialogTemplate standard;
        const HFONT font = createDialogFont(standard);
        int x, y;
        baseUnitsOf(font, &x, &y);
        DeleteObject(font);
        return MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y));
    }();
    return units;
}

BOOL MapDialogRect(HWND dialog, RECT *rect)
{
    const DialogState *st = dialogState(dialog);
    if (!st || !rect)
        return FALSE;
    rect->left = mulDiv(rect->left, st->baseX, 4);
    rect->right = mulDiv(rect->right, st->baseX, 4);
    rect->top = mulDiv(rect->top, st->baseY, 8);
    rect->bottom = mulDiv(rect->bottom, st->baseY, 8);
    return TRUE;
}

// ---- creation ----

HWND CreateDialogIndirectParamA(HINSTANCE instance, const DialogTemplate *tmpl, HWND owner, DLGPROC proc, LPARAM param)
{
    return createDialog(instance, tmpl, owner, proc, param, false);
}

HWND CreateDialogParamA(HINSTANCE instance, const char *templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    if (!IS_INTRESOURCE(templateName))
        return 0;
    return createDialog(instance, FindDialogTemplate(instance, static_cast<int>(reinterpret_cast<std::uintptr_t>(templateName))),
                        owner, proc, param, false);
}

LONG_PTR DialogBoxIndirectParamA(HINSTANCE instance, const DialogTemplate *tmpl, HWND owner, DLGPROC proc, LPARAM param)
{
    if (!tmpl || (tmpl->style & WS_CHILD))
        return -1;
    // A child window's top-level window owns the dialog.
    while (owner && (GetWindowLongPtrA(owner, GWL_STYLE) & WS_CHILD))
        owner = GetParent(owner);
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    const HWND dlg = createDialog(instance, tmpl, owner, proc, param, true);
    if (!dlg)
        return -1;
    DialogState *st = dialogState(dlg);
    if (!st->ended) {
        if (ownerWasEnabled)
            EnableWindow(owner, FALSE);
        showTopLevel(dlg);
        if (auto hook = manager().shownHook)
            hook(dlg);
    }
    st = dialogState(dlg);
    if (st && !st->ended) {
        QEventLoop loop;
        st->loop = &loop;
        loop.exec();
        if ((st = dialogState(dlg)))
            st->loop = nullptr;
    }
    LONG_PTR result = 0;
    if ((st = dialogState(dlg)))
        result = st->result;
    // EndDialog enabled the owner; a dialog destroyed otherwise must not
    // leave it disabled.
    if (ownerWasEnabled && IsWindow(owner) && !IsWindowEnabled(owner))
        EnableWindow(owner, TRUE);
    if ((st = dialogState(dlg)))
        st->modal = false;
    DestroyWindow(dlg);
    if (owner && IsWindow(owner))
        if (QWidget *ow = WidgetOfWindow(owner))
            ow->window()->activateWindow();
    return result;
}

LONG_PTR DialogBoxParamA(HINSTANCE instance, const char *templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    if (!IS_INTRESOURCE(templateName))
        return -1;
    return DialogBoxIndirectParamA(instance,
                                   FindDialogTemplate(instance, static_cast<int>(reinterpret_cast<std::uintptr_t>(templateName))),
                                   owner, proc, param);
}

BOOL EndDialog(HWND dialog, LONG_PTR result)
{
    DialogState *st = dialogState(dialog);
    if (!st)
        return FALSE;
    st->result = result;
    st->ended = true;
    if (st->modal) {
        // The owner is usable again before EndDialog returns.
        if (st->owner && IsWindow(st->owner))
            EnableWindow(st->owner, TRUE);
        ShowWindow(dialog, SW_HIDE);
        if ((st = dialogState(dialog)) && st->loop)
            st->loop->quit();
    }
    return TRUE;
}

HWND GetDialogOwner(HWND dialog)
{
    const DialogState *st = dialogState(dialog);
    return st ? st->owner : 0;
}

// ---- the default procedure ----

LRESULT DefDlgProcA(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCDESTROY) {
        if (DialogState *st = dialogState(dialog)) {
            if (st->loop)
                st->loop->quit();
            if (st->watcher)
                delete st->watcher.data();
        }
        const HFONT font = dialogState(dialog) ? dialogState(dialog)->ownedFont : 0;
        auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
        if (proc)
            proc(dialog, msg, wParam, lParam);
        manager().dialogs.erase(dialog);
        // The controls are gone before their dialog: its font can go.
        if (font)
            DeleteObject(font);
        return DefWindowProcA(dialog, msg, wParam, lParam);
    }
    if (auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC))) {
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
        const LONG_PTR handled = proc(dialog, msg, wParam, lParam);
        if (answersDirectly(msg))
            return handled;
        if (handled)
            return IsWindow(dialog) ? GetWindowLongPtrA(dialog, DWLP_MSGRESULT) : 0;
        if (!IsWindow(dialog))
            return 0;
    }
    DialogState *st = dialogState(dialog);
    switch (msg) {
    case DM_GETDEFID: {
        if (!st)
            return 0;
        if (st->defId)
            return MAKELONG(static_cast<WORD>(st->defId), DC_HASDEFID);
        std::vector<HWND> controls;
        collectControls(dialog, controls);
        for (HWND c : controls)
            if (dlgCode(c) & DLGC_DEFPUSHBUTTON)
                return MAKELONG(static_cast<WORD>(GetDlgCtrlID(c)), DC_HASDEFID);
        return 0;
    }
    case DM_SETDEFID:
        if (st)
            st->defId = static_cast<int>(wParam);
        return TRUE;
    case WM_NEXTDLGCTL: {
        HWND target = 0;
        if (LOWORD(static_cast<std::uintptr_t>(lParam)))
            target = static_cast<HWND>(wParam);
        else
            target = GetNextDlgTabItem(dialog, focusIn(dialog), wParam ? TRUE : FALSE);
        if (target && IsChild(dialog, target))
            setFocusToControl(dialog, target);
        return 0;
    }
    case WM_SETFOCUS: {
        HWND target = st && IsWindow(st->savedFocus) && IsChild(dialog, st->savedFocus) ? st->savedFocus : 0;
        if (!target)
            target = GetNextDlgTabItem(dialog, 0, FALSE);
        if (target)
            SetFocus(target);
        return 0;
    }
    case WM_ACTIVATE:
        // The focus leaves with the dialog and comes back to the same control.
        if (st && LOWORD(wParam) == WA_INACTIVE) {
            if (const HWND f = focusIn(dialog))
                st->savedFocus = f;
        } else if (st && IsWindow(st->savedFocus) && IsChild(dialog, st->savedFocus) && !focusIn(dialog)) {
            SetFocus(st->savedFocus);
        }
        return 0;
    case WM_GETFONT:
        return st ? static_cast<LRESULT>(st->font) : 0;
    case WM_SETFONT:
        if (st)
            st->font = static_cast<HFONT>(wParam);
        return 0;
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcA(dialog, msg, wParam, lParam);
        if (QWidget *w = WidgetOfWindow(dialog); w && !(GetWindowLongPtrA(dialog, GWL_STYLE) & WS_CHILD))
            w->setWindowTitle(codepage::fromAnsiLenient(QByteArray(lParam ? reinterpret_cast<const char *>(lParam) : "")));
        return r;
    }
    case WM_CLOSE: {
        const HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), static_cast<LPARAM>(cancel));
        return 0;
    }
    default:
        return DefWindowProcA(dialog, msg, wParam, lParam);
    }
}

// ---- items ----

BOOL SetDlgItemTextA(HWND dialog, int id, const char *text)
{
    const HWND c = GetDlgItem(dialog, id);
    return c ? SetWindowTextA(c, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, char *buffer, int size)
{
    const HWND c = GetDlgItem(dialog, id);
    if (!c) {
        if (buffer && size > 0)
            buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(c, buffer, size));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned)
{
    const std::string text = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
    return SetDlgItemTextA(dialog, id, text.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL *translated, BOOL isSigned)
{
    if (translated)
        *translated = FALSE;
    const HWND c = GetDlgItem(dialog, id);
    if (!c)
        return 0;
    std::string text(static_cast<size_t>(std::max(0, GetWindowTextLengthA(c))) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(c, text.data(), static_cast<int>(text.size()))));
    size_t at = text.find_first_not_of(' ');
    if (at == std::string::npos)
        return 0;
    const char *begin = text.data() + at;
    const char *end = text.data() + text.size();
    // Trailing blanks are allowed, nothing else.
    while (end > begin && end[-1] == ' ')
        --end;
    if (isSigned) {
        std::int32_t v = 0;
        auto [p, ec] = std::from_chars(begin, end, v);
        if (ec != std::errc() || p != end)
            return 0;
        if (translated)
            *translated = TRUE;
        return static_cast<UINT>(v);
    }
    std::uint32_t v = 0;
    auto [p, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || p != end)
        return 0;
    if (translated)
        *translated = TRUE;
    return v;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const HWND c = GetDlgItem(dialog, id);
    return c ? SendMessageA(c, msg, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    const HWND c = GetDlgItem(dialog, id);
    if (!c)
        return FALSE;
    SendMessageA(c, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId)
{
    for (int id = firstId; id <= lastId; ++id)
        if (const HWND c = GetDlgItem(dialog, id))
            SendMessageA(c, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

// ---- navigation ----

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
    if (!IsWindow(dialog))
        return 0;
    std::vector<HWND> list;
    collectControls(dialog, list);
    const auto n = static_cast<std::ptrdiff_t>(list.size());
    if (n == 0)
        return 0;
    const std::ptrdiff_t at = control ? indexOf(list, control) : -1;
    const std::ptrdiff_t step = previous ? -1 : 1;
    std::ptrdiff_t i = at >= 0 ? at : (previous ? 0 : n - 1);
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        i = ((i + step) % n + n) % n;
        const HWND c = list[static_cast<size_t>(i)];
        if ((GetWindowLongPtrA(c, GWL_STYLE) & WS_TABSTOP) && shownAndEnabled(c, dialog))
            return c;
    }
    return at >= 0 ? control : 0;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous)
{
    if (!IsWindow(dialog))
        return 0;
    std::vector<HWND> list;
    collectControls(dialog, list);
    const std::ptrdiff_t at = indexOf(list, control);
    if (at < 0)
        return GetNextDlgTabItem(dialog, 0, previous);
    std::ptrdiff_t first = at;
    while (first > 0 && !(GetWindowLongPtrA(list[static_cast<size_t>(first)], GWL_STYLE) & WS_GROUP))
        --first;
    std::ptrdiff_t end = at + 1;
    while (end < static_cast<std::ptrdiff_t>(list.size())
           && !(GetWindowLongPtrA(list[static_cast<size_t>(end)], GWL_STYLE) & WS_GROUP))
        ++end;
    const std::ptrdiff_t n = end - first;
    std::ptrdiff_t i = at - first;
    for (std::ptrdiff_t k = 1; k < n; ++k) {
        i = ((i + (previous ? -1 : 1)) % n + n) % n;
        const HWND c = list[static_cast<size_t>(first + i)];
        if (shownAndEnabled(c, dialog))
            return c;
    }
    return list[static_cast<size_t>(at)];
}

BOOL IsDialogMessageA(HWND dialog, MSG *msg)
{
    if (!msg || !IsWindow(dialog) || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)))
        return FALSE;
    const bool shift = GetKeyState(VK_SHIFT) & 0x8000;
    const bool control = GetKeyState(VK_CONTROL) & 0x8000;
    if (msg->message == WM_KEYDOWN) {
        const LRESULT code = dlgCode(msg->hwnd, msg->wParam, msg);
        if (!(code & DLGC_WANTMESSAGE)) {
            switch (static_cast<int>(msg->wParam)) {
            case VK_TAB:
                if ((code & DLGC_WANTTAB) || control)
                    break;
                SendMessageA(dialog, WM_NEXTDLGCTL, shift ? 1 : 0, 0);
                return TRUE;
            case VK_LEFT:
            case VK_UP:
            case VK_RIGHT:
            case VK_DOWN: {
                if (code & DLGC_WANTARROWS)
                    break;
                const bool back = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
                const HWND next = GetNextDlgGroupItem(dialog, msg->hwnd, back ? TRUE : FALSE);
                if (next && next != msg->hwnd) {
                    if (dlgCode(next) & DLGC_RADIOBUTTON) {
                        SetFocus(next);
                        SendMessageA(next, BM_CLICK, 0, 0);
                    } else {
                        SendMessageA(dialog, WM_NEXTDLGCTL, next, TRUE);
                    }
                }
                return TRUE;
            }
            case VK_RETURN: {
                int id = IDOK;
                HWND button = 0;
                if ((code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) && IsWindowEnabled(msg->hwnd)) {
                    button = msg->hwnd;
                    id = GetDlgCtrlID(button);
                } else {
                    const LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
                    if (HIWORD(static_cast<std::uintptr_t>(def)) == DC_HASDEFID)
                        id = LOWORD(static_cast<std::uintptr_t>(def));
                    button = GetDlgItem(dialog, id);
                    if (button && !IsWindowEnabled(button))
                        return TRUE;
                }
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), static_cast<LPARAM>(button));
                return TRUE;
            }
            case VK_ESCAPE: {
                const HWND cancel = GetDlgItem(dialog, IDCANCEL);
                if (cancel && !IsWindowEnabled(cancel))
                    return TRUE;
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), static_cast<LPARAM>(cancel));
                return TRUE;
            }
            default:
                break;
            }
        }
    } else if (msg->message == WM_CHAR) {
        const LRESULT code = dlgCode(msg->hwnd, msg->wParam, msg);
        const bool wanted = (code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE))
            || (msg->wParam == '\t' && (code & DLGC_WANTTAB));
        // The characters of the keys the dialog took are dropped.
        if (!wanted && (msg->wParam == '\t' || msg->wParam == '\r' || msg->wParam == 0x1B))
            return TRUE;
    }
    DispatchMessageA(msg);
    return TRUE;
}

void SetDialogShownHook(std::function<void(HWND)> hook) { manager().shownHook = std::move(hook); }

HWND GetActiveWindow() { return WindowOfWidget(QApplication::activeWindow()); }

} // namespace platform::win
