// Memory blocks and streams, class ids in streams, OleSaveToStream and
// OleLoadFromStream, the property bag with nested objects, pictures.
#include "platform/com/persist.h"
#include "platform/com/picture.h"

#include <gtest/gtest.h>

using namespace platform::com;

TEST(MemoryStream, GrowsOnWriteAndReadsShortAtTheEnd)
{
    HGLOBAL block = GlobalAlloc(GHND, 4);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 4u);
    ComPtr<IStream> s;
    ASSERT_EQ(CreateStreamOnHGlobal(block, true, s.put()), S_OK);
    const uint8_t data[6] = {1, 2, 3, 4, 5, 6};
    uint32_t n = 0;
    ASSERT_EQ(s->Write(data, 6, &n), S_OK);
    EXPECT_EQ(n, 6u);
    EXPECT_EQ(GlobalSize(block), 6u);
    uint64_t pos = 0;
    ASSERT_EQ(s->Seek(-2, STREAM_SEEK_CUR, &pos), S_OK);
    EXPECT_EQ(pos, 4u);
    uint8_t in[4] = {};
    EXPECT_EQ(s->Read(in, 4, &n), S_FALSE);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(in[0], 5);
    EXPECT_EQ(s->Seek(-1, STREAM_SEEK_SET, &pos), STG_E_INVALIDFUNCTION);
    STATSTG st;
    ASSERT_EQ(s->Stat(&st, 0), S_OK);
    EXPECT_EQ(st.cbSize, 6u);
    EXPECT_EQ(streamBytes(s.get()), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST(ClassStm, WritesTheMixedEndianFormAndRefusesAShortRead)
{
    ComPtr<IStream> s;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, true, s.put()), S_OK);
    const GUID g = GUID::fromString(QStringLiteral("{CB8724BB-E11C-45D8-AF0C-49C04B1387DB}"));
    ASSERT_EQ(WriteClassStm(s.get(), g), S_OK);
    EXPECT_EQ(streamBytes(s.get()), (std::vector<uint8_t>{0xBB, 0x24, 0x87, 0xCB, 0x1C, 0xE1, 0xD8, 0x45, 0xAF, 0x0C,
                                                          0x49, 0xC0, 0x4B, 0x13, 0x87, 0xDB}));
    s->Seek(0, STREAM_SEEK_SET, nullptr);
    GUID back;
    ASSERT_EQ(ReadClassStm(s.get(), &back), S_OK);
    EXPECT_EQ(back, g);
    ComPtr<IStream> shortOne = streamFromBytes({1, 2, 3});
    EXPECT_EQ(ReadClassStm(shortOne.get(), &back), STG_E_READFAULT);

    // A null object is the null class id alone, and loads as "not registered".
    ComPtr<IStream> n;
    CreateStreamOnHGlobal(nullptr, true, n.put());
    ASSERT_EQ(OleSaveToStream(nullptr, n.get()), S_OK);
    EXPECT_EQ(streamBytes(n.get()), std::vector<uint8_t>(16, 0));
    n->Seek(0, STREAM_SEEK_SET, nullptr);
    ComPtr<IUnknown> none;
    EXPECT_EQ(OleLoadFromStream(n.get(), IID_IUnknown, none.putVoid()), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(none);
}

