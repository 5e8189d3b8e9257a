#pragma once
// The data window (dataForm) as a form, for windows that only disable,
// enable or show it. Kept apart so that the data window's interface and the
// device link's headers need not meet in one translation unit.
namespace platform::forms {
class Form;
} // namespace platform::forms

namespace talvik {

// The form of dataForm; nullptr while no data window exists.
platform::forms::Form *dataWindowForm();

} // namespace talvik
