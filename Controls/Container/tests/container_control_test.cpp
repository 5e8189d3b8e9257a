// The container control as an object: defaults, range checks and their
// errors, the effect properties, change notifications, property browsing and
// the stream form (golden bytes, the object-held effect, the older form,
// short streams).
#include "LumafoldTestSupport.h"

#include "Controls/Container/Container3D.h"

using namespace lumafold;
using namespace lumafold::testing;
namespace win = platform::win;
using win::DWORD;
using win::ULONG;

namespace {

const QString kIContainer = QStringLiteral("{F5B94FAE-EE81-496E-A5C5-BBC39D3BD4BC}");
const QString kSource = QStringLiteral("|Ryx.Container3D7.7|");
const HRESULT kInvalidValue = static_cast<HRESULT>(0x800A017Cu);

class ContainerControlTest : public LumafoldTest {
protected:
    void SetUp() override
    {
        LumafoldTest::SetUp();
        control = newControl();
    }
    static ComPtr<IContainer> newControl() { return make<Container3D, IContainer>(IID_IContainer); }
    ComPtr<IEffects> effects() const
    {
        ComPtr<IEffects> e;
        EXPECT_EQ(control->get_Effects(e.put()), S_OK);
        return e;
    }
    // The key of an effect property's value, "<null>" for Null, "<other>" else.
    static QString keyOf(const VARIANT &v)
    {
        if (v.vt == VT_NULL)
            return QStringLiteral("<null>");
        if (v.vt == VT_BSTR)
            return QStringLiteral("str:") + bstrToQString(v.bstrVal);
        ComPtr<IEffect> e;
        if (v.vt != VT_DISPATCH || !v.pdispVal || FAILED(v.pdispVal->QueryInterface(IID_IEffect, e.putVoid())))
            return QStringLiteral("<other>");
        Bstr k;
        e->get_Key(k.put());
        return k.toQString();
    }
    QString ctrlEffect() const
    {
        Variant v;
        EXPECT_EQ(control->get_CtrlEffect(&v), S_OK);
        return keyOf(v);
    }
    QString childsEffect() const
    {
        Variant v;
        EXPECT_EQ(control->get_ChildsEffect(&v), S_OK);
        return keyOf(v);
    }
    ComPtr<IEffect> effect(const QString &key) const
    {
        ComPtr<IEffect> e;
        EXPECT_EQ(effects()->get_Item(Variant::str(key), e.put()), S_OK);
        return e;
    }
    static std::vector<uint8_t> bytesOf(IUnknown *o) { return saveToBytes(o); }

    RecordingSink sink; // outlives the control it is connected to
    ComPtr<IContainer> control;
};

int16_t readI16(const std::vector<uint8_t> &b, size_t at)
{
    return int16_t(b[at] | (b[at + 1] << 8));
}

} // namespace

