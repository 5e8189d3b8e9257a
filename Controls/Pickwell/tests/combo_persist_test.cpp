// zoCombo's persistence: a combo with items saved and loaded through a
// stream and a property bag keeps its items and settings; the stream starts
// with "_Version" and the extent, then the sub-objects; a window definition
// naming a few values loads over the defaults; corrupted data fails and
// changes nothing.
#include "ComboTestSupport.h"

#include "platform/com/stream.h"

using namespace pickwell;
using namespace pickwell::testing;
using namespace zobase7;

namespace {

std::vector<uint8_t> saveStream(ICombo *combo)
{
    ComPtr<IPersistStreamInit> p;
    EXPECT_EQ(combo->QueryInterface(IID_IPersistStreamInit, p.putVoid()), S_OK);
    ComPtr<IStream> s;
    CreateStreamOnHGlobal(nullptr, true, s.put());
    EXPECT_EQ(p->Save(s.get(), true), S_OK);
    return streamBytes(s.get());
}

HRESULT loadStream(ICombo *combo, const std::vector<uint8_t> &bytes)
{
    ComPtr<IPersistStreamInit> p;
    combo->QueryInterface(IID_IPersistStreamInit, p.putVoid());
    ComPtr<IStream> s = streamFromBytes(bytes);
    return p->Load(s.get());
}

ComPtr<ICombo> newCombo()
{
    ComPtr<ICombo> c;
    EXPECT_EQ(createCombo(IID_ICombo, c.putVoid()), S_OK);
    return c;
}

QStringList contents(ICombo *combo)
{
    ComPtr<IComboItemCollection> items;
    combo->get_Items(items.put());
    int32_t n = 0;
    items->get_Count(&n);
    QStringList out;
    for (int32_t i = 0; i < n; ++i) {
        ComPtr<IComboItem> item;
        items->get_Item(i, item.put());
        Bstr c;
        item->get_Content(c.put());
        out << c.toQString();
    }
    return out;
}

int32_t longOf(ICombo *c, HRESULT (ICombo::*g)(int32_t *))
{
    int32_t v = -12345;
    (c->*g)(&v);
    return v;
}

QString textOf(ICombo *c, HRESULT (ICombo::*g)(BSTR *))
{
    Bstr s;
    (c->*g)(s.put());
    return s.toQString();
}

uint32_t le32(const std::vector<uint8_t> &b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

} // namespace

class ComboPersistTest : public ComboTest {
protected:
    // A combo as the customer dialog fills it, with some settings changed.
    void fill()
    {
        initNew();
        addItem(QStringLiteral("2023年度"));
        addItem(QStringLiteral("2024年度"));
        addItem(QStringLiteral("本社"));
        m_combo->put_AutoSelect(VARIANT_TRUE);
        m_combo->put_ListBoxStyle(3);
        m_combo->put_MaxDropDownItems(12);
        m_combo->put_DropDownWidth(90);
        m_combo->put_BackColor(0x00336699);
        m_combo->put_MarginLeft(4);
        Bstr value(QStringLiteral("")), prompt(QStringLiteral("#")), lookup(QStringLiteral("a;b"));
        m_combo->put_Value(value.get());
        m_combo->put_PromptChar(prompt.get());
        m_combo->put_LookupTable(lookup.get());
        ComPtr<ISpin> spin;
        m_combo->get_Spin(spin.put());
        spin->put_Visible(zoShowAlways);
        spin->put_Delay(250);
        ComPtr<ICaptionDisp> caption;
        m_combo->get_Caption(caption.put());
        Bstr text(QStringLiteral("支店(&S)"));
        caption->put_Text(text.get());
        ComPtr<IKey> key;
        m_combo->get_Key(key.put());
        key->Add(KeyActionNext, win::VK_DOWN, 0);
    }

