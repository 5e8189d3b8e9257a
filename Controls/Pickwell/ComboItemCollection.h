#pragma once
// The combo's list of items: insertion order or sorted by a text key,
// numbered, each item watched; changes go to the owner's sink.
#include "Controls/Pickwell/ItemInterfaces.h"

#include "Controls/common/ComModule.h"
#include "Controls/common/SubObjectNotifySink.h"
#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"
#include "platform/com/persist.h"

#include <vector>

namespace pickwell {

class ComboItemCollection final : public com::DispatchImpl<ComboItemCollection, IComboItemCollection>,
                                  public com::ISupportErrorInfo,
                                  public com::IConnectionPointContainer,
                                  public com::IPersistStreamInit,
                                  public com::IPersistPropertyBag,
                                  public controls::SubObjectChangeHandler,
                                  public controls::ObjectRoot {
public:
    ComboItemCollection();

    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return addRef(); }
    uint32_t Release() override { return release(); }

    // IDispatch: GetTypeInfoCount, GetIDsOfNames and Invoke answer from this table.
    static const com::DispatchTable<ComboItemCollection> &dispatchTable();

    // IComboItemCollection
    HRESULT Add(IComboItem *item) override;
    HRESULT get_Count(int32_t *count) override;
    HRESULT get_Item(int32_t position, IComboItem **item) override;
    HRESULT get_NewEnum(com::IUnknown **enumerator) override;
    HRESULT RemoveAt(int32_t position) override;
    HRESULT get_SelectedIndex(int32_t *value) override;
    HRESULT put_SelectedIndex(int32_t value) override;
    HRESULT Contains(IComboItem *item, VARIANT_BOOL *result) override;
    HRESULT IndexOf(IComboItem *item, int32_t *result) override;
    HRESULT Remove(IComboItem *item) override;
    HRESULT Insert(int32_t position, IComboItem *item) override;
    HRESULT Clear() override;
    HRESULT SetSortInfo(int16_t sortBy, int16_t sortOrder) override;
    HRESULT put_DefaultBackColor(OLE_COLOR value) override;
    HRESULT put_DefaultForeColor(OLE_COLOR value) override;
    HRESULT AddItem(com::IPicture *picture, BSTR content, BSTR description) override;

    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override;
    // IConnectionPointContainer
    HRESULT FindConnectionPoint(const com::IID &iid, com::IConnectionPoint **point) override;
    // IPersistStreamInit and IPersistPropertyBag (one GetClassID and InitNew serve both)
    HRESULT GetClassID(com::CLSID *clsid) override;
    HRESULT IsDirty() override { return com::S_OK; }
    HRESULT Load(com::IStream *stream) override;
    HRESULT Save(com::IStream *stream, bool clearDirty) override;
    HRESULT GetSizeMax(uint64_t *) override { return com::E_NOTIMPL; }
    HRESULT InitNew() override { return com::S_OK; }
    HRESULT Load(com::IPropertyBag *bag, com::IErrorLog *log) override;
    HRESULT Save(com::IPropertyBag *bag, bool clearDirty, bool saveAll) override;

    // Sort settings of this collection.
    int16_t sortBy() const { return m_sortBy; }
    int16_t sortOrder() const { return m_sortOrder; }

protected:
    void OnSubObjectChanged(int32_t id, com::DISPID code) override;
    HRESULT OnSubObjectRequestEdit(int32_t id, com::DISPID code) override;

private:
    ~ComboItemCollection() override;

    com::ComPtr<IComboItem> itemAt(size_t position) const;
    void sort();
    void registerSinks();
    void releaseItems();

    std::vector<com::Variant> m_items; // VT_DISPATCH, one reference each
    controls::SubObjectSinks m_sinks{this};
    OLE_COLOR m_defaultBack = 0xFFFFFFFFu;
    OLE_COLOR m_defaultFore = 0xFFFFFFFFu;
    int16_t m_sortBy = zoDisplayMember;
    int16_t m_sortOrder = zoNone;
    com::ConnectionPoint m_notify;
};

} // namespace pickwell
