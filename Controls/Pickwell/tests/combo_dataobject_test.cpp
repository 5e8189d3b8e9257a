// The DataObject of the combo's drag-and-drop events: every error of its
// IVBDataObject side with its text, the source and target sides, the
// rendering of its entries through IDataObject (announced formats filled
// through OLESetData, text blocks sized for the ANSI text and its
// terminator, converted values stored as text), foreign blocks read within
// their size, and the control's own data object.
#include "ComboDragTestSupport.h"
#include "ComboTestSupport.h"

#include "platform/com/safearray.h"

using namespace pickwell;
using namespace pickwell::testing;

namespace {

namespace dd = platform::win;

// Owner of a source-side DataObject: counts OLESetData and may answer it.
class RecordingOwner final : public DataObjectOwner {
public:
    int fired = 0;
    int16_t format = 0;
    std::function<void(IDispatch *)> answer;
    void FireOLESetData(IDispatch **data, int16_t *f) override
    {
        ++fired;
        format = *f;
        if (answer)
            answer(*data);
    }
    IUnknown *OwnerIdentity() override { return nullptr; }
};

class DataObjectTest : public ComboTest {
protected:
    ComPtr<ComboDataObject> source(DataObjectOwner *owner = nullptr, dd::IDataObject *wrapped = nullptr)
    {
        return ComPtr<ComboDataObject>(ComboDataObject::create(false, wrapped, owner));
    }
    ComPtr<ComboDataObject> target(dd::IDataObject *wrapped)
    {
        return ComPtr<ComboDataObject>(ComboDataObject::create(true, wrapped, nullptr));
    }
    static QString text(uint32_t id) { return module().loadString(id); }
    static std::vector<dd::CLIPFORMAT> formats(dd::IDataObject *d)
    {
        std::vector<dd::CLIPFORMAT> out;
        ComPtr<dd::IEnumFORMATETC> e;
        if (FAILED(d->EnumFormatEtc(dd::DATADIR_GET, e.put())))
            return out;
        dd::FORMATETC f;
        while (e->Next(1, &f, nullptr) == S_OK)
            out.push_back(f.cfFormat);
        return out;
    }
    ComPtr<ForeignData> m_foreign{new ForeignData};
};

TEST_F(DataObjectTest, SetDataRefusesWhatItCannotHold)
{
    auto d = source();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->SetData(nullptr, nullptr), HRESULT(0x800A02A1));
    EXPECT_EQ(errorText(), text(8502));
    Variant missing = Variant::missing();
    EXPECT_EQ(d->SetData(&missing, &missing), HRESULT(0x800A02A1)) << "VT_ERROR counts as missing";
    Variant abc = Variant::str(QStringLiteral("abc")), two = Variant::i2(2);
    EXPECT_EQ(d->SetData(&abc, &two), HRESULT(0x800A02A3)) << "a value goes with format 1 only";
    EXPECT_TRUE(errorText().startsWith(QStringLiteral("ﾊﾞｲﾄ配列形式")));
    Variant one = Variant::i2(1), null = Variant::null();
    EXPECT_EQ(d->SetData(&null, &one), HRESULT(0x800A02A3)) << "a value that is no text";
    EXPECT_EQ(d->SetData(&null, nullptr), HRESULT(0x800A01CD));
    EXPECT_EQ(errorText(), text(8501));
    EXPECT_EQ(d->SetData(nullptr, &abc), DISP_E_TYPEMISMATCH) << "a format that is no number";
    EXPECT_FALSE(d->hasEntries()) << "nothing refused was stored";
    EXPECT_EQ(text(8503).right(2), QStringLiteral(" \n"));
}

