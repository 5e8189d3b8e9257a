// zoCombo's window side: the "ComboEdit" superclass of "RyxCombo", the
// message map, the creation push, the sub-object settings and the button
// layout, the key actions, keyboard pre-translation, the accelerator of the
// caption's mnemonic, drawing and the change handler.
#include "Controls/Pickwell/ComboControl.h"

#include "Controls/Pickwell/ComboWin.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/com/font.h"
#include "platform/win/accessible.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"
#include "zobase7/include/RyxComboProtocol.h"

#include <QByteArray>
#include <cstring>
#include <map>

namespace pickwell {

using namespace platform::com;
using namespace zobase7;

// ---- events of IComboEvents

namespace {
const VARTYPE kByRefI2[] = {VT_BYREF | VT_I2};
const VARTYPE kByRefBool[] = {VT_BYREF | VT_BOOL};
const VARTYPE kRecordTypes[] = {VT_BYREF | VT_BOOL, VT_BYREF | VT_R8, VT_BYREF | VT_BOOL};
} // namespace

const controls::EventDescriptor kChangeEvent{DISPID_EV_CHANGE, 0, nullptr};
const controls::EventDescriptor kEditModeChangeEvent{DISPID_EV_EDITMODECHANGE, 0, nullptr};
const controls::EventDescriptor kDBErrorEvent{DISPID_EV_DBERROR, 1, kByRefI2};
const controls::EventDescriptor kInvalidInputEvent{DISPID_EV_INVALIDINPUT, 0, nullptr};
const controls::EventDescriptor kSelectedIndexChangedEvent{DISPID_EV_SELECTEDINDEXCHANGED, 0, nullptr};
const controls::EventDescriptor kKeyExitEvent{DISPID_EV_KEYEXIT, 1, kByRefI2};
const controls::EventDescriptor kDropOpenEvent{DISPID_EV_DROPOPEN, 1, kByRefBool};
const controls::EventDescriptor kDropCloseEvent{DISPID_EV_DROPCLOSE, 0, nullptr};
const controls::EventDescriptor kRecordEvent{DISPID_EV_RECORD, 3, kRecordTypes};

void zoCombo::fire(const controls::EventDescriptor &event)
{
    FireEvent(event, {});
}

// ---- the "ComboEdit" class

namespace {

constexpr const char *kComboEditClassName = "ComboEdit";

// The procedure of "RyxCombo" that "ComboEdit" falls back on.
win::WNDPROC g_ryxProc = nullptr;
// The control of each "ComboEdit" window; the one being created until its
// first message arrives.
std::map<win::HWND, zoCombo *> &controlsByWindow()
{
    static std::map<win::HWND, zoCombo *> m;
    return m;
}
zoCombo *g_creating = nullptr;

win::LRESULT comboEditProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam)
{
    auto &map = controlsByWindow();
    auto it = map.find(hwnd);
    zoCombo *control = nullptr;
    if (it != map.end()) {
        control = it->second;
    } else if (g_creating) {
        control = std::exchange(g_creating, nullptr);
        map[hwnd] = control;
    }
    if (!control)
        return g_ryxProc ? win::CallWindowProcA(g_ryxProc, hwnd, message, wParam, lParam)
                         : win::DefWindowProcA(hwnd, message, wParam, lParam);
    const win::LRESULT result = control->WindowProc(hwnd, message, wParam, lParam);
    if (message == win::WM_NCDESTROY)
        map.erase(hwnd);
    return result;
}

// Registers "ComboEdit" over the current "RyxCombo" class; false when
// "RyxCombo" is not registered.
bool registerComboEdit()
{
    win::WNDCLASSA ryx;
    if (!win::GetClassInfoA(0, kRyxComboClassName, &ryx))
        return false;
    g_ryxProc = ryx.lpfnWndProc;
    win::WNDCLASSA mine;
    if (win::GetClassInfoA(0, kComboEditClassName, &mine))
        return true;
    win::WNDCLASSA wc = ryx;
    wc.lpfnWndProc = comboEditProc;
    wc.lpszClassName = kComboEditClassName;
    // Assistive tools see the control's window as a combo box.
    win::SetClassAccessibleRole(kComboEditClassName, QAccessible::ComboBox);
    return win::RegisterClassA(&wc) != 0;
}

} // namespace

win::HWND zoCombo::CreateControlWindow(win::HWND parent, const win::RECT &rect)
{
    if (!registerComboEdit())
        return 0;
    SetPreviousWindowProc(g_ryxProc);
    g_creating = this;
    const win::HWND hwnd = win::CreateWindowExA(0, kComboEditClassName, "", win::WS_CHILD | win::WS_VISIBLE | win::WS_CLIPSIBLINGS,
                                                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                                parent, 0, 0, nullptr);
    if (g_creating == this)
        g_creating = nullptr;
    return hwnd;
}

void zoCombo::releaseWindow()
{
    for (const win::HWND w : {m_window, ControlWindow()})
        if (w && win::IsWindow(w))
            win::DestroyWindow(w);
    // No message of a window may reach this control any more.
    auto &map = controlsByWindow();
    for (auto it = map.begin(); it != map.end();)
        it = it->second == this ? map.erase(it) : std::next(it);
    if (g_creating == this)
        g_creating = nullptr;
    m_window = 0;
}

// ---- the message map