TEST_F(ContainerControlTest, DefaultsOfANewControl)
{
    EXPECT_EQ(keys(effects().get()), (QStringList{"Raised", "Inset", "Flat"}));
    EXPECT_EQ(ctrlEffect(), QStringLiteral("Raised")) << "in user mode the effect object";
    EXPECT_EQ(childsEffect(), QStringLiteral("Inset"));
    int32_t i = -1;
    control->get_ApplyEffect(&i);
    EXPECT_EQ(i, 0);
    control->get_AutoSize(&i);
    EXPECT_EQ(i, 0);
    control->get_MousePointer(&i);
    EXPECT_EQ(i, 0);
    control->get_hWnd(&i);
    EXPECT_EQ(i, 0) << "no window before in-place activation";
    VARIANT_BOOL b = 0;
    control->get_Enabled(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    control->get_Redraw(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    ComPtr<IChildren> childs;
    control->get_Childs(childs.put());
    int32_t n = -1;
    childs->get_Count(&n);
    EXPECT_EQ(n, 0);
    ComPtr<win::IOleObject> ole;
    ASSERT_EQ(control->QueryInterface(win::IID_IOleObject, ole.putVoid()), S_OK);
    win::SIZEL extent{};
    ole->GetExtent(win::DVASPECT_CONTENT, &extent);
    EXPECT_EQ(extent.cx, win::PixelsToHimetric(80));
    EXPECT_EQ(extent.cy, win::PixelsToHimetric(33));
    DWORD status = 0;
    ole->GetMiscStatus(win::DVASPECT_CONTENT, &status);
    EXPECT_EQ(status, 205201u);
    Bstr version;
    EXPECT_EQ(control->get_Version(version.put()), S_OK);
    EXPECT_EQ(version.toQString(), QStringLiteral("7.0.0.1"));
}

TEST_F(ContainerControlTest, RangeChecksRefuseAndKeepTheValue)
{
    const QString invalid = kIContainer + kSource + QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの値が不正です。");
    EXPECT_EQ(control->put_ApplyEffect(2), S_OK);
    EXPECT_EQ(control->put_ApplyEffect(3), kInvalidValue);
    EXPECT_EQ(takeError(), invalid);
    EXPECT_EQ(control->put_ApplyEffect(-1), kInvalidValue);
    EXPECT_EQ(control->put_ApplyEffect(0x10001), kInvalidValue) << "the whole 32-bit value is checked";
    int32_t v = 0;
    control->get_ApplyEffect(&v);
    EXPECT_EQ(v, 2);

    EXPECT_EQ(control->put_AutoSize(2), kInvalidValue);
    EXPECT_EQ(control->put_AutoSize(1), S_OK);

    EXPECT_EQ(control->put_MousePointer(16), kInvalidValue);
    EXPECT_EQ(takeError(), invalid);
    EXPECT_EQ(control->put_MousePointer(98), kInvalidValue);
    EXPECT_EQ(control->put_MousePointer(-1), kInvalidValue);
    EXPECT_EQ(control->put_MousePointer(99), S_OK);
    control->get_MousePointer(&v);
    EXPECT_EQ(v, 99);
    EXPECT_EQ(control->put_MousePointer(15), S_OK);

    Bstr text(QStringLiteral("1.2.3.4"));
    EXPECT_EQ(control->put_Version(text.get()), static_cast<HRESULT>(0x800A017Fu));
    EXPECT_TRUE(takeError().startsWith(kIContainer + kSource)) << "names the control and the interface";

    // Enabled normalises any non-zero value.
    EXPECT_EQ(control->put_Enabled(5), S_OK);
    VARIANT_BOOL b = 0;
    control->get_Enabled(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
}

TEST_F(ContainerControlTest, MouseIconTakesIconsAndRefusesBitmaps)
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ComPtr<IPicture> bitmap = createPicture(PICTYPE_BITMAP, image);
    ComPtr<IDispatch> bitmapDisp;
    bitmap->QueryInterface(IID_IPictureDisp, bitmapDisp.putVoid());
    EXPECT_EQ(control->put_MouseIcon(bitmapDisp.get()), kInvalidValue);
    EXPECT_EQ(takeError(), kIContainer + kSource + QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの値が不正です。"));
    EXPECT_EQ(control->putref_MouseIcon(bitmapDisp.get()), kInvalidValue);
    ComPtr<IDispatch> got;
    control->get_MouseIcon(got.put());
    EXPECT_FALSE(got) << "nothing stored";

    ComPtr<IPicture> icon = createPicture(PICTYPE_ICON, image);
    ComPtr<IDispatch> iconDisp;
    icon->QueryInterface(IID_IPictureDisp, iconDisp.putVoid());
    EXPECT_EQ(control->putref_MouseIcon(iconDisp.get()), S_OK);
    control->get_MouseIcon(got.put());
    ASSERT_TRUE(got);
    EXPECT_EQ(control->put_MouseIcon(iconDisp.get()), S_OK);
}

TEST_F(ContainerControlTest, EffectPropertiesByIndexKeyObjectAndNull)
{
    EXPECT_EQ(control->put_CtrlEffect(Variant::i2(2)), S_OK);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("Inset")) << "index 2 of a new control";
    EXPECT_EQ(control->put_CtrlEffect(Variant::str(QStringLiteral("fLAT"))), S_OK);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("Flat")) << "the key as the collection spells it";

    // A failed lookup returns the collection's error and changes nothing.
    EXPECT_EQ(control->put_CtrlEffect(Variant::str(QStringLiteral("Nope"))), E_ELEMENT_NOT_FOUND);
    EXPECT_EQ(takeError(), kIEffects + QStringLiteral("|Ryx.Cont_Effects7.7|指定した要素が見つかりません。"));
    EXPECT_EQ(control->put_CtrlEffect(Variant::i4(4)), E_INDEX_RANGE);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("Flat"));

    // An empty key in user mode is an error of the control.
    EXPECT_EQ(control->put_ChildsEffect(Variant::str(QString())), E_ELEMENT_NOT_FOUND);
    EXPECT_EQ(takeError(), kIContainer + kSource + QStringLiteral("指定した要素が見つかりません。"));
    EXPECT_EQ(childsEffect(), QStringLiteral("Inset"));

    // Other types.
    EXPECT_EQ(control->put_ChildsEffect(Variant::r8(1.0)), kInvalidValue);
    EXPECT_EQ(control->put_ChildsEffect(Variant::boolean(true)), kInvalidValue);
    ComPtr<IChildren> childs;
    control->get_Childs(childs.put());
    EXPECT_EQ(control->putref_ChildsEffect(Variant::dispatch(childs.get())), kInvalidValue)
        << "an object that is no effect";
    EXPECT_EQ(control->putref_ChildsEffect(Variant::str(QStringLiteral("Flat"))), kInvalidValue)
        << "putref takes objects only";

    // Null.
    EXPECT_EQ(control->put_ChildsEffect(Variant::null()), S_OK);
    EXPECT_EQ(childsEffect(), QStringLiteral("<null>"));

    // An object is kept as the object, even one outside the collection.
    ComPtr<IEffect> loose = newEffect();
    EXPECT_EQ(control->putref_ChildsEffect(Variant::dispatch(loose.get())), S_OK);
    Variant v;
    control->get_ChildsEffect(&v);
    ASSERT_EQ(v.vt, VT_DISPATCH);
    ComPtr<IEffect> back;
    v.pdispVal->QueryInterface(IID_IEffect, back.putVoid());
    EXPECT_EQ(back.get(), loose.get());

    // A key that leaves the collection reads as Null.
    EXPECT_EQ(effects()->Remove(Variant::str(QStringLiteral("Flat"))), S_OK);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("<null>"));
}

