#include "platform/com/font.h"

#include "platform/com/objectbase.h"

namespace platform::com {

const IID IID_IFont = {0xBEF6E002, 0xA874, 0x101A, {0x8B, 0xBA, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
const IID IID_IFontDisp = {0xBEF6E003, 0xA874, 0x101A, {0x8B, 0xBA, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
const CLSID CLSID_StdFont = {0x0BE35203, 0x8F91, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

namespace {

// IDispatch answers a missing count place with S_OK.
class StdFont final : public RefCounted<IFont, DispatchImpl<StdFont, IDispatch, NullCount::Ok>, IPersistStream,
                                        IConnectionPointContainer> {
public:
    explicit StdFont(FONTDESC d) : m_d(std::move(d)), m_notify(static_cast<IFont *>(this), IID_IPropertyNotifySink) {}

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        IFont *primary = this;
        auto *disp = static_cast<IDispatch *>(this);
        auto *ps = static_cast<IPersistStream *>(this);
        return queryInterfaceIn(primary, iid, object,
                                {{IID_IUnknown, primary}, {IID_IFont, primary}, {IID_IDispatch, disp},
                                 {IID_IFontDisp, disp}, {IID_IPersistStream, ps}, {IID_IPersist, ps},
                                 {IID_IConnectionPointContainer, static_cast<IConnectionPointContainer *>(this)}});
    }

    HRESULT get_Name(BSTR *v) override { return outString(v, m_d.name); }
    HRESULT put_Name(BSTR v) override
    {
        const QString n = bstrToQString(v);
        if (n.isEmpty() || n.size() > 255)
            return CTL_E_INVALIDPROPERTYVALUE;
        return set(m_d.name, n, DISPID_FONT_NAME);
    }
    HRESULT get_Size(int64_t *v) override { return outValue(v, m_d.size); }
    HRESULT put_Size(int64_t v) override
    {
        if (v <= 0 || v > 16380000)
            return CTL_E_INVALIDPROPERTYVALUE;
        return set(m_d.size, v, DISPID_FONT_SIZE);
    }
    HRESULT get_Bold(VARIANT_BOOL *v) override { return outValue(v, VARIANT_BOOL(m_d.weight >= 600 ? -1 : 0)); }
    HRESULT put_Bold(VARIANT_BOOL v) override { return set(m_d.weight, int16_t(v ? 700 : 400), DISPID_FONT_BOLD); }
    HRESULT get_Italic(VARIANT_BOOL *v) override { return outValue(v, VARIANT_BOOL(m_d.italic ? -1 : 0)); }
    HRESULT put_Italic(VARIANT_BOOL v) override { return set(m_d.italic, v != 0, DISPID_FONT_ITALIC); }
    HRESULT get_Underline(VARIANT_BOOL *v) override { return outValue(v, VARIANT_BOOL(m_d.underline ? -1 : 0)); }
    HRESULT put_Underline(VARIANT_BOOL v) override { return set(m_d.underline, v != 0, DISPID_FONT_UNDER); }
    HRESULT get_Strikethrough(VARIANT_BOOL *v) override
    {
        return outValue(v, VARIANT_BOOL(m_d.strikethrough ? -1 : 0));
    }
    HRESULT put_Strikethrough(VARIANT_BOOL v) override { return set(m_d.strikethrough, v != 0, DISPID_FONT_STRIKE); }
    HRESULT get_Weight(int16_t *v) override { return outValue(v, m_d.weight); }
    HRESULT put_Weight(int16_t v) override
    {
        if (v < 0 || v > 1000)
            return CTL_E_INVALIDPROPERTYVALUE;
        return set(m_d.weight, v, DISPID_FONT_WEIGHT);
    }
    HRESULT get_Charset(int16_t *v) override { return outValue(v, m_d.charset); }
    HRESULT put_Charset(int16_t v) override { return set(m_d.charset, v, DISPID_FONT_CHARSET); }
    HRESULT Clone(IFont **copy) override
    {
        if (!copy)
            return E_POINTER;
        *copy = new StdFont(m_d);
        (*copy)->AddRef();
        return S_OK;
    }
    HRESULT IsEqual(IFont *other) override
    {
        if (!other)
            return E_POINTER;
        FONTDESC o;
        Bstr name;
        VARIANT_BOOL i = 0, u = 0, s = 0;
        other->get_Name(name.put());
        other->get_Size(&o.size);
        other->get_Weight(&o.weight);
        other->get_Charset(&o.charset);
        other->get_Italic(&i);
        other->get_Underline(&u);
        other->get_Strikethrough(&s);
        const bool same = name.toQString() == m_d.name && o.size == m_d.size && o.weight == m_d.weight &&
                          o.charset == m_d.charset && (i != 0) == m_d.italic && (u != 0) == m_d.underline &&
                          (s != 0) == m_d.strikethrough;
        return same ? S_OK : S_FALSE;
    }
    HRESULT getQFont(QFont *font) override
    {
        if (!font)
            return E_POINTER;
        QFont f(m_d.name);
        // Points at 96 dpi to pixels, rounded as GDI maps a point size.
        f.setPixelSize(static_cast<int>((m_d.size * 96 + 36 * 10000) / (72 * 10000)));
        f.setWeight(m_d.weight >= 600 ? QFont::Bold : QFont::Normal);
        f.setItalic(m_d.italic);
        f.setUnderline(m_d.underline);
        f.setStrikeOut(m_d.strikethrough);
        *font = f;
        return S_OK;
    }

    // IPersistStream
    HRESULT GetClassID(CLSID *clsid) override { return outValue(clsid, CLSID_StdFont); }
    HRESULT IsDirty() override { return S_OK; }
    HRESULT Load(IStream *s) override
    {
        if (!s)
            return E_POINTER;
        uint8_t head[11];
        if (!readExact(s, head, 11) || head[0] != 1)
            return E_FAIL;
        FONTDESC d;
        d.charset = int16_t(head[1] | head[2] << 8);
        d.italic = head[3] & 0x02;
        d.underline = head[3] & 0x04;
        d.strikethrough = head[3] & 0x08;
        d.weight = int16_t(head[4] | head[5] << 8);
        d.size = int64_t(uint32_t(head[6]) | uint32_t(head[7]) << 8 | uint32_t(head[8]) << 16 |
                         uint32_t(head[9]) << 24);
        const uint8_t n = head[10];
        std::vector<char16_t> name(n);
        if (n && !readExact(s, name.data(), uint32_t(n) * 2))
            return E_FAIL;
        d.name = QString(reinterpret_cast<const QChar *>(name.data()), n);
        if (d.name.isEmpty() || d.size <= 0 || d.size > 16380000 || d.weight < 0 || d.weight > 1000)
            return E_FAIL;
        m_d = d;
        return S_OK;
    }
    HRESULT Save(IStream *s, bool) override
    {
        if (!s)
            return E_POINTER;
        const uint32_t size = static_cast<uint32_t>(m_d.size);
        const uint8_t flags = uint8_t((m_d.italic ? 2 : 0) | (m_d.underline ? 4 : 0) | (m_d.strikethrough ? 8 : 0));
        const uint8_t head[11] = {1, uint8_t(m_d.charset), uint8_t(m_d.charset >> 8), flags, uint8_t(m_d.weight),
                                  uint8_t(m_d.weight >> 8), uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16),
                                  uint8_t(size >> 24), uint8_t(m_d.name.size())};
        if (!writeExact(s, head, 11) || !writeExact(s, m_d.name.utf16(), uint32_t(m_d.name.size()) * 2))
            return STG_E_MEDIUMFULL;
        return S_OK;
    }
    HRESULT GetSizeMax(uint64_t *size) override
    {
        if (!size)
            return E_POINTER;
        *size = 11 + 2 * 255;
        return S_OK;
    }

    HRESULT FindConnectionPoint(const IID &iid, IConnectionPoint **point) override
    {
        return m_notify.handOut(iid, point);
    }

private:
    friend class DispatchImpl<StdFont, IDispatch, NullCount::Ok>;
    template <class T>
    HRESULT set(T &member, T value, DISPID id)
    {
        if (member != value) {
            member = value;
            m_notify.fireOnChanged(id);
        }
        return S_OK;
    }

    static const DispatchTable<StdFont> &dispatchTable()
    {
        using F = StdFont;
        auto boolProp = [](const char16_t *name, DISPID id, HRESULT (F::*get)(VARIANT_BOOL *),
                           HRESULT (F::*put)(VARIANT_BOOL)) {
            return DispatchMember<F>{name, id, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
                                     [=](F *f, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                                         if (kind == DISPATCH_PROPERTYGET) {
                                             r->vt = VT_BOOL;
                                             return (f->*get)(&r->boolVal);
                                         }
                                         VARIANT_BOOL b = 0;
                                         if (args.size() != 1 || FAILED(argBool(args[0], &b)))
                                             return DISP_E_TYPEMISMATCH;
                                         return (f->*put)(b);
                                     }};
        };
        static const DispatchTable<F> t({
            {u"Name", DISPID_FONT_NAME, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
             [](F *f, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                 if (kind == DISPATCH_PROPERTYGET) {
                     r->vt = VT_BSTR;
                     return f->get_Name(&r->bstrVal);
                 }
                 Bstr n;
                 if (args.size() != 1 || FAILED(argBstr(args[0], &n)))
                     return DISP_E_TYPEMISMATCH;
                 return f->put_Name(n.get());
             }},
            {u"Size", DISPID_FONT_SIZE, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
             [](F *f, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                 if (kind == DISPATCH_PROPERTYGET) {
                     int64_t s = 0;
                     f->get_Size(&s);
                     r->vt = VT_R8;
                     r->dblVal = double(s) / 10000.0;
                     return S_OK;
                 }
                 Variant d;
                 if (args.size() != 1 || FAILED(VariantChangeType(&d, args[0], 0, VT_R8)))
                     return DISP_E_TYPEMISMATCH;
                 return f->put_Size(static_cast<int64_t>(d.dblVal * 10000.0 + 0.5));
             }},
            boolProp(u"Bold", DISPID_FONT_BOLD, &F::get_Bold, &F::put_Bold),
            boolProp(u"Italic", DISPID_FONT_ITALIC, &F::get_Italic, &F::put_Italic),
            boolProp(u"Underline", DISPID_FONT_UNDER, &F::get_Underline, &F::put_Underline),
            boolProp(u"Strikethrough", DISPID_FONT_STRIKE, &F::get_Strikethrough, &F::put_Strikethrough),
            {u"Weight", DISPID_FONT_WEIGHT, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
             [](F *f, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                 if (kind == DISPATCH_PROPERTYGET) {
                     r->vt = VT_I2;
                     return f->get_Weight(&r->iVal);
                 }
                 int16_t w = 0;
                 if (args.size() != 1 || FAILED(argI2(args[0], &w)))
                     return DISP_E_TYPEMISMATCH;
                 return f->put_Weight(w);
             }},
            {u"Charset", DISPID_FONT_CHARSET, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
             [](F *f, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                 if (kind == DISPATCH_PROPERTYGET) {
                     r->vt = VT_I2;
                     return f->get_Charset(&r->iVal);
                 }
                 int16_t c = 0;
                 if (args.size() != 1 || FAILED(argI2(args[0], &c)))
                     return DISP_E_TYPEMISMATCH;
                 return f->put_Charset(c);
             }},
        });
        return t;
    }

    FONTDESC m_d;
    ConnectionPoint m_notify;
};


} // namespace

HRESULT OleCreateFontIndirect(const FONTDESC &desc, const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (desc.name.isEmpty() || desc.name.size() > 255 || desc.size <= 0)
        return E_INVALIDARG;
    ComPtr<IFont> f(new StdFont(desc));
    return f->QueryInterface(iid, object);
}

HRESULT fontClassObject(const IID &iid, void **object)
{
    // A new font is the dialogs' default face.
    static StaticClassFactory factory([](const IID &iid, void **object) {
        FONTDESC d;
        d.name = QStringLiteral("ＭＳ Ｐゴシック");
        return OleCreateFontIndirect(d, iid, object);
    });
    return factory.QueryInterface(iid, object);
}

} // namespace platform::com
