#include "zobase7/SubObjects.h"

#include "platform/codepage/codepage.h"
#include "platform/com/objectbase.h"
#include "platform/com/olecolor.h"
#include "platform/win/gdi.h"

#include <cstring>

namespace zobase7 {

using namespace platform::com;
namespace win = platform::win;


std::atomic<long> &objectCount()
{
    static std::atomic<long> n{0};
    return n;
}

std::atomic<long> &lockCount()
{
    static std::atomic<long> n{0};
    return n;
}

// ---- settings exchange

void SettingsExchange::refuse(const QString &name, const QString &value)
{
    if (m_loading && m_ok)
        m_refusal = com::LoadRefusal{name, value};
    m_ok = false;
}

void SettingsExchange::check(const char16_t *name, int32_t value, int32_t lo, int32_t hi)
{
    if (m_loading && m_ok && (value < lo || value > hi))
        refuse(QString::fromUtf16(name), QString::number(value));
}

namespace {

// A bag value that is there but is not of the wanted type, as found.
QString storedValue(IPropertyBag *bag, const char16_t *name)
{
    Variant stored;
    return SUCCEEDED(bag->Read(name, &stored, nullptr)) ? com::DescribeLoadedValue(stored)
                                                        : QStringLiteral("(読み込めない値)");
}

} // namespace

void SettingsExchange::number(const char16_t *name, int32_t *member)
{
    if (!m_ok)
        return;
    if (m_stream) {
        uint8_t b[4];
        if (m_loading) {
            if (!readExact(m_stream, b, 4)) {
                refuse(QString::fromUtf16(name), com::TruncatedDataText());
                return;
            }
            *member = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
        } else {
            const uint32_t v = uint32_t(*member);
            for (int i = 0; i < 4; ++i)
                b[i] = uint8_t(v >> (8 * i));
            m_ok = writeExact(m_stream, b, 4);
        }
        return;
    }
    Variant v;
    if (m_loading) {
        v.vt = VT_I4;
        const HRESULT hr = m_bag->Read(name, &v, m_log);
        if (hr == E_INVALIDARG)
            return; // missing: keep
        Variant i4;
        if (FAILED(hr) || FAILED(VariantChangeType(&i4, &v, 0, VT_I4))) {
            refuse(QString::fromUtf16(name), storedValue(m_bag, name));
            return;
        }
        *member = i4.lVal;
    } else {
        v = Variant::i4(*member);
        m_ok = SUCCEEDED(m_bag->Write(name, &v));
    }
}

void SettingsExchange::text(const char16_t *name, Bstr *member)
{
    if (!m_ok)
        return;
    if (m_stream) {
        if (m_loading) {
            int32_t count = 0;
            number(name, &count);
            if (!m_ok)
                return;
            const uint32_t n = uint32_t(count);
            if (n == 0) {
                *member = Bstr();
                return;
            }
            if (n < 2 || n % 2 || n > kMaxSettingsString) {
                refuse(QString::fromUtf16(name), com::StringLengthText(n));
                return;
            }
            std::vector<char16_t> buf(n / 2);
            if (!readExact(m_stream, buf.data(), n)) {
                refuse(QString::fromUtf16(name), com::TruncatedDataText());
                return;
            }
            *member = Bstr::attach(SysAllocStringLen(buf.data(), n / 2 - 1));
        } else {
            int32_t count = member->isNull() ? 0 : int32_t(member->length() * 2 + 2);
            number(name, &count);
            if (m_ok && count)
                m_ok = writeExact(m_stream, member->get(), uint32_t(count));
        }
        return;
    }
    Variant v;
    if (m_loading) {
        v.vt = VT_BSTR;
        const HRESULT hr = m_bag->Read(name, &v, m_log);
        if (hr == E_INVALIDARG)
            return; // missing: keep
        Variant s;
        if (FAILED(hr) || FAILED(VariantChangeType(&s, &v, 0, VT_BSTR))) {
            refuse(QString::fromUtf16(name), storedValue(m_bag, name));
            return;
        }
        *member = Bstr::attach(s.bstrVal);
        s.vt = VT_EMPTY;
    } else {
        v = member->isNull() ? Variant::nullStr() : Variant::str(member->toQString());
        m_ok = SUCCEEDED(m_bag->Write(name, &v));
    }
}

namespace {

HRESULT outBool(VARIANT_BOOL *out, int32_t stored) { return outValue(out, asBool(VARIANT_BOOL(stored ? -1 : 0))); }

// A range check of an enumerated member.
bool inRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

template <class T, class V>
DispatchMember<T> scalarRow(const char16_t *name, DISPID id, VARTYPE vt, HRESULT (T::*get)(V *), HRESULT (T::*put)(V))
{
    return {name, id, uint16_t(DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT),
            [=](T *self, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                if (kind == DISPATCH_PROPERTYGET) {
                    if (!args.empty())
                        return DISP_E_BADPARAMCOUNT;
                    V v{};
                    const HRESULT hr = (self->*get)(&v);
                    if (FAILED(hr))
                        return hr;
                    VariantClear(r);
                    r->vt = vt;
                    if (vt == VT_I2 || vt == VT_BOOL)
                        r->iVal = int16_t(v);
                    else
                        r->lVal = int32_t(v);
                    return hr;
                }
                if (args.size() != 1)
                    return DISP_E_BADPARAMCOUNT;
                int32_t x = 0;
                if (HRESULT hr = argI4(args[0], &x); FAILED(hr))
                    return hr;
                return (self->*put)(V(x));
            }};
}

} // namespace

// ---- Caption

void Caption::exchange(CaptionState &s, SettingsExchange &x)
{
    x.text(u"Text", &s.text);
    x.number(u"Position", &s.position);
    x.number(u"Size", &s.size);
    x.number(u"Alignment", &s.alignment);
    x.check(u"Position", s.position, 0, 3);
    x.check(u"Size", s.size, 0, 0x7FFFFFFF);
    x.check(u"Alignment", s.alignment, 0, 2);
}

const DispatchTable<Caption> &Caption::dispatchTable()
{
    using C = Caption;
    static const DispatchTable<C> t({
        {u"Text", DISPID_CAPTION_TEXT, uint16_t(DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT),
         [](C *self, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
             if (kind == DISPATCH_PROPERTYGET) {
                 BSTR s = nullptr;
                 const HRESULT hr = self->get_Text(&s);
                 VariantClear(r);
                 r->vt = VT_BSTR;
                 r->bstrVal = s;
                 return hr;
             }
             if (args.size() != 1)
                 return DISP_E_BADPARAMCOUNT;
             Bstr s;
             if (HRESULT hr = argBstr(args[0], &s); FAILED(hr))
                 return hr;
             return self->put_Text(s.get());
         }},
        scalarRow<C, int32_t>(u"Position", DISPID_CAPTION_POSITION, VT_I4, &C::get_Position, &C::put_Position),
        scalarRow<C, int32_t>(u"Size", DISPID_CAPTION_SIZE, VT_I4, &C::get_Size, &C::put_Size),
        scalarRow<C, int32_t>(u"Alignment", DISPID_CAPTION_ALIGNMENT, VT_I4, &C::get_Alignment, &C::put_Alignment),
    });
    return t;
}

bool Caption::queryExtra(const IID &iid, void **object)
{
    if (iid != IID_ICaptionPainter)
        return false;
    *object = static_cast<ICaptionPainter *>(this);
    return true;
}

HRESULT Caption::get_Text(BSTR *value)
{
    if (!value)
        return E_POINTER;
    *value = m_state.text.copy();
    return S_OK;
}

HRESULT Caption::put_Text(BSTR value)
{
    m_state.text = Bstr::attach(value ? SysAllocStringLen(value, SysStringLen(value)) : nullptr);
    changed(DISPID_CAPTION_TEXT);
    return S_OK;
}

HRESULT Caption::get_Position(int32_t *value) { return outValue(value, m_state.position); }
HRESULT Caption::put_Position(int32_t value)
{
    if (!inRange(value, zoCaptPosLeft, zoCaptPosBottom))
        return E_INVALIDARG;
    return setMember(m_state.position, value, DISPID_CAPTION_POSITION);
}
HRESULT Caption::get_Size(int32_t *value) { return outValue(value, m_state.size); }
HRESULT Caption::put_Size(int32_t value)
{
    if (!inRange(value, 0, 32767))
        return E_INVALIDARG;
    return setMember(m_state.size, value, DISPID_CAPTION_SIZE);
}
HRESULT Caption::get_Alignment(int32_t *value) { return outValue(value, m_state.alignment); }
HRESULT Caption::put_Alignment(int32_t value)
{
    if (!inRange(value, 0, 2))
        return E_INVALIDARG;
    return setMember(m_state.alignment, value, DISPID_CAPTION_ALIGNMENT);
}

HRESULT Caption::Initialize(IUnknown *font, OLE_COLOR backColor, OLE_COLOR foreColor)
{
    m_font = ComPtr<IUnknown>(font);
    m_back = backColor;
    m_fore = foreColor;
    return S_OK;
}

HRESULT Caption::SetEnabled(VARIANT_BOOL enabled)
{
    m_enabled = enabled != 0;
    return S_OK;
}

HRESULT Caption::GetMnemonic(int32_t *character)
{
    if (!character)
        return E_POINTER;
    *character = -1;
    const QString text = m_state.text.toQString();
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&') { // "&&" is a literal ampersand
            ++i;
            continue;
        }
        *character = text[i + 1].unicode();
        return S_OK;
    }
    return S_OK;
}

