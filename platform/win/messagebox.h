#pragma once
// Message boxes of the window layer. MessageBoxA takes CP932 text and
// caption; the host program installs a handler that shows them its own way
// (its forms layer, or a test's recorder). Without a handler a QMessageBox
// owned by the owner window's widget is shown.
#include "platform/win/dialog.h" // IDOK, IDCANCEL
#include "platform/win/wintypes.h"

#include <functional>
#include <string>

namespace platform::win {

// Buttons.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
// Icons.
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
// Default button.
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;

// Results (IDOK and IDCANCEL come with the dialogs).
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// (owner, CP932 text, CP932 caption, type) -> the ID of the chosen button.
using MessageBoxHandler = std::function<int(HWND, const std::string &, const std::string &, UINT)>;

// Installs the handler for the whole process (an empty one restores the
// default box) and returns the one it replaces.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// Shows the box and returns the chosen button's ID; 0 when it cannot be
// shown (no application object). A null text or caption counts as empty; a
// null caption gives the caption "エラー".
int MessageBoxA(HWND owner, const char *text, const char *caption, UINT type);

} // namespace platform::win