TEST_F(ContainerControlTest, PutsNotifyTheirDispidsAndMarkDirty)
{
    connect(control.get(), &sink);
    ComPtr<IPersistStreamInit> persist;
    control->QueryInterface(IID_IPersistStreamInit, persist.putVoid());
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    control->put_ApplyEffect(1);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    control->put_AutoSize(1);
    control->put_Enabled(VARIANT_FALSE);
    control->put_Redraw(VARIANT_FALSE);
    control->put_MousePointer(2);
    control->put_CtrlEffect(Variant::i4(3));
    control->put_ChildsEffect(Variant::null());
    control->put_ApplyEffect(7); // refused: no notification
    EXPECT_EQ(sink.changed, (QList<DISPID>{1, -500, -514, 6, -521, 9, 8}));
}

TEST_F(ContainerControlTest, BrowsingOfEffectsAndEnumeratedProperties)
{
    ComPtr<win::IPerPropertyBrowsing> browse;
    ASSERT_EQ(control->QueryInterface(win::IID_IPerPropertyBrowsing, browse.putVoid()), S_OK);
    ComPtr<IEffect> added;
    Bstr apple(QStringLiteral("apple"));
    effects()->Add(Variant::missing(), apple.get(), added.put());

    auto strings = [&](DISPID id, std::vector<DWORD> *cookies) {
        win::CALPOLESTR s;
        win::CADWORD c;
        QStringList out;
        if (browse->GetPredefinedStrings(id, &s, &c) != S_OK)
            return QStringList{QStringLiteral("<failed>")};
        for (ULONG i = 0; i < s.cElems; ++i) {
            out << QString::fromUtf16(s.pElems[i]);
            CoTaskMemFree(s.pElems[i]);
            cookies->push_back(c.pElems[i]);
        }
        CoTaskMemFree(s.pElems);
        CoTaskMemFree(c.pElems);
        return out;
    };
    std::vector<DWORD> cookies;
    EXPECT_EQ(strings(9, &cookies), (QStringList{"apple", "Flat", "Inset", "Raised"})) << "key order, ignoring case";
    EXPECT_EQ(cookies, (std::vector<DWORD>{0, 1, 2, 3}));
    Variant v;
    EXPECT_EQ(browse->GetPredefinedValue(8, 3, &v), S_OK);
    EXPECT_EQ(v.toQString(), QStringLiteral("Raised"));
    EXPECT_EQ(browse->GetPredefinedValue(8, 4, &v), E_INVALIDARG);

    Bstr shown;
    EXPECT_EQ(browse->GetDisplayString(9, shown.put()), S_OK);
    EXPECT_EQ(shown.toQString(), QStringLiteral("Raised"));
    control->put_CtrlEffect(Variant::null());
    EXPECT_EQ(browse->GetDisplayString(9, shown.put()), S_OK);
    EXPECT_EQ(shown.toQString(), QStringLiteral("(なし)"));

    cookies.clear();
    EXPECT_EQ(strings(1, &cookies), (QStringList{"0 - 3D効果なし", "1 - 共通3D", "2 - 指定3D"}));
    EXPECT_EQ(cookies, (std::vector<DWORD>{0, 1, 2}));
    control->put_ApplyEffect(2);
    EXPECT_EQ(browse->GetDisplayString(1, shown.put()), S_OK);
    EXPECT_EQ(shown.toQString(), QStringLiteral("2 - 指定3D"));
    cookies.clear();
    EXPECT_EQ(strings(-500, &cookies), (QStringList{"0 - 自動調整なし", "1 - 自動調整あり"}));
    cookies.clear();
    const QStringList pointers = strings(-521, &cookies);
    ASSERT_EQ(pointers.size(), 17);
    EXPECT_EQ(pointers.first(), QStringLiteral("0 - 既定値"));
    EXPECT_EQ(pointers.at(15), QStringLiteral("15 - ｻｲｽﾞ (全方向)"));
    EXPECT_EQ(pointers.last(), QStringLiteral("99 - ﾕｰｻﾞｰ定義"));
    EXPECT_EQ(cookies.back(), 99u);
    EXPECT_EQ(browse->GetPredefinedValue(-521, 99, &v), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 99);
    control->put_MousePointer(99);
    EXPECT_EQ(browse->GetDisplayString(-521, shown.put()), S_OK);
    EXPECT_EQ(shown.toQString(), QStringLiteral("99 - ﾕｰｻﾞｰ定義"));

    EXPECT_EQ(browse->GetDisplayString(6, shown.put()), E_NOTIMPL);
    win::CALPOLESTR s;
    win::CADWORD c;
    EXPECT_EQ(browse->GetPredefinedStrings(-514, &s, &c), E_NOTIMPL);
}