HRESULT Caption::GetCaptionRect(const win::RECT *bounds, win::RECT *caption)
{
    if (!bounds || !caption)
        return E_POINTER;
    *caption = {bounds->left, bounds->top, bounds->left, bounds->top};
    if (m_state.size <= 0 || m_state.text.length() == 0)
        return S_OK;
    win::RECT r = *bounds;
    switch (m_state.position) {
    case zoCaptPosLeft: r.right = std::min(bounds->right, bounds->left + m_state.size); break;
    case zoCaptPosTop: r.bottom = std::min(bounds->bottom, bounds->top + m_state.size); break;
    case zoCaptPosRight: r.left = std::max(bounds->left, bounds->right - m_state.size); break;
    default: r.top = std::max(bounds->top, bounds->bottom - m_state.size); break;
    }
    *caption = r;
    return S_OK;
}

namespace {

// The GDI font of an IFont (0 when there is none).
win::HFONT gdiFont(IUnknown *fontObject)
{
    ComPtr<IFont> font;
    if (!fontObject || FAILED(fontObject->QueryInterface(IID_IFont, font.putVoid())))
        return 0;
    win::LOGFONTA lf;
    Bstr name;
    font->get_Name(name.put());
    int64_t size = 0;
    font->get_Size(&size);
    int16_t weight = 400, charset = 128;
    font->get_Weight(&weight);
    font->get_Charset(&charset);
    VARIANT_BOOL italic = 0, underline = 0;
    font->get_Italic(&italic);
    font->get_Underline(&underline);
    // Pixels at 96 dpi from 1/10000 point.
    lf.lfHeight = -win::LONG((size * 96 + 360000) / 720000);
    lf.lfWeight = weight;
    lf.lfItalic = italic ? 1 : 0;
    lf.lfUnderline = underline ? 1 : 0;
    lf.lfCharSet = win::BYTE(charset);
    const QString face = name.toQString();
    const QByteArray bytes = platform::codepage::isAnsiEncodable(face) ? platform::codepage::toAnsi(face) : QByteArray();
    std::memcpy(lf.lfFaceName, bytes.constData(), size_t(std::min<qsizetype>(bytes.size(), 31)));
    return win::CreateFontIndirectA(&lf);
}

COLORREF translated(OLE_COLOR colour, int fallback)
{
    COLORREF c = 0;
    return SUCCEEDED(OleTranslateColor(colour, nullptr, &c)) ? c : win::GetSysColor(fallback);
}

} // namespace

