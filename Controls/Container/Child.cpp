#include "Controls/Container/Child.h"

#include "Controls/Container/Childs.h"
#include "Controls/Container/LumafoldModule.h"
#include "Controls/common/DispatchHelpers.h"

namespace lumafold {

using namespace platform::com;
namespace disp = controls::disp;

const IID IID_ChildImpl = {0x5D0C7A11, 0x2E4B, 0x4C3F, {0x9A, 0x51, 0x7B, 0x11, 0x0E, 0x4D, 0x20, 0x02}};

namespace {
constexpr int32_t kEffectSink = 1;

// A value read through by-reference forms.
Variant plainValue(const VARIANT &given)
{
    Variant v;
    VariantCopy(&v, derefVariant(const_cast<VARIANT *>(&given)));
    if (v.vt & VT_BYREF) {
        Variant plain;
        if (SUCCEEDED(VariantChangeType(&plain, &v, 0, v.vt & ~VT_BYREF)))
            return plain;
        return Variant();
    }
    return v;
}
} // namespace

Child::Child() : controls::ObjectRoot(lumafold::module()) {}

Child::~Child()
{
    m_sinks.unadviseAll();
    send(WM_CHILD_EFFECT_CHANGED);
}

Child *Child::impl(IUnknown *object)
{
    void *self = nullptr;
    if (!object || FAILED(object->QueryInterface(IID_ChildImpl, &self)))
        return nullptr;
    return static_cast<Child *>(self);
}

HRESULT Child::QueryInterface(const IID &iid, void **object)
{
    if (object && iid == IID_ChildImpl) {
        *object = this; // no reference: a private peek
        return S_OK;
    }
    IChild *primary = this;
    auto *sei = static_cast<ISupportErrorInfo *>(this);
    return queryInterfaceIn(primary, iid, object,
        {{IID_IUnknown, primary}, {IID_IDispatch, primary}, {IID_IChild, primary}, {IID_ISupportErrorInfo, sei}});
}

const DispatchTable<Child> &Child::dispatchTable()
{
    using C = Child;
    static const DispatchTable<C> t({
        disp::string<C>(u"Key", 0, &C::get_Key),
        disp::string<C>(u"Name", 2, &C::get_Name, &C::put_Name),
        disp::variant<C>(u"Effect", 1, &C::get_Effect, &C::put_Effect, &C::putref_Effect),
        disp::variant<C>(u"Parent", 3, &C::get_Parent, &C::put_Parent, &C::putref_Parent),
    });
    return t;
}

HRESULT Child::error(HRESULT hr) const
{
    return raiseError(hr, CLSID_Child, IID_IChild);
}

void Child::send(uint32_t message) const
{
    if (m_window)
        m_window->sendMessage(message);
}

void Child::setEffects(IEffects *effects)
{
    m_effects = ComPtr<IEffects>(effects);
    watchEffect();
}

HRESULT Child::get_Key(BSTR *value)
{
    return outString(value, m_key);
}

HRESULT Child::get_Name(BSTR *value)
{
    return outString(value, m_name);
}

HRESULT Child::put_Name(BSTR value)
{
    m_name = bstrToQString(value);
    if (m_name.isNull())
        m_name = QLatin1String("");
    send(WM_CHILD_NAME_CHANGED);
    return S_OK;
}

ComPtr<IEffect> Child::resolvedEffect() const
{
    ComPtr<IEffect> e;
    if (m_effect.vt == VT_DISPATCH && m_effect.pdispVal) {
        m_effect.pdispVal->QueryInterface(IID_IEffect, e.putVoid());
    } else if (m_effect.vt == VT_BSTR && m_effects) {
        if (FAILED(m_effects->get_Item(m_effect, e.put())))
            SetErrorInfo(0, nullptr); // a key no longer there is no error of the caller's
    }
    return e;
}

void Child::watchEffect()
{
    m_sinks.UnadviseSubObjectChanges(kEffectSink);
    m_watched = resolvedEffect();
    if (m_watched)
        m_sinks.AdviseSubObjectChanges(kEffectSink, m_watched.get(), IID_IPropertyNotifySink);
}

void Child::setEffectValue(const Variant &value)
{
    m_effect = value;
    watchEffect();
}

HRESULT Child::get_Effect(VARIANT *value)
{
    if (!value)
        return E_POINTER;
    VariantClear(value);
    ComPtr<IEffect> e = resolvedEffect();
    if (!e) {
        value->vt = VT_NULL;
        return S_OK;
    }
    value->vt = VT_DISPATCH;
    value->pdispVal = e.get();
    e->AddRef();
    return S_OK;
}

HRESULT Child::put_Effect(VARIANT given)
{
    const Variant v = plainValue(given);
    Variant stored;
    if (v.vt == VT_NULL || ((v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) && !v.punkVal)) {
        stored = Variant::null();
    } else if (v.vt == VT_I2 || v.vt == VT_I4 || v.vt == VT_BSTR) {
        if (!m_effects)
            return error(E_NOT_IN_COLLECTION);
        ComPtr<IEffect> e;
        const HRESULT hr = m_effects->get_Item(v, e.put());
        if (FAILED(hr))
            return hr; // the collection's error, with its error info
        Bstr key;
        e->get_Key(key.put());
        stored = Variant::str(key.toQString());
    } else if (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) {
        ComPtr<IEffect> e;
        if (FAILED(v.punkVal->QueryInterface(IID_IEffect, e.putVoid())))
            return error(CTL_E_INVALIDPROPERTYVALUE);
        stored = Variant::dispatch(e.get());
    } else {
        return error(CTL_E_INVALIDPROPERTYVALUE);
    }
    setEffectValue(stored);
    send(WM_CHILD_EFFECT_CHANGED);
    return S_OK;
}

HRESULT Child::putref_Effect(VARIANT value)
{
    const Variant v = plainValue(value);
    if (v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN && v.vt != VT_NULL)
        return error(CTL_E_INVALIDPROPERTYVALUE);
    return put_Effect(value);
}

HRESULT Child::get_Parent(VARIANT *value)
{
    if (!value)
        return E_POINTER;
    VariantClear(value);
    value->vt = VT_DISPATCH;
    value->pdispVal = nullptr;
    if (m_parent.vt == VT_DISPATCH && m_parent.pdispVal) {
        m_parent.pdispVal->QueryInterface(IID_IChild, reinterpret_cast<void **>(&value->pdispVal));
    } else if ((m_parent.vt == VT_I2 || m_parent.vt == VT_I4 || m_parent.vt == VT_BSTR) && m_owner) {
        Variant index(m_parent);
        Child *found = nullptr;
        if (SUCCEEDED(m_owner->find(&index, &found))) {
            value->pdispVal = static_cast<IChild *>(found);
            found->AddRef();
        }
    }
    return S_OK;
}

HRESULT Child::put_Parent(VARIANT given)
{
    Variant v = plainValue(given);
    if (v.vt == VT_NULL) {
        m_parent = v;
        return S_OK;
    }
    ComPtr<IChild> source;
    if (v.vt == VT_I2 || v.vt == VT_I4 || v.vt == VT_BSTR) {
        Child *found = nullptr;
        if (!m_owner || FAILED(m_owner->find(&v, &found)))
            return error(E_NOT_IN_COLLECTION);
        source = ComPtr<IChild>(found);
    } else if ((v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) && v.punkVal) {
        if (FAILED(v.punkVal->QueryInterface(IID_IChild, source.putVoid())))
            return error(CTL_E_INVALIDPROPERTYVALUE);
        if (v.vt == VT_UNKNOWN)
            v = Variant::dispatch(source.get());
    } else {
        return error(CTL_E_INVALIDPROPERTYVALUE);
    }
    Variant effect;
    QString name;
    if (Child *own = impl(source.get())) {
        effect = own->m_effect;
        name = own->m_name;
    } else {
        source->get_Effect(&effect);
        Bstr n;
        source->get_Name(n.put());
        name = n.toQString();
    }
    m_parent = v;
    if (effect.vt != VT_NULL && effect.vt != VT_EMPTY) {
        setEffectValue(effect);
        send(WM_CHILD_EFFECT_CHANGED);
    }
    m_name = name.isNull() ? QString(QLatin1String("")) : name;
    send(WM_CHILD_NAME_CHANGED);
    return S_OK;
}

HRESULT Child::putref_Parent(VARIANT value)
{
    return put_Parent(value);
}

HRESULT Child::InterfaceSupportsErrorInfo(const IID &iid)
{
    return iid == IID_IChild ? S_OK : S_FALSE;
}

void Child::OnSubObjectChanged(int32_t, DISPID)
{
    send(WM_CHILD_EFFECT_CHANGED);
}

HRESULT Child::OnSubObjectRequestEdit(int32_t, DISPID)
{
    return S_OK;
}

} // namespace lumafold
