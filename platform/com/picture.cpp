#include "platform/com/picture.h"

#include "platform/com/font.h"
#include "platform/com/objectbase.h"

#include <QBuffer>

namespace platform::com {

const IID IID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
const IID IID_IPictureDisp = {0x7BF80981, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
const CLSID CLSID_StdPicture = {0x0BE35204, 0x8F91, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

namespace {

// Largest picture payload accepted from a stream.
constexpr uint32_t kMaxPictureBytes = 64u << 20;

// IDispatch answers a missing count place with S_OK.
class StdPicture final
    : public RefCounted<IPicture, DispatchImpl<StdPicture, IDispatch, NullCount::Ok>, IPersistStream> {
public:
    StdPicture(int16_t type, QImage image) : m_type(type), m_image(std::move(image)) {}

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        IPicture *primary = this;
        auto *disp = static_cast<IDispatch *>(this);
        auto *ps = static_cast<IPersistStream *>(this);
        return queryInterfaceIn(primary, iid, object,
                                {{IID_IUnknown, primary}, {IID_IPicture, primary}, {IID_IDispatch, disp},
                                 {IID_IPictureDisp, disp}, {IID_IPersistStream, ps}, {IID_IPersist, ps}});
    }

    HRESULT get_Type(int16_t *type) override { return outValue(type, m_type); }
    // 96 dpi: 2540 / 96 HIMETRIC per pixel.
    HRESULT get_Width(int32_t *v) override { return outValue(v, m_image.width() * 2540 / 96); }
    HRESULT get_Height(int32_t *v) override { return outValue(v, m_image.height() * 2540 / 96); }
    HRESULT getImage(QImage *image) override { return outValue(image, m_image); }

    // IPersistStream
    HRESULT GetClassID(CLSID *clsid) override { return outValue(clsid, CLSID_StdPicture); }
    HRESULT IsDirty() override { return S_FALSE; }
    HRESULT Load(IStream *stream) override
    {
        if (!stream)
            return E_POINTER;
        uint8_t head[8];
        if (!readExact(stream, head, 8) || head[0] != 'l' || head[1] != 't' || head[2] || head[3])
            return E_FAIL;
        const uint32_t n = uint32_t(head[4]) | uint32_t(head[5]) << 8 | uint32_t(head[6]) << 16 |
                           uint32_t(head[7]) << 24;
        if (n < 2 || n > kMaxPictureBytes)
            return E_FAIL;
        QByteArray data(static_cast<qsizetype>(n), '\0');
        if (!readExact(stream, data.data(), n))
            return E_FAIL;
        const int16_t type = int16_t(uint8_t(data[0]) | uint8_t(data[1]) << 8);
        QImage image;
        if (type == PICTYPE_BITMAP || type == PICTYPE_ICON) {
            if (!image.loadFromData(reinterpret_cast<const uchar *>(data.constData()) + 2, n - 2, "PNG"))
                return E_FAIL;
        } else if (type != PICTYPE_NONE || n != 2) {
            return E_FAIL;
        }
        m_type = type;
        m_image = image;
        return S_OK;
    }
    HRESULT Save(IStream *stream, bool) override
    {
        if (!stream)
            return E_POINTER;
        QByteArray payload(2, '\0');
        payload[0] = char(m_type & 0xFF);
        payload[1] = char((m_type >> 8) & 0xFF);
        if (m_type == PICTYPE_BITMAP || m_type == PICTYPE_ICON) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!m_image.save(&buffer, "PNG"))
                return E_FAIL;
            payload += png;
        }
        const uint32_t n = static_cast<uint32_t>(payload.size());
        const uint8_t head[8] = {'l', 't', 0, 0, uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
        if (!writeExact(stream, head, 8) || !writeExact(stream, payload.constData(), n))
            return STG_E_MEDIUMFULL;
        return S_OK;
    }
    HRESULT GetSizeMax(uint64_t *size) override
    {
        if (!size)
            return E_POINTER;
        *size = 8 + 2 + uint64_t(m_image.sizeInBytes()) + 4096;
        return S_OK;
    }

private:
    friend class DispatchImpl<StdPicture, IDispatch, NullCount::Ok>;
    static const DispatchTable<StdPicture> &dispatchTable()
    {
        static const DispatchTable<StdPicture> t({
            {u"Type", 3, DISPATCH_PROPERTYGET,
             [](StdPicture *p, uint16_t, std::vector<VARIANT *> &, VARIANT *r) {
                 r->vt = VT_I2;
                 return p->get_Type(&r->iVal);
             }},
            {u"Width", 4, DISPATCH_PROPERTYGET,
             [](StdPicture *p, uint16_t, std::vector<VARIANT *> &, VARIANT *r) {
                 r->vt = VT_I4;
                 return p->get_Width(&r->lVal);
             }},
            {u"Height", 5, DISPATCH_PROPERTYGET,
             [](StdPicture *p, uint16_t, std::vector<VARIANT *> &, VARIANT *r) {
                 r->vt = VT_I4;
                 return p->get_Height(&r->lVal);
             }},
        });
        return t;
    }

    int16_t m_type;
    QImage m_image;
};

} // namespace

ComPtr<IPicture> createPicture(int16_t type, const QImage &image)
{
    return ComPtr<IPicture>(new StdPicture(type, type == PICTYPE_NONE ? QImage() : image));
}

HRESULT OleLoadPicture(IStream *stream, int32_t, bool, const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ComPtr<IPicture> p = createPicture(PICTYPE_NONE);
    ComPtr<IPersistStream> ps;
    p->QueryInterface(IID_IPersistStream, ps.putVoid());
    const HRESULT hr = ps->Load(stream);
    if (FAILED(hr))
        return hr;
    return p->QueryInterface(iid, object);
}

HRESULT builtinClassObject(const CLSID &clsid, const IID &iid, void **object)
{
    static StaticClassFactory pictures([](const IID &iid, void **object) {
        return createPicture(PICTYPE_NONE)->QueryInterface(iid, object);
    });
    if (clsid == CLSID_StdPicture)
        return pictures.QueryInterface(iid, object);
    if (clsid == CLSID_StdFont)
        return fontClassObject(iid, object);
    return REGDB_E_CLASSNOTREG;
}

} // namespace platform::com
