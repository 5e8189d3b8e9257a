#pragma once
// Error info: the per-thread error object that a failing member leaves for
// its caller (SetErrorInfo / GetErrorInfo), ISupportErrorInfo, and the helper
// that raises an HRESULT with a text and the class as source.
//
// The slot is process-wide (one per thread), shared by the program and every
// library it loads, so that a library's error reaches the program's caller.
#include "platform/com/automation.h"

namespace platform::com {

struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID *guid) = 0;
    virtual HRESULT GetSource(BSTR *source) = 0;
    virtual HRESULT GetDescription(BSTR *description) = 0;
    virtual HRESULT GetHelpFile(BSTR *file) = 0;
    virtual HRESULT GetHelpContext(uint32_t *context) = 0;
};

struct ISupportErrorInfo : IUnknown {
    virtual HRESULT InterfaceSupportsErrorInfo(const IID &iid) = 0;
};

extern const IID IID_IErrorInfo;
extern const IID IID_ISupportErrorInfo;

// Sets (or with nullptr clears) this thread's error object.
HRESULT SetErrorInfo(uint32_t reserved, IErrorInfo *info);
// Takes this thread's error object (S_FALSE and nullptr when there is none);
// the slot is cleared, as on Windows.
HRESULT GetErrorInfo(uint32_t reserved, IErrorInfo **info);

// Makes an error object with the interface, the source and the text.
ComPtr<IErrorInfo> makeErrorInfo(const IID &iid, const QString &source, const QString &description);

// Sets the error object and returns hr, for `return reportError(...)`.
HRESULT reportError(HRESULT hr, const IID &iid, const QString &source, const QString &description);

} // namespace platform::com
