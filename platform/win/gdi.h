#pragma once
// GDI on QImage: device contexts over a window's client surface (or its
// whole window area, or a bitmap), brushes, pens, bitmaps, regions and fonts,
// with Win32's integer rules (a rectangle covers left..right-1 and
// top..bottom-1; a line leaves out its end point).
#include "platform/win/wintypes.h"

namespace platform::win {

constexpr int OPAQUE = 2;
constexpr int TRANSPARENT = 1;

constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;

struct LOGFONTA {
    LONG lfHeight = 0;
    LONG lfWidth = 0;
    LONG lfEscapement = 0;
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[32] = {};
};

// GetDC(0) is the screen's DC: text can be measured on it, nothing drawn.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
// The bounding box of the DC's clip region, in client coordinates.
int GetClipBox(HDC hdc, RECT *rect);
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

HBRUSH CreateSolidBrush(COLORREF color);
HPEN CreatePen(int style, int width, COLORREF color);
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
// WHITE_BRUSH..NULL_PEN, and the fonts OEM_FIXED_FONT..DEFAULT_GUI_FONT.
HGDIOBJ GetStockObject(int object);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// Stock objects and objects selected into a DC are not deleted.
BOOL DeleteObject(HGDIOBJ object);

int FillRect(HDC hdc, const RECT *rect, HBRUSH brush);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC hdc, int x, int y, POINT *previous);
BOOL LineTo(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
// CLR_INVALID outside the surface or the clip region.
COLORREF GetPixel(HDC hdc, int x, int y);
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// System colours come from the system colour table of platform/com. A class
// background or brush value of index + 1 (1..25) stands for that colour's
// brush, as does the brush GetSysColorBrush returns (it follows the table).
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// DrawEdge: the outer edge on the rectangle's border, the inner edge one
// pixel inside. Top and left sides take the light colour of an edge, bottom
// and right (with the top-right and bottom-left corners) the dark one.
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_MIDDLE = 0x0800;
constexpr UINT BF_SOFT = 0x1000;
constexpr UINT BF_FLAT = 0x4000;
constexpr UINT BF_MONO = 0x8000;
constexpr UINT BF_ADJUST = 0x2000;
// Draws the edge; BF_MIDDLE fills the rest with COLOR_BTNFACE and
// BF_ADJUST shrinks *rect by the drawn sides. BF_SOFT swaps the top-left
// colours of the two rings (raised: highlight outside, light inside);
// BF_FLAT draws the outer ring in the shadow colour and the inner in the
// face colour on every side; BF_MONO the outer ring in COLOR_WINDOWFRAME,
// the inner and the middle in COLOR_WINDOW.
BOOL DrawEdge(HDC hdc, RECT *rect, UINT edge, UINT flags);

// ---- colours and modes of a DC ----
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
// OPAQUE or TRANSPARENT; 0 on failure.
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);

// Draws a one-pixel border just inside the rectangle with the brush.
int FrameRect(HDC hdc, const RECT *rect, HBRUSH brush);

// ---- bitmaps and memory DCs ----
// planes must be 1; bitsPerPixel 1 (rows of bits, most significant bit
// first, each row padded to 16 bits; 1 = white) or 32 (rows of B,G,R,x).
// bits may be null (all black).
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void *bits);
// A bitmap of the DC's format: monochrome for a memory DC that still holds
// its first 1x1 bitmap (as Win32), 32 bpp otherwise.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// A pattern brush copies the bitmap; a monochrome pattern draws 0 bits in
// the DC's text colour and 1 bits in its background colour. The pattern is
// aligned to the DC's origin.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 1;
    WORD bmBitsPixel = 0;
    void *bmBits = nullptr;
};
// BITMAP for bitmaps, LOGFONTA for fonts; the bytes written, 0 on failure.
int GetObjectA(HGDIOBJ object, int size, void *out);

// A memory DC starts with a 1x1 monochrome bitmap selected; selecting a
// bitmap (one DC at a time) makes it the drawing surface.
HDC CreateCompatibleDC(HDC hdc);
// "DISPLAY" gives a DC of the screen for device capabilities and compatible
// DCs and bitmaps; it has no surface of its own to draw on.
HDC CreateDCA(const char *driver, const char *device, const char *output, const void *initData);
BOOL DeleteDC(HDC hdc);

// Raster operations: any ternary operation of pattern, source and destination.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
// Monochrome to colour: 0 bits take the destination's text colour, 1 bits
// its background colour. Colour to monochrome: pixels of the source DC's
// background colour become 1 (white), the rest 0.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);

constexpr int TECHNOLOGY = 2;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int DT_RASDISPLAY = 1;
// Pinned to a 96-dpi 32-bit raster display; HORZRES/VERTRES from the primary screen.
int GetDeviceCaps(HDC hdc, int index);