HRESULT Caption::Paint(win::HDC dc, const win::RECT *bounds)
{
    if (!bounds)
        return E_POINTER;
    win::RECT r;
    GetCaptionRect(bounds, &r);
    if (r.right <= r.left || r.bottom <= r.top)
        return S_OK;
    const win::HBRUSH brush = win::CreateSolidBrush(translated(m_back, win::COLOR_BTNFACE));
    win::FillRect(dc, &r, brush);
    win::DeleteObject(brush);

    // The text, in the control's font; grey while the control is disabled.
    const QString text = m_state.text.toQString();
    if (!platform::codepage::isAnsiEncodable(text))
        return S_OK;
    const QByteArray ansi = platform::codepage::toAnsi(text);
    const win::HFONT font = gdiFont(m_font.get());
    const win::HGDIOBJ oldFont = font ? win::SelectObject(dc, font) : 0;
    const COLORREF oldColour = win::SetTextColor(dc, m_enabled ? translated(m_fore, 18) : win::GetSysColor(17));
    const int oldMode = win::SetBkMode(dc, win::TRANSPARENT);
    const win::UINT align = m_state.alignment == 1 ? win::DT_RIGHT : m_state.alignment == 2 ? win::DT_CENTER : win::DT_LEFT;
    win::DrawTextA(dc, ansi.constData(), -1, &r, win::DT_SINGLELINE | win::DT_VCENTER | align);
    win::SetBkMode(dc, oldMode);
    win::SetTextColor(dc, oldColour);
    if (font) {
        win::SelectObject(dc, oldFont);
        win::DeleteObject(font);
    }
    return S_OK;
}