win::LRESULT zoCombo::WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam)
{
    switch (message) {
    case win::WM_NCCREATE:
        m_window = hwnd;
        Window = hwnd;
        return CallDefaultProc(message, wParam, lParam);
    case win::WM_CREATE: {
        const win::LRESULT result = CallDefaultProc(message, wParam, lParam);
        if (result == -1)
            return result;
        if (m_settings.oleDropMode != zoOLEDropNone)
            m_drag.RegisterTarget();
        creationPush();
        return result;
    }
    case win::WM_DESTROY:
        m_drag.RevokeTarget();
        return CallDefaultProc(message, wParam, lParam);
    case win::WM_NCDESTROY: {
        const win::LRESULT result = CallDefaultProc(message, wParam, lParam);
        m_window = 0;
        m_listWindow = m_listWindow2 = 0;
        DetachWindow();
        return result;
    }
    case win::WM_SIZE: {
        win::RECT client;
        win::GetClientRect(hwnd, &client);
        m_autoWidth = true;
        put_DropDownWidth(client.right - client.left);
        m_autoWidth = false;
        return CallDefaultProc(message, wParam, lParam);
    }
    case win::WM_SETFOCUS:
        if (IsInPlaceActive()) {
            win::RECT pos = PosRect();
            DoVerb(win::OLEIVERB_UIACTIVATE, nullptr, ClientSite(), 0, hwnd, &pos);
            if (ControlSite())
                ControlSite()->OnFocus(win::TRUE);
        }
        return CallDefaultProc(message, wParam, lParam);
    case win::WM_KILLFOCUS:
        if (IsInPlaceActive() && ControlSite())
            ControlSite()->OnFocus(win::FALSE);
        return CallDefaultProc(message, wParam, lParam);
    case win::WM_SETCURSOR: {
        Variant dead;
        if (SUCCEEDED(GetAmbientProperty(win::DISPID_AMBIENT_UIDEAD, dead)) && dead.vt == VT_BOOL && dead.boolVal)
            return 1; // the arrow: nothing for the window to do
        if (m_drag.OnSetCursor(hwnd))
            return 1;
        return CallDefaultProc(message, wParam, lParam);
    }
    case WM_NCCALCSIZE: {
        ComPtr<ICaptionPainter> painter;
        if (m_caption && lParam && SUCCEEDED(m_caption->QueryInterface(IID_ICaptionPainter, painter.putVoid())))
            painter->AdjustRect(reinterpret_cast<win::RECT *>(lParam));
        return CallDefaultProc(message, wParam, lParam);
    }
    case WM_NCHITTEST: {
        if (!m_userMode)
            return HTCLIENT;
        const win::LRESULT answer = CallDefaultProc(message, wParam, lParam);
        win::POINT p{win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)};
        win::ScreenToClient(hwnd, &p);
        win::RECT client;
        win::GetClientRect(hwnd, &client);
        const bool inside = p.x >= client.left && p.x < client.right && p.y >= client.top && p.y < client.bottom;
        return inside ? answer : HTBORDER;
    }
    case WM_NCPAINT: {
        const win::LRESULT result = CallDefaultProc(message, wParam, lParam);
        ComPtr<ICaptionPainter> painter;
        if (m_caption && SUCCEEDED(m_caption->QueryInterface(IID_ICaptionPainter, painter.putVoid()))) {
            win::RECT r;
            win::GetWindowRect(hwnd, &r);
            const win::RECT bounds{0, 0, r.right - r.left, r.bottom - r.top};
            const win::HDC dc = win::GetDC(hwnd);
            painter->Paint(dc, &bounds);
            win::ReleaseDC(hwnd, dc);
        }
        return result;
    }
    case win::WM_TIMER:
        if (wParam == kDragTimerId) {
            m_drag.OnDragTimer(hwnd);
            return 0;
        }
        return CallDefaultProc(message, wParam, lParam);
    case WM_COMMAND:
        handleCommand(wParam, lParam);
        return 0;
    case ZOM_QUERYOWNDRAG:
        return m_drag.IsOwnDrag() ? 1 : 0;
    case ZOM_QUERYDRAGMOVE:
        return win::LRESULT(m_drag.LastEffect() & win::DROPEFFECT_MOVE);
    case win::WM_MOUSEMOVE:
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
    case win::WM_LBUTTONUP:
    case win::WM_RBUTTONUP:
        if (m_drag.OnMouseMessage(hwnd, message, wParam, lParam))
            return 0;
        break;
    case ZOM_NOTIFYSPINUP:
    case ZOM_NOTIFYSPINDOWN:
        FireEvent(message == ZOM_NOTIFYSPINUP ? controls::kSpinUpEvent : controls::kSpinDownEvent, {});
        return window() ? CallDefaultProc(message, wParam, lParam) : 0;
    case ZOM_SELCHANGED: {
        int32_t count = 0;
        if (m_items)
            m_items->get_Count(&count);
        for (int32_t i = 0; i < count; ++i) {
            ComPtr<IComboItem> item;
            if (SUCCEEDED(m_items->get_Item(i, item.put())) && item)
                item->SetSelected(0);
        }
        int32_t index = -1;
        get_SelectedIndex(&index);
        if (index >= 0 && index < count) {
            ComPtr<IComboItem> item;
            if (SUCCEEDED(m_items->get_Item(index, item.put())) && item)
                item->SetSelected(-1);
        }
        fire(kSelectedIndexChangedEvent);
        return window() ? CallDefaultProc(message, wParam, lParam) : 0;
    }
    case ZOM_NOTIFYMOUSEENTER:
        FireEvent(controls::kMouseEnterEvent, {});
        return 0;
    case ZOM_NOTIFYMOUSEEXIT:
        FireEvent(controls::kMouseExitEvent, {});
        return 0;
    case ZOM_KEYEXIT: {
        int16_t action = int16_t(wParam);
        FireEvent(kKeyExitEvent, {&action});
        return 0;
    }
    case ZOM_NOTIFYITEMHEIGHT:
        if (!m_pushing)
            put_ItemHeight(int32_t(wParam));
        return 0;
    case ZOM_QUERYAMBIENTBACKCOLOR: {
        Variant back;
        if (SUCCEEDED(GetAmbientProperty(win::DISPID_AMBIENT_BACKCOLOR, back))) {
            Variant i4;
            if (SUCCEEDED(VariantChangeType(&i4, &back, 0, VT_I4)))
                return win::LRESULT(uint32_t(i4.lVal));
        }
        return win::LRESULT(m_settings.backColor);
    }
    case ZOM_QUERYUSERMODE:
        return m_userMode ? -1 : 0;
    case ZOM_LISTCHAR:
    case ZOM_LISTRBUTTONDOWN:
        RouteListInput(message, wParam, lParam);
        return 0;
    case ZOM_NOTIFYSPINCHANGED:
        changeHandler(DISPID_COMBO_SPIN);
        return 0;
    case ZOM_QUERYCURSORINSELECTION:
        return pointInSelection(win::POINT{win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)}) ? 1 : -1;
    case ZOM_QUERYKEYACTION: {
        ComPtr<IKeyAssignment> keys;
        int32_t action = -1;
        if (m_key && SUCCEEDED(m_key->QueryInterface(IID_IKeyAssignment, keys.putVoid())))
            keys->Translate(int32_t(wParam), int32_t(lParam), &action);
        return action >= 0 && action <= 4 ? 1 : -1;
    }
    case ZOM_REQUESTITEMS:
        send(ZOM_SETITEMCOLLECTION, reinterpret_cast<win::WPARAM>(m_items.get()));
        m_listWindow = win::HWND(send(ZOM_GETLISTWINDOW));
        m_listWindow2 = win::HWND(send(ZOM_GETLISTWINDOW2));
        // A selection made before the window existed follows the items.
        if (m_selectedIndex != -1)
            send(ZOM_SETSELECTEDINDEX, win::WPARAM(win::LPARAM(m_selectedIndex)));
        return 0;
    case ZOM_REQUESTFOCUS:
        win::SetFocus(hwnd);
        return 0;
    default:
        break;
    }
    if (DispatchBaseWindowMessage(hwnd, message, wParam, lParam))
        return 0;
    return CallDefaultProc(message, wParam, lParam);
}

