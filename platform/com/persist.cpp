#include "platform/com/persist.h"

#include <QStringList>

namespace platform::com {

const IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPersistStream = {0x00000109, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPersistStreamInit = {0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
const IID IID_IPropertyBag = {0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
const IID IID_IErrorLog = {0x3127CA40, 0x446E, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
const IID IID_IPersistPropertyBag = {0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

bool readExact(IStream *stream, void *buffer, uint32_t bytes)
{
    uint32_t got = 0;
    const HRESULT hr = stream->Read(buffer, bytes, &got);
    return SUCCEEDED(hr) && got == bytes;
}

bool writeExact(IStream *stream, const void *buffer, uint32_t bytes)
{
    uint32_t put = 0;
    const HRESULT hr = stream->Write(buffer, bytes, &put);
    return SUCCEEDED(hr) && put == bytes;
}

HRESULT WriteClassStm(IStream *stream, const CLSID &clsid)
{
    if (!stream)
        return E_INVALIDARG;
    uint8_t b[16];
    for (int i = 0; i < 4; ++i)
        b[i] = uint8_t(clsid.Data1 >> (8 * i));
    b[4] = uint8_t(clsid.Data2);
    b[5] = uint8_t(clsid.Data2 >> 8);
    b[6] = uint8_t(clsid.Data3);
    b[7] = uint8_t(clsid.Data3 >> 8);
    for (int i = 0; i < 8; ++i)
        b[8 + i] = clsid.Data4[i];
    return writeExact(stream, b, 16) ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT ReadClassStm(IStream *stream, CLSID *clsid)
{
    if (!stream || !clsid)
        return E_INVALIDARG;
    uint8_t b[16];
    if (!readExact(stream, b, 16))
        return STG_E_READFAULT;
    CLSID c;
    c.Data1 = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    c.Data2 = uint16_t(b[4] | b[5] << 8);
    c.Data3 = uint16_t(b[6] | b[7] << 8);
    for (int i = 0; i < 8; ++i)
        c.Data4[i] = b[8 + i];
    *clsid = c;
    return S_OK;
}

HRESULT OleSaveToStream(IPersistStream *object, IStream *stream)
{
    if (!stream)
        return E_INVALIDARG;
    if (!object)
        return WriteClassStm(stream, GUID_NULL);
    CLSID clsid;
    HRESULT hr = object->GetClassID(&clsid);
    if (FAILED(hr))
        return hr;
    hr = WriteClassStm(stream, clsid);
    if (FAILED(hr))
        return hr;
    return object->Save(stream, true);
}

HRESULT OleLoadFromStream(IStream *stream, const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CLSID clsid;
    HRESULT hr = ReadClassStm(stream, &clsid);
    if (FAILED(hr))
        return hr;
    if (clsid.isNull())
        return REGDB_E_CLASSNOTREG;
    ComPtr<IPersistStream> p;
    hr = CoCreateInstance(clsid, nullptr, IID_IPersistStream, p.putVoid());
    if (FAILED(hr))
        return hr;
    hr = p->Load(stream);
    if (FAILED(hr))
        return hr;
    return p->QueryInterface(iid, object);
}

// ---- PropertyBag

HRESULT PropertyBag::QueryInterface(const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPropertyBag) {
        *object = static_cast<IPropertyBag *>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

uint32_t PropertyBag::Release()
{
    const uint32_t left = --m_refs;
    if (!left)
        delete this;
    return left;
}

PropertyBag::Entry *PropertyBag::findMutable(const QString &name)
{
    for (Entry &e : m_entries)
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

const PropertyBag::Entry *PropertyBag::find(const QString &name) const
{
    return const_cast<PropertyBag *>(this)->findMutable(name);
}

QStringList PropertyBag::names() const
{
    QStringList out;
    for (const Entry &e : m_entries)
        out << e.name;
    return out;
}

void PropertyBag::setValue(const QString &name, const Variant &value)
{
    Entry *e = findMutable(name);
    if (!e) {
        m_entries.push_back(Entry{});
        e = &m_entries.back();
        e->name = name;
    }
    e->isObject = false;
    e->bag.reset();
    e->bytes.clear();
    e->value = value;
}

void PropertyBag::setObjectBytes(const QString &name, const CLSID &clsid, std::vector<uint8_t> bytes)
{
    setValue(name, Variant());
    Entry *e = findMutable(name);
    e->isObject = true;
    e->clsid = clsid;
    e->bytes = std::move(bytes);
}

void PropertyBag::setObjectBag(const QString &name, const CLSID &clsid, ComPtr<PropertyBag> bag)
{
    setValue(name, Variant());
    Entry *e = findMutable(name);
    e->isObject = true;
    e->clsid = clsid;
    e->bag = std::move(bag);
}

bool PropertyBag::remove(const QString &name)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        if (it->name.compare(name, Qt::CaseInsensitive) == 0) {
            m_entries.erase(it);
            return true;
        }
    return false;
}

HRESULT PropertyBag::loadInto(const Entry &e, IUnknown *object, IErrorLog *log)
{
    // Data saved by another class is not this object's to read.
    ComPtr<IPersist> persist;
    CLSID own;
    if (SUCCEEDED(object->QueryInterface(IID_IPersist, persist.putVoid())) && persist
        && SUCCEEDED(persist->GetClassID(&own)) && own != e.clsid)
        return DISP_E_TYPEMISMATCH;
    HRESULT hr = S_OK;
    if (e.bag) {
        ComPtr<IPersistPropertyBag> p;
        hr = object->QueryInterface(IID_IPersistPropertyBag, p.putVoid());
        if (SUCCEEDED(hr))
            hr = p->Load(e.bag.get(), log);
    } else {
        ComPtr<IPersistStream> p;
        hr = object->QueryInterface(IID_IPersistStream, p.putVoid());
        if (SUCCEEDED(hr)) {
            ComPtr<IStream> s = streamFromBytes(e.bytes);
            hr = s ? p->Load(s.get()) : E_OUTOFMEMORY;
        }
    }
    // E_INVALIDARG from Read means "no such value": a value that is there
    // and fails to load must not read as missing.
    return hr == E_INVALIDARG ? E_FAIL : hr;
}

HRESULT PropertyBag::Read(const OLECHAR *name, VARIANT *value, IErrorLog *log)
{
    if (!name || !value)
        return E_POINTER;
    const Entry *e = find(QString(reinterpret_cast<const QChar *>(name)));
    if (!e)
        return E_INVALIDARG;
    if (!e->isObject) {
        if (value->vt == VT_EMPTY)
            return VariantCopy(value, &e->value);
        Variant converted;
        const HRESULT hr = VariantChangeType(&converted, &e->value, 0, value->vt);
        if (FAILED(hr))
            return hr;
        VariantClear(value);
        *value = converted;
        converted.vt = VT_EMPTY;
        return S_OK;
    }
    const bool wantsObject = value->vt == VT_UNKNOWN || value->vt == VT_DISPATCH || value->vt == VT_EMPTY;
    if (!wantsObject)
        return DISP_E_TYPEMISMATCH;
    if ((value->vt == VT_UNKNOWN || value->vt == VT_DISPATCH) && value->punkVal)
        return loadInto(*e, value->punkVal, log);
    ComPtr<IUnknown> created;
    HRESULT hr = CoCreateInstance(e->clsid, nullptr, IID_IUnknown, created.putVoid());
    if (FAILED(hr))
        return hr;
    hr = loadInto(*e, created.get(), log);
    if (FAILED(hr))
        return hr;
    if (value->vt == VT_DISPATCH) {
        IDispatch *d = nullptr;
        hr = created->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&d));
        if (FAILED(hr))
            return hr;
        value->pdispVal = d;
        return S_OK;
    }
    value->vt = VT_UNKNOWN;
    value->punkVal = created.get();
    created->AddRef();
    return S_OK;
}

HRESULT PropertyBag::Write(const OLECHAR *name, VARIANT *value)
{
    if (!name || !value)
        return E_POINTER;
    const QString key(reinterpret_cast<const QChar *>(name));
    VARIANT *v = derefVariant(value);
    if (v->vt == VT_UNKNOWN || v->vt == VT_DISPATCH) {
        if (!v->punkVal)
            return E_INVALIDARG;
        Entry e;
        e.name = key;
        e.isObject = true;
        ComPtr<IPersistPropertyBag> asBag;
        ComPtr<IPersistStream> asStream;
        if (SUCCEEDED(v->punkVal->QueryInterface(IID_IPersistPropertyBag, asBag.putVoid()))) {
            HRESULT hr = asBag->GetClassID(&e.clsid);
            if (FAILED(hr))
                return hr;
            e.bag = ComPtr<PropertyBag>(new PropertyBag);
            hr = asBag->Save(e.bag.get(), true, true);
            if (FAILED(hr))
                return hr;
        } else if (SUCCEEDED(v->punkVal->QueryInterface(IID_IPersistStream, asStream.putVoid()))) {
            HRESULT hr = asStream->GetClassID(&e.clsid);
            if (FAILED(hr))
                return hr;
            ComPtr<IStream> s;
            hr = CreateStreamOnHGlobal(nullptr, true, s.put());
            if (FAILED(hr))
                return hr;
            hr = asStream->Save(s.get(), true);
            if (FAILED(hr))
                return hr;
            e.bytes = streamBytes(s.get());
        } else {
            return E_NOINTERFACE;
        }
        if (Entry *old = findMutable(key))
            *old = std::move(e);
        else
            m_entries.push_back(std::move(e));
        return S_OK;
    }
    Variant copy;
    const HRESULT hr = VariantCopy(&copy, v);
    if (FAILED(hr))
        return hr;
    setValue(key, copy);
    return S_OK;
}

} // namespace platform::com
