// The container's About box: the suite's box with the library's title word
// and the control's Version text, owned by the active window.
#include "Controls/Container/Container3D.h"

#include "Controls/Container/LumafoldModule.h"
#include "Controls/common/AboutDialog.h"

namespace lumafold {

HRESULT Container3D::AboutBox()
{
    // The module's own resources stand for its instance.
    const auto instance = reinterpret_cast<win::HINSTANCE>(&module());
    controls::AboutDialog box(controls::AboutDialog::kTemplateId, module().resources(), instance);
    box.SetBuildText(module().versionString());
    return box.DoModal(0) == -1 ? com::E_FAIL : com::S_OK;
}

} // namespace lumafold
