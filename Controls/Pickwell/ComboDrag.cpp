#include "Controls/Pickwell/ComboDrag.h"

#include "Controls/Pickwell/ComboControl.h"
#include "Controls/Pickwell/ComboWin.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"
#include "zobase7/include/RyxComboProtocol.h"

#include <QByteArray>
#include <cstring>

namespace pickwell {

using namespace platform::com;
using namespace zobase7;

namespace {
const VARTYPE kStartDragTypes[] = {VT_BYREF | VT_DISPATCH, VT_BYREF | VT_I4};
const VARTYPE kGiveFeedbackTypes[] = {VT_BYREF | VT_I4, VT_BYREF | VT_BOOL};
const VARTYPE kSetDataTypes[] = {VT_BYREF | VT_DISPATCH, VT_BYREF | VT_I2};
const VARTYPE kCompleteDragTypes[] = {VT_BYREF | VT_I4};
const VARTYPE kDragOverTypes[] = {VT_BYREF | VT_DISPATCH, VT_BYREF | VT_I4, VT_BYREF | VT_I2, VT_BYREF | VT_I2,
                                  VT_BYREF | VT_R4,       VT_BYREF | VT_R4, VT_BYREF | VT_I2};

constexpr win::DWORD kButtons = win::MK_LBUTTON | win::MK_RBUTTON | win::MK_MBUTTON;
} // namespace

const controls::EventDescriptor kOLEStartDragEvent{0x60E, 2, kStartDragTypes};
const controls::EventDescriptor kOLEGiveFeedbackEvent{0x60F, 2, kGiveFeedbackTypes};
const controls::EventDescriptor kOLESetDataEvent{0x610, 2, kSetDataTypes};
const controls::EventDescriptor kOLECompleteDragEvent{0x611, 1, kCompleteDragTypes};
const controls::EventDescriptor kOLEDragOverEvent{0x612, 7, kDragOverTypes};
const controls::EventDescriptor kOLEDragDropEvent{0x613, 6, kDragOverTypes};

// What RegisterDragDrop holds: it forwards to the control while the control
// lives, so that the registration never keeps the control alive.
class DropTargetProxy final : public RefCounted<win::IDropTarget> {
public:
    explicit DropTargetProxy(ComboDragDrop *owner) : m_owner(owner) {}
    void detach() { m_owner = nullptr; }

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(this, iid, object, {{IID_IUnknown, this}, {win::IID_IDropTarget, this}});
    }
    HRESULT DragEnter(win::IDataObject *data, win::DWORD keys, win::POINTL p, win::DWORD *effect) override
    {
        return call([&](ComboDragDrop *o) { return o->DragEnter(data, keys, p, effect); }, effect);
    }
    HRESULT DragOver(win::DWORD keys, win::POINTL p, win::DWORD *effect) override
    {
        return call([&](ComboDragDrop *o) { return o->DragOver(keys, p, effect); }, effect);
    }
    HRESULT DragLeave() override
    {
        return call([&](ComboDragDrop *o) { return o->DragLeave(); }, nullptr);
    }
    HRESULT Drop(win::IDataObject *data, win::DWORD keys, win::POINTL p, win::DWORD *effect) override
    {
        return call([&](ComboDragDrop *o) { return o->Drop(data, keys, p, effect); }, effect);
    }

private:
    template <class F>
    HRESULT call(F f, win::DWORD *effect)
    {
        if (!m_owner) {
            if (effect)
                *effect = win::DROPEFFECT_NONE;
            return S_OK;
        }
        ComPtr<win::IDropTarget> keep(m_owner); // the control lives through the call
        return f(m_owner);
    }
    ComboDragDrop *m_owner;
};

ComboDragDrop::ComboDragDrop(zoCombo &control) : m_control(control)
{
    m_proxy = new DropTargetProxy(this);
    m_proxy->AddRef();
}

ComboDragDrop::~ComboDragDrop() { Detach(); }

void ComboDragDrop::Detach()
{
    RevokeTarget();
    m_eventData.reset();
    if (m_proxy) {
        m_proxy->detach();
        std::exchange(m_proxy, nullptr)->Release();
    }
}

