#include "platform/win/ole/controlhost.h"

#include "platform/com/font.h"
#include "platform/win/accel.h"
#include "platform/win/embed.h"
#include "platform/win/ole/hostobjects.h"
#include "platform/win/window.h"

#include <QApplication>
#include <QKeyEvent>

#include <cmath>

namespace platform::win {

namespace detail {
void virtualKey(int key, int *vk, int *scan, bool *extended);
}

using namespace platform::com;
using olehost::ControlSite;
using olehost::Extender;

namespace {

OLE_COLOR oleColor(const QColor &c)
{
    return static_cast<OLE_COLOR>(RGB(c.red(), c.green(), c.blue()));
}

constexpr const char *kHostClass = "TalvikControlHost";

void registerHostClass()
{
    WNDCLASSA wc;
    if (GetClassInfoA(0, kHostClass, &wc))
        return;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc);
}

// One application filter for all hosts: each key event is offered to the
// hosts in turn (a host takes only keys of its own control's windows), and
// every other event passes with a single type test, however many hosts a
// program has.
class KeyRouter final : public QObject {
public:
    static void add(ControlHostWidget *host)
    {
        KeyRouter &r = instance();
        if (r.m_hosts.isEmpty() && qApp)
            qApp->installEventFilter(&r);
        r.m_hosts.append(host);
    }
    static void remove(ControlHostWidget *host)
    {
        KeyRouter &r = instance();
        r.m_hosts.removeAll(host);
        if (r.m_hosts.isEmpty() && qApp)
            qApp->removeEventFilter(&r);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        const QList<QPointer<ControlHostWidget>> hosts = m_hosts; // a key may close a host
        for (const QPointer<ControlHostWidget> &host : hosts)
            if (host && static_cast<QObject *>(host.data())->eventFilter(watched, event))
                return true;
        return event->type() == QEvent::KeyPress && mnemonic(hosts, watched, static_cast<QKeyEvent *>(event));
    }

    // Alt with a key that no one took: the mnemonic of a control on the
    // same window as the key's target (the first in creation order).
    static bool mnemonic(const QList<QPointer<ControlHostWidget>> &hosts, QObject *watched, QKeyEvent *key)
    {
        if (!(key->modifiers() & Qt::AltModifier) || !watched->isWidgetType())
            return false;
        int vk, scan;
        bool extended;
        detail::virtualKey(key->key(), &vk, &scan, &extended);
        if (!vk || vk == VK_MENU || vk == VK_SHIFT || vk == VK_CONTROL)
            return false;
        const int shift = ((key->modifiers() & Qt::ShiftModifier) ? 1 : 0)
            | ((key->modifiers() & Qt::ControlModifier) ? 2 : 0) | 4;
        QWidget *top = static_cast<QWidget *>(watched)->window();
        for (const QPointer<ControlHostWidget> &host : hosts)
            if (host && host->window() == top && host->isMnemonic(vk, shift))
                return host->runMnemonic(vk, shift);
        return false;
    }

private:
    static KeyRouter &instance()
    {
        static KeyRouter router;
        return router;
    }
    QList<QPointer<ControlHostWidget>> m_hosts;
};

} // namespace

ControlHostWidget::ControlHostWidget(QWidget *parent) : QWidget(parent)
{
    registerHostClass();
    m_hostWindow = CreateWindowExA(0, kHostClass, "", 0, 0, 0, width(), height(), 0, 0, 0, nullptr);
    if (m_hostWindow) {
        EmbedWindowInWidget(m_hostWindow, this);
        ShowWindow(m_hostWindow, SW_SHOW);
    }
    KeyRouter::add(this);
}

ControlHostWidget::~ControlHostWidget()
{
    KeyRouter::remove(this);
    destroyControl();
    for (ContainedItem &item : m_contained)
        if (item.host && item.host->m_container == this)
            item.host->m_container = nullptr;
    m_contained.clear();
    if (m_hostWindow)
        DestroyWindow(std::exchange(m_hostWindow, 0));
}

int ControlHostWidget::LiveObjectCount()
{
    return olehost::liveObjects();
}

