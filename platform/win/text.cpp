// Fonts and text: LOGFONTA mapped to QFont at 96 dpi, text metrics and
// extents of CP932 strings, TextOutA, ExtTextOutA and DrawTextA.
#include "platform/win/gdistate.h"
#include "platform/codepage/codepage.h"
#include "platform/win/mnemonic.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

#include <cstring>

namespace platform::win {
using namespace detail;

namespace detail {

LOGFONTA stockFont(int which)
{
    LOGFONTA lf;
    lf.lfCharSet = 128; // SHIFTJIS_CHARSET
    lf.lfWeight = FW_NORMAL;
    switch (which) {
    case SYSTEM_FONT:
    case SYSTEM_FIXED_FONT:
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case DEVICE_DEFAULT_FONT:
        lf.lfHeight = 16;
        lf.lfWeight = which == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
        lf.lfPitchAndFamily = which == SYSTEM_FONT ? 0x22 : 0x31; // variable swiss / fixed modern
        break;
    default: // DEFAULT_GUI_FONT, ANSI_VAR_FONT
        lf.lfHeight = -12;
        lf.lfPitchAndFamily = 0x22;
        break;
    }
    return lf;
}

QFont fontOf(HFONT h)
{
    const GdiObject *o = object(h);
    const LOGFONTA lf = o && o->kind == Kind::Font ? o->logFont : stockFont(SYSTEM_FONT);
    QFont f = QApplication::font();
    const QString face = codepage::fromAnsiLenient(QByteArray(lf.lfFaceName, static_cast<int>(strnlen(lf.lfFaceName, sizeof lf.lfFaceName))));
    if (!face.isEmpty() && QFontDatabase::hasFamily(face))
        f.setFamily(face);
    else if ((lf.lfPitchAndFamily & 3) == 1 || (lf.lfPitchAndFamily & 0xF0) == 0x30)
        f.setStyleHint(QFont::Monospace);
    f.setStyleStrategy(QFont::NoAntialias);
    f.setWeight(static_cast<QFont::Weight>(std::clamp<int>(lf.lfWeight ? lf.lfWeight : FW_NORMAL, 100, 900)));
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    // Negative height: the character height (em) in pixels. Positive: the
    // cell height (ascent + descent), scaled from the font's own proportions.
    // Zero: a default size.
    int pixels = 12;
    if (lf.lfHeight < 0) {
        pixels = -lf.lfHeight;
    } else if (lf.lfHeight > 0) {
        QFont probe = f;
        probe.setPixelSize(100);
        const QFontMetrics m(probe);
        const int cell = std::max(1, m.ascent() + m.descent());
        pixels = std::max(1, static_cast<int>(lf.lfHeight * 100 / cell));
    }
    f.setPixelSize(std::max(1, pixels));
    return f;
}

} // namespace detail

namespace {

QString decode(const char *text, int count)
{
    if (!text)
        return {};
    const int n = count < 0 ? static_cast<int>(std::strlen(text)) : count;
    return codepage::fromAnsiLenient(QByteArray(text, n));
}

QFont dcFont(const DC &d) { return fontOf(d.font); }

// The top-left corner of text drawn at (x, y) under the DC's text alignment.
QPoint alignedOrigin(const DC &d, const QFontMetrics &m, int x, int y, int width)
{
    const UINT h = d.textAlign & TA_CENTER;
    if (h == TA_CENTER)
        x -= width / 2;
    else if (h == TA_RIGHT)
        x -= width;
    const UINT v = d.textAlign & TA_BASELINE;
    if (v == TA_BASELINE)
        y -= m.ascent();
    else if (v == TA_BOTTOM)
        y -= m.ascent() + m.descent();
    return QPoint(x, y);
}

void drawLine(QPainter &p, const DC &d, const QFont &font, const QPoint &topLeft, const QString &line)
{
    const QFontMetrics m(font);
    if (d.bkMode == OPAQUE)
        p.fillRect(QRect(topLeft, QSize(m.horizontalAdvance(line), m.ascent() + m.descent())), qcolor(d.bkColor));
    p.setFont(font);
    p.setPen(qcolor(d.textColor));
    p.drawText(topLeft.x(), topLeft.y() + m.ascent(), line);
}

} // namespace

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, const char *faceName)
{
    LOGFONTA lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic ? 1 : 0);
    lf.lfUnderline = static_cast<BYTE>(underline ? 1 : 0);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut ? 1 : 0);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) {
        // At most 31 bytes, never half of a double-byte character.
        size_t n = 0;
        const size_t len = std::strlen(faceName);
        while (n < len) {
            const size_t step = codepage::isLeadByte(static_cast<unsigned char>(faceName[n])) ? 2 : 1;
            if (n + step > sizeof lf.lfFaceName - 1 || n + step > len)
                break;
            n += step;
        }
        std::memcpy(lf.lfFaceName, faceName, n);
    }
    return CreateFontIndirectA(&lf);
}

