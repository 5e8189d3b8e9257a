#pragma once
// A small item model for the window's tests: the combo window reads the items
// it lists and draws through the item interfaces only, so rows that keep
// their values and a collection that holds them in order are all it needs.
// A row's colours are transparent until one is set, as the control's items
// start.
#include "zobase7/include/ComboItemInterfaces.h"

#include "platform/com/objectbase.h"
#include "platform/com/picture.h"

#include <vector>

namespace zobase7::testing {

namespace com = platform::com;

// The members of the item model that the window never calls.
template <class Interface>
class TestDispatch : public com::RefCounted<Interface> {
public:
    HRESULT GetTypeInfoCount(uint32_t *) override { return com::E_NOTIMPL; }
    HRESULT GetIDsOfNames(const com::IID &, const com::OLECHAR *const *, uint32_t, com::LCID, com::DISPID *) override
    {
        return com::E_NOTIMPL;
    }
    HRESULT Invoke(com::DISPID, const com::IID &, com::LCID, uint16_t, com::DISPPARAMS *, com::VARIANT *,
                   com::EXCEPINFO *, uint32_t *) override
    {
        return com::E_NOTIMPL;
    }
};

class TestItem final : public TestDispatch<IComboItem> {
public:
    explicit TestItem(const QString &content) : m_content(content) {}

    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object,
                                     {{com::IID_IUnknown, this}, {com::IID_IDispatch, this}, {IID_IComboItem, this}});
    }
    HRESULT get_Enable(VARIANT_BOOL *value) override { return com::outValue(value, com::VARIANT_TRUE); }
    HRESULT put_Enable(VARIANT_BOOL) override { return com::E_NOTIMPL; }
    HRESULT get_Visible(VARIANT_BOOL *value) override { return com::outValue(value, com::VARIANT_TRUE); }
    HRESULT put_Visible(VARIANT_BOOL) override { return com::E_NOTIMPL; }
    HRESULT get_ForeColor(OLE_COLOR *value) override { return com::outValue(value, m_fore); }
    HRESULT put_ForeColor(OLE_COLOR value) override { m_fore = value; m_foreTransparent = com::VARIANT_FALSE; return com::S_OK; }
    HRESULT get_BackColor(OLE_COLOR *value) override { return com::outValue(value, m_back); }
    HRESULT put_BackColor(OLE_COLOR value) override { m_back = value; m_backTransparent = com::VARIANT_FALSE; return com::S_OK; }
    HRESULT get_Content(BSTR *value) override { return com::outString(value, m_content); }
    HRESULT put_Content(BSTR value) override { m_content = com::bstrToQString(value); return com::S_OK; }
    HRESULT get_Description(BSTR *value) override { return com::outString(value, m_description); }
    HRESULT put_Description(BSTR value) override { m_description = com::bstrToQString(value); return com::S_OK; }
    HRESULT get_TooltipText(BSTR *value) override { return com::outString(value, QString()); }
    HRESULT put_TooltipText(BSTR) override { return com::E_NOTIMPL; }
    HRESULT get_Indent(int32_t *value) override { return com::outValue(value, 0); }
    HRESULT put_Indent(int32_t) override { return com::E_NOTIMPL; }
    HRESULT get_Image(com::IPicture **value) override
    {
        if (!value)
            return com::E_POINTER;
        *value = m_image.get();
        if (*value)
            (*value)->AddRef();
        return com::S_OK;
    }
    HRESULT put_Image(com::IPicture *value) override { m_image = com::ComPtr<com::IPicture>(value); return com::S_OK; }
    HRESULT get_Index(int32_t *value) override { return com::outValue(value, -1); }
    HRESULT put_Index(int32_t) override { return com::E_NOTIMPL; }
    HRESULT get_Value(BSTR *value) override { return com::outString(value, QString()); }
    HRESULT put_Value(BSTR) override { return com::E_NOTIMPL; }
    HRESULT get_Selected(int16_t *value) override { return com::outValue(value, int16_t(0)); }
    HRESULT SetSelected(int16_t) override { return com::E_NOTIMPL; }
    HRESULT get_BackTransparent(VARIANT_BOOL *value) override { return com::outValue(value, m_backTransparent); }
    HRESULT put_BackTransparent(VARIANT_BOOL value) override { m_backTransparent = value; return com::S_OK; }
    HRESULT get_ForeTransparent(VARIANT_BOOL *value) override { return com::outValue(value, m_foreTransparent); }
    HRESULT put_ForeTransparent(VARIANT_BOOL value) override { m_foreTransparent = value; return com::S_OK; }
    HRESULT get_Contained(int32_t *value) override { return com::outValue(value, 0); }
    HRESULT put_Contained(int32_t) override { return com::E_NOTIMPL; }

