// The typed exchange helpers in both forms, the stream checks, cloning
// through a stream and the picture property helpers.
#include "Controls/common/PropertyExchange.h"

#include <gtest/gtest.h>

using namespace platform::com;
using namespace controls;

namespace {

ComPtr<IStream> newStream()
{
    ComPtr<IStream> s;
    CreateStreamOnHGlobal(nullptr, true, s.put());
    return s;
}

PropertyExchangeContext streamCtx(IStream *s, bool loading)
{
    PropertyExchangeContext c;
    c.stream = s;
    c.loading = loading;
    return c;
}

} // namespace

TEST(ExchangeStream, ScalarsAndStringsHaveTheirByteForms)
{
    ComPtr<IStream> s = newStream();
    auto save = streamCtx(s.get(), false);
    int16_t sh = -2;
    int32_t lo = 0x01020304;
    int32_t flag = 1;
    Bstr nul, empty(QStringLiteral("")), ab(QStringLiteral("aあ"));
    ASSERT_TRUE(ExchangeShortProperty(&save, u"S", &sh));
    ASSERT_TRUE(ExchangeLongProperty(&save, u"L", &lo));
    ASSERT_TRUE(ExchangeBoolProperty(&save, u"B", &flag));
    ASSERT_TRUE(ExchangeStringProperty(&save, u"N", &nul));
    ASSERT_TRUE(ExchangeStringProperty(&save, u"E", &empty));
    ASSERT_TRUE(ExchangeStringProperty(&save, u"T", &ab));
    const std::vector<uint8_t> expected = {
        0xFE, 0xFF,                         // short -2
        0x04, 0x03, 0x02, 0x01,             // long
        0x01, 0x00, 0x00, 0x00,             // the bool member as it is
        0x00, 0x00, 0x00, 0x00,             // null string
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, // empty string: count 2, terminator
        0x06, 0x00, 0x00, 0x00, 0x61, 0x00, 0x42, 0x30, 0x00, 0x00,
    };
    EXPECT_EQ(streamBytes(s.get()), expected);

    s->Seek(0, STREAM_SEEK_SET, nullptr);
    auto load = streamCtx(s.get(), true);
    int16_t sh2 = 0;
    int32_t lo2 = 0, flag2 = 0;
    Bstr n2(QStringLiteral("kept")), e2, t2;
    ASSERT_TRUE(ExchangeShortProperty(&load, u"S", &sh2));
    ASSERT_TRUE(ExchangeLongProperty(&load, u"L", &lo2));
    ASSERT_TRUE(ExchangeBoolProperty(&load, u"B", &flag2));
    ASSERT_TRUE(ExchangeStringProperty(&load, u"N", &n2));
    ASSERT_TRUE(ExchangeStringProperty(&load, u"E", &e2));
    ASSERT_TRUE(ExchangeStringProperty(&load, u"T", &t2));
    EXPECT_EQ(sh2, -2);
    EXPECT_EQ(lo2, 0x01020304);
    EXPECT_EQ(flag2, 1);
    EXPECT_EQ(n2.toQString(), QStringLiteral("kept")) << "a count of 0 keeps the previous text";
    EXPECT_FALSE(e2.isNull());
    EXPECT_EQ(e2.length(), 0u);
    EXPECT_EQ(t2.toQString(), QStringLiteral("aあ"));
}