TEST(Picture, RoundTripsThroughOleSaveAndLoadAndRefusesCorruptData)
{
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    ComPtr<IPicture> icon = createPicture(PICTYPE_ICON, image);
    ComPtr<IPersistStream> ps;
    ASSERT_EQ(icon->QueryInterface(IID_IPersistStream, ps.putVoid()), S_OK);
    ComPtr<IStream> s;
    CreateStreamOnHGlobal(nullptr, true, s.put());
    ASSERT_EQ(OleSaveToStream(ps.get(), s.get()), S_OK);
    std::vector<uint8_t> bytes = streamBytes(s.get());
    s->Seek(0, STREAM_SEEK_SET, nullptr);
    ComPtr<IPicture> back;
    ASSERT_EQ(OleLoadFromStream(s.get(), IID_IPicture, back.putVoid()), S_OK);
    int16_t type = 0;
    back->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_ICON);
    QImage got;
    back->getImage(&got);
    EXPECT_EQ(got.size(), image.size());
    EXPECT_EQ(got.pixel(2, 1), image.pixel(2, 1));

    // Cut short, or with a huge count: refused, nothing made.
    for (size_t cut : {size_t(16), size_t(20), bytes.size() - 1}) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        ComPtr<IStream> p = streamFromBytes(part);
        ComPtr<IPicture> none;
        EXPECT_TRUE(FAILED(OleLoadFromStream(p.get(), IID_IPicture, none.putVoid()))) << cut;
        EXPECT_FALSE(none);
    }
    std::vector<uint8_t> huge = bytes;
    huge[16 + 4] = 0xFF;
    huge[16 + 7] = 0x7F;
    ComPtr<IStream> h = streamFromBytes(huge);
    ComPtr<IPicture> none;
    EXPECT_TRUE(FAILED(OleLoadFromStream(h.get(), IID_IPicture, none.putVoid())));
}

TEST(PropertyBag, ValuesConvertOnReadAndObjectsNest)
{
    ComPtr<PropertyBag> bag(new PropertyBag);
    Variant v = Variant::i2(5);
    ASSERT_EQ(bag->Write(u"Count", &v), S_OK);
    Variant want;
    want.vt = VT_BSTR;
    ASSERT_EQ(bag->Read(u"count", &want, nullptr), S_OK);
    EXPECT_EQ(bstrToQString(want.bstrVal), QStringLiteral("5"));
    Variant missing;
    missing.vt = VT_I4;
    EXPECT_EQ(bag->Read(u"Nothing", &missing, nullptr), E_INVALIDARG);

    // A picture persists to streams: the bag keeps its class and bytes and
    // makes a new picture on read.
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ComPtr<IPicture> pic = createPicture(PICTYPE_BITMAP, image);
    Variant obj = Variant::unknown(pic.get());
    ASSERT_EQ(bag->Write(u"Picture", &obj), S_OK);
    ASSERT_TRUE(bag->find(QStringLiteral("Picture"))->isObject);
    EXPECT_EQ(bag->find(QStringLiteral("Picture"))->clsid, CLSID_StdPicture);
    Variant read;
    read.vt = VT_UNKNOWN;
    ASSERT_EQ(bag->Read(u"Picture", &read, nullptr), S_OK);
    ASSERT_NE(read.punkVal, nullptr);
    EXPECT_NE(read.punkVal, static_cast<IUnknown *>(pic.get()));
    ComPtr<IPicture> p2;
    ASSERT_EQ(read.punkVal->QueryInterface(IID_IPicture, p2.putVoid()), S_OK);
    int16_t type = 0;
    p2->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    // A null object is not written.
    Variant nothing;
    nothing.vt = VT_UNKNOWN;
    EXPECT_EQ(bag->Write(u"Empty", &nothing), E_INVALIDARG);
    EXPECT_EQ(bag->find(QStringLiteral("Empty")), nullptr);
}

#include <dlfcn.h>

TEST(Loader, ALibraryWhoseAttachFailsDoesNotLoad)
{
    qputenv("TALVIK_PROBE_REFUSE", "1");
    EXPECT_EQ(registerServerLibrary(QString::fromUtf8(ATTACH_PROBE)), CO_E_DLLNOTFOUND);
    EXPECT_EQ(dlopen(ATTACH_PROBE, RTLD_NOW | RTLD_NOLOAD), nullptr) << "unloaded again";
    qunsetenv("TALVIK_PROBE_REFUSE");
    EXPECT_EQ(registerServerLibrary(QString::fromUtf8(ATTACH_PROBE)), S_OK);
    void *h = dlopen(ATTACH_PROBE, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(h, nullptr);
    if (h)
        dlclose(h);
    // Loaded libraries stay loaded; the answer only counts them.
    EXPECT_GE(CoFreeUnusedLibraries(), 0);
    h = dlopen(ATTACH_PROBE, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(h, nullptr);
    if (h)
        dlclose(h);
}