// ---- regions ----
constexpr int ERROR = 0;
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT *rect);
// Polygons are filled by pixel centres: a rectangle with corners
// (l,t),(r,t),(r,b),(l,b) covers pixels l..r-1 and t..b-1.
HRGN CreatePolygonRgn(const POINT *points, int count, int fillMode);
HRGN CreatePolyPolygonRgn(const POINT *points, const int *counts, int polygons, int fillMode);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// dest = src1 op src2 (src2 unused for RGN_COPY); returns the region type.
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
BOOL EqualRgn(HRGN a, HRGN b);
int OffsetRgn(HRGN region, int dx, int dy);
int GetRgnBox(HRGN region, RECT *rect);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT *rect);
BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush);
// Fills with the DC's selected brush.
BOOL PaintRgn(HDC hdc, HRGN region);
BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC hdc, HRGN region);
// The DC keeps a copy; null removes the clip region.
int SelectClipRgn(HDC hdc, HRGN region);
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRgn(HWND hwnd, HRGN region);
// Copies the window's update region into region; returns its type.
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);

// ---- fonts and text ----
// Heights are pixels at 96 dpi: negative = character (em) height, positive =
// cell height, 0 = a default. The face name is CP932; a face that is not
// installed falls back to the default family. Text is CP932 bytes; count -1
// means up to the terminating zero (DrawTextA only).
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE DEFAULT_CHARSET = 1;
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, const char *faceName);
HFONT CreateFontIndirectA(const LOGFONTA *font);

struct TEXTMETRICA {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    BYTE tmFirstChar = 0;
    BYTE tmLastChar = 0;
    BYTE tmDefaultChar = 0;
    BYTE tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};
BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA *metrics);
BOOL GetTextExtentPoint32A(HDC hdc, const char *text, int count, SIZE *size);
int GetTextFaceA(HDC hdc, int size, char *face);

constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);

// In OPAQUE mode the text's cell is filled with the background colour first.
BOOL TextOutA(HDC hdc, int x, int y, const char *text, int count);
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
// ETO_OPAQUE fills *rect with the background colour; ETO_CLIPPED clips the
// text to *rect. Character spacing (dx) is not supported and is ignored.
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT *rect, const char *text, UINT count, const int *dx);

constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_EXTERNALLEADING = 0x0200;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;
// Lines break at CR/LF (unless DT_SINGLELINE) and, with DT_WORDBREAK, at
// spaces (between characters for a run without spaces that does not fit and
// holds double-byte characters). '&' underlines the next character and "&&"
// is one '&' unless DT_NOPREFIX. DT_VCENTER and DT_BOTTOM act on single
// lines. DT_CALCRECT sets right and bottom to the text's extent and draws
// nothing. Returns the text height (from rect->top to the text's bottom when
// vertically centred or bottom-aligned); 0 on failure.
int DrawTextA(HDC hdc, const char *text, int count, RECT *rect, UINT format);

// ---- frame controls and focus ----
constexpr UINT DFC_SCROLL = 3;
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONRADIO = 0x0004;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_SCROLLUP = 0x0000;
constexpr UINT DFCS_SCROLLDOWN = 0x0001;
constexpr UINT DFCS_SCROLLLEFT = 0x0002;
constexpr UINT DFCS_SCROLLRIGHT = 0x0003;
constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DFCS_CHECKED = 0x0400;
constexpr UINT DFCS_ADJUSTRECT = 0x2000;
constexpr UINT DFCS_FLAT = 0x4000;
constexpr UINT DFCS_MONO = 0x8000;
// Push buttons: a soft raised edge with the face inside (sunken when
// DFCS_PUSHED or DFCS_CHECKED; DFCS_ADJUSTRECT leaves *rect the inside).
// Check boxes and radio buttons: a sunken box or circle, white inside (the
// face colour when pushed or inactive), with the mark when DFCS_CHECKED.
// Scroll arrows (up, down, left, right; the combo box arrow points down): a
// raised button with a solid triangle in COLOR_BTNTEXT (COLOR_GRAYTEXT when
// inactive), centred in the button inside its 2-pixel edge, a third of the
// inside's smaller side deep, with an apex of one pixel; pushed, the edge is flat and the
// arrow moves one pixel right and down.
BOOL DrawFrameControl(HDC hdc, RECT *rect, UINT type, UINT state);
// Inverts every other pixel of the rectangle's one-pixel border (x + y
// even); drawing it twice restores the pixels.
BOOL DrawFocusRect(HDC hdc, const RECT *rect);
BOOL InvertRect(HDC hdc, const RECT *rect);

} // namespace platform::win
