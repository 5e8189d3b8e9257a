#include "Controls/Pickwell/ComboDataObject.h"

#include "Controls/Pickwell/PickwellModule.h"
#include "platform/codepage/codepage.h"
#include "platform/com/safearray.h"

#include <cstring>
#include <new>

namespace pickwell {

using namespace platform::com;
namespace cp = platform::codepage;

const CLSID CLSID_DataObject = {0x2334D2B2, 0x713E, 0x11CF, {0x8A, 0xE5, 0x00, 0xAA, 0x00, 0xC0, 0x09, 0x05}};
const IID IID_IVBDataObject = {0x2334D2B1, 0x713E, 0x11CF, {0x8A, 0xE5, 0x00, 0xAA, 0x00, 0xC0, 0x09, 0x05}};
const IID IID_IVBDataObjectFiles = {0x2334D2B3, 0x713E, 0x11CF, {0x8A, 0xE5, 0x00, 0xAA, 0x00, 0xC0, 0x09, 0x05}};

win::DWORD MediumOfFormat(win::CLIPFORMAT format)
{
    switch (format) {
    case win::CF_BITMAP:
    case win::CF_DIB: return win::TYMED_GDI;
    case win::CF_METAFILEPICT: return win::TYMED_MFPICT;
    case win::CF_ENHMETAFILE: return win::TYMED_ENHMF;
    default: return win::TYMED_HGLOBAL;
    }
}

win::FORMATETC FormatEtcOf(win::CLIPFORMAT format)
{
    win::FORMATETC f;
    f.cfFormat = format;
    f.ptd = nullptr;
    f.dwAspect = win::DVASPECT_CONTENT;
    f.lindex = -1;
    f.tymed = MediumOfFormat(format);
    return f;
}

namespace {
bool g_failNextCreation = false;

bool missing(const VARIANT *v) { return !v || v->vt == VT_ERROR; }
} // namespace

void ComboDataObject::failNextCreationForTesting() { g_failNextCreation = true; }

ComboDataObject *ComboDataObject::create(bool readOnly, win::IDataObject *wrapped, DataObjectOwner *owner)
{
    if (std::exchange(g_failNextCreation, false))
        return nullptr;
    return new (std::nothrow) ComboDataObject(readOnly, wrapped, owner);
}

ComboDataObject::ComboDataObject(bool readOnly, win::IDataObject *wrapped, DataObjectOwner *owner)
    : m_wrapped(wrapped), m_readOnly(readOnly), m_owner(owner),
      m_ownerRef(owner ? owner->OwnerIdentity() : nullptr)
{
    module().objectCreated();
}

ComboDataObject::~ComboDataObject() { module().objectDestroyed(); }

uint32_t ComboDataObject::Release()
{
    const uint32_t left = --m_refs;
    if (!left)
        delete this;
    return left;
}

HRESULT ComboDataObject::QueryInterface(const IID &iid, void **object)
{
    IVBDataObject *vb = this;
    return queryInterfaceIn(vb, iid, object,
                            {{IID_IUnknown, vb},
                             {IID_IDispatch, vb},
                             {IID_IVBDataObject, vb},
                             {win::IID_IDataObject, static_cast<win::IDataObject *>(this)},
                             {IID_ISupportErrorInfo, static_cast<ISupportErrorInfo *>(this)}});
}

HRESULT ComboDataObject::InterfaceSupportsErrorInfo(const IID &iid)
{
    return iid == IID_IVBDataObject ? S_OK : S_FALSE;
}

HRESULT ComboDataObject::raise(HRESULT hr, uint32_t stringId) const
{
    return reportError(hr, IID_IVBDataObject, QStringLiteral("DataObject"), module().loadString(stringId));
}

// ---- IVBDataObject

HRESULT ComboDataObject::Clear()
{
    if (m_readOnly)
        return raise(DATAOBJ_E_INVALIDUSE, IDS_DATAOBJ_INVALIDUSE);
    m_entries.clear();
    m_wrapped.reset();
    return S_OK;
}

HRESULT ComboDataObject::GetData(int16_t format, VARIANT *data)
{
    if (!m_readOnly)
        return raise(DATAOBJ_E_INVALIDUSE, IDS_DATAOBJ_INVALIDUSE);
    if (!m_wrapped)
        return raise(DATAOBJ_E_FORMATMISMATCH, IDS_DATAOBJ_FORMATMISMATCH);
    if (!data)
        return E_POINTER;
    const win::FORMATETC f = FormatEtcOf(win::CLIPFORMAT(format));
    win::STGMEDIUM medium;
    if (const HRESULT hr = m_wrapped->GetData(&f, &medium); FAILED(hr))
        return hr;
    // Only global memory can be read here.
    if (medium.tymed != win::TYMED_HGLOBAL) {
        win::ReleaseStgMedium(&medium);
        return win::DV_E_TYMED;
    }
    const auto *bytes = static_cast<const char *>(GlobalLock(medium.hGlobal));
    if (!bytes) {
        win::ReleaseStgMedium(&medium);
        return E_OUTOFMEMORY;
    }
    const size_t size = GlobalSize(medium.hGlobal);
    HRESULT hr = S_OK;
    if (format == win::CF_TEXT) {
        // A foreign block need not be terminated: read no further than its size.
        const size_t length = strnlen(bytes, size);
        VariantClear(data);
        data->vt = VT_BSTR;
        data->bstrVal = SysAllocQString(cp::fromAnsiLenient(QByteArray(bytes, int(length))));
    } else {
        SAFEARRAY *array = SafeArrayCreateVector(VT_UI1, 0, uint32_t(size));
        void *raw = nullptr;
        if (!array || FAILED(SafeArrayAccessData(array, &raw))) {
            if (array)
                SafeArrayDestroy(array);
            hr = E_OUTOFMEMORY;
        } else {
            if (size)
                std::memcpy(raw, bytes, size);
            SafeArrayUnaccessData(array);
            VariantClear(data);
            data->vt = VT_ARRAY | VT_UI1;
            data->parray = array;
        }
    }
    GlobalUnlock(medium.hGlobal);
    win::ReleaseStgMedium(&medium);
    return hr;
}

HRESULT ComboDataObject::GetFormat(int16_t format, VARIANT_BOOL *supported)
{
    if (!supported)
        return E_POINTER;
    *supported = VARIANT_FALSE;
    if (format == win::CF_BITMAP || format == win::CF_PALETTE || !m_wrapped)
        return S_OK;
    const win::FORMATETC f = FormatEtcOf(win::CLIPFORMAT(format));
    if (m_wrapped->QueryGetData(&f) == S_OK)
        *supported = VARIANT_TRUE;
    return S_OK;
}

HRESULT ComboDataObject::SetData(const VARIANT *value, const VARIANT *format)
{
    if (m_readOnly)
        return raise(DATAOBJ_E_INVALIDUSE, IDS_DATAOBJ_INVALIDUSE);
    const VARIANT *given = missing(value) ? nullptr : value;
    Entry entry{0, Variant()};
    if (!missing(format)) {
        Variant i2;
        if (const HRESULT hr = VariantChangeType(&i2, derefVariant(const_cast<VARIANT *>(format)), 0, VT_I2);
            FAILED(hr))
            return hr;
        entry.format = win::CLIPFORMAT(i2.iVal);
        if (given) {
            Variant text;
            if (entry.format != win::CF_TEXT
                || FAILED(VariantChangeType(&text, derefVariant(const_cast<VARIANT *>(given)), 0, VT_BSTR)))
                return raise(DATAOBJ_E_NOTBYTEARRAY, IDS_DATAOBJ_NOTBYTEARRAY);
            entry.value = std::move(text);
        }
    } else {
        if (!given)
            return raise(DATAOBJ_E_ARGUMENTREQUIRED, IDS_DATAOBJ_ARGUMENTREQUIRED);
        Variant text;
        if (FAILED(VariantChangeType(&text, derefVariant(const_cast<VARIANT *>(given)), 0, VT_BSTR)))
            return raise(DATAOBJ_E_FORMATMISMATCH, IDS_DATAOBJ_FORMATMISMATCH);
        // A text, or a value that reads as one, is text: stored as CF_TEXT so
        // that the drop target can ask for it.
        entry.format = win::CF_TEXT;
        entry.value = std::move(text);
    }
    m_entries.insert(m_entries.begin(), std::move(entry));
    return S_OK;
}

HRESULT ComboDataObject::get_Files(IDispatch **files)
{
    if (files)
        *files = nullptr;
    return DATAOBJ_E_NOFILES;
}

// ---- IDataObject

const ComboDataObject::Entry *ComboDataObject::findEntry(win::CLIPFORMAT format) const
{
    for (const Entry &e : m_entries)
        if (e.format == format || (e.format == win::CF_BITMAP && format == win::CF_DIB))
            return &e;
    return nullptr;
}

HRESULT ComboDataObject::GetData(const win::FORMATETC *format, win::STGMEDIUM *medium)
{
    if (!format || !medium)
        return E_POINTER;
    const Entry *entry = findEntry(format->cfFormat);
    if (!entry)
        return m_wrapped ? m_wrapped->GetData(format, medium) : win::DV_E_FORMATETC;
    if (entry->value.vt == VT_EMPTY && m_owner) {
        // Announced without data: the application may give it now.
        ComPtr<ComboDataObject> self(this);
        IDispatch *data = static_cast<IVBDataObject *>(this);
        data->AddRef();
        int16_t requested = int16_t(format->cfFormat);
        m_owner->FireOLESetData(&data, &requested);
        if (data)
            data->Release();
        entry = findEntry(format->cfFormat);
        if (!entry)
            return win::DV_E_FORMATETC;
    }
    return renderText(*entry, *format, medium);
}

HRESULT ComboDataObject::renderText(const Entry &entry, const win::FORMATETC &format, win::STGMEDIUM *medium) const
{
    if (entry.format != win::CF_TEXT)
        return E_FAIL;
    if (!(format.tymed & win::TYMED_HGLOBAL))
        return win::DV_E_TYMED;
    Variant text;
    if (const HRESULT hr = VariantChangeType(&text, &entry.value, 0, VT_BSTR); FAILED(hr))
        return hr;
    const QString s = bstrToQString(text.bstrVal);
    if (!cp::isAnsiEncodable(s))
        return DISP_E_TYPEMISMATCH;
    const QByteArray ansi = cp::toAnsi(s);
    // The ANSI bytes and the terminator.
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, size_t(ansi.size()) + 1);
    if (!block)
        return STG_E_MEDIUMFULL;
    auto *bytes = static_cast<char *>(GlobalLock(block));
    if (!bytes) {
        GlobalFree(block);
        return STG_E_MEDIUMFULL;
    }
    std::memcpy(bytes, ansi.constData(), size_t(ansi.size()));
    bytes[ansi.size()] = '\0';
    GlobalUnlock(block);
    medium->tymed = win::TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT ComboDataObject::QueryGetData(const win::FORMATETC *format)
{
    if (!format)
        return E_POINTER;
    ComPtr<win::IEnumFORMATETC> formats;
    if (const HRESULT hr = EnumFormatEtc(win::DATADIR_GET, formats.put()); FAILED(hr) || !formats)
        return FAILED(hr) ? hr : E_FAIL;
    win::FORMATETC f;
    HRESULT hr;
    while ((hr = formats->Next(1, &f, nullptr)) == S_OK) {
        if (f.cfFormat == format->cfFormat && f.dwAspect == format->dwAspect && f.lindex == format->lindex
            && (f.tymed & format->tymed))
            return S_OK;
    }
    return hr;
}

HRESULT ComboDataObject::EnumFormatEtc(win::DWORD direction, win::IEnumFORMATETC **formats)
{
    if (!formats)
        return E_POINTER;
    *formats = nullptr;
    if (m_entries.empty())
        return m_wrapped ? m_wrapped->EnumFormatEtc(direction, formats) : E_NOTIMPL;
    std::vector<win::FORMATETC> list;
    for (const Entry &e : m_entries)
        list.push_back(FormatEtcOf(e.format));
    return win::CreateFormatEnumerator(list.data(), win::ULONG(list.size()), formats);
}

HRESULT ComboDataObject::SetData(const win::FORMATETC *format, win::STGMEDIUM *medium, win::BOOL release)
{
    return m_wrapped ? m_wrapped->SetData(format, medium, release) : E_NOTIMPL;
}

HRESULT ComboDataObject::DAdvise(const win::FORMATETC *format, win::DWORD advf, win::IAdviseSink *sink,
                                 win::DWORD *connection)
{
    if (!m_adviseHolder) {
        if (const HRESULT hr = win::CreateDataAdviseHolder(m_adviseHolder.put()); FAILED(hr))
            return hr;
    }
    return m_adviseHolder->Advise(this, format, advf, sink, connection);
}

HRESULT ComboDataObject::DUnadvise(win::DWORD connection)
{
    return m_adviseHolder ? m_adviseHolder->Unadvise(connection) : win::OLE_E_NOCONNECTION;
}

HRESULT ComboDataObject::EnumDAdvise(win::IEnumSTATDATA **advises)
{
    if (advises)
        *advises = nullptr;
    return m_adviseHolder ? m_adviseHolder->EnumAdvise(advises) : E_FAIL;
}

// ---- IDispatch

const DispatchTable<ComboDataObject> &ComboDataObject::dispatchTable()
{
    using C = ComboDataObject;
    using Args = std::vector<VARIANT *>;
    static const DispatchTable<C> table({
        {u"Clear", DISPID_DATAOBJECT_CLEAR, DISPATCH_METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *) -> HRESULT {
             return args.empty() ? self->Clear() : DISP_E_BADPARAMCOUNT;
         }},
        {u"GetData", DISPID_DATAOBJECT_GETDATA, DISPATCH_METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *r) -> HRESULT {
             if (args.size() != 1)
                 return DISP_E_BADPARAMCOUNT;
             int16_t format = 0;
             if (const HRESULT hr = argI2(args[0], &format); FAILED(hr))
                 return hr;
             Variant value;
             const HRESULT hr = self->GetData(format, &value);
             if (SUCCEEDED(hr) && r) {
                 VariantClear(r);
                 *static_cast<VARIANT *>(r) = value;
                 value.vt = VT_EMPTY;
             }
             return hr;
         }},
        {u"GetFormat", DISPID_DATAOBJECT_GETFORMAT, DISPATCH_METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *r) -> HRESULT {
             if (args.size() != 1)
                 return DISP_E_BADPARAMCOUNT;
             int16_t format = 0;
             if (const HRESULT hr = argI2(args[0], &format); FAILED(hr))
                 return hr;
             VARIANT_BOOL supported = VARIANT_FALSE;
             const HRESULT hr = self->GetFormat(format, &supported);
             if (SUCCEEDED(hr) && r) {
                 VariantClear(r);
                 r->vt = VT_BOOL;
                 r->boolVal = supported;
             }
             return hr;
         }},
        {u"SetData", DISPID_DATAOBJECT_SETDATA, DISPATCH_METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *) -> HRESULT {
             if (args.size() > 2)
                 return DISP_E_BADPARAMCOUNT;
             return self->SetData(args.size() > 0 ? args[0] : nullptr, args.size() > 1 ? args[1] : nullptr);
         }},
        {u"Files", DISPID_DATAOBJECT_FILES, DISPATCH_PROPERTYGET,
         [](C *self, uint16_t, Args &, VARIANT *) -> HRESULT {
             IDispatch *files = nullptr;
             return self->get_Files(&files);
         }},
    });
    return table;
}

} // namespace pickwell
