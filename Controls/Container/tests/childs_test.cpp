// Child and Childs: names, effects by key, index or object, Parent, window
// messages and persistence.
#include "LumafoldTestSupport.h"

using namespace lumafold;
using namespace lumafold::testing;

namespace {

class ChildsTest : public LumafoldTest {
protected:
    void SetUp() override
    {
        LumafoldTest::SetUp();
        effects = containerEffects();
        childs = newChilds();
        impl()->setEffects(effects.get());
        impl()->setWindow(&window);
    }
    void TearDown() override { impl()->setWindow(nullptr); }
    Childs *impl() const { return static_cast<Childs *>(childs.get()); }
    ComPtr<IChild> add(const QString &key)
    {
        ComPtr<IChild> c;
        Bstr k(key);
        EXPECT_EQ(childs->Add(Variant::missing(), k.get(), c.put()), S_OK);
        return c;
    }
    static QString effectKey(IChild *c)
    {
        Variant v;
        c->get_Effect(&v);
        if (v.vt == VT_NULL)
            return QStringLiteral("<null>");
        ComPtr<IEffect> e;
        v.pdispVal->QueryInterface(IID_IEffect, e.putVoid());
        Bstr k;
        e->get_Key(k.put());
        return k.toQString();
    }

    RecordingWindow window;
    ComPtr<IEffects> effects;
    ComPtr<IChildren> childs;
};

} // namespace

TEST_F(ChildsTest, ANewChildHasNoNameAndNoEffectAndAddSendsNothing)
{
    ComPtr<IChild> c = add(QStringLiteral("A"));
    Bstr name;
    c->get_Name(name.put());
    EXPECT_EQ(name.length(), 0u);
    EXPECT_EQ(effectKey(c.get()), QStringLiteral("<null>"));
    EXPECT_TRUE(window.messages.isEmpty());
    ComPtr<IChild> dup;
    Bstr a(QStringLiteral("a"));
    EXPECT_EQ(childs->Add(Variant::missing(), a.get(), dup.put()), E_KEY_EXISTS);
    EXPECT_EQ(takeError(),
              kIChildren + QStringLiteral("|Ryx.Cont_Childs7.7|このｷｰは既にこのｺﾚｸｼｮﾝの要素に割り当てられています。"));
}

