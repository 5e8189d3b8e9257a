// BSTR, VARIANT conversion, the table-driven IDispatch, enumerators,
// connection points, error info, string tables and OLE colours.
#include "platform/com/automation.h"
#include "platform/com/errorinfo.h"
#include "platform/com/olecolor.h"
#include "platform/com/resources.h"

#include <gtest/gtest.h>

#include <limits>

using namespace platform::com;

TEST(Bstr, NullAndEmptyStayDistinctAndLengthsAreInBytes)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    EXPECT_EQ(empty[0], 0);
    EXPECT_FALSE(bstrToQString(empty).isNull());
    EXPECT_TRUE(bstrToQString(nullptr).isNull());
    SysFreeString(empty);

    Bstr text(QStringLiteral("日本a"));
    EXPECT_EQ(text.length(), 3u);
    EXPECT_EQ(SysStringByteLen(text.get()), 6u);
    uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<uint8_t *>(text.get()) - 4, 4);
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(text.get()[3], 0);
    EXPECT_EQ(text.toQString(), QStringLiteral("日本a"));
    // Embedded NULs are kept: the length comes from the prefix.
    const OLECHAR withNul[] = {u'a', 0, u'b'};
    Bstr b = Bstr::attach(SysAllocStringLen(withNul, 3));
    EXPECT_EQ(b.toQString().size(), 3);
}

TEST(VariantChangeType, ConvertsChecksRangesAndRefusesMismatches)
{
    Variant out;
    Variant s = Variant::str(QStringLiteral(" 42 "));
    ASSERT_EQ(VariantChangeType(&out, &s, 0, VT_I2), S_OK);
    EXPECT_EQ(out.vt, VT_I2);
    EXPECT_EQ(out.iVal, 42);

    Variant big = Variant::i4(40000);
    EXPECT_EQ(VariantChangeType(&out, &big, 0, VT_I2), DISP_E_OVERFLOW);
    EXPECT_EQ(out.vt, VT_I2) << "a failed conversion leaves the destination alone";

    // A NaN fits no integer (its cast would be undefined).
    Variant nan = Variant::r8(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(VariantChangeType(&out, &nan, 0, VT_I2), DISP_E_OVERFLOW);
    EXPECT_EQ(VariantChangeType(&out, &nan, 0, VT_I4), DISP_E_OVERFLOW);

    Variant half = Variant::r8(2.5);
    ASSERT_EQ(VariantChangeType(&out, &half, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 2) << "halves round to even";

    Variant t = Variant::boolean(true);
    ASSERT_EQ(VariantChangeType(&out, &t, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, -1);
    ASSERT_EQ(VariantChangeType(&out, &t, 0, VT_BSTR), S_OK);
    EXPECT_EQ(bstrToQString(out.bstrVal), QStringLiteral("True"));

    Variant word = Variant::str(QStringLiteral("abc"));
    EXPECT_EQ(VariantChangeType(&out, &word, 0, VT_I4), DISP_E_TYPEMISMATCH);
    Variant null = Variant::null();
    EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_I4), DISP_E_TYPEMISMATCH);

    Variant empty;
    ASSERT_EQ(VariantChangeType(&out, &empty, 0, VT_BSTR), S_OK);
    ASSERT_NE(out.bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(out.bstrVal), 0u);

    // By-reference values are read through.
    int16_t cell = 7;
    VARIANT ref;
    ref.vt = VT_BYREF | VT_I2;
    ref.piVal = &cell;
    ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 7);

    Variant colour;
    colour.vt = VT_UI4;
    colour.ulVal = 0x8000000F;
    int32_t c = 0;
    ASSERT_EQ(argI4(&colour, &c), S_OK);
    EXPECT_EQ(static_cast<uint32_t>(c), 0x8000000Fu);
}