HRESULT ComboDragDrop::QueryInterface(const IID &iid, void **object) { return m_control.QueryInterface(iid, object); }
uint32_t ComboDragDrop::AddRef() { return m_control.AddRef(); }
uint32_t ComboDragDrop::Release() { return m_control.Release(); }
IUnknown *ComboDragDrop::OwnerIdentity() { return m_control.Identity(); }

// ---- the control's own data object

HRESULT ComboDragDrop::GetData(const win::FORMATETC *format, win::STGMEDIUM *medium)
{
    if (!format || !medium)
        return E_POINTER;
    if (format->cfFormat != win::CF_TEXT)
        return win::DV_E_FORMATETC;
    if (!(format->tymed & win::TYMED_HGLOBAL))
        return win::DV_E_TYMED;
    const win::LRESULT length = m_control.send(ZOM_GETSELLENGTH);
    // Four bytes a character and the terminator, however short the selection.
    const size_t bytes = size_t(std::max<win::LRESULT>(length, 0)) * 4 + 1;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes);
    if (!block)
        return STG_E_MEDIUMFULL;
    auto *text = static_cast<char *>(GlobalLock(block));
    if (!text) {
        GlobalFree(block);
        return STG_E_MEDIUMFULL;
    }
    text[0] = '\0';
    m_control.send(ZOM_GETSELTEXT, 0, reinterpret_cast<win::LPARAM>(text));
    text[bytes - 1] = '\0';
    GlobalUnlock(block);
    medium->tymed = win::TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT ComboDragDrop::QueryGetData(const win::FORMATETC *format)
{
    if (!format)
        return E_POINTER;
    if (format->cfFormat != win::CF_TEXT || format->dwAspect != win::DVASPECT_CONTENT)
        return win::DV_E_FORMATETC;
    return (format->tymed & win::TYMED_HGLOBAL) ? S_OK : win::DV_E_TYMED;
}

HRESULT ComboDragDrop::EnumFormatEtc(win::DWORD direction, win::IEnumFORMATETC **formats)
{
    if (!formats)
        return E_POINTER;
    *formats = nullptr;
    if (direction != win::DATADIR_GET)
        return E_NOTIMPL;
    const win::FORMATETC text = FormatEtcOf(win::CF_TEXT);
    return win::CreateFormatEnumerator(&text, 1, formats);
}

// ---- starting a drag

HRESULT ComboDragDrop::StartDrag()
{
    // One drag of this control at a time (a handler calling OLEDrag again).
    if (m_ownDrag)
        return E_UNEXPECTED;
    ComPtr<ComboDataObject> data = ComPtr<ComboDataObject>(ComboDataObject::create(false, this, this));
    if (!data)
        return E_OUTOFMEMORY; // nothing can be dragged without it
    m_buttonMask = 0;
    if (win::GetAsyncKeyState(win::VK_LBUTTON) & 0x8000)
        m_buttonMask |= win::MK_LBUTTON;
    if (win::GetAsyncKeyState(win::VK_RBUTTON) & 0x8000)
        m_buttonMask |= win::MK_RBUTTON;
    if (win::GetAsyncKeyState(win::VK_MBUTTON) & 0x8000)
        m_buttonMask |= win::MK_MBUTTON;
    m_haveButtonMask = m_buttonMask != 0;
    m_cancelMask = kButtons & ~m_buttonMask;
    m_lastEffect = 0;

    int32_t allowed = m_control.m_settings.oleDragMode != 0 ? 3 : 0;
    IDispatch *dispatch = static_cast<IVBDataObject *>(data.get());
    dispatch->AddRef();
    m_control.FireEvent(kOLEStartDragEvent, {&dispatch, &allowed});
    if (dispatch)
        dispatch->Release();
    if (allowed == 0 || (!data->wrapped() && !data->hasEntries()))
        return S_OK;
    if (uint32_t(allowed) > 3)
        allowed = 0;

    ComPtr<ComboDragDrop> keep(this);
    m_ownDrag = true;
    win::DWORD effect = win::DROPEFFECT_NONE;
    HRESULT hr = win::DoDragDrop(data.get(), this, win::DWORD(allowed), &effect);
    m_ownDrag = false;
    if (hr == win::DRAGDROP_S_DROP) {
        if ((effect & win::DROPEFFECT_MOVE) && !(effect & win::DROPEFFECT_COPY) && m_control.m_settings.oleDragMode != 0
            && m_control.m_settings.enabled && !m_control.m_settings.readOnly && !m_selfDrop)
            m_control.send(ZOM_REMOVEMOVEDTEXT);
    } else if (hr == win::DRAGDROP_S_CANCEL) {
        hr = S_OK;
    }
    m_selfDrop = false;
    int32_t finalEffect = int32_t(effect);
    m_control.FireEvent(kOLECompleteDragEvent, {&finalEffect});
    if (const win::HWND w = m_control.window(); w && win::GetFocus() == w)
        m_control.send(EM_SCROLLCARET);
    return hr;
}