TEST_F(DataObjectTest, SetDataEntriesAreListedNewestFirst)
{
    auto d = source();
    Variant seven = Variant::i4(7), two = Variant::i2(2), one = Variant::str(QStringLiteral("1"));
    Variant hi = Variant::str(QStringLiteral("hi"));
    ASSERT_EQ(d->SetData(nullptr, &seven), S_OK); // announced
    ASSERT_EQ(d->SetData(nullptr, &two), S_OK);
    ASSERT_EQ(d->SetData(&hi, &one), S_OK);
    EXPECT_EQ(formats(d.get()), (std::vector<dd::CLIPFORMAT>{1, 2, 7}));
    ComPtr<dd::IEnumFORMATETC> e;
    ASSERT_EQ(d->EnumFormatEtc(dd::DATADIR_GET, e.put()), S_OK);
    dd::FORMATETC f[3];
    ASSERT_EQ(e->Next(3, f, nullptr), E_POINTER) << "more than one needs a count";
    dd::ULONG n = 0;
    ASSERT_EQ(e->Next(3, f, &n), S_OK);
    EXPECT_EQ(f[0].tymed, dd::TYMED_HGLOBAL);
    EXPECT_EQ(f[1].tymed, dd::TYMED_GDI);
    EXPECT_EQ(f[1].lindex, -1);
    EXPECT_EQ(f[1].dwAspect, dd::DVASPECT_CONTENT);
    // Clear empties the list and the wrapped object goes.
    auto wrapped = source(nullptr, m_foreign.get());
    ASSERT_EQ(wrapped->Clear(), S_OK);
    EXPECT_EQ(wrapped->wrapped(), nullptr);
    EXPECT_EQ(d->Clear(), S_OK);
    EXPECT_FALSE(d->hasEntries());
    EXPECT_EQ(d->EnumFormatEtc(dd::DATADIR_GET, e.put()), E_NOTIMPL) << "nothing of its own, nothing wrapped";
}

TEST_F(DataObjectTest, TextWithoutAFormatIsRenderedAsText)
{
    auto d = source();
    Variant number = Variant::i4(42);
    ASSERT_EQ(d->SetData(&number, nullptr), S_OK);
    EXPECT_EQ(formats(d.get()), (std::vector<dd::CLIPFORMAT>{dd::CF_TEXT}));
    EXPECT_EQ(textOf(d.get()), QByteArray("42"));
    dd::FORMATETC f = FormatEtcOf(dd::CF_TEXT);
    EXPECT_EQ(d->QueryGetData(&f), S_OK);
}

TEST_F(DataObjectTest, TextBlocksHoldTheAnsiTextAndItsTerminator)
{
    auto d = source();
    Variant v = Variant::str(QString::fromUtf8("日本語"));
    ASSERT_EQ(d->SetData(&v, nullptr), S_OK);
    dd::FORMATETC f = FormatEtcOf(dd::CF_TEXT);
    dd::STGMEDIUM m;
    ASSERT_EQ(d->GetData(&f, &m), S_OK);
    EXPECT_EQ(m.tymed, dd::TYMED_HGLOBAL);
    EXPECT_EQ(m.pUnkForRelease, nullptr);
    ASSERT_EQ(GlobalSize(m.hGlobal), 7u) << "six CP932 bytes and the terminator";
    const char *p = static_cast<const char *>(GlobalLock(m.hGlobal));
    EXPECT_EQ(QByteArray(p, 7), ansi("日本語") + QByteArray(1, '\0'));
    GlobalUnlock(m.hGlobal);
    dd::ReleaseStgMedium(&m);
    // Text outside CP932 cannot be rendered.
    auto other = source();
    Variant emoji = Variant::str(QString::fromUtf8("\xF0\x9F\x98\x80"));
    ASSERT_EQ(other->SetData(&emoji, nullptr), S_OK);
    EXPECT_TRUE(FAILED(other->GetData(&f, &m)));
}