void zoCombo::handleCommand(win::WPARAM wParam, win::LPARAM lParam)
{
    switch (win::HIWORD(uintptr_t(wParam))) {
    case ZON_CHANGE:
        propertyChangeStep(DISPID_COMBO_VALUE);
        propertyChangeStep(DISPID_DATABIND);
        fire(kChangeEvent);
        return;
    case ZON_EDITMODECHANGE:
        fire(kEditModeChangeEvent);
        return;
    case ZON_INVALIDINPUT:
        fire(kInvalidInputEvent);
        return;
    case ZON_SELECTEDINDEXCHANGED:
        fire(kSelectedIndexChangedEvent);
        return;
    case ZON_DROPOPEN: {
        // The handler's NoDefault is not passed back to the window.
        VARIANT_BOOL noDefault = VARIANT_FALSE;
        FireEvent(kDropOpenEvent, {&noDefault});
        return;
    }
    case ZON_DROPCLOSE:
        fire(kDropCloseEvent);
        return;
    case ZON_RECORD:
        if (auto *record = reinterpret_cast<RyxComboEventRecord *>(lParam))
            FireEvent(kRecordEvent, {&record->flag, record->value, &record->cancel});
        return;
    default:
        if (window())
            CallDefaultProc(WM_COMMAND, wParam, lParam);
        return;
    }
}

void zoCombo::RouteListInput(win::UINT message, win::WPARAM wParam, win::LPARAM lParam)
{
    if (!m_listWindow || !win::IsWindow(m_listWindow))
        return;
    const win::HWND own = m_window;
    if (message == ZOM_LISTCHAR) {
        OnChar(win::UINT(wParam), win::LOWORD(uintptr_t(lParam)), win::HIWORD(uintptr_t(lParam)));
    } else if (message == ZOM_LISTRBUTTONDOWN) {
        OnRButtonDown(wParam, lParam);
    } else {
        DispatchBaseWindowMessage(own, message, wParam, lParam);
    }
    // The base handlers keep the control's own window.
    if (own && win::IsWindow(own))
        Window = own;
}

// ---- the creation push