TEST_F(ContainerControlTest, StreamFormFieldByField)
{
    const std::vector<uint8_t> b = bytesOf(control.get());
    std::vector<uint8_t> head;
    put32(head, 0x00010000);
    put32(head, uint32_t(win::PixelsToHimetric(80)));
    put32(head, uint32_t(win::PixelsToHimetric(33)));
    put16(head, 0); // ApplyEffect
    put16(head, 0); // AutoSize
    put32(head, 1); // Enabled
    put32(head, 1); // Redraw
    head.insert(head.end(), 16, 0); // MouseIcon: none
    put32(head, 0); // MousePointer
    put16(head, VT_BSTR);
    putStr(head, QStringLiteral("Raised"));
    put16(head, VT_BSTR);
    putStr(head, QStringLiteral("Inset"));
    ASSERT_GT(b.size(), head.size() + 16);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + long(head.size())), head);
    // Then the Effects object by its class id.
    CLSID clsid;
    std::memcpy(&clsid, b.data() + head.size(), 16);
    EXPECT_EQ(clsid, CLSID_Effects);
}

TEST_F(ContainerControlTest, StreamRoundTripKeepsEveryValueAndHandsTheNewEffectsToTheChildren)
{
    control->put_ApplyEffect(2);
    control->put_AutoSize(1);
    control->put_Enabled(VARIANT_FALSE);
    control->put_Redraw(VARIANT_FALSE);
    control->put_MousePointer(99);
    control->put_CtrlEffect(Variant::str(QStringLiteral("Flat")));
    control->put_ChildsEffect(Variant::null());
    effect(QStringLiteral("Flat"))->put_ShadowWidth(4);
    ComPtr<IChildren> childs;
    control->get_Childs(childs.put());
    ComPtr<IChild> child;
    Bstr key(QStringLiteral("c1"));
    childs->Add(Variant::missing(), key.get(), child.put());
    Bstr name(QStringLiteral("Button1"));
    child->put_Name(name.get());
    ASSERT_EQ(child->put_Effect(Variant::str(QStringLiteral("Inset"))), S_OK);

    ComPtr<IContainer> copy = newControl();
    ASSERT_EQ(loadFromBytes(copy.get(), bytesOf(control.get())), S_OK);
    int32_t v = 0;
    copy->get_ApplyEffect(&v);
    EXPECT_EQ(v, 2);
    copy->get_AutoSize(&v);
    EXPECT_EQ(v, 1);
    copy->get_MousePointer(&v);
    EXPECT_EQ(v, 99);
    VARIANT_BOOL b = -1;
    copy->get_Enabled(&b);
    EXPECT_EQ(b, VARIANT_FALSE);
    copy->get_Redraw(&b);
    EXPECT_EQ(b, VARIANT_FALSE);
    std::swap(control, copy);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("Flat"));
    EXPECT_EQ(childsEffect(), QStringLiteral("<null>"));
    int16_t width = 0;
    effect(QStringLiteral("Flat"))->get_ShadowWidth(&width);
    EXPECT_EQ(width, 4);

    // The loaded children look their effects up in the loaded Effects.
    ComPtr<IChildren> loadedChilds;
    control->get_Childs(loadedChilds.put());
    ComPtr<IChild> loadedChild;
    ASSERT_EQ(loadedChilds->get_Item(Variant::i4(1), loadedChild.put()), S_OK);
    Variant e;
    loadedChild->get_Effect(&e);
    EXPECT_EQ(keyOf(e), QStringLiteral("Inset"));
    EXPECT_EQ(loadedChild->put_Effect(Variant::str(QStringLiteral("Raised"))), S_OK)
        << "a child added to the loaded collection knows the loaded Effects";
}