HFONT CreateFontIndirectA(const LOGFONTA *font)
{
    if (!font)
        return 0;
    GdiObject o;
    o.kind = Kind::Font;
    o.logFont = *font;
    o.logFont.lfFaceName[sizeof o.logFont.lfFaceName - 1] = 0;
    return addObject(o);
}

BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA *tm)
{
    DC *d = dc(hdc);
    if (!d || !tm)
        return FALSE;
    const QFont f = dcFont(*d);
    const QFontMetrics m(f);
    const GdiObject *o = object(d->font);
    *tm = TEXTMETRICA{};
    tm->tmAscent = m.ascent();
    tm->tmDescent = m.descent();
    tm->tmHeight = m.ascent() + m.descent();
    tm->tmInternalLeading = std::max(0, tm->tmHeight - f.pixelSize());
    tm->tmExternalLeading = std::max(0, m.leading());
    tm->tmAveCharWidth = std::max(1, m.horizontalAdvance(QLatin1Char('x')));
    tm->tmMaxCharWidth = std::max(tm->tmAveCharWidth, m.maxWidth());
    tm->tmWeight = f.weight();
    tm->tmDigitizedAspectX = 96;
    tm->tmDigitizedAspectY = 96;
    tm->tmFirstChar = 0x20;
    tm->tmLastChar = 0xFC;
    tm->tmDefaultChar = 0x81;
    tm->tmBreakChar = 0x20;
    tm->tmItalic = f.italic() ? 1 : 0;
    tm->tmUnderlined = f.underline() ? 1 : 0;
    tm->tmStruckOut = f.strikeOut() ? 1 : 0;
    tm->tmPitchAndFamily = o ? o->logFont.lfPitchAndFamily : 0;
    tm->tmCharSet = o ? o->logFont.lfCharSet : SHIFTJIS_CHARSET;
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC hdc, const char *text, int count, SIZE *size)
{
    DC *d = dc(hdc);
    if (!d || !size || count < 0 || (!text && count > 0))
        return FALSE;
    const QFontMetrics m(dcFont(*d));
    size->cx = m.horizontalAdvance(decode(text, count));
    size->cy = m.ascent() + m.descent();
    return TRUE;
}

int GetTextFaceA(HDC hdc, int size, char *face)
{
    DC *d = dc(hdc);
    if (!d)
        return 0;
    const QByteArray name = codepage::toAnsi(QFontInfo(dcFont(*d)).family());
    if (!face)
        return static_cast<int>(name.size()) + 1;
    if (size <= 0)
        return 0;
    const int n = std::min<int>(size - 1, static_cast<int>(name.size()));
    std::memcpy(face, name.constData(), static_cast<size_t>(n));
    face[n] = 0;
    return n;
}

UINT SetTextAlign(HDC hdc, UINT align)
{
    DC *d = dc(hdc);
    if (!d)
        return 0xFFFFFFFF; // GDI_ERROR
    return std::exchange(d->textAlign, align);
}

UINT GetTextAlign(HDC hdc)
{
    DC *d = dc(hdc);
    return d ? d->textAlign : 0xFFFFFFFF;
}

BOOL TextOutA(HDC hdc, int x, int y, const char *text, int count)
{
    return ExtTextOutA(hdc, x, y, 0, nullptr, text, count < 0 ? 0 : static_cast<UINT>(count), nullptr);
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT *rect, const char *text, UINT count, const int *)
{
    if ((options & (ETO_OPAQUE | ETO_CLIPPED)) && !rect)
        options &= ~(ETO_OPAQUE | ETO_CLIPPED);
    if (!text && count > 0)
        return FALSE;
    const QString s = decode(text, static_cast<int>(count));
    const bool ok = paint(hdc, [&](QPainter &p, DC &d) {
        const QFont f = dcFont(d);
        const QFontMetrics m(f);
        if (options & ETO_OPAQUE) {
            if (rect->right > rect->left && rect->bottom > rect->top)
                p.fillRect(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top), qcolor(d.bkColor));
        }
        if (options & ETO_CLIPPED)
            p.setClipRegion(p.clipRegion() & QRegion(rect->left, rect->top, std::max(0, rect->right - rect->left),
                                                     std::max(0, rect->bottom - rect->top)));
        if (!s.isEmpty()) {
            const QPoint at = alignedOrigin(d, m, x, y, m.horizontalAdvance(s));
            drawLine(p, d, f, at, s);
        }
    });
    if (DC *d = dc(hdc); ok && d)
        surfaceChanged(*d);
    return ok ? TRUE : FALSE;
}

