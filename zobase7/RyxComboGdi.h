#pragma once
// The drawing and text-measuring steps of the combo window, on the window
// layer's GDI. Text is CP932; font 0 is the default GUI font.
#include "platform/win/wintypes.h"

#include <string>

class QImage;

namespace zobase7::gdi {

using platform::win::COLORREF;
using platform::win::HDC;
using platform::win::HWND;
using platform::win::RECT;
using platform::win::UINT;

using FontHandle = std::uint32_t;

// Width in pixels of a CP932 string in the font (0 = the default font).
int textWidth(FontHandle font, const std::string &cp932);
// Line height in pixels of the font.
int textHeight(FontHandle font);
// Draws one line of text clipped to rect, at (x, y).
void drawText(HDC hdc, FontHandle font, const RECT &clip, int x, int y, const std::string &cp932, COLORREF color);
void fillRect(HDC hdc, const RECT &rect, COLORREF color);
// Draws an image into box, scaled down (never up) to fit and placed by
// align (0 or 1 left, 2 centre, 3 right; vertically centred), over the
// given background colour.
void drawImage(HDC hdc, const RECT &box, const QImage &image, int align, COLORREF background);

// Spin halves and the drop-down button, drawn as scroll-bar frame controls.
enum class ButtonGlyph { SpinUp, SpinDown, Drop };
void drawButton(HDC hdc, const RECT &rect, ButtonGlyph glyph, bool pushed, bool enabled);
// The edit frame: style 0 none, 1 single; appearance 0 flat, 1/2 sunken 3D.
// Returns the width of the drawn frame.
int frameWidth(int borderStyle, int appearance);
void drawFrame(HDC hdc, const RECT &rect, int borderStyle, int appearance);

// The caret of the window with the focus.
void createCaret(HWND hwnd, int height);
void placeCaret(int x, int y);
void destroyCaret(HWND hwnd);
// Where the caret is (for tests); (-1, -1) when there is none.
void caretPosition(int *x, int *y);

// Colour of an OLE_COLOR (system colours resolved).
COLORREF colorOf(std::uint32_t oleColor);

} // namespace zobase7::gdi
