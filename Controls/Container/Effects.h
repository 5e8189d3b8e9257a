#pragma once
// The container's effects, in order and by key.
#include "Controls/Container/Effect.h"
#include "Controls/Container/KeyedItems.h"

#include "platform/com/objectbase.h"
#include "platform/com/persist.h"

namespace lumafold {

class Effects final : public com::DispatchImpl<Effects, IEffects>,
                      public com::ISupportErrorInfo,
                      public com::IPersistStreamInit,
                      public com::IPersistPropertyBag,
                      public controls::ObjectRoot {
public:
    Effects();

    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return addRef(); }
    uint32_t Release() override { return release(); }

    // IDispatch: GetTypeInfoCount, GetIDsOfNames and Invoke answer from this table.
    static const com::DispatchTable<Effects> &dispatchTable();

    HRESULT get_Count(int32_t *count) override;
    HRESULT get_Item(VARIANT index, IEffect **item) override;
    HRESULT put_Item(VARIANT index, IEffect *value) override;
    HRESULT putref_Item(VARIANT index, IEffect *value) override;
    HRESULT get__NewEnum(com::IUnknown **enumerator) override;
    HRESULT Add(VARIANT index, BSTR key, IEffect **result) override;
    HRESULT Clear() override;
    HRESULT Remove(VARIANT index) override;
    HRESULT _ReplaceKey(int32_t position, BSTR key) override;
    HRESULT AddObj(VARIANT index, BSTR key, VARIANT object, IEffect **result) override;

    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override;

    HRESULT GetClassID(com::CLSID *clsid) override;
    HRESULT IsDirty() override { return com::S_OK; }
    HRESULT Load(com::IStream *stream) override;
    HRESULT Save(com::IStream *stream, bool clearDirty) override;
    HRESULT GetSizeMax(uint64_t *) override { return com::E_NOTIMPL; }
    HRESULT InitNew() override { return com::S_OK; }
    HRESULT Load(com::IPropertyBag *bag, com::IErrorLog *log) override;
    HRESULT Save(com::IPropertyBag *bag, bool clearDirty, bool saveAll) override;

    // The effect an Index argument names, without error info (no reference).
    HRESULT find(VARIANT *index, Effect **effect) const;
    int count() const { return m_items.count(); }
    Effect *at(int position) const { return m_items.at(position); }
    QStringList keysInMapOrder() const { return m_items.keysInMapOrder(); }
    // The container window; messages go to it only while set.
    void setWindow(ContainerWindow *window) { m_window = window; }
    // The three effects a container starts with: "Raised", "Inset", "Flat".
    void addStandardEffects();

    // The most effects a stream may hold.
    static constexpr int32_t kMaxLoadedCount = kMaxLoadedItems;

private:
    ~Effects() override;
    HRESULT error(HRESULT hr) const;
    void notify();
    HRESULT addEffect(VARIANT *index, BSTR key, const Effect::Values *values, const com::Variant *parent,
                      IEffect **result);

    KeyedItems<Effect> m_items;
    ContainerWindow *m_window = nullptr;
};

} // namespace lumafold
