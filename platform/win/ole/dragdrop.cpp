#include "platform/win/ole/dragdrop.h"

#include "platform/com/objectbase.h"
#include "platform/win/window.h"
#include "platform/win/winstate.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>
#include <map>
#include <vector>

namespace platform::win {

using com::ComPtr;
using com::HRESULT;
using com::S_FALSE;
using com::S_OK;
using com::FAILED;
using com::SUCCEEDED;

const com::IID IID_IDataObject = {0x0000010E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const com::IID IID_IEnumFORMATETC = {0x00000103, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const com::IID IID_IAdviseSink = {0x0000010F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const com::IID IID_IDataAdviseHolder = {0x00000110, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const com::IID IID_IDropSource = {0x00000121, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const com::IID IID_IDropTarget = {0x00000122, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---- media

void ReleaseStgMedium(STGMEDIUM *medium)
{
    if (!medium)
        return;
    if (medium->pUnkForRelease) {
        // The release object owns what the medium holds.
        medium->pUnkForRelease->Release();
    } else if (medium->tymed == TYMED_HGLOBAL && medium->hGlobal) {
        com::GlobalFree(medium->hGlobal);
    } else if (medium->tymed == TYMED_ISTREAM && medium->pstm) {
        medium->pstm->Release();
    }
    medium->tymed = TYMED_NULL;
    medium->hGlobal = nullptr;
    medium->pUnkForRelease = nullptr;
}

// ---- the format enumerator

namespace {

class FormatEnumerator final : public com::RefCounted<IEnumFORMATETC> {
public:
    FormatEnumerator(std::vector<FORMATETC> formats, size_t position = 0)
        : m_formats(std::move(formats)), m_position(position)
    {
    }

    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object,
                                     {{com::IID_IUnknown, static_cast<IEnumFORMATETC *>(this)},
                                      {IID_IEnumFORMATETC, static_cast<IEnumFORMATETC *>(this)}});
    }
    HRESULT Next(ULONG count, FORMATETC *formats, ULONG *fetched) override
    {
        if (!formats || (count > 1 && !fetched))
            return com::E_POINTER;
        ULONG n = 0;
        while (n < count && m_position < m_formats.size())
            formats[n++] = m_formats[m_position++];
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        const size_t left = m_formats.size() - m_position;
        m_position += std::min<size_t>(left, count);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override
    {
        m_position = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumFORMATETC **copy) override
    {
        if (!copy)
            return com::E_POINTER;
        *copy = new FormatEnumerator(m_formats, m_position);
        (*copy)->AddRef();
        return S_OK;
    }

private:
    std::vector<FORMATETC> m_formats;
    size_t m_position;
};

// ---- the data-advise holder

class DataAdviseHolder final : public com::RefCounted<IDataAdviseHolder> {
public:
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object,
                                     {{com::IID_IUnknown, static_cast<IDataAdviseHolder *>(this)},
                                      {IID_IDataAdviseHolder, static_cast<IDataAdviseHolder *>(this)}});
    }
    HRESULT Advise(IDataObject *, const FORMATETC *format, DWORD advf, IAdviseSink *sink, DWORD *connection) override
    {
        if (!format || !sink || !connection)
            return com::E_INVALIDARG;
        *connection = m_next++;
        m_advises.push_back({*connection, *format, advf, ComPtr<IAdviseSink>(sink)});
        return S_OK;
    }
    HRESULT Unadvise(DWORD connection) override
    {
        for (auto it = m_advises.begin(); it != m_advises.end(); ++it) {
            if (it->connection == connection) {
                const ComPtr<IAdviseSink> sink = it->sink; // released after the entry is gone
                m_advises.erase(it);
                return S_OK;
            }
        }
        return OLE_E_NOCONNECTION;
    }
    HRESULT EnumAdvise(IEnumSTATDATA **advises) override
    {
        if (advises)
            *advises = nullptr;
        return com::E_NOTIMPL;
    }
    HRESULT SendOnDataChange(IDataObject *data, DWORD, DWORD) override
    {
        const std::vector<Entry> advises = m_advises; // a sink may unadvise
        for (const Entry &e : advises) {
            FORMATETC format = e.format;
            STGMEDIUM medium;
            if (!(e.advf & ADVF_NODATA) && data && SUCCEEDED(data->GetData(&format, &medium))) {
                e.sink->OnDataChange(&format, &medium);
                ReleaseStgMedium(&medium);
            } else {
                e.sink->OnDataChange(&format, &medium);
            }
        }
        return S_OK;
    }

private:
    struct Entry {
        DWORD connection;
        FORMATETC format;
        DWORD advf;
        ComPtr<IAdviseSink> sink;
    };
    std::vector<Entry> m_advises;
    DWORD m_next = 1;
};

} // namespace

HRESULT CreateDataAdviseHolder(IDataAdviseHolder **holder)
{
    if (!holder)
        return com::E_POINTER;
    *holder = new DataAdviseHolder;
    (*holder)->AddRef();
    return S_OK;
}

HRESULT CreateFormatEnumerator(const FORMATETC *formats, ULONG count, IEnumFORMATETC **enumerator)
{
    if (!enumerator || (count && !formats))
        return com::E_POINTER;
    *enumerator = new FormatEnumerator(std::vector<FORMATETC>(formats, formats + count));
    (*enumerator)->AddRef();
    return S_OK;
}

// ---- drop target registration

namespace {

std::map<HWND, ComPtr<IDropTarget>> &targets()
{
    static std::map<HWND, ComPtr<IDropTarget>> m;
    return m;
}

// Lets go of the targets of windows that are gone (handles are never
// reused, so a dead entry can only hold a reference).
void pruneTargets()
{
    std::vector<ComPtr<IDropTarget>> dead;
    auto &m = targets();
    for (auto it = m.begin(); it != m.end();) {
        if (!IsWindow(it->first)) {
            dead.push_back(std::move(it->second));
            it = m.erase(it);
        } else {
            ++it;
        }
    }
}

ComPtr<IDropTarget> targetOf(HWND hwnd)
{
    auto it = targets().find(hwnd);
    return it == targets().end() ? ComPtr<IDropTarget>() : it->second;
}

} // namespace

HRESULT RegisterDragDrop(HWND hwnd, IDropTarget *target)
{
    pruneTargets();
    if (!IsWindow(hwnd))
        return DRAGDROP_E_INVALIDHWND;
    if (!target)
        return com::E_INVALIDARG;
    auto &m = targets();
    if (m.count(hwnd))
        return DRAGDROP_E_ALREADYREGISTERED;
    m.emplace(hwnd, ComPtr<IDropTarget>(target));
    return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd)
{
    auto &m = targets();
    auto it = m.find(hwnd);
    if (it == m.end()) {
        pruneTargets();
        return IsWindow(hwnd) ? DRAGDROP_E_NOTREGISTERED : DRAGDROP_E_INVALIDHWND;
    }
    const ComPtr<IDropTarget> target = std::move(it->second); // released after the entry is gone
    m.erase(it);
    pruneTargets();
    return S_OK;
}

bool IsDropTargetRegistered(HWND hwnd)
{
    return IsWindow(hwnd) && targets().count(hwnd) != 0;
}

// ---- the drag loop

namespace {

class DragLoop;
DragLoop *g_running = nullptr;

DWORD currentKeyState()
{
    DWORD keys = 0;
    const auto down = [](int vk) { return (GetKeyState(vk) & 0x8000) != 0; };
    if (down(VK_LBUTTON))
        keys |= MK_LBUTTON;
    if (down(VK_RBUTTON))
        keys |= MK_RBUTTON;
    if (down(VK_MBUTTON))
        keys |= MK_MBUTTON;
    if (down(VK_SHIFT))
        keys |= MK_SHIFT;
    if (down(VK_CONTROL))
        keys |= MK_CONTROL;
    if (down(VK_MENU))
        keys |= MK_ALT;
    return keys;
}

// The window under the point, or its nearest ancestor, with a target.
HWND registeredWindowAt(POINT point)
{
    for (HWND h = WindowFromPoint(point); h; h = GetParent(h))
        if (IsDropTargetRegistered(h))
            return h;
    return 0;
}

class DragLoop final : public QObject {
public:
    DragLoop(IDataObject *data, IDropSource *source, DWORD okEffects)
        : m_data(data), m_source(source), m_ok(okEffects)
    {
    }

    HRESULT run(DWORD *effect)
    {
        g_running = this;
        // The drag owns the mouse: a window's capture ends here.
        if (GetCapture())
            ReleaseCapture();
        qApp->installEventFilter(this);
        m_point = detail::lastMouseScreenPoint();
        step(false);
        if (!m_done)
            m_loop.exec();
        qApp->removeEventFilter(this);
        g_running = nullptr;
        SetCursor(LoadCursorA(0, IDC_ARROW));
        *effect = m_effect;
        return m_result;
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        // Input that arrives while a source or target call runs belongs to
        // whatever that call shows (a message box of a handler).
        if (m_inStep || m_done)
            return false;
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            // Real input reaches the Qt window first and then the widget:
            // it is taken at the widget, where test input arrives too.
            if (!object->isWidgetType())
                return false;
            auto *me = static_cast<QMouseEvent *>(event);
            const Qt::MouseButtons b = me->buttons();
            detail::setKeyDown(VK_LBUTTON, b & Qt::LeftButton);
            detail::setKeyDown(VK_RBUTTON, b & Qt::RightButton);
            detail::setKeyDown(VK_MBUTTON, b & Qt::MiddleButton);
            if (event->type() != QEvent::MouseMove)
                noteModifiers(me->modifiers());
            const QPointF g = me->globalPosition();
            m_point = POINT{LONG(std::floor(g.x())), LONG(std::floor(g.y()))};
            detail::noteMouseScreenPoint(g);
            step(false);
            return true;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            if (!object->isWidgetType())
                return false;
            auto *ke = static_cast<QKeyEvent *>(event);
            const bool press = event->type() == QEvent::KeyPress;
            switch (ke->key()) {
            case Qt::Key_Control: detail::setKeyDown(VK_CONTROL, press); break;
            case Qt::Key_Shift: detail::setKeyDown(VK_SHIFT, press); break;
            case Qt::Key_Alt: detail::setKeyDown(VK_MENU, press); break;
            default: noteModifiers(ke->modifiers()); break;
            }
            step(press && ke->key() == Qt::Key_Escape);
            return true;
        }
        case QEvent::Wheel:
        case QEvent::ShortcutOverride:
            return object->isWidgetType();
        default:
            return false;
        }
    }

private:
    static void noteModifiers(Qt::KeyboardModifiers mods)
    {
        detail::setKeyDown(VK_SHIFT, mods & Qt::ShiftModifier);
        detail::setKeyDown(VK_CONTROL, mods & Qt::ControlModifier);
        detail::setKeyDown(VK_MENU, mods & Qt::AltModifier);
    }

    POINTL pointl() const { return POINTL{m_point.x, m_point.y}; }

    void step(bool escape)
    {
        if (m_done || m_inStep)
            return;
        m_inStep = true;
        const DWORD keys = currentKeyState();
        const HRESULT hr = m_source->QueryContinueDrag(escape ? TRUE : FALSE, keys);
        if (hr == DRAGDROP_S_DROP) {
            drop(keys);
        } else if (hr != S_OK) {
            leave();
            finish(hr, DROPEFFECT_NONE);
        } else {
            moveTo(keys);
        }
        m_inStep = false;
    }

    void leave()
    {
        if (const ComPtr<IDropTarget> t = std::exchange(m_target, {}))
            t->DragLeave();
        m_targetWindow = 0;
    }

    void moveTo(DWORD keys)
    {
        const HWND w = registeredWindowAt(m_point);
        DWORD eff = DROPEFFECT_NONE;
        if (w != m_targetWindow) {
            leave();
            m_targetWindow = w;
            if (const ComPtr<IDropTarget> t = targetOf(w)) {
                eff = m_ok;
                // A target that refuses the entry is no target for this visit.
                if (SUCCEEDED(t->DragEnter(m_data.get(), keys, pointl(), &eff)))
                    m_target = t;
                else
                    eff = DROPEFFECT_NONE;
            }
        } else if (m_target) {
            eff = m_ok;
            if (FAILED(m_target->DragOver(keys, pointl(), &eff)))
                eff = DROPEFFECT_NONE;
        }
        m_lastEffect = eff & (m_ok | DROPEFFECT_SCROLL);
        if (m_source->GiveFeedback(m_lastEffect) == DRAGDROP_S_USEDEFAULTCURSORS)
            SetCursor(LoadCursorA(0, (m_lastEffect & ~DROPEFFECT_SCROLL) ? IDC_ARROW : IDC_NO));
    }

    void drop(DWORD keys)
    {
        // A release over another window than the last move visits it first.
        if (registeredWindowAt(m_point) != m_targetWindow)
            moveTo(keys);
        if (!m_target || !(m_lastEffect & ~DROPEFFECT_SCROLL)) {
            leave();
            finish(DRAGDROP_S_CANCEL, DROPEFFECT_NONE);
            return;
        }
        const ComPtr<IDropTarget> t = std::exchange(m_target, {});
        m_targetWindow = 0;
        // The drag's input is over: the drop may ask the user things.
        qApp->removeEventFilter(this);
        DWORD eff = m_ok;
        const HRESULT hr = t->Drop(m_data.get(), keys, pointl(), &eff);
        if (FAILED(hr))
            finish(hr, DROPEFFECT_NONE);
        else
            finish(DRAGDROP_S_DROP, eff & m_ok);
    }

    void finish(HRESULT hr, DWORD effect)
    {
        qApp->removeEventFilter(this);
        m_done = true;
        m_result = hr;
        m_effect = effect;
        m_loop.quit();
    }

    ComPtr<IDataObject> m_data;
    ComPtr<IDropSource> m_source;
    DWORD m_ok;
    ComPtr<IDropTarget> m_target;
    HWND m_targetWindow = 0;
    POINT m_point{0, 0};
    DWORD m_lastEffect = DROPEFFECT_NONE;
    bool m_done = false;
    bool m_inStep = false;
    HRESULT m_result = DRAGDROP_S_CANCEL;
    DWORD m_effect = DROPEFFECT_NONE;
    QEventLoop m_loop;
};

} // namespace

HRESULT DoDragDrop(IDataObject *data, IDropSource *source, DWORD okEffects, DWORD *effect)
{
    if (!data || !source || !effect)
        return com::E_INVALIDARG;
    *effect = DROPEFFECT_NONE;
    if (g_running || !qApp)
        return com::E_UNEXPECTED;
    pruneTargets();
    DragLoop loop(data, source, okEffects);
    return loop.run(effect);
}

bool IsDragRunning() { return g_running != nullptr; }

} // namespace platform::win
