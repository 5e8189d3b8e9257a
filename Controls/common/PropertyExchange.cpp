#include "Controls/common/PropertyExchange.h"

namespace controls {

using namespace platform::com;

namespace {

bool usable(PropertyExchangeContext *ctx)
{
    if (!ctx)
        return false;
    ctx->absent = false;
    return (ctx->bag != nullptr) != (ctx->stream != nullptr);
}

QString nameOf(const char16_t *name) { return name ? QString::fromUtf16(name) : QString(); }

// A bag read of a plain value. A name the bag lacks marks the value absent;
// a value that is there and does not convert is refused with its stored form.
bool bagRead(PropertyExchangeContext *ctx, const char16_t *name, VARTYPE vt, Variant &value)
{
    value.vt = vt;
    const HRESULT hr = ctx->bag->Read(name, &value, ctx->errorLog);
    if (SUCCEEDED(hr))
        return true;
    value.vt = VT_EMPTY;
    if (hr == E_INVALIDARG) {
        ctx->absent = true;
        return false;
    }
    Variant stored;
    const QString text = SUCCEEDED(ctx->bag->Read(name, &stored, nullptr)) ? DescribeLoadedValue(stored)
                                                                            : QStringLiteral("(読み込めない値)");
    return RefuseLoadedValue(ctx, nameOf(name), text);
}

// A nested object's load failed: the refusal its loader left, under name.
bool refuseNested(PropertyExchangeContext *ctx, const char16_t *name, const QString &fallback)
{
    LoadRefusal inner;
    QString description;
    if (TakeLoadRefusal(&inner, &description))
        return RefuseLoadedValue(ctx, nameOf(name) + QLatin1Char('.') + inner.property, inner.value);
    return RefuseLoadedValue(ctx, nameOf(name), description.isEmpty() ? fallback : QStringLiteral("(%1)").arg(description));
}

bool bagWrite(PropertyExchangeContext *ctx, const char16_t *name, VARIANT &value)
{
    return SUCCEEDED(ctx->bag->Write(name, &value));
}

template <class T>
bool streamExchange(PropertyExchangeContext *ctx, const char16_t *name, T *member)
{
    uint8_t b[sizeof(T)];
    if (ctx->loading) {
        if (!readExact(ctx->stream, b, sizeof(T)))
            return RefuseLoadedValue(ctx, nameOf(name), TruncatedDataText());
        uint64_t v = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            v |= uint64_t(b[i]) << (8 * i);
        *member = static_cast<T>(v);
        return true;
    }
    const uint64_t v = static_cast<uint64_t>(static_cast<std::make_unsigned_t<T>>(*member));
    for (size_t i = 0; i < sizeof(T); ++i)
        b[i] = uint8_t(v >> (8 * i));
    return writeExact(ctx->stream, b, sizeof(T));
}

// Bytes between the stream's position and its end, or -1 when unknown.
int64_t bytesLeft(IStream *s)
{
    uint64_t pos = 0;
    STATSTG st;
    if (FAILED(s->Seek(0, STREAM_SEEK_CUR, &pos)) || FAILED(s->Stat(&st, 0)))
        return -1;
    return st.cbSize >= pos ? int64_t(st.cbSize - pos) : 0;
}

} // namespace

namespace {

// A scalar member: its bytes in a stream; in a bag a VARIANT of type vt,
// read back through fromBag and written from toBag.
template <class T, class FromBag, class ToBag>
bool exchangeScalar(PropertyExchangeContext *ctx, const char16_t *name, T *member, VARTYPE vt, FromBag fromBag,
                    ToBag toBag)
{
    if (!usable(ctx) || !member)
        return false;
    if (ctx->stream)
        return streamExchange(ctx, name, member);
    if (ctx->loading) {
        Variant v;
        if (!bagRead(ctx, name, vt, v))
            return false;
        *member = fromBag(v);
        return true;
    }
    Variant v = toBag(*member);
    return bagWrite(ctx, name, v);
}

} // namespace

bool ExchangeShortProperty(PropertyExchangeContext *ctx, const char16_t *name, int16_t *member)
{
    return exchangeScalar(
        ctx, name, member, VT_I2, [](const Variant &v) { return v.iVal; }, [](int16_t m) { return Variant::i2(m); });
}

bool ExchangeLongProperty(PropertyExchangeContext *ctx, const char16_t *name, int32_t *member)
{
    return exchangeScalar(
        ctx, name, member, VT_I4, [](const Variant &v) { return v.lVal; }, [](int32_t m) { return Variant::i4(m); });
}

bool ExchangeBoolProperty(PropertyExchangeContext *ctx, const char16_t *name, int32_t *member)
{
    return exchangeScalar(
        ctx, name, member, VT_BOOL, [](const Variant &v) { return v.boolVal ? 1 : 0; },
        [](int32_t m) { return Variant::boolean(m != 0); });
}

bool ExchangeStringProperty(PropertyExchangeContext *ctx, const char16_t *name, Bstr *member)
{
    if (!usable(ctx) || !member)
        return false;
    if (ctx->stream) {
        if (!ctx->loading) {
            const uint32_t n = member->isNull() ? 0 : SysStringByteLen(member->get()) + 2;
            uint32_t count = n;
            if (!streamExchange(ctx, name, &count))
                return false;
            return n == 0 || writeExact(ctx->stream, member->get(), n);
        }
        uint32_t count = 0;
        if (!streamExchange(ctx, name, &count))
            return false;
        if (count == 0)
            return true;
        if (count < 2 || (count & 1) || count > kMaxStreamStringBytes)
            return RefuseLoadedValue(ctx, nameOf(name), StringLengthText(count));
        const int64_t left = bytesLeft(ctx->stream);
        if (left >= 0 && int64_t(count) > left)
            return RefuseLoadedValue(ctx, nameOf(name), StringLengthText(count));
        Bstr text = Bstr::attach(SysAllocStringLen(nullptr, (count - 2) / 2));
        if (text.isNull())
            return RefuseLoadedValue(ctx, nameOf(name), StringLengthText(count));
        // The text and its terminator; the terminator's place in the BSTR is
        // written over with 0 afterwards whatever the stream held.
        if (!readExact(ctx->stream, text.get(), count))
            return RefuseLoadedValue(ctx, nameOf(name), TruncatedDataText());
        text.get()[(count - 2) / 2] = 0;
        *member = std::move(text);
        return true;
    }
    if (ctx->loading) {
        Variant v;
        if (!bagRead(ctx, name, VT_BSTR, v))
            return false;
        *member = Bstr::attach(v.bstrVal);
        v.vt = VT_EMPTY;
        return true;
    }
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = member->get(); // passed without copying
    return bagWrite(ctx, name, v);
}

bool ExchangeObjectProperty(PropertyExchangeContext *ctx, const char16_t *name, ComPtr<IUnknown> *member,
                            const IID &iid, IUnknown *fresh)
{
    if (!usable(ctx) || !member)
        return false;
    if (ctx->stream) {
        if (!ctx->loading) {
            if (!*member)
                return SUCCEEDED(WriteClassStm(ctx->stream, GUID_NULL));
            ComPtr<IPersistStream> p;
            if (FAILED((*member)->QueryInterface(IID_IPersistStream, p.putVoid())))
                return false;
            return SUCCEEDED(OleSaveToStream(p.get(), ctx->stream));
        }
        // Only the null class id is "no object"; a class that cannot be made
        // fails, since its data would be left unread in the stream.
        CLSID clsid;
        if (FAILED(ReadClassStm(ctx->stream, &clsid)))
            return RefuseLoadedValue(ctx, nameOf(name), TruncatedDataText());
        if (clsid.isNull())
            return true;
        ComPtr<IPersistStream> p;
        if (FAILED(CoCreateInstance(clsid, nullptr, IID_IPersistStream, p.putVoid())))
            return RefuseLoadedValue(ctx, nameOf(name), UnknownClassText(clsid));
        SetErrorInfo(0, nullptr); // what the load leaves is its own
        if (FAILED(p->Load(ctx->stream)))
            return refuseNested(ctx, name, QStringLiteral("(読み込めないオブジェクト)"));
        ComPtr<IUnknown> typed;
        if (FAILED(p->QueryInterface(iid, typed.putVoid())))
            return RefuseLoadedValue(ctx, nameOf(name), QStringLiteral("(別の種類のオブジェクト %1)").arg(clsid.toString()));
        *member = typed;
        return true;
    }
    if (ctx->loading) {
        Variant v;
        v.vt = VT_UNKNOWN;
        if (fresh) {
            v.punkVal = fresh;
            fresh->AddRef();
        }
        SetErrorInfo(0, nullptr); // what the nested load leaves is its own
        // A failed Read leaves the value as it was (empty, or the new object).
        const HRESULT hr = ctx->bag->Read(name, &v, ctx->errorLog);
        if (hr == E_INVALIDARG) {
            ctx->absent = true;
            return false;
        }
        if (FAILED(hr))
            return refuseNested(ctx, name, QStringLiteral("(読み込めないオブジェクト)"));
        if (v.vt != VT_UNKNOWN && v.vt != VT_DISPATCH)
            return RefuseLoadedValue(ctx, nameOf(name), DescribeLoadedValue(v));
        if (!v.punkVal)
            return true;
        ComPtr<IUnknown> typed;
        if (FAILED(v.punkVal->QueryInterface(iid, typed.putVoid())))
            return RefuseLoadedValue(ctx, nameOf(name), QStringLiteral("(別の種類のオブジェクト)"));
        *member = typed;
        return true;
    }
    if (!*member)
        return false;
    VARIANT v;
    v.vt = VT_UNKNOWN;
    v.punkVal = member->get();
    return bagWrite(ctx, name, v);
}

bool ExchangeVersionAndExtent(PropertyExchangeContext *ctx, bool *dirty, int32_t *version, int32_t *extentX,
                              int32_t *extentY)
{
    if (dirty)
        *dirty = false;
    if (!ctx)
        return false;
    if (!ExchangeStepOk(ctx, ExchangeLongProperty(ctx, u"_Version", version)))
        return false;
    if (!ExchangeStepOk(ctx, ExchangeLongProperty(ctx, u"_ExtentX", extentX)))
        return false;
    const bool ok = ExchangeStepOk(ctx, ExchangeLongProperty(ctx, u"_ExtentY", extentY));
    ctx->absent = false;
    return ok;
}

bool RefuseLoadedValue(PropertyExchangeContext *ctx, const QString &property, const QString &value)
{
    if (ctx && ctx->loading && !ctx->refusal.isSet())
        ctx->refusal = LoadRefusal{property, value};
    return false;
}

void NestLoadRefusal(PropertyExchangeContext *ctx, const QString &prefix)
{
    if (ctx && ctx->refusal.isSet())
        ctx->refusal.property = prefix + QLatin1Char('.') + ctx->refusal.property;
}

HRESULT CloneThroughStream(IUnknown *source, const IID &iid, ComPtr<IUnknown> *dest)
{
    if (!source || !dest)
        return S_OK;
    ComPtr<IPersistStream> p;
    if (FAILED(source->QueryInterface(IID_IPersistStream, p.putVoid())))
        return S_OK;
    uint64_t size = 0;
    if (FAILED(p->GetSizeMax(&size)) || size > (64u << 20))
        size = 0; // the stream grows as the object writes
    HGLOBAL block = GlobalAlloc(GHND, static_cast<size_t>(size));
    if (!block)
        return E_OUTOFMEMORY;
    ComPtr<IStream> s;
    HRESULT hr = CreateStreamOnHGlobal(block, true, s.put());
    if (FAILED(hr)) {
        GlobalFree(block);
        return hr;
    }
    hr = OleSaveToStream(p.get(), s.get());
    if (FAILED(hr))
        return hr;
    hr = s->Seek(0, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr))
        return hr;
    ComPtr<IUnknown> copy;
    hr = OleLoadFromStream(s.get(), IID_IUnknown, copy.putVoid());
    if (FAILED(hr))
        return hr;
    dest->reset();
    return copy->QueryInterface(iid, dest->putVoid());
}

