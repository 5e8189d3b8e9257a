// The container's About box.
#include "Controls/Container/Container3D.h"

namespace lumafold {

HRESULT Container3D::AboutBox()
{
    return com::E_NOTIMPL;
}

} // namespace lumafold