TEST_F(DataObjectTest, RenderingAsksForAnnouncedDataAndChecksTheMedium)
{
    RecordingOwner owner;
    auto d = source(&owner);
    Variant one = Variant::i2(1), two = Variant::i2(2);
    ASSERT_EQ(d->SetData(nullptr, &one), S_OK);
    owner.answer = [&](IDispatch *data) {
        EXPECT_EQ(data, static_cast<IDispatch *>(static_cast<IVBDataObject *>(d.get())));
        Variant late = Variant::str(QStringLiteral("late"));
        ComPtr<IVBDataObject> vb;
        data->QueryInterface(IID_IVBDataObject, vb.putVoid());
        vb->SetData(&late, &one);
    };
    EXPECT_EQ(textOf(d.get()), QByteArray("late"));
    EXPECT_EQ(owner.fired, 1);
    EXPECT_EQ(owner.format, 1);
    EXPECT_EQ(textOf(d.get()), QByteArray("late"));
    EXPECT_EQ(owner.fired, 1) << "the entry with data is found first now";

    dd::FORMATETC f = FormatEtcOf(dd::CF_TEXT);
    f.tymed = dd::TYMED_ISTREAM;
    dd::STGMEDIUM m;
    EXPECT_EQ(d->GetData(&f, &m), dd::DV_E_TYMED);
    EXPECT_EQ(d->GetData(nullptr, &m), E_POINTER);
    // A bitmap entry also answers a DIB request, but only text renders.
    owner.answer = nullptr;
    ASSERT_EQ(d->SetData(nullptr, &two), S_OK);
    f = FormatEtcOf(dd::CF_DIB);
    EXPECT_EQ(d->GetData(&f, &m), E_FAIL);
    EXPECT_EQ(owner.fired, 2);
    EXPECT_EQ(owner.format, dd::CF_DIB);
    // No entry: the wrapped object answers, or nobody.
    f = FormatEtcOf(7);
    EXPECT_EQ(d->GetData(&f, &m), dd::DV_E_FORMATETC);
    auto wrapping = source(nullptr, m_foreign.get());
    ASSERT_EQ(wrapping->GetData(&f, &m), S_OK);
    dd::ReleaseStgMedium(&m);
    EXPECT_EQ(m_foreign->gets, 1);
    EXPECT_EQ(wrapping->SetData(&f, &m, 0), HRESULT(0x12345)) << "IDataObject::SetData goes to the wrapped object";
    EXPECT_EQ(d->SetData(&f, &m, 0), E_NOTIMPL);
}

TEST_F(DataObjectTest, QueryGetDataLooksAtTheFormatsOnOffer)
{
    auto own = source(nullptr, m_foreign.get());
    Variant seven = Variant::i2(7);
    ASSERT_EQ(own->SetData(nullptr, &seven), S_OK);
    dd::FORMATETC f = FormatEtcOf(7);
    EXPECT_EQ(own->QueryGetData(&f), S_OK);
    f.lindex = 0;
    EXPECT_EQ(own->QueryGetData(&f), S_FALSE) << "index must match";
    f = FormatEtcOf(dd::CF_TEXT);
    EXPECT_EQ(own->QueryGetData(&f), S_FALSE) << "its own list hides the wrapped formats";
    // With an empty list the wrapped object's formats are on offer.
    auto wrapping = target(m_foreign.get());
    EXPECT_EQ(wrapping->QueryGetData(&f), S_OK);
    f.tymed = dd::TYMED_GDI;
    EXPECT_EQ(wrapping->QueryGetData(&f), S_FALSE) << "no shared medium";
}

TEST_F(DataObjectTest, TheTargetSideIsReadOnly)
{
    auto d = target(m_foreign.get());
    Variant hi = Variant::str(QStringLiteral("hi"));
    EXPECT_EQ(d->SetData(&hi, nullptr), HRESULT(0x800A01A9));
    EXPECT_EQ(errorText(), text(8500));
    EXPECT_EQ(d->Clear(), HRESULT(0x800A01A9));
    ComPtr<ISupportErrorInfo> sei;
    ASSERT_EQ(d->QueryInterface(IID_ISupportErrorInfo, sei.putVoid()), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IVBDataObject), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(dd::IID_IDataObject), S_FALSE);
    IDispatch *files = reinterpret_cast<IDispatch *>(1);
    EXPECT_EQ(d->get_Files(&files), HRESULT(0x800A0189));
    EXPECT_EQ(files, nullptr);
}

