#include "platform/forms/olecontrol.h"

#include "platform/com/persist.h"
#include "platform/forms/form.h"
#include "platform/win/dialog.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"

#include <QDebug>

namespace platform::forms {

namespace {

std::function<bool(const QString &)> &registrar()
{
    static std::function<bool(const QString &)> r;
    return r;
}

bool isUnregistered(com::HRESULT hr)
{
    return hr == com::REGDB_E_CLASSNOTREG || hr == com::CO_E_CLASSSTRING;
}

} // namespace

OleControl::OleControl(Form *owner, const QString &name, const QString &progId, Definition definition,
                       Control *container, int index)
    : Control(owner, name, container, index), m_progId(progId), m_definition(std::move(definition))
{
}

OleControl::~OleControl() = default;

void OleControl::setLibraryRegistrar(std::function<bool(const QString &)> r)
{
    registrar() = std::move(r);
}

win::ControlHostWidget *OleControl::host()
{
    return w<win::ControlHostWidget>();
}

com::HRESULT OleControl::queryControl(const com::IID &iid, void **object)
{
    win::ControlHostWidget *h = host();
    if (!h || !h->control()) {
        *object = nullptr;
        return com::E_FAIL;
    }
    return h->queryControl(iid, object);
}

QWidget *OleControl::createWidget(QWidget *parent)
{
    return new win::ControlHostWidget(parent);
}

void OleControl::widgetCreated()
{
    auto *h = qobject_cast<win::ControlHostWidget *>(loadedWidget());
    if (!h)
        return;
    com::ComPtr<com::PropertyBag> bag(new com::PropertyBag);
    for (const auto &[name, value] : m_definition)
        bag->setValue(name, value);
    // The extent as designed: the control's size on the form, in HIMETRIC.
    if (!bag->find(QStringLiteral("_ExtentX")) && !bag->find(QStringLiteral("_ExtentY")) && h->width() > 0) {
        bag->setValue(QStringLiteral("_ExtentX"), com::Variant::i4(win::PixelsToHimetric(h->width())));
        bag->setValue(QStringLiteral("_ExtentY"), com::Variant::i4(win::PixelsToHimetric(h->height())));
    }
    h->setAcceleratorHandler([this](win::MSG *msg, win::DWORD modifiers) { return dialogKey(msg, modifiers); });
    m_created = h->createControl(m_progId, Name(), bag.get(), Index());
    if (isUnregistered(m_created) && registrar() && registrar()(m_progId))
        m_created = h->createControl(m_progId, Name(), bag.get(), Index());
    // The frame only decorates the window: without its library the window
    // still works, with the controls on a plain background.
    if (com::FAILED(m_created))
        qWarning().noquote() << QStringLiteral("%1: %2 could not be created (0x%3)")
                                    .arg(Name(), m_progId)
                                    .arg(quint32(m_created), 8, 16, QLatin1Char('0'));
}

com::HRESULT OleControl::dialogKey(win::MSG *msg, win::DWORD modifiers)
{
    // The keys a dialog takes from its controls: Enter presses the default
    // button, Esc the cancel button, Tab and Shift+Tab move to the next and
    // previous tab stop. The control keeps a key it asks for by its
    // WM_GETDLGCODE answer (a dropped list takes Enter and Esc itself).
    if (!msg || msg->message != win::WM_KEYDOWN)
        return com::S_FALSE;
    const int key = static_cast<int>(msg->wParam);
    if (key != win::VK_RETURN && key != win::VK_ESCAPE && key != win::VK_TAB)
        return com::S_FALSE;
    const bool shiftOnly = modifiers == 1;
    if (modifiers != 0 && !(key == win::VK_TAB && shiftOnly))
        return com::S_FALSE;
    const win::LRESULT wants = win::IsWindow(msg->hwnd)
        ? win::SendMessageA(msg->hwnd, win::WM_GETDLGCODE, win::WPARAM(key), reinterpret_cast<win::LPARAM>(msg))
        : 0;
    if (wants & win::DLGC_WANTMESSAGE)
        return com::S_FALSE;
    if (key == win::VK_TAB) {
        win::ControlHostWidget *h = host();
        if ((wants & win::DLGC_WANTTAB) || !h)
            return com::S_FALSE;
        return h->moveFocusToTabStop(!shiftOnly) ? com::S_OK : com::S_FALSE;
    }
    Form *form = Parent();
    if (!form)
        return com::S_FALSE;
    return form->pressDialogButton(key == win::VK_RETURN ? Form::DefaultButton : Form::CancelButton) ? com::S_OK
                                                                                                       : com::S_FALSE;
}

void OleControl::widgetDestroyed()
{
    if (auto *h = qobject_cast<win::ControlHostWidget *>(loadedWidget()))
        h->destroyControl();
}

void OleControl::containedWidgetCreated(Control *child)
{
    auto *h = qobject_cast<win::ControlHostWidget *>(loadedWidget());
    if (h && child->loadedWidget())
        h->addContainedWidget(child->loadedWidget(), child->Name(), child->Index());
}

} // namespace platform::forms
