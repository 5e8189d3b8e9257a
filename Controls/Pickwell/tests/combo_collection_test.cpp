// ComboItemCollection: adding, inserting, removing, sorting, numbering,
// owner notifications and persistence.
#include "PickwellTestSupport.h"

using namespace pickwell;
using namespace pickwell::testing;

using CollectionTest = PickwellTest;

TEST_F(CollectionTest, AnItemBelongsToOneCollectionOnce)
{
    ComPtr<IComboItemCollection> c = newCollection();
    ComPtr<IComboItem> item = newItem(QStringLiteral("a"));
    ASSERT_EQ(c->Add(item.get()), S_OK);
    EXPECT_EQ(c->Add(item.get()), E_FAIL);
    int32_t n = 0;
    c->get_Count(&n);
    EXPECT_EQ(n, 1);
    ComPtr<IComboItemCollection> other = newCollection();
    EXPECT_EQ(other->Add(item.get()), E_FAIL) << "it is contained elsewhere";
    VARIANT_BOOL has = 0;
    c->Contains(item.get(), &has);
    EXPECT_EQ(has, VARIANT_TRUE);
    other->Contains(item.get(), &has);
    EXPECT_EQ(has, VARIANT_FALSE);
    ComPtr<IComboItem> got;
    EXPECT_EQ(c->get_Item(1, got.put()), E_INVALIDARG);
    EXPECT_EQ(c->get_Item(-1, got.put()), E_INVALIDARG);
}

TEST_F(CollectionTest, SortsOrdinallyAndReSortsOnKeyChanges)
{
    ComPtr<IComboItemCollection> c = newCollection();
    ASSERT_EQ(c->SetSortInfo(zoDisplayMember, zoAsctime), S_OK);
    ComPtr<IComboItem> b = newItem(QStringLiteral("b"));
    c->Add(b.get());
    c->Add(newItem(QStringLiteral("B")).get());
    c->Add(newItem(QStringLiteral("a")).get());
    EXPECT_EQ(contents(c.get()), QStringList({"B", "a", "b"}));
    ComPtr<IComboItem> first;
    c->get_Item(0, first.put());
    Bstr z(QStringLiteral("z"));
    first->put_Content(z.get());
    EXPECT_EQ(contents(c.get()), QStringList({"a", "b", "z"}));
    // Insertion numbers stay with the items.
    EXPECT_EQ(indexes(c.get()), QList<int32_t>({3, 1, 2}));

    ASSERT_EQ(c->SetSortInfo(zoDisplayMember, zoDescending), S_OK);
    EXPECT_EQ(contents(c.get()), QStringList({"z", "b", "a"}));
    ASSERT_EQ(c->SetSortInfo(zoDisplayMember, zoNone), S_OK);
    EXPECT_EQ(contents(c.get()), QStringList({"b", "z", "a"})) << "insertion order again";

    // A prefix comes first; the comparison is by code unit.
    c->SetSortInfo(zoDisplayMember, zoAsctime);
    c->Add(newItem(QStringLiteral("ab")).get());
    c->Add(newItem(QStringLiteral("あ")).get());
    EXPECT_EQ(contents(c.get()), QStringList({"a", "ab", "b", "z", "あ"}));
}

TEST_F(CollectionTest, NullValuesSortBeforeEmptyOnes)
{
    ComPtr<IComboItemCollection> c = newCollection();
    c->SetSortInfo(zoValueMember, zoAsctime);
    ComPtr<IComboItem> empty = newItem(QStringLiteral("empty"));
    Bstr e(QStringLiteral(""));
    empty->put_Value(e.get());
    ComPtr<IComboItem> x = newItem(QStringLiteral("x"));
    Bstr xv(QStringLiteral("x"));
    x->put_Value(xv.get());
    c->Add(x.get());
    c->Add(empty.get());
    c->Add(newItem(QStringLiteral("null")).get());
    EXPECT_EQ(contents(c.get()), QStringList({"null", "empty", "x"}));
    c->SetSortInfo(zoValueMember, zoDescending);
    EXPECT_EQ(contents(c.get()), QStringList({"x", "empty", "null"}));
}

