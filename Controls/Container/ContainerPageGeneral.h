#pragma once
// The General page ("全般", dialog 132): the container's ApplyEffect,
// AutoSize and MousePointer, and the effects it draws itself and its
// contained controls with.
#include "Controls/Container/ContainerPageCommon.h"

#include "Controls/common/PropertyPageBase.h"

namespace lumafold {

class ContainerGeneralPage final : public controls::PropertyPageBase {
public:
    ContainerGeneralPage();

protected:
    void OnInitPage() override;
    void FillFields() override;
    HRESULT ApplyFields() override;
    bool OnPageMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LONG_PTR *result) override;

private:
    ~ContainerGeneralPage() override = default;
    // ChildsEffect applies only while ApplyEffect is 1 (common 3D).
    void enableChildsEffect();
    // Puts one property through the control's IDispatch; refuses the field on failure.
    HRESULT put(com::IDispatch *control, com::DISPID id, const com::Variant &value, int field);
    // The combo whose effect the sample shows: the focused effect combo, or
    // the one last changed.
    int sampleCombo() const;

    int m_lastEffectCombo = 0;
};

} // namespace lumafold