HRESULT Caption::AdjustRect(win::RECT *rect)
{
    if (!rect)
        return E_POINTER;
    win::RECT c;
    GetCaptionRect(rect, &c);
    const int w = c.right - c.left, h = c.bottom - c.top;
    if (w <= 0 || h <= 0)
        return S_OK;
    switch (m_state.position) {
    case zoCaptPosLeft: rect->left += w; break;
    case zoCaptPosTop: rect->top += h; break;
    case zoCaptPosRight: rect->right -= w; break;
    default: rect->bottom -= h; break;
    }
    return S_OK;
}

// ---- DropDown

void DropDown::exchange(DropDownState &s, SettingsExchange &x)
{
    x.number(u"Enabled", &s.enabled);
    x.number(u"Position", &s.position);
    x.number(u"Visible", &s.visible);
    x.check(u"Position", s.position, 0, 1);
    x.check(u"Visible", s.visible, 0, 2);
}

const DispatchTable<DropDown> &DropDown::dispatchTable()
{
    using C = DropDown;
    static const DispatchTable<C> t({
        scalarRow<C, VARIANT_BOOL>(u"Enabled", DISPID_DROPDOWN_ENABLED, VT_BOOL, &C::get_Enabled, &C::put_Enabled),
        scalarRow<C, int32_t>(u"Position", DISPID_DROPDOWN_POSITION, VT_I4, &C::get_Position, &C::put_Position),
        scalarRow<C, int32_t>(u"Visible", DISPID_DROPDOWN_VISIBLE, VT_I4, &C::get_Visible, &C::put_Visible),
    });
    return t;
}

HRESULT DropDown::get_Enabled(VARIANT_BOOL *value) { return outBool(value, m_state.enabled); }
HRESULT DropDown::put_Enabled(VARIANT_BOOL value) { return setMember(m_state.enabled, int32_t(asBool(value)), DISPID_DROPDOWN_ENABLED); }
HRESULT DropDown::get_Position(int32_t *value) { return outValue(value, m_state.position); }
HRESULT DropDown::put_Position(int32_t value)
{
    if (!inRange(value, zoDropPosInside, zoDropPosOutside))
        return E_INVALIDARG;
    return setMember(m_state.position, value, DISPID_DROPDOWN_POSITION);
}
HRESULT DropDown::get_Visible(int32_t *value) { return outValue(value, m_state.visible); }
HRESULT DropDown::put_Visible(int32_t value)
{
    if (!inRange(value, zoNotShown, zoShowOnFocus))
        return E_INVALIDARG;
    return setMember(m_state.visible, value, DISPID_DROPDOWN_VISIBLE);
}

// ---- Spin

void Spin::exchange(SpinState &s, SettingsExchange &x)
{
    x.number(u"Delay", &s.delay);
    x.number(u"Enabled", &s.enabled);
    x.number(u"Increment", &s.increment);
    x.number(u"Position", &s.position);
    x.number(u"Visible", &s.visible);
    x.number(u"Wrap", &s.wrap);
    x.number(u"SpinKeys", &s.spinKeys);
    x.check(u"Delay", s.delay, 0, 32767);
    x.check(u"Increment", s.increment, -32768, 32767);
    x.check(u"Position", s.position, 0, 1);
    x.check(u"Visible", s.visible, 0, 2);
}

