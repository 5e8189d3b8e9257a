#pragma once
// One look of the container: background, two bevels, spacing, border,
// margins and a checkered shadow. Kept by key in an Effects collection.
#include "Controls/Container/LumafoldInterfaces.h"

#include "Controls/common/ComModule.h"
#include "Controls/common/PropertyExchange.h"
#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"
#include "platform/win/ole/proppage.h"

namespace lumafold {

class Effects;

// Private id under which an Effect of this library answers with itself.
extern const com::IID IID_EffectImpl;

class Effect final : public com::DispatchImpl<Effect, IEffect>,
                     public com::ISupportErrorInfo,
                     public com::IConnectionPointContainer,
                     public platform::win::IColorPropertyList,
                     public controls::ObjectRoot {
public:
    Effect();

    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return addRef(); }
    uint32_t Release() override { return release(); }

    // IDispatch: GetTypeInfoCount, GetIDsOfNames and Invoke answer from this table.
    static const com::DispatchTable<Effect> &dispatchTable();

    HRESULT get_BackColor(OLE_COLOR *value) override;
    HRESULT put_BackColor(OLE_COLOR value) override;
    HRESULT get_BevelOuter(int16_t *value) override;
    HRESULT put_BevelOuter(int16_t value) override;
    HRESULT get_BevelInner(int16_t *value) override;
    HRESULT put_BevelInner(int16_t value) override;
    HRESULT get_BevelLight(int16_t *value) override;
    HRESULT put_BevelLight(int16_t value) override;
    HRESULT get_BevelShade(int16_t *value) override;
    HRESULT put_BevelShade(int16_t value) override;
    HRESULT get_BevelSpace(int16_t *value) override;
    HRESULT put_BevelSpace(int16_t value) override;
    HRESULT get_BorderStyle(int32_t *value) override;
    HRESULT put_BorderStyle(int32_t value) override;
    HRESULT get_Key(BSTR *value) override;
    HRESULT get_Parent(VARIANT *value) override;
    HRESULT put_Parent(VARIANT value) override;
    HRESULT putref_Parent(VARIANT value) override;
    HRESULT get_ShadowDarkness(int16_t *value) override;
    HRESULT put_ShadowDarkness(int16_t value) override;
    HRESULT get_ShadowWidth(int16_t *value) override;
    HRESULT put_ShadowWidth(int16_t value) override;
    HRESULT get_ShadowBaseColor(OLE_COLOR *value) override;
    HRESULT put_ShadowBaseColor(OLE_COLOR value) override;
    HRESULT get_MarginTop(int16_t *value) override;
    HRESULT put_MarginTop(int16_t value) override;
    HRESULT get_MarginBottom(int16_t *value) override;
    HRESULT put_MarginBottom(int16_t value) override;
    HRESULT get_MarginLeft(int16_t *value) override;
    HRESULT put_MarginLeft(int16_t value) override;
    HRESULT get_MarginRight(int16_t *value) override;
    HRESULT put_MarginRight(int16_t value) override;

    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override;
    HRESULT FindConnectionPoint(const com::IID &iid, com::IConnectionPoint **point) override;
    // The colour properties the stock colour page edits: BackColor and ShadowBaseColor.
    HRESULT GetColorProperties(platform::win::CALPOLESTR *names, platform::win::CADWORD *dispids) override;

    // The values of an effect, as persisted and copied.
    struct Values {
        int32_t borderStyle = zoNoBorder;
        OLE_COLOR backColor = 0x8000000Fu;
        int16_t bevelOuter = 0, bevelInner = 0, bevelLight = 25, bevelShade = -25, bevelSpace = 0;
        int16_t marginBottom = 1, marginLeft = 1, marginRight = 1, marginTop = 1;
        OLE_COLOR shadowBaseColor = 0x80000010u;
        int16_t shadowDarkness = 35, shadowWidth = 0;
    };
    // True when every value lies in its put range.
    static bool valid(const Values &v);
    // The first value (in persisted order) outside its put range: true with
    // its property name and value text.
    static bool firstInvalid(const Values &v, QString *name, QString *value);
    static bool validColour(OLE_COLOR c);
    const Values &values() const { return m_v; }
    void setValues(const Values &v) { m_v = v; }
    // This library's Effect behind an object, or nullptr (no reference taken).
    static Effect *impl(com::IUnknown *object);
    // Reads every value of any IEffect.
    static Values valuesOf(IEffect *effect);

    QString key() const { return m_key; }
    void setKey(const QString &key) { m_key = key; }
    Effects *owner() const { return m_owner; }
    void setOwner(Effects *owner) { m_owner = owner; }
    const com::Variant &parent() const { return m_parent; }
    void setParentValue(const com::Variant &parent) { m_parent = parent; }

    // The margins as drawing uses them: clamped to 5000.
    int16_t drawnMarginTop() const;
    int16_t drawnMarginBottom() const;
    int16_t drawnMarginLeft() const;
    int16_t drawnMarginRight() const;

private:
    ~Effect() override = default;
    template <class V>
    HRESULT putValue(V &member, V value, bool ok, com::DISPID dispid);
    HRESULT putParent(VARIANT value);
    HRESULT error(HRESULT hr) const;

    Values m_v;
    QString m_key;
    com::Variant m_parent; // Empty at creation
    Effects *m_owner = nullptr;
    com::ConnectionPoint m_notify;
};

// Loads a reference to an effect as it is persisted (a control's CtrlEffect
// and ChildsEffect, a child's Effect): its VARIANT type under typeName, then,
// for a key (VT_BSTR) only, the key under valueName. The key loads as a
// string; any other type, and an empty key, load as Null (an effect held as
// an object was saved by its type alone). False, with *effect unchanged,
// when a value could not be read.
bool LoadEffectReference(controls::PropertyExchangeContext *ctx, const char16_t *typeName,
                         const char16_t *valueName, com::Variant *effect);

} // namespace lumafold
