#pragma once
// One contained control's own look: the control's name and an effect.
#include "Controls/Container/LumafoldInterfaces.h"

#include "Controls/common/ComModule.h"
#include "Controls/common/SubObjectNotifySink.h"
#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"

namespace lumafold {

class Childs;
class Effects;

extern const com::IID IID_ChildImpl;

class Child final : public com::DispatchImpl<Child, IChild>,
                    public com::ISupportErrorInfo,
                    public controls::SubObjectChangeHandler,
                    public controls::ObjectRoot {
public:
    Child();

    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return addRef(); }
    uint32_t Release() override { return release(); }

    // IDispatch: GetTypeInfoCount, GetIDsOfNames and Invoke answer from this table.
    static const com::DispatchTable<Child> &dispatchTable();

    HRESULT get_Key(BSTR *value) override;
    HRESULT get_Name(BSTR *value) override;
    HRESULT put_Name(BSTR value) override;
    HRESULT get_Effect(VARIANT *value) override;
    HRESULT put_Effect(VARIANT value) override;
    HRESULT putref_Effect(VARIANT value) override;
    HRESULT get_Parent(VARIANT *value) override;
    HRESULT put_Parent(VARIANT value) override;
    HRESULT putref_Parent(VARIANT value) override;

    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override;

    static Child *impl(com::IUnknown *object);
    QString key() const { return m_key; }
    void setKey(const QString &key) { m_key = key; }
    QString name() const { return m_name; }
    void setOwner(Childs *owner) { m_owner = owner; }
    // Given by the Childs collection that holds the child.
    void setEffects(IEffects *effects);
    void setWindow(ContainerWindow *window) { m_window = window; }
    // The stored effect: Null, an effect's key (VT_BSTR) or an effect object.
    const com::Variant &effectValue() const { return m_effect; }
    // Stores an effect value as loaded or copied (Null or a key), and watches it.
    void setEffectValue(const com::Variant &value);
    void setNameValue(const QString &name) { m_name = name; }

protected:
    void OnSubObjectChanged(int32_t id, com::DISPID dispid) override;
    HRESULT OnSubObjectRequestEdit(int32_t id, com::DISPID dispid) override;

private:
    ~Child() override;
    HRESULT error(HRESULT hr) const;
    void send(uint32_t message) const;
    // The effect object the stored value names, or null.
    com::ComPtr<IEffect> resolvedEffect() const;
    void watchEffect();

    QString m_key{QLatin1String("")};
    QString m_name{QLatin1String("")};
    com::Variant m_effect = com::Variant::null();
    com::Variant m_parent;
    Childs *m_owner = nullptr;
    com::ComPtr<IEffects> m_effects;
    ContainerWindow *m_window = nullptr;
    controls::SubObjectSinks m_sinks{this};
    com::ComPtr<IEffect> m_watched; // kept while its sink is advised
};

} // namespace lumafold
