#pragma once
// Shared helpers of the effect and child tests.
#include "Controls/Container/Child.h"
#include "Controls/Container/Childs.h"
#include "Controls/Container/Effect.h"
#include "Controls/Container/Effects.h"
#include "Controls/Container/LumafoldModule.h"
#include "Controls/common/tests/ControlTestSupport.h"

#include "platform/com/errorinfo.h"

#include <gtest/gtest.h>

namespace lumafold::testing {

using namespace platform::com;
using controls::testing::loadFromBytes;
using controls::testing::regText;
using controls::testing::saveToBytes;

template <class T, class I>
ComPtr<I> make(const IID &iid)
{
    ComPtr<I> p;
    EXPECT_EQ(controls::createObject<T>(iid, p.putVoid()), S_OK);
    return p;
}

inline ComPtr<IEffect> newEffect() { return make<Effect, IEffect>(IID_IEffect); }
inline ComPtr<IEffects> newEffects() { return make<Effects, IEffects>(IID_IEffects); }
inline ComPtr<IChild> newChild() { return make<Child, IChild>(IID_IChild); }
inline ComPtr<IChildren> newChilds() { return make<Childs, IChildren>(IID_IChildren); }

// A container's collection: the three standard effects.
inline ComPtr<IEffects> containerEffects()
{
    ComPtr<IEffects> e = newEffects();
    static_cast<Effects *>(e.get())->addStandardEffects();
    return e;
}

inline QStringList keys(IEffects *effects)
{
    QStringList out;
    int32_t n = 0;
    effects->get_Count(&n);
    for (int32_t i = 1; i <= n; ++i) {
        ComPtr<IEffect> e;
        effects->get_Item(Variant::i4(i), e.put());
        Bstr k;
        e->get_Key(k.put());
        out << k.toQString();
    }
    return out;
}

inline QString text(const Bstr &b) { return b.toQString(); }

// The error object left by the last call: "GUID|source|description".
inline QString takeError()
{
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK)
        return QStringLiteral("<none>");
    GUID g;
    info->GetGUID(&g);
    Bstr source, description;
    info->GetSource(source.put());
    info->GetDescription(description.put());
    return g.toString() + QLatin1Char('|') + source.toQString() + QLatin1Char('|') + description.toQString();
}

class RecordingWindow final : public ContainerWindow {
public:
    QList<uint32_t> messages;
    void sendMessage(uint32_t message) override { messages << message; }
};

class RecordingSink final : public IPropertyNotifySink {
public:
    QList<DISPID> changed;
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
    HRESULT OnChanged(DISPID id) override { changed << id; return S_OK; }
    HRESULT OnRequestEdit(DISPID) override { return S_OK; }
};

inline void connect(IUnknown *object, IPropertyNotifySink *sink)
{
    ComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(object->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid()), S_OK);
    ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(cpc->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
    uint32_t cookie = 0;
    ASSERT_EQ(cp->Advise(sink, &cookie), S_OK);
}


// Byte builders for expected stream forms.
inline void put16(std::vector<uint8_t> &b, int v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
inline void put32(std::vector<uint8_t> &b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}
inline void putStr(std::vector<uint8_t> &b, const QString &s)
{
    put32(b, uint32_t(s.size() * 2 + 2));
    for (QChar c : s)
        put16(b, c.unicode());
    put16(b, 0);
}

class LumafoldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module().attach();
        SetErrorInfo(0, nullptr);
    }
};

inline const QString kIEffect = QStringLiteral("{7FA1CB73-D0DB-472B-8273-32437DE501C6}");
inline const QString kIEffects = QStringLiteral("{294DC283-8E48-4E13-90EE-F09E7C9DD462}");
inline const QString kIChild = QStringLiteral("{0420E3B6-CDA0-44E1-9C11-CCFD6509476E}");
inline const QString kIChildren = QStringLiteral("{A93F0049-03B9-43F6-8041-3E77F347FAEF}");

} // namespace lumafold::testing
