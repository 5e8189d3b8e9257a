#pragma once
// DataObject: the object the combo's drag-and-drop events hand to the
// application. Its IVBDataObject side lets a handler announce, set and read
// formats; its IDataObject side is what the drag gives to the drop target.
// On the source side it wraps the control's own data object (the selected
// text) and may be filled by the application; on the target side it is
// read-only and wraps the data the drag delivered.
#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"
#include "platform/win/ole/dragdrop.h"

#include <vector>

namespace pickwell {

namespace com = platform::com;
namespace win = platform::win;
using com::HRESULT;

extern const com::CLSID CLSID_DataObject;
extern const com::IID IID_IVBDataObject;
extern const com::IID IID_IVBDataObjectFiles;

enum : com::DISPID {
    DISPID_DATAOBJECT_CLEAR = 1,
    DISPID_DATAOBJECT_GETDATA = 2,
    DISPID_DATAOBJECT_GETFORMAT = 3,
    DISPID_DATAOBJECT_SETDATA = 4,
    DISPID_DATAOBJECT_FILES = 5,
};

// Errors of the DataObject and their string ids.
constexpr HRESULT DATAOBJ_E_INVALIDUSE = static_cast<HRESULT>(0x800A01A9u);       // 8500
constexpr HRESULT DATAOBJ_E_FORMATMISMATCH = static_cast<HRESULT>(0x800A01CDu);   // 8501
constexpr HRESULT DATAOBJ_E_ARGUMENTREQUIRED = static_cast<HRESULT>(0x800A02A1u); // 8502
constexpr HRESULT DATAOBJ_E_NOTBYTEARRAY = static_cast<HRESULT>(0x800A02A3u);     // 8503
constexpr HRESULT DATAOBJ_E_NOFILES = static_cast<HRESULT>(0x800A0189u);
enum : uint32_t {
    IDS_DATAOBJ_INVALIDUSE = 8500,
    IDS_DATAOBJ_FORMATMISMATCH = 8501,
    IDS_DATAOBJ_ARGUMENTREQUIRED = 8502,
    IDS_DATAOBJ_NOTBYTEARRAY = 8503,
};

struct IVBDataObject : com::IDispatch {
    virtual HRESULT Clear() = 0;
    virtual HRESULT GetData(int16_t format, com::VARIANT *data) = 0;
    virtual HRESULT GetFormat(int16_t format, com::VARIANT_BOOL *supported) = 0;
    // Both arguments optional: null or VT_ERROR counts as missing.
    virtual HRESULT SetData(const com::VARIANT *value, const com::VARIANT *format) = 0;
    virtual HRESULT get_Files(com::IDispatch **files) = 0;
};

// Who fires OLESetData for a format that was announced without data.
class DataObjectOwner {
public:
    virtual void FireOLESetData(com::IDispatch **data, int16_t *format) = 0;
    // The owner's identity, held while the object may still call it.
    virtual com::IUnknown *OwnerIdentity() = 0;

protected:
    ~DataObjectOwner() = default;
};

// The medium type of a clipboard format: 2 and 8 GDI, 3 metafile picture,
// 14 enhanced metafile, any other global memory.
win::DWORD MediumOfFormat(win::CLIPFORMAT format);
// FORMATETC for the format: no device, content aspect, index -1.
win::FORMATETC FormatEtcOf(win::CLIPFORMAT format);

class ComboDataObject final : public com::DispatchImpl<ComboDataObject, IVBDataObject>,
                              public win::IDataObject,
                              public com::ISupportErrorInfo {
public:
    // Null when the object cannot be made (out of memory).
    static ComboDataObject *create(bool readOnly, win::IDataObject *wrapped, DataObjectOwner *owner);

    static const com::DispatchTable<ComboDataObject> &dispatchTable();

    // IUnknown
    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override;

    // IVBDataObject
    HRESULT Clear() override;
    HRESULT GetData(int16_t format, com::VARIANT *data) override;
    HRESULT GetFormat(int16_t format, com::VARIANT_BOOL *supported) override;
    HRESULT SetData(const com::VARIANT *value, const com::VARIANT *format) override;
    HRESULT get_Files(com::IDispatch **files) override;

    // IDataObject
    HRESULT GetData(const win::FORMATETC *format, win::STGMEDIUM *medium) override;
    HRESULT GetDataHere(const win::FORMATETC *, win::STGMEDIUM *) override { return com::E_NOTIMPL; }
    HRESULT QueryGetData(const win::FORMATETC *format) override;
    HRESULT GetCanonicalFormatEtc(const win::FORMATETC *, win::FORMATETC *) override { return com::E_NOTIMPL; }
    HRESULT SetData(const win::FORMATETC *format, win::STGMEDIUM *medium, win::BOOL release) override;
    HRESULT EnumFormatEtc(win::DWORD direction, win::IEnumFORMATETC **formats) override;
    HRESULT DAdvise(const win::FORMATETC *format, win::DWORD advf, win::IAdviseSink *sink,
                    win::DWORD *connection) override;
    HRESULT DUnadvise(win::DWORD connection) override;
    HRESULT EnumDAdvise(win::IEnumSTATDATA **advises) override;

    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override;

    bool isReadOnly() const { return m_readOnly; }
    win::IDataObject *wrapped() const { return m_wrapped.get(); }
    bool hasEntries() const { return !m_entries.empty(); }
    // Tests: the next create() fails as when memory runs out.
    static void failNextCreationForTesting();

private:
    struct Entry {
        win::CLIPFORMAT format;
        com::Variant value; // VT_EMPTY: announced without data
    };

    ComboDataObject(bool readOnly, win::IDataObject *wrapped, DataObjectOwner *owner);
    ~ComboDataObject();
    HRESULT raise(HRESULT hr, uint32_t stringId) const;
    const Entry *findEntry(win::CLIPFORMAT format) const;
    HRESULT renderText(const Entry &entry, const win::FORMATETC &format, win::STGMEDIUM *medium) const;

    std::atomic<uint32_t> m_refs{0};
    std::vector<Entry> m_entries; // newest first
    com::ComPtr<win::IDataObject> m_wrapped;
    bool m_readOnly;
    DataObjectOwner *m_owner;
    com::ComPtr<com::IUnknown> m_ownerRef;
    com::ComPtr<win::IDataAdviseHolder> m_adviseHolder;
};

} // namespace pickwell
