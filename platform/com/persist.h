#pragma once
// Persistence: IPersistStream(Init), IPersistPropertyBag, an in-memory
// property bag with nested objects, WriteClassStm / ReadClassStm,
// OleSaveToStream / OleLoadFromStream.
#include "platform/com/automation.h"
#include "platform/com/stream.h"

#include <QString>

#include <vector>

namespace platform::com {

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID *clsid) = 0;
};

struct IPersistStream : IPersist {
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream *stream) = 0;
    virtual HRESULT Save(IStream *stream, bool clearDirty) = 0;
    virtual HRESULT GetSizeMax(uint64_t *size) = 0;
};

// Same slots as IPersistStream, plus InitNew.
struct IPersistStreamInit : IPersistStream {
    virtual HRESULT InitNew() = 0;
};

struct IErrorLog : IUnknown {
    virtual HRESULT AddError(const OLECHAR *propertyName, EXCEPINFO *excep) = 0;
};

struct IPropertyBag : IUnknown {
    // The caller presets value->vt to the type it wants (VT_EMPTY: as stored).
    // For VT_UNKNOWN / VT_DISPATCH with an object preset, a stored object is
    // loaded into that object instead of a new one. E_INVALIDARG means the
    // bag has no value of that name (PropertyBag answers nothing else with it).
    virtual HRESULT Read(const OLECHAR *name, VARIANT *value, IErrorLog *log) = 0;
    virtual HRESULT Write(const OLECHAR *name, VARIANT *value) = 0;
};

struct IPersistPropertyBag : IPersist {
    virtual HRESULT InitNew() = 0;
    virtual HRESULT Load(IPropertyBag *bag, IErrorLog *log) = 0;
    virtual HRESULT Save(IPropertyBag *bag, bool clearDirty, bool saveAll) = 0;
};

extern const IID IID_IPersist;
extern const IID IID_IPersistStream;
extern const IID IID_IPersistStreamInit;
extern const IID IID_IPropertyBag;
extern const IID IID_IErrorLog;
extern const IID IID_IPersistPropertyBag;

// The class id as 16 bytes: Data1, Data2, Data3 little-endian, then Data4.
HRESULT WriteClassStm(IStream *stream, const CLSID &clsid);
// STG_E_READFAULT when fewer than 16 bytes are left.
HRESULT ReadClassStm(IStream *stream, CLSID *clsid);
// A null object writes GUID_NULL and nothing else.
HRESULT OleSaveToStream(IPersistStream *object, IStream *stream);
// REGDB_E_CLASSNOTREG for GUID_NULL (the form of a null object).
HRESULT OleLoadFromStream(IStream *stream, const IID &iid, void **object);

// Reads exactly `bytes` bytes; false on a short read or an error.
bool readExact(IStream *stream, void *buffer, uint32_t bytes);
bool writeExact(IStream *stream, const void *buffer, uint32_t bytes);

// A property bag in memory. Names compare ignoring ASCII case; entries keep
// their order. An object is kept as its class id with either a nested bag
// (when it persists to bags) or its stream bytes.
class PropertyBag final : public IPropertyBag {
public:
    PropertyBag() = default;

    HRESULT QueryInterface(const IID &iid, void **object) override;
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override;
    HRESULT Read(const OLECHAR *name, VARIANT *value, IErrorLog *log) override;
    HRESULT Write(const OLECHAR *name, VARIANT *value) override;

    struct Entry {
        QString name;
        Variant value;          // for a plain value
        bool isObject = false;
        CLSID clsid;
        ComPtr<PropertyBag> bag;    // object saved to a bag
        std::vector<uint8_t> bytes; // object saved to a stream
    };
    const std::vector<Entry> &entries() const { return m_entries; }
    const Entry *find(const QString &name) const;
    QStringList names() const;
    // Test and host helpers.
    void setValue(const QString &name, const Variant &value);
    // An object entry: its class id with its stream bytes, or with a nested bag.
    void setObjectBytes(const QString &name, const CLSID &clsid, std::vector<uint8_t> bytes);
    void setObjectBag(const QString &name, const CLSID &clsid, ComPtr<PropertyBag> bag);
    bool remove(const QString &name);

private:
    ~PropertyBag() override = default;
    Entry *findMutable(const QString &name);
    static HRESULT loadInto(const Entry &e, IUnknown *object, IErrorLog *log);

    std::vector<Entry> m_entries;
    std::atomic<uint32_t> m_refs{0};
};

} // namespace platform::com