private:
    QString m_content;
    QString m_description;
    OLE_COLOR m_fore = 0;
    OLE_COLOR m_back = 0;
    VARIANT_BOOL m_foreTransparent = com::VARIANT_TRUE;
    VARIANT_BOOL m_backTransparent = com::VARIANT_TRUE;
    com::ComPtr<com::IPicture> m_image;
};

class TestItemCollection final : public TestDispatch<IComboItemCollection> {
public:
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(
            this, iid, object,
            {{com::IID_IUnknown, this}, {com::IID_IDispatch, this}, {IID_IComboItemCollection, this}});
    }
    HRESULT Add(IComboItem *item) override { return Insert(count(), item); }
    HRESULT get_Count(int32_t *value) override { return com::outValue(value, count()); }
    HRESULT get_Item(int32_t position, IComboItem **item) override
    {
        if (!item)
            return com::E_POINTER;
        *item = nullptr;
        if (position < 0 || position >= count())
            return com::E_INVALIDARG;
        *item = m_items[size_t(position)].get();
        (*item)->AddRef();
        return com::S_OK;
    }
    HRESULT get_NewEnum(com::IUnknown **) override { return com::E_NOTIMPL; }
    HRESULT RemoveAt(int32_t position) override
    {
        if (position < 0 || position >= count())
            return com::E_INVALIDARG;
        m_items.erase(m_items.begin() + position);
        return com::S_OK;
    }
    HRESULT get_SelectedIndex(int32_t *value) override { return com::outValue(value, -1); }
    HRESULT put_SelectedIndex(int32_t) override { return com::E_NOTIMPL; }
    HRESULT Contains(IComboItem *, VARIANT_BOOL *) override { return com::E_NOTIMPL; }
    HRESULT IndexOf(IComboItem *, int32_t *) override { return com::E_NOTIMPL; }
    HRESULT Remove(IComboItem *) override { return com::E_NOTIMPL; }
    HRESULT Insert(int32_t position, IComboItem *item) override
    {
        if (!item)
            return com::E_POINTER;
        if (position < 0 || position > count())
            return com::E_INVALIDARG;
        m_items.insert(m_items.begin() + position, com::ComPtr<IComboItem>(item));
        return com::S_OK;
    }
    HRESULT Clear() override { m_items.clear(); return com::S_OK; }
    HRESULT SetSortInfo(int16_t, int16_t) override { return com::E_NOTIMPL; }
    HRESULT put_DefaultBackColor(OLE_COLOR) override { return com::E_NOTIMPL; }
    HRESULT put_DefaultForeColor(OLE_COLOR) override { return com::E_NOTIMPL; }
    HRESULT AddItem(com::IPicture *, BSTR, BSTR) override { return com::E_NOTIMPL; }

private:
    int32_t count() const { return static_cast<int32_t>(m_items.size()); }
    std::vector<com::ComPtr<IComboItem>> m_items;
};

inline com::ComPtr<IComboItem> newItem(const QString &content = QString())
{
    return com::ComPtr<IComboItem>(new TestItem(content));
}

inline com::ComPtr<IComboItemCollection> newCollection()
{
    return com::ComPtr<IComboItemCollection>(new TestItemCollection);
}

} // namespace zobase7::testing
