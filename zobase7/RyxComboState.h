#pragma once
// Internal state of one "RyxCombo" window and its pop-up list, shared by
// the edit window procedure (RyxComboWindow.cpp) and the list window
// procedure (RyxComboList.cpp).
#include "zobase7/FormatMask.h"
#include "zobase7/RyxComboText.h"
#include "zobase7/include/RyxComboProtocol.h"
#include "platform/win/wintypes.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace zobase7 {

using namespace platform::win;

struct IComboItemCollection; // ComboItemInterfaces.h

// Message numbers of the window layer not (yet) in its headers.
namespace wm {
constexpr UINT SETFONT = 0x0030;
constexpr UINT GETFONT = 0x0031;
constexpr UINT GETDLGCODE = 0x0087;
constexpr UINT NCPAINT = 0x0085;
constexpr UINT COMMAND = 0x0111;
constexpr UINT CUT = 0x0300;
constexpr UINT COPY = 0x0301;
constexpr UINT PASTE = 0x0302;
constexpr UINT CLEAR = 0x0303;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_SETREADONLY = 0x00CF;
constexpr UINT EM_POSFROMCHAR = 0x00D6;
constexpr UINT EM_CHARFROMPOS = 0x00D7;
constexpr int VK_F4 = 0x73;
constexpr int VK_F10 = 0x79;
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
} // namespace wm

// Width of a spin or drop-down button in pixels.
constexpr int kButtonWidth = 16;

struct RyxComboGeometry {
    RECT frame;          // the edit frame (border included)
    RECT text;           // the text area (frame, inside buttons and margins taken off)
    RECT spin;           // spin button (empty when not shown)
    RECT drop;           // drop-down button (empty when not shown)
};

// Places the frame, the text area and the buttons in a client rectangle.
// spinShown / dropShown say whether a button of the layout is visible now.
RyxComboGeometry layoutCombo(const RECT &client, UINT layoutCode, bool spinShown, bool dropShown,
                             int frameWidth, int marginLeft, int marginRight, int marginTop, int marginBottom);

struct RyxComboState {
    HWND hwnd = 0;
    HWND list = 0;

    // Edit field.
    RyxComboText edit;
    FormatMask mask;
    bool insertMode = true;
    bool editModeToggle = true;  // the Insert key switches the mode
    bool readOnly = false;
    bool userMode = true;
    int alignH = 0;
    int alignV = 0;
    // Until the owner sends its settings the window is a plain field: the
    // class background, no border, text two pixels in.
    int marginLeft = 2, marginRight = 2, marginTop = 1, marginBottom = 1;
    std::uint32_t backColor = 0x80000005;
    bool backColorSet = false;  // false: the class background brush
    std::uint32_t foreColor = 0x80000008;
    int appearance = 1;
    int borderStyle = 0;
    std::uintptr_t font = 0;
    std::string promptChar = "_";
    std::string lookupTable;
    int imeMode = 0;
    int imeStatus = 0;
    int tabAction = 0;
    int highlightText = 0;
    int moveOnLRKey = 0;
    int cursorPosition = -1;
    bool allowSpace = true;
    bool autoConvert = true;
    bool errorBeep = false;
    int scrollX = 0;          // horizontal text scroll (left alignment)
    bool selecting = false;   // mouse drag selection running
    unsigned char pendingLead = 0; // first byte of a double-byte character typed
    bool mouseInside = false;

    // Measurement caches: the width of each character in the window's font
    // (cleared with a new font) and the character boundaries of the text.
    mutable std::unordered_map<std::string, int> charWidths;
    mutable std::vector<int> boundaryCache;
    mutable std::uint64_t boundaryVersion = ~std::uint64_t(0);