TEST(ExchangeStream, BadStringCountsAndShortReadsFailAndKeepTheMember)
{
    const std::vector<std::vector<uint8_t>> bad = {
        {0x03, 0, 0, 0, 0x61, 0, 0},               // odd count
        {0x01, 0, 0, 0, 0x61},                     // below 2
        {0x08, 0, 0, 0, 0x61, 0, 0x62, 0},         // more than the bytes left
        {0xFE, 0xFF, 0xFF, 0x7F, 0, 0},            // huge
        {0x02, 0x00},                              // the count itself cut short
        {0x02, 0x00, 0x00, 0x00, 0x00},            // terminator cut short
    };
    for (const auto &bytes : bad) {
        ComPtr<IStream> s = streamFromBytes(bytes);
        auto load = streamCtx(s.get(), true);
        Bstr member(QStringLiteral("old"));
        EXPECT_FALSE(ExchangeStringProperty(&load, u"T", &member)) << bytes.size();
        EXPECT_EQ(member.toQString(), QStringLiteral("old"));
    }
    ComPtr<IStream> s = streamFromBytes({0x01, 0x02, 0x03});
    auto load = streamCtx(s.get(), true);
    int32_t v = 9;
    EXPECT_FALSE(ExchangeLongProperty(&load, u"L", &v));
    EXPECT_EQ(v, 9);
}

TEST(ExchangeContext, BothOrNeitherFormDoesNothing)
{
    ComPtr<IStream> s = newStream();
    ComPtr<PropertyBag> bag(new PropertyBag);
    PropertyExchangeContext both;
    both.stream = s.get();
    both.bag = bag.get();
    int32_t v = 5;
    EXPECT_FALSE(ExchangeLongProperty(&both, u"L", &v));
    PropertyExchangeContext neither;
    EXPECT_FALSE(ExchangeLongProperty(&neither, u"L", &v));
    EXPECT_TRUE(streamBytes(s.get()).empty());
    EXPECT_TRUE(bag->entries().empty());
}

TEST(ExchangeBag, BooleansNormaliseAndMissingNamesKeepTheMember)
{
    ComPtr<PropertyBag> bag(new PropertyBag);
    PropertyExchangeContext save;
    save.bag = bag.get();
    int32_t flag = 7;
    Bstr text(QStringLiteral("x"));
    ASSERT_TRUE(ExchangeBoolProperty(&save, u"Flag", &flag));
    ASSERT_TRUE(ExchangeStringProperty(&save, u"Text", &text));
    EXPECT_EQ(bag->find(QStringLiteral("Flag"))->value.vt, VT_BOOL);
    EXPECT_EQ(bag->find(QStringLiteral("Flag"))->value.boolVal, VARIANT_TRUE);

    PropertyExchangeContext load = save;
    load.loading = true;
    int32_t back = 0;
    ASSERT_TRUE(ExchangeBoolProperty(&load, u"Flag", &back));
    EXPECT_EQ(back, 1);
    int32_t missing = 3;
    EXPECT_FALSE(ExchangeLongProperty(&load, u"Nothing", &missing));
    EXPECT_EQ(missing, 3);
    // A null object member writes nothing and fails.
    ComPtr<IUnknown> none;
    EXPECT_FALSE(ExchangeObjectProperty(&save, u"Obj", &none, IID_IUnknown));
    EXPECT_EQ(bag->find(QStringLiteral("Obj")), nullptr);
}

TEST(ExchangeStream, NullObjectRoundTripKeepsTheMemberAndUnknownClassesFail)
{
    ComPtr<IStream> s = newStream();
    auto save = streamCtx(s.get(), false);
    ComPtr<IUnknown> none;
    ASSERT_TRUE(ExchangeObjectProperty(&save, u"Picture", &none, IID_IPicture));
    EXPECT_EQ(streamBytes(s.get()), std::vector<uint8_t>(16, 0));
    s->Seek(0, STREAM_SEEK_SET, nullptr);
    auto load = streamCtx(s.get(), true);
    ComPtr<IPicture> held = createPicture(PICTYPE_NONE);
    ComPtr<IUnknown> member(held.get());
    ASSERT_TRUE(ExchangeObjectProperty(&load, u"Picture", &member, IID_IPicture));
    EXPECT_EQ(member.get(), static_cast<IUnknown *>(held.get()));

    ComPtr<IStream> unknown = newStream();
    WriteClassStm(unknown.get(), GUID::fromString(QStringLiteral("{12345678-1234-1234-1234-123456789ABC}")));
    unknown->Seek(0, STREAM_SEEK_SET, nullptr);
    auto load2 = streamCtx(unknown.get(), true);
    EXPECT_FALSE(ExchangeObjectProperty(&load2, u"Picture", &member, IID_IPicture));
    EXPECT_EQ(member.get(), static_cast<IUnknown *>(held.get()));
}

