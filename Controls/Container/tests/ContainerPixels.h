#pragma once
// Expected images of the container tests, stated pixel by pixel from the
// drawing rules (bevel rings, checker parity, notches, frames), and the
// comparison of a DC against them.
#include "Controls/Container/ContainerDraw.h"

#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace lumafold::testing {

using platform::win::COLORREF;
using platform::win::RECT;

class Canvas {
public:
    Canvas(int w, int h, COLORREF c = 0x00FFFFFF) : m_w(w), m_h(h), m_px(size_t(w * h), c) {}

    int width() const { return m_w; }
    int height() const { return m_h; }
    COLORREF at(int x, int y) const { return m_px[size_t(y * m_w + x)]; }
    void set(int x, int y, COLORREF c)
    {
        if (x >= 0 && y >= 0 && x < m_w && y < m_h)
            m_px[size_t(y * m_w + x)] = c;
    }
    void fill(const RECT &r, COLORREF c)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                set(x, y, c);
    }
    // One ring on the border of r: the right column and the bottom row take
    // the shade colour, the rest of the border the light colour.
    void ring(const RECT &r, COLORREF light, COLORREF shade)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (x == r.left || y == r.top || x == r.right - 1 || y == r.bottom - 1)
                    set(x, y, (x == r.right - 1 || y == r.bottom - 1) ? shade : light);
    }
    // A one-pixel black frame.
    void frame(const RECT &r, COLORREF c)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (x == r.left || y == r.top || x == r.right - 1 || y == r.bottom - 1)
                    set(x, y, c);
    }
    // |width| rings (at most half the smaller side), swapped when negative;
    // returns the rectangle inside them.
    RECT bevel(RECT r, int width, COLORREF light, COLORREF shade)
    {
        const int n = std::min(std::abs(width), std::min(r.right - r.left, r.bottom - r.top) / 2);
        for (int i = 0; i < n; ++i) {
            ring(r, width >= 0 ? light : shade, width >= 0 ? shade : light);
            r = shrink(r, 1);
        }
        return r;
    }
    // The 50 % shadow: odd x + y is the foreground.
    void checker(const RECT &r, COLORREF fg, COLORREF bg)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                set(x, y, (x + y) % 2 ? fg : bg);
    }
    static RECT shrink(RECT r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

private:
    int m_w, m_h;
    std::vector<COLORREF> m_px;
};

inline std::string hex(COLORREF c)
{
    char b[16];
    std::snprintf(b, sizeof b, "%06X", unsigned(c));
    return b;
}

// Compares every pixel of the DC (at its origin) with the canvas; reports
// the first mismatch and the number of mismatching pixels.
inline ::testing::AssertionResult samePixels(platform::win::HDC dc, const Canvas &want)
{
    int bad = 0;
    std::string first;
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x) {
            const COLORREF got = platform::win::GetPixel(dc, x, y);
            if (got != want.at(x, y)) {
                if (!bad)
                    first = "at " + std::to_string(x) + "," + std::to_string(y) + " got " + hex(got) + " want " +
                            hex(want.at(x, y));
                ++bad;
            }
        }
    if (!bad)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << bad << " pixels differ, first " << first;
}

} // namespace lumafold::testing