TEST_F(ChildsTest, EffectByIndexKeyOrObject)
{
    ComPtr<IChild> c = add(QStringLiteral("A"));
    ASSERT_EQ(c->put_Effect(Variant::i2(2)), S_OK);
    EXPECT_EQ(impl()->at(0)->effectValue().vt, VT_BSTR) << "stored as the effect's key";
    EXPECT_EQ(effectKey(c.get()), QStringLiteral("Inset"));
    ASSERT_EQ(c->put_Effect(Variant::str(QStringLiteral("flat"))), S_OK);
    EXPECT_EQ(effectKey(c.get()), QStringLiteral("Flat"));
    ComPtr<IEffect> loose = newEffect();
    ASSERT_EQ(c->putref_Effect(Variant::dispatch(loose.get())), S_OK);
    Variant v;
    c->get_Effect(&v);
    EXPECT_EQ(v.pdispVal, static_cast<IDispatch *>(loose.get()));
    ASSERT_EQ(c->put_Effect(Variant::null()), S_OK);
    EXPECT_EQ(effectKey(c.get()), QStringLiteral("<null>"));

    // The collection's own errors come back; other types are invalid values.
    EXPECT_EQ(c->put_Effect(Variant::str(QStringLiteral("Nope"))), E_ELEMENT_NOT_FOUND);
    EXPECT_EQ(takeError(), kIEffects + QStringLiteral("|Ryx.Cont_Effects7.7|指定した要素が見つかりません。"));
    EXPECT_EQ(c->put_Effect(Variant::i4(4)), E_INDEX_RANGE);
    EXPECT_EQ(c->put_Effect(Variant::r8(1)), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(takeError(), kIChild + QStringLiteral("|Ryx.Cont_Child7.7|ﾌﾟﾛﾊﾟﾃｨの値が不正です。"));
    // A child that knows no Effects collection.
    ComPtr<IChild> alone = newChild();
    EXPECT_EQ(alone->put_Effect(Variant::i4(1)), E_NOT_IN_COLLECTION);
    EXPECT_EQ(takeError(),
              kIChild + QStringLiteral("|Ryx.Cont_Child7.7|指定したｵﾌﾞｼﾞｪｸﾄはｺﾚｸｼｮﾝ内に存在しません。"));
    // A key that left the collection reads as Null.
    ASSERT_EQ(c->put_Effect(Variant::str(QStringLiteral("Raised"))), S_OK);
    effects->Remove(Variant::str(QStringLiteral("Raised")));
    EXPECT_EQ(effectKey(c.get()), QStringLiteral("<null>"));
}

TEST_F(ChildsTest, WindowMessagesFollowNamesEffectsAndTheCollection)
{
    ComPtr<IChild> c = add(QStringLiteral("A"));
    Bstr name(QStringLiteral("Command1"));
    c->put_Name(name.get());
    c->put_Effect(Variant::str(QStringLiteral("Inset")));
    ComPtr<IEffect> inset;
    effects->get_Item(Variant::str(QStringLiteral("Inset")), inset.put());
    inset->put_ShadowWidth(3); // the child's effect changed
    inset->put_ShadowWidth(3); // no change, no message
    ComPtr<IEffect> flat;
    effects->get_Item(Variant::str(QStringLiteral("Flat")), flat.put());
    flat->put_ShadowWidth(3); // not this child's effect
    EXPECT_EQ(window.messages, QList<uint32_t>({0x410, 0x413, 0x413}));
    window.messages.clear();

    ComPtr<IChild> copy;
    Bstr b(QStringLiteral("B"));
    ASSERT_EQ(childs->AddObj(Variant::missing(), b.get(), Variant::dispatch(c.get()), copy.put()), S_OK);
    Bstr copied;
    copy->get_Name(copied.put());
    EXPECT_EQ(copied.toQString(), QStringLiteral("Command1"));
    EXPECT_EQ(effectKey(copy.get()), QStringLiteral("Inset"));
    Bstr k(QStringLiteral("C"));
    childs->_ReplaceKey(1, k.get()); // no message from Childs
    childs->Remove(Variant::str(QStringLiteral("C")));
    EXPECT_EQ(window.messages, QList<uint32_t>({0x412, 0x412}));
    window.messages.clear();
    copy->put_Name(name.get()); // removed: no window any more
    copy.reset();
    EXPECT_TRUE(window.messages.isEmpty());

    c.reset(); // still held by the collection, released by Clear
    childs->Clear();
    EXPECT_EQ(window.messages, QList<uint32_t>({0x413, 0x412}));

    // A child released while in the collection's window reports it.
    window.messages.clear();
    ComPtr<IChild> d = add(QStringLiteral("D"));
    childs.reset();
    EXPECT_TRUE(window.messages.isEmpty()) << "a collection going away detaches its children first";
    d->put_Name(name.get());
    EXPECT_TRUE(window.messages.isEmpty());
    childs = newChilds(); // for TearDown
}

TEST_F(ChildsTest, AChildReleasedByItsCollectionTellsTheWindow)
{
    ComPtr<IChild> c = add(QStringLiteral("A"));
    window.messages.clear();
    c.reset(); // the collection still holds it
    EXPECT_TRUE(window.messages.isEmpty());
    ASSERT_EQ(childs->Remove(Variant::i4(1)), S_OK); // its last reference goes
    EXPECT_EQ(window.messages, QList<uint32_t>({0x413, 0x412}));
}

TEST_F(ChildsTest, ParentTakesTheOtherChildsEffectAndName)
{
    ComPtr<IChild> a = add(QStringLiteral("A"));
    Bstr name(QStringLiteral("Label1"));
    a->put_Name(name.get());
    a->put_Effect(Variant::str(QStringLiteral("Flat")));
    ComPtr<IChild> b = add(QStringLiteral("B"));
    b->put_Effect(Variant::str(QStringLiteral("Inset")));
    window.messages.clear();
    ASSERT_EQ(b->put_Parent(Variant::str(QStringLiteral("a"))), S_OK);
    EXPECT_EQ(effectKey(b.get()), QStringLiteral("Flat"));
    Bstr got;
    b->get_Name(got.put());
    EXPECT_EQ(got.toQString(), QStringLiteral("Label1"));
    EXPECT_EQ(window.messages, QList<uint32_t>({0x413, 0x410}));
    Variant parent;
    b->get_Parent(&parent);
    EXPECT_EQ(parent.pdispVal, static_cast<IDispatch *>(a.get()));

    // A parent without an effect leaves this child's effect.
    ComPtr<IChild> c = add(QStringLiteral("C"));
    c->put_Effect(Variant::str(QStringLiteral("Raised")));
    ComPtr<IChild> plain = add(QStringLiteral("Plain"));
    ASSERT_EQ(c->put_Parent(Variant::i4(4)), S_OK);
    EXPECT_EQ(effectKey(c.get()), QStringLiteral("Raised"));

    EXPECT_EQ(c->put_Parent(Variant::i4(9)), E_NOT_IN_COLLECTION);
    EXPECT_EQ(c->put_Parent(Variant::str(QStringLiteral("None"))), E_NOT_IN_COLLECTION);
    EXPECT_EQ(takeError(),
              kIChild + QStringLiteral("|Ryx.Cont_Child7.7|指定したｵﾌﾞｼﾞｪｸﾄはｺﾚｸｼｮﾝ内に存在しません。"));
    EXPECT_EQ(c->put_Parent(Variant::r8(1)), CTL_E_INVALIDPROPERTYVALUE);
    ASSERT_EQ(c->putref_Parent(Variant::dispatch(a.get())), S_OK);
    EXPECT_EQ(effectKey(c.get()), QStringLiteral("Flat"));
}

TEST_F(ChildsTest, StreamFormKeepsEffectsByKey)
{
    ComPtr<IChild> a = add(QStringLiteral("A"));
    Bstr name(QStringLiteral("Btn"));
    a->put_Name(name.get());
    a->put_Effect(Variant::str(QStringLiteral("Raised")));
    add(QStringLiteral("B"));
    ComPtr<IChild> c = add(QStringLiteral("C"));
    ComPtr<IEffect> inset;
    effects->get_Item(Variant::i4(2), inset.put());
    c->putref_Effect(Variant::dispatch(inset.get())); // an object: saved by its key
    ComPtr<IChild> d = add(QStringLiteral("D"));
    d->putref_Effect(Variant::dispatch(newEffect().get())); // an object without a key: saved as Null

    std::vector<uint8_t> expected;
    put32(expected, 4);
    putStr(expected, QStringLiteral("A"));
    putStr(expected, QStringLiteral("Btn"));
    put16(expected, 8);
    putStr(expected, QStringLiteral("Raised"));
    putStr(expected, QStringLiteral("B"));
    putStr(expected, QStringLiteral(""));
    put16(expected, 1);
    putStr(expected, QStringLiteral("C"));
    putStr(expected, QStringLiteral(""));
    put16(expected, 8);
    putStr(expected, QStringLiteral("Inset"));
    putStr(expected, QStringLiteral("D"));
    putStr(expected, QStringLiteral(""));
    put16(expected, 1);
    EXPECT_EQ(saveToBytes(childs.get()), expected);

    ComPtr<IChildren> back = newChilds();
    ASSERT_EQ(loadFromBytes(back.get(), expected), S_OK);
    static_cast<Childs *>(back.get())->setEffects(effects.get());
    ComPtr<IChild> la, lc;
    back->get_Item(Variant::str(QStringLiteral("A")), la.put());
    back->get_Item(Variant::i4(3), lc.put());
    EXPECT_EQ(effectKey(la.get()), QStringLiteral("Raised"));
    EXPECT_EQ(effectKey(lc.get()), QStringLiteral("Inset"));
    Bstr n;
    la->get_Name(n.put());
    EXPECT_EQ(n.toQString(), QStringLiteral("Btn"));

    // A type other than 8 reads as Null, with no value after it.
    std::vector<uint8_t> other;
    put32(other, 1);
    putStr(other, QStringLiteral("X"));
    putStr(other, QStringLiteral("N"));
    put16(other, 9);
    ComPtr<IChildren> third = newChilds();
    ASSERT_EQ(loadFromBytes(third.get(), other), S_OK);
    EXPECT_EQ(static_cast<Childs *>(third.get())->at(0)->effectValue().vt, VT_NULL);
}

TEST_F(ChildsTest, AnEffectTypeOtherThanAKeyLoadsAsNullAndTheNextChildInStep)
{
    std::vector<uint8_t> bytes;
    put32(bytes, 4);
    const int types[] = {99, int(VT_I4), int(VT_EMPTY)};
    for (int i = 0; i < 3; ++i) {
        putStr(bytes, QStringLiteral("K%1").arg(i));
        putStr(bytes, QStringLiteral("N%1").arg(i));
        put16(bytes, types[i]);
    }
    putStr(bytes, QStringLiteral("Last"));
    putStr(bytes, QStringLiteral("Btn"));
    put16(bytes, VT_BSTR);
    putStr(bytes, QStringLiteral("Inset"));
    ComPtr<IChildren> back = newChilds();
    ASSERT_EQ(loadFromBytes(back.get(), bytes), S_OK);
    Childs *loaded = static_cast<Childs *>(back.get());
    ASSERT_EQ(loaded->count(), 4);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(types[i]);
        EXPECT_EQ(loaded->at(i)->key(), QStringLiteral("K%1").arg(i));
        EXPECT_EQ(loaded->at(i)->effectValue().vt, VT_NULL);
    }
    EXPECT_EQ(loaded->at(3)->key(), QStringLiteral("Last"));
    EXPECT_EQ(loaded->at(3)->effectValue().toQString(), QStringLiteral("Inset"));
}

