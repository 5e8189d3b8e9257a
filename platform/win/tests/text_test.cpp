// Fonts, metrics and text drawing. Glyph shapes depend on the installed
// fonts, so these tests check geometry and colours: where text pixels may
// and may not be, and how extents relate.
#include "WinTestSupport.h"

using namespace wintest;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(0, 0, 200);

class TextTest : public WinTest {
protected:
    void SetUp() override
    {
        WinTest::SetUp();
        m_hwnd = topLevel("TestPlain", 300, 60);
        m_dc = GetDC(m_hwnd);
        clear();
        m_font = CreateFontA(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
        m_oldFont = SelectObject(m_dc, m_font);
        SetTextColor(m_dc, kInk);
        SetBkMode(m_dc, TRANSPARENT);
    }
    void TearDown() override
    {
        SelectObject(m_dc, m_oldFont);
        ReleaseDC(m_hwnd, m_dc);
        EXPECT_TRUE(DeleteObject(m_font));
        WinTest::TearDown();
    }
    void clear()
    {
        const RECT all{0, 0, 300, 60};
        FillRect(m_dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    // The bounding box of pixels of the colour (empty when there are none).
    QRect inkBox(COLORREF colour = kInk) const
    {
        const QImage s = WindowSurface(m_hwnd);
        QRect box;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                if ((s.pixel(x, y) & 0xFFFFFF) == (qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour)) & 0xFFFFFF))
                    box |= QRect(x, y, 1, 1);
        return box;
    }
    SIZE extent(const char *s)
    {
        SIZE sz;
        EXPECT_TRUE(GetTextExtentPoint32A(m_dc, s, static_cast<int>(std::strlen(s)), &sz));
        return sz;
    }
    HWND m_hwnd = 0;
    HDC m_dc = 0;
    HFONT m_font = 0;
    HGDIOBJ m_oldFont = 0;
};

TEST_F(TextTest, FontHeightAndMetricsFollowTheLogicalFont)
{
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(m_dc, &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GE(tm.tmHeight, 14) << "a character height of 14 makes a cell of at least 14";
    EXPECT_LE(tm.tmHeight, 22);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 14);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);

    // A positive height asks for that cell height.
    LOGFONTA lf;
    lf.lfHeight = 30;
    lf.lfWeight = FW_BOLD;
    lf.lfItalic = 1;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    const HFONT big = CreateFontIndirectA(&lf);
    SelectObject(m_dc, big);
    TEXTMETRICA bigTm;
    GetTextMetricsA(m_dc, &bigTm);
    EXPECT_NEAR(bigTm.tmHeight, 30, 2);
    EXPECT_EQ(bigTm.tmWeight, FW_BOLD);
    EXPECT_EQ(bigTm.tmItalic, 1);
    LOGFONTA back;
    EXPECT_EQ(GetObjectA(big, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(back.lfHeight, 30);
    EXPECT_STREQ(back.lfFaceName, "DejaVu Sans");
    SelectObject(m_dc, m_font);
    EXPECT_TRUE(DeleteObject(big));
}

TEST_F(TextTest, MissingFaceFallsBackAndStockFontsExist)
{
    const HFONT missing = CreateFontA(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                                      "\x82\x6c\x82\x72 No Such Face");
    ASSERT_NE(missing, 0u);
    SelectObject(m_dc, missing);
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(m_dc, &tm));
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 14);
    EXPECT_GT(extent("abc").cx, 0) << "text still measures in the default family";
    SelectObject(m_dc, m_font);
    EXPECT_TRUE(DeleteObject(missing));

    for (int stock : {DEFAULT_GUI_FONT, SYSTEM_FONT}) {
        const HGDIOBJ f = GetStockObject(stock);
        ASSERT_NE(f, 0u);
        SelectObject(m_dc, f);
        EXPECT_TRUE(GetTextMetricsA(m_dc, &tm));
        EXPECT_GT(tm.tmHeight, 8);
        EXPECT_FALSE(DeleteObject(f));
    }
    SelectObject(m_dc, m_font);
}

