#pragma once
// The first GDI subset: device contexts over a window's client surface,
// solid brushes and pens, and fills and lines with Win32's integer rules
// (a rectangle covers left..right-1 and top..bottom-1; a line leaves out its
// end point).
#include "platform/win/wintypes.h"

namespace platform::win {

HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
// The bounding box of the DC's clip region, in client coordinates.
int GetClipBox(HDC hdc, RECT *rect);
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

HBRUSH CreateSolidBrush(COLORREF color);
HPEN CreatePen(int style, int width, COLORREF color);
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
constexpr UINT BF_ADJUST = 0x2000;
// Draws the edge; BF_MIDDLE fills the rest with COLOR_BTNFACE and
// BF_ADJUST shrinks *rect by the drawn sides.
BOOL DrawEdge(HDC hdc, RECT *rect, UINT edge, UINT flags);

} // namespace platform::win
