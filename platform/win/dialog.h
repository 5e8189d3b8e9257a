#pragma once
// The dialog manager: dialog templates held as C++ data, dialog units, modal
// and modeless dialogs, the dialog procedure's default handling and keyboard
// navigation (Tab, Enter, Esc, arrow keys in groups).
//
// A dialog is a window of the class "#32770". Its procedure calls the
// DLGPROC kept at DWLP_DLGPROC; a DLGPROC returning TRUE has handled the
// message and its result is DWLP_MSGRESULT (for WM_INITDIALOG and the other
// messages that answer directly, the return value itself).
//
// Keys typed into a top-level dialog (one without WS_CHILD) or its controls
// pass IsDialogMessageA before they are dispatched. Child dialogs (pages
// inside another window) navigate only when their host calls
// IsDialogMessageA.
//
// Tests act on a modal dialog through SetDialogShownHook: the hook is called
// with the dialog's handle once it is shown, and drives it with real Qt input
// on the backing widgets (WidgetOfWindow).
#include "platform/win/window.h"

#include <functional>
#include <string>
#include <vector>

namespace platform::win {

using DLGPROC = LONG_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// Messages of dialogs.
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr WORD DC_HASDEFID = 0x534B;

constexpr UINT WA_INACTIVE = 0;
constexpr UINT WA_ACTIVE = 1;

// Window styles of dialogs and their frames.
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;

// Window extra bytes of a dialog.
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = static_cast<int>(sizeof(LRESULT));
constexpr int DWLP_USER = DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC));
constexpr int DLGWINDOWEXTRA = DWLP_USER + static_cast<int>(sizeof(LONG_PTR));

// WM_GETDLGCODE answers.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr LRESULT DLGC_STATIC = 0x0100;
constexpr LRESULT DLGC_BUTTON = 0x2000;

// Command ids.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// The class name of dialogs.
constexpr const char *kDialogClass = "#32770";

// One control of a template. Coordinates are dialog units; the text is CP932.
// The class is any registered class name ("BUTTON", "EDIT", a library's own).
struct DialogItemTemplate {
    int id = 0;
    std::string className;
    std::string text;
    DWORD style = 0; // WS_CHILD is added
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
};

// A dialog template: frame style, caption (CP932), the font the dialog units
// come from, and the size of the client area in dialog units.
struct DialogTemplate {
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    DWORD exStyle = 0;
    std::string caption;
    std::string fontName = "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e"; // a 9 pt proportional gothic
    int pointSize = 9;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::vector<DialogItemTemplate> items;
};

// Resource ids as names (MAKEINTRESOURCEA of window.h), as the "by id"
// functions take them.
inline bool IS_INTRESOURCE(const char *name) { return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0; }

// The per-module template table: a library registers its templates under
// numeric ids for its instance handle. A second registration of the same id
// replaces the first.
void RegisterDialogTemplate(HINSTANCE module, int id, const DialogTemplate &tmpl);
BOOL UnregisterDialogTemplate(HINSTANCE module, int id);
const DialogTemplate *FindDialogTemplate(HINSTANCE module, int id);

// Dialog base units (low word horizontal, high word vertical) of the dialog
// font at 96 dpi.
LONG GetDialogBaseUnits();
// Dialog units to pixels with the dialog's own base units.
BOOL MapDialogRect(HWND dialog, RECT *rect);

// Modeless dialogs: created visible when the template has WS_VISIBLE.
HWND CreateDialogIndirectParamA(HINSTANCE instance, const DialogTemplate *tmpl, HWND owner, DLGPROC proc, LPARAM param);
HWND CreateDialogParamA(HINSTANCE instance, const char *templateName, HWND owner, DLGPROC proc, LPARAM param);
// Modal dialogs: the owner is disabled while the dialog runs and enabled
// again before the call returns with EndDialog's result; -1 when the dialog
// could not be made.
LONG_PTR DialogBoxIndirectParamA(HINSTANCE instance, const DialogTemplate *tmpl, HWND owner, DLGPROC proc, LPARAM param);
LONG_PTR DialogBoxParamA(HINSTANCE instance, const char *templateName, HWND owner, DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, LONG_PTR result);
// The owner a dialog was made with (0 for none).
HWND GetDialogOwner(HWND dialog);

// The dialog class procedure: calls the DLGPROC, then the default handling.
LRESULT DefDlgProcA(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// Items.
BOOL SetDlgItemTextA(HWND dialog, int id, const char *text);
UINT GetDlgItemTextA(HWND dialog, int id, char *buffer, int size);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
// Reads a decimal number (leading blanks, an optional "-" when signed);
// *translated FALSE and 0 for anything else or a value out of range.
UINT GetDlgItemInt(HWND dialog, int id, BOOL *translated, BOOL isSigned);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);

// Navigation. The tab order is the creation order; a child window with
// WS_EX_CONTROLPARENT takes part with its own children. Hidden and disabled
// windows are skipped.
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
// Handles a key message for the dialog (navigation, Enter, Esc) or
// dispatches it to its control; FALSE when the message is not for the
// dialog or one of its windows.
BOOL IsDialogMessageA(HWND dialog, MSG *msg);

// Test hook: called with each modal dialog's handle after it is shown and
// before its loop runs (null removes the hook).
void SetDialogShownHook(std::function<void(HWND)> hook);

// The window of the active Qt top-level window (0 for none or a plain Qt window).
HWND GetActiveWindow();

} // namespace platform::win