TEST_F(CollectionTest, AddItemSortsWhileTheContentIsStillEmpty)
{
    ComPtr<IComboItemCollection> c = newCollection();
    c->SetSortInfo(zoDisplayMember, zoAsctime);
    c->Add(newItem(QStringLiteral("m")).get());
    Bstr content(QStringLiteral("z")), desc(QStringLiteral("d"));
    ASSERT_EQ(c->AddItem(nullptr, content.get(), desc.get()), S_OK);
    // Its Content was set after the Add, and re-sorted it into place.
    EXPECT_EQ(contents(c.get()), QStringList({"m", "z"}));
    ComPtr<IComboItem> added;
    c->get_Item(1, added.put());
    Bstr d;
    added->get_Description(d.put());
    EXPECT_EQ(d.toQString(), QStringLiteral("d"));
}

TEST_F(CollectionTest, SortSettingsBelongToEachCollection)
{
    ComPtr<IComboItemCollection> a = newCollection();
    a->SetSortInfo(zoDescriptionMember, zoDescending);
    ComPtr<IComboItemCollection> b = newCollection();
    auto *impl = static_cast<ComboItemCollection *>(a.get());
    EXPECT_EQ(impl->sortBy(), zoDescriptionMember) << "a new collection leaves the others alone";
    EXPECT_EQ(impl->sortOrder(), zoDescending);
    auto *implB = static_cast<ComboItemCollection *>(b.get());
    EXPECT_EQ(implB->sortBy(), zoDisplayMember);
    EXPECT_EQ(implB->sortOrder(), zoNone);
    b->Add(newItem(QStringLiteral("b")).get());
    b->Add(newItem(QStringLiteral("a")).get());
    EXPECT_EQ(contents(b.get()), QStringList({"b", "a"}));
}

TEST_F(CollectionTest, SortSettingsOutsideTheirRangeAreRefused)
{
    ComPtr<IComboItemCollection> c = newCollection();
    c->Add(newItem(QStringLiteral("b")).get());
    EXPECT_EQ(c->SetSortInfo(zoDisplayMember, 3), E_INVALIDARG);
    EXPECT_EQ(c->SetSortInfo(-1, zoAsctime), E_INVALIDARG);
    EXPECT_EQ(c->SetSortInfo(3, zoAsctime), E_INVALIDARG);
    // Adding still works under the kept settings.
    ASSERT_EQ(c->Add(newItem(QStringLiteral("a")).get()), S_OK);
    EXPECT_EQ(contents(c.get()), QStringList({"b", "a"}));
}

TEST_F(CollectionTest, RemovingRenumbersAndFreesTheItem)
{
    RecordingSink owner; // outlives the collection
    ComPtr<IComboItemCollection> c = newCollection();
    ComPtr<IComboItem> second = newItem(QStringLiteral("2"));
    c->Add(newItem(QStringLiteral("1")).get());
    c->Add(second.get());
    c->Add(newItem(QStringLiteral("3")).get());
    ASSERT_EQ(c->RemoveAt(1), S_OK);
    EXPECT_EQ(indexes(c.get()), QList<int32_t>({1, 2}));
    int32_t contained = 1;
    second->get_Contained(&contained);
    EXPECT_EQ(contained, 0);
    EXPECT_EQ(c->RemoveAt(2), E_INVALIDARG);
    ASSERT_EQ(c->Remove(second.get()), S_OK) << "removing an absent item succeeds";
    ComPtr<IComboItemCollection> other = newCollection();
    EXPECT_EQ(other->Add(second.get()), S_OK) << "a removed item is free again";

    // The renumbered sinks report the new numbers.
    connect(c.get(), &owner);
    ComPtr<IComboItem> last;
    c->get_Item(1, last.put());
    last->put_Enable(0);
    EXPECT_EQ(owner.calls, QStringList({"r5", "c-2"}));
}

TEST_F(CollectionTest, InsertUnderInsertionOrder)
{
    ComPtr<IComboItemCollection> c = newCollection();
    c->Add(newItem(QStringLiteral("a")).get());
    c->Add(newItem(QStringLiteral("b")).get());
    ComPtr<IComboItem> x = newItem(QStringLiteral("x"));
    ASSERT_EQ(c->Insert(0, x.get()), S_OK);
    EXPECT_EQ(contents(c.get()), QStringList({"x", "a", "b"}));
    EXPECT_EQ(indexes(c.get()), QList<int32_t>({1, 2, 3}));
    int32_t n = 0;
    c->get_Count(&n);
    EXPECT_EQ(c->Insert(n, newItem(QStringLiteral("y")).get()), E_INVALIDARG);
    EXPECT_EQ(c->Insert(-1, newItem(QStringLiteral("y")).get()), E_INVALIDARG);
    EXPECT_EQ(c->Insert(0, x.get()), E_FAIL);
    // Insert gives no default colours.
    c->put_DefaultForeColor(0xFF);
    ComPtr<IComboItem> y = newItem(QStringLiteral("y"));
    c->Insert(1, y.get());
    OLE_COLOR colour = 0;
    y->get_ForeColor(&colour);
    EXPECT_EQ(colour, 0xFFFFFFFFu);
}

