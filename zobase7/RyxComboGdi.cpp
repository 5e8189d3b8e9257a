#include "zobase7/RyxComboGdi.h"

#include "platform/codepage/codepage.h"
#include "platform/com/olecolor.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <QImage>
#include <QPainter>

#include <cstring>
#include <vector>

namespace zobase7::gdi {

namespace win = platform::win;

namespace {
HWND g_caretOwner = 0; // the combo window that made the caret
} // namespace

// A memory DC that measures text in a font.
HDC measuringDC(FontHandle font)
{
    static HDC dc = win::CreateCompatibleDC(0);
    win::SelectObject(dc, font ? static_cast<win::HGDIOBJ>(font) : win::GetStockObject(win::DEFAULT_GUI_FONT));
    return dc;
}

int textWidth(FontHandle font, const std::string &cp932)
{
    if (cp932.empty())
        return 0;
    win::SIZE size;
    if (!win::GetTextExtentPoint32A(measuringDC(font), cp932.data(), static_cast<int>(cp932.size()), &size))
        return 0;
    return size.cx;
}

int textHeight(FontHandle font)
{
    win::TEXTMETRICA tm;
    if (!win::GetTextMetricsA(measuringDC(font), &tm) || tm.tmHeight <= 0)
        return 16;
    return tm.tmHeight;
}

void drawText(HDC hdc, FontHandle font, const RECT &clip, int x, int y, const std::string &cp932, COLORREF color)
{
    if (cp932.empty())
        return;
    auto old = win::SelectObject(hdc, font ? static_cast<win::HGDIOBJ>(font) : win::GetStockObject(win::DEFAULT_GUI_FONT));
    const COLORREF oldColor = win::SetTextColor(hdc, color);
    const int oldMode = win::SetBkMode(hdc, win::TRANSPARENT);
    win::ExtTextOutA(hdc, x, y, win::ETO_CLIPPED, &clip, cp932.data(), static_cast<UINT>(cp932.size()), nullptr);
    win::SetBkMode(hdc, oldMode);
    win::SetTextColor(hdc, oldColor);
    if (old)
        win::SelectObject(hdc, old);
}

void fillRect(HDC hdc, const RECT &rect, COLORREF color)
{
    auto brush = win::CreateSolidBrush(color);
    win::FillRect(hdc, &rect, brush);
    win::DeleteObject(brush);
}

void drawImage(HDC hdc, const RECT &box, const QImage &image, int align, COLORREF background)
{
    const int bw = box.right - box.left, bh = box.bottom - box.top;
    if (image.isNull() || bw <= 0 || bh <= 0)
        return;
    QImage fitted = image.width() > bw || image.height() > bh
                        ? image.scaled(bw, bh, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                        : image;
    // Composed over the background, as 32-bit B,G,R,x rows.
    QImage rgb(fitted.size(), QImage::Format_RGB32);
    rgb.fill(QColor(win::GetRValue(background), win::GetGValue(background), win::GetBValue(background)));
    {
        QPainter p(&rgb);
        p.drawImage(0, 0, fitted);
    }
    const int x = align == 2 ? box.left + (bw - rgb.width()) / 2 : align == 3 ? box.right - rgb.width() : box.left;
    const int y = box.top + (bh - rgb.height()) / 2;
    std::vector<std::uint32_t> bits(static_cast<size_t>(rgb.width()) * static_cast<size_t>(rgb.height()));
    for (int row = 0; row < rgb.height(); ++row)
        std::memcpy(bits.data() + static_cast<size_t>(row) * static_cast<size_t>(rgb.width()), rgb.constScanLine(row),
                    static_cast<size_t>(rgb.width()) * 4);
    const win::HBITMAP bitmap = win::CreateBitmap(rgb.width(), rgb.height(), 1, 32, bits.data());
    const HDC memory = win::CreateCompatibleDC(hdc);
    if (bitmap && memory) {
        const auto old = win::SelectObject(memory, bitmap);
        win::BitBlt(hdc, x, y, rgb.width(), rgb.height(), memory, 0, 0, win::SRCCOPY);
        win::SelectObject(memory, old);
    }
    if (memory)
        win::DeleteDC(memory);
    if (bitmap)
        win::DeleteObject(bitmap);
}

void drawButton(HDC hdc, const RECT &rect, ButtonGlyph glyph, bool pushed, bool enabled)
{
    RECT r = rect;
    UINT state = glyph == ButtonGlyph::SpinUp ? win::DFCS_SCROLLUP
                 : glyph == ButtonGlyph::SpinDown ? win::DFCS_SCROLLDOWN
                                                  : win::DFCS_SCROLLCOMBOBOX;
    if (pushed)
        state |= win::DFCS_PUSHED;
    if (!enabled)
        state |= win::DFCS_INACTIVE;
    win::DrawFrameControl(hdc, &r, win::DFC_SCROLL, state);
}

int frameWidth(int borderStyle, int appearance)
{
    if (borderStyle == 0)
        return 0;
    return appearance == 0 ? 1 : 2;
}

void drawFrame(HDC hdc, const RECT &rect, int borderStyle, int appearance)
{
    if (borderStyle == 0)
        return;
    if (appearance == 0) {
        auto brush = win::CreateSolidBrush(win::GetSysColor(win::COLOR_WINDOWTEXT));
        RECT r = rect;
        RECT sides[4] = {{r.left, r.top, r.right, r.top + 1}, {r.left, r.bottom - 1, r.right, r.bottom},
                         {r.left, r.top, r.left + 1, r.bottom}, {r.right - 1, r.top, r.right, r.bottom}};
        for (const RECT &s : sides)
            win::FillRect(hdc, &s, brush);
        win::DeleteObject(brush);
        return;
    }
    RECT r = rect;
    win::DrawEdge(hdc, &r, win::EDGE_SUNKEN, win::BF_RECT);
}

void createCaret(HWND hwnd, int height)
{
    if (win::CreateCaret(hwnd, 0, 1, height)) {
        g_caretOwner = hwnd;
        win::ShowCaret(hwnd);
    }
}

void placeCaret(int x, int y)
{
    win::SetCaretPos(x, y);
}

void destroyCaret(HWND hwnd)
{
    if (g_caretOwner != hwnd)
        return;
    g_caretOwner = 0;
    win::DestroyCaret();
}

void caretPosition(int *x, int *y)
{
    win::POINT p;
    if (g_caretOwner && win::GetCaretPos(&p)) {
        *x = p.x;
        *y = p.y;
    } else {
        *x = *y = -1;
    }
}

COLORREF colorOf(std::uint32_t oleColor)
{
    COLORREF c = 0;
    if (platform::com::OleTranslateColor(oleColor, nullptr, &c) != 0)
        return 0;
    return c;
}

} // namespace zobase7::gdi
