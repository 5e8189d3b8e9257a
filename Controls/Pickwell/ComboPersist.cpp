// zoCombo's defaults (InitNew) and persistence to streams and property bags:
// one exchange routine for both directions, over copies so that a failed
// load changes nothing.
#include "Controls/Pickwell/ComboControl.h"

#include "Controls/Pickwell/ComboChecks.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/codepage/codepage.h"
#include "platform/com/font.h"
#include "platform/com/picture.h"

namespace pickwell {

using namespace platform::com;
using namespace zobase7;
namespace cp = platform::codepage;

namespace {

// The objects a persisted control holds.
struct ComboObjects {
    ComPtr<IUnknown> caption, font, keys, mouseIcon, dropDown, spin, backgroundImage, items;
};

// The ranged settings, by their persisted names; a stream or bag that says
// otherwise is corrupt.
struct SettingRange {
    const char *name;
    int32_t ComboSettings::*member;
    int32_t lo, hi;
};
constexpr int32_t kNoLimit = 0x7FFFFFFF;
const SettingRange kRanges[] = {
    {"AlignHorizontal", &ComboSettings::alignHorizontal, 0, 2},
    {"AlignVertical", &ComboSettings::alignVertical, 0, 2},
    {"Appearance", &ComboSettings::appearance, 0, 2},
    {"BorderStyle", &ComboSettings::borderStyle, 0, 1},
    {"BtnPositioning", &ComboSettings::btnPositioning, 0, 1},
    {"ClipMode", &ComboSettings::clipMode, 0, 1},
    {"DataProperty", &ComboSettings::dataProperty, 0, 1},
    {"EditMode", &ComboSettings::editMode, 0, 3},
    {"HighlightText", &ComboSettings::highlightText, 0, 2},
    {"IMEMode", &ComboSettings::imeMode, 0, 8},
    {"IMEStatus", &ComboSettings::imeStatus, 0, 1},
    {"LookupMode", &ComboSettings::lookupMode, 0, 2},
    {"MarginBottom", &ComboSettings::marginBottom, 0, kNoLimit},
    {"MarginLeft", &ComboSettings::marginLeft, 0, kNoLimit},
    {"MarginRight", &ComboSettings::marginRight, 0, kNoLimit},
    {"MarginTop", &ComboSettings::marginTop, 0, kNoLimit},
    {"MoveOnLRKey", &ComboSettings::moveOnLRKey, 0, 3},
    {"OLEDragMode", &ComboSettings::oleDragMode, 0, 1},
    {"OLEDropMode", &ComboSettings::oleDropMode, 0, 2},
    {"ShowLiterals", &ComboSettings::showLiterals, 0, 2},
    {"TabAction", &ComboSettings::tabAction, 0, 1},
    {"SortOrder", &ComboSettings::sortOrder, 0, 2},
    {"SortBy", &ComboSettings::sortBy, 0, 2},
    {"TextBoxStyle", &ComboSettings::textBoxStyle, 0, 2},
    {"DescWidth", &ComboSettings::descriptionWidth, 0, 32767},
    {"ImageWidth", &ComboSettings::imageWidth, 0, 32767},
    {"MaxDropdownItems", &ComboSettings::maxDropDownItems, 1, kNoLimit},
    {"ImageAlign", &ComboSettings::imageAlign, 0, 3},
    {"ScrollBarMode", &ComboSettings::scrollBarMode, 0, 1},
    {"DropdownStyle", &ComboSettings::style, 0, 2},
    {"ListStyle", &ComboSettings::listBoxStyle, 0, 5},
    {"ItemHeight", &ComboSettings::itemHeight, -1, 32767},
    {"DropdownWidth", &ComboSettings::dropDownWidth, 0, 32767},
};

// Every loaded setting as a put would take it: the first one refused is
// recorded in the context.
bool plausible(controls::PropertyExchangeContext &ctx, const ComboSettings &s)
{
    for (const SettingRange &r : kRanges) {
        const int32_t v = s.*r.member;
        if (v < r.lo || v > r.hi)
            return controls::RefuseLoadedValue(&ctx, QLatin1String(r.name), QString::number(v));
    }
    if (!(s.mousePointer >= 0 && s.mousePointer <= 15) && s.mousePointer != zoCustom)
        return controls::RefuseLoadedValue(&ctx, QStringLiteral("MousePointer"), QString::number(s.mousePointer));
    const struct {
        const char *name;
        const Bstr &text;
        bool (*check)(const QString &);
    } texts[] = {
        {"Format", s.format, &IsValidFormat},
        {"PromptChar", s.promptChar, &IsValidPromptChar},
        {"Text", s.text, &FitsComboText},
        {"Value", s.value, &FitsComboText},
    };
    for (const auto &t : texts) {
        const QString text = t.text.toQString();
        if (!t.check(text))
            return controls::RefuseLoadedValue(&ctx, QLatin1String(t.name), com::DescribeLoadedString(text));
    }
    return true;
}

class Exchanger {
public:
    Exchanger(controls::PropertyExchangeContext &ctx) : m_ctx(ctx) {}
    bool ok() const { return m_ok; }

