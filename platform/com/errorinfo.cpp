#include "platform/com/errorinfo.h"

#include "platform/com/comrt/comrt.h"
#include "platform/com/objectbase.h"

namespace platform::com {

const IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID IID_ISupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

namespace {

class ErrorObject final : public RefCounted<IErrorInfo> {
public:
    ErrorObject(const IID &iid, QString source, QString description)
        : m_iid(iid), m_source(std::move(source)), m_description(std::move(description))
    {
    }
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(this, iid, object, {{IID_IUnknown, this}, {IID_IErrorInfo, this}});
    }
    HRESULT GetGUID(GUID *guid) override { return outValue(guid, m_iid); }
    HRESULT GetSource(BSTR *source) override { return outString(source, m_source); }
    HRESULT GetDescription(BSTR *description) override { return outString(description, m_description); }
    HRESULT GetHelpFile(BSTR *file) override { return outValue(file, BSTR(nullptr)); }
    HRESULT GetHelpContext(uint32_t *context) override { return outValue(context, uint32_t(0)); }

private:
    IID m_iid;
    QString m_source;
    QString m_description;
};

} // namespace

HRESULT SetErrorInfo(uint32_t, IErrorInfo *info)
{
    void **slot = talvik_com_error_slot();
    if (info)
        info->AddRef();
    if (auto *old = static_cast<IErrorInfo *>(*slot))
        old->Release();
    *slot = info;
    return S_OK;
}

HRESULT GetErrorInfo(uint32_t, IErrorInfo **info)
{
    if (!info)
        return E_POINTER;
    void **slot = talvik_com_error_slot();
    *info = static_cast<IErrorInfo *>(*slot);
    *slot = nullptr;
    return *info ? S_OK : S_FALSE;
}

ComPtr<IErrorInfo> makeErrorInfo(const IID &iid, const QString &source, const QString &description)
{
    return ComPtr<IErrorInfo>(new ErrorObject(iid, source, description));
}

HRESULT reportError(HRESULT hr, const IID &iid, const QString &source, const QString &description)
{
    ComPtr<IErrorInfo> info = makeErrorInfo(iid, source, description);
    SetErrorInfo(0, info.get());
    return hr;
}

} // namespace platform::com