void zoCombo::creationPush()
{
    m_pushing = true;
    const ComboSettings &s = m_settings;
    // 1.
    send(ZOM_SETAPPEARANCE, win::WPARAM(s.appearance));
    send(ZOM_SETBORDERSTYLE, win::WPARAM(s.borderStyle));
    send(ZOM_SETALIGNHORIZONTAL, win::WPARAM(s.alignHorizontal));
    send(ZOM_SETALIGNVERTICAL, win::WPARAM(s.alignVertical));
    send(ZOM_SETFORECOLOR, win::WPARAM(s.foreColor));
    send(ZOM_SETBACKCOLOR, win::WPARAM(s.backColor));
    // 2. Each margin replaces its half of the window's pair.
    auto margin = [this](win::UINT get, win::UINT set, int32_t value, bool first) {
        const uintptr_t current = uintptr_t(send(get));
        const win::WORD lo = first ? win::WORD(value) : win::LOWORD(current);
        const win::WORD hi = first ? win::HIWORD(current) : win::WORD(value);
        send(set, win::WPARAM(uint32_t(win::MAKELONG(lo, hi))));
    };
    margin(ZOM_GETMARGINSH, ZOM_SETMARGINSH, s.marginLeft, true);
    margin(ZOM_GETMARGINSH, ZOM_SETMARGINSH, s.marginRight, false);
    margin(ZOM_GETMARGINSV, ZOM_SETMARGINSV, s.marginTop, true);
    margin(ZOM_GETMARGINSV, ZOM_SETMARGINSV, s.marginBottom, false);
    // 3.
    sendFont();
    if (m_window)
        win::EnableWindow(m_window, s.enabled ? 1 : 0);
    ComPtr<ICaptionPainter> painter;
    if (m_caption && SUCCEEDED(m_caption->QueryInterface(IID_ICaptionPainter, painter.putVoid())))
        painter->SetEnabled(s.enabled ? VARIANT_TRUE : VARIANT_FALSE);
    // 4.
    sendSpinSettings();
    sendDropDownSettings();
    sendButtonLayout();
    // 5.
    send(ZOM_SETUSERMODE, m_userMode ? win::WPARAM(-1) : 0);
    sendEditMode();
    sendMousePointer();
    // 6.
    send(EM_SETREADONLY, s.readOnly ? 1 : 0);
    send(ZOM_SETSHOWCONTEXTMENU, win::WPARAM(win::LPARAM(s.showContextMenu)));
    send(ZOM_SETIMEMODE, win::WPARAM(s.imeMode));
    send(ZOM_SETIMESTATUS, win::WPARAM(s.imeStatus));
    send(ZOM_SETCLIPMODE, win::WPARAM(s.clipMode));
    send(ZOM_SETERRORBEEP, win::WPARAM(win::LPARAM(s.errorBeep)));
    send(ZOM_SETHIGHLIGHTTEXT, win::WPARAM(s.highlightText));
    send(ZOM_SETMOVEONLRKEY, win::WPARAM(s.moveOnLRKey));
    send(ZOM_SETTABACTION, win::WPARAM(s.tabAction));
    send(ZOM_SETSHOWLITERALS, win::WPARAM(s.showLiterals));
    send(ZOM_SETALLOWSPACE, win::WPARAM(win::LPARAM(s.allowSpace)));
    send(ZOM_SETAUTOCONVERT, win::WPARAM(win::LPARAM(s.autoConvert)));
    send(ZOM_SETLOOKUPMODE, win::WPARAM(s.lookupMode));
    // 7. Refusals are ignored here: the stored values stay.
    sendString(ZOM_SETLOOKUPTABLE, m_settings.lookupTable.get());
    send(ZOM_SETPROMPTCHAR, win::WPARAM(promptByte()));
    sendString(ZOM_SETFORMAT, m_settings.format.get());
    sendString(ZOM_SETVALUE, m_settings.value.get());
    send(ZOM_SETCURSORPOSITION, win::WPARAM(win::LPARAM(int16_t(s.cursorPosition))));
    // 8.
    send(ZOM_SETSORTORDER, win::WPARAM(s.sortOrder));
    send(ZOM_SETSORTBY, win::WPARAM(s.sortBy));
    if (m_items)
        m_items->SetSortInfo(int16_t(s.sortBy), int16_t(s.sortOrder));
    // 9.
    send(ZOM_SETAUTODROPDOWN, win::WPARAM(win::LPARAM(s.autoDropDown)));
    send(ZOM_SETAUTOSELECT, win::WPARAM(win::LPARAM(s.autoSelect)));
    send(ZOM_SETTEXTBOXSTYLE, win::WPARAM(s.textBoxStyle));
    send(ZOM_SETDESCRIPTIONWIDTH, win::WPARAM(s.descriptionWidth));
    send(ZOM_SETIMAGEWIDTH, win::WPARAM(s.imageWidth));
    send(ZOM_SETMAXDROPDOWNITEMS, win::WPARAM(s.maxDropDownItems));
    send(ZOM_SETIMAGEALIGN, win::WPARAM(s.imageAlign));
    send(ZOM_SETSCROLLBARMODE, win::WPARAM(s.scrollBarMode));
    send(ZOM_SETSTYLE, win::WPARAM(s.style));
    send(ZOM_SETLISTBOXSTYLE, win::WPARAM(s.listBoxStyle));
    send(ZOM_SETITEMTIP, win::WPARAM(win::LPARAM(s.itemTip)));
    send(ZOM_SETOVERFLOWTIP, win::WPARAM(win::LPARAM(s.overflowTip)));
    send(ZOM_SETSTATUSBAR, win::WPARAM(win::LPARAM(s.statusBar)));
    send(ZOM_SETDROPDOWNSHADOW, win::WPARAM(win::LPARAM(s.dropDownShadow)));
    send(ZOM_SETSHOWSCROLLBAR, win::WPARAM(win::LPARAM(s.showScrollBar)));
    send(ZOM_SETINTEGRALHEIGHT, win::WPARAM(win::LPARAM(s.integralHeight)));
    send(ZOM_SETDROPDOWNWIDTH, win::WPARAM(s.dropDownWidth));
    send(ZOM_SETOLEDRAGMODE, win::WPARAM(s.oleDragMode));
    sendPicture(m_backgroundImage.get());
    // 10.
    if (m_settings.itemHeight == -1)
        m_settings.itemHeight = measuredItemHeight();
    send(ZOM_SETITEMHEIGHT, win::WPARAM(m_settings.itemHeight));
    // 11.
    if (m_items) {
        m_items->put_DefaultBackColor(s.backColor);
        m_items->put_DefaultForeColor(s.foreColor);
    }
    // 12.
    m_pushing = false;
    SetDirty(false);
}