    void shortValue(const char16_t *name, int32_t &member)
    {
        int16_t v = int16_t(member);
        if (done(m_ok && controls::ExchangeShortProperty(&m_ctx, name, &v)) && m_ctx.loading)
            member = v;
    }
    void longValue(const char16_t *name, int32_t &member)
    {
        done(m_ok && controls::ExchangeLongProperty(&m_ctx, name, &member));
    }
    void colorValue(const char16_t *name, OLE_COLOR &member)
    {
        int32_t v = int32_t(member);
        if (done(m_ok && controls::ExchangeLongProperty(&m_ctx, name, &v)) && m_ctx.loading)
            member = OLE_COLOR(v);
    }
    void boolValue(const char16_t *name, int32_t &member)
    {
        done(m_ok && controls::ExchangeBoolProperty(&m_ctx, name, &member));
    }
    void stringValue(const char16_t *name, Bstr &member)
    {
        done(m_ok && controls::ExchangeStringProperty(&m_ctx, name, &member));
    }
    void object(const char16_t *name, ComPtr<IUnknown> &member, const IID &iid)
    {
        // A bag holds nothing for a missing object.
        if (m_ctx.bag && !m_ctx.loading && !member)
            return;
        // A bag made elsewhere cannot make the suite base's classes, which
        // only this library has bound: it loads into a new one of ours.
        ComPtr<IUnknown> fresh;
        if (m_ok && m_ctx.bag && m_ctx.loading && member)
            fresh = newOfSameClass(member.get());
        done(m_ok && controls::ExchangeObjectProperty(&m_ctx, name, &member, iid, fresh.get()));
    }

private:
    static ComPtr<IUnknown> newOfSameClass(IUnknown *object)
    {
        ComPtr<IPersist> persist;
        CLSID clsid;
        ComPtr<IUnknown> made;
        if (SUCCEEDED(object->QueryInterface(IID_IPersist, persist.putVoid())) && persist
            && SUCCEEDED(persist->GetClassID(&clsid)))
            CoCreateInstance(clsid, nullptr, IID_IUnknown, made.putVoid());
        return made;
    }

