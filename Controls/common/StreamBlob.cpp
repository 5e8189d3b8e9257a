#include "Controls/common/StreamBlob.h"

#include "platform/com/loadrefusal.h"

#include "platform/com/objectbase.h"

namespace controls {

using namespace platform::com;

namespace {

class StreamBlob final : public RefCounted<IPersistStream> {
public:
    explicit StreamBlob(IPersistStream *owner) : m_owner(owner) {}
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(this, iid, object,
                                {{IID_IUnknown, this}, {IID_IPersistStream, this}, {IID_IPersist, this}});
    }
    HRESULT GetClassID(CLSID *clsid) override { return m_owner->GetClassID(clsid); }
    HRESULT IsDirty() override { return m_owner->IsDirty(); }
    HRESULT Load(IStream *stream) override { return m_owner->Load(stream); }
    HRESULT Save(IStream *stream, bool clearDirty) override { return m_owner->Save(stream, clearDirty); }
    HRESULT GetSizeMax(uint64_t *size) override { return m_owner->GetSizeMax(size); }

private:
    ComPtr<IPersistStream> m_owner;
};

} // namespace

HRESULT saveCollectionToBag(IPersistStream *owner, IPropertyBag *bag)
{
    if (!owner || !bag)
        return E_POINTER;
    Variant version = Variant::i4(kCollectionBagVersion);
    HRESULT hr = bag->Write(u"_Version", &version);
    if (FAILED(hr))
        return hr;
    ComPtr<StreamBlob> blob(new StreamBlob(owner));
    Variant v = Variant::unknown(static_cast<IPersistStream *>(blob.get()));
    return bag->Write(u"Blob", &v);
}

HRESULT loadCollectionFromBag(IPersistStream *owner, IPropertyBag *bag, IErrorLog *log)
{
    if (!owner || !bag)
        return E_POINTER;
    Variant version;
    version.vt = VT_I4;
    bag->Read(u"_Version", &version, log);
    ComPtr<StreamBlob> blob(new StreamBlob(owner));
    Variant v = Variant::unknown(static_cast<IPersistStream *>(blob.get()));
    SetErrorInfo(0, nullptr); // what the owner's load leaves is its own
    const HRESULT hr = bag->Read(u"Blob", &v, log);
    if (SUCCEEDED(hr))
        return hr;
    // The collection is there but its data is not: never "absent".
    LoadRefusal refusal;
    QString description;
    if (!TakeLoadRefusal(&refusal, &description)) {
        refusal.property = QStringLiteral("Blob");
        refusal.value = hr == E_INVALIDARG          ? QStringLiteral("(ありません)")
                        : hr == DISP_E_TYPEMISMATCH ? QStringLiteral("(別のクラスのデータ)")
                        : description.isEmpty()     ? QStringLiteral("(読み込めないデータ)")
                                                    : QStringLiteral("(%1)").arg(description);
    }
    return ReportLoadRefusal(hr == E_INVALIDARG ? E_FAIL : hr, refusal, IID_IPersistPropertyBag, QString());
}

} // namespace controls
