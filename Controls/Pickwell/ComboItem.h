#pragma once
// One row of the combo's list: content, description, value, tooltip,
// indent, picture, colours and flags. Tells its sinks a change code on puts.
#include "Controls/Pickwell/ItemInterfaces.h"

#include "Controls/common/ComModule.h"
#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"
#include "platform/com/persist.h"

namespace pickwell {

class ComboItem final : public com::DispatchImpl<ComboItem, IComboItem>,
                        public com::ISupportErrorInfo,
                        public com::IConnectionPointContainer,
                        public com::IPersistStreamInit,
                        public controls::ObjectRoot {
public:
    ComboItem();

    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return addRef(); }
    uint32_t Release() override { return release(); }

    // IDispatch: GetTypeInfoCount, GetIDsOfNames and Invoke answer from this table.
    static const com::DispatchTable<ComboItem> &dispatchTable();

    // IComboItem
    HRESULT get_Enable(VARIANT_BOOL *value) override;
    HRESULT put_Enable(VARIANT_BOOL value) override;
    HRESULT get_Visible(VARIANT_BOOL *value) override;
    HRESULT put_Visible(VARIANT_BOOL value) override;
    HRESULT get_ForeColor(OLE_COLOR *value) override;
    HRESULT put_ForeColor(OLE_COLOR value) override;
    HRESULT get_BackColor(OLE_COLOR *value) override;
    HRESULT put_BackColor(OLE_COLOR value) override;
    HRESULT get_Content(BSTR *value) override;
    HRESULT put_Content(BSTR value) override;
    HRESULT get_Description(BSTR *value) override;
    HRESULT put_Description(BSTR value) override;
    HRESULT get_TooltipText(BSTR *value) override;
    HRESULT put_TooltipText(BSTR value) override;
    HRESULT get_Indent(int32_t *value) override;
    HRESULT put_Indent(int32_t value) override;
    HRESULT get_Image(com::IPicture **value) override;
    HRESULT put_Image(com::IPicture *value) override;
    HRESULT get_Index(int32_t *value) override;
    HRESULT put_Index(int32_t value) override;
    HRESULT get_Value(BSTR *value) override;
    HRESULT put_Value(BSTR value) override;
    HRESULT get_Selected(int16_t *value) override;
    HRESULT SetSelected(int16_t value) override;
    HRESULT get_BackTransparent(VARIANT_BOOL *value) override;
    HRESULT put_BackTransparent(VARIANT_BOOL value) override;
    HRESULT get_ForeTransparent(VARIANT_BOOL *value) override;
    HRESULT put_ForeTransparent(VARIANT_BOOL value) override;
    HRESULT get_Contained(int32_t *value) override;
    HRESULT put_Contained(int32_t value) override;

    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override;
    // IConnectionPointContainer
    HRESULT FindConnectionPoint(const com::IID &iid, com::IConnectionPoint **point) override;
    // IPersistStreamInit
    HRESULT GetClassID(com::CLSID *clsid) override;
    HRESULT IsDirty() override { return com::S_OK; }
    HRESULT Load(com::IStream *stream) override;
    HRESULT Save(com::IStream *stream, bool clearDirty) override;
    HRESULT GetSizeMax(uint64_t *) override { return com::E_NOTIMPL; }
    HRESULT InitNew() override { return com::S_OK; }

private:
    ~ComboItem() override = default;

    // The persisted part of the item (Index, Selected, Contained are not).
    struct Data {
        com::Bstr content{QStringLiteral("")};
        com::Bstr description{QStringLiteral("")};
        com::Bstr value; // null
        com::Bstr tooltip{QStringLiteral("")};
        int16_t indent = 0;
        VARIANT_BOOL enable = com::VARIANT_TRUE;
        VARIANT_BOOL visible = com::VARIANT_TRUE;
        VARIANT_BOOL backTransparent = com::VARIANT_TRUE;
        VARIANT_BOOL foreTransparent = com::VARIANT_TRUE;
        OLE_COLOR backColor = 0xFFFFFFFFu;
        OLE_COLOR foreColor = 0xFFFFFFFFu;
        com::ComPtr<com::IPicture> picture;
    };
    void changed(ItemChange code) { m_notify.fireOnChanged(code); }
    HRESULT putString(com::Bstr &member, BSTR value, ItemChange code);
    static HRESULT getString(const com::Bstr &member, BSTR *value);

    Data m_data;
    int32_t m_index = -1;
    int16_t m_selected = 0;
    int32_t m_contained = 0;
    com::ConnectionPoint m_notify;
};

} // namespace pickwell