    // Buttons.
    UINT layout = 0;
    int spinVisibleMode = 0;  // 0 always, 1 only while focused
    int dropVisibleMode = 0;
    bool spinEnabled = true;
    bool dropEnabled = true;
    int spinDelay = 0;
    int spinIncrement = 1;
    bool spinWrap = false;
    int spinKeys = 0;
    int pressed = 0;          // 0 none, 1 spin up, 2 spin down, 3 drop-down

    // List.
    IComboItemCollection *items = nullptr; // held (AddRef)
    int style = 1;            // 0 simple, 1 drop-down, 2 drop-down list
    int listBoxStyle = 2;
    int descriptionWidth = 0;
    int imageWidth = 16;
    int imageAlign = 0;
    int maxDropDownItems = 8;
    int dropDownWidth = 0;
    int itemHeight = -1;
    bool autoSelect = false;
    bool autoDropDown = false;
    int selected = -1;
    bool dropped = false;
    int hot = -1;             // highlighted row of the open list
    int topRow = 0;           // first row shown
    bool showScrollBar = true; // ShowScrollBar
    int scrollBarMode = 0;    // 0 shown when the rows do not fit, 1 always
    int wheelRest = 0;        // part of a wheel notch not yet scrolled
    int scrollPart = 0;       // ListPart held by the mouse on the scroll bar
    int thumbGrip = 0;        // pointer offset inside the dragged thumb
    int scrollPointerY = 0;   // where the pointer is while a part is held

    // Edit field's context menu (ShowContextMenu).
    bool showContextMenu = true;
    std::uintptr_t backgroundImage = 0; // IPicture*, held

    // Values of messages that only store their value.
    std::map<UINT, LRESULT> stored;

    // Drop feedback (drag and drop).
    bool dropCaretShown = false;
    int dropCaretX = -1, dropCaretY = -1;

    bool focused() const;
    bool masked() const { return !mask.isEmpty(); }
};

std::shared_ptr<RyxComboState> comboOf(HWND hwnd);
std::shared_ptr<RyxComboState> comboOfList(HWND list);

// Items of the collection (safe with no collection).
int itemCount(const RyxComboState &s);
std::string itemContent(const RyxComboState &s, int index); // CP932
std::string itemDescription(const RyxComboState &s, int index);
std::uint32_t itemBackColor(const RyxComboState &s, int index, std::uint32_t fallback);
std::uint32_t itemForeColor(const RyxComboState &s, int index, std::uint32_t fallback);

// Row height of the list in pixels.
int listRowHeight(const RyxComboState &s);
// Opens / closes the pop-up list of the combo.
void openList(RyxComboState &s);
void closeList(RyxComboState &s);
// Places and sizes the list below (or above) the combo.
void placeList(RyxComboState &s);
// The user picked row (the list closes, the text becomes the item's content).
void pickItem(const std::shared_ptr<RyxComboState> &s, int row, bool close = true);
// Moves the list's highlight by delta rows (kept inside the list).
void moveHot(RyxComboState &s, int delta);

// The list's vertical scroll bar, in the list's client coordinates.
struct ListScrollBar {
    bool shown = false;       // drawn (ShowScrollBar and ScrollBarMode)
    bool scrollable = false;  // more rows than fit
    RECT bar{};               // the whole bar
    RECT up{}, down{};        // the arrow buttons
    RECT track{};             // between the arrows
    RECT thumb{};             // empty when not scrollable
};
// Parts of the scroll bar a press can hold.
enum ListPart { ListPartNone, ListPartUp, ListPartDown, ListPartPageUp, ListPartPageDown, ListPartThumb };
int visibleRows(const RyxComboState &s);
// The highest first row (the last rows fill the list).
int maxTopRow(const RyxComboState &s);
ListScrollBar listScrollBar(const RyxComboState &s);
// Scrolls the open list so that row first is on top (clamped); true when it moved.
bool scrollListTo(RyxComboState &s, int first);
// Rows one wheel notch scrolls.
constexpr int kWheelRows = 3;

// The list window class procedure.
LRESULT RyxComboListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace zobase7
