#pragma once
// The COM interfaces of zobase7's sub-objects that the combo control embeds:
// the caption (ICaptionDisp, with the private ICaptionPainter), the drop-down
// button (IDropDown), the spin button (ISpin) and the key bindings (IKey, with
// the private IKeyAssignment). Virtual order is interface order.
#include "platform/com/automation.h"
#include "platform/com/font.h"
#include "platform/win/wintypes.h"

namespace zobase7 {

namespace com = platform::com;
using com::BSTR;
using com::HRESULT;
using com::OLE_COLOR;
using com::VARIANT_BOOL;

inline constexpr com::CLSID CLSID_Caption{0x78F7039E, 0xCCA0, 0x408B, {0xBB, 0x2D, 0xDB, 0xA2, 0x37, 0x88, 0x1F, 0x5C}};
inline constexpr com::CLSID CLSID_DropDown{0xDE467B12, 0xE6AE, 0x45E1, {0xBC, 0xBA, 0x5F, 0xE4, 0xAC, 0x6C, 0x80, 0x49}};
inline constexpr com::CLSID CLSID_Spin{0x3C4779C2, 0x622E, 0x4FC4, {0x97, 0x6C, 0x63, 0x53, 0xDC, 0xF9, 0x0C, 0xD0}};
inline constexpr com::CLSID CLSID_Key{0x301558D6, 0xE9D5, 0x405F, {0x88, 0xDF, 0xFF, 0x3E, 0x6C, 0x0F, 0x80, 0x86}};
inline constexpr com::IID IID_ICaptionDisp{0x450C2C08, 0x29D2, 0x4B45, {0xBC, 0xDE, 0xB5, 0x94, 0xED, 0x2F, 0xEA, 0xE0}};
inline constexpr com::IID IID_ICaptionPainter{0xAF0EF80B, 0x77AD, 0x4C63, {0x8C, 0x9B, 0x71, 0xF2, 0xE7, 0x09, 0xA4, 0x87}};
inline constexpr com::IID IID_IDropDown{0x7592CD10, 0x2C73, 0x4824, {0x9D, 0x44, 0x3F, 0x71, 0x01, 0x56, 0x2B, 0xDC}};
inline constexpr com::IID IID_ISpin{0x39A9718B, 0x29CA, 0x4D57, {0x84, 0xB3, 0x09, 0x24, 0x9B, 0x09, 0xDE, 0x74}};
inline constexpr com::IID IID_IKey{0xEDD1F522, 0x1D0C, 0x4189, {0xAB, 0xCF, 0xA9, 0x50, 0xB8, 0xCF, 0xEC, 0x39}};
inline constexpr com::IID IID_IKeyAssignment{0x3D3CD9F2, 0xC94C, 0x42A7, {0xB5, 0x33, 0xD8, 0x65, 0xAA, 0xE7, 0xE6, 0x53}};

// zoVisibleConst, zoSpinPosConst / zoDropPosConst, zoCaptPosConst.
enum : int32_t { zoNotShown = 0, zoShowAlways = 1, zoShowOnFocus = 2 };
enum : int32_t { zoSpinPosInside = 0, zoSpinPosOutside = 1 };
enum : int32_t { zoDropPosInside = 0, zoDropPosOutside = 1 };
enum : int32_t { zoCaptPosLeft = 0, zoCaptPosTop = 1, zoCaptPosRight = 2, zoCaptPosBottom = 3 };

// Dispids of the sub-objects' members.
enum : com::DISPID {
    DISPID_CAPTION_TEXT = 0,
    DISPID_CAPTION_POSITION = 1,
    DISPID_CAPTION_SIZE = 2,
    DISPID_CAPTION_ALIGNMENT = 3,
    DISPID_DROPDOWN_ENABLED = 1,
    DISPID_DROPDOWN_POSITION = 2,
    DISPID_DROPDOWN_VISIBLE = 3,
    DISPID_SPIN_DELAY = 1,
    DISPID_SPIN_ENABLED = 2,
    DISPID_SPIN_INCREMENT = 3,
    DISPID_SPIN_POSITION = 4,
    DISPID_SPIN_VISIBLE = 5,
    DISPID_SPIN_WRAP = 6,
    DISPID_SPIN_SPINKEYS = 7,
    DISPID_KEY_COUNT = 1,
    DISPID_KEY_ADD = 2,
    DISPID_KEY_REMOVE = 3,
    DISPID_KEY_CLEAR = 4,
    DISPID_KEY_ACTION = 5,
    DISPID_KEY_KEYCODE = 6,
    DISPID_KEY_SHIFT = 7,
};

// A caption drawn beside (or above, below) the edit field, in the window's
// non-client area. Text "&" marks the mnemonic; Size is the caption's width
// (left/right) or height (top/bottom) in pixels.
struct ICaptionDisp : com::IDispatch {
    virtual HRESULT get_Text(BSTR *value) = 0;
    virtual HRESULT put_Text(BSTR value) = 0;
    virtual HRESULT get_Position(int32_t *value) = 0;
    virtual HRESULT put_Position(int32_t value) = 0;
    virtual HRESULT get_Size(int32_t *value) = 0;
    virtual HRESULT put_Size(int32_t value) = 0;
    virtual HRESULT get_Alignment(int32_t *value) = 0; // 0 left, 1 right, 2 centre
    virtual HRESULT put_Alignment(int32_t value) = 0;
};

// The control's use of its caption: initialisation with the control's font
// and colours, the enabled state, the mnemonic, the caption rectangle, the
// painting and the non-client adjustment.
struct ICaptionPainter : com::IUnknown {
    virtual HRESULT Initialize(com::IUnknown *font, OLE_COLOR backColor, OLE_COLOR foreColor) = 0;
    virtual HRESULT SetEnabled(VARIANT_BOOL enabled) = 0;
    // The mnemonic character (the one after a single "&"), or -1 for none.
    virtual HRESULT GetMnemonic(int32_t *character) = 0;
    // The caption's rectangle within the window rectangle `bounds`; an empty
    // rectangle when there is no caption.
    virtual HRESULT GetCaptionRect(const platform::win::RECT *bounds, platform::win::RECT *caption) = 0;
    virtual HRESULT Paint(platform::win::HDC dc, const platform::win::RECT *bounds) = 0;
    // Shrinks the proposed client rectangle by the caption's size on its side.
    virtual HRESULT AdjustRect(platform::win::RECT *rect) = 0;
};

struct IDropDown : com::IDispatch {
    virtual HRESULT get_Enabled(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Position(int32_t *value) = 0;
    virtual HRESULT put_Position(int32_t value) = 0;
    virtual HRESULT get_Visible(int32_t *value) = 0;
    virtual HRESULT put_Visible(int32_t value) = 0;
};

struct ISpin : com::IDispatch {
    virtual HRESULT get_Delay(int32_t *value) = 0;
    virtual HRESULT put_Delay(int32_t value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Increment(int16_t *value) = 0;
    virtual HRESULT put_Increment(int16_t value) = 0;
    virtual HRESULT get_Position(int32_t *value) = 0;
    virtual HRESULT put_Position(int32_t value) = 0;
    virtual HRESULT get_Visible(int32_t *value) = 0;
    virtual HRESULT put_Visible(int32_t value) = 0;
    virtual HRESULT get_Wrap(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Wrap(VARIANT_BOOL value) = 0;
    virtual HRESULT get_SpinKeys(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_SpinKeys(VARIANT_BOOL value) = 0;
};

// Key action codes a binding names: 0 clear the field, 1 next item, 2
// previous item, 3 next field, 4 previous field.
enum : int32_t { KeyActionClear = 0, KeyActionNext = 1, KeyActionPrev = 2, KeyActionNextField = 3, KeyActionPrevField = 4 };

// Shift mask of a binding: 1 Shift, 2 Ctrl, 4 Alt.
// The list of key bindings: (action, key code, shift mask) triples.
struct IKey : com::IDispatch {
    virtual HRESULT get_Count(int32_t *count) = 0;
    // A binding that exists already is not added twice. Action outside 0..4,
    // key code outside 1..255 or shift outside 0..7: E_INVALIDARG.
    virtual HRESULT Add(int32_t action, int32_t keyCode, int32_t shift) = 0;
    virtual HRESULT Remove(int32_t action, int32_t keyCode, int32_t shift) = 0; // S_FALSE when not bound
    virtual HRESULT Clear() = 0;
    virtual HRESULT get_Action(int32_t index, int32_t *action) = 0;
    virtual HRESULT get_KeyCode(int32_t index, int32_t *keyCode) = 0;
    virtual HRESULT get_Shift(int32_t index, int32_t *shift) = 0;
};

// The control's use of its key bindings.
struct IKeyAssignment : com::IUnknown {
    // Option bits choosing the default bindings: 0x08 Enter / Shift+Enter as
    // next / previous field, 0x10 Ctrl+Delete as clear. An object without
    // bindings takes the defaults at once; InitNew restores them.
    virtual HRESULT SetOptions(int32_t options) = 0;
    // The action bound to (key code, shift mask), or -1 when none (the first
    // binding added wins).
    virtual HRESULT Translate(int32_t keyCode, int32_t shift, int32_t *action) = 0;
    // S_OK when (key code, shift mask) is bound to the action, else S_FALSE.
    virtual HRESULT IsBound(int32_t action, int32_t keyCode, int32_t shift) = 0;
};

} // namespace zobase7