// ---- the drop source

HRESULT ComboDragDrop::QueryContinueDrag(win::BOOL escapePressed, win::DWORD keys)
{
    if (escapePressed)
        return win::DRAGDROP_S_CANCEL;
    if (!m_haveButtonMask) {
        // A drag started without a button: the first buttons seen carry it.
        if (keys & kButtons) {
            m_buttonMask = keys & kButtons;
            m_cancelMask = kButtons & ~m_buttonMask;
            m_haveButtonMask = true;
        }
        return S_OK;
    }
    if (keys & m_cancelMask)
        return win::DRAGDROP_S_CANCEL;
    return (keys & m_buttonMask) ? S_OK : win::DRAGDROP_S_DROP;
}

HRESULT ComboDragDrop::GiveFeedback(win::DWORD effect)
{
    m_lastEffect = effect;
    int32_t shown = int32_t(effect);
    VARIANT_BOOL defaultCursors = VARIANT_TRUE;
    m_control.FireEvent(kOLEGiveFeedbackEvent, {&shown, &defaultCursors});
    return defaultCursors ? win::DRAGDROP_S_USEDEFAULTCURSORS : S_OK;
}

void ComboDragDrop::FireOLESetData(IDispatch **data, int16_t *format)
{
    m_control.FireEvent(kOLESetDataEvent, {data, format});
}

// ---- the automatic drag start

bool ComboDragDrop::OnMouseMessage(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam)
{
    const ComboSettings &s = m_control.m_settings;
    const win::POINT at{win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)};
    switch (message) {
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
        if (s.oleDragMode == zoOLEDragAutomatic && !(wParam & win::MK_MBUTTON) && s.style != zoDropDownList
            && m_control.pointInSelection(at)) {
            win::SetTimer(hwnd, kDragTimerId, kDragDelay, nullptr);
            m_armed = true;
            m_startPoint = at;
            m_armedMessage = message;
            return true;
        }
        return false;
    case win::WM_MOUSEMOVE:
        if (m_ownDrag)
            return true;
        if (m_armed) {
            win::KillTimer(hwnd, kDragTimerId);
            m_armed = false;
            m_startPoint = win::POINT{-1, -1};
            StartDrag();
            return true;
        }
        return false;
    case win::WM_LBUTTONUP:
    case win::WM_RBUTTONUP: {
        win::KillTimer(hwnd, kDragTimerId);
        const bool armed = std::exchange(m_armed, false);
        if (message == win::WM_RBUTTONUP && armed)
            return true;
        if (armed && !m_ownDrag) {
            // The press was held back: the window gets it now, just before the release.
            const win::UINT down = message == win::WM_LBUTTONUP ? win::WM_LBUTTONDOWN : win::WM_RBUTTONDOWN;
            m_control.CallDefaultProc(down, wParam, lParam);
        }
        return false;
    }
    default:
        return false;
    }
}

void ComboDragDrop::OnDragTimer(win::HWND hwnd)
{
    win::KillTimer(hwnd, kDragTimerId);
    m_armed = false;
    m_startPoint = win::POINT{-1, -1};
    if ((win::GetAsyncKeyState(win::VK_LBUTTON) & 0x8000) || (win::GetAsyncKeyState(win::VK_RBUTTON) & 0x8000))
        StartDrag();
}

