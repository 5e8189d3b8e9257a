// Change sinks on sub-objects, the pointer array and DBCS positions.
#include "Controls/common/SubObjectNotifySink.h"

#include <gtest/gtest.h>

using namespace platform::com;
using namespace controls;

namespace {

class Watched final : public IConnectionPointContainer {
public:
    Watched() : point(this, IID_IPropertyNotifySink) {}
    ConnectionPoint point;
    bool refuse = false;
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IConnectionPointContainer) {
            *object = static_cast<IConnectionPointContainer *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT FindConnectionPoint(const IID &iid, IConnectionPoint **p) override
    {
        if (refuse || iid != IID_IPropertyNotifySink) {
            *p = nullptr;
            return CONNECT_E_CANNOTCONNECT;
        }
        *p = &point;
        point.AddRef();
        return S_OK;
    }
    uint32_t refs = 1;
};

class Owner final : public SubObjectChangeHandler {
public:
    std::vector<std::pair<int32_t, DISPID>> changed, requested;
    void OnSubObjectChanged(int32_t id, DISPID d) override { changed.emplace_back(id, d); }
    HRESULT OnSubObjectRequestEdit(int32_t id, DISPID d) override
    {
        requested.emplace_back(id, d);
        return S_FALSE;
    }
};

} // namespace

TEST(SubObjectSinks, AdvisingAnIdAgainReplacesItsSinkAndCallsCarryTheId)
{
    Owner owner;
    Watched a, b;
    SubObjectSinks sinks(&owner);
    ASSERT_TRUE(sinks.AdviseSubObjectChanges(1, &a, IID_IPropertyNotifySink));
    ASSERT_TRUE(sinks.AdviseSubObjectChanges(1, &b, IID_IPropertyNotifySink));
    EXPECT_EQ(sinks.count(), 1);
    EXPECT_EQ(a.point.count(), 0u) << "the first connection is closed";
    EXPECT_EQ(b.point.count(), 1u);
    // Ids are 32-bit: 70000 stays distinct from 4464.
    ASSERT_TRUE(sinks.AdviseSubObjectChanges(70000, &a, IID_IPropertyNotifySink));
    EXPECT_EQ(sinks.FindSinkIndex(4464), -1);
    a.point.fireOnChanged(-512);
    b.point.fireOnRequestEdit(3);
    EXPECT_EQ(owner.changed, (std::vector<std::pair<int32_t, DISPID>>{{70000, -512}}));
    EXPECT_EQ(owner.requested, (std::vector<std::pair<int32_t, DISPID>>{{1, 3}}));

    EXPECT_FALSE(sinks.UnadviseSubObjectChanges(5));
    ASSERT_TRUE(sinks.UnadviseSubObjectChanges(1));
    EXPECT_EQ(b.point.count(), 0u);
    EXPECT_EQ(sinks.FindSinkIndex(70000), 0);

    Watched refusing;
    refusing.refuse = true;
    EXPECT_FALSE(sinks.AdviseSubObjectChanges(2, &refusing, IID_IPropertyNotifySink));
    EXPECT_EQ(sinks.FindSinkIndex(2), -1);
    sinks.unadviseAll();
    EXPECT_EQ(a.point.count(), 0u);
}

TEST(SubObjectNotifySink, AnswersItsInterfacesAndCountsWithoutDying)
{
    Owner owner;
    SubObjectNotifySink sink(4, &owner);
    void *p = nullptr;
    ASSERT_EQ(sink.QueryInterface(IID_IPropertyNotifySink, &p), S_OK);
    EXPECT_EQ(sink.QueryInterface(IID_IDispatch, &p), E_NOINTERFACE);
    EXPECT_EQ(sink.Release(), 2u) << "the value before the change";
    EXPECT_EQ(sink.Release(), 1u);
    EXPECT_EQ(sink.Release(), 0u);
    EXPECT_EQ(sink.OnRequestEdit(7), S_FALSE) << "the owner's answer";
}

TEST(PointerArray, GrowsByItsStepAndRemovesInPlace)
{
    PointerArray a;
    EXPECT_EQ(a.capacity(), 8);
    int cells[9];
    for (int i = 0; i < 8; ++i)
        a.PointerArrayAdd(&cells[i]);
    EXPECT_EQ(a.capacity(), 8);
    a.PointerArrayAdd(&cells[8]);
    EXPECT_EQ(a.capacity(), 16);
    EXPECT_EQ(a.count(), 9);
    EXPECT_FALSE(a.PointerArrayRemoveAt(9));
    EXPECT_FALSE(a.PointerArrayRemoveAt(-1));
    ASSERT_TRUE(a.PointerArrayRemoveAt(0));
    EXPECT_EQ(a.at(0), &cells[1]);
    EXPECT_EQ(a.at(7), &cells[8]);
    EXPECT_EQ(PointerArray(9).capacity(), 16);
    EXPECT_EQ(PointerArray(16).capacity(), 16);
}

TEST(GetDbcsCharKind, WalksLeadAndTrailBytes)
{
    const QByteArray text("a\x82\xA0" "b");
    EXPECT_EQ(GetDbcsCharKind(text, 0), 0);
    EXPECT_EQ(GetDbcsCharKind(text, 1), 1);
    EXPECT_EQ(GetDbcsCharKind(text, 2), 2);
    EXPECT_EQ(GetDbcsCharKind(text, 3), 0);
    EXPECT_EQ(GetDbcsCharKind(text, 4), -1);
    EXPECT_EQ(GetDbcsCharKind(text, -1), -1);
    EXPECT_EQ(GetDbcsCharKind(QByteArray(), 0), -1);
    // A trail byte in the lead range is still a trail byte.
    EXPECT_EQ(GetDbcsCharKind(QByteArray("\x81\x81\x41"), 1), 2);
    EXPECT_EQ(GetDbcsCharKind(QByteArray("\x81\x81\x41"), 2), 0);
}
