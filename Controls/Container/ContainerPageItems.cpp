#include "Controls/Container/ContainerPageItems.h"

#include "Controls/Container/ContainerPageControls.h"
#include "Controls/Container/ContainerPageTemplates.h"
#include "Controls/Container/LumafoldModule.h"

#include "platform/win/controls.h"

#include <unordered_map>

namespace lumafold {

using namespace platform::win;
using namespace platform::com;

namespace {
struct WatchedField {
    ContainerItemsPage *page;
    WNDPROC previous;
};
std::unordered_map<HWND, WatchedField> &watchedFields()
{
    static std::unordered_map<HWND, WatchedField> m;
    return m;
}
constexpr uint32_t IDS_OK = 102, IDS_CANCEL = 103, IDS_INSERT = 104, IDS_DELETE = 105;
constexpr int kMaxKeyLength = 127;
} // namespace

ContainerItemsPage::ContainerItemsPage(int templateId, uint32_t titleStringId, const Ids &ids)
    : PropertyPageBase(lumafold::module(), templateId, titleStringId), m_ids(ids)
{
    RegisterContainerPageTemplates(Instance());
}

ContainerItemsPage::~ContainerItemsPage()
{
    // The page window may outlive this part of the page: the field stops
    // reporting to it.
    const auto it = watchedFields().find(m_watchedIndex);
    if (it != watchedFields().end()) {
        if (IsWindow(m_watchedIndex))
            SetWindowLongPtrA(m_watchedIndex, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.previous));
        watchedFields().erase(it);
    }
}

void ContainerItemsPage::RepaintSample()
{
    if (const HWND sample = GetDlgItem(PageWindow(), IDC_SAMPLE))
        InvalidateRect(sample, nullptr, FALSE);
}

void ContainerItemsPage::MarkControlChanged(DISPID id)
{
    if (const ComPtr<IContainerPageLink> link = PageLinkOf(Object(0)))
        link->MarkChanged(id);
}

void ContainerItemsPage::ShowItem(int n)
{
    const HWND page = PageWindow();
    SetDlgItemInt(page, m_ids.index, UINT(n), FALSE);
    if (!m_inserting && n >= 1 && n <= ItemCount())
        FillItem(n);
    else
        ClearItem();
    EnableItemFields(n >= 1);
    RepaintSample();
}

void ContainerItemsPage::setInserting(bool inserting)
{
    m_inserting = inserting;
    const HWND page = PageWindow();
    SetDialogItemText(page, m_ids.insert, module().loadString(inserting ? IDS_OK : IDS_INSERT));
    SetDialogItemText(page, m_ids.remove, module().loadString(inserting ? IDS_CANCEL : IDS_DELETE));
    EnableWindow(GetDlgItem(page, m_ids.index), !inserting);
    EnableWindow(GetDlgItem(page, m_ids.spin), !inserting);
}

LRESULT ContainerItemsPage::indexFieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const auto it = watchedFields().find(hwnd);
    if (it == watchedFields().end())
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    const WatchedField f = it->second;
    if (msg == WM_NCDESTROY)
        watchedFields().erase(it);
    const LRESULT r = CallWindowProcA(f.previous, hwnd, msg, wParam, lParam);
    // After the field's own handling (its caret and EN_KILLFOCUS).
    if (msg == WM_KILLFOCUS && f.page->PageWindow() && !f.page->Filling())
        f.page->onIndexLeft(static_cast<HWND>(wParam));
    return r;
}

void ContainerItemsPage::watchIndexField()
{
    const HWND field = GetDlgItem(PageWindow(), m_ids.index);
    if (!field || field == m_watchedIndex)
        return;
    m_watchedIndex = field;
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(field, GWLP_WNDPROC));
    watchedFields()[field] = {this, previous};
    SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ContainerItemsPage::indexFieldProc));
}

void ContainerItemsPage::FillFields()
{
    watchIndexField();
    SendDlgItemMessageA(PageWindow(), m_ids.key, EM_LIMITTEXT, kMaxKeyLength, 0);
    const bool another = LoadCollection();
    if (another || !m_collectionKnown) {
        m_collectionKnown = true;
        m_index = ItemCount() > 0 ? 1 : 0;
        if (m_inserting || another)
            setInserting(false);
    } else if (!m_inserting && m_index > ItemCount()) {
        m_index = ItemCount();
    }
    ShowItem(m_index);
}

