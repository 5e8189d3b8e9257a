#pragma once
// Windows and timers of the form runtime offered by member name, for the port
// watcher, which reaches them late-bound:
//   window: Enabled, addDisableHold(holder), releaseDisableHold(holder),
//           Controls (Count, Item(index); each control with its TypeName and
//           Enabled)
//   timer:  Enabled, Interval
// Further members (ActionOn, ActionOff) are added by the window that owns
// the object. The objects refer to the form or timer, which must outlive them.
#include "platform/com/com.h"

namespace platform::forms {
class Form;
class TimerControl;
} // namespace platform::forms

namespace talvik {

platform::com::ComPtr<platform::com::DispatchObject> makeFormDispatch(platform::forms::Form &form,
                                                                     const QString &typeName);
platform::com::ComPtr<platform::com::DispatchObject> makeTimerDispatch(platform::forms::TimerControl &timer);

// The runtime's TypeName of a control ("CommandButton", "Label", "Timer" ...).
QString controlTypeName(const QObject &control);

} // namespace talvik