namespace {

// A persistent object whose GetSizeMax fails, registered for creation here.
const CLSID CLSID_NoSize = GUID::fromString(QStringLiteral("{0A0B0C0D-1111-2222-3333-444455556666}"));

class NoSizeObject final : public IPersistStream {
public:
    std::vector<uint8_t> payload;
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IPersistStream || iid == IID_IPersist) {
            *object = static_cast<IPersistStream *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override
    {
        const uint32_t l = --refs;
        if (!l)
            delete this;
        return l;
    }
    HRESULT GetClassID(CLSID *c) override { *c = CLSID_NoSize; return S_OK; }
    HRESULT IsDirty() override { return S_OK; }
    HRESULT Load(IStream *s) override
    {
        uint32_t n = 0;
        if (!readExact(s, &n, 4) || n > 100000)
            return E_FAIL;
        payload.resize(n);
        return readExact(s, payload.data(), n) ? S_OK : E_FAIL;
    }
    HRESULT Save(IStream *s, bool) override
    {
        const uint32_t n = static_cast<uint32_t>(payload.size());
        return writeExact(s, &n, 4) && writeExact(s, payload.data(), n) ? S_OK : E_FAIL;
    }
    HRESULT GetSizeMax(uint64_t *) override { return E_NOTIMPL; }
    uint32_t refs = 0;
};

class NoSizeFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        *object = iid == IID_IClassFactory || iid == IID_IUnknown ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT CreateInstance(IUnknown *, const IID &iid, void **object) override
    {
        auto *o = new NoSizeObject;
        o->AddRef();
        const HRESULT hr = o->QueryInterface(iid, object);
        o->Release();
        return hr;
    }
    HRESULT LockServer(bool) override { return S_OK; }
};

} // namespace

TEST(CloneThroughStream, CopiesAnObjectWithoutASizeMaximum)
{
    NoSizeFactory factory;
    uint32_t cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_NoSize, &factory, &cookie), S_OK);
    ComPtr<NoSizeObject> source(new NoSizeObject);
    source->payload.assign(5000, 0x5A);
    ComPtr<IUnknown> dest;
    ASSERT_EQ(CloneThroughStream(source.get(), IID_IPersistStream, &dest), S_OK);
    ASSERT_TRUE(dest);
    EXPECT_NE(dest.get(), static_cast<IUnknown *>(source.get()));
    EXPECT_EQ(static_cast<NoSizeObject *>(static_cast<IPersistStream *>(static_cast<void *>(dest.get())))->payload,
              source->payload);
    // A null source does nothing and succeeds.
    ComPtr<IUnknown> untouched(dest);
    EXPECT_EQ(CloneThroughStream(nullptr, IID_IPersistStream, &untouched), S_OK);
    EXPECT_EQ(untouched.get(), dest.get());
    CoRevokeClassObject(cookie);
}