bool ComboDragDrop::OnSetCursor(win::HWND hwnd)
{
    if (m_control.m_settings.oleDragMode != zoOLEDragAutomatic)
        return false;
    win::POINT p;
    if (!win::GetCursorPos(&p) || !win::ScreenToClient(hwnd, &p) || !m_control.pointInSelection(p))
        return false;
    m_control.send(ZOM_SETDRAGCURSOR);
    return true;
}

// ---- registration

void ComboDragDrop::RegisterTarget()
{
    const win::HWND w = m_control.window();
    if (m_registered || !w || !m_proxy)
        return;
    const HRESULT hr = win::RegisterDragDrop(w, m_proxy);
    m_registered = SUCCEEDED(hr) || hr == win::DRAGDROP_E_ALREADYREGISTERED;
}

void ComboDragDrop::RevokeTarget()
{
    if (!m_registered)
        return;
    const win::HWND w = m_control.window() ? m_control.window() : m_control.ControlWindow();
    const HRESULT hr = win::RevokeDragDrop(w);
    if (SUCCEEDED(hr) || hr == win::DRAGDROP_E_NOTREGISTERED || hr == win::DRAGDROP_E_INVALIDHWND)
        m_registered = false;
}

void ComboDragDrop::OnDropModeChanged(int32_t newMode)
{
    if (!m_control.m_userMode)
        return;
    if (newMode != zoOLEDropNone)
        RegisterTarget();
    else
        RevokeTarget();
}

void ComboDragDrop::OnUIDeadChanged(bool dead)
{
    if (m_control.m_settings.oleDropMode == zoOLEDropNone)
        return;
    if (dead)
        RevokeTarget();
    else
        RegisterTarget();
}

// ---- geometry

win::POINT ComboDragDrop::toClient(win::POINTL point) const
{
    win::POINT p{point.x, point.y};
    if (const win::HWND w = m_control.window())
        win::ScreenToClient(w, &p);
    return p;
}

bool ComboDragDrop::insideClient(win::POINTL point) const
{
    const win::HWND w = m_control.window();
    if (!w)
        return false;
    const win::POINT p = toClient(point);
    win::RECT c;
    win::GetClientRect(w, &c);
    return p.x >= c.left && p.x < c.right && p.y >= c.top && p.y < c.bottom;
}

win::RECT ComboDragDrop::textRect() const
{
    win::RECT r{0, 0, 0, 0};
    m_control.send(ZOM_GETTEXTRECT, 0, reinterpret_cast<win::LPARAM>(&r));
    return r;
}