namespace {

struct Line {
    QString text;
    int underline = -1; // index of the character the prefix marks
};

// Takes the prefix characters out: "&x" underlines x, "&&" is '&', a
// trailing '&' shows nothing.
QString stripPrefix(const QString &in, int *underline)
{
    return withoutMnemonic(in, TrailingAmpersand::Drop, underline);
}

bool isWide(QChar c) { return c.unicode() >= 0x2E80; }

// Greedy word wrapping at spaces; a run that does not fit alone is broken
// between characters when it holds wide (double-byte) characters.
QStringList wrap(const QString &line, const QFontMetrics &m, int width)
{
    QStringList out;
    QString current;
    int i = 0;
    const int n = static_cast<int>(line.size());
    while (i < n) {
        // The next piece: a run of non-spaces (one wide character at a time
        // so Japanese text can break anywhere) plus its trailing spaces.
        int j = i;
        if (isWide(line[j])) {
            ++j;
        } else {
            while (j < n && line[j] != QLatin1Char(' ') && !isWide(line[j]))
                ++j;
        }
        while (j < n && line[j] == QLatin1Char(' '))
            ++j;
        const QString piece = line.mid(i, j - i);
        const QString candidate = current + piece;
        if (current.isEmpty() || m.horizontalAdvance(candidate.trimmed()) <= width) {
            current = candidate;
        } else {
            out << current;
            current = piece;
        }
        i = j;
    }
    out << current;
    for (QString &s : out)
        while (s.endsWith(QLatin1Char(' ')))
            s.chop(1);
    return out;
}

QString elide(const QString &s, const QFontMetrics &m, int width)
{
    if (m.horizontalAdvance(s) <= width)
        return s;
    const QString dots = QStringLiteral("...");
    QString t = s;
    while (!t.isEmpty() && m.horizontalAdvance(t + dots) > width)
        t.chop(1);
    return t + dots;
}

} // namespace

int DrawTextA(HDC hdc, const char *text, int count, RECT *rect, UINT format)
{
    DC *d = dc(hdc);
    if (!d || !rect || (!text && count != 0))
        return 0;
    const QFont f = dcFont(*d);
    const QFontMetrics m(f);
    const int lineHeight = m.ascent() + m.descent() + ((format & DT_EXTERNALLEADING) ? std::max(0, m.leading()) : 0);
    QString all = decode(text, count);
    if (format & DT_EXPANDTABS)
        all.replace(QLatin1Char('\t'), QString(8, QLatin1Char(' ')));

    std::vector<Line> lines;
    QStringList raw;
    if (format & DT_SINGLELINE) {
        QString one = all;
        one.remove(QLatin1Char('\r'));
        one.remove(QLatin1Char('\n'));
        raw << one;
    } else {
        all.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        all.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        raw = all.split(QLatin1Char('\n'));
    }
    const int width = rect->right - rect->left;
    for (const QString &r : raw) {
        int underline = -1;
        const QString plain = (format & DT_NOPREFIX) ? r : stripPrefix(r, &underline);
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
            // The underline stays with the character it marks.
            int offset = 0;
            for (const QString &piece : wrap(plain, m, width)) {
                const int at = static_cast<int>(plain.indexOf(piece, offset));
                Line l{piece, -1};
                if (underline >= at && underline < at + piece.size())
                    l.underline = underline - at;
                offset = at < 0 ? offset : at + static_cast<int>(piece.size());
                lines.push_back(l);
            }
        } else {
            lines.push_back({plain, underline});
        }
    }
    if (format & DT_END_ELLIPSIS)
        for (Line &l : lines) {
            const QString e = elide(l.text, m, width);
            if (e != l.text) {
                l.text = e;
                if (l.underline >= e.size() - 3)
                    l.underline = -1;
            }
        }

    int widest = 0;
    for (const Line &l : lines)
        widest = std::max(widest, m.horizontalAdvance(l.text));
    const int height = static_cast<int>(lines.size()) * lineHeight;
    if (format & DT_CALCRECT) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        return height;
    }
    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            top = rect->bottom - lineHeight;
    }
    const bool ok = paint(hdc, [&](QPainter &p, DC &dcr) {
        if (!(format & DT_NOCLIP))
            p.setClipRegion(p.clipRegion() & QRegion(rect->left, rect->top, std::max(0, width),
                                                     std::max(0, rect->bottom - rect->top)));
        int y = top;
        for (const Line &l : lines) {
            const int w = m.horizontalAdvance(l.text);
            int x = rect->left;
            if (format & DT_CENTER)
                x = rect->left + (width - w) / 2;
            else if (format & DT_RIGHT)
                x = rect->right - w;
            drawLine(p, dcr, f, QPoint(x, y), l.text);
            if (l.underline >= 0 && l.underline < l.text.size()) {
                const int ux = x + m.horizontalAdvance(l.text.left(l.underline));
                const int uw = std::max(1, m.horizontalAdvance(l.text.mid(l.underline, 1)));
                p.fillRect(QRect(ux, y + m.ascent() + 1, uw, 1), qcolor(dcr.textColor));
            }
            y += lineHeight;
        }
    });
    if (!ok)
        return 0;
    surfaceChanged(*dc(hdc));
    return (top - rect->top) + height;
}

} // namespace platform::win
