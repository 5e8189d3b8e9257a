#include "platform/win/ole/hostobjects.h"

#include <cmath>

namespace platform::win::olehost {

std::atomic<int> &liveObjects()
{
    static std::atomic<int> count{0};
    return count;
}

QRect Extender::geometry() const
{
    QWidget *w = m_widget;
    if (!w)
        return {};
    QWidget *origin = container();
    QPoint at = w->pos();
    if (origin && origin != w->parentWidget())
        at = origin->mapFromGlobal(w->mapToGlobal(QPoint(0, 0)));
    return QRect(at, w->size());
}

void Extender::setGeometry(const QRect &r)
{
    QWidget *w = m_widget;
    if (!w)
        return;
    QWidget *origin = container();
    QPoint at = r.topLeft();
    if (origin && w->parentWidget() && origin != w->parentWidget())
        at = w->parentWidget()->mapFromGlobal(origin->mapToGlobal(at));
    w->setGeometry(QRect(at, r.size()));
    // Qt holds back resize events of hidden widgets: follow at once.
    if (m_host)
        m_host->syncControlRects();
}

HRESULT Extender::GetIDsOfNames(const IID &riid, const OLECHAR *const *names, uint32_t count, LCID lcid, DISPID *ids)
{
    if (!names || !ids || !count)
        return E_POINTER;
    for (uint32_t i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    struct Row {
        const char16_t *name;
        DISPID id;
    };
    static const Row rows[] = {{u"Name", kName},   {u"Index", kIndex},     {u"Left", kLeft},
                               {u"Top", kTop},     {u"Width", kWidth},     {u"Height", kHeight},
                               {u"Visible", kVisible}, {u"AutoSize", kAutoSize}};
    for (const Row &row : rows) {
        if (!namesEqual(names[0], row.name))
            continue;
        if (row.id == kIndex && index() < 0)
            break; // not a member of a control array
        if (row.id == kAutoSize && m_host) {
            DISPID own;
            if (!controlAutoSizeId(&own))
                break;
        }
        ids[0] = row.id;
        return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
    }
    // Everything else is the control's own.
    if (ComPtr<IDispatch> d = controlDispatch())
        return d->GetIDsOfNames(riid, names, count, lcid, ids);
    return DISP_E_UNKNOWNNAME;
}

HRESULT Extender::Invoke(DISPID id, const IID &riid, LCID lcid, uint16_t flags, DISPPARAMS *params, VARIANT *result,
                         EXCEPINFO *excep, uint32_t *argErr)
{
    const bool own = id >= kName && id <= kAutoSize;
    if (!own) {
        if (ComPtr<IDispatch> d = controlDispatch())
            return d->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
        return DISP_E_MEMBERNOTFOUND;
    }
    if (!m_widget)
        return E_UNEXPECTED;
    std::vector<VARIANT *> args;
    HRESULT hr = dispatch_detail::collectArgs(flags, params, args);
    if (FAILED(hr))
        return hr;
    const bool put = flags & DISPATCH_PROPERTYPUT;
    const bool get = flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    if (put && args.size() != 1)
        return DISP_E_BADPARAMCOUNT;
    if (!put && (!get || !args.empty()))
        return args.empty() ? DISP_E_MEMBERNOTFOUND : DISP_E_BADPARAMCOUNT;
    Variant scratch;
    VARIANT *out = result ? result : &scratch;
    VariantClear(out);

    if (id == kLeft || id == kTop || id == kWidth || id == kHeight) {
        QRect r = geometry();
        if (!put) {
            const int px = id == kLeft ? r.x() : id == kTop ? r.y() : id == kWidth ? r.width() : r.height();
            out->vt = VT_R4;
            out->fltVal = static_cast<float>(PixelsToTwips(px));
            return S_OK;
        }
        Variant v;
        hr = VariantChangeType(&v, derefVariant(args[0]), 0, VT_R4);
        if (FAILED(hr))
            return hr;
        const double twips = v.fltVal;
        if (!std::isfinite(twips) || std::fabs(twips) > 1e8)
            return CTL_E_INVALIDPROPERTYVALUE;
        const int px = static_cast<int>(std::lround(twips / TWIPS_PER_PIXEL));
        if ((id == kWidth || id == kHeight) && px < 0)
            return CTL_E_INVALIDPROPERTYVALUE;
        if (id == kLeft)
            r.moveLeft(px);
        else if (id == kTop)
            r.moveTop(px);
        else if (id == kWidth)
            r.setWidth(px);
        else
            r.setHeight(px);
        setGeometry(r);
        return S_OK;
    }
    switch (id) {
    case kName:
        if (put)
            return CTL_E_SETNOTSUPPORTED;
        out->vt = VT_BSTR;
        out->bstrVal = SysAllocQString(name());
        return S_OK;
    case kIndex:
        if (put)
            return CTL_E_SETNOTSUPPORTED;
        if (index() < 0)
            return DISP_E_MEMBERNOTFOUND;
        out->vt = VT_I2;
        out->iVal = static_cast<int16_t>(index());
        return S_OK;
    case kVisible: {
        if (!put) {
            out->vt = VT_BOOL;
            out->boolVal = m_widget->isHidden() ? VARIANT_FALSE : VARIANT_TRUE;
            return S_OK;
        }
        VARIANT_BOOL b;
        if (FAILED(hr = argBool(args[0], &b)))
            return hr;
        m_widget->setVisible(b != VARIANT_FALSE);
        return S_OK;
    }
    case kAutoSize: {
        if (m_host) {
            DISPID own;
            ComPtr<IDispatch> d = controlDispatch();
            if (!controlAutoSizeId(&own))
                return DISP_E_MEMBERNOTFOUND;
            return d->Invoke(own, riid, lcid, flags, params, result, excep, argErr);
        }
        if (!put) {
            out->vt = VT_BOOL;
            out->boolVal = m_widget->property("AutoSize").toBool() ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        VARIANT_BOOL b;
        if (FAILED(hr = argBool(args[0], &b)))
            return hr;
        m_widget->setProperty("AutoSize", b != VARIANT_FALSE);
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT Extender::EnumControls(DWORD oleContF, DWORD which, IEnumUnknown **controls)
{
    if (!controls)
        return E_POINTER;
    *controls = nullptr;
    std::vector<ComPtr<IUnknown>> items;
    if (m_host) {
        items = m_host->enumerate(oleContF, which);
    } else if (ControlHostWidget *c = m_container) {
        // A plain widget contains nothing; its siblings are its container's items.
        switch (which & 0xFF) {
        case GC_WCH_SIBLING: {
            for (ComPtr<IUnknown> &u : c->enumerate(oleContF, GC_WCH_CONTAINED))
                if (u.get() != static_cast<IUnknown *>(static_cast<IDispatch *>(this)))
                    items.push_back(u);
            break;
        }
        case GC_WCH_CONTAINER:
        case GC_WCH_ALL:
            items = c->enumerate(oleContF, (which & 0xFF) == GC_WCH_CONTAINER ? GC_WCH_CONTAINER + 0x100 : GC_WCH_ALL);
            break;
        default:
            break;
        }
    }
    *controls = new UnknownEnum(std::move(items));
    (*controls)->AddRef();
    return S_OK;
}

HRESULT InPlaceFrame::EnableModeless(BOOL enable)
{
    if (m_host) {
        if (!enable)
            ++m_host->m_modelessDisabled;
        else if (m_host->m_modelessDisabled > 0)
            --m_host->m_modelessDisabled;
    }
    return S_OK;
}
} // namespace platform::win::olehost
