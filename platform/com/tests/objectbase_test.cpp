// The shared object pieces: QueryInterface over an interface list, the
// deleting reference count, IDispatch from a member table and out-values.
#include "platform/com/objectbase.h"

#include <gtest/gtest.h>

using namespace platform::com;

namespace {

const IID IID_IProbe = {0x6A1B2C3D, 0x4E5F, 0x4A6B, {0x8C, 0x7D, 0x9E, 0x0F, 0x1A, 0x2B, 0x3C, 0x4D}};

struct IProbe : IUnknown {
    virtual int probe() = 0;
};

// IProbe comes first, so the IDispatch part sits at an offset inside the object.
template <NullCount nullCount>
class Probe final : public RefCounted<IProbe, DispatchImpl<Probe<nullCount>, IDispatch, nullCount>> {
public:
    explicit Probe(bool *deleted) : m_deleted(deleted) {}
    ~Probe() override { *m_deleted = true; }

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        IProbe *primary = this;
        auto *disp = static_cast<IDispatch *>(this);
        return queryInterfaceIn(primary, iid, object,
                                {{IID_IUnknown, primary}, {IID_IProbe, primary}, {IID_IDispatch, disp}});
    }
    int probe() override { return value; }

    static const DispatchTable<Probe> &dispatchTable()
    {
        static const DispatchTable<Probe> t({
            {u"Value", 1, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
             [](Probe *self, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                 if (kind == DISPATCH_PROPERTYGET) {
                     VariantClear(r);
                     r->vt = VT_I4;
                     r->lVal = self->value;
                     return S_OK;
                 }
                 return argI4(args[0], &self->value);
             }},
        });
        return t;
    }

    int32_t value = 0;

private:
    bool *m_deleted;
};

using StrictProbe = Probe<NullCount::Pointer>;
using LenientProbe = Probe<NullCount::Ok>;

} // namespace

TEST(ObjectBase, QueryInterfaceHandsOutListedInterfacesWithAReference)
{
    bool deleted = false;
    auto *p = new StrictProbe(&deleted);
    p->AddRef();

    void *out = reinterpret_cast<void *>(1);
    EXPECT_EQ(p->QueryInterface(IID_IDispatch, &out), S_OK);
    EXPECT_EQ(out, static_cast<void *>(static_cast<IDispatch *>(p)));
    EXPECT_NE(out, static_cast<void *>(static_cast<IProbe *>(p)));
    EXPECT_EQ(p->AddRef(), 3u); // the query took one

    EXPECT_EQ(p->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<void *>(static_cast<IProbe *>(p)));

    out = reinterpret_cast<void *>(1);
    EXPECT_EQ(p->QueryInterface(IID_IEnumVARIANT, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(p->QueryInterface(IID_IProbe, nullptr), E_POINTER);

    EXPECT_EQ(p->Release(), 3u);
    EXPECT_EQ(p->Release(), 2u);
    EXPECT_EQ(p->Release(), 1u);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(p->Release(), 0u);
    EXPECT_TRUE(deleted);
}

TEST(ObjectBase, DispatchPartCallsTheTableOnTheWholeObject)
{
    bool deleted = false;
    ComPtr<IProbe> p(new StrictProbe(&deleted));
    ComPtr<IDispatch> d;
    ASSERT_EQ(p->QueryInterface(IID_IDispatch, d.putVoid()), S_OK);

    EXPECT_EQ(invokeByName(d.get(), QStringLiteral("value"), DISPATCH_PROPERTYPUT, {Variant::i4(42)}, nullptr), S_OK);
    EXPECT_EQ(p->probe(), 42);
    Variant r;
    EXPECT_EQ(invokeByName(d.get(), QStringLiteral("Value"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I4);
    EXPECT_EQ(r.lVal, 42);

    const OLECHAR *names[] = {u"Nothing"};
    DISPID id = 0;
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);

    uint32_t count = 7;
    EXPECT_EQ(d->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(d->GetTypeInfoCount(nullptr), E_POINTER);
}

TEST(ObjectBase, LenientDispatchAcceptsAMissingCountPlace)
{
    bool deleted = false;
    ComPtr<IProbe> p(new LenientProbe(&deleted));
    ComPtr<IDispatch> d;
    ASSERT_EQ(p->QueryInterface(IID_IDispatch, d.putVoid()), S_OK);
    EXPECT_EQ(d->GetTypeInfoCount(nullptr), S_OK);
    uint32_t count = 7;
    EXPECT_EQ(d->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}

TEST(ObjectBase, OutValuesNeedAPlace)
{
    int16_t n = 0;
    EXPECT_EQ(outValue(&n, int16_t(-3)), S_OK);
    EXPECT_EQ(n, -3);
    EXPECT_EQ(outValue(static_cast<int16_t *>(nullptr), int16_t(1)), E_POINTER);

    BSTR s = nullptr;
    EXPECT_EQ(outString(&s, QStringLiteral("キー")), S_OK);
    EXPECT_EQ(bstrToQString(s), QStringLiteral("キー"));
    SysFreeString(s);
    EXPECT_EQ(outString(nullptr, QStringLiteral("x")), E_POINTER);
}