TEST_F(ContainerControlTest, AnEffectHeldAsAnObjectIsSavedByItsKeyOrAsNull)
{
    ASSERT_EQ(control->putref_CtrlEffect(Variant::dispatch(effect(QStringLiteral("Flat")).get())), S_OK);
    ComPtr<IEffect> loose = newEffect();
    ASSERT_EQ(control->putref_ChildsEffect(Variant::dispatch(loose.get())), S_OK);
    const std::vector<uint8_t> b = bytesOf(control.get());
    const size_t at = 12 + 2 + 2 + 4 + 4 + 16 + 4;
    EXPECT_EQ(readI16(b, at), VT_BSTR) << "the object's key";
    EXPECT_EQ(readI16(b, at + 2 + 4 + 10), VT_NULL) << "an effect outside the collection: Null";

    ComPtr<IContainer> copy = newControl();
    ASSERT_EQ(loadFromBytes(copy.get(), b), S_OK);
    std::swap(control, copy);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("Flat"));
    EXPECT_EQ(childsEffect(), QStringLiteral("<null>"));
}

TEST_F(ContainerControlTest, TheOlderFormOfAnObjectByTypeAloneLoadsAsNull)
{
    // Saved by older writers: CtrlEffectType 9 with no value after it.
    const std::vector<uint8_t> current = bytesOf(control.get());
    const size_t at = 12 + 2 + 2 + 4 + 4 + 16 + 4;
    std::vector<uint8_t> old(current.begin(), current.begin() + long(at));
    put16(old, VT_DISPATCH);
    old.insert(old.end(), current.begin() + long(at + 2 + 4 + 14), current.end());

    ComPtr<IContainer> copy = newControl();
    ASSERT_EQ(loadFromBytes(copy.get(), old), S_OK);
    std::swap(control, copy);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("<null>"));
    EXPECT_EQ(childsEffect(), QStringLiteral("Inset")) << "the fields after it are read in step";
}

TEST_F(ContainerControlTest, ShortOrCorruptStreamsFailAndChangeNothing)
{
    control->put_ApplyEffect(1);
    const std::vector<uint8_t> good = bytesOf(control.get());
    ComPtr<IContainer> target = newControl();
    target->put_ApplyEffect(2);
    for (size_t cut : {size_t(3), size_t(14), size_t(40), good.size() - 3}) {
        std::vector<uint8_t> shortened(good.begin(), good.begin() + long(cut));
        EXPECT_EQ(loadFromBytes(target.get(), shortened), E_FAIL) << cut;
        int32_t v = 0;
        target->get_ApplyEffect(&v);
        EXPECT_EQ(v, 2) << cut;
    }
    // An ApplyEffect of 9 is refused like a put.
    std::vector<uint8_t> bad = good;
    bad[12] = 9;
    EXPECT_EQ(loadFromBytes(target.get(), bad), E_FAIL);
    int32_t v = 0;
    target->get_ApplyEffect(&v);
    EXPECT_EQ(v, 2);
    // A huge string count in CtrlEffectValue fails cleanly.
    bad = good;
    const size_t at = 12 + 2 + 2 + 4 + 4 + 16 + 4 + 2;
    bad[at + 3] = 0x7F;
    EXPECT_EQ(loadFromBytes(target.get(), bad), E_FAIL);
}

