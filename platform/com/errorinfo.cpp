#include "platform/com/errorinfo.h"

#include "platform/com/comrt/comrt.h"

namespace platform::com {

const IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID IID_ISupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

namespace {

class ErrorObject final : public IErrorInfo {
public:
    ErrorObject(const IID &iid, QString source, QString description)
        : m_iid(iid), m_source(std::move(source)), m_description(std::move(description))
    {
    }
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IErrorInfo) {
            *object = static_cast<IErrorInfo *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override
    {
        const uint32_t left = --m_refs;
        if (!left)
            delete this;
        return left;
    }
    HRESULT GetGUID(GUID *guid) override
    {
        if (!guid)
            return E_POINTER;
        *guid = m_iid;
        return S_OK;
    }
    HRESULT GetSource(BSTR *source) override
    {
        if (!source)
            return E_POINTER;
        *source = SysAllocQString(m_source);
        return S_OK;
    }
    HRESULT GetDescription(BSTR *description) override
    {
        if (!description)
            return E_POINTER;
        *description = SysAllocQString(m_description);
        return S_OK;
    }
    HRESULT GetHelpFile(BSTR *file) override
    {
        if (!file)
            return E_POINTER;
        *file = nullptr;
        return S_OK;
    }
    HRESULT GetHelpContext(uint32_t *context) override
    {
        if (!context)
            return E_POINTER;
        *context = 0;
        return S_OK;
    }

private:
    IID m_iid;
    QString m_source;
    QString m_description;
    std::atomic<uint32_t> m_refs{0};
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
