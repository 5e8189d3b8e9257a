#pragma once
// DoEvents: lets pending window events run, including deletions deferred at
// this loop level or deeper. Returns the number of loaded forms.
namespace platform::forms {

int DoEvents();

} // namespace platform::forms
