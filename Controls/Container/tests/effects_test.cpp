// Effects: keys and positions, errors, window messages, persistence.
#include "LumafoldTestSupport.h"

using namespace lumafold;
using namespace lumafold::testing;

using EffectsTest = LumafoldTest;

TEST_F(EffectsTest, AContainerStartsWithThreeEffects)
{
    ComPtr<IEffects> e = containerEffects();
    EXPECT_EQ(keys(e.get()), QStringList({"Raised", "Inset", "Flat"}));
    int16_t bevel = 0;
    ComPtr<IEffect> inset;
    e->get_Item(Variant::i2(2), inset.put());
    inset->get_BevelOuter(&bevel);
    EXPECT_EQ(bevel, -1);
}

TEST_F(EffectsTest, KeysCompareIgnoringAsciiCaseOnly)
{
    ComPtr<IEffects> e = containerEffects();
    ComPtr<IEffect> added;
    Bstr lower(QStringLiteral("raised"));
    EXPECT_EQ(e->Add(Variant::missing(), lower.get(), added.put()), E_KEY_EXISTS);
    EXPECT_EQ(takeError(), kIEffects + QStringLiteral("|Ryx.Cont_Effects7.7|このｷｰは既にこのｺﾚｸｼｮﾝの要素に割り当てられています。"));
    ComPtr<IEffect> got;
    ASSERT_EQ(e->get_Item(Variant::str(QStringLiteral("FLAT")), got.put()), S_OK);
    // Full-width letters are not folded.
    Bstr wide(QStringLiteral("ＡＢ"));
    ASSERT_EQ(e->Add(Variant::missing(), wide.get(), added.put()), S_OK);
    EXPECT_EQ(e->get_Item(Variant::str(QStringLiteral("ａｂ")), got.put()), E_ELEMENT_NOT_FOUND);
    EXPECT_EQ(static_cast<Effects *>(e.get())->keysInMapOrder(), QStringList({"Flat", "Inset", "Raised", "ＡＢ"}));
}

TEST_F(EffectsTest, AddAtAPositionAndIndexErrors)
{
    ComPtr<IEffects> e = containerEffects();
    ComPtr<IEffect> added;
    Bstr key(QStringLiteral("Mid"));
    ASSERT_EQ(e->Add(Variant::i4(2), key.get(), added.put()), S_OK);
    EXPECT_EQ(keys(e.get()), QStringList({"Raised", "Mid", "Inset", "Flat"}));
    Bstr tail(QStringLiteral("Tail")), zero(QStringLiteral("Zero")), empty(QStringLiteral(""));
    ASSERT_EQ(e->Add(Variant::i4(99), tail.get(), added.put()), S_OK);
    ASSERT_EQ(e->Add(Variant::i4(0), zero.get(), added.put()), S_OK);
    EXPECT_EQ(keys(e.get()).mid(4), QStringList({"Tail", "Zero"}));
    EXPECT_EQ(e->Add(Variant::missing(), empty.get(), added.put()), E_KEY_INVALID);
    EXPECT_EQ(e->Add(Variant::missing(), nullptr, added.put()), E_KEY_INVALID);

    ComPtr<IEffect> got;
    EXPECT_EQ(e->get_Item(Variant::i4(0), got.put()), E_INDEX_RANGE);
    EXPECT_EQ(takeError(), kIEffects + QStringLiteral("|Ryx.Cont_Effects7.7|ｲﾝﾃﾞｯｸｽが有効範囲にありません。"));
    EXPECT_EQ(e->get_Item(Variant::i4(7), got.put()), E_INDEX_RANGE);
    EXPECT_EQ(e->get_Item(Variant::str(QStringLiteral("")), got.put()), E_KEY_INVALID);
    EXPECT_EQ(takeError(), kIEffects + QStringLiteral("|Ryx.Cont_Effects7.7|ｷｰは無効または空白の状態です。"));
    EXPECT_EQ(e->get_Item(Variant::str(QStringLiteral("Nope")), got.put()), E_ELEMENT_NOT_FOUND);
    EXPECT_EQ(e->get_Item(Variant::r8(1.0), got.put()), CTL_E_ILLEGALFUNCTIONCALL);
    EXPECT_EQ(takeError(), QStringLiteral("<none>")) << "an index of another type carries no error info";
    // By reference, as Basic passes variables.
    int16_t cell = 3;
    VARIANT ref;
    ref.vt = VT_BYREF | VT_I2;
    ref.piVal = &cell;
    ASSERT_EQ(e->get_Item(ref, got.put()), S_OK);
    Bstr k;
    got->get_Key(k.put());
    EXPECT_EQ(k.toQString(), QStringLiteral("Inset"));
}