namespace {
bool inRect(const win::RECT &r, win::POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
} // namespace

int32_t ComboDragDrop::charIndexAt(win::POINT client) const
{
    const win::LRESULT answer = m_control.send(EM_CHARFROMPOS, 0, win::MAKELPARAM(client.x, client.y));
    return win::LOWORD(uintptr_t(answer));
}

void ComboDragDrop::setDropCaretAtChar(int32_t index)
{
    const win::LRESULT pos = m_control.send(EM_POSFROMCHAR, win::WPARAM(index));
    m_control.send(ZOM_SETDROPCARETPOS, win::WPARAM(win::LPARAM(win::GET_X_LPARAM(pos))),
                   win::LPARAM(win::GET_Y_LPARAM(pos)));
}

void ComboDragDrop::rememberCaret()
{
    if (m_rememberedCaret.x == -1 && m_rememberedCaret.y == -1) {
        win::POINT p{-1, -1};
        if (win::GetCaretPos(&p))
            m_rememberedCaret = p;
    }
}

void ComboDragDrop::restoreCaret()
{
    m_control.send(ZOM_SETDROPCARETPOS, win::WPARAM(win::LPARAM(m_rememberedCaret.x)), win::LPARAM(m_rememberedCaret.y));
    m_rememberedCaret = win::POINT{-1, -1};
}

void ComboDragDrop::automaticEffect(win::DWORD keys, win::DWORD *effect)
{
    if ((keys & win::MK_CONTROL) && (*effect & win::DROPEFFECT_COPY))
        *effect &= ~win::DROPEFFECT_MOVE;
    else if (!(keys & win::MK_CONTROL) && (*effect & win::DROPEFFECT_MOVE))
        *effect &= ~win::DROPEFFECT_COPY;
}

void ComboDragDrop::containerPoint(win::POINTL screen, float *x, float *y) const
{
    const win::POINT c = toClient(screen);
    win::POINTL himetric{win::PixelsToHimetric(c.x), win::PixelsToHimetric(c.y)};
    win::POINTF container{float(himetric.x), float(himetric.y)};
    if (win::IOleControlSite *site = m_control.ControlSite())
        site->TransformCoords(&himetric, &container, win::XFORMCOORDS_POSITION | win::XFORMCOORDS_HIMETRICTOCONTAINER);
    *x = float(int32_t(container.x));
    *y = float(int32_t(container.y));
}

namespace {
int16_t shiftOf(win::DWORD keys)
{
    int16_t s = 0;
    if (keys & win::MK_SHIFT)
        s |= 1;
    if (keys & win::MK_CONTROL)
        s |= 2;
    if (keys & win::MK_ALT)
        s |= 4;
    return s;
}
} // namespace

void ComboDragDrop::makeEventData(win::IDataObject *data)
{
    // A failed creation leaves the events without a DataObject.
    m_eventData = ComPtr<ComboDataObject>(ComboDataObject::create(true, data, this));
}

void ComboDragDrop::fireDragOver(win::DWORD *effect, win::POINTL point, int16_t state)
{
    ComPtr<ComboDataObject> held = m_eventData;
    IDispatch *data = held ? static_cast<IVBDataObject *>(held.get()) : nullptr;
    if (data)
        data->AddRef();
    int32_t eff = int32_t(*effect);
    int16_t button = controls::ButtonsOfKeyFlags(m_keys), shift = shiftOf(m_keys);
    float x = 0, y = 0;
    if (state != zoLeave)
        containerPoint(point, &x, &y);
    m_control.FireEvent(kOLEDragOverEvent, {&data, &eff, &button, &shift, &x, &y, &state});
    if (data)
        data->Release();
    *effect = win::DWORD(eff);
}

void ComboDragDrop::fireDragDrop(win::DWORD *effect, win::POINTL point)
{
    ComPtr<ComboDataObject> held = m_eventData;
    IDispatch *data = held ? static_cast<IVBDataObject *>(held.get()) : nullptr;
    if (data)
        data->AddRef();
    int32_t eff = int32_t(*effect);
    int16_t button = controls::ButtonsOfKeyFlags(m_keys), shift = shiftOf(m_keys);
    float x = 0, y = 0;
    containerPoint(point, &x, &y);
    m_control.FireEvent(kOLEDragDropEvent, {&data, &eff, &button, &shift, &x, &y});
    if (data)
        data->Release();
    *effect = win::DWORD(eff);
}

// ---- the drop target

HRESULT ComboDragDrop::DragEnter(win::IDataObject *data, win::DWORD keys, win::POINTL point, win::DWORD *effect)
{
    if (!effect)
        return E_INVALIDARG;
    ComPtr<ComboDragDrop> keep(this);
    *effect &= ~win::DROPEFFECT_LINK;
    if (!insideClient(point))
        *effect = win::DROPEFFECT_NONE;
    m_keys = keys;
    makeEventData(data);
    const int32_t mode = m_control.m_settings.oleDropMode;
    if (mode != zoOLEDropNone)
        textDragEnter(data, point, effect);
    if (mode == zoOLEDropManual)
        fireDragOver(effect, point, zoEnter);
    return S_OK;
}

HRESULT ComboDragDrop::DragOver(win::DWORD keys, win::POINTL point, win::DWORD *effect)
{
    if (!effect)
        return E_INVALIDARG;
    ComPtr<ComboDragDrop> keep(this);
    *effect &= ~win::DROPEFFECT_LINK;
    m_keys = keys;
    const int32_t mode = m_control.m_settings.oleDropMode;
    if (mode == zoOLEDropManual) {
        const win::DWORD offered = *effect;
        win::DWORD answer = offered;
        fireDragOver(&answer, point, zoOver);
        *effect = (answer & offered) ? answer : win::DROPEFFECT_NONE;
    } else if (mode == zoOLEDropAutomatic) {
        automaticEffect(keys, effect);
    }
    if (mode != zoOLEDropNone)
        textDragOver(point, effect);
    if (!insideClient(point))
        *effect = win::DROPEFFECT_NONE;
    return S_OK;
}

HRESULT ComboDragDrop::DragLeave()
{
    ComPtr<ComboDragDrop> keep(this);
    const int32_t mode = m_control.m_settings.oleDropMode;
    if (mode == zoOLEDropManual) {
        win::DWORD none = win::DROPEFFECT_NONE;
        fireDragOver(&none, win::POINTL{0, 0}, zoLeave);
    }
    if (mode != zoOLEDropNone)
        textDragLeave();
    m_eventData.reset();
    return S_OK;
}

HRESULT ComboDragDrop::Drop(win::IDataObject *data, win::DWORD keys, win::POINTL point, win::DWORD *effect)
{
    if (!effect)
        return E_INVALIDARG;
    ComPtr<ComboDragDrop> keep(this);
    *effect &= ~win::DROPEFFECT_LINK;
    m_keys = keys;
    if (!m_eventData || m_eventData->wrapped() != data)
        makeEventData(data);
    const int32_t mode = m_control.m_settings.oleDropMode;
    if (mode != zoOLEDropNone)
        textDrop(data, point, effect);
    if (mode == zoOLEDropManual)
        fireDragDrop(effect, point);
    m_eventData.reset();
    return S_OK;
}

// ---- text drop into the edit part

void ComboDragDrop::textDragEnter(win::IDataObject *data, win::POINTL point, win::DWORD *effect)
{
    const ComboSettings &s = m_control.m_settings;
    const bool automatic = s.oleDropMode == zoOLEDropAutomatic;
    if (s.style == zoDropDownList) {
        // A drop-down list takes no text: nothing to accept by itself.
        if (automatic)
            *effect = win::DROPEFFECT_NONE;
        return;
    }
    const win::POINT p = toClient(point);
    const win::RECT text = textRect();
    if (!data || s.readOnly) {
        *effect = win::DROPEFFECT_NONE;
        return;
    }
    const win::FORMATETC f = FormatEtcOf(win::CF_TEXT);
    if (data->QueryGetData(&f) != S_OK) {
        // Without text there is nothing to take in automatic mode.
        if (automatic)
            *effect = win::DROPEFFECT_NONE;
        return;
    }
    if (!m_ownDrag)
        m_control.send(ZOM_DRAGENTER);
    if (automatic)
        automaticEffect(m_keys, effect);
    int lineHeight = 0;
    if (const win::HWND w = m_control.window()) {
        const win::HDC dc = win::GetDC(w);
        const win::HGDIOBJ old = m_control.m_fontHandle ? win::SelectObject(dc, m_control.m_fontHandle) : 0;
        win::TEXTMETRICA tm;
        if (win::GetTextMetricsA(dc, &tm))
            lineHeight = tm.tmHeight + tm.tmExternalLeading;
        if (old)
            win::SelectObject(dc, old);
        win::ReleaseDC(w, dc);
    }
    m_control.send(ZOM_CREATEDROPCARET, 2, win::LPARAM(lineHeight));
    if (m_ownDrag)
        rememberCaret();
    setDropCaretAtChar(charIndexAt(p));
    if (inRect(text, p)) {
        m_caretShown = true;
        m_control.send(ZOM_SHOWDROPCARET);
    }
}

void ComboDragDrop::textDragOver(win::POINTL point, win::DWORD *effect)
{
    const ComboSettings &s = m_control.m_settings;
    if (s.style == zoDropDownList) {
        if (s.oleDropMode == zoOLEDropAutomatic)
            *effect = win::DROPEFFECT_NONE;
        return;
    }
    const win::POINT p = toClient(point);
    if (!inRect(textRect(), p) || s.readOnly || *effect == win::DROPEFFECT_NONE) {
        if (m_caretShown) {
            m_control.send(ZOM_DROPCARETOFF);
            m_caretShown = false;
        }
        *effect = win::DROPEFFECT_NONE;
        return;
    }
    if (!m_caretShown) {
        m_control.send(ZOM_SHOWDROPCARET);
        m_caretShown = true;
    }
    rememberCaret();
    setDropCaretAtChar(charIndexAt(p));
}

void ComboDragDrop::textDragLeave()
{
    const ComboSettings &s = m_control.m_settings;
    if (s.style == zoDropDownList || s.readOnly)
        return;
    m_caretShown = false;
    const win::HWND w = m_control.window();
    if (m_ownDrag) {
        m_control.send(ZOM_ENDDROPFEEDBACK);
        restoreCaret();
        m_control.send(EM_SCROLLCARET);
        return;
    }
    m_control.send(ZOM_ENDDROPFEEDBACK);
    m_rememberedCaret = win::POINT{-1, -1};
    if (w && win::GetFocus() == w)
        m_control.send(EM_SCROLLCARET);
    else
        m_control.send(ZOM_DRAGLEAVE);
}

void ComboDragDrop::textDrop(win::IDataObject *data, win::POINTL point, win::DWORD *effect)
{
    const ComboSettings &s = m_control.m_settings;
    if (s.style == zoDropDownList) {
        if (s.oleDropMode == zoOLEDropAutomatic)
            *effect = win::DROPEFFECT_NONE;
        return;
    }
    const win::HWND w = m_control.window();
    const win::POINT p = toClient(point);
    m_caretShown = false;
    if (m_ownDrag && m_control.pointInSelection(p)) {
        // Onto its own selection: nothing moves.
        *effect = win::DROPEFFECT_NONE;
        if (w && win::GetFocus() == w) {
            restoreCaret();
        } else {
            m_control.send(ZOM_ENDDROPFEEDBACK);
            m_rememberedCaret = win::POINT{-1, -1};
        }
        return;
    }
    const int32_t index = charIndexAt(p);
    if (!m_ownDrag && s.oleDropMode == zoOLEDropManual) {
        m_control.send(ZOM_ENDDROPFEEDBACK);
        m_control.send(ZOM_SETSELSTART, win::WPARAM(index));
        return;
    }
    auto refuse = [&] {
        *effect = win::DROPEFFECT_NONE;
        m_control.send(ZOM_ENDDROPFEEDBACK);
        m_rememberedCaret = win::POINT{-1, -1};
    };
    if (!s.enabled || s.readOnly || !data) {
        refuse();
        return;
    }
    const win::FORMATETC f = FormatEtcOf(win::CF_TEXT);
    win::STGMEDIUM medium;
    if (FAILED(data->GetData(&f, &medium))) {
        refuse();
        return;
    }
    QByteArray text;
    const char *bytes = medium.tymed == win::TYMED_HGLOBAL ? static_cast<const char *>(GlobalLock(medium.hGlobal)) : nullptr;
    if (!bytes) {
        win::ReleaseStgMedium(&medium);
        refuse();
        return;
    }
    // A block from elsewhere need not end in a terminator.
    text = QByteArray(bytes, int(strnlen(bytes, GlobalSize(medium.hGlobal))));
    GlobalUnlock(medium.hGlobal);
    automaticEffect(m_keys, effect);
    win::LRESULT refused = 0;
    if (m_ownDrag) {
        refused = m_control.send(ZOM_MOVEDROPTEXT, win::WPARAM(index), reinterpret_cast<win::LPARAM>(text.constData()));
        m_selfDrop = true;
        m_rememberedCaret = win::POINT{-1, -1};
    } else {
        m_control.send(ZOM_ENDDROPFEEDBACK);
        refused = m_control.send(ZOM_INSERTDROPTEXT, win::WPARAM(index), reinterpret_cast<win::LPARAM>(text.constData()));
    }
    // Text the window would not take was not moved: the source keeps it.
    if (refused == 1 && !m_ownDrag)
        *effect = win::DROPEFFECT_NONE;
    if (w && win::GetFocus() != w)
        win::SetFocus(w);
    win::ReleaseStgMedium(&medium);
}

} // namespace pickwell