HRESULT GetFontProperty(IUnknown *stored, IDispatch **out)
{
    if (!out)
        return E_POINTER;
    if (!stored)
        return S_OK;
    return stored->QueryInterface(IID_IFontDisp, reinterpret_cast<void **>(out));
}

HRESULT PutFontValue(ComPtr<IDispatch> *member, IUnknown *font)
{
    if (!member)
        return E_POINTER;
    member->reset();
    if (!font)
        return S_OK;
    ComPtr<IFont> f;
    HRESULT hr = font->QueryInterface(IID_IFont, f.putVoid());
    if (FAILED(hr))
        return hr;
    ComPtr<IFont> copy;
    hr = f->Clone(copy.put());
    if (FAILED(hr))
        return hr;
    return copy->QueryInterface(IID_IFontDisp, member->putVoid());
}

HRESULT GetPictureProperty(IPicture *stored, IDispatch **out)
{
    if (!out)
        return E_POINTER;
    if (!stored)
        return S_OK;
    return stored->QueryInterface(IID_IPictureDisp, reinterpret_cast<void **>(out));
}

namespace {
HRESULT iconCheck(IUnknown *picture)
{
    if (!picture)
        return S_OK;
    ComPtr<IPicture> p;
    if (FAILED(picture->QueryInterface(IID_IPicture, p.putVoid())))
        return CTL_E_INVALIDPROPERTYVALUE;
    int16_t type = PICTYPE_UNINITIALIZED;
    if (FAILED(p->get_Type(&type)) || (type != PICTYPE_NONE && type != PICTYPE_ICON))
        return CTL_E_INVALIDPROPERTYVALUE;
    return S_OK;
}
} // namespace

