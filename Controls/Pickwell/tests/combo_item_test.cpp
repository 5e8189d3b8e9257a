// ComboItem: defaults, checks, change codes, stream form, Automation.
#include "PickwellTestSupport.h"

using namespace pickwell;
using namespace pickwell::testing;

using ComboItemTest = PickwellTest;

TEST_F(ComboItemTest, DefaultsAndChecks)
{
    ComPtr<IComboItem> item = newItem();
    VARIANT_BOOL b = 0;
    item->get_Enable(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    OLE_COLOR c = 0;
    item->get_ForeColor(&c);
    EXPECT_EQ(c, 0xFFFFFFFFu);
    Bstr s;
    item->get_Content(s.put());
    EXPECT_FALSE(s.isNull());
    EXPECT_EQ(s.length(), 0u);
    item->get_Value(s.put());
    EXPECT_TRUE(s.isNull()) << "Value starts null, unlike Content";
    int32_t index = 0;
    item->get_Index(&index);
    EXPECT_EQ(index, -1);

    EXPECT_EQ(item->put_Indent(-1), E_INVALIDARG);
    EXPECT_EQ(item->put_Indent(40000), E_INVALIDARG) << "the stored 16 bits cannot hold it";
    ASSERT_EQ(item->put_Indent(32767), S_OK);
    int32_t indent = 0;
    item->get_Indent(&indent);
    EXPECT_EQ(indent, 32767);

    IPicture *none = reinterpret_cast<IPicture *>(1);
    EXPECT_EQ(item->get_Image(&none), S_FALSE);
    EXPECT_EQ(none, nullptr);

    // The get hands out a copy.
    Bstr text(QStringLiteral("abc"));
    item->put_Content(text.get());
    Bstr got;
    item->get_Content(got.put());
    EXPECT_NE(got.get(), text.get());
    EXPECT_EQ(got.toQString(), QStringLiteral("abc"));
}

TEST_F(ComboItemTest, PutsTellTheirChangeCodes)
{
    RecordingSink sink; // outlives the item
    ComPtr<IComboItem> item = newItem();
    connect(item.get(), &sink);
    Bstr t(QStringLiteral("x"));
    item->put_BackColor(1);
    item->put_ForeColor(2);
    item->put_Content(t.get());
    item->put_Description(t.get());
    item->put_Enable(0);
    item->put_Image(createPicture(PICTYPE_NONE).get());
    item->put_Indent(3);
    item->put_TooltipText(t.get());
    item->put_Value(t.get());
    item->put_Visible(0);
    item->put_BackTransparent(VARIANT_TRUE); // unchanged: nothing
    item->put_BackTransparent(VARIANT_FALSE);
    item->put_ForeTransparent(VARIANT_FALSE);
    item->put_ForeTransparent(VARIANT_FALSE);
    item->put_Index(4);    // no code
    item->SetSelected(1);  // no code
    item->put_Contained(1); // no code
    EXPECT_EQ(sink.calls, QStringList({"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10", "c11", "c12"}));
}

TEST_F(ComboItemTest, StreamFormIsByteExact)
{
    ComPtr<IComboItem> item = newItem();
    const std::vector<uint8_t> expected = {
        0x00, 0x00, 0x01, 0x00,             // _Version
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, // Content ""
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, // Description ""
        0x00, 0x00, 0x00, 0x00,             // Value null
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, // TooltipText ""
        0x00, 0x00,                         // Indent
        0xFF, 0xFF, 0xFF, 0xFF,             // Enable, Visible
        0xFF, 0xFF, 0xFF, 0xFF,             // BackTransparent, ForeTransparent
        0xFF, 0xFF, 0xFF, 0xFF,             // BackColor -1
        0xFF, 0xFF, 0xFF, 0xFF,             // ForeColor -1
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // no picture
    };
    EXPECT_EQ(saveToBytes(item.get()), expected);

    Bstr c(QStringLiteral("ab")), v(QStringLiteral("V"));
    item->put_Content(c.get());
    item->put_Value(v.get());
    item->put_Indent(2);
    item->put_Enable(VARIANT_FALSE);
    item->put_BackColor(0x8000000F);
    std::vector<uint8_t> bytes = saveToBytes(item.get());
    const std::vector<uint8_t> head = {0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0x00, 0x00, 'a', 0, 'b', 0, 0, 0};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));

    ComPtr<IComboItem> back = newItem();
    ASSERT_EQ(loadFromBytes(back.get(), bytes), S_OK);
    EXPECT_EQ(content(back.get()), QStringLiteral("ab"));
    Bstr value;
    back->get_Value(value.put());
    EXPECT_EQ(value.toQString(), QStringLiteral("V"));
    OLE_COLOR colour = 0;
    back->get_BackColor(&colour);
    EXPECT_EQ(colour, 0x8000000Fu);
    VARIANT_BOOL enable = 0;
    back->get_Enable(&enable);
    EXPECT_EQ(enable, VARIANT_FALSE);
    EXPECT_EQ(saveToBytes(back.get()), bytes);
}

