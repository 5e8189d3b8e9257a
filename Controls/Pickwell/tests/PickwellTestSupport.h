#pragma once
// Shared helpers of the item model tests.
#include "Controls/Pickwell/ComboItem.h"
#include "Controls/Pickwell/ComboItemCollection.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "Controls/common/tests/ControlTestSupport.h"

#include <gtest/gtest.h>

namespace pickwell::testing {

using namespace platform::com;
using controls::testing::loadFromBytes;
using controls::testing::regText;
using controls::testing::saveToBytes;

inline ComPtr<IComboItem> newItem(const QString &content = QString())
{
    ComPtr<IComboItem> item;
    EXPECT_EQ(controls::createObject<ComboItem>(IID_IComboItem, item.putVoid()), S_OK);
    if (!content.isNull()) {
        Bstr c(content);
        item->put_Content(c.get());
    }
    return item;
}

inline ComPtr<IComboItemCollection> newCollection()
{
    ComPtr<IComboItemCollection> c;
    EXPECT_EQ(controls::createObject<ComboItemCollection>(IID_IComboItemCollection, c.putVoid()), S_OK);
    return c;
}

inline QString content(IComboItem *item)
{
    Bstr s;
    item->get_Content(s.put());
    return s.toQString();
}

inline QStringList contents(IComboItemCollection *c)
{
    QStringList out;
    int32_t n = 0;
    c->get_Count(&n);
    for (int32_t i = 0; i < n; ++i) {
        ComPtr<IComboItem> item;
        c->get_Item(i, item.put());
        out << content(item.get());
    }
    return out;
}

inline QList<int32_t> indexes(IComboItemCollection *c)
{
    QList<int32_t> out;
    int32_t n = 0;
    c->get_Count(&n);
    for (int32_t i = 0; i < n; ++i) {
        ComPtr<IComboItem> item;
        c->get_Item(i, item.put());
        int32_t index = 0;
        item->get_Index(&index);
        out << index;
    }
    return out;
}

// Records what a sink is told, in order: request edits as "r<code>", changes as "c<code>".
class RecordingSink final : public IPropertyNotifySink {
public:
    QStringList calls;
    uint32_t refs = 1;
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IPropertyNotifySink) {
            *object = static_cast<IPropertyNotifySink *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT OnChanged(DISPID id) override { calls << QStringLiteral("c%1").arg(id); return S_OK; }
    HRESULT OnRequestEdit(DISPID id) override { calls << QStringLiteral("r%1").arg(id); return S_OK; }
};

// Connects a sink to an object's property-notify point; returns the cookie.
inline uint32_t connect(IUnknown *object, IPropertyNotifySink *sink)
{
    ComPtr<IConnectionPointContainer> cpc;
    EXPECT_EQ(object->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid()), S_OK);
    ComPtr<IConnectionPoint> cp;
    EXPECT_EQ(cpc->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
    uint32_t cookie = 0;
    EXPECT_EQ(cp->Advise(sink, &cookie), S_OK);
    return cookie;
}


// The item classes become creatable inside this test program.
class PickwellTest : public ::testing::Test {
protected:
    void SetUp() override { module().attach(); }
};

} // namespace pickwell::testing