HRESULT ControlHostWidget::createControl(const QString &clsidOrProgId, const QString &name, IPropertyBag *bag,
                                         int index)
{
    if (m_control)
        return E_UNEXPECTED;
    if (!m_hostWindow)
        return E_FAIL;
    CLSID clsid;
    HRESULT hr = S_OK;
    if (clsidOrProgId.startsWith(QLatin1Char('{'))) {
        bool ok = false;
        clsid = GUID::fromString(clsidOrProgId, &ok);
        if (!ok)
            return CO_E_CLASSSTRING;
    } else if (FAILED(hr = CLSIDFromProgID(clsidOrProgId, &clsid))) {
        return hr;
    }
    ComPtr<IOleObject> object;
    if (FAILED(hr = CoCreateInstance(clsid, nullptr, IID_IOleObject, object.putVoid())))
        return hr;
    if (!object)
        return E_NOINTERFACE;

    m_name = name;
    m_index = index;
    m_site = ComPtr<ControlSite>(new ControlSite(this));
    m_control = object;

    DWORD misc = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool siteFirst = misc & OLEMISC_SETCLIENTSITEFIRST;
    if (siteFirst)
        hr = object->SetClientSite(m_site.get());
    if (SUCCEEDED(hr)) {
        ComPtr<IPersistPropertyBag> bagPersist;
        ComPtr<IPersistStreamInit> streamPersist;
        if (SUCCEEDED(object->QueryInterface(IID_IPersistPropertyBag, bagPersist.putVoid())) && bagPersist)
            hr = bag ? bagPersist->Load(bag, nullptr) : bagPersist->InitNew();
        else if (bag)
            hr = E_NOINTERFACE; // a bag was given and cannot be read: do not run on defaults
        else if (SUCCEEDED(object->QueryInterface(IID_IPersistStreamInit, streamPersist.putVoid())) && streamPersist)
            hr = streamPersist->InitNew();
    }
    if (SUCCEEDED(hr) && !siteFirst)
        hr = object->SetClientSite(m_site.get());
    if (SUCCEEDED(hr)) {
        if (width() <= 0 || height() <= 0) {
            SIZEL extent;
            if (SUCCEEDED(object->GetExtent(DVASPECT_CONTENT, &extent)))
                resize(HimetricToPixels(extent.cx), HimetricToPixels(extent.cy));
        }
        SetWindowPos(m_hostWindow, 0, 0, 0, width(), height(), SWP_NOZORDER | SWP_NOACTIVATE);
        SIZEL extent = PixelsToHimetric(SIZE{width(), height()});
        object->SetExtent(DVASPECT_CONTENT, &extent);
        m_posRect = RECT{0, 0, width(), height()};
        hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_site.get(), 0, m_hostWindow, &m_posRect);
    }
    if (FAILED(hr)) {
        destroyControl();
        return hr;
    }
    // A control that takes the focus is a tab stop of its window: Tab and
    // Shift+Tab from the window's other controls reach the control's window.
    m_tabStop = !(misc & (OLEMISC_ACTSLIKELABEL | OLEMISC_NOUIACTIVATE | OLEMISC_INVISIBLEATRUNTIME | OLEMISC_SIMPLEFRAME));
    if (QWidget *own = controlWindow() ? WidgetOfWindow(controlWindow()) : nullptr; own && m_tabStop)
        own->setFocusPolicy(Qt::TabFocus);
    readControlInfo();
    return S_OK;
}

void ControlHostWidget::readControlInfo()
{
    m_mnemonics = 0;
    ComPtr<IOleControl> control;
    if (FAILED(queryControl(IID_IOleControl, control.putVoid())) || !control)
        return;
    CONTROLINFO info;
    if (SUCCEEDED(control->GetControlInfo(&info)) && info.cAccel > 0)
        m_mnemonics = info.hAccel;
}

bool ControlHostWidget::isMnemonic(int vk, int shift) const
{
    return m_control && m_mnemonics && MatchAccelerator(m_mnemonics, vk, shift);
}

bool ControlHostWidget::runMnemonic(int vk, int shift)
{
    if (!isMnemonic(vk, shift) || !isVisible() || !isEnabled())
        return false;
    ComPtr<IOleObject> keep = m_control; // the control may close this host
    ComPtr<IOleControl> control;
    if (FAILED(queryControl(IID_IOleControl, control.putVoid())) || !control)
        return false;
    const HWND own = controlWindow();
    if (m_tabStop && own && IsWindowEnabled(own))
        SetFocus(own);
    MSG msg;
    msg.hwnd = own;
    msg.message = WM_SYSKEYDOWN;
    msg.wParam = static_cast<WPARAM>(vk);
    msg.lParam = 1 | (LPARAM(1) << 29);
    msg.time = GetTickCount();
    control->OnMnemonic(&msg);
    return true;
}

bool ControlHostWidget::moveFocusToTabStop(bool next)
{
    // Qt's own focus chain of the window: the form's controls in their
    // order, this control's window among them.
    return focusNextPrevChild(next);
}

void ControlHostWidget::destroyControl()
{
    if (m_control) {
        ComPtr<IOleObject> object = std::move(m_control);
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
    }
    if (m_site) {
        m_site->detach();
        m_site.reset();
    }
    m_name.clear();
    m_index = -1;
    m_tabStop = false;
    m_mnemonics = 0;
}

HRESULT ControlHostWidget::queryControl(const IID &iid, void **object) const
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return m_control ? m_control->QueryInterface(iid, object) : E_NOINTERFACE;
}