    // A bag load keeps what a bag lacks; everything else must succeed, and
    // after the first failure nothing more is read.
    bool done(bool ok)
    {
        if (m_ok && !controls::ExchangeStepOk(&m_ctx, ok))
            m_ok = false;
        return ok;
    }
    controls::PropertyExchangeContext &m_ctx;
    bool m_ok = true;
};

// The values after "_Version", "_ExtentX" and "_ExtentY", in stream order.
void exchangeValues(Exchanger &x, ComboSettings &s, ComboObjects &o)
{
    x.object(u"Caption", o.caption, IID_ICaptionDisp);
    x.object(u"Font", o.font, IID_IFontDisp);
    x.object(u"Keys", o.keys, IID_IKey);
    x.object(u"MouseIcon", o.mouseIcon, IID_IPicture);
    x.object(u"DropDown", o.dropDown, IID_IDropDown);
    x.object(u"Spin", o.spin, IID_ISpin);
    x.shortValue(u"AlignHorizontal", s.alignHorizontal);
    x.shortValue(u"AlignVertical", s.alignVertical);
    x.shortValue(u"Appearance", s.appearance);
    x.shortValue(u"AllowSpace", s.allowSpace);
    x.shortValue(u"AutoConvert", s.autoConvert);
    x.colorValue(u"BackColor", s.backColor);
    x.shortValue(u"BorderStyle", s.borderStyle);
    x.shortValue(u"BtnPositioning", s.btnPositioning);
    x.shortValue(u"ClipMode", s.clipMode);
    x.shortValue(u"CursorPosition", s.cursorPosition);
    x.shortValue(u"DataProperty", s.dataProperty);
    x.shortValue(u"EditMode", s.editMode);
    x.shortValue(u"Enabled", s.enabled);
    x.shortValue(u"ErrorBeep", s.errorBeep);
    x.colorValue(u"ForeColor", s.foreColor);
    x.stringValue(u"Format", s.format);
    x.shortValue(u"HighlightText", s.highlightText);
    x.shortValue(u"IMEMode", s.imeMode);
    x.shortValue(u"IMEStatus", s.imeStatus);
    x.shortValue(u"LookupMode", s.lookupMode);
    x.stringValue(u"LookupTable", s.lookupTable);
    x.shortValue(u"MarginBottom", s.marginBottom);
    x.shortValue(u"MarginLeft", s.marginLeft);
    x.shortValue(u"MarginRight", s.marginRight);
    x.shortValue(u"MarginTop", s.marginTop);
    x.shortValue(u"MousePointer", s.mousePointer);
    x.shortValue(u"MoveOnLRKey", s.moveOnLRKey);
    x.shortValue(u"OLEDragMode", s.oleDragMode);
    x.shortValue(u"OLEDropMode", s.oleDropMode);
    x.stringValue(u"PromptChar", s.promptChar);
    x.shortValue(u"ReadOnly", s.readOnly);
    x.shortValue(u"ShowContextMenu", s.showContextMenu);
    x.shortValue(u"ShowLiterals", s.showLiterals);
    x.shortValue(u"TabAction", s.tabAction);
    x.stringValue(u"Text", s.text);
    x.stringValue(u"Value", s.value);
    x.shortValue(u"SortOrder", s.sortOrder);
    x.shortValue(u"SortBy", s.sortBy);
    x.shortValue(u"AutoDropDown", s.autoDropDown);
    x.shortValue(u"AutoSelect", s.autoSelect);
    x.shortValue(u"TextBoxStyle", s.textBoxStyle);
    x.longValue(u"DescWidth", s.descriptionWidth);
    x.longValue(u"ImageWidth", s.imageWidth);
    x.longValue(u"MaxDropdownItems", s.maxDropDownItems);
    x.shortValue(u"ImageAlign", s.imageAlign);
    x.shortValue(u"ScrollBarMode", s.scrollBarMode);
    x.shortValue(u"DropdownStyle", s.style);
    x.shortValue(u"ListStyle", s.listBoxStyle);
    x.shortValue(u"ItemTip", s.itemTip);
    x.shortValue(u"OverflowTip", s.overflowTip);
    x.shortValue(u"StatusBar", s.statusBar);
    x.shortValue(u"Shadow", s.dropDownShadow);
    x.shortValue(u"ShowScrollBar", s.showScrollBar);
    x.shortValue(u"IntegralHeight", s.integralHeight);
    x.longValue(u"ItemHeight", s.itemHeight);
    x.boolValue(u"DropWidthHasset", s.dropWidthHasset);
    x.longValue(u"DropdownWidth", s.dropDownWidth);
    x.object(u"BackgroundImage", o.backgroundImage, IID_IPicture);
    x.object(u"Items", o.items, IID_IComboItemCollection);
}

template <class T>
ComPtr<IUnknown> asUnknown(const ComPtr<T> &p)
{
    return ComPtr<IUnknown>(reinterpret_cast<IUnknown *>(p.get()));
}

} // namespace

// The persistence of one control; friend of zoCombo.
class ComboPersistence {
    // A failed load: the error object names the refused value.
    static HRESULT refused(const controls::PropertyExchangeContext &ctx)
    {
        return module().raiseLoadRefusal(E_FAIL, ctx.refusal, CLSID_zoCombo, IID_ICombo);
    }

public:
    static HRESULT exchange(zoCombo &c, controls::PropertyExchangeContext &ctx)
    {
        int32_t version = kComboStreamVersion;
        win::SIZEL extent = c.Extent();
        int32_t ex = extent.cx, ey = extent.cy;
        bool dirty = false;
        const bool head = controls::ExchangeVersionAndExtent(&ctx, &dirty, &version, &ex, &ey);
        if (!head)
            return ctx.loading ? refused(ctx) : STG_E_MEDIUMFULL;

        // A load into a control nobody initialised starts from the defaults
        // (a host may load a window definition naming only a few values).
        if (ctx.loading && !c.m_initialised)
            c.InitNew();
        ComboSettings settings = ctx.loading ? ComboSettings(c.m_settings) : ComboSettings();
        ComboObjects objects;
        objects.caption = c.m_caption;
        objects.font = asUnknown(c.m_font);
        objects.keys = c.m_key;
        objects.mouseIcon = asUnknown(c.m_mouseIcon);
        objects.dropDown = c.m_dropDown;
        objects.spin = c.m_spin;
        objects.backgroundImage = asUnknown(c.m_backgroundImage);
        objects.items = asUnknown(c.m_items);
        if (!ctx.loading) {
            Exchanger x(ctx);
            exchangeValues(x, c.m_settings, objects);
            if (!x.ok())
                return ctx.stream ? STG_E_MEDIUMFULL : E_FAIL;
            c.SetDirty(false);
            return S_OK;
        }

        Exchanger x(ctx);
        exchangeValues(x, settings, objects);
        if (!x.ok() || !plausible(ctx, settings))
            return refused(ctx);
        // A null object in a stream stands for one the control must have.
        for (const auto &[name, object] : {std::pair{"Caption", &objects.caption}, std::pair{"Keys", &objects.keys},
                                           std::pair{"DropDown", &objects.dropDown}, std::pair{"Spin", &objects.spin},
                                           std::pair{"Items", &objects.items}})
            if (!*object) {
                controls::RefuseLoadedValue(&ctx, QLatin1String(name), QStringLiteral("Nothing"));
                return refused(ctx);
            }
        ComPtr<IComboItemCollection> items;
        if (FAILED(objects.items->QueryInterface(IID_IComboItemCollection, items.putVoid()))) {
            controls::RefuseLoadedValue(&ctx, QStringLiteral("Items"), QStringLiteral("(別の種類のオブジェクト)"));
            return refused(ctx);
        }

        // Everything read: the loaded state replaces the old one.
        for (int32_t id : {int32_t(DISPID_COMBO_CAPTION), int32_t(DISPID_STD_FONT), int32_t(DISPID_COMBO_SPIN),
                           int32_t(DISPID_COMBO_DROPDOWN), int32_t(DISPID_COMBO_ITEMS_HOOK)})
            c.unhook(id);
        c.m_settings = std::move(settings);
        c.m_caption = objects.caption;
        c.m_key = objects.keys;
        c.m_dropDown = objects.dropDown;
        c.m_spin = objects.spin;
        c.m_font.reset();
        if (objects.font)
            objects.font->QueryInterface(IID_IFontDisp, c.m_font.putVoid());
        c.m_mouseIcon.reset();
        if (objects.mouseIcon)
            objects.mouseIcon->QueryInterface(IID_IPicture, c.m_mouseIcon.putVoid());
        c.m_backgroundImage.reset();
        if (objects.backgroundImage)
            objects.backgroundImage->QueryInterface(IID_IPicture, c.m_backgroundImage.putVoid());
        c.m_items = items;
        c.m_itemsSecondRef = ComPtr<IUnknown>(items.get());
        c.m_items->SetSortInfo(int16_t(c.m_settings.sortBy), int16_t(c.m_settings.sortOrder));
        if (head) {
            win::SIZEL loaded{ex, ey};
            c.SetExtent(win::DVASPECT_CONTENT, &loaded);
        }
        c.SetDirty(false);
        c.m_initialised = true;
        c.hookSubObjects(true);
        c.initialiseCaptionPainter();
        return S_OK;
    }
};

HRESULT zoCombo::GetClassID(CLSID *clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_zoCombo;
    return S_OK;
}

HRESULT zoCombo::Load(IStream *stream)
{
    if (!stream)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    ctx.loading = true;
    return ComboPersistence::exchange(*this, ctx);
}

HRESULT zoCombo::Save(IStream *stream, bool)
{
    if (!stream)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.stream = stream;
    return ComboPersistence::exchange(*this, ctx);
}

HRESULT zoCombo::Load(IPropertyBag *bag, IErrorLog *log)
{
    if (!bag)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.bag = bag;
    ctx.errorLog = log;
    ctx.loading = true;
    return ComboPersistence::exchange(*this, ctx);
}

HRESULT zoCombo::Save(IPropertyBag *bag, bool, bool)
{
    if (!bag)
        return E_POINTER;
    controls::PropertyExchangeContext ctx;
    ctx.bag = bag;
    return ComboPersistence::exchange(*this, ctx);
}

// ---- InitNew

void zoCombo::initialiseCaptionPainter()
{
    ComPtr<ICaptionPainter> painter;
    if (!m_caption || FAILED(m_caption->QueryInterface(IID_ICaptionPainter, painter.putVoid())))
        return;
    OLE_COLOR back = m_settings.backColor, fore = m_settings.foreColor;
    Variant v;
    if (SUCCEEDED(GetAmbientProperty(win::DISPID_AMBIENT_BACKCOLOR, v))) {
        Variant i4;
        if (SUCCEEDED(VariantChangeType(&i4, &v, 0, VT_I4)))
            back = OLE_COLOR(i4.lVal);
    }
    Variant f;
    if (SUCCEEDED(GetAmbientProperty(win::DISPID_AMBIENT_FORECOLOR, f))) {
        Variant i4;
        if (SUCCEEDED(VariantChangeType(&i4, &f, 0, VT_I4)))
            fore = OLE_COLOR(i4.lVal);
    }
    painter->Initialize(m_font.get(), back, fore);
}

HRESULT zoCombo::readAmbientFont()
{
    Variant v;
    if (FAILED(GetAmbientProperty(win::DISPID_AMBIENT_FONT, v))) {
        // No site: the default font.
        FONTDESC desc;
        desc.name = QStringLiteral("MS UI Gothic");
        ComPtr<IUnknown> font;
        if (FAILED(OleCreateFontIndirect(desc, IID_IUnknown, font.putVoid())))
            return E_FAIL;
        return controls::PutFontValue(&m_font, font.get());
    }
    if (v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN)
        return DISP_E_BADVARTYPE;
    if (!v.punkVal)
        return E_POINTER;
    ComPtr<IFont> font;
    if (FAILED(v.punkVal->QueryInterface(IID_IFont, font.putVoid())))
        return E_NOINTERFACE;
    return controls::PutFontValue(&m_font, font.get());
}

HRESULT zoCombo::InitNew()
{
    m_settings = ComboSettings();
    readAmbientFont();
    initialiseCaptionPainter();
    Variant name;
    if (SUCCEEDED(GetAmbientProperty(win::DISPID_AMBIENT_DISPLAYNAME, name)) && name.vt == VT_BSTR)
        m_settings.value = Bstr(bstrToQString(name.bstrVal));
    else
        m_settings.value = Bstr(QStringLiteral(""));
    m_backgroundImage.reset();
    hook(DISPID_COMBO_CAPTION, m_caption.get());
    hook(DISPID_STD_FONT, m_font.get());
    hook(DISPID_COMBO_SPIN, m_spin.get());
    hook(DISPID_COMBO_DROPDOWN, m_dropDown.get());
    ComPtr<IDropDown> dd;
    if (m_dropDown && SUCCEEDED(m_dropDown->QueryInterface(IID_IDropDown, dd.putVoid())))
        dd->put_Visible(zoShowAlways);
    hook(DISPID_COMBO_ITEMS_HOOK, m_items.get());
    bool userMode = true;
    GetAmbientUserMode(&userMode);
    m_userMode = userMode;
    m_initialised = true;
    SetDirty(false);
    return S_OK;
}

uint8_t zoCombo::promptByte() const
{
    const QString prompt = m_settings.promptChar.toQString();
    if (prompt.isEmpty() || !cp::isAnsiEncodable(prompt))
        return ' ';
    const QByteArray ansi = cp::toAnsi(prompt.left(1));
    return ansi.isEmpty() ? ' ' : uint8_t(ansi[0]);
}

} // namespace pickwell
