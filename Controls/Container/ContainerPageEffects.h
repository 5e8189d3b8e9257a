#pragma once
// The Effects page ("3Dｽﾀｲﾙ", dialog 108): edits the container's Effects
// collection one effect at a time, with a sample of the effect as it
// stands in the fields.
#include "Controls/Container/ContainerPageItems.h"
#include "Controls/Container/ContainerPageSample.h"

namespace lumafold {

class ContainerEffectsPage final : public ContainerItemsPage {
public:
    ContainerEffectsPage();

    // The effect as the fields hold it (what the sample shows).
    SampleEffect FieldEffect() const;

protected:
    void OnInitPage() override;
    bool LoadCollection() override;
    int ItemCount() const override;
    void FillItem(int n) override;
    void ClearItem() override;
    void EnableItemFields(bool enable) override;
    win::HWND InvalidField() override;
    HRESULT AddItem(int index, const QString &key) override;
    HRESULT ReplaceKey(int position, const QString &key) override;
    HRESULT PutItem(int n) override;
    HRESULT RemoveItem(int n) override;
    void RepaintSample() override;
    bool OnPageMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LONG_PTR *result) override;

private:
    ~ContainerEffectsPage() override = default;
    // One numeric field: its id, range and the wrapper it is driven through.
    struct Number {
        int id;
        int minimum, maximum, digits;
        controls::FieldWrapper field;
    };
    Number *number(int id);
    int numberValue(int id) const;
    void setNumber(int id, int value);
    void repaintColours();

    com::ComPtr<IEffects> m_effects;
    com::OLE_COLOR m_backColor = 0x8000000Fu;
    com::OLE_COLOR m_shadowBaseColor = 0x80000010u;
    std::vector<Number> m_numbers;
};

} // namespace lumafold