const DispatchTable<Spin> &Spin::dispatchTable()
{
    using C = Spin;
    static const DispatchTable<C> t({
        scalarRow<C, int32_t>(u"Delay", DISPID_SPIN_DELAY, VT_I4, &C::get_Delay, &C::put_Delay),
        scalarRow<C, VARIANT_BOOL>(u"Enabled", DISPID_SPIN_ENABLED, VT_BOOL, &C::get_Enabled, &C::put_Enabled),
        scalarRow<C, int16_t>(u"Increment", DISPID_SPIN_INCREMENT, VT_I2, &C::get_Increment, &C::put_Increment),
        scalarRow<C, int32_t>(u"Position", DISPID_SPIN_POSITION, VT_I4, &C::get_Position, &C::put_Position),
        scalarRow<C, int32_t>(u"Visible", DISPID_SPIN_VISIBLE, VT_I4, &C::get_Visible, &C::put_Visible),
        scalarRow<C, VARIANT_BOOL>(u"Wrap", DISPID_SPIN_WRAP, VT_BOOL, &C::get_Wrap, &C::put_Wrap),
        scalarRow<C, VARIANT_BOOL>(u"SpinKeys", DISPID_SPIN_SPINKEYS, VT_BOOL, &C::get_SpinKeys, &C::put_SpinKeys),
    });
    return t;
}

HRESULT Spin::get_Delay(int32_t *value) { return outValue(value, m_state.delay); }
HRESULT Spin::put_Delay(int32_t value)
{
    if (!inRange(value, 0, 32767))
        return E_INVALIDARG;
    return setMember(m_state.delay, value, DISPID_SPIN_DELAY);
}
HRESULT Spin::get_Enabled(VARIANT_BOOL *value) { return outBool(value, m_state.enabled); }
HRESULT Spin::put_Enabled(VARIANT_BOOL value) { return setMember(m_state.enabled, int32_t(asBool(value)), DISPID_SPIN_ENABLED); }
HRESULT Spin::get_Increment(int16_t *value) { return outValue(value, int16_t(m_state.increment)); }
HRESULT Spin::put_Increment(int16_t value) { return setMember(m_state.increment, int32_t(value), DISPID_SPIN_INCREMENT); }
HRESULT Spin::get_Position(int32_t *value) { return outValue(value, m_state.position); }
HRESULT Spin::put_Position(int32_t value)
{
    if (!inRange(value, zoSpinPosInside, zoSpinPosOutside))
        return E_INVALIDARG;
    return setMember(m_state.position, value, DISPID_SPIN_POSITION);
}
HRESULT Spin::get_Visible(int32_t *value) { return outValue(value, m_state.visible); }
HRESULT Spin::put_Visible(int32_t value)
{
    if (!inRange(value, zoNotShown, zoShowOnFocus))
        return E_INVALIDARG;
    return setMember(m_state.visible, value, DISPID_SPIN_VISIBLE);
}
HRESULT Spin::get_Wrap(VARIANT_BOOL *value) { return outBool(value, m_state.wrap); }
HRESULT Spin::put_Wrap(VARIANT_BOOL value) { return setMember(m_state.wrap, int32_t(asBool(value)), DISPID_SPIN_WRAP); }
HRESULT Spin::get_SpinKeys(VARIANT_BOOL *value) { return outBool(value, m_state.spinKeys); }
HRESULT Spin::put_SpinKeys(VARIANT_BOOL value) { return setMember(m_state.spinKeys, int32_t(asBool(value)), DISPID_SPIN_SPINKEYS); }

// ---- Key

namespace {

constexpr int32_t kVkReturn = 0x0D;
constexpr int32_t kVkDelete = 0x2E;

bool validBinding(int32_t action, int32_t keyCode, int32_t shift)
{
    return inRange(action, KeyActionClear, KeyActionPrevField) && inRange(keyCode, 1, 255) && inRange(shift, 0, 7);
}

QString bagName(const char16_t *stem, size_t i) { return QString::fromUtf16(stem) + QString::number(i); }

} // namespace

std::vector<KeyBinding> Key::defaultBindings(int32_t options)
{
    std::vector<KeyBinding> out;
    if (options & 0x08) {
        out.push_back({KeyActionNextField, kVkReturn, 0});
        out.push_back({KeyActionPrevField, kVkReturn, 1});
    }
    if (options & 0x10)
        out.push_back({KeyActionClear, kVkDelete, 2});
    return out;
}