HWND ControlHostWidget::controlWindow() const
{
    ComPtr<IOleInPlaceObject> inPlace;
    HWND hwnd = 0;
    if (SUCCEEDED(queryControl(IID_IOleInPlaceObject, inPlace.putVoid())) && inPlace)
        inPlace->GetWindow(&hwnd);
    return hwnd;
}

IDispatch *ControlHostWidget::extender() const
{
    return m_site ? static_cast<IDispatch *>(m_site->extender()) : nullptr;
}

void ControlHostWidget::setUserMode(bool userMode)
{
    if (m_userMode == userMode)
        return;
    m_userMode = userMode;
    notifyAmbient(DISPID_AMBIENT_USERMODE);
}

void ControlHostWidget::notifyAmbient(DISPID id)
{
    ComPtr<IOleControl> control;
    if (SUCCEEDED(queryControl(IID_IOleControl, control.putVoid())) && control)
        control->OnAmbientPropertyChange(id);
}

void ControlHostWidget::addContainedWidget(QWidget *widget, const QString &name, int index)
{
    if (!widget || widget == this)
        return;
    for (const ContainedItem &item : m_contained)
        if (item.widget == widget)
            return;
    ContainedItem item;
    item.widget = widget;
    item.extender = ComPtr<Extender>(new Extender(widget, this, name, index));
    m_contained.push_back(std::move(item));
}

void ControlHostWidget::addContainedControl(ControlHostWidget *host)
{
    if (!host || host == this || host->m_container)
        return;
    // No cycles: this host must not sit (directly or not) on host.
    for (ControlHostWidget *c = this; c; c = c->m_container)
        if (c == host)
            return;
    ContainedItem item;
    item.host = host;
    host->m_container = this;
    m_contained.push_back(std::move(item));
}

void ControlHostWidget::setAcceleratorHandler(std::function<HRESULT(MSG *, DWORD)> handler)
{
    m_acceleratorHandler = std::move(handler);
}

HRESULT ControlHostWidget::formTranslateAccelerator(MSG *msg, DWORD modifiers)
{
    return m_acceleratorHandler ? m_acceleratorHandler(msg, modifiers) : S_FALSE;
}

void ControlHostWidget::appendItems(const ControlHostWidget *container, DWORD oleContF, bool recurse,
                                    std::vector<ComPtr<IUnknown>> &out)
{
    for (const ContainedItem &item : container->m_contained) {
        if (item.host) {
            if ((oleContF & OLECONTF_EMBEDDINGS) && item.host->m_control)
                out.emplace_back(static_cast<IUnknown *>(item.host->m_control.get()));
            if (recurse)
                appendItems(item.host, oleContF, true, out);
        } else if (item.widget && (oleContF & OLECONTF_OTHERS)) {
            out.emplace_back(static_cast<IUnknown *>(static_cast<IDispatch *>(item.extender.get())));
        }
    }
}

std::vector<ComPtr<IUnknown>> ControlHostWidget::enumerate(DWORD oleContF, DWORD which) const
{
    std::vector<ComPtr<IUnknown>> out;
    switch (which & 0xFFFF) {
    case GC_WCH_CONTAINED:
        appendItems(this, oleContF, false, out);
        break;
    case GC_WCH_SIBLING:
        if (m_container) {
            appendItems(m_container, oleContF, false, out);
            std::erase_if(out, [this](const ComPtr<IUnknown> &u) { return u.get() == m_control.get(); });
        }
        break;
    case GC_WCH_CONTAINER:
        if (m_container && m_container->m_control && (oleContF & OLECONTF_EMBEDDINGS))
            out.emplace_back(static_cast<IUnknown *>(m_container->m_control.get()));
        break;
    case GC_WCH_CONTAINER + 0x100: // a plain widget asking for its container: this host
        if (m_control && (oleContF & OLECONTF_EMBEDDINGS))
            out.emplace_back(static_cast<IUnknown *>(m_control.get()));
        break;
    case GC_WCH_ALL: {
        const ControlHostWidget *top = this;
        while (top->m_container)
            top = top->m_container;
        if (top->m_control && (oleContF & OLECONTF_EMBEDDINGS))
            out.emplace_back(static_cast<IUnknown *>(top->m_control.get()));
        appendItems(top, oleContF, true, out);
        break;
    }
    default:
        break;
    }
    return out;
}

