// The private window protocol of the "RyxCombo" window class: the messages
// the combo control sends to its inner window, the messages and WM_COMMAND
// notification codes the window sends back, the button layout codes and the
// record of the 0x180E notification. Both sides include this header: zobase7
// (the window class) and Pickwell (the control that superclasses it as
// "ComboEdit").
//
// Wire rules: SendMessageA throughout (synchronous). 16-bit values travel
// as sign-extended shorts in wParam; Booleans as the stored 16-bit value
// (True = -1). Strings in lParam are zero-terminated CP932 strings owned by
// the sender for the duration of the call. The window sends each
// notification to its own window first (so a superclass sees it); the class
// procedure then passes it on to the parent window.
#pragma once

#include <cstdint>

namespace zobase7 {

// Class name registered by zobase7; the control superclasses it.
inline constexpr const char* kRyxComboClassName = "RyxCombo";
// Class name of the pop-up list window the combo window creates.
inline constexpr const char* kRyxComboListClassName = "RyxComboList";

// ---- Messages sent by the control to the inner window -------------------
enum RyxComboMessage : std::uint32_t {
    ZOM_GETEDITMODESTATUS = 0x1100,   // -> non-zero in insert mode
    ZOM_SETINSERTMODE = 0x1101,       // wParam 1 insert, 0 overwrite
    ZOM_GETSELSTART = 0x1108,         // -> start (characters)
    ZOM_SETSELSTART = 0x1109,         // wParam start
    ZOM_GETSELLENGTH = 0x110A,        // -> length (characters)
    ZOM_SETSELLENGTH = 0x110B,        // wParam length
    ZOM_GETSELTEXT = 0x110C,          // lParam buffer (256 bytes) -> bytes copied
    ZOM_SETSELTEXT = 0x110D,          // lParam ANSI text -> 1 = refused
    ZOM_SETALIGNHORIZONTAL = 0x1111,  // wParam zoAlignHConst
    ZOM_SETALIGNVERTICAL = 0x1113,    // wParam zoAlignVConst
    ZOM_GETMARGINSH = 0x1114,         // -> MAKELONG(left, right)
    ZOM_SETMARGINSH = 0x1115,         // wParam MAKELONG(left, right)
    ZOM_GETMARGINSV = 0x1116,         // -> MAKELONG(top, bottom)
    ZOM_SETMARGINSV = 0x1117,         // wParam MAKELONG(top, bottom)
    ZOM_SETBACKCOLOR = 0x1119,        // wParam OLE_COLOR
    ZOM_SETFORECOLOR = 0x111B,        // wParam OLE_COLOR
    ZOM_SETAPPEARANCE = 0x111D,       // wParam zoAppearanceConst
    ZOM_SETBORDERSTYLE = 0x111F,      // wParam zoBorderStyleConst
    ZOM_SETMOUSEPOINTER = 0x1125,     // wParam pointer (0 at design time)
    ZOM_SETMOUSEICON = 0x1127,        // wParam icon handle
    ZOM_GETTEXTRECT = 0x112B,         // lParam RECT* (client coordinates)
    ZOM_SETSPINDELAY = 0x1130,        // wParam Spin.Delay (16-bit)
    ZOM_SETSPINENABLED = 0x1132,      // wParam Spin.Enabled, 0 when disabled
    ZOM_SETDROPDOWNENABLED = 0x1136,  // wParam DropDown.Enabled, 0 when disabled
    ZOM_SETBUTTONLAYOUT = 0x113E,     // wParam RyxButtonLayout
    ZOM_SETSPINVISIBLE = 0x1140,      // wParam Spin.Visible - 1
    ZOM_SETDROPDOWNVISIBLE = 0x1142,  // wParam DropDown.Visible - 1
    ZOM_GETIMEMODE = 0x1147,          // -> mode (16-bit)
    ZOM_SETIMEMODE = 0x1148,          // wParam mode
    ZOM_GETIMESTATUS = 0x1149,        // -> status
    ZOM_SETIMESTATUS = 0x114A,        // wParam status
    ZOM_SETSHOWCONTEXTMENU = 0x114E,  // wParam Boolean
    ZOM_SETEDITMODETOGGLE = 0x1156,   // wParam 1 = the Insert key toggles, 0 = fixed
    ZOM_GETSELECTIONPOS = 0x115E,     // wParam int* start or 0, lParam int* end or 0
    ZOM_SETUSERMODE = 0x116E,         // wParam ambient UserMode
    ZOM_SETSPININCREMENT = 0x1172,    // wParam Spin.Increment (16-bit)
    ZOM_SETSPINWRAP = 0x1174,         // wParam Spin.Wrap
    ZOM_SETSPINKEYS = 0x1176,         // wParam Spin.SpinKeys (16-bit)
    ZOM_SETDATABIND = 0x117C,         // wParam 2
    ZOM_DRAGENTER = 0x1196,
    ZOM_DRAGLEAVE = 0x1197,
    ZOM_REMOVEMOVEDTEXT = 0x1198,
    ZOM_INSERTDROPTEXT = 0x1199,      // wParam character index, lParam ANSI text
    ZOM_MOVEDROPTEXT = 0x119A,        // wParam character index, lParam ANSI text
    ZOM_SETCLIPMODE = 0x2001,
    ZOM_GETCURRENTFIELD = 0x2002,     // -> field (16-bit)
    ZOM_SETCURSORPOSITION = 0x2004,   // wParam position (16-bit) -> 1 = refused
    ZOM_SETERRORBEEP = 0x2006,
    ZOM_SETHIGHLIGHTTEXT = 0x200A,
    ZOM_SETMOVEONLRKEY = 0x200C,
    ZOM_SETPROMPTCHAR = 0x200E,       // wParam the prompt character's ANSI byte
    ZOM_SETSHOWLITERALS = 0x2010,
    ZOM_SETTABACTION = 0x2012,
    ZOM_GETTEXTLENGTH = 0x2013,       // -> length in bytes
    ZOM_GETTEXT = 0x2014,             // lParam buffer (length + 1 bytes)
    ZOM_SETTEXT = 0x2015,             // lParam ANSI text -> 1 = refused
    ZOM_GETDISPLAYTEXTLENGTH = 0x2016,
    ZOM_GETDISPLAYTEXT = 0x2017,
    ZOM_CLEAR = 0x2018,
    ZOM_KEYACTION = 0x2019,           // wParam 0..3 -> 0 = done (for 2 and 3)
    ZOM_QUERYTABSTOP = 0x201A,        // -> 0 = the Tab key is consumed
    ZOM_LISTKEYACTION = 0x2064,       // wParam 2 forward, 3 backward (list window)
    ZOM_SETALLOWSPACE = 0x3000,
    ZOM_SETAUTOCONVERT = 0x3002,
    ZOM_SETFORMAT = 0x3005,           // lParam ANSI mask -> 1 = refused
    ZOM_SETLOOKUPMODE = 0x3007,
    ZOM_SETLOOKUPTABLE = 0x300A,      // lParam ANSI table -> 1 = refused
    ZOM_GETVALUELENGTH = 0x300C,
    ZOM_GETVALUE = 0x300D,
    ZOM_SETVALUE = 0x300E,            // lParam ANSI value -> 1 = refused
    ZOM_GETVALUEISFULL = 0x300F,      // -> non-zero = full
    ZOM_SETSTYLE = 0x5003,
    ZOM_SETITEMCOLLECTION = 0x500F,   // wParam IComboItemCollection*
    ZOM_SETLISTBOXSTYLE = 0x5012,
    ZOM_SETDESCRIPTIONWIDTH = 0x5013,
    ZOM_SETIMAGEWIDTH = 0x5014,
    ZOM_SETIMAGEALIGN = 0x5015,
    ZOM_SETBACKGROUNDIMAGE = 0x5016,  // wParam IPicture* or 0
    ZOM_SETITEMTIP = 0x5017,
    ZOM_SETOVERFLOWTIP = 0x5018,
    ZOM_SETSTATUSBAR = 0x5019,
    ZOM_SETMAXDROPDOWNITEMS = 0x501A,
    ZOM_SETDROPDOWNSHADOW = 0x501B,
    ZOM_SETDROPDOWNWIDTH = 0x501C,
    ZOM_SETITEMHEIGHT = 0x501D,
    ZOM_SETSCROLLBARMODE = 0x501E,
    ZOM_SETSHOWSCROLLBAR = 0x501F,
    ZOM_SETSORTBY = 0x5020,
    ZOM_SETSORTORDER = 0x5021,
    ZOM_ITEMSCHANGED = 0x5022,        // wParam the item's Index, lParam its change code
    ZOM_ITEMSNOTIFY1 = 0x5023,        // item added
    ZOM_ITEMSNOTIFY2 = 0x5024,        // item removed
    ZOM_ITEMSNOTIFY5 = 0x5025,        // item inserted
    ZOM_ITEMSNOTIFY4 = 0x5026,        // collection cleared
    ZOM_SETTEXTBOXSTYLE = 0x5027,
    ZOM_SETAUTOSELECT = 0x5028,
    ZOM_SETAUTODROPDOWN = 0x5029,
    ZOM_SETSELECTEDINDEX = 0x502B,    // wParam index
    ZOM_GETSELECTEDINDEX = 0x502C,    // -> index
    ZOM_GETLISTWINDOW = 0x502D,       // -> list window handle
    ZOM_SETDRAGCURSOR = 0x5032,
    ZOM_CREATEDROPCARET = 0x5033,     // wParam width (2), lParam line height
    ZOM_SETDROPCARETPOS = 0x5035,     // wParam x, lParam y (client)
    ZOM_SHOWDROPCARET = 0x5036,
    ZOM_DROPCARETOFF = 0x5037,
    ZOM_ENDDROPFEEDBACK = 0x5038,
    ZOM_SETINTEGRALHEIGHT = 0x5047,
    ZOM_SETOLEDRAGMODE = 0x5049,
    ZOM_GETLISTWINDOW2 = 0x504D,      // -> second window handle
};

// ---- Messages sent by the inner window (to its own window, then the parent)
enum RyxComboNotifyMessage : std::uint32_t {
    ZOM_QUERYOWNDRAG = 0x119B,            // -> non-zero while the control's own drag runs
    ZOM_QUERYDRAGMOVE = 0x119C,           // -> drag effect AND 2
    ZOM_NOTIFYSPINUP = 0x1802,
    ZOM_NOTIFYSPINDOWN = 0x1803,
    ZOM_SELCHANGED = 0x5007,
    ZOM_NOTIFYMOUSEENTER = 0x502E,
    ZOM_NOTIFYMOUSEEXIT = 0x502F,
    ZOM_KEYEXIT = 0x5030,                 // wParam zoKeyExitConst
    ZOM_NOTIFYITEMHEIGHT = 0x503A,        // wParam measured item height
    ZOM_QUERYAMBIENTBACKCOLOR = 0x503B,   // -> ambient back colour
    ZOM_QUERYUSERMODE = 0x503C,           // -> ambient UserMode
    ZOM_LISTCHAR = 0x5045,                // list input, handled as WM_CHAR
    ZOM_NOTIFYSPINCHANGED = 0x5046,
    ZOM_QUERYCURSORINSELECTION = 0x504A,  // -> 1 inside the selected text, else -1
    ZOM_QUERYKEYACTION = 0x504C,          // wParam key code, lParam shift -> 1 when bound to 0..4, else -1
    ZOM_LISTRBUTTONDOWN = 0x504E,         // list input, handled as WM_RBUTTONDOWN of the second window
    ZOM_REQUESTITEMS = 0x5064,            // the control answers with ZOM_SETITEMCOLLECTION
    ZOM_REQUESTFOCUS = 0x50C9,
};

// ---- WM_COMMAND notification codes (HIWORD of wParam; LOWORD is the
// window's id; lParam the window handle, except for ZON_RECORD) ----------
enum RyxComboCommandCode : std::uint16_t {
    ZON_CHANGE = 0x0300,                // the edit text changed
    ZON_EDITMODECHANGE = 0x1800,        // insert/overwrite switched
    ZON_DROPOPEN = 0x180D,              // the list is about to open
    ZON_RECORD = 0x180E,                // lParam = RyxComboEventRecord*
    ZON_INVALIDINPUT = 0x2032,          // input was refused
    ZON_SELECTEDINDEXCHANGED = 0x5031,  // the selected index changed
    ZON_DROPCLOSE = 0x5048,             // the list closed
};

// Record passed with ZON_RECORD (a natural struct shared by both sides; the
// control fires its event 0x76 with the addresses of the three fields).
struct RyxComboEventRecord {
    std::int16_t flag = 0;        // VARIANT_BOOL
    double* value = nullptr;
    std::int16_t cancel = 0;      // VARIANT_BOOL
};

// ---- Button layout codes (wParam of ZOM_SETBUTTONLAYOUT) ----------------
// "Inside" buttons sit within the edit frame at its right; "outside" ones
// sit beyond the frame at the right edge of the window.
enum RyxButtonLayout : std::uint32_t {
    RyxLayoutNone = 0,
    RyxLayoutSpinInside = 1,
    RyxLayoutSpinInsideDropOutside = 2,
    RyxLayoutDropInside = 3,
    RyxLayoutDropInsideSpinOutside = 4,
    RyxLayoutBothInsideSpinLeft = 5,
    RyxLayoutBothInsideSpinRight = 6,
    RyxLayoutSpinOutside = 7,
    RyxLayoutDropOutside = 8,
    RyxLayoutBothOutsideSpinRight = 9,
    RyxLayoutBothOutsideSpinLeft = 10,
};

// Key action codes of ZOM_KEYACTION (wParam).
enum RyxKeyAction : std::uint32_t {
    RyxKeyPrevItem = 0,     // backward through the list
    RyxKeyNextItem = 1,     // forward through the list
    RyxKeyPrevField = 2,    // previous field; answer 0 = done
    RyxKeyNextField = 3,    // next field; answer 0 = done
};

// The key that leaves the control, in ZOM_KEYEXIT's wParam.
enum RyxKeyExit : std::uint32_t {
    RyxKeyExitTab = 0,
    RyxKeyExitShiftTab = 1,
    RyxKeyExitNextCtrl = 2,
    RyxKeyExitPrevCtrl = 3,
    RyxKeyExitRight = 4,
    RyxKeyExitLeft = 5,
    RyxKeyExitCtrlRight = 6,
    RyxKeyExitCtrlLeft = 7,
};

}  // namespace zobase7