void Key::exchange(KeyState &s, SettingsExchange &x)
{
    x.number(u"Options", &s.options);
    int32_t count = int32_t(s.bindings.size());
    x.number(u"Count", &count);
    if (!x.ok())
        return;
    if (x.loading()) {
        x.check(u"Count", count, 0, kMaxKeyBindings);
        if (!x.ok())
            return;
        s.bindings.assign(size_t(count), KeyBinding{});
    }
    for (size_t i = 0; i < s.bindings.size() && x.ok(); ++i) {
        KeyBinding &b = s.bindings[i];
        const QString a = bagName(u"Action", i), k = bagName(u"KeyCode", i), sh = bagName(u"Shift", i);
        x.number(reinterpret_cast<const char16_t *>(a.utf16()), &b.action);
        x.number(reinterpret_cast<const char16_t *>(k.utf16()), &b.keyCode);
        x.number(reinterpret_cast<const char16_t *>(sh.utf16()), &b.shift);
        x.check(reinterpret_cast<const char16_t *>(a.utf16()), b.action, KeyActionClear, KeyActionPrevField);
        x.check(reinterpret_cast<const char16_t *>(k.utf16()), b.keyCode, 1, 255);
        x.check(reinterpret_cast<const char16_t *>(sh.utf16()), b.shift, 0, 7);
    }
}

const DispatchTable<Key> &Key::dispatchTable()
{
    using C = Key;
    auto indexed = [](const char16_t *name, DISPID id, HRESULT (C::*get)(int32_t, int32_t *)) -> DispatchMember<C> {
        return {name, id, DISPATCH_PROPERTYGET,
                [get](C *self, uint16_t, std::vector<VARIANT *> &args, VARIANT *r) -> HRESULT {
                    if (args.size() != 1)
                        return DISP_E_BADPARAMCOUNT;
                    int32_t index = 0, v = 0;
                    if (HRESULT hr = argI4(args[0], &index); FAILED(hr))
                        return hr;
                    const HRESULT hr = (self->*get)(index, &v);
                    if (FAILED(hr))
                        return hr;
                    VariantClear(r);
                    r->vt = VT_I4;
                    r->lVal = v;
                    return S_OK;
                }};
    };
    auto triple = [](const char16_t *name, DISPID id, HRESULT (C::*call)(int32_t, int32_t, int32_t)) -> DispatchMember<C> {
        return {name, id, DISPATCH_METHOD,
                [call](C *self, uint16_t, std::vector<VARIANT *> &args, VARIANT *) -> HRESULT {
                    if (args.size() != 3)
                        return DISP_E_BADPARAMCOUNT;
                    int32_t a = 0, k = 0, s = 0;
                    if (FAILED(argI4(args[0], &a)) || FAILED(argI4(args[1], &k)) || FAILED(argI4(args[2], &s)))
                        return DISP_E_TYPEMISMATCH;
                    return (self->*call)(a, k, s);
                }};
    };
    static const DispatchTable<C> t({
        {u"Count", DISPID_KEY_COUNT, DISPATCH_PROPERTYGET,
         [](C *self, uint16_t, std::vector<VARIANT *> &, VARIANT *r) -> HRESULT {
             int32_t n = 0;
             self->get_Count(&n);
             VariantClear(r);
             r->vt = VT_I4;
             r->lVal = n;
             return S_OK;
         }},
        triple(u"Add", DISPID_KEY_ADD, &C::Add),
        triple(u"Remove", DISPID_KEY_REMOVE, &C::Remove),
        {u"Clear", DISPID_KEY_CLEAR, DISPATCH_METHOD,
         [](C *self, uint16_t, std::vector<VARIANT *> &, VARIANT *) -> HRESULT { return self->Clear(); }},
        indexed(u"Action", DISPID_KEY_ACTION, &C::get_Action),
        indexed(u"KeyCode", DISPID_KEY_KEYCODE, &C::get_KeyCode),
        indexed(u"Shift", DISPID_KEY_SHIFT, &C::get_Shift),
    });
    return t;
}

bool Key::queryExtra(const IID &iid, void **object)
{
    if (iid != IID_IKeyAssignment)
        return false;
    *object = static_cast<IKeyAssignment *>(this);
    return true;
}