namespace {

// A small object answering IDispatch from a table.
class Counter final : public IDispatch {
public:
    int value = 0;
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT GetTypeInfoCount(uint32_t *n) override { *n = 0; return S_OK; }
    HRESULT GetIDsOfNames(const IID &, const OLECHAR *const *names, uint32_t count, LCID, DISPID *ids) override
    {
        return table().getIDsOfNames(names, count, ids);
    }
    HRESULT Invoke(DISPID id, const IID &, LCID, uint16_t flags, DISPPARAMS *params, VARIANT *result,
                   EXCEPINFO *excep, uint32_t *) override
    {
        return table().invoke(this, id, flags, params, result, excep);
    }
    uint32_t refs = 1;

private:
    static const DispatchTable<Counter> &table()
    {
        static const DispatchTable<Counter> t({
            {u"Value", 0, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
             [](Counter *c, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                 if (kind == DISPATCH_PROPERTYGET) {
                     r->vt = VT_I4;
                     r->lVal = c->value;
                     return S_OK;
                 }
                 if (args.size() != 1)
                     return DISP_E_BADPARAMCOUNT;
                 int32_t v = 0;
                 HRESULT hr = argI4(args[0], &v);
                 if (FAILED(hr))
                     return hr;
                 if (v < 0)
                     return reportError(CTL_E_INVALIDPROPERTYVALUE, IID_IDispatch, QStringLiteral("Counter"),
                                        QStringLiteral("負の値"));
                 c->value = v;
                 return S_OK;
             }},
            {u"AddTwo", 7, DISPATCH_METHOD,
             [](Counter *c, uint16_t, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                 if (args.size() != 2)
                     return DISP_E_BADPARAMCOUNT;
                 int32_t a = 0, b = 0;
                 if (FAILED(argI4(args[0], &a)) || FAILED(argI4(args[1], &b)))
                     return DISP_E_TYPEMISMATCH;
                 // Natural order: the first argument is a.
                 c->value = a * 10 + b;
                 r->vt = VT_I4;
                 r->lVal = c->value;
                 return S_OK;
             }},
        });
        return t;
    }
};

} // namespace