int32_t zoCombo::measuredItemHeight() const
{
    const win::HWND w = window();
    const win::HDC dc = w ? win::GetDC(w) : win::CreateCompatibleDC(0);
    if (!dc)
        return 12;
    win::HGDIOBJ old = 0;
    if (m_fontHandle)
        old = win::SelectObject(dc, m_fontHandle);
    win::TEXTMETRICA tm;
    const bool ok = win::GetTextMetricsA(dc, &tm);
    if (old)
        win::SelectObject(dc, old);
    if (w)
        win::ReleaseDC(w, dc);
    else
        win::DeleteDC(dc);
    return ok && tm.tmHeight > 1 ? int32_t(tm.tmHeight - 1) : 12;
}

// The control's font as a GDI font, made again when the font changed.
void zoCombo::sendFont()
{
    ComPtr<IFont> font;
    if (m_font)
        m_font->QueryInterface(IID_IFont, font.putVoid());
    win::HFONT made = 0;
    if (font) {
        win::LOGFONTA lf;
        Bstr name;
        font->get_Name(name.put());
        int64_t size = 0;
        font->get_Size(&size);
        int16_t weight = 400, charset = 128;
        font->get_Weight(&weight);
        font->get_Charset(&charset);
        VARIANT_BOOL italic = 0, underline = 0, strike = 0;
        font->get_Italic(&italic);
        font->get_Underline(&underline);
        font->get_Strikethrough(&strike);
        // Height in pixels at 96 dpi from 1/10000 point.
        lf.lfHeight = -win::LONG((size * 96 + 360000) / 720000);
        lf.lfWeight = weight;
        lf.lfItalic = italic ? 1 : 0;
        lf.lfUnderline = underline ? 1 : 0;
        lf.lfStrikeOut = strike ? 1 : 0;
        lf.lfCharSet = win::BYTE(charset);
        const QByteArray face = name.toQString().toLocal8Bit().left(31);
        std::memcpy(lf.lfFaceName, face.constData(), size_t(face.size()));
        made = win::CreateFontIndirectA(&lf);
    }
    const win::HFONT old = std::exchange(m_fontHandle, made);
    send(WM_SETFONT, win::WPARAM(m_fontHandle), 1);
    if (old)
        win::DeleteObject(old);
}

// ---- sub-object settings and the button layout

HRESULT zoCombo::sendSpinSettings()
{
    ComPtr<ISpin> spin;
    if (!m_spin || FAILED(m_spin->QueryInterface(IID_ISpin, spin.putVoid())))
        return raiseError(E_POINTER);
    int32_t delay = 0;
    VARIANT_BOOL enabled = 0, wrap = 0, keys = 0;
    int16_t increment = 0;
    HRESULT hr;
    if (FAILED(hr = spin->get_Delay(&delay)) || FAILED(hr = spin->get_Enabled(&enabled))
        || FAILED(hr = spin->get_Increment(&increment)) || FAILED(hr = spin->get_Wrap(&wrap))
        || FAILED(hr = spin->get_SpinKeys(&keys)))
        return hr;
    send(ZOM_SETSPINENABLED, m_settings.enabled ? win::WPARAM(win::LPARAM(enabled)) : 0);
    send(ZOM_SETSPINDELAY, win::WPARAM(win::LPARAM(int16_t(delay))));
    send(ZOM_SETSPININCREMENT, win::WPARAM(win::LPARAM(increment)));
    send(ZOM_SETSPINWRAP, win::WPARAM(win::LPARAM(wrap)));
    send(ZOM_SETSPINKEYS, win::WPARAM(win::LPARAM(keys)));
    return S_OK;
}

HRESULT zoCombo::sendDropDownSettings()
{
    ComPtr<IDropDown> dd;
    if (!m_dropDown || FAILED(m_dropDown->QueryInterface(IID_IDropDown, dd.putVoid())))
        return raiseError(E_POINTER);
    VARIANT_BOOL enabled = 0;
    if (HRESULT hr = dd->get_Enabled(&enabled); FAILED(hr))
        return hr;
    send(ZOM_SETDROPDOWNENABLED, m_settings.enabled ? win::WPARAM(win::LPARAM(enabled)) : 0);
    return S_OK;
}

