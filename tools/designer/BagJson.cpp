#include "tools/designer/BagJson.h"

#include "platform/com/objectbase.h"
#include "platform/com/stream.h"

#include <QJsonDocument>

namespace designer {

using com::ComPtr;
using com::HRESULT;

namespace {

QJsonValue valueToJson(const com::VARIANT &v)
{
    switch (v.vt) {
    case com::VT_EMPTY:
    case com::VT_NULL:
        return QJsonValue();
    case com::VT_I2:
        return v.iVal;
    case com::VT_I4:
    case com::VT_ERROR:
        return v.lVal;
    case com::VT_UI1:
        return v.bVal;
    case com::VT_I1:
        return v.cVal;
    case com::VT_UI2:
        return v.uiVal;
    case com::VT_UI4:
        return static_cast<qint64>(v.ulVal);
    case com::VT_R4:
        return static_cast<double>(v.fltVal);
    case com::VT_R8:
        return v.dblVal;
    case com::VT_BOOL:
        return v.boolVal != 0;
    case com::VT_BSTR:
        return v.bstrVal ? QJsonValue(com::bstrToQString(v.bstrVal)) : QJsonValue();
    default: {
        // Anything else travels as its text.
        com::Variant text;
        if (com::VariantChangeType(&text, &v, 0, com::VT_BSTR) == com::S_OK && text.bstrVal)
            return com::bstrToQString(text.bstrVal);
        return QJsonValue();
    }
    }
}

bool jsonToValue(const QJsonValue &json, int vt, com::Variant *out)
{
    com::Variant &v = *out;
    switch (vt) {
    case com::VT_EMPTY:
    case com::VT_NULL:
        v.vt = static_cast<com::VARTYPE>(vt);
        return true;
    case com::VT_BSTR:
        if (json.isNull()) {
            v = com::Variant::nullStr();
            return true;
        }
        if (!json.isString())
            return false;
        v = com::Variant::str(json.toString());
        return true;
    case com::VT_BOOL:
        if (!json.isBool())
            return false;
        v = com::Variant::boolean(json.toBool());
        return true;
    case com::VT_I2:
    case com::VT_I4:
    case com::VT_ERROR:
    case com::VT_UI1:
    case com::VT_I1:
    case com::VT_UI2:
    case com::VT_UI4:
    case com::VT_R4:
    case com::VT_R8: {
        if (!json.isDouble())
            return false;
        com::Variant r8 = com::Variant::r8(json.toDouble());
        if (vt == com::VT_ERROR) {
            v.vt = com::VT_ERROR;
            v.lVal = static_cast<int32_t>(json.toDouble());
            return true;
        }
        return com::VariantChangeType(&v, &r8, 0, static_cast<com::VARTYPE>(vt)) == com::S_OK;
    }
    default: {
        if (!json.isString())
            return false;
        com::Variant text = com::Variant::str(json.toString());
        return com::VariantChangeType(&v, &text, 0, static_cast<com::VARTYPE>(vt)) == com::S_OK;
    }
    }
}

// Stands for a stored object while the bag is rebuilt: saving it writes
// what the file holds, under the stored class id.
class ReplayBagObject final : public com::RefCounted<com::IPersistPropertyBag> {
public:
    ReplayBagObject(const com::CLSID &clsid, ComPtr<com::PropertyBag> content) : m_clsid(clsid), m_content(content) {}
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object,
                                     {{com::IID_IUnknown, static_cast<com::IPersistPropertyBag *>(this)},
                                      {com::IID_IPersist, static_cast<com::IPersistPropertyBag *>(this)},
                                      {com::IID_IPersistPropertyBag, static_cast<com::IPersistPropertyBag *>(this)}});
    }
    HRESULT GetClassID(com::CLSID *clsid) override { return com::outValue(clsid, m_clsid); }
    HRESULT InitNew() override { return com::S_OK; }
    HRESULT Load(com::IPropertyBag *, com::IErrorLog *) override { return com::E_NOTIMPL; }
    HRESULT Save(com::IPropertyBag *bag, bool, bool) override
    {
        for (const com::PropertyBag::Entry &e : m_content->entries()) {
            const std::u16string name = e.name.toStdU16String();
            HRESULT hr;
            if (e.isObject) {
                ComPtr<com::IUnknown> object = replayOf(e);
                com::Variant v = com::Variant::unknown(object.get());
                hr = bag->Write(name.c_str(), &v);
            } else {
                com::Variant v;
                com::VariantCopy(&v, &e.value);
                hr = bag->Write(name.c_str(), &v);
            }
            if (com::FAILED(hr))
                return hr;
        }
        return com::S_OK;
    }
    static ComPtr<com::IUnknown> replayOf(const com::PropertyBag::Entry &e);

private:
    com::CLSID m_clsid;
    ComPtr<com::PropertyBag> m_content;
};

