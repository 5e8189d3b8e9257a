// zoCombo's defaults (InitNew) and persistence to streams and property bags:
// one exchange routine for both directions, over copies so that a failed
// load changes nothing.
#include "Controls/Pickwell/ComboControl.h"

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

bool inRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

// Every enumerated and ranged setting within its range (a stream that says
// otherwise is corrupt).
bool plausible(const ComboSettings &s)
{
    return inRange(s.listBoxStyle, 0, 5) && inRange(s.descriptionWidth, 0, 32767) && inRange(s.imageWidth, 0, 32767)
           && inRange(s.imageAlign, 0, 3) && s.maxDropDownItems > 0 && inRange(s.style, 0, 2)
           && inRange(s.dropDownWidth, 0, 32767) && inRange(s.itemHeight, -1, 32767) && inRange(s.scrollBarMode, 0, 1)
           && inRange(s.sortBy, 0, 2) && inRange(s.sortOrder, 0, 2) && inRange(s.textBoxStyle, 0, 2)
           && inRange(s.alignHorizontal, 0, 2) && inRange(s.alignVertical, 0, 2) && inRange(s.clipMode, 0, 1)
           && inRange(s.editMode, 0, 3) && inRange(s.imeMode, 0, 8) && s.marginBottom >= 0 && s.marginLeft >= 0
           && s.marginRight >= 0 && s.marginTop >= 0 && (inRange(s.mousePointer, 0, 15) || s.mousePointer == zoCustom)
           && inRange(s.moveOnLRKey, 0, 3) && inRange(s.oleDragMode, 0, 1) && inRange(s.oleDropMode, 0, 2)
           && inRange(s.showLiterals, 0, 2) && inRange(s.appearance, 0, 2) && inRange(s.borderStyle, 0, 1)
           && inRange(s.dataProperty, 0, 1) && inRange(s.highlightText, 0, 2) && inRange(s.imeStatus, 0, 1)
           && inRange(s.lookupMode, 0, 2) && inRange(s.tabAction, 0, 1) && inRange(s.btnPositioning, 0, 1);
}

class Exchanger {
public:
    Exchanger(controls::PropertyExchangeContext &ctx) : m_ctx(ctx) {}
    bool ok() const { return m_ok; }

    void shortValue(const char16_t *name, int32_t &member)
    {
        int16_t v = int16_t(member);
        if (done(controls::ExchangeShortProperty(&m_ctx, name, &v)) && m_ctx.loading)
            member = v;
    }
    void longValue(const char16_t *name, int32_t &member) { done(controls::ExchangeLongProperty(&m_ctx, name, &member)); }
    void colorValue(const char16_t *name, OLE_COLOR &member)
    {
        int32_t v = int32_t(member);
        if (done(controls::ExchangeLongProperty(&m_ctx, name, &v)) && m_ctx.loading)
            member = OLE_COLOR(v);
    }
    void boolValue(const char16_t *name, int32_t &member) { done(controls::ExchangeBoolProperty(&m_ctx, name, &member)); }
    void stringValue(const char16_t *name, Bstr &member) { done(controls::ExchangeStringProperty(&m_ctx, name, &member)); }
    void object(const char16_t *name, ComPtr<IUnknown> &member, const IID &iid)
    {
        // A bag holds nothing for a missing object.
        if (m_ctx.bag && !m_ctx.loading && !member)
            return;
        done(controls::ExchangeObjectProperty(&m_ctx, name, &member, iid));
    }

private:
    // A bag load keeps what a bag lacks; everything else must succeed.
    bool done(bool ok)
    {
        if (!ok && !(m_ctx.bag && m_ctx.loading))
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
public:
    static HRESULT exchange(zoCombo &c, controls::PropertyExchangeContext &ctx)
    {
        int32_t version = kComboStreamVersion;
        win::SIZEL extent = c.Extent();
        int32_t ex = extent.cx, ey = extent.cy;
        bool dirty = false;
        const bool head = controls::ExchangeVersionAndExtent(&ctx, &dirty, &version, &ex, &ey);
        if (!head && !(ctx.bag && ctx.loading))
            return ctx.loading ? E_FAIL : STG_E_MEDIUMFULL;

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
        if (!x.ok() || !plausible(settings) || !objects.caption || !objects.keys || !objects.dropDown || !objects.spin
            || !objects.items)
            return E_FAIL;
        ComPtr<IComboItemCollection> items;
        if (FAILED(objects.items->QueryInterface(IID_IComboItemCollection, items.putVoid())))
            return E_FAIL;

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
