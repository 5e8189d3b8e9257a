// Effect: defaults, ranges, notifications, margins, Parent.
#include "LumafoldTestSupport.h"

using namespace lumafold;
using namespace lumafold::testing;

using EffectTest = LumafoldTest;

TEST_F(EffectTest, Defaults)
{
    ComPtr<IEffect> e = newEffect();
    const Effect::Values &v = static_cast<Effect *>(e.get())->values();
    EXPECT_EQ(v.backColor, 0x8000000Fu);
    EXPECT_EQ(v.shadowBaseColor, 0x80000010u);
    EXPECT_EQ(v.bevelLight, 25);
    EXPECT_EQ(v.bevelShade, -25);
    EXPECT_EQ(v.shadowDarkness, 35);
    int16_t m = 0;
    for (auto get : {&IEffect::get_MarginTop, &IEffect::get_MarginBottom, &IEffect::get_MarginLeft,
                     &IEffect::get_MarginRight}) {
        ASSERT_EQ((e.get()->*get)(&m), S_OK);
        EXPECT_EQ(m, 1);
    }
    Bstr key;
    e->get_Key(key.put());
    EXPECT_FALSE(key.isNull());
    EXPECT_EQ(key.length(), 0u);
    Variant parent;
    e->get_Parent(&parent);
    EXPECT_EQ(parent.vt, VT_DISPATCH);
    EXPECT_EQ(parent.pdispVal, nullptr);
}

TEST_F(EffectTest, PutsOutsideTheirRangesAreRefusedWithTheStringTableText)
{
    ComPtr<IEffect> e = newEffect();
    EXPECT_EQ(e->put_BevelOuter(101), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(takeError(), kIEffect + QStringLiteral("|Ryx.Cont_Effect7.7|ﾌﾟﾛﾊﾟﾃｨの値が不正です。"));
    EXPECT_EQ(e->put_BevelSpace(-1), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(e->put_BevelLight(-101), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(e->put_BorderStyle(2), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(e->put_ShadowWidth(101), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(e->put_ShadowDarkness(-1), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(e->put_MarginLeft(-1), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(e->put_BackColor(0x01000000), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(e->put_ShadowBaseColor(0x80000019), CTL_E_INVALIDPROPERTYVALUE);
    int16_t v = 7;
    e->get_BevelOuter(&v);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(e->put_BevelOuter(-100), S_OK);
    EXPECT_EQ(e->put_BackColor(0x00FFFFFF), S_OK);
    EXPECT_EQ(e->put_BackColor(0x80000018), S_OK);
    EXPECT_EQ(e->put_BorderStyle(zoFixedSingle), S_OK);

    // The same through IDispatch: an exception with the text.
    EXCEPINFO x;
    EXPECT_EQ(invokeByName(e.get(), QStringLiteral("bevelspace"), DISPATCH_PROPERTYPUT, {Variant::i4(101)}, nullptr,
                           &x),
              DISP_E_EXCEPTION);
    EXPECT_EQ(x.scode, CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(bstrToQString(x.bstrDescription), QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの値が不正です。"));
    clearExcepInfo(&x);
}

TEST_F(EffectTest, MarginsAreStoredWholeAndDrawnClamped)
{
    ComPtr<IEffect> e = newEffect();
    ASSERT_EQ(e->put_MarginTop(6000), S_OK);
    int16_t m = 0;
    e->get_MarginTop(&m);
    EXPECT_EQ(m, 6000);
    EXPECT_EQ(static_cast<Effect *>(e.get())->drawnMarginTop(), 5000);
    e->put_MarginRight(4999);
    EXPECT_EQ(static_cast<Effect *>(e.get())->drawnMarginRight(), 4999);
}

TEST_F(EffectTest, OnlyChangesAreAnnounced)
{
    RecordingSink sink; // outlives the effect
    ComPtr<IEffect> e = newEffect();
    connect(e.get(), &sink);
    e->put_BevelOuter(0);  // unchanged
    e->put_BevelOuter(3);
    e->put_BevelOuter(101); // refused
    e->put_MarginBottom(2);
    e->put_ShadowBaseColor(0x80000010); // unchanged
    e->put_BackColor(0);
    EXPECT_EQ(sink.changed, QList<DISPID>({2, 14, 1}));
}

TEST_F(EffectTest, ParentCopiesTheNamedEffect)
{
    RecordingSink sink; // outlives the effects
    ComPtr<IEffects> effects = containerEffects();
    ComPtr<IEffect> raised;
    effects->get_Item(Variant::str(QStringLiteral("Raised")), raised.put());
    raised->put_MarginTop(9);
    raised->put_BackColor(0x00123456);
    ComPtr<IEffect> mine;
    Bstr key(QStringLiteral("Mine"));
    ASSERT_EQ(effects->Add(Variant::missing(), key.get(), mine.put()), S_OK);
    connect(mine.get(), &sink);

    ASSERT_EQ(mine->put_Parent(Variant::str(QStringLiteral("raised"))), S_OK);
    int16_t v = 0;
    mine->get_BevelOuter(&v);
    EXPECT_EQ(v, 1);
    mine->get_MarginTop(&v);
    EXPECT_EQ(v, 9);
    OLE_COLOR c = 0;
    mine->get_BackColor(&c);
    EXPECT_EQ(c, 0x00123456u);
    EXPECT_EQ(sink.changed, QList<DISPID>({9}));
    Variant parent;
    mine->get_Parent(&parent);
    ASSERT_EQ(parent.vt, VT_DISPATCH);
    EXPECT_EQ(parent.pdispVal, static_cast<IDispatch *>(raised.get()));

    // By position, and by object.
    ASSERT_EQ(mine->put_Parent(Variant::i2(2)), S_OK);
    mine->get_BevelOuter(&v);
    EXPECT_EQ(v, -1);
    ComPtr<IEffect> loose = newEffect();
    loose->put_BevelInner(-7);
    ASSERT_EQ(mine->putref_Parent(Variant::dispatch(loose.get())), S_OK);
    mine->get_BevelInner(&v);
    EXPECT_EQ(v, -7);

    // Not found: 519 with the Effect's interface; nothing changes.
    EXPECT_EQ(mine->put_Parent(Variant::str(QStringLiteral("None"))), E_NOT_IN_COLLECTION);
    EXPECT_EQ(takeError(),
              kIEffect + QStringLiteral("|Ryx.Cont_Effect7.7|指定したｵﾌﾞｼﾞｪｸﾄはｺﾚｸｼｮﾝ内に存在しません。"));
    EXPECT_EQ(mine->put_Parent(Variant::i4(9)), E_NOT_IN_COLLECTION);
    EXPECT_EQ(mine->put_Parent(Variant::r8(1)), CTL_E_INVALIDPROPERTYVALUE);
    mine->get_BevelInner(&v);
    EXPECT_EQ(v, -7);
    // Null is only stored.
    ASSERT_EQ(mine->put_Parent(Variant::null()), S_OK);
    mine->get_BevelInner(&v);
    EXPECT_EQ(v, -7);
    // An effect outside any collection finds nothing by key.
    EXPECT_EQ(loose->put_Parent(Variant::str(QStringLiteral("Raised"))), E_NOT_IN_COLLECTION);
}