TEST(DispatchTable, NamesCaseInsensitivelyOrdersArgumentsAndTurnsErrorsIntoExceptions)
{
    Counter c;
    Variant r;
    ASSERT_EQ(invokeByName(&c, QStringLiteral("VALUE"), DISPATCH_PROPERTYPUT, {Variant::str(QStringLiteral("5"))},
                           nullptr),
              S_OK);
    ASSERT_EQ(invokeByName(&c, QStringLiteral("value"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.lVal, 5);
    ASSERT_EQ(invokeByName(&c, QStringLiteral("addtwo"), DISPATCH_METHOD, {Variant::i4(1), Variant::i4(2)}, &r),
              S_OK);
    EXPECT_EQ(r.lVal, 12);
    EXPECT_EQ(invokeByName(&c, QStringLiteral("Missing"), DISPATCH_METHOD, {}, &r), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(invokeByName(&c, QStringLiteral("AddTwo"), DISPATCH_PROPERTYPUT, {Variant::i4(1)}, nullptr),
              DISP_E_MEMBERNOTFOUND);

    EXCEPINFO e;
    ASSERT_EQ(invokeByName(&c, QStringLiteral("Value"), DISPATCH_PROPERTYPUT, {Variant::i4(-1)}, nullptr, &e),
              DISP_E_EXCEPTION);
    EXPECT_EQ(e.scode, CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(bstrToQString(e.bstrDescription), QStringLiteral("負の値"));
    EXPECT_EQ(bstrToQString(e.bstrSource), QStringLiteral("Counter"));
    clearExcepInfo(&e);
    EXPECT_EQ(c.value, 12);
}

TEST(ErrorInfo, TheSlotIsTakenOnce)
{
    reportError(E_FAIL, IID_IDispatch, QStringLiteral("Src"), QStringLiteral("Text"));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    GUID g;
    info->GetGUID(&g);
    EXPECT_EQ(g, IID_IDispatch);
    Bstr d;
    info->GetDescription(d.put());
    EXPECT_EQ(d.toQString(), QStringLiteral("Text"));
    ComPtr<IErrorInfo> again;
    EXPECT_EQ(GetErrorInfo(0, again.put()), S_FALSE);
    EXPECT_FALSE(again);
}

namespace {
class RecordingSink final : public IPropertyNotifySink {
public:
    std::vector<DISPID> changed, requested;
    uint32_t refs = 1;
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IPropertyNotifySink) {
            *object = static_cast<IPropertyNotifySink *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT OnChanged(DISPID id) override { changed.push_back(id); return S_OK; }
    HRESULT OnRequestEdit(DISPID id) override { requested.push_back(id); return S_OK; }
};
} // namespace

TEST(ConnectionPoint, AdvisesFiresAndUnadvisesByCookie)
{
    // Sinks outlive the point, which releases what is still connected.
    RecordingSink a, b;
    Counter owner;
    ConnectionPoint point(&owner, IID_IPropertyNotifySink);
    uint32_t ca = 0, cb = 0;
    ASSERT_EQ(point.Advise(&a, &ca), S_OK);
    ASSERT_EQ(point.Advise(&b, &cb), S_OK);
    EXPECT_NE(ca, cb);
    EXPECT_EQ(a.refs, 2u);
    point.fireOnChanged(3);
    point.fireOnRequestEdit(4);
    EXPECT_EQ(a.changed, std::vector<DISPID>{3});
    EXPECT_EQ(b.requested, std::vector<DISPID>{4});
    ASSERT_EQ(point.Unadvise(ca), S_OK);
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(point.Unadvise(ca), CONNECT_E_NOCONNECTION);
    point.fireOnChanged(5);
    EXPECT_EQ(a.changed.size(), 1u);
    EXPECT_EQ(b.changed, (std::vector<DISPID>{3, 5}));
    // A sink without the interface is refused.
    uint32_t cc = 0;
    EXPECT_EQ(point.Advise(&owner, &cc), CONNECT_E_CANNOTCONNECT);
}

TEST(EnumVariant, NextCopiesAndReportsTheShortTail)
{
    ComPtr<EnumVariant> e(new EnumVariant({Variant::i4(1), Variant::str(QStringLiteral("x")), Variant::i4(3)}));
    VARIANT got[2];
    uint32_t n = 0;
    ASSERT_EQ(e->Next(2, got, &n), S_OK);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(bstrToQString(got[1].bstrVal), QStringLiteral("x"));
    VariantClear(&got[0]);
    VariantClear(&got[1]);
    ComPtr<IEnumVARIANT> copy;
    ASSERT_EQ(e->Clone(copy.put()), S_OK);
    EXPECT_EQ(e->Next(2, got, &n), S_FALSE);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(got[0].lVal, 3);
    EXPECT_EQ(copy->Skip(5), S_FALSE);
    ASSERT_EQ(copy->Reset(), S_OK);
    ASSERT_EQ(copy->Next(1, got, &n), S_OK);
    EXPECT_EQ(got[0].lVal, 1);
}

TEST(Resources, StringsTruncateAndVersionsFormat)
{
    ModuleResources m;
    m.strings[8504] = QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの値が不正です。");
    EXPECT_EQ(LoadString(m, 8504), QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの値が不正です。"));
    EXPECT_TRUE(LoadString(m, 1).isNull());
    OLECHAR buf[5];
    EXPECT_EQ(LoadStringW(m, 8504, buf, 5), 4);
    EXPECT_EQ(buf[4], 0);
    EXPECT_EQ(buf[0], u'ﾌ');

    QString text = QStringLiteral("unchanged");
    GetModuleVersionString(m, text);
    EXPECT_EQ(text, QStringLiteral("unchanged"));
    m.hasVersion = true;
    m.version = {7, 0, 12, 65535};
    GetModuleVersionString(m, text);
    EXPECT_EQ(text, QStringLiteral("7.0.12.65535"));
}

TEST(OleColor, SystemIndexesTranslateAndBadValuesAreRefused)
{
    COLORREF c = 1;
    ASSERT_EQ(OleTranslateColor(0x8000000F, nullptr, &c), S_OK);
    EXPECT_EQ(c, GetSysColor(COLOR_BTNFACE));
    ASSERT_EQ(OleTranslateColor(0x00123456, nullptr, &c), S_OK);
    EXPECT_EQ(c, 0x123456u);
    EXPECT_EQ(OleTranslateColor(0x80000019, nullptr, &c), E_INVALIDARG);
    EXPECT_EQ(OleTranslateColor(0x40000000, nullptr, &c), E_INVALIDARG);
    setSysColor(COLOR_BTNSHADOW, 0x808080);
    ASSERT_EQ(OleTranslateColor(0x80000010, nullptr, &c), S_OK);
    EXPECT_EQ(c, 0x808080u);
}

#include "platform/com/safearray.h"

TEST(SafeArray, VectorsOwnTheirElementsAndVariantsCopyThem)
{
    SAFEARRAY *a = SafeArrayCreateVector(VT_BSTR, 1, 3);
    ASSERT_NE(a, nullptr);
    int32_t lo = 0, hi = 0;
    SafeArrayGetLBound(a, 1, &lo);
    SafeArrayGetUBound(a, 1, &hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 3);
    Bstr text(QStringLiteral("二"));
    int32_t i = 2;
    BSTR raw = text.get();
    ASSERT_EQ(SafeArrayPutElement(a, &i, &raw),
              S_OK);
    i = 0;
    EXPECT_EQ(SafeArrayPutElement(a, &i, nullptr), DISP_E_BADINDEX);
    i = 4;
    BSTR none = nullptr;
    EXPECT_EQ(SafeArrayGetElement(a, &i, &none), DISP_E_BADINDEX);

    Variant v;
    v.vt = VT_ARRAY | VT_BSTR;
    v.parray = a; // the variant owns it now
    Variant copy(v);
    ASSERT_NE(copy.parray, a);
    i = 2;
    BSTR got = nullptr;
    ASSERT_EQ(SafeArrayGetElement(copy.parray, &i, &got), S_OK);
    EXPECT_EQ(bstrToQString(got), QStringLiteral("二"));
    EXPECT_NE(got, text.get());
    SysFreeString(got);

    void *data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(a, &data), S_OK);
    EXPECT_EQ(SafeArrayDestroy(a), DISP_E_ARRAYISLOCKED);
    SafeArrayUnaccessData(a);
    EXPECT_EQ(SafeArrayCreateVector(VT_R8, 0, 1), nullptr) << "element types outside the list";
}

namespace {
// An event sink answering one event that takes (KeyCode by reference, Shift).
class KeySink final : public IDispatch {
public:
    int calls = 0;
    int16_t shiftSeen = 0;
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        *object = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT GetTypeInfoCount(uint32_t *n) override { *n = 0; return S_OK; }
    HRESULT GetIDsOfNames(const IID &, const OLECHAR *const *, uint32_t, LCID, DISPID *) override
    {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DISPID id, const IID &, LCID, uint16_t flags, DISPPARAMS *p, VARIANT *, EXCEPINFO *,
                   uint32_t *) override
    {
        if (id != -602 || flags != DISPATCH_METHOD || p->cArgs != 2)
            return DISP_E_MEMBERNOTFOUND;
        ++calls;
        // Reversed: the last argument (Shift) first.
        shiftSeen = p->rgvarg[0].iVal;
        *p->rgvarg[1].piVal = 0; // the handler swallows the key
        return S_OK;
    }
};
} // namespace

TEST(ConnectionPoint, EventsReachDispatchSinksWithByReferenceArguments)
{
    KeySink sink;
    Counter owner;
    const IID events = GUID::fromString(QStringLiteral("{A8F8C161-3BD0-47C1-A68E-76A4AAF7C83F}"));
    ConnectionPoint point(&owner, events);
    // An event sink is asked for the event interface; this one answers IDispatch only.
    uint32_t cookie = 0;
    EXPECT_EQ(point.Advise(&sink, &cookie), CONNECT_E_CANNOTCONNECT);
    ConnectionPoint dispatchPoint(&owner, IID_IDispatch);
    ASSERT_EQ(dispatchPoint.Advise(&sink, &cookie), S_OK);
    int16_t keyCode = 13;
    VARIANT code;
    code.vt = VT_BYREF | VT_I2;
    code.piVal = &keyCode;
    dispatchPoint.fireEvent(-602, {code, Variant::i2(2)});
    EXPECT_EQ(sink.calls, 1);
    EXPECT_EQ(sink.shiftSeen, 2);
    EXPECT_EQ(keyCode, 0);
}
