#pragma once
// Widths of texts in one font, as QFontMetricsF::horizontalAdvance gives
// them. A report repeats most of its texts (dates, times, values) on every
// page, and shaping a text to measure it is the dearest step of the layout:
// each text is measured once. Texts made only of digits and a few signs
// (row numbers, values, times: most of a demand table) are not shaped at
// all when the font lets their widths add up (see below).
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>

#include <array>

namespace platform::print {

class TextWidths {
public:
    explicit TextWidths(const QFont &font);

    const QFont &font() const { return m_font; }
    const QFontMetricsF &metrics() const { return m_fm; }

    double operator()(const QString &text);

    // The characters whose widths may be summed: digits and ". , : - / +".
    static bool isAdditive(QChar c);
    // Whether this font sums their widths (known after the first such text).
    bool sumsWidths();

private:
    bool sum(const QString &text, double *width);

    QFont m_font;
    QFontMetricsF m_fm;
    QHash<QString, double> m_widths;
    // Advances in 1/64 pixel (the unit the text engine adds in) of the
    // additive characters; checked on first use.
    enum class Sums { Unknown, Yes, No } m_sums = Sums::Unknown;
    std::array<qint64, 128> m_advance{};
};

} // namespace platform::print