TEST_F(DataObjectTest, GetDataReadsTheDeliveredData)
{
    auto d = target(m_foreign.get());
    Variant v;
    ASSERT_EQ(d->GetData(dd::CF_TEXT, &v), S_OK);
    ASSERT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(bstrToQString(v.bstrVal), QStringLiteral("abc"));

    // A foreign text block without a terminator is read within its size.
    m_foreign->bytes = QByteArray("abcdefgh", 8);
    m_foreign->shrinkTo = 3;
    ASSERT_EQ(d->GetData(dd::CF_TEXT, &v), S_OK);
    EXPECT_EQ(bstrToQString(v.bstrVal), QStringLiteral("abc"));

    // Any other format: the whole block as bytes.
    m_foreign->shrinkTo = -1;
    m_foreign->bytes = QByteArray("\x01\x00\x02", 3);
    ASSERT_EQ(d->GetData(7, &v), S_OK);
    ASSERT_EQ(v.vt, VT_ARRAY | VT_UI1);
    int32_t ub = -1;
    SafeArrayGetUBound(v.parray, 1, &ub);
    EXPECT_EQ(ub, 2);
    uint8_t b = 0;
    const int32_t i = 2;
    SafeArrayGetElement(v.parray, &i, &b);
    EXPECT_EQ(b, 2);

    // A block that cannot be locked, and the wrapped object's own errors.
    m_foreign->nullBlock = true;
    VariantClear(&v);
    EXPECT_EQ(d->GetData(dd::CF_TEXT, &v), E_OUTOFMEMORY);
    EXPECT_EQ(v.vt, VT_EMPTY);
    m_foreign->nullBlock = false;
    m_foreign->failure = dd::DV_E_TYMED;
    EXPECT_EQ(d->GetData(dd::CF_TEXT, &v), dd::DV_E_TYMED);

    // Without data, and on the source side.
    auto empty = target(nullptr);
    EXPECT_EQ(empty->GetData(dd::CF_TEXT, &v), HRESULT(0x800A01CD));
    EXPECT_EQ(errorText(), text(8501));
    auto own = source(nullptr, m_foreign.get());
    EXPECT_EQ(own->GetData(dd::CF_TEXT, &v), HRESULT(0x800A01A9));
}

TEST_F(DataObjectTest, GetFormatAsksTheDeliveredData)
{
    auto d = target(m_foreign.get());
    VARIANT_BOOL yes = 0;
    ASSERT_EQ(d->GetFormat(dd::CF_TEXT, &yes), S_OK);
    EXPECT_EQ(yes, VARIANT_TRUE);
    for (int16_t never : {int16_t(dd::CF_BITMAP), int16_t(dd::CF_PALETTE)}) {
        d->GetFormat(never, &yes);
        EXPECT_EQ(yes, VARIANT_FALSE) << never;
    }
    m_foreign->hasText = false;
    d->GetFormat(dd::CF_TEXT, &yes);
    EXPECT_EQ(yes, VARIANT_FALSE);
    target(nullptr)->GetFormat(7, &yes);
    EXPECT_EQ(yes, VARIANT_FALSE);
}