TEST_F(EffectsTest, ReplaceKeyRenamesByZeroBasedPosition)
{
    ComPtr<IEffects> e = containerEffects();
    RecordingWindow window;
    static_cast<Effects *>(e.get())->setWindow(&window);
    Bstr top(QStringLiteral("Top")), same(QStringLiteral("INSET")), flat(QStringLiteral("flat")),
        empty(QStringLiteral(""));
    ASSERT_EQ(e->_ReplaceKey(0, top.get()), S_OK);
    EXPECT_EQ(keys(e.get()), QStringList({"Top", "Inset", "Flat"}));
    ComPtr<IEffect> got;
    EXPECT_EQ(e->get_Item(Variant::str(QStringLiteral("Raised")), got.put()), E_ELEMENT_NOT_FOUND);
    EXPECT_EQ(takeError(), kIEffects + QStringLiteral("|Ryx.Cont_Effects7.7|指定した要素が見つかりません。"));
    ASSERT_EQ(e->_ReplaceKey(1, same.get()), S_OK);
    EXPECT_EQ(keys(e.get())[1], QStringLiteral("Inset")) << "the same key ignoring case changes nothing";
    EXPECT_EQ(e->_ReplaceKey(1, flat.get()), E_KEY_EXISTS);
    EXPECT_EQ(e->_ReplaceKey(1, empty.get()), E_KEY_INVALID);
    EXPECT_EQ(e->_ReplaceKey(3, top.get()), E_INDEX_RANGE);
    EXPECT_EQ(window.messages, QList<uint32_t>({0x411}));
}

TEST_F(EffectsTest, ItemPutTakesTheValuesAndChecksItsKey)
{
    ComPtr<IEffects> e = containerEffects();
    ComPtr<IEffect> loose = newEffect();
    loose->put_BevelInner(5);
    // A loose effect has an empty key.
    EXPECT_EQ(e->put_Item(Variant::i4(1), loose.get()), E_KEY_INVALID);
    ComPtr<IEffect> flat;
    e->get_Item(Variant::str(QStringLiteral("Flat")), flat.put());
    EXPECT_EQ(e->put_Item(Variant::i4(1), flat.get()), E_KEY_DIFFERS);
    EXPECT_EQ(takeError(),
              kIEffects + QStringLiteral("|Ryx.Cont_Effects7.7|指定したｷｰは存在していますが、ｶﾚﾝﾄ要素のｷｰと違っています。"));

    ComPtr<IEffects> other = newEffects();
    ComPtr<IEffect> renamed;
    Bstr key(QStringLiteral("Renamed"));
    other->Add(Variant::missing(), key.get(), renamed.put());
    renamed->put_ShadowWidth(4);
    ComPtr<IEffect> first;
    e->get_Item(Variant::i4(1), first.put());
    ASSERT_EQ(e->put_Item(Variant::i4(1), renamed.get()), S_OK);
    EXPECT_EQ(keys(e.get()), QStringList({"Renamed", "Inset", "Flat"}));
    int16_t w = 0;
    first->get_ShadowWidth(&w);
    EXPECT_EQ(w, 4) << "the item itself takes the values";
    ComPtr<IEffect> byNewKey;
    ASSERT_EQ(e->get_Item(Variant::str(QStringLiteral("renamed")), byNewKey.put()), S_OK);
    EXPECT_EQ(byNewKey.get(), first.get());
    // Through IDispatch as a property put.
    ASSERT_EQ(invokeByName(e.get(), QStringLiteral("Item"), DISPATCH_PROPERTYPUTREF,
                           {Variant::i4(2), Variant::dispatch(byNewKey.get())}, nullptr),
              DISP_E_EXCEPTION) << "Renamed exists at another position";
}

