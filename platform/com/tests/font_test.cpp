// The standard font: members, change notices, stream form, clones.
#include "platform/com/font.h"

#include <gtest/gtest.h>

using namespace platform::com;

namespace {
class Sink final : public IPropertyNotifySink {
public:
    QList<DISPID> changed;
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        *object = iid == IID_IUnknown || iid == IID_IPropertyNotifySink ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT OnChanged(DISPID id) override { changed << id; return S_OK; }
    HRESULT OnRequestEdit(DISPID) override { return S_OK; }
};

ComPtr<IFont> makeFont()
{
    FONTDESC d;
    d.name = QStringLiteral("ＭＳ ゴシック");
    d.size = 105000;
    ComPtr<IFont> f;
    EXPECT_EQ(OleCreateFontIndirect(d, IID_IFont, f.putVoid()), S_OK);
    return f;
}
} // namespace

TEST(StdFont, ChangesAreAnnouncedAndRangesChecked)
{
    Sink sink; // outlives the font
    ComPtr<IFont> f = makeFont();
    ComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(f->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid()), S_OK);
    ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(cpc->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
    uint32_t cookie = 0;
    ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);
    f->put_Bold(VARIANT_TRUE);
    f->put_Bold(VARIANT_TRUE);
    f->put_Size(120000);
    EXPECT_EQ(f->put_Size(0), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(f->put_Weight(1001), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(sink.changed, QList<DISPID>({DISPID_FONT_BOLD, DISPID_FONT_SIZE}));
    int16_t w = 0;
    f->get_Weight(&w);
    EXPECT_EQ(w, 700);
    QFont q;
    f->getQFont(&q);
    EXPECT_EQ(q.pixelSize(), 16) << "12 pt at 96 dpi";
    cp->Unadvise(cookie);

    // By name: Size travels in points.
    ComPtr<IDispatch> d;
    ASSERT_EQ(f->QueryInterface(IID_IFontDisp, d.putVoid()), S_OK);
    Variant r;
    ASSERT_EQ(invokeByName(d.get(), QStringLiteral("size"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_DOUBLE_EQ(r.dblVal, 12.0);
    ASSERT_EQ(invokeByName(d.get(), QStringLiteral("Size"), DISPATCH_PROPERTYPUT, {Variant::r8(9.75)}, nullptr), S_OK);
    int64_t size = 0;
    f->get_Size(&size);
    EXPECT_EQ(size, 97500);
}

TEST(StdFont, StreamRoundTripAndCorruptStreams)
{
    ComPtr<IFont> f = makeFont();
    f->put_Italic(VARIANT_TRUE);
    ComPtr<IPersistStream> p;
    ASSERT_EQ(f->QueryInterface(IID_IPersistStream, p.putVoid()), S_OK);
    ComPtr<IStream> s;
    CreateStreamOnHGlobal(nullptr, true, s.put());
    ASSERT_EQ(OleSaveToStream(p.get(), s.get()), S_OK);
    const std::vector<uint8_t> bytes = streamBytes(s.get());
    ASSERT_EQ(bytes.size(), 16u + 11u + 2u * 7u);
    EXPECT_EQ(bytes[16], 1);
    EXPECT_EQ(bytes[16 + 3], 0x02) << "italic";
    s->Seek(0, STREAM_SEEK_SET, nullptr);
    ComPtr<IFont> back;
    ASSERT_EQ(OleLoadFromStream(s.get(), IID_IFont, back.putVoid()), S_OK);
    EXPECT_EQ(back->IsEqual(f.get()), S_OK);
    for (size_t cut = 16; cut < bytes.size(); ++cut) {
        ComPtr<IStream> part = streamFromBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(cut)));
        ComPtr<IFont> none;
        EXPECT_TRUE(FAILED(OleLoadFromStream(part.get(), IID_IFont, none.putVoid()))) << cut;
    }
}

TEST(StdFont, ACloneIsIndependent)
{
    ComPtr<IFont> f = makeFont();
    ComPtr<IFont> c;
    ASSERT_EQ(f->Clone(c.put()), S_OK);
    EXPECT_EQ(c->IsEqual(f.get()), S_OK);
    f->put_Underline(VARIANT_TRUE);
    EXPECT_EQ(c->IsEqual(f.get()), S_FALSE);
    VARIANT_BOOL u = 0;
    c->get_Underline(&u);
    EXPECT_EQ(u, VARIANT_FALSE);
}
