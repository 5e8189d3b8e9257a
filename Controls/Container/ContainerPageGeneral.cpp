#include "Controls/Container/ContainerPageGeneral.h"

#include "Controls/Container/ContainerPageControls.h"
#include "Controls/Container/ContainerPageSample.h"
#include "Controls/Container/ContainerPageTemplates.h"
#include "Controls/Container/LumafoldModule.h"

#include "platform/win/controls.h"

namespace lumafold {

using namespace platform::win;
using namespace platform::com;

namespace {

constexpr uint32_t IDS_GENERAL_TITLE = 132;
constexpr uint32_t IDS_APPLYEFFECT_LIST = 120;
constexpr uint32_t IDS_AUTOSIZE_LIST = 121;
constexpr uint32_t IDS_MOUSEPOINTER_LIST = 122;

constexpr DISPID DISPID_APPLYEFFECT = 1;
constexpr DISPID DISPID_CHILDSEFFECT = 8;
constexpr DISPID DISPID_CTRLEFFECT = 9;
constexpr DISPID DISPID_AUTOSIZE = -500;
constexpr DISPID DISPID_MOUSEPOINTER = -521;

// The leading number of the selected entry; ok false without a selection.
int selectedNumber(HWND combo, bool *ok)
{
    const LRESULT pos = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    *ok = false;
    if (pos < 0)
        return 0;
    return LeadingNumber(ComboEntry(combo, int(pos)), ok);
}

} // namespace

ContainerGeneralPage::ContainerGeneralPage()
    : PropertyPageBase(lumafold::module(), IDD_GENERAL_PAGE, IDS_GENERAL_TITLE)
{
    RegisterContainerPageTemplates(Instance());
}

void ContainerGeneralPage::OnInitPage()
{
    const HWND page = PageWindow();
    FillComboFromList(GetDlgItem(page, IDC_AUTOSIZE), IDS_AUTOSIZE_LIST, 2);
    FillComboFromList(GetDlgItem(page, IDC_MOUSEPOINTER), IDS_MOUSEPOINTER_LIST, 17);
    FillComboFromList(GetDlgItem(page, IDC_APPLYEFFECT), IDS_APPLYEFFECT_LIST, 3);
}

void ContainerGeneralPage::FillFields()
{
    const HWND page = PageWindow();
    const ComPtr<IContainer> c = ContainerOf(Object(0));
    if (!c)
        return;
    int32_t applyEffect = 0, autoSize = 0, mousePointer = 0;
    c->get_ApplyEffect(&applyEffect);
    c->get_AutoSize(&autoSize);
    c->get_MousePointer(&mousePointer);
    SelectComboByNumber(GetDlgItem(page, IDC_APPLYEFFECT), applyEffect);
    SelectComboByNumber(GetDlgItem(page, IDC_AUTOSIZE), autoSize);
    SelectComboByNumber(GetDlgItem(page, IDC_MOUSEPOINTER), mousePointer);

    ComPtr<IEffects> effects;
    c->get_Effects(effects.put());
    const QStringList entries = QStringList{module().loadString(IDS_NONE)} + EffectKeys(effects.get());
    struct EffectField {
        int id;
        HRESULT (IContainer::*get)(VARIANT *);
    };
    for (const EffectField &f : {EffectField{IDC_CTRLEFFECT, &IContainer::get_CtrlEffect},
                                 EffectField{IDC_CHILDSEFFECT, &IContainer::get_ChildsEffect}}) {
        const HWND combo = GetDlgItem(page, f.id);
        FillCombo(combo, entries);
        Variant value;
        (c.get()->*f.get)(&value);
        const QString key = EffectPropertyKey(value);
        const int pos = key.isEmpty() ? 0 : FindComboEntry(combo, key);
        SendMessageA(combo, CB_SETCURSEL, WPARAM(pos > 0 ? pos : 0), 0);
    }
    enableChildsEffect();
    InvalidateRect(GetDlgItem(page, IDC_SAMPLE), nullptr, FALSE);
}

void ContainerGeneralPage::enableChildsEffect()
{
    bool ok = false;
    const int applyEffect = selectedNumber(GetDlgItem(PageWindow(), IDC_APPLYEFFECT), &ok);
    EnableWindow(GetDlgItem(PageWindow(), IDC_CHILDSEFFECT), ok && applyEffect == 1);
}

HRESULT ContainerGeneralPage::put(IDispatch *control, DISPID id, const Variant &value, int field)
{
    Variant arg(value);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = &arg;
    params.rgdispidNamedArgs = &named;
    params.cArgs = 1;
    params.cNamedArgs = 1;
    EXCEPINFO excep;
    uint32_t argErr = 0;
    const HRESULT hr = control->Invoke(id, IID_NULL, 0x400, DISPATCH_PROPERTYPUT, &params, nullptr, &excep, &argErr);
    clearExcepInfo(&excep);
    if (FAILED(hr))
        return RefuseField(GetDlgItem(PageWindow(), field), false);
    return S_OK;
}

HRESULT ContainerGeneralPage::ApplyFields()
{
    const HWND page = PageWindow();
    ComPtr<IDispatch> control;
    if (!Object(0) || FAILED(Object(0)->QueryInterface(IID_IDispatch, control.putVoid())) || !control)
        return E_FAIL;
    // The effects: Null for "(なし)", else the one-based index of the effect.
    for (const auto &[field, id] : {std::pair{IDC_CTRLEFFECT, DISPID_CTRLEFFECT},
                                    std::pair{IDC_CHILDSEFFECT, DISPID_CHILDSEFFECT}}) {
        const LRESULT pos = SendDlgItemMessageA(page, field, CB_GETCURSEL, 0, 0);
        if (FAILED(put(control.get(), id, pos > 0 ? Variant::i4(int32_t(pos)) : Variant::null(), field)))
            return E_FAIL;
    }
    struct Listed {
        int field;
        DISPID id;
        bool wide; // int32 rather than int16
    };
    for (const Listed &l : {Listed{IDC_APPLYEFFECT, DISPID_APPLYEFFECT, false},
                            Listed{IDC_AUTOSIZE, DISPID_AUTOSIZE, false},
                            Listed{IDC_MOUSEPOINTER, DISPID_MOUSEPOINTER, true}}) {
        bool ok = false;
        const int value = selectedNumber(GetDlgItem(page, l.field), &ok);
        if (!ok)
            return RefuseField(GetDlgItem(page, l.field), false);
        if (FAILED(put(control.get(), l.id, l.wide ? Variant::i4(value) : Variant::i2(int16_t(value)), l.field)))
            return E_FAIL;
    }
    return S_OK;
}

int ContainerGeneralPage::sampleCombo() const
{
    const HWND focus = GetFocus();
    if (focus && GetParent(focus) == PageWindow()) {
        const int id = GetDlgCtrlID(focus);
        if (id == IDC_CTRLEFFECT || id == IDC_CHILDSEFFECT)
            return id;
    }
    return m_lastEffectCombo ? m_lastEffectCombo : IDC_CTRLEFFECT;
}

bool ContainerGeneralPage::OnPageMessage(UINT msg, WPARAM wParam, LPARAM lParam, LONG_PTR *result)
{
    if (msg == WM_DRAWITEM && lParam) {
        const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (int(item.CtlID) != IDC_SAMPLE)
            return false;
        const HWND combo = GetDlgItem(PageWindow(), sampleCombo());
        const LRESULT pos = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        ComPtr<IEffect> effect;
        if (pos > 0) {
            ComPtr<IEffects> effects;
            if (const ComPtr<IContainer> c = ContainerOf(Object(0)))
                c->get_Effects(effects.put());
            if (effects)
                effects->get_Item(Variant::str(ComboEntry(combo, int(pos))), effect.put());
        }
        if (effect) {
            const SampleEffect e = SampleEffect::of(effect.get());
            DrawEffectSample(item.hDC, item.rcItem, &e, SampleKind::BevelsOnly);
        } else {
            DrawEffectSample(item.hDC, item.rcItem, nullptr, SampleKind::BevelsOnly);
        }
        *result = TRUE;
        return true;
    }
    if (msg == WM_COMMAND && HIWORD(static_cast<std::uintptr_t>(wParam)) == CBN_SELCHANGE) {
        const int id = LOWORD(static_cast<std::uintptr_t>(wParam));
        if (id == IDC_APPLYEFFECT)
            enableChildsEffect();
        if (id == IDC_CTRLEFFECT || id == IDC_CHILDSEFFECT) {
            m_lastEffectCombo = id;
            InvalidateRect(GetDlgItem(PageWindow(), IDC_SAMPLE), nullptr, FALSE);
        }
    }
    return false;
}

} // namespace lumafold