HRESULT ControlHostWidget::ambient(DISPID id, VARIANT *value) const
{
    VariantClear(value);
    switch (id) {
    case DISPID_AMBIENT_BACKCOLOR:
    case DISPID_AMBIENT_FORECOLOR:
        value->vt = VT_I4;
        value->lVal = static_cast<int32_t>(
            oleColor(palette().color(id == DISPID_AMBIENT_BACKCOLOR ? QPalette::Window : QPalette::WindowText)));
        return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocQString(m_name);
        return S_OK;
    case DISPID_AMBIENT_FONT: {
        const QFont f = font();
        FONTDESC desc;
        desc.name = f.family();
        const double points = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / LOGPIXELS;
        desc.size = static_cast<int64_t>(std::llround(points * 10000));
        desc.weight = static_cast<int16_t>(f.weight());
        desc.italic = f.italic();
        desc.underline = f.underline();
        desc.strikethrough = f.strikeOut();
        IDispatch *disp = nullptr;
        const HRESULT hr = OleCreateFontIndirect(desc, IID_IFontDisp, reinterpret_cast<void **>(&disp));
        if (FAILED(hr))
            return hr;
        value->vt = VT_DISPATCH;
        value->pdispVal = disp;
        return S_OK;
    }
    case DISPID_AMBIENT_LOCALEID:
        value->vt = VT_I4;
        value->lVal = 0x411;
        return S_OK;
    case DISPID_AMBIENT_USERMODE:
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
        value->vt = VT_BOOL;
        value->boolVal = id == DISPID_AMBIENT_USERMODE && m_userMode ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

void ControlHostWidget::posRectChanged(const RECT &rect)
{
    if (rect.left || rect.top)
        move(pos() + QPoint(rect.left, rect.top));
    resize(rect.right - rect.left, rect.bottom - rect.top);
    syncControlRects();
}

void ControlHostWidget::syncControlRects()
{
    if (m_syncing)
        return;
    m_syncing = true;
    // The control may ask for another size while it is being resized; follow
    // it a few rounds, not forever.
    for (int round = 0; round < 3; ++round) {
        const RECT rect{0, 0, width(), height()};
        if (m_hostWindow)
            SetWindowPos(m_hostWindow, 0, 0, 0, rect.right, rect.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        if (!m_control)
            break;
        SIZEL extent = PixelsToHimetric(SIZE{rect.right, rect.bottom});
        m_control->SetExtent(DVASPECT_CONTENT, &extent);
        m_posRect = rect;
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(queryControl(IID_IOleInPlaceObject, inPlace.putVoid())) && inPlace)
            inPlace->SetObjectRects(&rect, &rect);
        if (width() == rect.right && height() == rect.bottom)
            break;
    }
    m_syncing = false;
}

void ControlHostWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    syncControlRects();
}

void ControlHostWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Sizes given while hidden came without resize events.
    syncControlRects();
}

void ControlHostWidget::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        notifyAmbient(DISPID_AMBIENT_BACKCOLOR);
        notifyAmbient(DISPID_AMBIENT_FORECOLOR);
    } else if (event->type() == QEvent::FontChange) {
        notifyAmbient(DISPID_AMBIENT_FONT);
    }
}

bool ControlHostWidget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !m_control || !watched->isWidgetType())
        return false;
    // Only keys for the control's own windows, not for plain widgets placed
    // on it or for controls hosted inside it.
    QWidget *target = static_cast<QWidget *>(watched);
    const HWND controlHwnd = controlWindow();
    QWidget *controlWidget = controlHwnd ? WidgetOfWindow(controlHwnd) : nullptr;
    if (!controlWidget || (target != controlWidget && !controlWidget->isAncestorOf(target)))
        return false;
    for (QWidget *w = target; w && w != this; w = w->parentWidget())
        if (qobject_cast<ControlHostWidget *>(w))
            return false;
    ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(queryControl(IID_IOleInPlaceActiveObject, active.putVoid())) || !active)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    int vk, scan;
    bool extended;
    detail::virtualKey(key->key(), &vk, &scan, &extended);
    if (!vk)
        return false;
    const bool alt = key->modifiers() & Qt::AltModifier;
    const bool down = type == QEvent::KeyPress;
    MSG msg;
    msg.hwnd = WindowOfWidget(target) ? WindowOfWidget(target) : controlHwnd;
    msg.message = down ? (alt || vk == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN)
                       : (alt || vk == VK_MENU ? WM_SYSKEYUP : WM_KEYUP);
    msg.wParam = static_cast<WPARAM>(vk);
    msg.lParam = 1 | (static_cast<LPARAM>(scan) << 16) | (extended ? (1 << 24) : 0) | (alt ? (1 << 29) : 0)
        | (down ? (key->isAutoRepeat() ? (1 << 30) : 0) : ((LPARAM(1) << 30) | (LPARAM(1) << 31)));
    msg.time = GetTickCount();
    // The control may release itself (or this host) while it handles the key.
    ComPtr<IOleObject> keep = m_control;
    return active->TranslateAccelerator(&msg) == S_OK;
}

} // namespace platform::win
