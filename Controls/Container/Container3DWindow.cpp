// The container's window: its messages, mouse handling, painting, the
// layout of the contained controls and the AutoSize fit.
#include "Controls/Container/Container3D.h"

#include "Controls/Container/ContainerInput.h"
#include "Controls/Container/Extender.h"
#include "Controls/Container/LumafoldModule.h"

#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <cmath>
#include <cstdlib>

namespace lumafold {

using namespace platform::com;
using namespace platform::win;

namespace {

constexpr DWORD kWindowStyle = 0x56010007u | WS_CLIPSIBLINGS;
constexpr DWORD WS_EX_NOPARENTNOTIFY_ = 0x00000004u;
constexpr UINT WM_PRINTCLIENT_ = 0x0318;
constexpr DISPID kExtenderNoTracking = static_cast<DISPID>(0x80010009u);
constexpr uint32_t kButtonBits = 0x07;

constexpr uint32_t dblClickMark(int16_t button)
{
    return static_cast<uint32_t>(button) << 3;
}

POINT pointOf(LPARAM lParam)
{
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

bool inside(const RECT &r, POINT p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// Names compare ignoring the case of ASCII letters only.
bool sameName(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= 'a' && x <= 'z')
            x = char16_t(x - 32);
        if (y >= 'a' && y <= 'z')
            y = char16_t(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

const char *Container3D::windowClassName()
{
    return "RyxContainer3D";
}

// ---- window

HWND Container3D::CreateControlWindow(HWND parent, const RECT &rect)
{
    WNDCLASSA existing{};
    if (!GetClassInfoA(0, windowClassName(), &existing)) {
        WNDCLASSA wc{};
        // The bevel runs along the edges: a change of size repaints the whole
        // window, or the old edge would stay and the new one never be drawn.
        wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &Container3D::windowProc;
        wc.hCursor = LoadCursorA(0, IDC_ARROW); // the default MousePointer
        wc.lpszClassName = windowClassName();
        if (!RegisterClassA(&wc))
            return 0;
    }
    SetPreviousWindowProc(DefWindowProcA);
    return CreateWindowExA(WS_EX_NOPARENTNOTIFY_, windowClassName(), "", kWindowStyle, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent, 0, 0, this);
}

void Container3D::DestroyControlWindow(HWND hwnd)
{
    m_effects->setWindow(nullptr);
    m_childs->setWindow(nullptr);
    if (hwnd && IsWindow(hwnd))
        DestroyWindow(hwnd);
}

LRESULT Container3D::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto *cs = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        auto *self = static_cast<Container3D *>(cs->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Window = hwnd;
    }
    auto *self = reinterpret_cast<Container3D *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    bool handled = false;
    const LRESULT result = self->handleMessage(hwnd, message, wParam, lParam, &handled);
    if (handled)
        return result;
    if (self->Window == hwnd && self->DispatchBaseWindowMessage(hwnd, message, wParam, lParam))
        return 0;
    const LRESULT r = DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (self->Window == hwnd) {
            self->DetachWindow();
            self->m_mouseInside = false;
            self->m_swallowMove = false;
        }
    }
    return r;
}

LRESULT Container3D::handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool *handled)
{
    *handled = true;
    switch (message) {
    case WM_CREATE: {
        const LRESULT r = CallDefaultProc(message, wParam, lParam);
        m_effects->setWindow(this);
        m_childs->setWindow(this);
        if (userMode())
            EnableWindow(hwnd, m_enabled ? 1 : 0);
        return r;
    }
    case WM_NCDESTROY:
        m_effects->setWindow(nullptr);
        m_childs->setWindow(nullptr);
        *handled = false;
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC hdc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        if (hdc)
            paint(hdc, client);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT_: {
        RECT client;
        GetClientRect(hwnd, &client);
        paint(static_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (onSetCursor())
            return 1;
        *handled = false;
        return 0;
    case WM_MOUSEMOVE: {
        if (m_swallowMove) {
            m_swallowMove = false;
            return 0;
        }
        if (!trackingOff()) {
            RECT client;
            GetClientRect(hwnd, &client);
            const bool in = inside(client, pointOf(lParam));
            if (in && !m_mouseInside) {
                SetTimer(hwnd, kMouseTimer, 200, nullptr);
                m_mouseInside = true;
                FireEvent(controls::kMouseEnterEvent, {});
            } else if (!in && m_mouseInside && wParam != 0) {
                KillTimer(hwnd, kMouseTimer);
                FireEvent(controls::kMouseExitEvent, {});
                m_mouseInside = false;
            }
        }
        if (Window != hwnd || !IsWindow(hwnd))
            return 0;
        *handled = false; // on to the suite base: MouseMove
        return 0;
    }
    case WM_TIMER:
        if (wParam != kMouseTimer) {
            *handled = false;
            return 0;
        }
        onTimer();
        return 0;
    case WM_CHILD_NAME_CHANGED:
        dropAllRecordsAndRelayout();
        InvalidateRect(hwnd, nullptr, 1);
        return 0;
    case WM_EFFECTS_CHANGED:
        notify(9);
        notify(8);
        LayoutChildren();
        InvalidateRect(hwnd, nullptr, 1);
        return 0;
    case WM_CHILDS_CHANGED:
    case WM_CHILD_EFFECT_CHANGED:
        notify(8);
        LayoutChildren();
        InvalidateRect(hwnd, nullptr, 1);
        return 0;
    default:
        *handled = false;
        return 0;
    }
}

void Container3D::OnAmbientChanged(DISPID id)
{
    if (id == DISPID_AMBIENT_BACKCOLOR && Window) {
        LayoutChildren();
        redraw(true);
    }
}

// ---- mouse

bool Container3D::IsClickPoint(POINT point)
{
    RECT client{};
    return Window && GetClientRect(Window, &client) && inside(client, point);
}

void Container3D::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    CallDefaultProc(WM_MOUSEMOVE, wParam, lParam);
    if (!stillWindow(w) || !eventEnabled(controls::kEventMouseMove))
        return;
    const int16_t button = controls::ButtonsOfKeyFlags(DWORD(wParam));
    int16_t shift = 0;
    if (wParam & MK_SHIFT)
        shift |= controls::kShiftMask;
    if (wParam & MK_CONTROL)
        shift |= controls::kCtrlMask;
    if (GetKeyState(VK_MENU) < 0)
        shift |= controls::kAltMask;
    const POINT p = pointOf(lParam);
    FireEvent(controls::kMouseMoveEvent, {button, shift, int32_t(p.x), int32_t(p.y)});
}

void Container3D::OnLButtonDblClk(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    CallDefaultProc(WM_LBUTTONDBLCLK, wParam, lParam);
    if (!stillWindow(w))
        return;
    m_swallowMove = true;
    FireDblClick(controls::kLeftButton, pointOf(lParam));
}

void Container3D::OnRButtonDblClk(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    if (GetCapture() != w)
        SetCapture(w);
    ButtonState |= uint32_t(controls::kRightButton);
    if (eventEnabled(controls::kEventDblClick) && IsDblClickPoint(pointOf(lParam)))
        FireEvent(controls::kDblClickEvent, {});
    if (!stillWindow(w))
        return;
    ButtonState |= dblClickMark(controls::kRightButton);
    CallDefaultProc(WM_RBUTTONDBLCLK, wParam, lParam);
}

void Container3D::OnRButtonUp(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    CallDefaultProc(WM_RBUTTONUP, wParam, lParam);
    if (!stillWindow(w))
        return;
    const POINT p = pointOf(lParam);
    ButtonState &= ~uint32_t(controls::kRightButton);
    if (!(ButtonState & kButtonBits) && GetCapture() == w)
        ReleaseCapture();
    if (eventEnabled(controls::kEventMouseUp))
        FireEvent(controls::kMouseUpEvent, {controls::kRightButton, GetKeyShiftState(), int32_t(p.x), int32_t(p.y)});
    if (!stillWindow(w))
        return;
    const bool endsDoubleClick = (ButtonState & dblClickMark(controls::kRightButton)) != 0;
    ButtonState &= ~dblClickMark(controls::kRightButton);
    if (!endsDoubleClick && eventEnabled(controls::kEventClick) && IsClickPoint(p))
        FireEvent(controls::kClickEvent, {});
}

bool Container3D::trackingOff()
{
    ComPtr<IDispatch> extender;
    if (FAILED(GetExtendedControl(extender.put())) || !extender)
        return false;
    Variant v;
    if (!extender::getById(extender.get(), kExtenderNoTracking, v))
        return false;
    return v.toInt() != 0;
}

void Container3D::onTimer()
{
    const HWND w = Window;
    if (!w)
        return;
    POINT cursor{};
    RECT windowRect{};
    input::cursorPosition(&cursor);
    GetWindowRect(w, &windowRect);
    if (inside(windowRect, cursor) && (input::windowFromPoint(cursor) == w || GetCapture() == w))
        return;
    KillTimer(w, kMouseTimer);
    FireEvent(controls::kMouseExitEvent, {});
    m_mouseInside = false;
}

bool Container3D::onSetCursor()
{
    if (!userMode() || m_mousePointer == zoDefault)
        return false;
    Variant uiDead;
    if (SUCCEEDED(GetAmbientProperty(DISPID_AMBIENT_UIDEAD, uiDead)) && uiDead.toInt() != 0)
        return false;
    if (m_mousePointer == zoCustom) {
        QImage image;
        if (m_mouseIcon)
            m_mouseIcon->getImage(&image);
        return input::setIconCursor(Window, image);
    }
    return input::setSystemCursor(Window, m_mousePointer);
}

// ---- layout

int Container3D::twipsPerPixel() const
{
    int dpi = 0;
    if (Window) {
        const HDC hdc = GetDC(Window);
        dpi = GetDeviceCaps(hdc, LOGPIXELSX);
        ReleaseDC(Window, hdc);
    }
    return dpi > 0 ? 1440 / dpi : 15;
}

void Container3D::invalidateRing(const ChildFrameRecord &r) const
{
    if (!Window)
        return;
    const RECT &o = r.outer;
    const RECT &i = r.inner;
    const POINT pts[16] = {
        {o.left, o.top}, {o.right, o.top}, {o.right, i.top}, {o.left, i.top},
        {o.left, i.bottom}, {o.right, i.bottom}, {o.right, o.bottom}, {o.left, o.bottom},
        {o.left, i.top}, {i.left, i.top}, {i.left, i.bottom}, {o.left, i.bottom},
        {i.right, i.top}, {o.right, i.top}, {o.right, i.bottom}, {i.right, i.bottom},
    };
    const int counts[4] = {4, 4, 4, 4};
    const HRGN ring = CreatePolyPolygonRgn(pts, counts, 4, WINDING);
    InvalidateRgn(Window, ring, 1);
    DeleteObject(ring);
}

void Container3D::applyEffectRule(ChildFrameRecord &record) const
{
    record.framed = false;
    if (m_applyEffect == zoApplyChilds) {
        applyEffectToRecord(record, resolveEffect(m_childsEffect).get());
    } else if (m_applyEffect == zoApplyAll && m_childs) {
        for (int i = 0; i < m_childs->count(); ++i) {
            Child *child = m_childs->at(i);
            if (!sameName(child->name(), record.name))
                continue;
            Variant effect;
            child->get_Effect(&effect);
            ComPtr<IEffect> e;
            if (effect.vt == VT_DISPATCH && effect.pdispVal)
                effect.pdispVal->QueryInterface(IID_IEffect, e.putVoid());
            applyEffectToRecord(record, e.get());
            break;
        }
    }
}

bool Container3D::recordFor(IDispatch *ext, int tpp, ChildFrameRecord *record, bool *visibleOrDesign,
                            bool *sizeKnown) const
{
    *visibleOrDesign = extender::readBool(ext, u"Visible") || !userMode();
    if (!*visibleOrDesign)
        return false;
    const int left = extender::readCoordinate(ext, u"Left");
    const int top = extender::readCoordinate(ext, u"Top");
    const int width = extender::readCoordinate(ext, u"Width");
    const int height = extender::readCoordinate(ext, u"Height");
    const float t = float(tpp);
    RECT r;
    r.left = int(float(left) / t + 0.5f);
    r.top = int(float(top) / t + 0.5f);
    r.right = int(float(width) / t + float(r.left) + 0.5f);
    r.bottom = int(float(height) / t + float(r.top) + 0.5f);
    record->outer = r;
    record->inner = r;
    record->name = extender::controlName(ext);
    *sizeKnown = width >= 0 && height >= 0;
    return true;
}

void Container3D::LayoutChildren()
{
    if (m_layoutRunning)
        return;
    m_layoutRunning = true;
    layoutPass();
    m_layoutRunning = false;
}

void Container3D::layoutPass()
{
    if (!Window)
        return;
    const int tpp = twipsPerPixel();
    ComPtr<IDispatch> own;
    if (FAILED(GetExtendedControl(own.put())) || !own)
        return;
    ComPtr<IVBGetControl> getControl;
    if (FAILED(own->QueryInterface(IID_IVBGetControl, getControl.putVoid())) || !getControl)
        return;
    ComPtr<IEnumUnknown> controls;
    if (FAILED(getControl->EnumControls(13, GC_WCH_CONTAINED, controls.put())) || !controls)
        return;
    controls->Reset();

    m_frames.markAllUnseen();
    const auto invalidate = [this](const ChildFrameRecord &r) { invalidateRing(r); };
    int counted = 0;
    ComPtr<IDispatch> first;
    for (;;) {
        IUnknown *item = nullptr;
        ULONG fetched = 0;
        if (controls->Next(1, &item, &fetched) != S_OK || !fetched || !item)
            break;
        const ComPtr<IUnknown> control = ComPtr<IUnknown>::attach(item);
        const ComPtr<IDispatch> ext = extender::of(control.get());
        if (!ext)
            continue;
        ++counted;
        if (!first)
            first = ext;
        ChildFrameRecord record;
        bool shown = false;
        bool sizeKnown = false;
        if (!recordFor(ext.get(), tpp, &record, &shown, &sizeKnown) || !sizeKnown)
            continue;
        applyEffectRule(record);
        m_frames.update(record, invalidate);
    }
    m_frames.removeUnseen(invalidate);
    if (counted == 1 && m_autoSize == zoAutoSizeChild && first)
        fitSoleControl(first.get(), tpp);
}

void Container3D::fitSoleControl(IDispatch *ext, int tpp)
{
    // A sole control without a frame record (hidden at run time, or of no
    // known size) is left where it is.
    if (m_frames.count() == 0)
        return;
    const ComPtr<IEffect> ownEffect = resolveEffect(m_ctrlEffect);
    const EffectLook own = ownEffect ? EffectLook::of(ownEffect.get()) : EffectLook::none();
    const int mt = ownEffect ? own.marginTop : 1;
    const int mb = ownEffect ? own.marginBottom : 1;
    const int ml = ownEffect ? own.marginLeft : 1;
    const int mr = ownEffect ? own.marginRight : 1;

    const SIZE extentPx = HimetricToPixels(Extent());
    RECT interior{0, 0, extentPx.cx, extentPx.cy};
    if (ownEffect) {
        const int frame = std::abs(own.bevelSpace) + std::abs(own.bevelInner) + std::abs(own.bevelOuter) +
                          std::abs(own.borderStyle);
        interior = {interior.left + frame, interior.top + frame, interior.right - frame - own.shadowWidth,
                    interior.bottom - frame - own.shadowWidth};
    } else {
        interior = {1, 1, interior.right - 1, interior.bottom - 1};
    }

    const ChildFrameRecord &record = m_frames.records().front();
    int F = 0, cml = 0, cmr = 0, cmt = 0, cmb = 0, sw = 0;
    if (record.framed) {
        const EffectLook &l = record.look;
        F = 2 * (std::abs(l.bevelInner) + l.borderStyle + l.bevelSpace + std::abs(l.bevelOuter));
        cml = l.marginLeft;
        cmr = l.marginRight;
        cmt = l.marginTop;
        cmb = l.marginBottom;
        sw = l.shadowWidth;
    }
    const int left = extender::readCoordinate(ext, u"Left");
    const int top = extender::readCoordinate(ext, u"Top");
    const int width = extender::readCoordinate(ext, u"Width");
    const int height = extender::readCoordinate(ext, u"Height");
    const RECT current{left - (cml + F / 2) * tpp, top - (cmt + F / 2) * tpp,
                       width + (cml + F + cmr + sw) * tpp, height + (F + sw + cmb + cmt) * tpp};
    const RECT target{(interior.left + ml) * tpp, (interior.top + mt) * tpp,
                      (interior.right - mr - ml - interior.left) * tpp, (interior.bottom - mb - mt - interior.top) * tpp};
    if (current == target || current.right < 0 || current.bottom < 0)
        return;

    extender::writeCoordinate(ext, u"Top", (interior.top + mt + cmt + F / 2) * tpp);
    extender::writeCoordinate(ext, u"Left", (interior.left + ml + cml + F / 2) * tpp);
    if (!extender::readBool(ext, u"AutoSize")) {
        extender::writeCoordinate(ext, u"Width", (interior.right - cmr - mr - ml - sw - cml - interior.left - F) * tpp);
        extender::writeCoordinate(ext, u"Height", (interior.bottom - cmb - mb - mt - sw - cmt - interior.top - F) * tpp);
    }
    const int newWidth = extender::readCoordinate(ext, u"Width");
    const int newHeight = extender::readCoordinate(ext, u"Height");
    const int outerWidth = newWidth + (cmr + F + sw + cml) * tpp;
    const int outerHeight = newHeight + (sw + F + cmb + cmt) * tpp;
    if (outerWidth >= 0 && outerHeight >= 0) {
        const RECT &pos = PosRect();
        const int interiorWidth = interior.right - interior.left;
        const int interiorHeight = interior.bottom - interior.top;
        RECT next;
        next.left = pos.left;
        next.top = pos.top;
        next.right = pos.left + outerWidth / tpp + ml + mr + (extentPx.cx - interiorWidth);
        next.bottom = pos.top + outerHeight / tpp + mt + mb + (extentPx.cy - interiorHeight);
        if (IOleInPlaceSite *site = InPlaceSite())
            site->OnPosRectChange(&next);
    }
    if (record.framed) {
        ChildFrameRecord moved;
        moved.name = record.name;
        moved.inner.left = interior.left + ml + cml + F / 2;
        moved.inner.top = interior.top + mt + cmt + F / 2;
        moved.inner.right = moved.inner.left + int(float(newWidth) / float(tpp) + 0.5f);
        moved.inner.bottom = moved.inner.top + int(float(newHeight) / float(tpp) + 0.5f);
        moved.outer = moved.inner;
        applyEffectRule(moved);
        m_frames.update(moved, [this](const ChildFrameRecord &r) { invalidateRing(r); });
    }
}

void Container3D::dropAllRecordsAndRelayout()
{
    for (const ChildFrameRecord &r : m_frames.records())
        invalidateRing(r);
    m_frames.clear();
    LayoutChildren();
}

void Container3D::InvalidateAroundChildren(int frameWidth, int shadowWidth)
{
    LayoutChildren();
    if (!Window)
        return;
    InvalidateRect(Window, nullptr, 1);
    const int m1 = std::max(m_storedFrameWidth, frameWidth);
    const int m2 = std::max(m_storedShadowWidth, shadowWidth);
    RECT client;
    GetClientRect(Window, &client);
    const RECT interior = interiorOf(client, m1, m2);
    const HRGN inside = CreateRectRgn(interior.left, interior.top, interior.right, interior.bottom);
    for (const ChildFrameRecord &r : m_frames.records()) {
        const HRGN own = CreateRectRgn(r.inner.left, r.inner.top, r.inner.right, r.inner.bottom);
        CombineRgn(own, own, inside, RGN_AND);
        ValidateRgn(Window, own);
        DeleteObject(own);
    }
    DeleteObject(inside);
    m_storedFrameWidth = frameWidth;
    m_storedShadowWidth = shadowWidth;
}

// ---- painting

COLORREF Container3D::ambientBackColor()
{
    Variant v;
    if (SUCCEEDED(GetAmbientProperty(DISPID_AMBIENT_BACKCOLOR, v))) {
        bool ok = false;
        const int32_t colour = v.toInt(&ok);
        if (ok)
            return toRgb(OLE_COLOR(colour));
    }
    return toRgb(kFaceColour);
}

void Container3D::paint(HDC hdc, const RECT &bounds)
{
    if (Window && !m_layoutRunning)
        LayoutChildren();
    if (!m_redraw && userMode())
        return;
    PaintState state;
    const ComPtr<IEffect> own = resolveEffect(m_ctrlEffect);
    state.hasOwnEffect = bool(own);
    state.own = own ? EffectLook::of(own.get()) : EffectLook::none();
    state.records = &m_frames.records();
    state.applyEffect = m_applyEffect;
    state.ambientBack = ambientBackColor();
    state.position = POINT{PosRect().left, PosRect().top};
    ContainerOnDraw(hdc, bounds, state);
}

HRESULT Container3D::OnDraw(HDC hdc, const RECT &bounds)
{
    paint(hdc, bounds);
    return S_OK;
}

} // namespace lumafold