HRESULT zoCombo::ButtonLayoutCode(int32_t *code, int32_t *spinVisible, int32_t *dropVisible)
{
    ComPtr<ISpin> spin;
    ComPtr<IDropDown> dd;
    if (!m_spin || FAILED(m_spin->QueryInterface(IID_ISpin, spin.putVoid())) || !m_dropDown
        || FAILED(m_dropDown->QueryInterface(IID_IDropDown, dd.putVoid())))
        return E_POINTER;
    int32_t sv = 0, sp = 0, dv = 0, dp = 0;
    HRESULT hr;
    if (FAILED(hr = spin->get_Visible(&sv)) || FAILED(hr = spin->get_Position(&sp)) || FAILED(hr = dd->get_Visible(&dv))
        || FAILED(hr = dd->get_Position(&dp)))
        return hr;
    const bool spinOutside = sp == zoSpinPosOutside, dropOutside = dp == zoDropPosOutside;
    int32_t c = RyxLayoutNone;
    if (!sv && !dv)
        c = RyxLayoutNone;
    else if (!sv)
        c = dropOutside ? RyxLayoutDropOutside : RyxLayoutDropInside;
    else if (!dv)
        c = spinOutside ? RyxLayoutSpinOutside : RyxLayoutSpinInside;
    else if (spinOutside == dropOutside) {
        const bool spinLeft = m_settings.btnPositioning == zoSpinOnLeft;
        if (!spinOutside)
            c = spinLeft ? RyxLayoutBothInsideSpinLeft : RyxLayoutBothInsideSpinRight;
        else
            c = spinLeft ? RyxLayoutBothOutsideSpinLeft : RyxLayoutBothOutsideSpinRight;
    } else {
        c = dropOutside ? RyxLayoutSpinInsideDropOutside : RyxLayoutDropInsideSpinOutside;
    }
    if (code)
        *code = c;
    if (spinVisible)
        *spinVisible = sv;
    if (dropVisible)
        *dropVisible = dv;
    return S_OK;
}

HRESULT zoCombo::sendButtonLayout()
{
    int32_t code = 0, sv = 0, dv = 0;
    if (HRESULT hr = ButtonLayoutCode(&code, &sv, &dv); FAILED(hr))
        return raiseError(hr);
    send(ZOM_SETBUTTONLAYOUT, win::WPARAM(code));
    if (sv)
        send(ZOM_SETSPINVISIBLE, win::WPARAM(sv - 1));
    if (dv)
        send(ZOM_SETDROPDOWNVISIBLE, win::WPARAM(dv - 1));
    return S_OK;
}

// ---- the change step and handler

void zoCombo::propertyChangeStep(DISPID id, bool redraw)
{
    switch (id) {
    case DISPID_CLIPMODE: send(ZOM_SETCLIPMODE, win::WPARAM(m_settings.clipMode)); break;
    case DISPID_ERRORBEEP: send(ZOM_SETERRORBEEP, win::WPARAM(win::LPARAM(m_settings.errorBeep))); break;
    case DISPID_IMEMODE: send(ZOM_SETIMEMODE, win::WPARAM(m_settings.imeMode)); break;
    case DISPID_MOVEONLRKEY: send(ZOM_SETMOVEONLRKEY, win::WPARAM(m_settings.moveOnLRKey)); break;
    case DISPID_SHOWLITERALS: send(ZOM_SETSHOWLITERALS, win::WPARAM(m_settings.showLiterals)); break;
    case DISPID_STD_FORECOLOR:
        if (m_items)
            m_items->put_DefaultForeColor(m_settings.foreColor);
        break;
    case DISPID_STD_BACKCOLOR:
        if (m_items)
            m_items->put_DefaultBackColor(m_settings.backColor);
        break;
    default: break;
    }
    SetDirty(true);
    changeHandler(id);
    if (redraw && window())
        win::InvalidateRect(window(), nullptr, 1);
}

void zoCombo::changeHandler(DISPID id)
{
    FireOnChanged(id);
    const win::HWND w = window();
    if (!w)
        return;
    switch (id) {
    case DISPID_OLEDRAGMODE:
        send(ZOM_SETOLEDRAGMODE, win::WPARAM(m_settings.oleDragMode));
        break;
    case DISPID_COMBO_CAPTION: {
        ComPtr<ICaptionPainter> painter;
        if (m_caption && SUCCEEDED(m_caption->QueryInterface(IID_ICaptionPainter, painter.putVoid())))
            painter->SetEnabled(m_settings.enabled ? VARIANT_TRUE : VARIANT_FALSE);
        win::SetWindowPos(w, 0, 0, 0, 0, 0,
                          win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE | win::SWP_FRAMECHANGED);
        ComPtr<win::IOleInPlaceObject> inPlace;
        if (SUCCEEDED(QueryInterface(win::IID_IOleInPlaceObject, inPlace.putVoid()))) {
            const win::RECT pos = PosRect();
            inPlace->SetObjectRects(&pos, &pos);
        }
        if (ControlSite())
            ControlSite()->OnControlInfoChanged();
        break;
    }
    case DISPID_COMBO_SPIN:
        sendSpinSettings();
        sendButtonLayout();
        break;
    case DISPID_COMBO_DROPDOWN:
        sendDropDownSettings();
        sendButtonLayout();
        break;
    case DISPID_STD_ENABLED: {
        if (!m_settings.enabled)
            UIDeactivate();
        ComPtr<ICaptionPainter> painter;
        if (m_caption && SUCCEEDED(m_caption->QueryInterface(IID_ICaptionPainter, painter.putVoid())))
            painter->SetEnabled(m_settings.enabled ? VARIANT_TRUE : VARIANT_FALSE);
        win::SendMessageA(w, WM_NCPAINT, 1, 0);
        ComPtr<ISpin> spin;
        VARIANT_BOOL spinEnabled = 0;
        if (m_spin && SUCCEEDED(m_spin->QueryInterface(IID_ISpin, spin.putVoid())))
            spin->get_Enabled(&spinEnabled);
        send(ZOM_SETSPINENABLED, m_settings.enabled ? win::WPARAM(win::LPARAM(spinEnabled)) : 0);
        ComPtr<IDropDown> dd;
        VARIANT_BOOL dropEnabled = 0;
        if (m_dropDown && SUCCEEDED(m_dropDown->QueryInterface(IID_IDropDown, dd.putVoid())))
            dd->get_Enabled(&dropEnabled);
        send(ZOM_SETDROPDOWNENABLED, m_settings.enabled ? win::WPARAM(win::LPARAM(dropEnabled)) : 0);
        break;
    }
    case DISPID_STD_FONT:
        sendFont();
        break;
    default:
        break;
    }
}

