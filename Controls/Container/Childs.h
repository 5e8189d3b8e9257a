#pragma once
// The container's per-control entries, in order and by key.
#include "Controls/Container/Child.h"
#include "Controls/Container/KeyedItems.h"

#include "platform/com/objectbase.h"
#include "platform/com/persist.h"

namespace lumafold {

class Childs final : public com::DispatchImpl<Childs, IChildren>,
                     public com::ISupportErrorInfo,
                     public com::IPersistStreamInit,
                     public com::IPersistPropertyBag,
                     public controls::ObjectRoot {
public:
    Childs();

    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return addRef(); }
    uint32_t Release() override { return release(); }

    // IDispatch: GetTypeInfoCount, GetIDsOfNames and Invoke answer from this table.
    static const com::DispatchTable<Childs> &dispatchTable();

    HRESULT get_Count(int32_t *count) override;
    HRESULT get_Item(VARIANT index, IChild **item) override;
    HRESULT get__NewEnum(com::IUnknown **enumerator) override;
    HRESULT Add(VARIANT index, BSTR key, IChild **result) override;
    HRESULT Clear() override;
    HRESULT Remove(VARIANT index) override;
    HRESULT _ReplaceKey(int32_t position, BSTR key) override;
    HRESULT AddObj(VARIANT index, BSTR key, VARIANT object, IChild **result) override;

    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override;

    HRESULT GetClassID(com::CLSID *clsid) override;
    HRESULT IsDirty() override { return com::S_OK; }
    HRESULT Load(com::IStream *stream) override;
    HRESULT Save(com::IStream *stream, bool clearDirty) override;
    HRESULT GetSizeMax(uint64_t *) override { return com::E_NOTIMPL; }
    HRESULT InitNew() override { return com::S_OK; }
    HRESULT Load(com::IPropertyBag *bag, com::IErrorLog *log) override;
    HRESULT Save(com::IPropertyBag *bag, bool clearDirty, bool saveAll) override;

    HRESULT find(VARIANT *index, Child **child) const;
    int count() const { return m_items.count(); }
    Child *at(int position) const { return m_items.at(position); }
    // Both are handed to every child.
    void setWindow(ContainerWindow *window);
    void setEffects(IEffects *effects);

    // The most children a stream may hold.
    static constexpr int32_t kMaxLoadedCount = kMaxLoadedItems;

private:
    ~Childs() override;
    HRESULT error(HRESULT hr) const;
    void notify();
    void adopt(Child *child);
    void dropChild(com::ComPtr<Child> child);
    HRESULT addChild(VARIANT *index, BSTR key, Child *source, IChild **result);

    KeyedItems<Child> m_items;
    ContainerWindow *m_window = nullptr;
    com::ComPtr<IEffects> m_effects;
};

} // namespace lumafold
