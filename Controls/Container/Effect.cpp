#include "Controls/Container/Effect.h"

#include "Controls/Container/Effects.h"
#include "Controls/Container/LumafoldModule.h"
#include "Controls/common/DispatchHelpers.h"
#include "platform/com/loadrefusal.h"

namespace lumafold {

using namespace platform::com;
namespace disp = controls::disp;

const IID IID_EffectImpl = {0x5D0C7A11, 0x2E4B, 0x4C3F, {0x9A, 0x51, 0x7B, 0x11, 0x0E, 0x4D, 0x20, 0x01}};

namespace {
constexpr int16_t kDrawnMarginCap = 5000;
}

Effect::Effect() : controls::ObjectRoot(lumafold::module()), m_notify(static_cast<IEffect *>(this), IID_IPropertyNotifySink)
{
}

HRESULT Effect::QueryInterface(const IID &iid, void **object)
{
    if (object && iid == IID_EffectImpl) {
        *object = this; // no reference: a private peek
        return S_OK;
    }
    IEffect *primary = this;
    auto *sei = static_cast<ISupportErrorInfo *>(this);
    auto *cpc = static_cast<IConnectionPointContainer *>(this);
    return queryInterfaceIn(primary, iid, object,
        {{IID_IUnknown, primary}, {IID_IDispatch, primary}, {IID_IEffect, primary}, {IID_ISupportErrorInfo, sei},
         {IID_IConnectionPointContainer, cpc},
         {platform::win::IID_IColorPropertyList, static_cast<platform::win::IColorPropertyList *>(this)}});
}

const DispatchTable<Effect> &Effect::dispatchTable()
{
    using E = Effect;
    static const DispatchTable<E> t({
        disp::scalar<E, OLE_COLOR>(u"BackColor", 1, VT_I4, &E::get_BackColor, &E::put_BackColor),
        disp::scalar<E, int16_t>(u"BevelOuter", 2, VT_I2, &E::get_BevelOuter, &E::put_BevelOuter),
        disp::scalar<E, int16_t>(u"BevelInner", 3, VT_I2, &E::get_BevelInner, &E::put_BevelInner),
        disp::scalar<E, int16_t>(u"BevelLight", 4, VT_I2, &E::get_BevelLight, &E::put_BevelLight),
        disp::scalar<E, int16_t>(u"BevelShade", 5, VT_I2, &E::get_BevelShade, &E::put_BevelShade),
        disp::scalar<E, int16_t>(u"BevelSpace", 6, VT_I2, &E::get_BevelSpace, &E::put_BevelSpace),
        disp::scalar<E, int32_t>(u"BorderStyle", 7, VT_I4, &E::get_BorderStyle, &E::put_BorderStyle),
        disp::string<E>(u"Key", 0, &E::get_Key),
        disp::variant<E>(u"Parent", 9, &E::get_Parent, &E::put_Parent, &E::putref_Parent),
        disp::scalar<E, int16_t>(u"ShadowDarkness", 10, VT_I2, &E::get_ShadowDarkness, &E::put_ShadowDarkness),
        disp::scalar<E, int16_t>(u"ShadowWidth", 11, VT_I2, &E::get_ShadowWidth, &E::put_ShadowWidth),
        disp::scalar<E, OLE_COLOR>(u"ShadowBaseColor", 12, VT_I4, &E::get_ShadowBaseColor, &E::put_ShadowBaseColor),
        disp::scalar<E, int16_t>(u"MarginTop", 13, VT_I2, &E::get_MarginTop, &E::put_MarginTop),
        disp::scalar<E, int16_t>(u"MarginBottom", 14, VT_I2, &E::get_MarginBottom, &E::put_MarginBottom),
        disp::scalar<E, int16_t>(u"MarginLeft", 15, VT_I2, &E::get_MarginLeft, &E::put_MarginLeft),
        disp::scalar<E, int16_t>(u"MarginRight", 16, VT_I2, &E::get_MarginRight, &E::put_MarginRight),
    });
    return t;
}

HRESULT Effect::GetColorProperties(platform::win::CALPOLESTR *names, platform::win::CADWORD *dispids)
{
    return platform::win::MakeColorPropertyList({{u"BackColor", 1}, {u"ShadowBaseColor", 12}}, names, dispids);
}

HRESULT Effect::error(HRESULT hr) const
{
    return raiseError(hr, CLSID_Effect, IID_IEffect);
}

bool Effect::validColour(OLE_COLOR c)
{
    return c < 0x01000000u || (c >= 0x80000000u && c <= 0x80000018u);
}

bool Effect::valid(const Values &v)
{
    return !firstInvalid(v, nullptr, nullptr);
}

bool Effect::firstInvalid(const Values &v, QString *name, QString *value)
{
    auto refuse = [&](const char *n, const QString &text) {
        if (name)
            *name = QLatin1String(n);
        if (value)
            *value = text;
        return true;
    };
    auto colour = [&](const char *n, OLE_COLOR c) {
        return !validColour(c) && refuse(n, com::DescribeLoadedColour(c));
    };
    auto ranged = [&](const char *n, int x, int lo, int hi) {
        return (x < lo || x > hi) && refuse(n, QString::number(x));
    };
    // In the persisted order.
    return ranged("BorderStyle", v.borderStyle, 0, 1) || colour("BackColor", v.backColor) ||
           ranged("BevelOuter", v.bevelOuter, -100, 100) || ranged("BevelInner", v.bevelInner, -100, 100) ||
           ranged("BevelLight", v.bevelLight, -100, 100) || ranged("BevelShade", v.bevelShade, -100, 100) ||
           ranged("BevelSpace", v.bevelSpace, 0, 100) || ranged("MarginBottom", v.marginBottom, 0, 32767) ||
           ranged("MarginLeft", v.marginLeft, 0, 32767) || ranged("MarginRight", v.marginRight, 0, 32767) ||
           ranged("MarginTop", v.marginTop, 0, 32767) || colour("ShadowBaseColor", v.shadowBaseColor) ||
           ranged("ShadowDarkness", v.shadowDarkness, 0, 100) || ranged("ShadowWidth", v.shadowWidth, 0, 100);
}

template <class V>
HRESULT Effect::putValue(V &member, V value, bool ok, DISPID dispid)
{
    if (!ok)
        return error(CTL_E_INVALIDPROPERTYVALUE);
    if (member != value) {
        member = value;
        m_notify.fireOnChanged(dispid);
    }
    return S_OK;
}

#define GETTER(name, field)                                                                                            \
    HRESULT Effect::get_##name(decltype(Values::field) *value) { return outValue(value, m_v.field); }

GETTER(BackColor, backColor)
GETTER(BevelOuter, bevelOuter)
GETTER(BevelInner, bevelInner)
GETTER(BevelLight, bevelLight)
GETTER(BevelShade, bevelShade)
GETTER(BevelSpace, bevelSpace)
GETTER(BorderStyle, borderStyle)
GETTER(ShadowDarkness, shadowDarkness)
GETTER(ShadowWidth, shadowWidth)
GETTER(ShadowBaseColor, shadowBaseColor)
GETTER(MarginTop, marginTop)
GETTER(MarginBottom, marginBottom)
GETTER(MarginLeft, marginLeft)
GETTER(MarginRight, marginRight)

HRESULT Effect::put_BackColor(OLE_COLOR v) { return putValue(m_v.backColor, v, validColour(v), 1); }
HRESULT Effect::put_BevelOuter(int16_t v) { return putValue(m_v.bevelOuter, v, v >= -100 && v <= 100, 2); }
HRESULT Effect::put_BevelInner(int16_t v) { return putValue(m_v.bevelInner, v, v >= -100 && v <= 100, 3); }
HRESULT Effect::put_BevelLight(int16_t v) { return putValue(m_v.bevelLight, v, v >= -100 && v <= 100, 4); }
HRESULT Effect::put_BevelShade(int16_t v) { return putValue(m_v.bevelShade, v, v >= -100 && v <= 100, 5); }
HRESULT Effect::put_BevelSpace(int16_t v) { return putValue(m_v.bevelSpace, v, v >= 0 && v <= 100, 6); }
HRESULT Effect::put_BorderStyle(int32_t v) { return putValue(m_v.borderStyle, v, v >= 0 && v <= 1, 7); }
HRESULT Effect::put_ShadowDarkness(int16_t v) { return putValue(m_v.shadowDarkness, v, v >= 0 && v <= 100, 10); }
HRESULT Effect::put_ShadowWidth(int16_t v) { return putValue(m_v.shadowWidth, v, v >= 0 && v <= 100, 11); }
HRESULT Effect::put_ShadowBaseColor(OLE_COLOR v) { return putValue(m_v.shadowBaseColor, v, validColour(v), 12); }
HRESULT Effect::put_MarginTop(int16_t v) { return putValue(m_v.marginTop, v, v >= 0, 13); }
HRESULT Effect::put_MarginBottom(int16_t v) { return putValue(m_v.marginBottom, v, v >= 0, 14); }
HRESULT Effect::put_MarginLeft(int16_t v) { return putValue(m_v.marginLeft, v, v >= 0, 15); }
HRESULT Effect::put_MarginRight(int16_t v) { return putValue(m_v.marginRight, v, v >= 0, 16); }

int16_t Effect::drawnMarginTop() const { return std::min(m_v.marginTop, kDrawnMarginCap); }
int16_t Effect::drawnMarginBottom() const { return std::min(m_v.marginBottom, kDrawnMarginCap); }
int16_t Effect::drawnMarginLeft() const { return std::min(m_v.marginLeft, kDrawnMarginCap); }
int16_t Effect::drawnMarginRight() const { return std::min(m_v.marginRight, kDrawnMarginCap); }

HRESULT Effect::get_Key(BSTR *value)
{
    return outString(value, m_key.isNull() ? QStringLiteral("") : m_key);
}

Effect::Values Effect::valuesOf(IEffect *e)
{
    Values v;
    if (Effect *self = impl(e))
        return self->m_v;
    e->get_BorderStyle(&v.borderStyle);
    e->get_BackColor(&v.backColor);
    e->get_BevelOuter(&v.bevelOuter);
    e->get_BevelInner(&v.bevelInner);
    e->get_BevelLight(&v.bevelLight);
    e->get_BevelShade(&v.bevelShade);
    e->get_BevelSpace(&v.bevelSpace);
    e->get_MarginBottom(&v.marginBottom);
    e->get_MarginLeft(&v.marginLeft);
    e->get_MarginRight(&v.marginRight);
    e->get_MarginTop(&v.marginTop);
    e->get_ShadowBaseColor(&v.shadowBaseColor);
    e->get_ShadowDarkness(&v.shadowDarkness);
    e->get_ShadowWidth(&v.shadowWidth);
    return v;
}

Effect *Effect::impl(IUnknown *object)
{
    void *self = nullptr;
    if (!object || FAILED(object->QueryInterface(IID_EffectImpl, &self)))
        return nullptr;
    return static_cast<Effect *>(self); // the private peek carries no reference
}

HRESULT Effect::get_Parent(VARIANT *value)
{
    if (!value)
        return E_POINTER;
    VariantClear(value);
    value->vt = VT_DISPATCH;
    value->pdispVal = nullptr;
    const VARTYPE t = m_parent.vt;
    if (t == VT_DISPATCH || t == VT_UNKNOWN) {
        if (m_parent.punkVal)
            m_parent.punkVal->QueryInterface(IID_IEffect, reinterpret_cast<void **>(&value->pdispVal));
        return S_OK;
    }
    if ((t == VT_I2 || t == VT_I4 || t == VT_BSTR) && m_owner) {
        Variant index(m_parent);
        Effect *found = nullptr;
        if (SUCCEEDED(m_owner->find(&index, &found))) {
            value->pdispVal = static_cast<IEffect *>(found);
            found->AddRef();
        }
    }
    return S_OK;
}

HRESULT Effect::put_Parent(VARIANT value)
{
    return putParent(value);
}

HRESULT Effect::putref_Parent(VARIANT value)
{
    const VARTYPE t = value.vt & ~VT_BYREF;
    if (t != VT_DISPATCH && t != VT_UNKNOWN && t != VT_NULL)
        return error(CTL_E_INVALIDPROPERTYVALUE);
    return putParent(value);
}

HRESULT Effect::putParent(VARIANT given)
{
    Variant value;
    VariantCopy(&value, derefVariant(&given));
    if (value.vt & VT_BYREF) {
        Variant plain;
        const VARTYPE base = value.vt & ~VT_BYREF;
        if (FAILED(VariantChangeType(&plain, &value, 0, base)))
            return error(CTL_E_INVALIDPROPERTYVALUE);
        value = plain;
    }
    if (value.vt == VT_NULL) {
        m_parent = value;
        return S_OK;
    }
    ComPtr<IEffect> source;
    if (value.vt == VT_I2 || value.vt == VT_I4 || value.vt == VT_BSTR) {
        Effect *found = nullptr;
        if (!m_owner || FAILED(m_owner->find(&value, &found)))
            return error(E_NOT_IN_COLLECTION);
        source = ComPtr<IEffect>(found);
    } else if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) {
        if (!value.punkVal || FAILED(value.punkVal->QueryInterface(IID_IEffect, source.putVoid())))
            return error(CTL_E_INVALIDPROPERTYVALUE);
    } else {
        return error(CTL_E_INVALIDPROPERTYVALUE);
    }
    m_v = valuesOf(source.get());
    m_parent = value;
    m_notify.fireOnChanged(9);
    return S_OK;
}

HRESULT Effect::InterfaceSupportsErrorInfo(const IID &iid)
{
    return iid == IID_IEffect ? S_OK : S_FALSE;
}

HRESULT Effect::FindConnectionPoint(const IID &iid, IConnectionPoint **point)
{
    return m_notify.handOut(iid, point);
}

bool LoadEffectReference(controls::PropertyExchangeContext *ctx, const char16_t *typeName,
                         const char16_t *valueName, Variant *effect)
{
    int16_t type = VT_NULL;
    if (!controls::ExchangeShortProperty(ctx, typeName, &type))
        return false;
    if (type != VT_BSTR) {
        *effect = Variant::null();
        return true;
    }
    Bstr key;
    if (!controls::ExchangeStringProperty(ctx, valueName, &key))
        return false;
    *effect = key.length() > 0 ? Variant::str(key.toQString()) : Variant::null();
    return true;
}

} // namespace lumafold
