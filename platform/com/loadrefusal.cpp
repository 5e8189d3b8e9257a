#include "platform/com/loadrefusal.h"

#include "platform/com/objectbase.h"

namespace platform::com {

const IID IID_ILoadRefusal = {0x6B0E2C71, 0x3F4A, 0x4D2B, {0x9A, 0x51, 0x27, 0xC8, 0x0D, 0x44, 0xE1, 0x93}};

namespace {

// An error object that also carries the refusal it describes.
class RefusalError final : public RefCounted<IErrorInfo, ILoadRefusal> {
public:
    RefusalError(const IID &iid, QString source, LoadRefusal refusal)
        : m_iid(iid), m_source(std::move(source)), m_refusal(std::move(refusal))
    {
    }
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(static_cast<IErrorInfo *>(this), iid, object,
                                {{IID_IUnknown, static_cast<IErrorInfo *>(this)},
                                 {IID_IErrorInfo, static_cast<IErrorInfo *>(this)},
                                 {IID_ILoadRefusal, static_cast<ILoadRefusal *>(this)}});
    }
    HRESULT GetGUID(GUID *guid) override { return outValue(guid, m_iid); }
    HRESULT GetSource(BSTR *source) override { return outString(source, m_source); }
    HRESULT GetDescription(BSTR *description) override { return outString(description, LoadRefusalText(m_refusal)); }
    HRESULT GetHelpFile(BSTR *file) override { return outValue(file, BSTR(nullptr)); }
    HRESULT GetHelpContext(uint32_t *context) override { return outValue(context, uint32_t(0)); }
    HRESULT GetRefusedProperty(BSTR *property) override { return outString(property, m_refusal.property); }
    HRESULT GetRefusedValue(BSTR *value) override { return outString(value, m_refusal.value); }

private:
    IID m_iid;
    QString m_source;
    LoadRefusal m_refusal;
};

QString bstrText(BSTR b)
{
    const QString text = bstrToQString(b);
    SysFreeString(b);
    return text;
}

} // namespace

QString LoadRefusalText(const LoadRefusal &refusal)
{
    if (!refusal.isSet())
        return QStringLiteral("保存された値を読み込めません。");
    return QStringLiteral("プロパティ %1 の値 %2 は読み込めません。").arg(refusal.property, refusal.value);
}

HRESULT ReportLoadRefusal(HRESULT hr, const LoadRefusal &refusal, const IID &iid, const QString &source)
{
    ComPtr<IErrorInfo> info(static_cast<IErrorInfo *>(new RefusalError(iid, source, refusal)));
    SetErrorInfo(0, info.get());
    return hr;
}

bool TakeLoadRefusal(LoadRefusal *refusal, QString *description)
{
    if (description)
        description->clear();
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info)
        return false;
    ComPtr<ILoadRefusal> r;
    if (SUCCEEDED(info->QueryInterface(IID_ILoadRefusal, r.putVoid())) && r) {
        BSTR property = nullptr, value = nullptr;
        r->GetRefusedProperty(&property);
        r->GetRefusedValue(&value);
        LoadRefusal found{bstrText(property), bstrText(value)};
        if (found.isSet()) {
            if (refusal)
                *refusal = std::move(found);
            return true;
        }
    }
    if (description) {
        BSTR text = nullptr;
        info->GetDescription(&text);
        *description = bstrText(text);
    }
    return false;
}

QString DescribeLoadedString(const QString &text)
{
    constexpr int kShown = 40;
    if (text.size() <= kShown)
        return QLatin1Char('"') + text + QLatin1Char('"');
    return QStringLiteral("\"%1…\"（%2 文字）").arg(text.left(kShown)).arg(text.size());
}

QString DescribeLoadedColour(uint32_t colour)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(colour, 8, 16, QLatin1Char('0')).toUpper();
}

QString DescribeLoadedValue(const VARIANT &value)
{
    switch (value.vt) {
    case VT_EMPTY: return QStringLiteral("(空)");
    case VT_NULL: return QStringLiteral("Null");
    case VT_I2: return QString::number(value.iVal);
    case VT_I4: return QString::number(value.lVal);
    case VT_I1: return QString::number(value.cVal);
    case VT_UI1: return QString::number(value.bVal);
    case VT_UI2: return QString::number(value.uiVal);
    case VT_UI4: return QString::number(value.ulVal);
    case VT_R4: return QString::number(double(value.fltVal), 'g', 9);
    case VT_R8: return QString::number(value.dblVal, 'g', 17);
    case VT_BOOL: return value.boolVal ? QStringLiteral("True") : QStringLiteral("False");
    case VT_BSTR: return value.bstrVal ? DescribeLoadedString(bstrToQString(value.bstrVal)) : QStringLiteral("\"\"");
    case VT_UNKNOWN:
    case VT_DISPATCH: return QStringLiteral("(オブジェクト)");
    default: return QStringLiteral("(型 %1 の値)").arg(value.vt);
    }
}

QString TruncatedDataText() { return QStringLiteral("(データが途中で終わっています)"); }

QString StringLengthText(uint32_t bytes) { return QStringLiteral("(文字列の長さ %1 バイト)").arg(bytes); }

QString UnknownClassText(const CLSID &clsid) { return QStringLiteral("(作成できないクラス %1)").arg(clsid.toString()); }

} // namespace platform::com