// ---- hooks on the sub-objects

void zoCombo::hook(int32_t id, IUnknown *object)
{
    if (object)
        m_hooks.AdviseSubObjectChanges(id, object, IID_IPropertyNotifySink);
    else
        unhook(id);
}

void zoCombo::hookSubObjects(bool withItems)
{
    hook(DISPID_COMBO_CAPTION, m_caption.get());
    hook(DISPID_STD_FONT, m_font.get());
    hook(DISPID_COMBO_SPIN, m_spin.get());
    hook(DISPID_COMBO_DROPDOWN, m_dropDown.get());
    if (withItems)
        hook(DISPID_COMBO_ITEMS_HOOK, m_items.get());
}

void zoCombo::OnSubObjectChanged(int32_t id, DISPID dispid)
{
    if (id == DISPID_COMBO_ITEMS_HOOK) {
        handleItemsChange(dispid);
        SetDirty(true);
    }
    changeHandler(id);
}

HRESULT zoCombo::OnSubObjectRequestEdit(int32_t id, DISPID dispid)
{
    if (id == DISPID_COMBO_ITEMS_HOOK)
        m_lastItemRequest = dispid;
    return S_OK;
}

void zoCombo::handleItemsChange(int32_t code)
{
    if (code < 0) {
        send(ZOM_ITEMSCHANGED, win::WPARAM(win::LPARAM(-code)), win::LPARAM(m_lastItemRequest));
        return;
    }
    switch (code) {
    case CollectionAdded: send(ZOM_ITEMSNOTIFY1); break;
    case CollectionRemoved: send(ZOM_ITEMSNOTIFY2); break;
    case CollectionInserted: send(ZOM_ITEMSNOTIFY5); break;
    case CollectionCleared: send(ZOM_ITEMSNOTIFY4); break;
    default: break;
    }
}

// ---- key actions (after KeyDown, through the Key object)

void zoCombo::PreTranslateKeyDown(int16_t &keyCode, int16_t shift)
{
    ComPtr<IKeyAssignment> keys;
    if (!m_key || FAILED(m_key->QueryInterface(IID_IKeyAssignment, keys.putVoid())))
        return;
    int32_t action = -1;
    keys->Translate(keyCode, shift, &action);
    auto bound = [&](int32_t a) { return keys->IsBound(a, keyCode, shift) == S_OK; };
    switch (action) {
    case KeyActionClear:
        if (!(win::GetKeyState(win::VK_LBUTTON) & 0x8000))
            ClearControl();
        break;
    case KeyActionNext:
    case KeyActionNextField:
        if (bound(KeyActionNextField) && send(ZOM_KEYACTION, RyxKeyNextField) == 0)
            break;
        if (bound(KeyActionNext)) {
            if (m_listWindow && win::IsWindow(m_listWindow))
                win::SendMessageA(m_listWindow, ZOM_LISTKEYACTION, 2, 0);
            send(ZOM_KEYACTION, RyxKeyNextItem);
        }
        break;
    case KeyActionPrev:
    case KeyActionPrevField:
        if (bound(KeyActionPrevField) && send(ZOM_KEYACTION, RyxKeyPrevField) == 0)
            break;
        if (bound(KeyActionPrev)) {
            if (m_listWindow && win::IsWindow(m_listWindow))
                win::SendMessageA(m_listWindow, ZOM_LISTKEYACTION, 3, 0);
            send(ZOM_KEYACTION, RyxKeyPrevItem);
        }
        break;
    default:
        return; // the key is left alone
    }
    keyCode = 0;
}

// ---- keyboard pre-translation

HRESULT zoCombo::OnTranslateAccelerator(win::MSG *msg)
{
    if (!msg)
        return E_POINTER;
    const int16_t shift = controls::GetShiftState();
    const bool plainEnterOrEsc = (msg->wParam == win::VK_RETURN || msg->wParam == win::VK_ESCAPE) && shift == 0;
    win::IOleControlSite *site = ControlSite();
    const win::HWND w = window();
    if (msg->message == win::WM_KEYDOWN || msg->message == win::WM_KEYUP) {
        const auto key = msg->wParam;
        if (key == win::VK_TAB && msg->message == win::WM_KEYDOWN && w) {
            if (send(ZOM_QUERYTABSTOP) == 0)
                return S_OK;
        }
        if (key >= win::VK_PRIOR && key <= win::VK_DOWN && w) {
            char parentClass[64] = {};
            const win::HWND parent = win::GetParent(w);
            if (parent)
                win::GetClassNameA(parent, parentClass, sizeof parentClass);
            if (site && std::strcmp(parentClass, "Internet Explorer_Server") != 0)
                site->TranslateAccelerator(msg, 1);
            win::SendMessageA(w, msg->message, msg->wParam, msg->lParam);
            return S_OK;
        }
        if (key == 'C' && msg->message == win::WM_KEYDOWN && (shift & controls::kCtrlMask) && w)
            win::SendMessageA(w, WM_COPY, 0, 0);
    }
    if (!site)
        return S_FALSE;
    ComPtr<win::IOleControlSite> held(site);
    const HRESULT hr = site->TranslateAccelerator(msg, win::DWORD(shift));
    if (ControlSite() != held.get())
        return S_FALSE;
    if (hr == S_OK && plainEnterOrEsc && window())
        win::SendMessageA(window(), msg->message, msg->wParam, msg->lParam);
    return hr;
}