TEST_F(CollectionTest, DefaultColoursFillOnlyUnsetColours)
{
    ComPtr<IComboItemCollection> c = newCollection();
    c->put_DefaultForeColor(0x000000FF);
    c->put_DefaultBackColor(0x8000000F);
    ComPtr<IComboItem> plain = newItem(QStringLiteral("p"));
    ComPtr<IComboItem> own = newItem(QStringLiteral("o"));
    own->put_ForeColor(0x00112233);
    c->Add(plain.get());
    c->Add(own.get());
    OLE_COLOR colour = 0;
    plain->get_ForeColor(&colour);
    EXPECT_EQ(colour, 0x000000FFu);
    plain->get_BackColor(&colour);
    EXPECT_EQ(colour, 0x8000000Fu);
    own->get_ForeColor(&colour);
    EXPECT_EQ(colour, 0x00112233u);
}

TEST_F(CollectionTest, ClearFreesTheItems)
{
    ComPtr<IComboItemCollection> c = newCollection();
    ComPtr<IComboItem> item = newItem(QStringLiteral("a"));
    c->Add(item.get());
    ASSERT_EQ(c->Clear(), S_OK);
    int32_t contained = 1, index = 0;
    item->get_Contained(&contained);
    item->get_Index(&index);
    EXPECT_EQ(contained, 0);
    EXPECT_EQ(index, -1);
    ComPtr<IComboItemCollection> other = newCollection();
    EXPECT_EQ(other->Add(item.get()), S_OK);
    // Releasing the collection frees its items too.
    other.reset();
    item->get_Contained(&contained);
    EXPECT_EQ(contained, 0);
}

TEST_F(CollectionTest, OwnerHearsTheChangeCodesInOrder)
{
    RecordingSink owner; // outlives the collection
    ComPtr<IComboItemCollection> c = newCollection();
    connect(c.get(), &owner);
    ComPtr<IComboItem> a = newItem(QStringLiteral("a"));
    c->Add(a.get());
    c->Add(newItem(QStringLiteral("b")).get());
    c->Insert(0, newItem(QStringLiteral("c")).get());
    Bstr t(QStringLiteral("t"));
    a->put_TooltipText(t.get()); // a is now Index 2
    c->RemoveAt(0);
    c->Clear();
    EXPECT_EQ(owner.calls, QStringList({"c1", "c1", "c5", "r8", "c-2", "c2", "c4"}));
    // Sorted inserts are adds first.
    owner.calls.clear();
    c->SetSortInfo(zoDisplayMember, zoAsctime);
    c->Add(newItem(QStringLiteral("q")).get());
    c->Insert(0, newItem(QStringLiteral("p")).get());
    EXPECT_EQ(owner.calls, QStringList({"c1", "c1", "c5"}));
}

TEST_F(CollectionTest, EnumeratorWalksACopy)
{
    ComPtr<IComboItemCollection> c = newCollection();
    c->Add(newItem(QStringLiteral("a")).get());
    c->Add(newItem(QStringLiteral("b")).get());
    ComPtr<IUnknown> unk;
    ASSERT_EQ(c->get_NewEnum(unk.put()), S_OK);
    ComPtr<IEnumVARIANT> e;
    ASSERT_EQ(unk->QueryInterface(IID_IEnumVARIANT, e.putVoid()), S_OK);
    c->Clear();
    Variant v;
    uint32_t n = 0;
    ASSERT_EQ(e->Next(1, &v, &n), S_OK);
    ASSERT_EQ(v.vt, VT_DISPATCH);
    Variant content;
    ASSERT_EQ(invokeByName(v.pdispVal, QStringLiteral("Content"), DISPATCH_PROPERTYGET, {}, &content), S_OK);
    EXPECT_EQ(content.toQString(), QStringLiteral("a"));
}