TEST_F(TextTest, ExtentsGrowWithTheStringAndCountDoubleByteCharacters)
{
    const SIZE one = extent("W"), three = extent("WWW"), none = extent("");
    EXPECT_EQ(none.cx, 0);
    EXPECT_GT(one.cx, 0);
    EXPECT_GT(three.cx, 2 * one.cx);
    EXPECT_EQ(one.cy, three.cy);
    TEXTMETRICA tm;
    GetTextMetricsA(m_dc, &tm);
    EXPECT_EQ(one.cy, tm.tmHeight);
    // Two CP932 bytes are one character: "あ" then "ああ".
    const SIZE a = extent("\x82\xa0"), aa = extent("\x82\xa0\x82\xa0");
    EXPECT_GT(a.cx, 0);
    EXPECT_EQ(aa.cx, 2 * a.cx);
    SIZE part;
    ASSERT_TRUE(GetTextExtentPoint32A(m_dc, "WWW", 1, &part));
    EXPECT_EQ(part.cx, one.cx) << "the count limits the bytes measured";
}

TEST_F(TextTest, TheScreenDCMeasuresButDoesNotDraw)
{
    const HDC screen = GetDC(0);
    ASSERT_NE(screen, 0u);
    SelectObject(screen, m_font);
    SIZE onScreen;
    ASSERT_TRUE(GetTextExtentPoint32A(screen, "Width", 5, &onScreen));
    EXPECT_EQ(onScreen.cx, extent("Width").cx);
    const RECT r{0, 0, 5, 5};
    EXPECT_EQ(FillRect(screen, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0) << "no surface";
    EXPECT_FALSE(DeleteDC(screen)) << "goes back by ReleaseDC";
    EXPECT_FALSE(DeleteObject(m_font)) << "still selected in the screen DC";
    SelectObject(screen, GetStockObject(SYSTEM_FONT));
    EXPECT_TRUE(ReleaseDC(0, screen));
    EXPECT_FALSE(ReleaseDC(0, screen));
}

TEST_F(TextTest, TextOutDrawsInTheTextColourAndOpaqueModeFillsTheCell)
{
    ASSERT_TRUE(TextOutA(m_dc, 10, 5, "Hello", 5));
    const QRect ink = inkBox();
    ASSERT_FALSE(ink.isEmpty());
    const SIZE sz = extent("Hello");
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.right(), 10 + sz.cx);
    EXPECT_GE(ink.top(), 5);
    EXPECT_LT(ink.bottom(), 5 + sz.cy);
    EXPECT_TRUE(inkBox(RGB(255, 255, 0)).isEmpty());

    clear();
    SetBkMode(m_dc, OPAQUE);
    SetBkColor(m_dc, RGB(255, 255, 0));
    TextOutA(m_dc, 10, 5, "Hello", 5);
    EXPECT_EQ(inkBox(RGB(255, 255, 0)).united(inkBox()), QRect(10, 5, sz.cx, sz.cy))
        << "opaque text covers exactly its cell";
}

TEST_F(TextTest, ExtTextOutClipsToItsRectangleAndFillsIt)
{
    SetBkColor(m_dc, RGB(0, 255, 0));
    const RECT r{20, 10, 40, 30};
    ASSERT_TRUE(ExtTextOutA(m_dc, 12, 12, ETO_OPAQUE | ETO_CLIPPED, &r, "MMMMMMMM", 8, nullptr));
    const QRect ink = inkBox();
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(QRect(20, 10, 20, 20).contains(ink)) << "no text outside the clip rectangle";
    EXPECT_EQ(inkBox(RGB(0, 255, 0)).united(ink), QRect(20, 10, 20, 20));
    EXPECT_EQ(GetPixel(m_dc, 39, 29), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(m_dc, 40, 29), kWhite);
}

