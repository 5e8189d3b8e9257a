#include "Controls/Container/ContainerPageChilds.h"

#include "Controls/Container/ContainerPageControls.h"
#include "Controls/Container/ContainerPageSample.h"
#include "Controls/Container/ContainerPageTemplates.h"
#include "Controls/Container/LumafoldModule.h"

#include "platform/win/controls.h"

namespace lumafold {

using namespace platform::win;
using namespace platform::com;

namespace {
constexpr uint32_t IDS_CHILDS_TITLE = 131;
constexpr DISPID DISPID_CHILDS = 2;
constexpr int kEditIds[] = {IDC_CHILD_KEY, IDC_CHILD_NAME, IDC_CHILD_EFFECT};
} // namespace

ContainerChildsPage::ContainerChildsPage()
    : ContainerItemsPage(IDD_CHILDS_PAGE, IDS_CHILDS_TITLE,
                         {IDC_CHILD_INDEX, IDC_CHILD_SPIN, IDC_CHILD_INSERT, IDC_CHILD_DELETE, IDC_CHILD_KEY,
                          DISPID_CHILDS})
{
}

void ContainerChildsPage::fillLists()
{
    const HWND page = PageWindow();
    const QString none = module().loadString(IDS_NONE);

    const HWND names = GetDlgItem(page, IDC_CHILD_NAME);
    const LRESULT namePos = SendMessageA(names, CB_GETCURSEL, 0, 0);
    QStringList nameEntries{none};
    QStringList frameNames;
    if (const ComPtr<IContainerPageLink> link = PageLinkOf(Object(0)))
        link->GetFrameNames(&frameNames);
    nameEntries += frameNames;
    FillCombo(names, nameEntries);
    // The previous selection by position.
    if (namePos >= 0 && namePos < nameEntries.size())
        SendMessageA(names, CB_SETCURSEL, WPARAM(namePos), 0);

    const HWND effects = GetDlgItem(page, IDC_CHILD_EFFECT);
    const LRESULT effectPos = SendMessageA(effects, CB_GETCURSEL, 0, 0);
    const QString effectText = effectPos >= 0 ? ComboEntry(effects, int(effectPos)) : QString();
    FillCombo(effects, QStringList{none} + EffectKeys(m_effects.get()));
    // The previous selection by text.
    if (effectPos >= 0)
        SendMessageA(effects, CB_SETCURSEL, WPARAM(FindComboEntry(effects, effectText)), 0);
}

bool ContainerChildsPage::LoadCollection()
{
    ComPtr<IChildren> childs;
    ComPtr<IEffects> effects;
    if (const ComPtr<IContainer> c = ContainerOf(Object(0))) {
        c->get_Childs(childs.put());
        c->get_Effects(effects.put());
    }
    const bool another = childs.get() != m_childs.get();
    m_childs = childs;
    m_effects = effects;
    fillLists();
    return another;
}

int ContainerChildsPage::ItemCount() const
{
    int32_t n = 0;
    if (!m_childs || FAILED(m_childs->get_Count(&n)))
        return 0;
    return n;
}

void ContainerChildsPage::FillItem(int n)
{
    ComPtr<IChild> child;
    if (FAILED(m_childs->get_Item(Variant::i4(n), child.put())) || !child) {
        ClearItem();
        return;
    }
    const HWND page = PageWindow();
    Bstr key, name;
    child->get_Key(key.put());
    child->get_Name(name.put());
    SetDialogItemText(page, IDC_CHILD_KEY, key.toQString());
    const HWND names = GetDlgItem(page, IDC_CHILD_NAME);
    const int namePos = FindComboEntry(names, name.toQString());
    SendMessageA(names, CB_SETCURSEL, WPARAM(namePos > 0 ? namePos : 0), 0);
    Variant effect;
    child->get_Effect(&effect);
    const HWND effects = GetDlgItem(page, IDC_CHILD_EFFECT);
    const QString effectKey = EffectPropertyKey(effect);
    const int effectPos = effectKey.isEmpty() ? 0 : FindComboEntry(effects, effectKey);
    SendMessageA(effects, CB_SETCURSEL, WPARAM(effectPos > 0 ? effectPos : 0), 0);
}

void ContainerChildsPage::ClearItem()
{
    const HWND page = PageWindow();
    SetDialogItemText(page, IDC_CHILD_KEY, QString());
    SendDlgItemMessageA(page, IDC_CHILD_NAME, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(page, IDC_CHILD_EFFECT, CB_SETCURSEL, 0, 0);
}

void ContainerChildsPage::EnableItemFields(bool enable)
{
    const HWND page = PageWindow();
    for (int id : kEditIds)
        EnableWindow(GetDlgItem(page, id), enable);
    EnableWindow(GetDlgItem(page, IDC_CHILD_DELETE), enable || Inserting());
}

HRESULT ContainerChildsPage::AddItem(int index, const QString &key)
{
    if (!m_childs)
        return E_FAIL;
    Bstr k(key);
    ComPtr<IChild> added;
    return m_childs->Add(Variant::i4(index), k.get(), added.put());
}

HRESULT ContainerChildsPage::ReplaceKey(int position, const QString &key)
{
    if (!m_childs)
        return E_FAIL;
    Bstr k(key);
    return m_childs->_ReplaceKey(position, k.get());
}

HRESULT ContainerChildsPage::PutItem(int n)
{
    ComPtr<IChild> child;
    if (!m_childs || FAILED(m_childs->get_Item(Variant::i4(n), child.put())) || !child)
        return E_FAIL;
    const HWND page = PageWindow();
    const LRESULT namePos = SendDlgItemMessageA(page, IDC_CHILD_NAME, CB_GETCURSEL, 0, 0);
    Bstr name(namePos > 0 ? ComboEntry(GetDlgItem(page, IDC_CHILD_NAME), int(namePos)) : QString());
    if (FAILED(child->put_Name(name.get())))
        return RefuseField(GetDlgItem(page, IDC_CHILD_NAME), false);
    // "(なし)" is Null; otherwise the position is the effect's one-based index.
    const LRESULT effectPos = SendDlgItemMessageA(page, IDC_CHILD_EFFECT, CB_GETCURSEL, 0, 0);
    const Variant effect = effectPos > 0 ? Variant::i4(int32_t(effectPos)) : Variant::null();
    if (FAILED(child->put_Effect(effect)))
        return RefuseField(GetDlgItem(page, IDC_CHILD_EFFECT), false);
    return S_OK;
}

HRESULT ContainerChildsPage::RemoveItem(int n)
{
    if (!m_childs)
        return E_FAIL;
    return m_childs->Remove(Variant::i4(n));
}

bool ContainerChildsPage::OnPageMessage(UINT msg, WPARAM wParam, LPARAM lParam, LONG_PTR *result)
{
    if (msg == WM_DRAWITEM && lParam) {
        const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (int(item.CtlID) != IDC_SAMPLE)
            return false;
        // The effect chosen in the Effect list, looked up by its key.
        const HWND effects = GetDlgItem(PageWindow(), IDC_CHILD_EFFECT);
        const LRESULT pos = SendMessageA(effects, CB_GETCURSEL, 0, 0);
        ComPtr<IEffect> effect;
        if (pos > 0 && m_effects)
            m_effects->get_Item(Variant::str(ComboEntry(effects, int(pos))), effect.put());
        if (effect) {
            const SampleEffect e = SampleEffect::of(effect.get());
            DrawEffectSample(item.hDC, item.rcItem, &e, SampleKind::ChildControl);
        } else {
            DrawEffectSample(item.hDC, item.rcItem, nullptr, SampleKind::ChildControl);
        }
        *result = TRUE;
        return true;
    }
    if (msg == WM_COMMAND && LOWORD(static_cast<std::uintptr_t>(wParam)) == IDC_CHILD_EFFECT
        && HIWORD(static_cast<std::uintptr_t>(wParam)) == CBN_SELCHANGE)
        RepaintSample();
    return ContainerItemsPage::OnPageMessage(msg, wParam, lParam, result);
}

} // namespace lumafold