TEST_F(ComboItemTest, ATruncatedOrCorruptStreamChangesNothing)
{
    ComPtr<IComboItem> source = newItem(QStringLiteral("loaded"));
    source->put_Image(createPicture(PICTYPE_ICON, QImage(1, 1, QImage::Format_ARGB32)).get());
    const std::vector<uint8_t> bytes = saveToBytes(source.get());
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        ComPtr<IComboItem> item = newItem(QStringLiteral("before"));
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        EXPECT_TRUE(FAILED(loadFromBytes(item.get(), part))) << cut;
        EXPECT_EQ(content(item.get()), QStringLiteral("before")) << cut;
        IPicture *pic = nullptr;
        EXPECT_EQ(item->get_Image(&pic), S_FALSE) << cut;
    }
    // A negative indent in the stream is refused too.
    std::vector<uint8_t> bad = saveToBytes(newItem().get());
    bad[26] = 0xFF;
    bad[27] = 0xFF;
    ComPtr<IComboItem> item = newItem(QStringLiteral("kept"));
    EXPECT_TRUE(FAILED(loadFromBytes(item.get(), bad)));
    EXPECT_EQ(content(item.get()), QStringLiteral("kept"));
}

TEST_F(ComboItemTest, MembersAnswerByNameThroughIDispatch)
{
    ComPtr<IComboItem> item = newItem();
    Variant r;
    ASSERT_EQ(invokeByName(item.get(), QStringLiteral("content"), DISPATCH_PROPERTYPUT,
                           {Variant::str(QStringLiteral("名前"))}, nullptr),
              S_OK);
    EXPECT_EQ(content(item.get()), QStringLiteral("名前"));
    ASSERT_EQ(invokeByName(item.get(), QStringLiteral("Enable"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_EQ(r.boolVal, VARIANT_TRUE);
    Variant colour;
    colour.vt = VT_UI4;
    colour.ulVal = 0x80000008;
    ASSERT_EQ(invokeByName(item.get(), QStringLiteral("ForeColor"), DISPATCH_PROPERTYPUT, {colour}, nullptr), S_OK);
    OLE_COLOR c = 0;
    item->get_ForeColor(&c);
    EXPECT_EQ(c, 0x80000008u);
    ASSERT_EQ(invokeByName(item.get(), QStringLiteral("SetSelected"), DISPATCH_METHOD, {Variant::i2(1)}, nullptr),
              S_OK);
    ASSERT_EQ(invokeByName(item.get(), QStringLiteral("Selected"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.iVal, 1);
    EXPECT_EQ(invokeByName(item.get(), QStringLiteral("Selected"), DISPATCH_PROPERTYPUT, {Variant::i2(1)}, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXCEPINFO e;
    EXPECT_EQ(invokeByName(item.get(), QStringLiteral("Indent"), DISPATCH_PROPERTYPUT, {Variant::i4(-5)}, nullptr, &e),
              DISP_E_EXCEPTION);
    EXPECT_EQ(e.scode, E_INVALIDARG);
    clearExcepInfo(&e);
    ComPtr<ISupportErrorInfo> sei;
    ASSERT_EQ(item->QueryInterface(IID_ISupportErrorInfo, sei.putVoid()), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IComboItem), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}
