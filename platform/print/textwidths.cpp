#include "platform/print/textwidths.h"

#include <cmath>
#include <cstring>

namespace platform::print {

namespace {

constexpr char kAdditive[] = "0123456789.,:-/+";

// v in 1/64 units when it is a whole number of them.
bool toUnits(double v, qint64 *units)
{
    const double scaled = v * 64.0;
    const double whole = std::round(scaled);
    if (scaled != whole || !std::isfinite(whole))
        return false;
    *units = qint64(whole);
    return true;
}

} // namespace

TextWidths::TextWidths(const QFont &font) : m_font(font), m_fm(font)
{
    m_widths.reserve(1024);
}

bool TextWidths::isAdditive(QChar c)
{
    return c.unicode() < 128 && c.unicode() != 0 && std::strchr(kAdditive, char(c.unicode())) != nullptr;
}

bool TextWidths::sumsWidths()
{
    if (m_sums != Sums::Unknown)
        return m_sums == Sums::Yes;
    // The text engine adds glyph advances in 1/64 pixel. The width of a text
    // of these characters is the sum of theirs when the font neither kerns
    // nor joins any pair of them, which is checked here pair by pair, on the
    // very measure that is otherwise used.
    m_sums = Sums::No;
    for (const char *a = kAdditive; *a; ++a)
        if (!toUnits(m_fm.horizontalAdvance(QString(QLatin1Char(*a))), &m_advance[size_t(*a)]))
            return false;
    for (const char *a = kAdditive; *a; ++a)
        for (const char *b = kAdditive; *b; ++b) {
            const QChar pair[2] = {QLatin1Char(*a), QLatin1Char(*b)};
            qint64 units = 0;
            if (!toUnits(m_fm.horizontalAdvance(QString(pair, 2)), &units)
                || units != m_advance[size_t(*a)] + m_advance[size_t(*b)])
                return false;
        }
    m_sums = Sums::Yes;
    return true;
}

bool TextWidths::sum(const QString &text, double *width)
{
    if (text.isEmpty() || text.size() > 64)
        return false;
    for (QChar c : text)
        if (!isAdditive(c))
            return false;
    if (!sumsWidths())
        return false;
    qint64 units = 0;
    for (QChar c : text)
        units += m_advance[c.unicode()];
    *width = double(units) / 64.0;
    return true;
}

double TextWidths::operator()(const QString &text)
{
    // Summing a few advances is cheaper than looking the text up.
    double w = 0;
    if (sum(text, &w))
        return w;
    const auto it = m_widths.constFind(text);
    if (it != m_widths.constEnd())
        return *it;
    w = m_fm.horizontalAdvance(text);
    m_widths.insert(text, w);
    return w;
}

} // namespace platform::print