TEST_F(ChildsTest, CorruptStreamsLoadNothing)
{
    ComPtr<IChild> a = add(QStringLiteral("A"));
    a->put_Effect(Variant::str(QStringLiteral("Raised")));
    add(QStringLiteral("B"));
    const std::vector<uint8_t> bytes = saveToBytes(childs.get());
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        ComPtr<IChildren> c = newChilds();
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        EXPECT_TRUE(FAILED(loadFromBytes(c.get(), part))) << cut;
        int32_t n = -1;
        c->get_Count(&n);
        EXPECT_EQ(n, 0) << cut;
    }
    std::vector<uint8_t> huge = bytes;
    huge[3] = 0x7F;
    ComPtr<IChildren> c = newChilds();
    EXPECT_TRUE(FAILED(loadFromBytes(c.get(), huge)));
    std::vector<uint8_t> dup;
    put32(dup, 2);
    for (int i = 0; i < 2; ++i) {
        putStr(dup, QStringLiteral("K"));
        putStr(dup, QStringLiteral(""));
        put16(dup, 1);
    }
    EXPECT_TRUE(FAILED(loadFromBytes(c.get(), dup)));
    int32_t n = -1;
    c->get_Count(&n);
    EXPECT_EQ(n, 0);
}

TEST_F(ChildsTest, PropertyBagRoundTrip)
{
    ComPtr<IChild> a = add(QStringLiteral("A"));
    a->put_Effect(Variant::str(QStringLiteral("Flat")));
    ComPtr<PropertyBag> bag(new PropertyBag);
    Variant v = Variant::unknown(childs.get());
    ASSERT_EQ(bag->Write(u"Childs", &v), S_OK);
    const PropertyBag::Entry *entry = bag->find(QStringLiteral("Childs"));
    ASSERT_TRUE(entry && entry->bag);
    EXPECT_EQ(entry->bag->names(), QStringList({"_Version", "Blob"}));
    Variant read;
    read.vt = VT_UNKNOWN;
    ASSERT_EQ(bag->Read(u"Childs", &read, nullptr), S_OK);
    ComPtr<IChildren> back;
    ASSERT_EQ(read.punkVal->QueryInterface(IID_IChildren, back.putVoid()), S_OK);
    int32_t n = 0;
    back->get_Count(&n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(static_cast<Childs *>(back.get())->at(0)->effectValue().toQString(), QStringLiteral("Flat"));
}

TEST_F(ChildsTest, ALoadedCountAboveTheCapIsRefusedEvenWhenTheEntriesAreThere)
{
    auto build = [](int32_t count) {
        std::vector<uint8_t> b;
        put32(b, uint32_t(count));
        for (int32_t i = 0; i < count; ++i) {
            putStr(b, QString::number(i));
            putStr(b, QString());
            put16(b, 1);
        }
        return b;
    };
    ComPtr<IChildren> full = newChilds();
    ASSERT_EQ(loadFromBytes(full.get(), build(Childs::kMaxLoadedCount)), S_OK);
    int32_t n = 0;
    full->get_Count(&n);
    EXPECT_EQ(n, Childs::kMaxLoadedCount);
    ComPtr<IChildren> over = newChilds();
    EXPECT_TRUE(FAILED(loadFromBytes(over.get(), build(Childs::kMaxLoadedCount + 1))));
    over->get_Count(&n);
    EXPECT_EQ(n, 0);
}