    void expectFilled(ICombo *c)
    {
        EXPECT_EQ(contents(c), (QStringList{QStringLiteral("2023年度"), QStringLiteral("2024年度"), QStringLiteral("本社")}));
        VARIANT_BOOL autoSelect = 0;
        c->get_AutoSelect(&autoSelect);
        EXPECT_EQ(autoSelect, VARIANT_TRUE);
        EXPECT_EQ(longOf(c, &ICombo::get_ListBoxStyle), 3);
        EXPECT_EQ(longOf(c, &ICombo::get_MaxDropDownItems), 12);
        EXPECT_EQ(longOf(c, &ICombo::get_DropDownWidth), 90);
        EXPECT_EQ(longOf(c, &ICombo::get_SortOrder), 2);
        OLE_COLOR back = 0;
        c->get_BackColor(&back);
        EXPECT_EQ(back, 0x00336699u);
        int16_t margin = 0;
        c->get_MarginLeft(&margin);
        EXPECT_EQ(margin, 4);
        EXPECT_EQ(textOf(c, &ICombo::get_Value), QStringLiteral(""));
        EXPECT_EQ(textOf(c, &ICombo::get_PromptChar), QStringLiteral("#"));
        EXPECT_EQ(textOf(c, &ICombo::get_LookupTable), QStringLiteral("a;b"));
        Bstr text;
        c->get_Text(text.put());
        EXPECT_TRUE(text.isNull());
        ComPtr<ISpin> spin;
        c->get_Spin(spin.put());
        int32_t v = 0;
        spin->get_Delay(&v);
        EXPECT_EQ(v, 250);
        spin->get_Visible(&v);
        EXPECT_EQ(v, zoShowAlways);
        ComPtr<IDropDown> dd;
        c->get_DropDown(dd.put());
        dd->get_Visible(&v);
        EXPECT_EQ(v, zoShowAlways);
        ComPtr<ICaptionDisp> caption;
        c->get_Caption(caption.put());
        Bstr ct;
        caption->get_Text(ct.put());
        EXPECT_EQ(ct.toQString(), QStringLiteral("支店(&S)"));
        ComPtr<IKey> key;
        c->get_Key(key.put());
        ComPtr<IKeyAssignment> ka;
        key->QueryInterface(IID_IKeyAssignment, ka.putVoid());
        EXPECT_EQ(ka->IsBound(KeyActionNext, win::VK_DOWN, 0), S_OK);
        // The loaded control watches its loaded objects.
        auto *combo = static_cast<zoCombo *>(c);
        EXPECT_EQ(combo->hookCount(), 5);
        for (int32_t id : {1000, -512, 1001, 1002, 1})
            EXPECT_TRUE(combo->isHooked(id)) << id;
    }
};

TEST_F(ComboPersistTest, StreamRoundTripKeepsItemsSettingsAndSelection)
{
    fill();
    const auto bytes = saveStream(m_combo.get());
    ComPtr<ICombo> copy = newCombo();
    ASSERT_EQ(loadStream(copy.get(), bytes), S_OK);
    expectFilled(copy.get());
    // The loaded items are the control's: they can be selected, and the
    // selection goes to the window with them.
    ComPtr<IComboItemCollection> items;
    copy->get_Items(items.put());
    ComPtr<IComboItem> third;
    items->get_Item(2, third.put());
    EXPECT_EQ(copy->put_SelectedItem(third.get()), S_OK);
    int32_t index = -1;
    copy->get_SelectedIndex(&index);
    EXPECT_EQ(index, 2);
    // And an item change of the loaded collection still reaches the control.
    auto *loaded = static_cast<zoCombo *>(copy.get());
    EXPECT_EQ(loaded->IsDirty(), S_FALSE);
    Bstr changed(QStringLiteral("x"));
    third->put_Content(changed.get());
    EXPECT_EQ(loaded->IsDirty(), S_OK);
}

TEST_F(ComboPersistTest, StreamStartsWithVersionExtentAndTheCaption)
{
    initNew();
    const auto bytes = saveStream(m_combo.get());
    ASSERT_GT(bytes.size(), 28u);
    EXPECT_EQ(le32(bytes, 0), uint32_t(kComboStreamVersion));
    EXPECT_EQ(le32(bytes, 4), uint32_t(win::PixelsToHimetric(80)));
    EXPECT_EQ(le32(bytes, 8), uint32_t(win::PixelsToHimetric(33)));
    // The caption object: its class id first.
    EXPECT_EQ(le32(bytes, 12), CLSID_Caption.Data1);
    // The last object is the item collection, ending with the null class id.
    std::vector<uint8_t> tail(bytes.end() - 16, bytes.end());
    EXPECT_EQ(tail, std::vector<uint8_t>(16, 0));
}

TEST_F(ComboPersistTest, BagRoundTripWithNamedValuesAndNestedObjects)
{
    fill();
    ComPtr<IPersistPropertyBag> pb;
    ASSERT_EQ(m_combo->QueryInterface(IID_IPersistPropertyBag, pb.putVoid()), S_OK);
    ComPtr<PropertyBag> bag(new PropertyBag);
    ASSERT_EQ(pb->Save(bag.get(), true, true), S_OK);
    const QStringList names = bag->names();
    ASSERT_GE(names.size(), 60);
    EXPECT_EQ(names.mid(0, 6), (QStringList{QStringLiteral("_Version"), QStringLiteral("_ExtentX"),
                                            QStringLiteral("_ExtentY"), QStringLiteral("Caption"),
                                            QStringLiteral("Font"), QStringLiteral("Keys")}));
    EXPECT_EQ(names.last(), QStringLiteral("Items"));
    EXPECT_FALSE(names.contains(QStringLiteral("MouseIcon"))); // none set
    EXPECT_EQ(bag->find(QStringLiteral("DropdownStyle"))->value.vt, VT_I2);
    EXPECT_EQ(bag->find(QStringLiteral("DescWidth"))->value.vt, VT_I4);
    EXPECT_EQ(bag->find(QStringLiteral("DropWidthHasset"))->value.vt, VT_BOOL);
    EXPECT_EQ(bag->find(QStringLiteral("Shadow"))->value.vt, VT_I2);
    EXPECT_TRUE(bag->find(QStringLiteral("Items"))->isObject);

    ComPtr<ICombo> copy = newCombo();
    ComPtr<IPersistPropertyBag> pc;
    copy->QueryInterface(IID_IPersistPropertyBag, pc.putVoid());
    ASSERT_EQ(pc->Load(bag.get(), nullptr), S_OK);
    expectFilled(copy.get());
}

TEST_F(ComboPersistTest, WindowDefinitionLoadsOverTheDefaults)
{
    setSite(true);
    ComPtr<PropertyBag> bag(new PropertyBag);
    bag->setValue(QStringLiteral("DropdownStyle"), Variant::i2(1));
    bag->setValue(QStringLiteral("SortOrder"), Variant::i2(2));
    bag->setValue(QStringLiteral("Value"), Variant::str(QString()));
    // The host loads the definition without InitNew.
    ComPtr<IPersistPropertyBag> pb;
    m_combo->QueryInterface(IID_IPersistPropertyBag, pb.putVoid());
    ASSERT_EQ(pb->Load(bag.get(), nullptr), S_OK);
    EXPECT_EQ(textOf(m_combo.get(), &ICombo::get_Value), QStringLiteral(""));
    EXPECT_EQ(longOf(m_combo.get(), &ICombo::get_Style), 1);
    EXPECT_EQ(longOf(m_combo.get(), &ICombo::get_MaxDropDownItems), 8);
    EXPECT_EQ(longOf(m_combo.get(), &ICombo::get_ListBoxStyle), 2);
    EXPECT_EQ(control().hookCount(), 5);
    // The defaults of a new control are there: the drop-down button and a font.
    ComPtr<IDropDown> dd;
    m_combo->get_DropDown(dd.put());
    int32_t visible = 0;
    dd->get_Visible(&visible);
    EXPECT_EQ(visible, zoShowAlways);
    ComPtr<IDispatch> font;
    m_combo->get_Font(font.put());
    EXPECT_TRUE(font);
    // The items added afterwards still reach the window.
    addItem(QStringLiteral("a"));
    ASSERT_NE(createWindow(), 0u);
    ASSERT_NE(ryx().collection, nullptr);
}

TEST_F(ComboPersistTest, CorruptDataFailsAndChangesNothing)
{
    fill();
    const auto bytes = saveStream(m_combo.get());
    ComPtr<ICombo> target = newCombo();
    ComPtr<IPersistStreamInit> init;
    target->QueryInterface(IID_IPersistStreamInit, init.putVoid());
    init->InitNew();
    target->put_Style(zoDropDownList);
    // Cut anywhere before the item collection (which ends cleanly after any
    // whole item, as old streams do): the load fails, nothing changes.
    ComPtr<IComboItemCollection> items;
    m_combo->get_Items(items.put());
    ComPtr<IPersistStream> itemsPersist;
    items->QueryInterface(IID_IPersistStream, itemsPersist.putVoid());
    ComPtr<IStream> itemsStream;
    CreateStreamOnHGlobal(nullptr, true, itemsStream.put());
    itemsPersist->Save(itemsStream.get(), false);
    const size_t itemsStart = bytes.size() - 16 - streamBytes(itemsStream.get()).size();
    for (size_t cut = 0; cut <= itemsStart + 16; cut += 5) {
        std::vector<uint8_t> shortBytes(bytes.begin(), bytes.begin() + long(cut));
        EXPECT_TRUE(FAILED(loadStream(target.get(), shortBytes))) << cut;
    }
    EXPECT_EQ(longOf(target.get(), &ICombo::get_Style), zoDropDownList);
    EXPECT_TRUE(contents(target.get()).isEmpty());
    EXPECT_EQ(static_cast<zoCombo *>(target.get())->hookCount(), 5);

    // An enumerated value out of its range is corrupt, too.
    ComPtr<PropertyBag> bag(new PropertyBag);
    ComPtr<IPersistPropertyBag> pb;
    m_combo->QueryInterface(IID_IPersistPropertyBag, pb.putVoid());
    pb->Save(bag.get(), true, true);
    bag->setValue(QStringLiteral("DropdownStyle"), Variant::i2(7));
    ComPtr<IPersistPropertyBag> tb;
    target->QueryInterface(IID_IPersistPropertyBag, tb.putVoid());
    EXPECT_TRUE(FAILED(tb->Load(bag.get(), nullptr)));
    EXPECT_EQ(longOf(target.get(), &ICombo::get_Style), zoDropDownList);
    EXPECT_TRUE(contents(target.get()).isEmpty());
}

TEST_F(ComboPersistTest, MeasuredItemHeightIsPersisted)
{
    initNew();
    ASSERT_NE(createWindow(), 0u);
    const int32_t measured = longOf(m_combo.get(), &ICombo::get_ItemHeight);
    ASSERT_GT(measured, 0);
    ComPtr<ICombo> copy = newCombo();
    ASSERT_EQ(loadStream(copy.get(), saveStream(m_combo.get())), S_OK);
    EXPECT_EQ(longOf(copy.get(), &ICombo::get_ItemHeight), measured);
}

namespace {

// Stream forms written value by value.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes &i16(int v)
    {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
        return *this;
    }
    Bytes &i32(int64_t v)
    {
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(uint64_t(v) >> (8 * i)));
        return *this;
    }
    Bytes &str(const QString &s)
    {
        i32(s.size() * 2 + 2);
        for (QChar c : s)
            i16(c.unicode());
        return i16(0);
    }
    Bytes &guid(const CLSID &g)
    {
        i32(g.Data1).i16(g.Data2).i16(g.Data3);
        b.insert(b.end(), g.Data4, g.Data4 + 8);
        return *this;
    }
    // One item as the collection holds it: class id, then its values.
    Bytes &item(const QString &content, int indent = 0)
    {
        guid(CLSID_ComboItem).i32(0x10000).str(content).i32(0).i32(0).i32(0);
        i16(indent).i16(-1).i16(-1).i16(0).i16(0).i32(0x80000005).i32(0x80000008);
        return guid(CLSID{});
    }
};

