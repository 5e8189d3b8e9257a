// zobase7's sub-objects: members and their ranges, change notifications,
// stream and bag persistence (with corrupted streams), key bindings and the
// caption painter's geometry.
#include "zobase7/SubObjects.h"

#include "platform/com/stream.h"
#include "platform/win/gdi.h"

#include <gtest/gtest.h>

using namespace zobase7;
using namespace platform::com;
namespace win = platform::win;

namespace {

template <class I>
ComPtr<I> create(const CLSID &clsid, const IID &iid)
{
    ComPtr<IClassFactory> f;
    EXPECT_EQ(getSubObjectClassObject(clsid, IID_IClassFactory, f.putVoid()), S_OK);
    ComPtr<I> out;
    EXPECT_EQ(f->CreateInstance(nullptr, iid, out.putVoid()), S_OK);
    return out;
}

std::vector<uint8_t> save(IUnknown *o)
{
    ComPtr<IPersistStreamInit> p;
    EXPECT_EQ(o->QueryInterface(IID_IPersistStreamInit, p.putVoid()), S_OK);
    ComPtr<IStream> s;
    CreateStreamOnHGlobal(nullptr, true, s.put());
    EXPECT_EQ(p->Save(s.get(), true), S_OK);
    return streamBytes(s.get());
}

HRESULT load(IUnknown *o, const std::vector<uint8_t> &bytes)
{
    ComPtr<IPersistStreamInit> p;
    o->QueryInterface(IID_IPersistStreamInit, p.putVoid());
    ComPtr<IStream> s = streamFromBytes(bytes);
    return p->Load(s.get());
}

class Recorder final : public IPropertyNotifySink {
public:
    std::vector<DISPID> changes;
    HRESULT QueryInterface(const IID &iid, void **o) override
    {
        if (iid == IID_IUnknown || iid == IID_IPropertyNotifySink) {
            *o = this;
            return S_OK;
        }
        *o = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT OnChanged(DISPID id) override { changes.push_back(id); return S_OK; }
    HRESULT OnRequestEdit(DISPID) override { return S_OK; }
};

uint32_t advise(IUnknown *o, IPropertyNotifySink *sink)
{
    ComPtr<IConnectionPointContainer> cpc;
    EXPECT_EQ(o->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid()), S_OK);
    ComPtr<IConnectionPoint> cp;
    EXPECT_EQ(cpc->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
    uint32_t cookie = 0;
    EXPECT_EQ(cp->Advise(sink, &cookie), S_OK);
    return cookie;
}

} // namespace

TEST(SpinObject, DefaultsRangesAndChangeNotifications)
{
    Recorder r; // outlives the spin, which still holds it when it goes
    auto spin = create<ISpin>(CLSID_Spin, IID_ISpin);
    int32_t v = -1;
    VARIANT_BOOL b = 0;
    int16_t inc = 0;
    spin->get_Visible(&v);
    EXPECT_EQ(v, zoNotShown);
    spin->get_Enabled(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    spin->get_Increment(&inc);
    EXPECT_EQ(inc, 1);

    advise(spin.get(), &r);
    EXPECT_EQ(spin->put_Visible(3), E_INVALIDARG);
    EXPECT_EQ(spin->put_Position(2), E_INVALIDARG);
    EXPECT_EQ(spin->put_Delay(-1), E_INVALIDARG);
    EXPECT_TRUE(r.changes.empty());
    EXPECT_EQ(spin->put_Visible(zoShowAlways), S_OK);
    EXPECT_EQ(spin->put_Wrap(1), S_OK); // any non-zero is True
    spin->get_Wrap(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    EXPECT_EQ(r.changes, (std::vector<DISPID>{DISPID_SPIN_VISIBLE, DISPID_SPIN_WRAP}));
}

TEST(SpinObject, StreamRoundTripAndCorruptStreamsChangeNothing)
{
    auto spin = create<ISpin>(CLSID_Spin, IID_ISpin);
    spin->put_Delay(250);
    spin->put_Increment(-5);
    spin->put_Position(zoSpinPosOutside);
    spin->put_Visible(zoShowOnFocus);
    spin->put_SpinKeys(0);
    const auto bytes = save(spin.get());
    EXPECT_EQ(bytes.size(), 7u * 4u);

    auto copy = create<ISpin>(CLSID_Spin, IID_ISpin);
    ASSERT_EQ(load(copy.get(), bytes), S_OK);
    int32_t v = 0;
    int16_t inc = 0;
    VARIANT_BOOL keys = -1;
    copy->get_Delay(&v);
    EXPECT_EQ(v, 250);
    copy->get_Increment(&inc);
    EXPECT_EQ(inc, -5);
    copy->get_Position(&v);
    EXPECT_EQ(v, zoSpinPosOutside);
    copy->get_Visible(&v);
    EXPECT_EQ(v, zoShowOnFocus);
    copy->get_SpinKeys(&keys);
    EXPECT_EQ(keys, VARIANT_FALSE);

    // A short stream and an out-of-range Visible both fail and keep the object.
    auto fresh = create<ISpin>(CLSID_Spin, IID_ISpin);
    std::vector<uint8_t> shortBytes(bytes.begin(), bytes.begin() + 10);
    EXPECT_TRUE(FAILED(load(fresh.get(), shortBytes)));
    std::vector<uint8_t> bad = bytes;
    bad[16] = 9; // Visible
    EXPECT_TRUE(FAILED(load(fresh.get(), bad)));
    fresh->get_Delay(&v);
    EXPECT_EQ(v, 100);
    fresh->get_Visible(&v);
    EXPECT_EQ(v, zoNotShown);
}

TEST(DropDownObject, BagRoundTripKeepsSettings)
{
    auto dd = create<IDropDown>(CLSID_DropDown, IID_IDropDown);
    dd->put_Visible(zoShowAlways);
    dd->put_Position(zoDropPosOutside);
    dd->put_Enabled(0);
    ComPtr<IPersistPropertyBag> pb;
    ASSERT_EQ(dd->QueryInterface(IID_IPersistPropertyBag, pb.putVoid()), S_OK);
    ComPtr<PropertyBag> bag(new PropertyBag);
    ASSERT_EQ(pb->Save(bag.get(), true, true), S_OK);
    EXPECT_EQ(bag->names(), (QStringList{QStringLiteral("Enabled"), QStringLiteral("Position"), QStringLiteral("Visible")}));

    auto copy = create<IDropDown>(CLSID_DropDown, IID_IDropDown);
    ComPtr<IPersistPropertyBag> pc;
    copy->QueryInterface(IID_IPersistPropertyBag, pc.putVoid());
    ASSERT_EQ(pc->Load(bag.get(), nullptr), S_OK);
    int32_t v = 0;
    VARIANT_BOOL e = -1;
    copy->get_Visible(&v);
    EXPECT_EQ(v, zoShowAlways);
    copy->get_Position(&v);
    EXPECT_EQ(v, zoDropPosOutside);
    copy->get_Enabled(&e);
    EXPECT_EQ(e, VARIANT_FALSE);
}

TEST(CaptionObject, MnemonicRectangleAndNonClientAdjustment)
{
    auto cap = create<ICaptionDisp>(CLSID_Caption, IID_ICaptionDisp);
    ComPtr<ICaptionPainter> painter;
    ASSERT_EQ(cap->QueryInterface(IID_ICaptionPainter, painter.putVoid()), S_OK);
    int32_t m = 0;
    painter->GetMnemonic(&m);
    EXPECT_EQ(m, -1);
    Bstr text(QStringLiteral("A&&B &Name"));
    cap->put_Text(text.get());
    painter->GetMnemonic(&m);
    EXPECT_EQ(m, 'N');

    const win::RECT bounds{0, 0, 200, 30};
    win::RECT r{};
    painter->GetCaptionRect(&bounds, &r);
    EXPECT_EQ(r.right - r.left, 0); // size 0: no caption area
    cap->put_Size(60);
    painter->GetCaptionRect(&bounds, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 60);
    win::RECT client = bounds;
    painter->AdjustRect(&client);
    EXPECT_EQ(client.left, 60);
    EXPECT_EQ(client.right, 200);

    cap->put_Position(zoCaptPosTop);
    cap->put_Size(12);
    client = bounds;
    painter->AdjustRect(&client);
    EXPECT_EQ(client.top, 12);
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(cap->put_Position(4), E_INVALIDARG);

    // Text and settings survive a stream round trip.
    auto copy = create<ICaptionDisp>(CLSID_Caption, IID_ICaptionDisp);
    ASSERT_EQ(load(copy.get(), save(cap.get())), S_OK);
    Bstr back;
    copy->get_Text(back.put());
    EXPECT_EQ(back.toQString(), QStringLiteral("A&&B &Name"));
    int32_t pos = 0;
    copy->get_Position(&pos);
    EXPECT_EQ(pos, zoCaptPosTop);
}

TEST(KeyObject, BindingsTranslateAndQuery)
{
    auto key = create<IKey>(CLSID_Key, IID_IKey);
    ComPtr<IKeyAssignment> ka;
    ASSERT_EQ(key->QueryInterface(IID_IKeyAssignment, ka.putVoid()), S_OK);
    int32_t n = -1, action = 0;
    key->get_Count(&n);
    EXPECT_EQ(n, 0);
    ka->Translate(0x0D, 0, &action);
    EXPECT_EQ(action, -1);

    // Options give the defaults to an empty object.
    ka->SetOptions(0x08 | 0x10);
    key->get_Count(&n);
    EXPECT_EQ(n, 3);
    ka->Translate(0x0D, 0, &action);
    EXPECT_EQ(action, KeyActionNextField);
    ka->Translate(0x0D, 1, &action);
    EXPECT_EQ(action, KeyActionPrevField);
    ka->Translate(0x2E, 2, &action);
    EXPECT_EQ(action, KeyActionClear);

    EXPECT_EQ(key->Add(5, 0x41, 0), E_INVALIDARG);
    EXPECT_EQ(key->Add(1, 0, 0), E_INVALIDARG);
    EXPECT_EQ(key->Add(1, 0x41, 8), E_INVALIDARG);
    EXPECT_EQ(key->Add(KeyActionNext, 0x28, 0), S_OK);
    EXPECT_EQ(key->Add(KeyActionNext, 0x28, 0), S_FALSE);
    EXPECT_EQ(key->Add(KeyActionNextField, 0x28, 0), S_OK);
    ka->Translate(0x28, 0, &action);
    EXPECT_EQ(action, KeyActionNext); // first binding wins
    EXPECT_EQ(ka->IsBound(KeyActionNextField, 0x28, 0), S_OK);
    EXPECT_EQ(ka->IsBound(KeyActionPrev, 0x28, 0), S_FALSE);
    EXPECT_EQ(key->Remove(KeyActionNext, 0x28, 0), S_OK);
    EXPECT_EQ(key->Remove(KeyActionNext, 0x28, 0), S_FALSE);
    ka->Translate(0x28, 0, &action);
    EXPECT_EQ(action, KeyActionNextField);

    // Setting options again does not overwrite bindings the object holds.
    key->Clear();
    key->Add(KeyActionClear, 0x1B, 0);
    ka->SetOptions(0x08);
    key->get_Count(&n);
    EXPECT_EQ(n, 1);
}

TEST(KeyObject, PersistsBindingsAndRefusesHugeCounts)
{
    auto key = create<IKey>(CLSID_Key, IID_IKey);
    key->Add(KeyActionNext, 0x28, 0);
    key->Add(KeyActionPrev, 0x26, 1);
    const auto bytes = save(key.get());
    ASSERT_EQ(bytes.size(), 4u + 4u + 2u * 12u);

    auto copy = create<IKey>(CLSID_Key, IID_IKey);
    ASSERT_EQ(load(copy.get(), bytes), S_OK);
    ComPtr<IKeyAssignment> ka;
    copy->QueryInterface(IID_IKeyAssignment, ka.putVoid());
    EXPECT_EQ(ka->IsBound(KeyActionPrev, 0x26, 1), S_OK);
    EXPECT_EQ(ka->IsBound(KeyActionNext, 0x28, 0), S_OK);

    std::vector<uint8_t> huge = bytes;
    huge[4] = 0xFF;
    huge[5] = 0xFF; // count 65535
    auto fresh = create<IKey>(CLSID_Key, IID_IKey);
    fresh->Add(KeyActionClear, 0x1B, 0);
    EXPECT_TRUE(FAILED(load(fresh.get(), huge)));
    int32_t n = 0;
    fresh->get_Count(&n);
    EXPECT_EQ(n, 1);

    // Bag form with names per binding.
    ComPtr<IPersistPropertyBag> pb;
    key->QueryInterface(IID_IPersistPropertyBag, pb.putVoid());
    ComPtr<PropertyBag> bag(new PropertyBag);
    ASSERT_EQ(pb->Save(bag.get(), true, true), S_OK);
    ASSERT_NE(bag->find(QStringLiteral("KeyCode1")), nullptr);
    auto fromBag = create<IKey>(CLSID_Key, IID_IKey);
    ComPtr<IPersistPropertyBag> pc;
    fromBag->QueryInterface(IID_IPersistPropertyBag, pc.putVoid());
    ASSERT_EQ(pc->Load(bag.get(), nullptr), S_OK);
    fromBag->get_Count(&n);
    EXPECT_EQ(n, 2);
}

TEST(SubObjectDispatch, MembersByName)
{
    auto spin = create<ISpin>(CLSID_Spin, IID_ISpin);
    Variant result;
    ASSERT_EQ(invokeByName(spin.get(), QStringLiteral("Increment"), DISPATCH_PROPERTYPUT, {Variant::i4(7)}, nullptr), S_OK);
    ASSERT_EQ(invokeByName(spin.get(), QStringLiteral("increment"), DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I2);
    EXPECT_EQ(result.iVal, 7);
    auto key = create<IKey>(CLSID_Key, IID_IKey);
    ASSERT_EQ(invokeByName(key.get(), QStringLiteral("Add"), DISPATCH_METHOD,
                           {Variant::i4(3), Variant::i4(0x0D), Variant::i4(0)}, nullptr), S_OK);
    Variant count;
    invokeByName(key.get(), QStringLiteral("Count"), DISPATCH_PROPERTYGET, {}, &count);
    EXPECT_EQ(count.lVal, 1);
}

TEST(CaptionObject, PaintsItsAreaAndTextOnly)
{
    auto cap = create<ICaptionDisp>(CLSID_Caption, IID_ICaptionDisp);
    ComPtr<ICaptionPainter> painter;
    ASSERT_EQ(cap->QueryInterface(IID_ICaptionPainter, painter.putVoid()), S_OK);
    Bstr text(QStringLiteral("WWW"));
    cap->put_Text(text.get());
    cap->put_Size(40);
    FONTDESC desc;
    desc.name = QStringLiteral("MS UI Gothic");
    ComPtr<IUnknown> font;
    ASSERT_EQ(OleCreateFontIndirect(desc, IID_IUnknown, font.putVoid()), S_OK);
    painter->Initialize(font.get(), 0x00FFFFFF, 0x00000000);

    const win::HDC screen = win::CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    const win::HDC dc = win::CreateCompatibleDC(screen);
    const win::HBITMAP bitmap = win::CreateCompatibleBitmap(screen, 120, 24);
    const win::HGDIOBJ old = win::SelectObject(dc, bitmap);
    const win::RECT all{0, 0, 120, 24};
    const win::HBRUSH red = win::CreateSolidBrush(0x0000FF);
    win::FillRect(dc, &all, red);
    const win::COLORREF marker = win::GetPixel(dc, 100, 10);
    ASSERT_EQ(painter->Paint(dc, &all), S_OK);
    int dark = 0, white = 0, outsideChanged = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 120; ++x) {
            const win::COLORREF c = win::GetPixel(dc, x, y);
            if (x < 40) {
                dark += c != 0xFFFFFF && c != marker;
                white += c == 0xFFFFFF;
            } else {
                outsideChanged += c != marker;
            }
        }
    EXPECT_GT(dark, 0);  // the text
    EXPECT_GT(white, 0); // the back colour
    EXPECT_EQ(outsideChanged, 0);
    win::SelectObject(dc, old);
    win::DeleteObject(bitmap);
    win::DeleteObject(red);
    win::DeleteDC(dc);
    win::DeleteDC(screen);
}
