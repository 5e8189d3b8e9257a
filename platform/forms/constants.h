#pragma once
// Constants of the form runtime: message box styles and results, mouse
// pointers, show modes, unload modes, check box values, key codes.
namespace platform::forms {

// Message box buttons.
constexpr int vbOKOnly = 0;
constexpr int vbOKCancel = 1;
constexpr int vbAbortRetryIgnore = 2;
constexpr int vbYesNoCancel = 3;
constexpr int vbYesNo = 4;
constexpr int vbRetryCancel = 5;
// Message box icons.
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;
// Message box default button.
constexpr int vbDefaultButton1 = 0;
constexpr int vbDefaultButton2 = 256;
constexpr int vbDefaultButton3 = 512;
// Message box results.
constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbAbort = 3;
constexpr int vbRetry = 4;
constexpr int vbIgnore = 5;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

// Mouse pointers.
constexpr int vbDefault = 0;
constexpr int vbArrow = 1;
constexpr int vbCrosshair = 2;
constexpr int vbIbeam = 3;
constexpr int vbHourglass = 11;
constexpr int vbCustom = 99;

// Show modes.
constexpr int vbModeless = 0;
constexpr int vbModal = 1;
// Form BorderStyle.
constexpr int vbBSNone = 0;
constexpr int vbFixedSingle = 1;
constexpr int vbSizable = 2;
constexpr int vbFixedDialog = 3;
// Form StartUpPosition.
constexpr int vbStartUpManual = 0;
constexpr int vbStartUpOwner = 1;
constexpr int vbStartUpScreen = 2;
constexpr int vbStartUpWindowsDefault = 3;

// Unload modes passed to Form_QueryUnload.
constexpr int vbFormControlMenu = 0;
constexpr int vbFormCode = 1;
constexpr int vbAppWindows = 2;
constexpr int vbAppTaskManager = 3;
constexpr int vbFormMDIForm = 4;
constexpr int vbFormOwner = 5;

// Check box values.
constexpr int vbUnchecked = 0;
constexpr int vbChecked = 1;
constexpr int vbGrayed = 2;

// Key codes used by the windows.
constexpr int vbKeyReturn = 13;
constexpr int vbKeyEscape = 27;

// Combo box styles.
constexpr int vbComboDropdown = 0;
constexpr int vbComboSimple = 1;
constexpr int vbComboDropdownList = 2;

// Twips per pixel at 96 dpi.
constexpr int TwipsPerPixel = 15;

} // namespace platform::forms
