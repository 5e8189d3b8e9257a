#include "Controls/Pickwell/ComboItem.h"

#include "Controls/Pickwell/PickwellModule.h"
#include "Controls/common/DispatchHelpers.h"
#include "Controls/common/PropertyExchange.h"

namespace pickwell {

using namespace platform::com;
namespace disp = controls::disp;

ComboItem::ComboItem() : controls::ObjectRoot(pickwell::module()), m_notify(static_cast<IComboItem *>(this), IID_IPropertyNotifySink)
{
}

HRESULT ComboItem::QueryInterface(const IID &iid, void **object)
{
    IComboItem *primary = this;
    auto *ps = static_cast<IPersistStreamInit *>(this);
    auto *sei = static_cast<ISupportErrorInfo *>(this);
    auto *cpc = static_cast<IConnectionPointContainer *>(this);
    return queryInterfaceIn(primary, iid, object,
        {{IID_IUnknown, primary}, {IID_IDispatch, primary}, {IID_IComboItem, primary}, {IID_ISupportErrorInfo, sei},
         {IID_IConnectionPointContainer, cpc}, {IID_IPersistStreamInit, ps}, {IID_IPersistStream, ps},
         {IID_IPersist, ps}});
}

// ---- IDispatch

const DispatchTable<ComboItem> &ComboItem::dispatchTable()
{
    using C = ComboItem;
    static const DispatchTable<C> t({
        disp::scalar<C, VARIANT_BOOL>(u"Enable", 1, VT_BOOL, &C::get_Enable, &C::put_Enable),
        disp::scalar<C, VARIANT_BOOL>(u"Visible", 2, VT_BOOL, &C::get_Visible, &C::put_Visible),
        disp::scalar<C, OLE_COLOR>(u"ForeColor", 3, VT_I4, &C::get_ForeColor, &C::put_ForeColor),
        disp::scalar<C, OLE_COLOR>(u"BackColor", 4, VT_I4, &C::get_BackColor, &C::put_BackColor),
        disp::string<C>(u"Content", 5, &C::get_Content, &C::put_Content),
        disp::string<C>(u"Description", 6, &C::get_Description, &C::put_Description),
        disp::string<C>(u"TooltipText", 7, &C::get_TooltipText, &C::put_TooltipText),
        disp::scalar<C, int32_t>(u"Indent", 8, VT_I4, &C::get_Indent, &C::put_Indent),
        {u"Image", 9, disp::GET | disp::PUT | disp::PUTREF,
         [](C *self, uint16_t kind, disp::Args &args, VARIANT *r) -> HRESULT {
             if (kind == disp::GET) {
                 ComPtr<IPicture> p;
                 const HRESULT hr = self->get_Image(p.put());
                 if (FAILED(hr))
                     return hr;
                 const HRESULT h2 = disp::returnObject(p.get(), r);
                 return FAILED(h2) ? h2 : hr;
             }
             if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                 return hr;
             IDispatch *d = nullptr;
             if (HRESULT hr = argObject(args[0], &d); FAILED(hr))
                 return hr;
             ComPtr<IPicture> p;
             if (d && FAILED(d->QueryInterface(IID_IPicture, p.putVoid())))
                 return DISP_E_TYPEMISMATCH;
             return self->put_Image(p.get());
         }},
        disp::scalar<C, int32_t>(u"Index", 10, VT_I4, &C::get_Index, &C::put_Index),
        disp::string<C>(u"Value", 11, &C::get_Value, &C::put_Value),
        disp::scalar<C, int16_t>(u"Selected", 12, VT_I2, &C::get_Selected),
        {u"SetSelected", 13, disp::METHOD,
         [](C *self, uint16_t, disp::Args &args, VARIANT *) -> HRESULT {
             if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                 return hr;
             int16_t v = 0;
             if (HRESULT hr = argI2(args[0], &v); FAILED(hr))
                 return hr;
             return self->SetSelected(v);
         }},
        disp::scalar<C, VARIANT_BOOL>(u"BackTransparent", 14, VT_BOOL, &C::get_BackTransparent,
                                      &C::put_BackTransparent),
        disp::scalar<C, VARIANT_BOOL>(u"ForeTransparent", 15, VT_BOOL, &C::get_ForeTransparent,
                                      &C::put_ForeTransparent),
        disp::scalar<C, int32_t>(u"Contained", 16, VT_I4, &C::get_Contained, &C::put_Contained),
    });
    return t;
}

// ---- members

HRESULT ComboItem::getString(const Bstr &member, BSTR *value)
{
    if (!value)
        return E_POINTER;
    *value = member.copy();
    return S_OK;
}

HRESULT ComboItem::putString(Bstr &member, BSTR value, ItemChange code)
{
    member = Bstr::attach(value ? SysAllocStringLen(value, SysStringLen(value)) : nullptr);
    changed(code);
    return S_OK;
}

HRESULT ComboItem::get_Enable(VARIANT_BOOL *v) { return outValue(v, m_data.enable); }
HRESULT ComboItem::put_Enable(VARIANT_BOOL v) { m_data.enable = v; changed(ChangeEnable); return S_OK; }
HRESULT ComboItem::get_Visible(VARIANT_BOOL *v) { return outValue(v, m_data.visible); }
HRESULT ComboItem::put_Visible(VARIANT_BOOL v) { m_data.visible = v; changed(ChangeVisible); return S_OK; }
HRESULT ComboItem::get_ForeColor(OLE_COLOR *v) { return outValue(v, m_data.foreColor); }
HRESULT ComboItem::put_ForeColor(OLE_COLOR v) { m_data.foreColor = v; changed(ChangeForeColor); return S_OK; }
HRESULT ComboItem::get_BackColor(OLE_COLOR *v) { return outValue(v, m_data.backColor); }
HRESULT ComboItem::put_BackColor(OLE_COLOR v) { m_data.backColor = v; changed(ChangeBackColor); return S_OK; }
HRESULT ComboItem::get_Content(BSTR *v) { return getString(m_data.content, v); }
HRESULT ComboItem::put_Content(BSTR v) { return putString(m_data.content, v, ChangeContent); }
HRESULT ComboItem::get_Description(BSTR *v) { return getString(m_data.description, v); }
HRESULT ComboItem::put_Description(BSTR v) { return putString(m_data.description, v, ChangeDescription); }
HRESULT ComboItem::get_TooltipText(BSTR *v) { return getString(m_data.tooltip, v); }
HRESULT ComboItem::put_TooltipText(BSTR v) { return putString(m_data.tooltip, v, ChangeTooltipText); }
HRESULT ComboItem::get_Value(BSTR *v) { return getString(m_data.value, v); }
HRESULT ComboItem::put_Value(BSTR v) { return putString(m_data.value, v, ChangeValue); }

HRESULT ComboItem::get_Indent(int32_t *v)
{
    return outValue(v, m_data.indent);
}

HRESULT ComboItem::put_Indent(int32_t v)
{
    // Kept in 16 bits: a value that does not fit is refused like a negative one.
    if (v < 0 || v > 0x7FFF)
        return E_INVALIDARG;
    m_data.indent = static_cast<int16_t>(v);
    changed(ChangeIndent);
    return S_OK;
}

HRESULT ComboItem::get_Image(IPicture **v)
{
    if (!v)
        return E_POINTER;
    *v = nullptr;
    if (!m_data.picture)
        return S_FALSE;
    *v = m_data.picture.get();
    (*v)->AddRef();
    return S_OK;
}

HRESULT ComboItem::put_Image(IPicture *v)
{
    m_data.picture.reset();
    if (v)
        v->QueryInterface(IID_IPicture, m_data.picture.putVoid());
    changed(ChangeImage);
    return S_OK;
}

HRESULT ComboItem::get_Index(int32_t *v) { return outValue(v, m_index); }
HRESULT ComboItem::put_Index(int32_t v) { m_index = v; return S_OK; }
HRESULT ComboItem::get_Selected(int16_t *v) { return outValue(v, m_selected); }
HRESULT ComboItem::SetSelected(int16_t v) { m_selected = v; return S_OK; }
HRESULT ComboItem::get_Contained(int32_t *v) { return outValue(v, m_contained); }
HRESULT ComboItem::put_Contained(int32_t v) { m_contained = v; return S_OK; }
HRESULT ComboItem::get_BackTransparent(VARIANT_BOOL *v) { return outValue(v, m_data.backTransparent); }
HRESULT ComboItem::get_ForeTransparent(VARIANT_BOOL *v) { return outValue(v, m_data.foreTransparent); }

HRESULT ComboItem::put_BackTransparent(VARIANT_BOOL v)
{
    if (m_data.backTransparent != v) {
        m_data.backTransparent = v;
        changed(ChangeBackTransparent);
    }
    return S_OK;
}

HRESULT ComboItem::put_ForeTransparent(VARIANT_BOOL v)
{
    if (m_data.foreTransparent != v) {
        m_data.foreTransparent = v;
        changed(ChangeForeTransparent);
    }
    return S_OK;
}

HRESULT ComboItem::InterfaceSupportsErrorInfo(const IID &iid)
{
    return iid == IID_IComboItem ? S_OK : S_FALSE;
}

HRESULT ComboItem::FindConnectionPoint(const IID &iid, IConnectionPoint **point)
{
    return m_notify.handOut(iid, point);
}

// ---- persistence

HRESULT ComboItem::GetClassID(CLSID *clsid)
{
    return outValue(clsid, CLSID_ComboItem);
}

namespace {

// The item's values in their persisted order; stops at the first failure.
template <class D>
bool exchangeItem(controls::PropertyExchangeContext *ctx, D &d)
{
    using namespace controls;
    int32_t version = 0x10000;
    int32_t back = static_cast<int32_t>(d.backColor), fore = static_cast<int32_t>(d.foreColor);
    ComPtr<IUnknown> picture(d.picture.get());
    const bool ok = ExchangeLongProperty(ctx, u"_Version", &version) &&
                    ExchangeStringProperty(ctx, u"Content", &d.content) &&
                    ExchangeStringProperty(ctx, u"Description", &d.description) &&
                    ExchangeStringProperty(ctx, u"Value", &d.value) &&
                    ExchangeStringProperty(ctx, u"TooltipText", &d.tooltip) &&
                    ExchangeShortProperty(ctx, u"Indent", &d.indent) &&
                    ExchangeShortProperty(ctx, u"Enable", &d.enable) &&
                    ExchangeShortProperty(ctx, u"Visible", &d.visible) &&
                    ExchangeShortProperty(ctx, u"BackTransparent", &d.backTransparent) &&
                    ExchangeShortProperty(ctx, u"ForeTransparent", &d.foreTransparent) &&
                    ExchangeLongProperty(ctx, u"BackColor", &back) && ExchangeLongProperty(ctx, u"ForeColor", &fore) &&
                    ExchangeObjectProperty(ctx, u"Picture", &picture, IID_IPicture);
    if (ok && ctx->loading) {
        d.backColor = static_cast<OLE_COLOR>(back);
        d.foreColor = static_cast<OLE_COLOR>(fore);
        d.picture = ComPtr<IPicture>(static_cast<IPicture *>(static_cast<void *>(picture.get())));
    }
    return ok;
}

} // namespace

HRESULT ComboItem::Load(IStream *stream)
{
    if (!stream)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    ctx.loading = true;
    // Loaded into a copy: a stream that fails part way changes nothing.
    Data loaded;
    loaded.content = m_data.content;
    loaded.description = m_data.description;
    loaded.value = m_data.value;
    loaded.tooltip = m_data.tooltip;
    loaded.indent = m_data.indent;
    loaded.enable = m_data.enable;
    loaded.visible = m_data.visible;
    loaded.backTransparent = m_data.backTransparent;
    loaded.foreTransparent = m_data.foreTransparent;
    loaded.backColor = m_data.backColor;
    loaded.foreColor = m_data.foreColor;
    loaded.picture = m_data.picture;
    bool ok = exchangeItem(&ctx, loaded);
    if (ok && loaded.indent < 0)
        ok = controls::RefuseLoadedValue(&ctx, QStringLiteral("Indent"), QString::number(loaded.indent));
    if (!ok)
        return module().raiseLoadRefusal(E_FAIL, ctx.refusal, CLSID_ComboItem, IID_IComboItem);
    m_data = std::move(loaded);
    return S_OK;
}

HRESULT ComboItem::Save(IStream *stream, bool)
{
    if (!stream)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    ctx.loading = false;
    return exchangeItem(&ctx, m_data) ? S_OK : STG_E_MEDIUMFULL;
}

} // namespace pickwell
