#pragma once
// The property frame: a modal Qt dialog owned by a window, one tab per page
// (the page's title), and the buttons "OK", "ｷｬﾝｾﾙ" and "適用(&A)". Pages
// are created by CLSID (the stock colour page is built in; others come from
// the registry and the libraries' class objects), given the objects and a
// site, and activated in a window inside their tab when first shown.
//
// Apply is enabled once a page reports itself dirty; Apply and OK apply
// every dirty page, and a page whose Apply fails is selected and keeps the
// frame open. Keys inside a page go through the page's
// TranslateAccelerator; Tab from the frame's own controls enters the page;
// Ctrl+Tab and Ctrl+Shift+Tab change tabs.
#include "platform/win/ole/proppage.h"

#include <functional>

class QDialog;

namespace platform::win {

// Shows the frame modally and returns when it closes. owner's top-level
// widget owns it and it is centred on owner (x and y are not used). S_OK
// after OK or Cancel; the failure of the first page when no page could be
// made; E_INVALIDARG for no pages or objects missing.
com::HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, const com::OLECHAR *caption, ULONG objectCount,
                                    com::IUnknown **objects, ULONG pageCount, const com::CLSID *pages,
                                    com::LCID locale, DWORD reserved, void *reserved2);

// Tests and the designer: called with each frame once it is shown, before
// its loop runs (an empty function removes the hook). The dialog's children
// are named "tabs" (QTabWidget), "ok", "cancel" and "apply"; each tab's
// page area is named "page".
void SetPropertyFrameShownHook(std::function<void(QDialog *)> hook);

// The window a tab's page was activated in (0 while not yet shown), by tab index.
HWND PropertyFramePageParent(QDialog *frame, int index);

// Makes a page class creatable by the frame without the registry (through
// the class table the frame creates from); the cookie revokes it.
com::HRESULT RegisterPageClassObject(const com::CLSID &clsid, com::IClassFactory *factory, uint32_t *cookie);
com::HRESULT RevokePageClassObject(uint32_t cookie);

// Creates the built-in stock colour page.
com::HRESULT CreateStockColorPage(const com::IID &iid, void **object);

} // namespace platform::win
