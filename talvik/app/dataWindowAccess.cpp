#include "talvik/app/dataWindowAccess.h"

#include "talvik/core/basComVariables.h"
#include "talvik/store/dataWindow.h"

namespace talvik {

platform::forms::Form *dataWindowForm()
{
    return dataForm ? dataForm->form() : nullptr;
}

} // namespace talvik