void Key::afterInitNew()
{
    m_state.bindings = defaultBindings(m_state.options);
}

HRESULT Key::get_Count(int32_t *count) { return outValue(count, int32_t(m_state.bindings.size())); }

HRESULT Key::Add(int32_t action, int32_t keyCode, int32_t shift)
{
    if (!validBinding(action, keyCode, shift))
        return E_INVALIDARG;
    const KeyBinding b{action, keyCode, shift};
    for (const KeyBinding &have : m_state.bindings)
        if (have == b)
            return S_FALSE;
    if (int32_t(m_state.bindings.size()) >= kMaxKeyBindings)
        return E_OUTOFMEMORY;
    m_state.bindings.push_back(b);
    changed(DISPID_KEY_ADD);
    return S_OK;
}

HRESULT Key::Remove(int32_t action, int32_t keyCode, int32_t shift)
{
    const KeyBinding b{action, keyCode, shift};
    for (auto it = m_state.bindings.begin(); it != m_state.bindings.end(); ++it)
        if (*it == b) {
            m_state.bindings.erase(it);
            changed(DISPID_KEY_REMOVE);
            return S_OK;
        }
    return S_FALSE;
}

HRESULT Key::Clear()
{
    m_state.bindings.clear();
    changed(DISPID_KEY_CLEAR);
    return S_OK;
}

HRESULT Key::get_Action(int32_t index, int32_t *action)
{
    if (index < 0 || index >= int32_t(m_state.bindings.size()))
        return E_INVALIDARG;
    return outValue(action, m_state.bindings[size_t(index)].action);
}

HRESULT Key::get_KeyCode(int32_t index, int32_t *keyCode)
{
    if (index < 0 || index >= int32_t(m_state.bindings.size()))
        return E_INVALIDARG;
    return outValue(keyCode, m_state.bindings[size_t(index)].keyCode);
}

HRESULT Key::get_Shift(int32_t index, int32_t *shift)
{
    if (index < 0 || index >= int32_t(m_state.bindings.size()))
        return E_INVALIDARG;
    return outValue(shift, m_state.bindings[size_t(index)].shift);
}

HRESULT Key::SetOptions(int32_t options)
{
    m_state.options = options;
    if (m_state.bindings.empty())
        m_state.bindings = defaultBindings(options);
    return S_OK;
}

HRESULT Key::Translate(int32_t keyCode, int32_t shift, int32_t *action)
{
    if (!action)
        return E_POINTER;
    *action = -1;
    for (const KeyBinding &b : m_state.bindings)
        if (b.keyCode == keyCode && b.shift == shift) {
            *action = b.action;
            break;
        }
    return S_OK;
}

HRESULT Key::IsBound(int32_t action, int32_t keyCode, int32_t shift)
{
    const KeyBinding b{action, keyCode, shift};
    for (const KeyBinding &have : m_state.bindings)
        if (have == b)
            return S_OK;
    return S_FALSE;
}

// ---- class objects

namespace {

void lockModule(bool lock)
{
    lock ? ++lockCount() : --lockCount();
}

IClassFactory *factoryFor(const CLSID &clsid)
{
    static StaticClassFactory caption(&createObject<Caption>, &lockModule);
    static StaticClassFactory dropDown(&createObject<DropDown>, &lockModule);
    static StaticClassFactory spin(&createObject<Spin>, &lockModule);
    static StaticClassFactory key(&createObject<Key>, &lockModule);
    if (clsid == CLSID_Caption)
        return &caption;
    if (clsid == CLSID_DropDown)
        return &dropDown;
    if (clsid == CLSID_Spin)
        return &spin;
    if (clsid == CLSID_Key)
        return &key;
    return nullptr;
}

} // namespace

HRESULT getSubObjectClassObject(const CLSID &clsid, const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    IClassFactory *f = factoryFor(clsid);
    if (!f)
        return CLASS_E_CLASSNOTAVAILABLE;
    return f->QueryInterface(iid, object);
}

void registerSubObjectClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const CLSID *c : {&CLSID_Caption, &CLSID_DropDown, &CLSID_Spin, &CLSID_Key}) {
        uint32_t cookie = 0;
        CoRegisterClassObject(*c, factoryFor(*c), &cookie);
    }
}

} // namespace zobase7