TEST_F(CollectionTest, MembersByNameThroughIDispatch)
{
    ComPtr<IComboItemCollection> c = newCollection();
    ComPtr<IComboItem> item = newItem(QStringLiteral("a"));
    Variant r;
    ASSERT_EQ(invokeByName(c.get(), QStringLiteral("add"), DISPATCH_METHOD, {Variant::dispatch(item.get())}, nullptr),
              S_OK);
    ASSERT_EQ(invokeByName(c.get(), QStringLiteral("Count"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.lVal, 1);
    ASSERT_EQ(invokeByName(c.get(), QStringLiteral("Item"), DISPATCH_PROPERTYGET, {Variant::i4(0)}, &r), S_OK);
    ASSERT_EQ(r.vt, VT_DISPATCH);
    ASSERT_EQ(invokeByName(c.get(), QStringLiteral("IndexOf"), DISPATCH_METHOD, {Variant::dispatch(item.get())}, &r),
              S_OK);
    EXPECT_EQ(r.lVal, 0);
    ASSERT_EQ(invokeByName(c.get(), QStringLiteral("AddItem"), DISPATCH_METHOD,
                           {Variant::dispatch(nullptr), Variant::str(QStringLiteral("b")),
                            Variant::str(QStringLiteral("d"))},
                           nullptr),
              S_OK);
    EXCEPINFO e;
    EXPECT_EQ(invokeByName(c.get(), QStringLiteral("RemoveAt"), DISPATCH_METHOD, {Variant::i4(9)}, nullptr, &e),
              DISP_E_EXCEPTION);
    EXPECT_EQ(e.scode, E_INVALIDARG);
    clearExcepInfo(&e);
    EXPECT_EQ(invokeByName(c.get(), QStringLiteral("SetSortInfo"), DISPATCH_METHOD, {Variant::i2(0), Variant::i2(7)},
                           nullptr, &e),
              DISP_E_EXCEPTION);
    clearExcepInfo(&e);
    ASSERT_EQ(invokeByName(c.get(), QStringLiteral("SelectedIndex"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.lVal, -1);
}

// ---- persistence

TEST_F(CollectionTest, StreamFormEndsWithTheNullClassId)
{
    ComPtr<IComboItemCollection> c = newCollection();
    std::vector<uint8_t> empty = saveToBytes(c.get());
    std::vector<uint8_t> expected = {0x00, 0x00, 0x01, 0x00};
    expected.insert(expected.end(), 16, 0);
    EXPECT_EQ(empty, expected);

    ComPtr<IComboItem> item = newItem(QStringLiteral("a"));
    c->Add(item.get());
    const std::vector<uint8_t> itemBytes = saveToBytes(item.get());
    std::vector<uint8_t> one = {0x00, 0x00, 0x01, 0x00,
                                0xBB, 0x24, 0x87, 0xCB, 0x1C, 0xE1, 0xD8, 0x45, 0xAF, 0x0C, 0x49, 0xC0, 0x4B, 0x13,
                                0x87, 0xDB};
    one.insert(one.end(), itemBytes.begin(), itemBytes.end());
    one.insert(one.end(), 16, 0);
    EXPECT_EQ(saveToBytes(c.get()), one);
}

TEST_F(CollectionTest, ItemsSurviveASaveAndLoadInsideALargerStream)
{
    ComPtr<IComboItemCollection> c = newCollection();
    c->put_DefaultBackColor(0x00ABCDEF);
    c->Add(newItem(QStringLiteral("one")).get());
    c->Add(newItem(QStringLiteral("two")).get());
    c->Add(newItem(QStringLiteral("three")).get());
    c->RemoveAt(0);
    c->Add(newItem(QStringLiteral("four")).get());
    // The collection followed by another value, as inside a control's stream.
    std::vector<uint8_t> bytes = saveToBytes(c.get());
    bytes.insert(bytes.end(), {0x34, 0x12, 0x00, 0x00});
    ComPtr<IStream> s = streamFromBytes(bytes);
    ComPtr<IComboItemCollection> back = newCollection();
    ComPtr<IPersistStream> p;
    back->QueryInterface(IID_IPersistStream, p.putVoid());
    ASSERT_EQ(p->Load(s.get()), S_OK);
    EXPECT_EQ(contents(back.get()), QStringList({"two", "three", "four"}));
    EXPECT_EQ(indexes(back.get()), QList<int32_t>({1, 2, 3}));
    int32_t next = 0;
    ASSERT_TRUE(readExact(s.get(), &next, 4));
    EXPECT_EQ(next, 0x1234) << "the value after the collection is where it was written";
    ComPtr<IComboItem> first;
    back->get_Item(0, first.put());
    OLE_COLOR colour = 0;
    first->get_BackColor(&colour);
    EXPECT_EQ(colour, 0x00ABCDEFu) << "saved colours come back";
}

TEST_F(CollectionTest, AStreamWithoutTerminatorStillLoads)
{
    ComPtr<IComboItemCollection> c = newCollection();
    c->Add(newItem(QStringLiteral("x")).get());
    c->Add(newItem(QStringLiteral("y")).get());
    std::vector<uint8_t> bytes = saveToBytes(c.get());
    bytes.resize(bytes.size() - 16); // as streams were written before the terminator
    ComPtr<IComboItemCollection> back = newCollection();
    ASSERT_EQ(loadFromBytes(back.get(), bytes), S_OK);
    EXPECT_EQ(contents(back.get()), QStringList({"x", "y"}));
}

TEST_F(CollectionTest, CorruptOrTruncatedStreamsLoadNothing)
{
    ComPtr<IComboItemCollection> c = newCollection();
    c->Add(newItem(QStringLiteral("x")).get());
    c->Add(newItem(QStringLiteral("y")).get());
    const std::vector<uint8_t> bytes = saveToBytes(c.get());
    const size_t firstItemEnd = 4 + 16 + saveToBytes(newItem(QStringLiteral("x")).get()).size();
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        ComPtr<IComboItemCollection> back = newCollection();
        const HRESULT hr = loadFromBytes(back.get(), part);
        int32_t n = -1;
        back->get_Count(&n);
        // Cut at an item boundary it is an old stream; anywhere else it fails whole.
        if (cut == 4 || cut == firstItemEnd || cut == bytes.size() - 16) {
            EXPECT_EQ(hr, S_OK) << cut;
        } else {
            EXPECT_TRUE(FAILED(hr)) << cut;
            EXPECT_EQ(n, 0) << cut;
        }
    }
    // An unknown class id fails without creating anything.
    std::vector<uint8_t> alien = bytes;
    alien[4] ^= 0xFF;
    ComPtr<IComboItemCollection> back = newCollection();
    EXPECT_TRUE(FAILED(loadFromBytes(back.get(), alien)));
    // A huge string count inside an item fails cleanly.
    std::vector<uint8_t> huge = bytes;
    huge[4 + 16 + 4] = 0xFE;
    huge[4 + 16 + 7] = 0x7F;
    EXPECT_TRUE(FAILED(loadFromBytes(back.get(), huge)));
    int32_t n = -1;
    back->get_Count(&n);
    EXPECT_EQ(n, 0);
}

TEST_F(CollectionTest, PropertyBagKeepsVersionAndBlobWithNestedItems)
{
    ComPtr<IComboItemCollection> c = newCollection();
    ComPtr<IComboItem> item = newItem(QStringLiteral("pic"));
    QImage img(2, 2, QImage::Format_ARGB32);
    img.fill(Qt::green);
    item->put_Image(createPicture(PICTYPE_ICON, img).get());
    c->Add(item.get());
    c->Add(newItem(QStringLiteral("plain")).get());

    // Saved as an object of an outer bag, as a control saves "Items".
    ComPtr<PropertyBag> outer(new PropertyBag);
    Variant v = Variant::unknown(c.get());
    ASSERT_EQ(outer->Write(u"Items", &v), S_OK);
    const PropertyBag::Entry *items = outer->find(QStringLiteral("Items"));
    ASSERT_TRUE(items && items->isObject && items->bag);
    EXPECT_EQ(items->clsid, CLSID_ComboItemCollection);
    EXPECT_EQ(items->bag->names(), QStringList({"_Version", "Blob"}));
    EXPECT_EQ(items->bag->find(QStringLiteral("_Version"))->value.lVal, 0x10000);
    EXPECT_EQ(items->bag->find(QStringLiteral("Blob"))->bytes, saveToBytes(c.get()));

    Variant read;
    read.vt = VT_UNKNOWN;
    ASSERT_EQ(outer->Read(u"Items", &read, nullptr), S_OK);
    ComPtr<IComboItemCollection> back;
    ASSERT_EQ(read.punkVal->QueryInterface(IID_IComboItemCollection, back.putVoid()), S_OK);
    EXPECT_NE(back.get(), c.get());
    EXPECT_EQ(contents(back.get()), QStringList({"pic", "plain"}));
    ComPtr<IComboItem> first;
    back->get_Item(0, first.put());
    ComPtr<IPicture> pic;
    ASSERT_EQ(first->get_Image(pic.put()), S_OK);
    QImage got;
    pic->getImage(&got);
    EXPECT_EQ(got.pixel(1, 1), img.pixel(1, 1));
}