HRESULT ContainerItemsPage::ApplyFields()
{
    if (ItemCount() == 0 && !m_inserting)
        return S_OK;
    if (const HWND bad = InvalidField())
        return RefuseField(bad);
    const HWND page = PageWindow();
    const QString key = DialogItemText(page, m_ids.key).left(kMaxKeyLength);
    const HRESULT hr = m_inserting ? AddItem(m_index, key) : ReplaceKey(m_index - 1, key);
    if (FAILED(hr)) {
        // The collection's own message (513 to 517), with the focus on the key.
        const uint32_t id = uint32_t(hr) & 0xFFFF;
        ShowError(id >= 513 && id <= 519 ? id : controls::kInvalidValueStringId);
        const HWND keyField = GetDlgItem(page, m_ids.key);
        SendMessageA(keyField, EM_SETSEL, 0, -1);
        SetFocus(keyField);
        return E_FAIL;
    }
    const bool inserted = m_inserting;
    if (inserted) {
        // The new item takes the place Add gave it (appended when past the end).
        m_index = std::min(m_index, ItemCount());
    }
    const HRESULT put = PutItem(m_index);
    if (inserted)
        setInserting(false);
    MarkControlChanged(0);
    if (FAILED(put))
        return put;
    if (inserted)
        Refill();
    return S_OK;
}

bool ContainerItemsPage::IsChangeNotification(int id, WORD code) const
{
    if (id == m_ids.index || id == m_ids.insert || id == m_ids.remove || id == IDC_SAMPLE)
        return false;
    return PropertyPageBase::IsChangeNotification(id, code);
}

void ContainerItemsPage::onInsert()
{
    if (m_inserting) {
        // "OK": the new item is applied.
        if (SUCCEEDED(Apply()))
            SetDirty(false);
        return;
    }
    m_index = ItemCount() == 0 ? 1 : m_index + 1;
    setInserting(true);
    Refill();
    SetFocus(GetDlgItem(PageWindow(), m_ids.key));
    SetDirty(true);
}

void ContainerItemsPage::onDelete()
{
    const HWND page = PageWindow();
    if (m_inserting) {
        // "ｷｬﾝｾﾙ": back to the item shown before.
        setInserting(false);
        m_index = std::max(0, m_index - 1);
        Refill();
        SetDirty(false);
        SetFocus(GetDlgItem(page, m_ids.index));
        return;
    }
    if (m_index < 1)
        return;
    if (FAILED(RemoveItem(m_index)))
        return;
    m_index = std::min(m_index, ItemCount());
    MarkControlChanged(m_ids.collection);
    Refill();
    SetDirty(false);
    SetFocus(GetDlgItem(page, ItemCount() > 0 ? m_ids.index : m_ids.insert));
}

bool ContainerItemsPage::applyBeforeMove()
{
    if (!IsDirty() && !m_inserting)
        return true;
    if (SUCCEEDED(Apply())) {
        SetDirty(false);
        return true;
    }
    SetDlgItemInt(PageWindow(), m_ids.index, UINT(m_index), FALSE);
    return false;
}

void ContainerItemsPage::onIndexLeft(HWND newFocus)
{
    const HWND page = PageWindow();
    if (!controls::IsDescendantWindow(page, newFocus)) {
        // Leaving the page: the frame's buttons decide what is applied.
        SetDlgItemInt(page, m_ids.index, UINT(m_index), FALSE);
        return;
    }
    BOOL ok = FALSE;
    const int typed = int(GetDlgItemInt(page, m_ids.index, &ok, FALSE));
    if (ok && typed == m_index)
        return;
    if (!applyBeforeMove())
        return;
    if (ok && typed >= 1 && typed <= ItemCount())
        m_index = typed;
    Refill();
}

void ContainerItemsPage::onSpin(int delta)
{
    if (m_inserting || !applyBeforeMove())
        return;
    // The spin's range runs downwards: a negative step is the next item.
    const int next = delta < 0 ? m_index + 1 : m_index - 1;
    if (next >= 1 && next <= ItemCount())
        m_index = next;
    Refill();
}

bool ContainerItemsPage::OnPageMessage(UINT msg, WPARAM wParam, LPARAM lParam, LONG_PTR *result)
{
    if (msg == WM_COMMAND) {
        const int id = LOWORD(static_cast<std::uintptr_t>(wParam));
        const WORD code = HIWORD(static_cast<std::uintptr_t>(wParam));
        if (id == m_ids.insert && code == BN_CLICKED) {
            onInsert();
            return true;
        }
        if (id == m_ids.remove && code == BN_CLICKED) {
            onDelete();
            return true;
        }
        if (id == m_ids.index && code == EN_KILLFOCUS)
            return true; // handled when the field's WM_KILLFOCUS has told where the focus went
        return false;
    }
    if (msg == WM_NOTIFY && lParam) {
        const auto *hdr = reinterpret_cast<const NMHDR *>(lParam);
        if (int(hdr->idFrom) == m_ids.spin && hdr->code == UDN_DELTAPOS) {
            onSpin(reinterpret_cast<const NMUPDOWN *>(lParam)->iDelta);
            *result = 0;
            return true;
        }
    }
    return false;
}

} // namespace lumafold