HRESULT PutIconProperty(ComPtr<IPicture> *member, IUnknown *picture)
{
    const HRESULT hr = iconCheck(picture);
    return FAILED(hr) ? hr : ClonePicture(member, picture);
}

HRESULT PutIconPicture(ComPtr<IPicture> *member, IUnknown *picture)
{
    const HRESULT hr = iconCheck(picture);
    return FAILED(hr) ? hr : PutPictureReference(member, picture);
}

HRESULT ClonePicture(ComPtr<IPicture> *member, IUnknown *picture)
{
    if (!member)
        return E_POINTER;
    member->reset();
    if (!picture)
        return S_OK;
    ComPtr<IPersistStream> p;
    HRESULT hr = picture->QueryInterface(IID_IPersistStream, p.putVoid());
    if (FAILED(hr))
        return hr;
    ComPtr<IStream> s;
    hr = CreateStreamOnHGlobal(nullptr, true, s.put());
    if (FAILED(hr))
        return hr;
    hr = p->Save(s.get(), false);
    if (FAILED(hr))
        return hr;
    s->Seek(0, STREAM_SEEK_SET, nullptr);
    return OleLoadPicture(s.get(), 0, false, IID_IPicture, member->putVoid());
}

HRESULT PutPictureReference(ComPtr<IPicture> *member, IUnknown *picture)
{
    if (!member)
        return E_POINTER;
    member->reset();
    if (!picture)
        return S_OK;
    return picture->QueryInterface(IID_IPicture, member->putVoid());
}

} // namespace controls