TEST_F(ContainerControlTest, BagNamesInOrderAndRoundTrip)
{
    control->put_ApplyEffect(1);
    control->put_CtrlEffect(Variant::str(QStringLiteral("Inset")));
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(control->QueryInterface(IID_IPersistPropertyBag, persist.putVoid()), S_OK);
    ComPtr<PropertyBag> bag(new PropertyBag());
    ASSERT_EQ(persist->Save(bag.get(), true, true), S_OK);
    EXPECT_EQ(bag->names(), (QStringList{"_Version", "_ExtentX", "_ExtentY", "ApplyEffect", "AutoSize", "Enabled",
                                         "Redraw", "MousePointer", "CtrlEffectType", "CtrlEffectValue",
                                         "ChildsEffectType", "ChildsEffectValue", "Effects", "Childs"}));
    const PropertyBag::Entry *e = bag->find(QStringLiteral("Effects"));
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->isObject);
    EXPECT_EQ(e->clsid, CLSID_Effects);

    ComPtr<IContainer> copy = newControl();
    ComPtr<IPersistPropertyBag> copyPersist;
    copy->QueryInterface(IID_IPersistPropertyBag, copyPersist.putVoid());
    ASSERT_EQ(copyPersist->Load(bag.get(), nullptr), S_OK);
    std::swap(control, copy);
    int32_t v = 0;
    control->get_ApplyEffect(&v);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("Inset"));
    EXPECT_EQ(keys(effects().get()), (QStringList{"Raised", "Inset", "Flat"}));

    // A bag without the values keeps the defaults.
    ComPtr<PropertyBag> empty(new PropertyBag());
    ComPtr<IContainer> fresh = newControl();
    ComPtr<IPersistPropertyBag> freshPersist;
    fresh->QueryInterface(IID_IPersistPropertyBag, freshPersist.putVoid());
    EXPECT_EQ(freshPersist->Load(empty.get(), nullptr), S_OK);
    std::swap(control, fresh);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("Raised"));
}

namespace {

// One effect in its stream form; the values as given.
struct EffectBytes {
    int border = 0;
    uint32_t back = 0x8000000F;
    QString key = QStringLiteral("Mine");
    int outer = 1, inner = 0, light = 25, shade = -25, space = 0;
    int bottom = 1, left = 1, right = 1, top = 1;
    uint32_t shadowBase = 0x80000010;
    int darkness = 35, width = 0;
    void append(std::vector<uint8_t> &b) const
    {
        put16(b, border);
        put32(b, back);
        putStr(b, key);
        for (int v : {outer, inner, light, shade, space, bottom, left, right, top})
            put16(b, v);
        put32(b, shadowBase);
        put16(b, darkness);
        put16(b, width);
    }
};

std::vector<uint8_t> effectsBytes(std::initializer_list<EffectBytes> effects)
{
    std::vector<uint8_t> b;
    put32(b, uint32_t(effects.size()));
    for (const EffectBytes &e : effects)
        e.append(b);
    return b;
}

// A collection entry as a window definition holds it: "_Version" and the
// stream form as "Blob".
ComPtr<PropertyBag> collectionBag(const CLSID &clsid, std::vector<uint8_t> blob)
{
    ComPtr<PropertyBag> nested(new PropertyBag);
    nested->setValue(QStringLiteral("_Version"), Variant::i4(0x10000));
    nested->setObjectBytes(QStringLiteral("Blob"), clsid, std::move(blob));
    return nested;
}

} // namespace