// ---- control information: the caption's mnemonic

HRESULT zoCombo::OnGetControlInfo(win::CONTROLINFO *info)
{
    if (!info)
        return E_POINTER;
    if (m_accel) {
        DestroyAcceleratorTable(m_accel);
        m_accel = 0;
    }
    int32_t mnemonic = -1;
    ComPtr<ICaptionPainter> painter;
    if (m_caption && SUCCEEDED(m_caption->QueryInterface(IID_ICaptionPainter, painter.putVoid())))
        painter->GetMnemonic(&mnemonic);
    if (mnemonic > 0 && mnemonic < 0x80) {
        const char lower = char(QChar(char16_t(mnemonic)).toLower().unicode());
        const int16_t scan = VkKeyScanA(lower);
        if (scan != -1) {
            ACCEL a;
            a.key = win::WORD(scan & 0xFF);
            a.fVirt = (scan & 0x100) ? win::BYTE(FVIRTKEY | FALT | FSHIFT) : win::BYTE(FVIRTKEY | FALT);
            a.cmd = 1;
            m_accel = CreateAcceleratorTableA(&a, 1);
        }
    }
    info->cb = 16;
    info->hAccel = m_accel;
    info->cAccel = m_accel ? 1 : 0;
    info->dwFlags = 0;
    return S_OK;
}

// The host hands over the caption's mnemonic: the edit field takes the focus.
HRESULT zoCombo::OnMnemonicKey(win::MSG *msg)
{
    if (!msg)
        return E_POINTER;
    const win::HWND w = window();
    if (!w || !win::IsWindowEnabled(w))
        return S_FALSE;
    if (win::GetFocus() != w)
        win::SetFocus(w);
    return S_OK;
}

// ---- drawing: the window draws itself

HRESULT zoCombo::OnDraw(win::HDC hdc, const win::RECT &bounds)
{
    const win::HWND w = window();
    if (!w) {
        win::RECT r = bounds;
        win::FillRect(hdc, &r, win::HBRUSH(win::GetStockObject(win::WHITE_BRUSH)));
        return S_OK;
    }
    if (!m_userMode)
        win::UpdateWindow(w);
    win::RECT r = bounds;
    win::CallWindowProcA(PreviousWindowProc(), w, win::WM_PAINT, win::WPARAM(hdc), reinterpret_cast<win::LPARAM>(&r));
    return S_OK;
}

win::DWORD zoCombo::MiscStatus() const
{
    return 131473;
}

HRESULT zoCombo::DoVerb(win::LONG verb, win::MSG *msg, win::IOleClientSite *site, win::LONG index, win::HWND parent,
                        const win::RECT *posRect)
{
    if (verb == win::OLEIVERB_PRIMARY) {
        bool userMode = true;
        if (ClientSite() && SUCCEEDED(GetAmbientUserMode(&userMode)) && !userMode)
            verb = win::OLEIVERB_PROPERTIES;
        else
            verb = win::OLEIVERB_INPLACEACTIVATE;
    }
    return OleControlBase::DoVerb(verb, msg, site, index, parent, posRect);
}

// ---- ambients

void zoCombo::OnAmbientChanged(DISPID id)
{
    if (id == win::DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN)
        m_userMode = CachedUserMode();
    if (id == win::DISPID_AMBIENT_UIDEAD && m_settings.oleDropMode != zoOLEDropNone) {
        Variant dead;
        if (SUCCEEDED(GetAmbientProperty(win::DISPID_AMBIENT_UIDEAD, dead)) && dead.vt == VT_BOOL)
            m_drag.OnUIDeadChanged(dead.boolVal != 0);
    }
}

void zoCombo::OnClientSiteSet()
{
    m_userMode = CachedUserMode();
}

// ---- selection hit test

bool zoCombo::pointInSelection(win::POINT p) const
{
    if (!window())
        return false;
    int start = 0, end = 0;
    send(ZOM_GETSELECTIONPOS, reinterpret_cast<win::WPARAM>(&start), reinterpret_cast<win::LPARAM>(&end));
    const int left = std::min(start, end), right = std::max(start, end);
    const win::LRESULT l = send(EM_POSFROMCHAR, win::WPARAM(left));
    const win::LRESULT r = send(EM_POSFROMCHAR, win::WPARAM(right));
    win::RECT text{};
    send(ZOM_GETTEXTRECT, 0, reinterpret_cast<win::LPARAM>(&text));
    const bool inText = p.x >= text.left && p.x < text.right && p.y >= text.top && p.y < text.bottom;
    return inText && p.x > win::GET_X_LPARAM(l) && p.x < win::GET_X_LPARAM(r);
}

} // namespace pickwell