TEST_F(EffectsTest, AddObjCopiesEveryValueIncludingParent)
{
    ComPtr<IEffects> e = containerEffects();
    ComPtr<IEffect> raised;
    e->get_Item(Variant::i4(1), raised.put());
    raised->put_Parent(Variant::str(QStringLiteral("Inset")));
    raised->put_MarginLeft(12);
    ComPtr<IEffect> copy;
    Bstr key(QStringLiteral("Copy"));
    ASSERT_EQ(e->AddObj(Variant::missing(), key.get(), Variant::dispatch(raised.get()), copy.put()), S_OK);
    int16_t v = 0;
    copy->get_MarginLeft(&v);
    EXPECT_EQ(v, 12);
    copy->get_BevelOuter(&v);
    EXPECT_EQ(v, -1) << "the parent's values were copied into Raised before";
    Variant parent;
    copy->get_Parent(&parent);
    ComPtr<IEffect> inset;
    e->get_Item(Variant::i4(2), inset.put());
    EXPECT_EQ(parent.pdispVal, static_cast<IDispatch *>(inset.get()));
    EXPECT_EQ(e->AddObj(Variant::missing(), key.get(), Variant::missing(), copy.put()), CTL_E_ILLEGALFUNCTIONCALL);
}

TEST_F(EffectsTest, RemoveAndClearDetachTheEffects)
{
    ComPtr<IEffects> e = containerEffects();
    ComPtr<IEffect> inset;
    e->get_Item(Variant::i4(2), inset.put());
    ASSERT_EQ(e->Remove(Variant::str(QStringLiteral("INSET"))), S_OK);
    EXPECT_EQ(keys(e.get()), QStringList({"Raised", "Flat"}));
    EXPECT_EQ(inset->put_Parent(Variant::i4(1)), E_NOT_IN_COLLECTION) << "no collection any more";
    EXPECT_EQ(e->Remove(Variant::i4(3)), E_INDEX_RANGE);
    ComPtr<IEffect> flat;
    e->get_Item(Variant::i4(2), flat.put());
    ASSERT_EQ(e->Clear(), S_OK);
    int32_t n = -1;
    e->get_Count(&n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(flat->put_Parent(Variant::i4(1)), E_NOT_IN_COLLECTION);
}

TEST_F(EffectsTest, WindowHearsEveryChangeWhileItIsSet)
{
    ComPtr<IEffects> e = containerEffects();
    ComPtr<IEffect> x;
    Bstr a(QStringLiteral("A")), b(QStringLiteral("B")), c(QStringLiteral("C")), z(QStringLiteral("Z"));
    e->Add(Variant::missing(), a.get(), x.put()); // no window yet
    RecordingWindow window;
    static_cast<Effects *>(e.get())->setWindow(&window);
    e->Add(Variant::missing(), b.get(), x.put());
    ComPtr<IEffect> y;
    e->AddObj(Variant::missing(), c.get(), Variant::dispatch(x.get()), y.put());
    e->put_Item(Variant::i4(1), y.get()); // refused: C exists elsewhere
    e->Remove(Variant::i4(1));
    e->_ReplaceKey(0, a.get()); // refused: A exists
    e->_ReplaceKey(0, z.get());
    e->Clear();
    EXPECT_EQ(window.messages, QList<uint32_t>({0x411, 0x411, 0x411, 0x411, 0x411}));
    static_cast<Effects *>(e.get())->setWindow(nullptr);
    e->Add(Variant::missing(), a.get(), x.put());
    EXPECT_EQ(window.messages.size(), 5);
}

TEST_F(EffectsTest, EnumeratesAndAnswersByName)
{
    ComPtr<IEffects> e = containerEffects();
    Variant r;
    ASSERT_EQ(invokeByName(e.get(), QStringLiteral("Add"), DISPATCH_METHOD,
                           {Variant::i4(1), Variant::str(QStringLiteral("First"))}, &r),
              S_OK);
    ASSERT_EQ(r.vt, VT_DISPATCH);
    Variant key;
    ASSERT_EQ(invokeByName(r.pdispVal, QStringLiteral("Key"), DISPATCH_PROPERTYGET, {}, &key), S_OK);
    EXPECT_EQ(key.toQString(), QStringLiteral("First"));
    EXCEPINFO x;
    ASSERT_EQ(invokeByName(e.get(), QStringLiteral("item"), DISPATCH_PROPERTYGET, {Variant::i4(0)}, &r, &x),
              DISP_E_EXCEPTION);
    EXPECT_EQ(x.scode, E_INDEX_RANGE);
    EXPECT_EQ(bstrToQString(x.bstrDescription), QStringLiteral("ｲﾝﾃﾞｯｸｽが有効範囲にありません。"));
    EXPECT_EQ(bstrToQString(x.bstrSource), QStringLiteral("Ryx.Cont_Effects7.7"));
    clearExcepInfo(&x);
    ASSERT_EQ(invokeByName(e.get(), QStringLiteral("_NewEnum"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
    ComPtr<IEnumVARIANT> en;
    ASSERT_EQ(r.punkVal->QueryInterface(IID_IEnumVARIANT, en.putVoid()), S_OK);
    Variant items[5];
    uint32_t n = 0;
    EXPECT_EQ(en->Next(5, items, &n), S_FALSE);
    EXPECT_EQ(n, 4u);
}

// ---- persistence

namespace {
std::vector<uint8_t> effectBytes(const QString &key, int outer, int marginTop = 1)
{
    std::vector<uint8_t> b;
    put16(b, 0);          // BorderStyle
    put32(b, 0x8000000F); // BackColor
    putStr(b, key);
    put16(b, outer); // BevelOuter
    put16(b, 0);     // BevelInner
    put16(b, 25);    // BevelLight
    put16(b, -25);   // BevelShade
    put16(b, 0);     // BevelSpace
    put16(b, 1);     // MarginBottom
    put16(b, 1);     // MarginLeft
    put16(b, 1);     // MarginRight
    put16(b, marginTop);
    put32(b, 0x80000010); // ShadowBaseColor
    put16(b, 35);         // ShadowDarkness
    put16(b, 0);          // ShadowWidth
    return b;
}
} // namespace

TEST_F(EffectsTest, StreamFormIsByteExact)
{
    ComPtr<IEffects> e = containerEffects();
    std::vector<uint8_t> expected;
    put32(expected, 3);
    for (auto [k, o] : {std::pair{QStringLiteral("Raised"), 1}, {QStringLiteral("Inset"), -1}, {QStringLiteral("Flat"), 0}}) {
        const auto b = effectBytes(k, o);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    EXPECT_EQ(saveToBytes(e.get()), expected);

    ComPtr<IEffects> back = newEffects();
    ASSERT_EQ(loadFromBytes(back.get(), expected), S_OK);
    EXPECT_EQ(keys(back.get()), QStringList({"Raised", "Inset", "Flat"}));
    ComPtr<IEffect> inset;
    back->get_Item(Variant::str(QStringLiteral("inset")), inset.put());
    EXPECT_EQ(inset->put_Parent(Variant::i4(1)), S_OK) << "loaded effects know their collection";
}

TEST_F(EffectsTest, LoadedMarginsAreClampedForDrawing)
{
    std::vector<uint8_t> bytes;
    put32(bytes, 1);
    const auto b = effectBytes(QStringLiteral("Wide"), 0, 6000);
    bytes.insert(bytes.end(), b.begin(), b.end());
    ComPtr<IEffects> e = newEffects();
    ASSERT_EQ(loadFromBytes(e.get(), bytes), S_OK);
    Effect *wide = static_cast<Effects *>(e.get())->at(0);
    EXPECT_EQ(wide->values().marginTop, 6000);
    EXPECT_EQ(wide->drawnMarginTop(), 5000);
}

TEST_F(EffectsTest, CorruptStreamsLoadNothing)
{
    ComPtr<IEffects> source = containerEffects();
    const std::vector<uint8_t> bytes = saveToBytes(source.get());
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        ComPtr<IEffects> e = newEffects();
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        EXPECT_TRUE(FAILED(loadFromBytes(e.get(), part))) << cut;
        int32_t n = -1;
        e->get_Count(&n);
        EXPECT_EQ(n, 0) << cut;
    }
    auto refused = [](std::vector<uint8_t> b) {
        ComPtr<IEffects> e = newEffects();
        const HRESULT hr = loadFromBytes(e.get(), b);
        int32_t n = -1;
        e->get_Count(&n);
        return FAILED(hr) && n == 0;
    };
    std::vector<uint8_t> huge = bytes;
    huge[0] = 0xFF;
    huge[1] = 0xFF;
    huge[2] = 0xFF;
    huge[3] = 0x0F;
    EXPECT_TRUE(refused(huge)) << "count above the cap";
    std::vector<uint8_t> negative = bytes;
    negative[3] = 0x80;
    EXPECT_TRUE(refused(negative));
    std::vector<uint8_t> twice;
    put32(twice, 2);
    for (const QString &k : {QStringLiteral("Same"), QStringLiteral("SAME")}) {
        const auto b = effectBytes(k, 0);
        twice.insert(twice.end(), b.begin(), b.end());
    }
    EXPECT_TRUE(refused(twice)) << "a repeated key";
    std::vector<uint8_t> outOfRange;
    put32(outOfRange, 1);
    const auto b = effectBytes(QStringLiteral("X"), 500);
    outOfRange.insert(outOfRange.end(), b.begin(), b.end());
    EXPECT_TRUE(refused(outOfRange)) << "a bevel outside its range";
    std::vector<uint8_t> noKey;
    put32(noKey, 1);
    const auto b2 = effectBytes(QStringLiteral(""), 0);
    noKey.insert(noKey.end(), b2.begin(), b2.end());
    EXPECT_TRUE(refused(noKey));
    // Loading appends: a key already present is refused as well.
    ComPtr<IEffects> full = containerEffects();
    EXPECT_TRUE(FAILED(loadFromBytes(full.get(), bytes)));
    int32_t n = 0;
    full->get_Count(&n);
    EXPECT_EQ(n, 3);
}

TEST_F(EffectsTest, PropertyBagHoldsVersionAndBlob)
{
    ComPtr<IEffects> e = containerEffects();
    ComPtr<PropertyBag> bag(new PropertyBag);
    ComPtr<IPersistPropertyBag> p;
    ASSERT_EQ(e->QueryInterface(IID_IPersistPropertyBag, p.putVoid()), S_OK);
    ASSERT_EQ(p->Save(bag.get(), true, true), S_OK);
    EXPECT_EQ(bag->names(), QStringList({"_Version", "Blob"}));
    EXPECT_EQ(bag->find(QStringLiteral("_Version"))->value.lVal, 0x00010000);
    EXPECT_EQ(bag->find(QStringLiteral("Blob"))->bytes, saveToBytes(e.get()));
    EXPECT_EQ(bag->find(QStringLiteral("Blob"))->clsid, CLSID_Effects);

    ComPtr<IEffects> back = newEffects();
    ComPtr<IPersistPropertyBag> q;
    back->QueryInterface(IID_IPersistPropertyBag, q.putVoid());
    ASSERT_EQ(q->Load(bag.get(), nullptr), S_OK);
    EXPECT_EQ(keys(back.get()), QStringList({"Raised", "Inset", "Flat"}));
}
