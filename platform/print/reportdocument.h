#pragma once
// A laid-out report: pages in twips (1440 per inch) with their fills, rules,
// texts and pictures, and the running header and footer of each page. The
// report control builds it; the preview, the printer and the PDF writer all
// paint it through renderPage, so every output shows the same pages.
#include "platform/print/displaylist.h"

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVector>

#include <memory>

class QPainter;

namespace platform::print {

constexpr double kTwipsPerInch = 1440.0;
// The thinnest line of a report (0.15 mm), for pens of width 0.
constexpr double kReportHairline = 0.15 / 25.4 * kTwipsPerInch;

struct ReportText {
    QPointF baseline;
    QString text;
    int font = 0;
};

struct ReportFill {
    QRectF rect;
    QColor color;
};

struct ReportRule {
    QLineF line;
    double width = 0;
};

struct ReportPicture {
    DrawPicture picture;
    QRectF rect;
    bool shade = false;
};

struct ReportPage {
    QVector<ReportFill> fills;
    QVector<ReportPicture> pictures;
    QVector<ReportRule> rules;
    QVector<ReportText> texts;
    QString header;
    QString footer;
};

class ReportDocument {
public:
    ReportDocument();
    ~ReportDocument();
    ReportDocument(const ReportDocument &other);
    ReportDocument &operator=(const ReportDocument &other);

    int paperSize = 9;
    int orientation = 0;
    QSizeF pageSize;       // twips, in the document's orientation
    QRectF printable;      // page minus margins, twips
    QString title;
    QVector<QFont> fonts;  // pixel sizes in twips
    int headerFont = 0;
    QVector<ReportPage> pages;

    int pageCount() const { return int(pages.size()); }

    // Paints page index (0-based) with the painter's units in twips, the
    // page's top left corner at the origin. The page is not filled.
    void renderPage(QPainter &painter, int index) const;

    // On the PDF engine (PDF files, the printer) texts are shaped once per
    // font and text and then drawn as the shaped glyphs wherever they
    // repeat. With false every text is shaped where it is drawn (the
    // reference the equality tests compare the shaped drawing with).
    void setReuseShapedText(bool reuse) { m_reuseShaped = reuse; }

private:
    struct ShapedTexts;
    void drawText(QPainter &painter, const ReportText &text) const;

    bool m_reuseShaped = true;
    // Shaped texts by font and text, made as pages are drawn.
    mutable std::unique_ptr<ShapedTexts> m_shaped;
};

// Splits "left|centre|right" into its three parts (missing parts empty;
// bars after the second stay in the right part).
QStringList splitRunningText(const QString &text);

// Column format of a table: one spec per column, separated by "|". A spec is
// alignment characters followed by an optional width:
//   "<" left, "^" centre, ">" right (default left); "+" centres the text
//   vertically in its row (default: at the top);
//   width "N%" of the printable width, or a length (twips, or with the unit
//   "mm", "cm", "in" or "pt"); no width shares the width left over.
// Anything else raises error 5.
struct ColumnFormat {
    Qt::Alignment horizontal = Qt::AlignLeft;
    bool verticalCentre = false;
    enum class Width { Auto, Percent, Length } widthKind = Width::Auto;
    double width = 0;
};
QVector<ColumnFormat> parseColumnFormat(const QString &format);

// A length: "10%" of percentBase, or twips, or a number with "mm", "cm",
// "in" or "pt". An invalid or negative value raises error 380 naming property.
double parseLength(const QString &text, double percentBase, const QString &property);

} // namespace platform::print