QString takeErrorText()
{
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info)
        return QStringLiteral("<none>");
    Bstr source, description;
    info->GetSource(source.put());
    info->GetDescription(description.put());
    return source.toQString() + QLatin1Char('|') + description.toQString();
}

} // namespace

TEST_F(ComboPersistTest, ABagValueThatIsThereButCannotBeTakenFailsTheWholeLoadAndIsNamed)
{
    // The control as the designer left it: three items, a drop-down list.
    fill();
    m_combo->put_Style(zoDropDownList);
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(m_combo->QueryInterface(IID_IPersistPropertyBag, persist.putVoid()), S_OK);

    const std::vector<uint8_t> twoGoodOneBad =
        Bytes().i32(0x10000).item("a").item("b").item("c", -3).guid(CLSID{}).b;
    std::vector<uint8_t> cut = Bytes().i32(0x10000).item("a").item("b").item("c").b;
    cut.resize(cut.size() - 30);
    std::vector<uint8_t> oddCount = Bytes().i32(0x10000).item("a").b;
    oddCount[4 + 16 + 4] = 3; // the first item's Content count
    Bytes negative;
    negative.i32(0x10000).guid(CLSID_ComboItem).i32(0x10000).i32(-2);
    const std::vector<uint8_t> foreign = Bytes().i32(0x10000).guid(CLSID_Caption).i32(0).b;
    auto items = [](std::vector<uint8_t> blob) {
        return [blob](PropertyBag &b) {
            ComPtr<PropertyBag> nested(new PropertyBag);
            nested->setValue(QStringLiteral("_Version"), Variant::i4(0x10000));
            nested->setObjectBytes(QStringLiteral("Blob"), CLSID_ComboItemCollection, blob);
            b.setObjectBag(QStringLiteral("Items"), CLSID_ComboItemCollection, nested);
        };
    };
    auto object = [](const char *name, const CLSID &clsid, std::vector<uint8_t> bytes) {
        return [=](PropertyBag &b) { b.setObjectBytes(QLatin1String(name), clsid, bytes); };
    };
    auto value = [](const char *name, Variant v) {
        return [=](PropertyBag &b) { b.setValue(QLatin1String(name), v); };
    };
    const struct {
        const char *what;
        std::function<void(PropertyBag &)> damage;
        QString property, value;
    } cases[] = {
        {"two good items before an Indent of -3", items(twoGoodOneBad), "Items.Item(3).Indent", "-3"},
        {"truncated item blob", items(cut), "Items.Item(3).Visible", "(データが途中で終わっています)"},
        {"odd string count", items(oddCount), "Items.Item(1).Content", "(文字列の長さ 3 バイト)"},
        {"negative string count", items(negative.b), "Items.Item(1).Content", "(文字列の長さ 4294967294 バイト)"},
        {"foreign class id", items(foreign), "Items.Item(1)",
         QStringLiteral("(項目ではないクラス %1)").arg(CLSID_Caption.toString())},
        {"Spin.Visible 9", object("Spin", CLSID_Spin, Bytes().i32(250).i32(-1).i32(1).i32(0).i32(9).i32(0).i32(0).b),
         "Spin.Visible", "9"},
        {"DropDown.Position -4", object("DropDown", CLSID_DropDown, Bytes().i32(-1).i32(-4).i32(1).b),
         "DropDown.Position", "-4"},
        {"Keys.Count -5", object("Keys", CLSID_Key, Bytes().i32(24).i32(-5).b), "Keys.Count", "-5"},
        {"Keys.Count 2,000,000,000", object("Keys", CLSID_Key, Bytes().i32(24).i32(2000000000).b), "Keys.Count",
         "2000000000"},
        {"a key binding with key code 0", object("Keys", CLSID_Key, Bytes().i32(24).i32(1).i32(3).i32(0).i32(0).b),
         "Keys.KeyCode0", "0"},
        {"a truncated spin", object("Spin", CLSID_Spin, Bytes().i32(250).i32(-1).b), "Spin.Increment",
         "(データが途中で終わっています)"},
        {"a text for a number", value("DropdownStyle", Variant::str(QStringLiteral("abc"))), "DropdownStyle", "\"abc\""},
        {"MaxDropdownItems 0", value("MaxDropdownItems", Variant::i4(0)), "MaxDropdownItems", "0"},
        {"Format of 300 characters", value("Format", Variant::str(QString(300, u'9'))), "Format",
         QStringLiteral("\"%1…\"（300 文字）").arg(QString(40, u'9'))},
        {"Format 999-{{{", value("Format", Variant::str(QStringLiteral("999-{{{"))), "Format", "\"999-{{{\""},
        {"PromptChar ab", value("PromptChar", Variant::str(QStringLiteral("ab"))), "PromptChar", "\"ab\""},
        {"PromptChar 漢", value("PromptChar", Variant::str(QStringLiteral("漢"))), "PromptChar", "\"漢\""},
        {"Value of 70,000 bytes", value("Value", Variant::str(QString(70000, u'a'))), "Value",
         QStringLiteral("\"%1…\"（70000 文字）").arg(QString(40, u'a'))},
        {"Text of 35,000 double-byte characters", value("Text", Variant::str(QString(35000, u'漢'))), "Text",
         QStringLiteral("\"%1…\"（35000 文字）").arg(QString(40, u'漢'))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ComPtr<PropertyBag> bag(new PropertyBag);
        ASSERT_EQ(persist->Save(bag.get(), false, true), S_OK);
        c.damage(*bag);
        SetErrorInfo(0, nullptr);
        EXPECT_TRUE(FAILED(persist->Load(bag.get(), nullptr)));
        EXPECT_EQ(takeErrorText(),
                  QStringLiteral("Brenwold.Combo7.7|プロパティ %1 の値 %2 は読み込めません。").arg(c.property, c.value));
        // Nothing changed, and saving again keeps the three items.
        EXPECT_EQ(longOf(m_combo.get(), &ICombo::get_Style), zoDropDownList);
        EXPECT_EQ(textOf(m_combo.get(), &ICombo::get_PromptChar), QStringLiteral("#"));
        ComPtr<ICombo> copy = newCombo();
        ASSERT_EQ(loadStream(copy.get(), saveStream(m_combo.get())), S_OK);
        EXPECT_EQ(contents(copy.get()).size(), 3);
    }
    // Values the puts take load as well.
    ComPtr<PropertyBag> fine(new PropertyBag);
    fine->setValue(QStringLiteral("Format"), Variant::str(QStringLiteral("999-9999")));
    fine->setValue(QStringLiteral("PromptChar"), Variant::str(QStringLiteral("_")));
    fine->setValue(QStringLiteral("Value"), Variant::str(QString(65535, u'a')));
    ASSERT_EQ(persist->Load(fine.get(), nullptr), S_OK);
    EXPECT_EQ(textOf(m_combo.get(), &ICombo::get_Format), QStringLiteral("999-9999"));
}

TEST_F(ComboPersistTest, PutsWithoutAWindowRefuseWhatTheWindowWouldRefuse)
{
    initNew();
    const struct {
        HRESULT (ICombo::*put)(BSTR);
        QString text;
    } refused[] = {
        {&ICombo::put_Format, QStringLiteral("999-{{{")},
        {&ICombo::put_Format, QString(300, u'9')},
        {&ICombo::put_PromptChar, QStringLiteral("ab")},
        {&ICombo::put_PromptChar, QStringLiteral("漢")},
        {&ICombo::put_PromptChar, QStringLiteral("\t")},
        {&ICombo::put_Value, QString(70000, u'a')},
        {&ICombo::put_Text, QString(35000, u'漢')},
    };
    for (const auto &r : refused) {
        Bstr text(r.text);
        EXPECT_EQ((m_combo.get()->*r.put)(text.get()), CTL_E_INVALIDPROPERTYVALUE) << r.text.left(10).toStdString();
    }
    EXPECT_EQ(textOf(m_combo.get(), &ICombo::get_Format), QStringLiteral(""));
    Bstr longest(QString(65535, u'a'));
    EXPECT_EQ(m_combo->put_Value(longest.get()), S_OK);
}