class ReplayStreamObject final : public com::RefCounted<com::IPersistStreamInit> {
public:
    ReplayStreamObject(const com::CLSID &clsid, std::vector<uint8_t> bytes) : m_clsid(clsid), m_bytes(std::move(bytes)) {}
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object,
                                     {{com::IID_IUnknown, static_cast<com::IPersistStreamInit *>(this)},
                                      {com::IID_IPersist, static_cast<com::IPersistStreamInit *>(this)},
                                      {com::IID_IPersistStream, static_cast<com::IPersistStreamInit *>(this)},
                                      {com::IID_IPersistStreamInit, static_cast<com::IPersistStreamInit *>(this)}});
    }
    HRESULT GetClassID(com::CLSID *clsid) override { return com::outValue(clsid, m_clsid); }
    HRESULT IsDirty() override { return com::S_FALSE; }
    HRESULT Load(com::IStream *) override { return com::E_NOTIMPL; }
    HRESULT Save(com::IStream *stream, bool) override
    {
        if (m_bytes.empty())
            return com::S_OK;
        return com::writeExact(stream, m_bytes.data(), static_cast<uint32_t>(m_bytes.size())) ? com::S_OK
                                                                                               : com::E_FAIL;
    }
    HRESULT GetSizeMax(uint64_t *size) override { return com::outValue(size, static_cast<uint64_t>(m_bytes.size())); }
    HRESULT InitNew() override { return com::S_OK; }

private:
    com::CLSID m_clsid;
    std::vector<uint8_t> m_bytes;
};

ComPtr<com::IUnknown> ReplayBagObject::replayOf(const com::PropertyBag::Entry &e)
{
    if (e.bag)
        return ComPtr<com::IUnknown>(static_cast<com::IPersistPropertyBag *>(new ReplayBagObject(e.clsid, e.bag)));
    return ComPtr<com::IUnknown>(static_cast<com::IPersistStreamInit *>(new ReplayStreamObject(e.clsid, e.bytes)));
}

} // namespace

QJsonArray bagToJson(const com::PropertyBag &bag)
{
    QJsonArray out;
    for (const com::PropertyBag::Entry &e : bag.entries()) {
        QJsonObject o;
        o.insert("name", e.name);
        if (e.isObject) {
            o.insert("clsid", e.clsid.toString());
            if (e.bag) {
                o.insert("bag", bagToJson(*e.bag));
            } else {
                const QByteArray bytes(reinterpret_cast<const char *>(e.bytes.data()), static_cast<qsizetype>(e.bytes.size()));
                o.insert("stream", QString::fromLatin1(bytes.toBase64()));
            }
        } else {
            o.insert("vt", e.value.vt);
            o.insert("value", valueToJson(e.value));
        }
        out.append(o);
    }
    return out;
}

bool jsonToBag(const QJsonArray &entries, com::PropertyBag *bag, QString *error)
{
    for (const QJsonValue &item : entries) {
        const QJsonObject o = item.toObject();
        const QString name = o.value("name").toString();
        if (!item.isObject() || name.isEmpty()) {
            *error = QStringLiteral("名前のない項目があります。");
            return false;
        }
        const std::u16string key = name.toStdU16String();
        if (o.contains("clsid")) {
            bool ok = false;
            const com::CLSID clsid = com::CLSID::fromString(o.value("clsid").toString(), &ok);
            if (!ok) {
                *error = QStringLiteral("%1 のクラス ID が不正です。").arg(name);
                return false;
            }
            com::PropertyBag::Entry e;
            e.isObject = true;
            e.clsid = clsid;
            if (o.value("bag").isArray()) {
                e.bag = ComPtr<com::PropertyBag>(new com::PropertyBag);
                if (!jsonToBag(o.value("bag").toArray(), e.bag.get(), error))
                    return false;
            } else if (o.value("stream").isString()) {
                const QByteArray bytes = QByteArray::fromBase64(o.value("stream").toString().toLatin1(),
                                                                QByteArray::AbortOnBase64DecodingErrors);
                if (bytes.isEmpty() && !o.value("stream").toString().isEmpty()) {
                    *error = QStringLiteral("%1 のストリームが不正です。").arg(name);
                    return false;
                }
                e.bytes.assign(bytes.begin(), bytes.end());
            } else {
                *error = QStringLiteral("%1 の内容がありません。").arg(name);
                return false;
            }
            ComPtr<com::IUnknown> replay = ReplayBagObject::replayOf(e);
            com::Variant v = com::Variant::unknown(replay.get());
            if (com::FAILED(bag->Write(key.c_str(), &v))) {
                *error = QStringLiteral("%1 を読み込めません。").arg(name);
                return false;
            }
            continue;
        }
        com::Variant v;
        if (!o.value("vt").isDouble() || !jsonToValue(o.value("value"), o.value("vt").toInt(), &v)) {
            *error = QStringLiteral("%1 の値が不正です。").arg(name);
            return false;
        }
        bag->setValue(name, v);
    }
    return true;
}

QByteArray designFileBytes(const QString &progId, const com::PropertyBag &bag)
{
    QJsonObject root;
    root.insert("control", progId);
    root.insert("bag", bagToJson(bag));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool parseDesignFile(const QByteArray &bytes, QString *progId, com::PropertyBag *bag, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (doc.isNull() || !doc.isObject()) {
        *error = QStringLiteral("デザイン ファイルではありません。");
        return false;
    }
    const QJsonObject root = doc.object();
    *progId = root.value("control").toString();
    if (progId->isEmpty() || !root.value("bag").isArray()) {
        *error = QStringLiteral("デザイン ファイルではありません。");
        return false;
    }
    return jsonToBag(root.value("bag").toArray(), bag, error);
}

} // namespace designer
