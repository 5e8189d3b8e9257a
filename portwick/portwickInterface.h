#pragma once
// The interface of the port watcher class Portwick.Class1, as its callers see it.
//
// The timer, window and callback arguments are reached by member name:
//   timer:    properties Enabled (Boolean) and Interval (milliseconds)
//   window:   property Enabled, or the methods addDisableHold(holder) /
//             releaseDisableHold(holder) when the window offers them;
//             property Controls, a collection with Count and Item(index)
//             whose members report their TypeName ("CommandButton") and
//             have the property Enabled
//   callback: methods ActionOn and ActionOff, no arguments
#include "platform/com/com.h"

#include <cstdint>

namespace portwick {

using platform::com::HRESULT;
using platform::com::IDispatchByName;

// Dual interface _Class1.
inline const platform::com::IID IID__Class1 = {
    0x65A7A97E, 0x2EEE, 0x4EB0, {0xBC, 0x17, 0x45, 0xF7, 0x5D, 0xC0, 0x36, 0x6B}};
// Coclass Class1.
inline const platform::com::CLSID CLSID_Class1 = {
    0x68418AF3, 0x6359, 0x408E, {0xAA, 0xCA, 0x23, 0x3E, 0x24, 0x7D, 0x7D, 0x0F}};
inline constexpr const char *kProgId = "Portwick.Class1";
// File name of the library in the program folder.
inline constexpr const char *kLibraryFileName = "libportwick.so";

struct _Class1 : IDispatchByName {
    // The port number found by the last watch tick; -1 when none, 0 before the first.
    virtual HRESULT GetVirtualPort(int16_t *result) = 0;
    // Starts watching: the timer gets 1000 ms and is enabled.
    virtual HRESULT PortwickStart(IDispatchByName *timer) = 0;
    // One watch tick; calls callback.ActionOn / ActionOff when the port came or went.
    virtual HRESULT PortwickControl(IDispatchByName *timer, IDispatchByName *callback) = 0;
    // Stops watching and waits about two seconds while events run.
    virtual HRESULT PortwickEnd(IDispatchByName *timer) = 0;
    // The Windows major version; 0 when it cannot be read.
    virtual HRESULT GetWindowsVersion(int32_t *result) = 0;
    // Disables the window and its command buttons.
    virtual HRESULT ButtonLock(IDispatchByName *window) = 0;
    // Enables the window and its command buttons.
    virtual HRESULT ButtonUnlock(IDispatchByName *window) = 0;
};

} // namespace portwick