TEST_F(ContainerControlTest, ABagValueThatIsThereButCannotBeTakenFailsTheWholeLoadAndIsNamed)
{
    // The control as a designer left it: its own effect and ApplyEffect 2.
    ComPtr<IEffect> mine;
    Bstr key(QStringLiteral("Mine"));
    ASSERT_EQ(effects()->Add(Variant::missing(), key.get(), mine.put()), S_OK);
    control->put_ApplyEffect(2);
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(control->QueryInterface(IID_IPersistPropertyBag, persist.putVoid()), S_OK);
    ComPtr<PropertyBag> good(new PropertyBag);
    ASSERT_EQ(persist->Save(good.get(), false, true), S_OK);

    const EffectBytes plain;
    auto with = [](auto change) {
        EffectBytes e;
        change(e);
        return e;
    };
    std::vector<uint8_t> truncated = effectsBytes({plain});
    truncated.resize(truncated.size() - 1);
    std::vector<uint8_t> hugeKey = effectsBytes({plain});
    hugeKey[4 + 2 + 4 + 3] = 0x7F; // the key's byte count
    std::vector<uint8_t> oddKey = effectsBytes({plain});
    oddKey[4 + 2 + 4] = 3;
    std::vector<uint8_t> countHuge, countNegative, childsNegative;
    put32(countHuge, 100000000);
    put32(countNegative, uint32_t(-1));
    put32(childsNegative, uint32_t(-1));
    std::vector<uint8_t> childsTwice;
    put32(childsTwice, 2);
    for (const char *k : {"a", "A"}) {
        putStr(childsTwice, QLatin1String(k));
        putStr(childsTwice, QStringLiteral("Command1"));
        put16(childsTwice, VT_NULL);
    }
    // An "Effects" entry whose blob holds the bytes.
    auto effectsBlob = [](std::vector<uint8_t> bytes) {
        return [bytes](PropertyBag &b) {
            b.setObjectBag("Effects", CLSID_Effects, collectionBag(CLSID_Effects, bytes));
        };
    };
    const struct {
        const char *what;
        const char *name;
        std::function<void(PropertyBag &)> damage;
        QString property, value;
    } cases[] = {
        {"BevelOuter 500", "Effects",
         effectsBlob(effectsBytes({with([](EffectBytes &e) { e.outer = 500; })})),
         "Effects.Item(1).BevelOuter", "500"},
        {"negative ShadowWidth", "Effects",
         effectsBlob(effectsBytes({plain, with([](EffectBytes &e) { e.key = "Two"; e.width = -1; })})),
         "Effects.Item(2).ShadowWidth", "-1"},
        {"negative margin", "Effects",
         effectsBlob(effectsBytes({with([](EffectBytes &e) { e.left = -2; })})),
         "Effects.Item(1).MarginLeft", "-2"},
        {"BorderStyle 5", "Effects",
         effectsBlob(effectsBytes({with([](EffectBytes &e) { e.border = 5; })})),
         "Effects.Item(1).BorderStyle", "5"},
        {"colour 0x7F000000", "Effects",
         effectsBlob(effectsBytes({with([](EffectBytes &e) { e.back = 0x7F000000; })})),
         "Effects.Item(1).BackColor", "0x7F000000"},
        {"duplicate key", "Effects",
         effectsBlob(effectsBytes({plain, with([](EffectBytes &e) { e.key = "MINE"; })})),
         "Effects.Item(2).Key", "\"MINE\"（重複したキー）"},
        {"empty key", "Effects",
         effectsBlob(effectsBytes({with([](EffectBytes &e) { e.key = ""; })})),
         "Effects.Item(1).Key", "\"\"（空のキー）"},
        {"Count 1e8", "Effects",
         effectsBlob(countHuge),
         "Effects.Count", "100000000"},
        {"Count -1", "Effects",
         effectsBlob(countNegative),
         "Effects.Count", "-1"},
        {"truncated blob", "Effects",
         effectsBlob(truncated),
         "Effects.Item(1).ShadowWidth", "(データが途中で終わっています)"},
        {"huge string length", "Effects",
         effectsBlob(hugeKey),
         "Effects.Item(1).Key", "(文字列の長さ 2130706442 バイト)"},
        {"odd string length", "Effects",
         effectsBlob(oddKey),
         "Effects.Item(1).Key", "(文字列の長さ 3 バイト)"},
        {"unknown class", "Effects",
         [&](PropertyBag &b) { b.setObjectBag("Effects", CLSID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}, collectionBag(CLSID_Effects, effectsBytes({plain}))); },
         "Effects", "(読み込めないオブジェクト)"},
        {"blob of another class", "Effects",
         [&](PropertyBag &b) { b.setObjectBag("Effects", CLSID_Effects, collectionBag(CLSID_Childs, effectsBytes({plain}))); },
         "Effects.Blob", "(別のクラスのデータ)"},
        {"Childs Count -1", "Childs",
         [&](PropertyBag &b) { b.setObjectBag("Childs", CLSID_Childs, collectionBag(CLSID_Childs, childsNegative)); },
         "Childs.Count", "-1"},
        {"Childs duplicate key", "Childs",
         [&](PropertyBag &b) { b.setObjectBag("Childs", CLSID_Childs, collectionBag(CLSID_Childs, childsTwice)); },
         "Childs.Item(2).Key", "\"A\"（重複したキー）"},
        {"ApplyEffect \"abc\"", "ApplyEffect",
         [&](PropertyBag &b) { b.setValue("ApplyEffect", Variant::str(QStringLiteral("abc"))); },
         "ApplyEffect", "\"abc\""},
        {"ApplyEffect 7", "ApplyEffect",
         [&](PropertyBag &b) { b.setValue("ApplyEffect", Variant::i2(7)); },
         "ApplyEffect", "7"},
        {"_ExtentX \"wide\"", "_ExtentX",
         [&](PropertyBag &b) { b.setValue("_ExtentX", Variant::str(QStringLiteral("wide"))); },
         "_ExtentX", "\"wide\""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ComPtr<PropertyBag> bad(new PropertyBag);
        ASSERT_EQ(persist->Save(bad.get(), false, true), S_OK);
        c.damage(*bad);
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(persist->Load(bad.get(), nullptr), E_FAIL);
        EXPECT_EQ(takeError(), kIContainer + QStringLiteral("|Ryx.Container3D7.7|プロパティ %1 の値 %2 は読み込めません。")
                                                 .arg(c.property, c.value));
        // Nothing changed: the same values, the same effects.
        int32_t apply = 0;
        control->get_ApplyEffect(&apply);
        EXPECT_EQ(apply, 2);
        EXPECT_EQ(keys(effects().get()), (QStringList{"Raised", "Inset", "Flat", "Mine"}));
    }
    // What the window definition holds may still name only a few values.
    ComPtr<PropertyBag> few(new PropertyBag);
    few->setValue(QStringLiteral("ApplyEffect"), Variant::i2(1));
    ASSERT_EQ(persist->Load(few.get(), nullptr), S_OK);
    int32_t apply = 0;
    control->get_ApplyEffect(&apply);
    EXPECT_EQ(apply, 1);
}