TEST(PictureHelpers, IconsAndEmptyPicturesOnlyAndCopiesAreIndependent)
{
    QImage img(2, 2, QImage::Format_ARGB32);
    img.fill(Qt::blue);
    ComPtr<IPicture> member;
    ComPtr<IPicture> bitmap = createPicture(PICTYPE_BITMAP, img);
    EXPECT_EQ(PutIconProperty(&member, bitmap.get()), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(PutIconPicture(&member, bitmap.get()), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_FALSE(member);

    ComPtr<IPicture> icon = createPicture(PICTYPE_ICON, img);
    ASSERT_EQ(PutIconProperty(&member, icon.get()), S_OK);
    ASSERT_TRUE(member);
    EXPECT_NE(member.get(), icon.get()) << "put by value stores a copy";
    int16_t type = 0;
    member->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_ICON);
    ASSERT_EQ(PutIconPicture(&member, icon.get()), S_OK);
    EXPECT_EQ(member.get(), icon.get()) << "putref stores the picture itself";
    ComPtr<IPicture> empty = createPicture(PICTYPE_NONE);
    EXPECT_EQ(PutIconProperty(&member, empty.get()), S_OK);
    EXPECT_EQ(ClonePicture(nullptr, icon.get()), E_POINTER);
    IDispatch *disp = nullptr;
    ASSERT_EQ(GetPictureProperty(icon.get(), &disp), S_OK);
    ASSERT_NE(disp, nullptr);
    Variant t;
    ASSERT_EQ(invokeByName(disp, QStringLiteral("Type"), DISPATCH_PROPERTYGET, {}, &t), S_OK);
    EXPECT_EQ(t.iVal, PICTYPE_ICON);
    disp->Release();
}

TEST(FontHelpers, AFontAssignedKeepsNoLinkToTheCallersFont)
{
    FONTDESC d;
    d.name = QStringLiteral("Tahoma");
    ComPtr<IFont> callers;
    ASSERT_EQ(OleCreateFontIndirect(d, IID_IFont, callers.putVoid()), S_OK);
    ComPtr<IDispatch> member;
    ASSERT_EQ(PutFontValue(&member, callers.get()), S_OK);
    ASSERT_TRUE(member);
    callers->put_Bold(VARIANT_TRUE);
    Variant bold;
    ASSERT_EQ(invokeByName(member.get(), QStringLiteral("Bold"), DISPATCH_PROPERTYGET, {}, &bold), S_OK);
    EXPECT_EQ(bold.boolVal, VARIANT_FALSE);
    IDispatch *out = nullptr;
    ASSERT_EQ(GetFontProperty(member.get(), &out), S_OK);
    ASSERT_NE(out, nullptr);
    out->Release();
    IDispatch *untouched = reinterpret_cast<IDispatch *>(0x10);
    EXPECT_EQ(GetFontProperty(nullptr, &untouched), S_OK);
    EXPECT_EQ(untouched, reinterpret_cast<IDispatch *>(0x10));
    EXPECT_EQ(PutFontValue(nullptr, callers.get()), E_POINTER);
    ASSERT_EQ(PutFontValue(&member, nullptr), S_OK);
    EXPECT_FALSE(member);
}

TEST(ExchangeVersionAndExtent, ClearsTheDirtyFlagAndWritesThreeLongsFirst)
{
    ComPtr<IStream> s = newStream();
    auto save = streamCtx(s.get(), false);
    bool dirty = true;
    int32_t version = 0x00010000, cx = 2117, cy = 873;
    ASSERT_TRUE(ExchangeVersionAndExtent(&save, &dirty, &version, &cx, &cy));
    EXPECT_FALSE(dirty);
    EXPECT_EQ(streamBytes(s.get()),
              (std::vector<uint8_t>{0x00, 0x00, 0x01, 0x00, 0x45, 0x08, 0x00, 0x00, 0x69, 0x03, 0x00, 0x00}));
    ComPtr<PropertyBag> bag(new PropertyBag);
    PropertyExchangeContext b;
    b.bag = bag.get();
    dirty = true;
    ASSERT_TRUE(ExchangeVersionAndExtent(&b, &dirty, &version, &cx, &cy));
    EXPECT_EQ(bag->names(), QStringList({"_Version", "_ExtentX", "_ExtentY"}));
    s->Seek(0, STREAM_SEEK_SET, nullptr);
    auto load = streamCtx(s.get(), true);
    int32_t v2 = 0, x2 = 0, y2 = 0;
    dirty = true;
    ASSERT_TRUE(ExchangeVersionAndExtent(&load, &dirty, &v2, &x2, &y2));
    EXPECT_EQ(x2, 2117);
    EXPECT_EQ(y2, 873);
    EXPECT_FALSE(dirty);
}
