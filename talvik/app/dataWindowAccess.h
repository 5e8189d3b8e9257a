#pragma once
// The data window (dataForm) as a form, for windows that only disable,
// enable or show it.
namespace platform::forms {
class Form;
} // namespace platform::forms

namespace talvik {

// The form of dataForm; nullptr while no data window exists.
platform::forms::Form *dataWindowForm();

} // namespace talvik