TEST_F(DataObjectTest, AdvisesNeedTheirHolder)
{
    auto d = source();
    EXPECT_EQ(d->DUnadvise(1), dd::OLE_E_NOCONNECTION);
    dd::IEnumSTATDATA *e = nullptr;
    EXPECT_EQ(d->EnumDAdvise(&e), E_FAIL);
    dd::FORMATETC f = FormatEtcOf(dd::CF_TEXT);
    class Sink final : public RefCounted<dd::IAdviseSink> {
    public:
        HRESULT QueryInterface(const IID &iid, void **o) override
        {
            return queryInterfaceIn(this, iid, o, {{IID_IUnknown, this}});
        }
        void OnDataChange(dd::FORMATETC *, dd::STGMEDIUM *) override {}
        void OnViewChange(dd::DWORD, dd::LONG) override {}
        void OnRename(dd::IMoniker *) override {}
        void OnSave() override {}
        void OnClose() override {}
    };
    ComPtr<Sink> sink(new Sink);
    dd::DWORD cookie = 0;
    ASSERT_EQ(d->DAdvise(&f, 0, sink.get(), &cookie), S_OK);
    EXPECT_EQ(d->DUnadvise(cookie), S_OK);
    EXPECT_EQ(d->DUnadvise(cookie), dd::OLE_E_NOCONNECTION);
}

TEST_F(DataObjectTest, MembersByName)
{
    auto d = target(m_foreign.get());
    ComPtr<IDispatch> disp;
    ASSERT_EQ(d->QueryInterface(IID_IDispatch, disp.putVoid()), S_OK);
    Variant r;
    ASSERT_EQ(invokeByName(disp.get(), QStringLiteral("GetData"), DISPATCH_METHOD, {Variant::i2(1)}, &r), S_OK);
    EXPECT_EQ(r.toQString(), QStringLiteral("abc"));
    ASSERT_EQ(invokeByName(disp.get(), QStringLiteral("GetFormat"), DISPATCH_METHOD, {Variant::i2(1)}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_EQ(r.boolVal, VARIANT_TRUE);
    auto s = source();
    ComPtr<IDispatch> sd;
    s->QueryInterface(IID_IDispatch, sd.putVoid());
    EXPECT_TRUE(FAILED(invokeByName(sd.get(), QStringLiteral("SetData"), DISPATCH_METHOD, {}, nullptr)));
    EXPECT_EQ(invokeByName(sd.get(), QStringLiteral("SetData"), DISPATCH_METHOD, {Variant::str(QStringLiteral("x"))},
                           nullptr),
              S_OK);
    EXPECT_EQ(textOf(s.get()), QByteArray("x"));
}

// ---- the control's own data object: the selected text

TEST_F(DataObjectTest, TheControlOffersItsSelectedText)
{
    initNew();
    createWindow();
    ComPtr<dd::IDataObject> own;
    ASSERT_EQ(m_combo->QueryInterface(dd::IID_IDataObject, own.putVoid()), S_OK);
    dd::FORMATETC f = FormatEtcOf(dd::CF_TEXT);
    dd::STGMEDIUM m;
    EXPECT_EQ(own->GetData(nullptr, &m), E_POINTER);
    EXPECT_EQ(own->QueryGetData(&f), S_OK);
    ryx().text = "sel";
    ASSERT_EQ(own->GetData(&f, &m), S_OK);
    EXPECT_EQ(GlobalSize(m.hGlobal), 13u) << "four bytes a character and the terminator";
    EXPECT_STREQ(static_cast<const char *>(GlobalLock(m.hGlobal)), "sel");
    GlobalUnlock(m.hGlobal);
    dd::ReleaseStgMedium(&m);
    EXPECT_EQ(ryx().count(zobase7::ZOM_GETSELTEXT), 1);
    // An empty selection still gets a terminated block.
    ryx().text.clear();
    ASSERT_EQ(own->GetData(&f, &m), S_OK);
    EXPECT_EQ(GlobalSize(m.hGlobal), 1u);
    dd::ReleaseStgMedium(&m);

    f.tymed = dd::TYMED_ISTREAM;
    EXPECT_EQ(own->GetData(&f, &m), dd::DV_E_TYMED);
    f = FormatEtcOf(dd::CF_BITMAP);
    EXPECT_EQ(own->GetData(&f, &m), dd::DV_E_FORMATETC);
    EXPECT_EQ(own->SetData(&f, &m, 1), E_OUTOFMEMORY);
    EXPECT_EQ(formats(own.get()), (std::vector<dd::CLIPFORMAT>{dd::CF_TEXT}));
}

} // namespace
