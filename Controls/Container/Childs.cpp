#include "Controls/Container/Childs.h"

#include "Controls/Container/Effect.h"
#include "Controls/Container/LumafoldModule.h"
#include "Controls/common/DispatchHelpers.h"
#include "Controls/common/PropertyExchange.h"
#include "Controls/common/StreamBlob.h"

namespace lumafold {

using namespace platform::com;
namespace disp = controls::disp;

Childs::Childs() : controls::ObjectRoot(lumafold::module()) {}

Childs::~Childs()
{
    for (const auto &c : m_items.items()) {
        c->setWindow(nullptr);
        c->setOwner(nullptr);
    }
}

HRESULT Childs::QueryInterface(const IID &iid, void **object)
{
    return queryKeyedCollection<IChildren>(this, IID_IChildren, iid, object);
}

const DispatchTable<Childs> &Childs::dispatchTable()
{
    using C = Childs;
    using disp::Args;
    static const DispatchTable<C> t(disp::join<C>(
        {
            disp::scalar<C, int32_t>(u"Count", 1, VT_I4, &C::get_Count),
            {u"Item", 0, disp::GET | disp::METHOD,
             [](C *self, uint16_t, Args &args, VARIANT *r) -> HRESULT {
                 if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                     return hr;
                 IChild *c = nullptr;
                 return disp::returnItem(self->get_Item(*args[0], &c), &c, r);
             }},
        },
        disp::keyedCollectionRows<C, IChild>()));
    return t;
}

HRESULT Childs::error(HRESULT hr) const
{
    return raiseError(hr, CLSID_Childs, IID_IChildren);
}

void Childs::notify()
{
    if (m_window)
        m_window->sendMessage(WM_CHILDS_CHANGED);
}

void Childs::adopt(Child *child)
{
    child->setOwner(this);
    child->setWindow(m_window);
    child->setEffects(m_effects.get());
}

// A child leaving the collection keeps no pointer into it. When nobody else
// holds it, it goes now and tells the window so; a child that lives on
// elsewhere no longer reports to the container.
void Childs::dropChild(ComPtr<Child> child)
{
    child->setOwner(nullptr);
    const uint32_t refs = child->AddRef();
    child->Release();
    if (refs > 2)
        child->setWindow(nullptr);
}

void Childs::setWindow(ContainerWindow *window)
{
    m_window = window;
    for (const auto &c : m_items.items())
        c->setWindow(window);
}

void Childs::setEffects(IEffects *effects)
{
    m_effects = ComPtr<IEffects>(effects);
    for (const auto &c : m_items.items())
        c->setEffects(effects);
}

HRESULT Childs::find(VARIANT *index, Child **child) const
{
    return m_items.find(index, child);
}

HRESULT Childs::get_Count(int32_t *count)
{
    return disp::countTo(count, static_cast<size_t>(m_items.count()));
}

HRESULT Childs::get_Item(VARIANT index, IChild **item)
{
    const HRESULT hr = m_items.handOut(&index, item);
    return FAILED(hr) && item ? error(hr) : hr;
}

HRESULT Childs::get__NewEnum(IUnknown **enumerator)
{
    return disp::newEnumerator(m_items.asVariants(), enumerator);
}

HRESULT Childs::addChild(VARIANT *index, BSTR key, Child *source, IChild **result)
{
    if (result)
        *result = nullptr;
    const QString k = bstrToQString(key);
    int position = 0;
    if (HRESULT hr = m_items.placeNew(k, index, &position); FAILED(hr))
        return error(hr);
    ComPtr<Child> c(new Child);
    c->setKey(k);
    if (source) {
        c->setNameValue(source->name());
        c->setEffectValue(source->effectValue());
    }
    adopt(c.get());
    m_items.insert(position, c);
    if (result) {
        *result = c.get();
        c->AddRef();
    }
    return S_OK;
}

HRESULT Childs::Add(VARIANT index, BSTR key, IChild **result)
{
    // No message: the new child has no name and no effect yet.
    return addChild(&index, key, nullptr, result);
}

HRESULT Childs::AddObj(VARIANT index, BSTR key, VARIANT object, IChild **result)
{
    VARIANT *o = derefVariant(&object);
    ComPtr<IChild> source;
    if ((o->vt != VT_DISPATCH && o->vt != VT_UNKNOWN) || !o->punkVal ||
        FAILED(o->punkVal->QueryInterface(IID_IChild, source.putVoid())))
        return error(CTL_E_ILLEGALFUNCTIONCALL);
    // A child of another library is copied through a temporary of ours.
    ComPtr<Child> copy;
    Child *own = Child::impl(source.get());
    if (!own) {
        copy = ComPtr<Child>(new Child);
        Bstr name;
        source->get_Name(name.put());
        copy->setNameValue(name.toQString());
        Variant effect;
        source->get_Effect(&effect);
        copy->setEffectValue(effect);
        own = copy.get();
    }
    const HRESULT hr = addChild(&index, key, own, result);
    if (SUCCEEDED(hr))
        notify();
    return hr;
}

HRESULT Childs::Clear()
{
    std::vector<ComPtr<Child>> leaving = m_items.items();
    m_items.clear();
    for (ComPtr<Child> &c : leaving)
        dropChild(std::move(c));
    notify();
    return S_OK;
}

HRESULT Childs::Remove(VARIANT index)
{
    int pos = 0;
    const HRESULT hr = m_items.resolve(&index, &pos);
    if (FAILED(hr))
        return error(hr);
    ComPtr<Child> leaving(m_items.at(pos));
    m_items.removeAt(pos);
    dropChild(std::move(leaving));
    notify();
    return S_OK;
}

HRESULT Childs::_ReplaceKey(int32_t position, BSTR key)
{
    const HRESULT hr = m_items.replaceKey(position, bstrToQString(key));
    if (FAILED(hr))
        return error(hr);
    return S_OK;
}

HRESULT Childs::InterfaceSupportsErrorInfo(const IID &iid)
{
    return iid == IID_IChildren ? S_OK : S_FALSE;
}

// ---- persistence

HRESULT Childs::GetClassID(CLSID *clsid)
{
    return outValue(clsid, CLSID_Childs);
}

// "Count", then per child "Key", "Name", "EffectType" (the VARIANT type of
// the effect) and, for type 8, "EffectValue" (the key). An effect held as an
// object is saved by its key, or as Null when it has none.
HRESULT Childs::Save(IStream *stream, bool)
{
    if (!stream)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    int32_t count = m_items.count();
    if (!controls::ExchangeLongProperty(&ctx, u"Count", &count))
        return STG_E_MEDIUMFULL;
    for (const auto &c : m_items.items()) {
        Bstr key(c->key()), name(c->name());
        Bstr effectKey;
        const Variant &effect = c->effectValue();
        if (effect.vt == VT_BSTR)
            effectKey = Bstr(bstrToQString(effect.bstrVal));
        else if (effect.vt == VT_DISPATCH && effect.pdispVal) {
            ComPtr<IEffect> e;
            if (SUCCEEDED(effect.pdispVal->QueryInterface(IID_IEffect, e.putVoid())))
                e->get_Key(effectKey.put());
        }
        int16_t type = effectKey.length() > 0 ? int16_t(VT_BSTR) : int16_t(VT_NULL);
        bool ok = controls::ExchangeStringProperty(&ctx, u"Key", &key) &&
                  controls::ExchangeStringProperty(&ctx, u"Name", &name) &&
                  controls::ExchangeShortProperty(&ctx, u"EffectType", &type);
        if (ok && type == VT_BSTR)
            ok = controls::ExchangeStringProperty(&ctx, u"EffectValue", &effectKey);
        if (!ok)
            return STG_E_MEDIUMFULL;
    }
    return S_OK;
}

// Appends the stream's children; a count outside 0..kMaxLoadedCount, a short
// read, or an empty or repeated key loads nothing. An effect saved as
// anything but a key loads as Null.
HRESULT Childs::Load(IStream *stream)
{
    if (!stream)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    ctx.loading = true;
    struct Loaded {
        QString key, name;
        Variant effect;
    };
    auto read = [](controls::PropertyExchangeContext *c, Loaded *l) {
        Bstr key, name;
        if (!controls::ExchangeStringProperty(c, u"Key", &key) || !controls::ExchangeStringProperty(c, u"Name", &name) ||
            !LoadEffectReference(c, u"EffectType", u"EffectValue", &l->effect))
            return false;
        l->key = key.toQString();
        l->name = name.isNull() ? QString(QLatin1String("")) : name.toQString();
        return true;
    };
    auto make = [this](const Loaded &l) {
        ComPtr<Child> c(new Child);
        c->setKey(l.key);
        c->setNameValue(l.name);
        c->setEffectValue(l.effect);
        adopt(c.get());
        return c;
    };
    if (!m_items.loadAppended<Loaded>(&ctx, read, make))
        return module().raiseLoadRefusal(E_FAIL, ctx.refusal, CLSID_Childs, IID_IChildren);
    return S_OK;
}

HRESULT Childs::Load(IPropertyBag *bag, IErrorLog *log)
{
    return controls::loadCollectionFromBag(static_cast<IPersistStreamInit *>(this), bag, log);
}

HRESULT Childs::Save(IPropertyBag *bag, bool, bool)
{
    return controls::saveCollectionToBag(static_cast<IPersistStreamInit *>(this), bag);
}

} // namespace lumafold