TEST_F(TextTest, DrawTextAlignsIntoTheExpectedThird)
{
    const RECT r{0, 0, 300, 60};
    struct Case {
        UINT format;
        int third;
    } cases[] = {{DT_LEFT, 0}, {DT_CENTER, 1}, {DT_RIGHT, 2}};
    for (const Case &c : cases) {
        clear();
        RECT rr = r;
        ASSERT_GT(DrawTextA(m_dc, "Abc", -1, &rr, c.format | DT_SINGLELINE | DT_VCENTER), 0);
        const QRect ink = inkBox();
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_GE(ink.left(), c.third * 100) << c.format;
        EXPECT_LT(ink.right(), (c.third + 1) * 100) << c.format;
        // Vertically centred: ink around the middle row.
        EXPECT_LT(ink.top(), 30);
        EXPECT_GT(ink.bottom(), 30);
    }
}

TEST_F(TextTest, DrawTextCalcRectMeasuresLinesAndPrefixes)
{
    TEXTMETRICA tm;
    GetTextMetricsA(m_dc, &tm);
    RECT r{5, 7, 5, 7};
    EXPECT_EQ(DrawTextA(m_dc, "one\r\nthree", -1, &r, DT_CALCRECT), 2 * tm.tmHeight);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 7);
    EXPECT_EQ(r.bottom, 7 + 2 * tm.tmHeight);
    EXPECT_EQ(r.right, 5 + extent("three").cx);
    EXPECT_TRUE(inkBox().isEmpty()) << "DT_CALCRECT draws nothing";

    RECT single{0, 0, 0, 0};
    DrawTextA(m_dc, "one\r\nthree", -1, &single, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(single.bottom, tm.tmHeight);
    EXPECT_EQ(single.right, extent("onethree").cx);

    RECT prefixed{0, 0, 0, 0}, plain{0, 0, 0, 0}, kept{0, 0, 0, 0};
    DrawTextA(m_dc, "&File && X", -1, &prefixed, DT_CALCRECT);
    DrawTextA(m_dc, "File & X", -1, &plain, DT_CALCRECT | DT_NOPREFIX);
    DrawTextA(m_dc, "&File", -1, &kept, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(prefixed.right, plain.right);
    EXPECT_EQ(kept.right, extent("&File").cx);

    // Word breaking keeps lines within the width.
    const int width = extent("alpha beta").cx + 2;
    RECT wrapped{0, 0, width, 0};
    const int h = DrawTextA(m_dc, "alpha beta alpha beta", -1, &wrapped, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(h, 2 * tm.tmHeight);
    EXPECT_LE(wrapped.right, width);
}

TEST_F(TextTest, DrawTextUnderlinesThePrefixedCharacterAndClips)
{
    RECT r{10, 10, 200, 40};
    DrawTextA(m_dc, "&Wx", -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE);
    TEXTMETRICA tm;
    GetTextMetricsA(m_dc, &tm);
    // The underline row below the baseline spans the first character only.
    const int row = 10 + tm.tmAscent + 1;
    const int w = extent("W").cx;
    EXPECT_EQ(GetPixel(m_dc, 10, row), kInk);
    EXPECT_EQ(GetPixel(m_dc, 10 + w - 1, row), kInk);
    EXPECT_NE(GetPixel(m_dc, 10 + w + 1, row), kInk);

    clear();
    RECT narrow{10, 10, 30, 40};
    DrawTextA(m_dc, "MMMMMMMMMM", -1, &narrow, DT_LEFT);
    const QRect ink = inkBox();
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.right(), 30) << "clipped to the rectangle";
    clear();
    DrawTextA(m_dc, "MMMMMMMMMM", -1, &narrow, DT_LEFT | DT_NOCLIP);
    EXPECT_GE(inkBox().right(), 30);

    clear();
    RECT ell{0, 0, extent("MMMM").cx, 30};
    DrawTextA(m_dc, "MMMMMMMMMM", -1, &ell, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LT(inkBox().right(), ell.right) << "the ellipsis keeps the text inside";
}

} // namespace
