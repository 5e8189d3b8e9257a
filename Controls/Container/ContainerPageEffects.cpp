#include "Controls/Container/ContainerPageEffects.h"

#include "Controls/Container/ContainerPageControls.h"
#include "Controls/Container/ContainerPageTemplates.h"
#include "Controls/Container/LumafoldModule.h"

#include "platform/win/controls.h"

#include <cmath>

namespace lumafold {

using namespace platform::win;
using namespace platform::com;

namespace {

constexpr uint32_t IDS_EFFECTS_TITLE = 130;
constexpr uint32_t IDS_BORDERSTYLE_LIST = 101;
constexpr DISPID DISPID_EFFECTS = 5;

// The editing controls besides the numeric fields.
constexpr int kEditIds[] = {IDC_EFFECT_KEY, IDC_BORDERSTYLE, IDC_BACKCOLOR, IDC_SHADOWBASECOLOR};

} // namespace

ContainerEffectsPage::ContainerEffectsPage()
    : ContainerItemsPage(IDD_EFFECTS_PAGE, IDS_EFFECTS_TITLE,
                         {IDC_EFFECT_INDEX, IDC_EFFECT_SPIN, IDC_EFFECT_INSERT, IDC_EFFECT_DELETE, IDC_EFFECT_KEY,
                          DISPID_EFFECTS})
{
    // In the order Apply validates them (the page's tab order).
    m_numbers = {
        {IDC_BEVELOUTER, -100, 100, 3, {}},   {IDC_BEVELINNER, -100, 100, 3, {}},
        {IDC_BEVELLIGHT, -100, 100, 3, {}},   {IDC_BEVELSHADE, -100, 100, 3, {}},
        {IDC_BEVELSPACE, 0, 100, 3, {}},      {IDC_MARGINLEFT, 0, 32767, 5, {}},
        {IDC_MARGINRIGHT, 0, 32767, 5, {}},   {IDC_MARGINTOP, 0, 32767, 5, {}},
        {IDC_MARGINBOTTOM, 0, 32767, 5, {}},  {IDC_SHADOWDARKNESS, 0, 100, 3, {}},
        {IDC_SHADOWWIDTH, 0, 100, 3, {}},
    };
}

ContainerEffectsPage::Number *ContainerEffectsPage::number(int id)
{
    for (Number &n : m_numbers)
        if (n.id == id)
            return &n;
    return nullptr;
}

int ContainerEffectsPage::numberValue(int id) const
{
    for (const Number &n : m_numbers)
        if (n.id == id) {
            const double v = controls::GetNumberFieldValue(n.field);
            return std::isfinite(v) ? int(std::clamp(v, -1e9, 1e9)) : 0;
        }
    return 0;
}

void ContainerEffectsPage::setNumber(int id, int value)
{
    if (Number *n = number(id))
        controls::SetNumberFieldValue(n->field, int16_t(value));
}

void ContainerEffectsPage::OnInitPage()
{
    const HWND page = PageWindow();
    FillComboFromList(GetDlgItem(page, IDC_BORDERSTYLE), IDS_BORDERSTYLE_LIST, 2);
    for (Number &n : m_numbers)
        controls::InitNumberField(n.field, GetDlgItem(page, n.id), n.minimum, n.maximum, n.digits);
}

bool ContainerEffectsPage::LoadCollection()
{
    ComPtr<IEffects> effects;
    if (const ComPtr<IContainer> c = ContainerOf(Object(0)))
        c->get_Effects(effects.put());
    const bool another = effects.get() != m_effects.get();
    m_effects = effects;
    return another;
}

int ContainerEffectsPage::ItemCount() const
{
    int32_t n = 0;
    if (!m_effects || FAILED(m_effects->get_Count(&n)))
        return 0;
    return n;
}

void ContainerEffectsPage::FillItem(int n)
{
    ComPtr<IEffect> e;
    if (FAILED(m_effects->get_Item(Variant::i4(n), e.put())) || !e) {
        ClearItem();
        return;
    }
    const Effect::Values v = Effect::valuesOf(e.get());
    const HWND page = PageWindow();
    SetDialogItemText(page, IDC_EFFECT_KEY, EffectKey(e.get()));
    SendDlgItemMessageA(page, IDC_BORDERSTYLE, CB_SETCURSEL, WPARAM(v.borderStyle), 0);
    setNumber(IDC_BEVELOUTER, v.bevelOuter);
    setNumber(IDC_BEVELINNER, v.bevelInner);
    setNumber(IDC_BEVELLIGHT, v.bevelLight);
    setNumber(IDC_BEVELSHADE, v.bevelShade);
    setNumber(IDC_BEVELSPACE, v.bevelSpace);
    setNumber(IDC_MARGINTOP, v.marginTop);
    setNumber(IDC_MARGINBOTTOM, v.marginBottom);
    setNumber(IDC_MARGINLEFT, v.marginLeft);
    setNumber(IDC_MARGINRIGHT, v.marginRight);
    setNumber(IDC_SHADOWDARKNESS, v.shadowDarkness);
    setNumber(IDC_SHADOWWIDTH, v.shadowWidth);
    m_backColor = v.backColor;
    m_shadowBaseColor = v.shadowBaseColor;
    repaintColours();
}

void ContainerEffectsPage::ClearItem()
{
    const HWND page = PageWindow();
    SetDialogItemText(page, IDC_EFFECT_KEY, QString());
    SendDlgItemMessageA(page, IDC_BORDERSTYLE, CB_SETCURSEL, 0, 0);
    const Effect::Values d; // a new effect's values
    setNumber(IDC_BEVELOUTER, d.bevelOuter);
    setNumber(IDC_BEVELINNER, d.bevelInner);
    setNumber(IDC_BEVELLIGHT, d.bevelLight);
    setNumber(IDC_BEVELSHADE, d.bevelShade);
    setNumber(IDC_BEVELSPACE, d.bevelSpace);
    setNumber(IDC_MARGINTOP, d.marginTop);
    setNumber(IDC_MARGINBOTTOM, d.marginBottom);
    setNumber(IDC_MARGINLEFT, d.marginLeft);
    setNumber(IDC_MARGINRIGHT, d.marginRight);
    setNumber(IDC_SHADOWDARKNESS, d.shadowDarkness);
    setNumber(IDC_SHADOWWIDTH, d.shadowWidth);
    m_backColor = d.backColor;
    m_shadowBaseColor = d.shadowBaseColor;
    repaintColours();
}

void ContainerEffectsPage::EnableItemFields(bool enable)
{
    const HWND page = PageWindow();
    for (int id : kEditIds)
        EnableWindow(GetDlgItem(page, id), enable);
    for (const Number &n : m_numbers)
        EnableWindow(n.field.hwnd, enable);
    EnableWindow(GetDlgItem(page, IDC_EFFECT_DELETE), enable || Inserting());
}

HWND ContainerEffectsPage::InvalidField()
{
    for (const Number &n : m_numbers)
        if (!controls::IsNumberFieldInRange(n.field))
            return n.field.hwnd;
    return 0;
}

HRESULT ContainerEffectsPage::AddItem(int index, const QString &key)
{
    if (!m_effects)
        return E_FAIL;
    Bstr k(key);
    ComPtr<IEffect> added;
    return m_effects->Add(Variant::i4(index), k.get(), added.put());
}

HRESULT ContainerEffectsPage::ReplaceKey(int position, const QString &key)
{
    if (!m_effects)
        return E_FAIL;
    Bstr k(key);
    return m_effects->_ReplaceKey(position, k.get());
}

HRESULT ContainerEffectsPage::PutItem(int n)
{
    ComPtr<IEffect> e;
    if (!m_effects || FAILED(m_effects->get_Item(Variant::i4(n), e.put())) || !e)
        return E_FAIL;
    struct Put {
        int id;
        HRESULT (IEffect::*put)(int16_t);
    };
    static const Put puts[] = {
        {IDC_BEVELOUTER, &IEffect::put_BevelOuter},         {IDC_BEVELINNER, &IEffect::put_BevelInner},
        {IDC_BEVELLIGHT, &IEffect::put_BevelLight},         {IDC_BEVELSHADE, &IEffect::put_BevelShade},
        {IDC_BEVELSPACE, &IEffect::put_BevelSpace},         {IDC_SHADOWDARKNESS, &IEffect::put_ShadowDarkness},
        {IDC_SHADOWWIDTH, &IEffect::put_ShadowWidth},       {IDC_MARGINTOP, &IEffect::put_MarginTop},
        {IDC_MARGINBOTTOM, &IEffect::put_MarginBottom},     {IDC_MARGINLEFT, &IEffect::put_MarginLeft},
        {IDC_MARGINRIGHT, &IEffect::put_MarginRight},
    };
    for (const Put &p : puts)
        if (FAILED((e.get()->*p.put)(int16_t(numberValue(p.id)))))
            return RefuseField(GetDlgItem(PageWindow(), p.id));
    const LRESULT border = SendDlgItemMessageA(PageWindow(), IDC_BORDERSTYLE, CB_GETCURSEL, 0, 0);
    if (FAILED(e->put_BorderStyle(int32_t(border < 0 ? 0 : border))))
        return RefuseField(GetDlgItem(PageWindow(), IDC_BORDERSTYLE), false);
    if (FAILED(e->put_BackColor(m_backColor)))
        return RefuseField(GetDlgItem(PageWindow(), IDC_BACKCOLOR), false);
    if (FAILED(e->put_ShadowBaseColor(m_shadowBaseColor)))
        return RefuseField(GetDlgItem(PageWindow(), IDC_SHADOWBASECOLOR), false);
    return S_OK;
}

HRESULT ContainerEffectsPage::RemoveItem(int n)
{
    if (!m_effects)
        return E_FAIL;
    return m_effects->Remove(Variant::i4(n));
}

SampleEffect ContainerEffectsPage::FieldEffect() const
{
    SampleEffect s;
    s.backColor = m_backColor;
    s.shadowBaseColor = m_shadowBaseColor;
    s.bevelOuter = numberValue(IDC_BEVELOUTER);
    s.bevelInner = numberValue(IDC_BEVELINNER);
    s.bevelLight = numberValue(IDC_BEVELLIGHT);
    s.bevelShade = numberValue(IDC_BEVELSHADE);
    s.bevelSpace = numberValue(IDC_BEVELSPACE);
    s.marginTop = numberValue(IDC_MARGINTOP);
    s.marginBottom = numberValue(IDC_MARGINBOTTOM);
    s.marginLeft = numberValue(IDC_MARGINLEFT);
    s.marginRight = numberValue(IDC_MARGINRIGHT);
    s.shadowDarkness = numberValue(IDC_SHADOWDARKNESS);
    s.shadowWidth = numberValue(IDC_SHADOWWIDTH);
    const LRESULT border = SendDlgItemMessageA(PageWindow(), IDC_BORDERSTYLE, CB_GETCURSEL, 0, 0);
    s.borderStyle = border == 1 ? 1 : 0;
    // Values outside their ranges are drawn at the nearest allowed value.
    s.bevelOuter = std::clamp(s.bevelOuter, -100, 100);
    s.bevelInner = std::clamp(s.bevelInner, -100, 100);
    s.bevelLight = std::clamp(s.bevelLight, -100, 100);
    s.bevelShade = std::clamp(s.bevelShade, -100, 100);
    s.bevelSpace = std::clamp(s.bevelSpace, 0, 100);
    s.shadowDarkness = std::clamp(s.shadowDarkness, 0, 100);
    s.shadowWidth = std::clamp(s.shadowWidth, 0, 100);
    return s;
}

void ContainerEffectsPage::RepaintSample()
{
    ContainerItemsPage::RepaintSample();
}

void ContainerEffectsPage::repaintColours()
{
    const HWND page = PageWindow();
    InvalidateRect(GetDlgItem(page, IDC_BACKCOLOR), nullptr, FALSE);
    InvalidateRect(GetDlgItem(page, IDC_SHADOWBASECOLOR), nullptr, FALSE);
}

bool ContainerEffectsPage::OnPageMessage(UINT msg, WPARAM wParam, LPARAM lParam, LONG_PTR *result)
{
    if (msg == WM_DRAWITEM && lParam) {
        const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (int(item.CtlID) == IDC_SAMPLE) {
            const SampleEffect e = FieldEffect();
            DrawEffectSample(item.hDC, item.rcItem, &e, SampleKind::Control);
        } else if (int(item.CtlID) == IDC_BACKCOLOR) {
            DrawColourButton(item, m_backColor);
        } else if (int(item.CtlID) == IDC_SHADOWBASECOLOR) {
            DrawColourButton(item, m_shadowBaseColor);
        } else {
            return false;
        }
        *result = TRUE;
        return true;
    }
    if (msg == WM_COMMAND) {
        const int id = LOWORD(static_cast<std::uintptr_t>(wParam));
        const WORD code = HIWORD(static_cast<std::uintptr_t>(wParam));
        if ((id == IDC_BACKCOLOR || id == IDC_SHADOWBASECOLOR) && code == BN_CLICKED) {
            if (EditColours(PageWindow(), Object(0), &m_backColor, &m_shadowBaseColor)) {
                SetDirty(true);
                repaintColours();
                RepaintSample();
            }
            return true;
        }
        // An edit of the effect's fields repaints the sample; the page base
        // marks the page dirty.
        if (id >= IDC_EFFECT_KEY && id <= IDC_SHADOWWIDTH && !Filling())
            RepaintSample();
    }
    return ContainerItemsPage::OnPageMessage(msg, wParam, lParam, result);
}

} // namespace lumafold
