#include "Controls/Container/Effects.h"

#include "Controls/Container/LumafoldModule.h"
#include "Controls/common/DispatchHelpers.h"
#include "Controls/common/PropertyExchange.h"
#include "Controls/common/StreamBlob.h"

namespace lumafold {

using namespace platform::com;
namespace disp = controls::disp;

Effects::Effects() : controls::ObjectRoot(lumafold::module()) {}

Effects::~Effects()
{
    for (const auto &e : m_items.items())
        e->setOwner(nullptr);
}

HRESULT Effects::QueryInterface(const IID &iid, void **object)
{
    return queryKeyedCollection<IEffects>(this, IID_IEffects, iid, object);
}

const DispatchTable<Effects> &Effects::dispatchTable()
{
    using C = Effects;
    using disp::Args;
    static const DispatchTable<C> t(disp::join<C>(
        {
            disp::scalar<C, int32_t>(u"Count", 1, VT_I4, &C::get_Count),
            {u"Item", 0, disp::GET | disp::METHOD | disp::PUT | disp::PUTREF,
             [](C *self, uint16_t kind, Args &args, VARIANT *r) -> HRESULT {
                 if (kind == disp::GET || kind == disp::METHOD) {
                     if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                         return hr;
                     IEffect *e = nullptr;
                     return disp::returnItem(self->get_Item(*args[0], &e), &e, r);
                 }
                 if (HRESULT hr = disp::countIs(args, 2); FAILED(hr))
                     return hr;
                 IDispatch *d = nullptr;
                 if (HRESULT hr = argObject(args[1], &d); FAILED(hr))
                     return hr;
                 ComPtr<IEffect> value;
                 if (!d || FAILED(d->QueryInterface(IID_IEffect, value.putVoid())))
                     return CTL_E_ILLEGALFUNCTIONCALL;
                 return kind == disp::PUT ? self->put_Item(*args[0], value.get())
                                          : self->putref_Item(*args[0], value.get());
             }},
        },
        disp::keyedCollectionRows<C, IEffect>()));
    return t;
}

HRESULT Effects::error(HRESULT hr) const
{
    return raiseError(hr, CLSID_Effects, IID_IEffects);
}

void Effects::notify()
{
    if (m_window)
        m_window->sendMessage(WM_EFFECTS_CHANGED);
}

HRESULT Effects::find(VARIANT *index, Effect **effect) const
{
    return m_items.find(index, effect);
}

HRESULT Effects::get_Count(int32_t *count)
{
    return disp::countTo(count, static_cast<size_t>(m_items.count()));
}

HRESULT Effects::get_Item(VARIANT index, IEffect **item)
{
    const HRESULT hr = m_items.handOut(&index, item);
    return FAILED(hr) && item ? error(hr) : hr;
}

HRESULT Effects::put_Item(VARIANT index, IEffect *value)
{
    int pos = 0;
    HRESULT hr = m_items.resolve(&index, &pos);
    if (FAILED(hr))
        return error(hr);
    if (!value)
        return error(CTL_E_ILLEGALFUNCTIONCALL);
    Effect *item = m_items.at(pos);
    Bstr key;
    value->get_Key(key.put());
    const QString newKey = key.toQString();
    if (newKey.isEmpty())
        return error(E_KEY_INVALID);
    if (foldKey(newKey) != foldKey(item->key()) && m_items.findKey(newKey) >= 0)
        return error(E_KEY_DIFFERS);
    if (Effect::impl(value) != item) {
        item->setKey(newKey);
        item->setValues(Effect::valuesOf(value));
        Variant parent;
        value->get_Parent(&parent);
        if (Effect *other = Effect::impl(value))
            parent = other->parent();
        item->setParentValue(parent);
        m_items.rebuildKeys();
    }
    notify();
    return S_OK;
}

HRESULT Effects::putref_Item(VARIANT index, IEffect *value)
{
    return put_Item(index, value);
}

HRESULT Effects::get__NewEnum(IUnknown **enumerator)
{
    return disp::newEnumerator(m_items.asVariants(), enumerator);
}

HRESULT Effects::addEffect(VARIANT *index, BSTR key, const Effect::Values *values, const Variant *parent,
                           IEffect **result)
{
    if (result)
        *result = nullptr;
    const QString k = bstrToQString(key);
    int position = 0;
    if (HRESULT hr = m_items.placeNew(k, index, &position); FAILED(hr))
        return error(hr);
    ComPtr<Effect> e(new Effect);
    e->setKey(k);
    e->setOwner(this);
    if (values)
        e->setValues(*values);
    if (parent)
        e->setParentValue(*parent);
    m_items.insert(position, e);
    if (result) {
        *result = e.get();
        e->AddRef();
    }
    notify();
    return S_OK;
}

HRESULT Effects::Add(VARIANT index, BSTR key, IEffect **result)
{
    return addEffect(&index, key, nullptr, nullptr, result);
}

HRESULT Effects::AddObj(VARIANT index, BSTR key, VARIANT object, IEffect **result)
{
    VARIANT *o = derefVariant(&object);
    ComPtr<IEffect> source;
    if ((o->vt != VT_DISPATCH && o->vt != VT_UNKNOWN) || !o->punkVal ||
        FAILED(o->punkVal->QueryInterface(IID_IEffect, source.putVoid())))
        return error(CTL_E_ILLEGALFUNCTIONCALL);
    const Effect::Values values = Effect::valuesOf(source.get());
    Variant parent;
    if (Effect *own = Effect::impl(source.get()))
        parent = own->parent();
    else
        source->get_Parent(&parent);
    return addEffect(&index, key, &values, &parent, result);
}

HRESULT Effects::Clear()
{
    for (const auto &e : m_items.items())
        e->setOwner(nullptr);
    m_items.clear();
    notify();
    return S_OK;
}

HRESULT Effects::Remove(VARIANT index)
{
    int pos = 0;
    const HRESULT hr = m_items.resolve(&index, &pos);
    if (FAILED(hr))
        return error(hr);
    m_items.at(pos)->setOwner(nullptr);
    m_items.removeAt(pos);
    notify();
    return S_OK;
}

HRESULT Effects::_ReplaceKey(int32_t position, BSTR key)
{
    const HRESULT hr = m_items.replaceKey(position, bstrToQString(key));
    if (FAILED(hr))
        return error(hr);
    if (hr == S_OK)
        notify();
    return S_OK;
}

void Effects::addStandardEffects()
{
    const std::pair<const char16_t *, int16_t> standard[] = {{u"Raised", 1}, {u"Inset", -1}, {u"Flat", 0}};
    for (const auto &[key, bevel] : standard) {
        Effect::Values v;
        v.bevelOuter = bevel;
        Bstr k = Bstr::attach(SysAllocString(key));
        Variant missing = Variant::missing();
        addEffect(&missing, k.get(), &v, nullptr, nullptr);
    }
}

HRESULT Effects::InterfaceSupportsErrorInfo(const IID &iid)
{
    return iid == IID_IEffects ? S_OK : S_FALSE;
}

// ---- persistence

HRESULT Effects::GetClassID(CLSID *clsid)
{
    return outValue(clsid, CLSID_Effects);
}

namespace {

// One effect's values in their persisted order; stops at the first failure.
bool exchangeEffect(controls::PropertyExchangeContext *ctx, Effect::Values &v, Bstr &key)
{
    using namespace controls;
    int16_t border = static_cast<int16_t>(v.borderStyle);
    int32_t back = static_cast<int32_t>(v.backColor), shadow = static_cast<int32_t>(v.shadowBaseColor);
    const bool ok = ExchangeShortProperty(ctx, u"BorderStyle", &border) &&
                    ExchangeLongProperty(ctx, u"BackColor", &back) && ExchangeStringProperty(ctx, u"Key", &key) &&
                    ExchangeShortProperty(ctx, u"BevelOuter", &v.bevelOuter) &&
                    ExchangeShortProperty(ctx, u"BevelInner", &v.bevelInner) &&
                    ExchangeShortProperty(ctx, u"BevelLight", &v.bevelLight) &&
                    ExchangeShortProperty(ctx, u"BevelShade", &v.bevelShade) &&
                    ExchangeShortProperty(ctx, u"BevelSpace", &v.bevelSpace) &&
                    ExchangeShortProperty(ctx, u"MarginBottom", &v.marginBottom) &&
                    ExchangeShortProperty(ctx, u"MarginLeft", &v.marginLeft) &&
                    ExchangeShortProperty(ctx, u"MarginRight", &v.marginRight) &&
                    ExchangeShortProperty(ctx, u"MarginTop", &v.marginTop) &&
                    ExchangeLongProperty(ctx, u"ShadowBaseColor", &shadow) &&
                    ExchangeShortProperty(ctx, u"ShadowDarkness", &v.shadowDarkness) &&
                    ExchangeShortProperty(ctx, u"ShadowWidth", &v.shadowWidth);
    if (ok && ctx->loading) {
        v.borderStyle = border;
        v.backColor = static_cast<OLE_COLOR>(back);
        v.shadowBaseColor = static_cast<OLE_COLOR>(shadow);
    }
    return ok;
}

} // namespace

HRESULT Effects::Save(IStream *stream, bool)
{
    if (!stream)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    int32_t count = m_items.count();
    if (!controls::ExchangeLongProperty(&ctx, u"Count", &count))
        return STG_E_MEDIUMFULL;
    for (const auto &e : m_items.items()) {
        Effect::Values v = e->values();
        Bstr key(e->key());
        if (!exchangeEffect(&ctx, v, key))
            return STG_E_MEDIUMFULL;
    }
    return S_OK;
}

// Appends the stream's effects. A count outside 0..kMaxLoadedCount, a short
// read, a value outside its range or an empty or repeated key loads nothing.
HRESULT Effects::Load(IStream *stream)
{
    if (!stream)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    ctx.loading = true;
    struct Loaded {
        Effect::Values values;
        QString key;
    };
    auto read = [](controls::PropertyExchangeContext *c, Loaded *l) {
        Bstr key;
        QString name, value;
        if (!exchangeEffect(c, l->values, key))
            return false;
        if (Effect::firstInvalid(l->values, &name, &value))
            return controls::RefuseLoadedValue(c, name, value);
        l->key = key.toQString();
        return true;
    };
    auto make = [this](const Loaded &l) {
        ComPtr<Effect> e(new Effect);
        e->setKey(l.key);
        e->setValues(l.values);
        e->setOwner(this);
        return e;
    };
    if (!m_items.loadAppended<Loaded>(&ctx, read, make))
        return module().raiseLoadRefusal(E_FAIL, ctx.refusal, CLSID_Effects, IID_IEffects);
    return S_OK;
}

HRESULT Effects::Load(IPropertyBag *bag, IErrorLog *log)
{
    return controls::loadCollectionFromBag(static_cast<IPersistStreamInit *>(this), bag, log);
}

HRESULT Effects::Save(IPropertyBag *bag, bool, bool)
{
    return controls::saveCollectionToBag(static_cast<IPersistStreamInit *>(this), bag);
}

} // namespace lumafold
