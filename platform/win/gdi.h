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

} // namespace platform::win
