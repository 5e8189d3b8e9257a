#pragma once
// The Childs page ("ﾁｬｲﾙﾄﾞｽﾀｲﾙ", dialog 127): edits the container's Childs
// collection one entry at a time: its key, the contained control it styles
// and the effect it gives that control.
#include "Controls/Container/ContainerPageItems.h"

namespace lumafold {

class ContainerChildsPage final : public ContainerItemsPage {
public:
    ContainerChildsPage();

protected:
    bool LoadCollection() override;
    int ItemCount() const override;
    void FillItem(int n) override;
    void ClearItem() override;
    void EnableItemFields(bool enable) override;
    HRESULT AddItem(int index, const QString &key) override;
    HRESULT ReplaceKey(int position, const QString &key) override;
    HRESULT PutItem(int n) override;
    HRESULT RemoveItem(int n) override;
    bool OnPageMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LONG_PTR *result) override;

private:
    ~ContainerChildsPage() override = default;
    // "(なし)" and the frame names; "(なし)" and the effect keys.
    void fillLists();

    com::ComPtr<IChildren> m_childs;
    com::ComPtr<IEffects> m_effects;
};

} // namespace lumafold