// Only a key (type 8) names an effect: any other saved type loads as Null and
// the values after it are read in step, for the control's own effects and for
// its children's.
TEST_F(ContainerControlTest, AnEffectTypeOtherThanAKeyLoadsAsNull)
{
    // The stream form: CtrlEffectType 99 or 3 without a value after it.
    const std::vector<uint8_t> current = bytesOf(control.get());
    const size_t at = 12 + 2 + 2 + 4 + 4 + 16 + 4;
    ASSERT_EQ(readI16(current, at), VT_BSTR);
    for (int type : {99, int(VT_I4), int(VT_EMPTY)}) {
        SCOPED_TRACE(type);
        std::vector<uint8_t> odd(current.begin(), current.begin() + long(at));
        put16(odd, type);
        odd.insert(odd.end(), current.begin() + long(at + 2 + 4 + 14), current.end());
        ComPtr<IContainer> copy = newControl();
        ASSERT_EQ(loadFromBytes(copy.get(), odd), S_OK);
        std::swap(control, copy);
        EXPECT_EQ(ctrlEffect(), QStringLiteral("<null>"));
        EXPECT_EQ(childsEffect(), QStringLiteral("Inset"));
        std::swap(control, copy);
    }

    // The bag form: the control's own types and a child's.
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(control->QueryInterface(IID_IPersistPropertyBag, persist.putVoid()), S_OK);
    ComPtr<PropertyBag> bag(new PropertyBag);
    ASSERT_EQ(persist->Save(bag.get(), false, true), S_OK);
    bag->setValue(QStringLiteral("ChildsEffectType"), Variant::i2(99));
    std::vector<uint8_t> childs;
    put32(childs, 2);
    putStr(childs, QStringLiteral("a"));
    putStr(childs, QStringLiteral("Command1"));
    put16(childs, 99);
    putStr(childs, QStringLiteral("b"));
    putStr(childs, QStringLiteral("Command2"));
    put16(childs, VT_BSTR);
    putStr(childs, QStringLiteral("Flat"));
    bag->setObjectBag(QStringLiteral("Childs"), CLSID_Childs, collectionBag(CLSID_Childs, childs));
    ComPtr<IContainer> copy = newControl();
    ComPtr<IPersistPropertyBag> copyPersist;
    ASSERT_EQ(copy->QueryInterface(IID_IPersistPropertyBag, copyPersist.putVoid()), S_OK);
    ASSERT_EQ(copyPersist->Load(bag.get(), nullptr), S_OK);
    std::swap(control, copy);
    EXPECT_EQ(ctrlEffect(), QStringLiteral("Raised"));
    EXPECT_EQ(childsEffect(), QStringLiteral("<null>"));
    ComPtr<IChildren> loaded;
    ASSERT_EQ(control->get_Childs(loaded.put()), S_OK);
    int32_t n = 0;
    loaded->get_Count(&n);
    ASSERT_EQ(n, 2);
    ComPtr<IChild> a, b;
    ASSERT_EQ(loaded->get_Item(Variant::str(QStringLiteral("a")), a.put()), S_OK);
    ASSERT_EQ(loaded->get_Item(Variant::str(QStringLiteral("b")), b.put()), S_OK);
    Variant effectA, effectB;
    a->get_Effect(&effectA);
    b->get_Effect(&effectB);
    EXPECT_EQ(keyOf(effectA), QStringLiteral("<null>"));
    EXPECT_EQ(keyOf(effectB), QStringLiteral("Flat")) << "the next child is read in step";
    Bstr name;
    a->get_Name(name.put());
    EXPECT_EQ(name.toQString(), QStringLiteral("Command1"));
}
