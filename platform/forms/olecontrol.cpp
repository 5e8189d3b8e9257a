#include "platform/forms/olecontrol.h"

#include "platform/com/persist.h"
#include "platform/win/ole/controlhost.h"

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
