#include "platform/print/reportdocument.h"

#include "platform/print/errors.h"

#include <QGlyphRun>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace platform::print {

QStringList splitRunningText(const QString &text)
{
    QStringList parts;
    const qsizetype first = text.indexOf(QLatin1Char('|'));
    if (first < 0)
        return {text, QString(), QString()};
    const qsizetype second = text.indexOf(QLatin1Char('|'), first + 1);
    parts << text.left(first);
    if (second < 0) {
        parts << text.mid(first + 1) << QString();
    } else {
        parts << text.mid(first + 1, second - first - 1) << text.mid(second + 1);
    }
    return parts;
}

// Each text's glyphs with their positions relative to the text's baseline
// origin, one run per font the text needs.
struct ReportDocument::ShapedTexts {
    QHash<QString, QList<QGlyphRun>> byFont[2];
    QVector<QHash<QString, QList<QGlyphRun>>> more; // fonts from the third on
    QHash<QString, QList<QGlyphRun>> &of(int font)
    {
        if (font < 2)
            return byFont[font];
        if (more.size() < font - 1)
            more.resize(font - 1);
        return more[font - 2];
    }
};

ReportDocument::ReportDocument() = default;
ReportDocument::~ReportDocument() = default;

ReportDocument::ReportDocument(const ReportDocument &other)
    : paperSize(other.paperSize), orientation(other.orientation), pageSize(other.pageSize),
      printable(other.printable), title(other.title), fonts(other.fonts), headerFont(other.headerFont),
      pages(other.pages), m_reuseShaped(other.m_reuseShaped)
{
}

ReportDocument &ReportDocument::operator=(const ReportDocument &other)
{
    if (this != &other) {
        paperSize = other.paperSize;
        orientation = other.orientation;
        pageSize = other.pageSize;
        printable = other.printable;
        title = other.title;
        fonts = other.fonts;
        headerFont = other.headerFont;
        pages = other.pages;
        m_reuseShaped = other.m_reuseShaped;
        m_shaped.reset();
    }
    return *this;
}

void ReportDocument::drawText(QPainter &painter, const ReportText &text) const
{
    // Only the PDF engine (the PDF writer and the printer) takes the shapes:
    // a screen paints a page or two at a time, and its engine places glyphs
    // drawn at a scale slightly differently from texts drawn there.
    const QPaintEngine *engine = painter.paintEngine();
    if (!m_reuseShaped || !engine || engine->type() != QPaintEngine::Pdf || text.font < 0 || text.font >= fonts.size()) {
        painter.drawText(text.baseline, text.text);
        return;
    }
    if (!m_shaped)
        m_shaped = std::make_unique<ShapedTexts>();
    QHash<QString, QList<QGlyphRun>> &cache = m_shaped->of(text.font);
    auto it = cache.find(text.text);
    if (it == cache.end()) {
        // Shaped as the painter shapes a text drawn at a point: one line,
        // no wrapping, glyph positions taken from the line's baseline.
        QTextLayout layout(text.text, fonts[text.font]);
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        QList<QGlyphRun> runs;
        if (line.isValid()) {
            runs = line.glyphRuns();
            const qreal ascent = line.ascent();
            for (QGlyphRun &run : runs) {
                QVector<QPointF> positions = run.positions();
                for (QPointF &p : positions)
                    p.ry() -= ascent;
                run.setPositions(positions);
            }
        }
        it = cache.insert(text.text, runs);
    }
    for (const QGlyphRun &run : *it)
        painter.drawGlyphRun(text.baseline, run);
}

void ReportDocument::renderPage(QPainter &painter, int index) const
{
    if (index < 0 || index >= pages.size())
        return;
    const ReportPage &page = pages[index];

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    for (const ReportFill &fill : page.fills)
        painter.fillRect(fill.rect, fill.color);

    for (const ReportPicture &pic : page.pictures) {
        if (pic.shade)
            painter.fillRect(pic.rect.translated(60, 60), QColor(160, 160, 160));
        if (pic.shade)
            painter.fillRect(pic.rect, Qt::white);
        pic.picture.paint(painter, pic.rect, kReportHairline);
    }

    QPen pen(Qt::black, kReportHairline, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const ReportRule &rule : page.rules) {
        if (rule.width != pen.widthF()) {
            pen.setWidthF(rule.width);
            painter.setPen(pen);
        }
        painter.drawLine(rule.line);
    }

    painter.setPen(Qt::black);
    int currentFont = -1;
    for (const ReportText &text : page.texts) {
        if (text.font != currentFont) {
            currentFont = text.font;
            painter.setFont(fonts.value(currentFont));
        }
        drawText(painter, text);
    }

    // Running texts: the header in the middle of the top margin, the footer
    // in the middle of the bottom margin; "%d" is the page number.
    const QString number = QString::number(index + 1);
    painter.setFont(fonts.value(headerFont));
    const double left = printable.left();
    const double width = printable.width();
    auto running = [&](const QString &spec, double top, double height) {
        if (spec.isEmpty())
            return;
        const QStringList parts = splitRunningText(spec);
        const QRectF band(left, top, width, height);
        const Qt::Alignment aligns[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
        for (int i = 0; i < 3; ++i) {
            if (parts[i].isEmpty())
                continue;
            QString shown = parts[i];
            shown.replace(QLatin1String("%d"), number);
            painter.drawText(band, int(aligns[i] | Qt::AlignVCenter | Qt::TextSingleLine), shown);
        }
    };
    running(page.header, 0, printable.top());
    running(page.footer, printable.bottom(), pageSize.height() - printable.bottom());

    painter.restore();
}

QVector<ColumnFormat> parseColumnFormat(const QString &format)
{
    QVector<ColumnFormat> columns;
    if (format.trimmed().isEmpty())
        return columns;
    const QStringList specs = format.split(QLatin1Char('|'));
    for (const QString &rawSpec : specs) {
        const QString spec = rawSpec.trimmed();
        ColumnFormat column;
        qsizetype i = 0;
        for (; i < spec.size(); ++i) {
            const QChar c = spec.at(i);
            if (c == QLatin1Char('<'))
                column.horizontal = Qt::AlignLeft;
            else if (c == QLatin1Char('^'))
                column.horizontal = Qt::AlignHCenter;
            else if (c == QLatin1Char('>'))
                column.horizontal = Qt::AlignRight;
            else if (c == QLatin1Char('+'))
                column.verticalCentre = true;
            else
                break;
        }
        const QString width = spec.mid(i).trimmed();
        if (!width.isEmpty()) {
            if (width.endsWith(QLatin1Char('%'))) {
                bool ok = false;
                const double percent = width.chopped(1).trimmed().toDouble(&ok);
                if (!ok || percent < 0 || !std::isfinite(percent))
                    platform::raise(platform::err::InvalidProcedureCall,
                                    QStringLiteral("Invalid column width \"%1\" in table format").arg(width));
                column.widthKind = ColumnFormat::Width::Percent;
                column.width = percent;
            } else {
                try {
                    column.width = parseLength(width, 0, QStringLiteral("column width"));
                } catch (const RuntimeError &) {
                    platform::raise(platform::err::InvalidProcedureCall,
                                    QStringLiteral("Invalid column format \"%1\"").arg(spec));
                }
                column.widthKind = ColumnFormat::Width::Length;
            }
        }
        columns.append(column);
    }
    return columns;
}

double parseLength(const QString &text, double percentBase, const QString &property)
{
    QString t = text.trimmed().toLower();
    double factor = 1.0;
    bool percent = false;
    if (t.endsWith(QLatin1Char('%'))) {
        percent = true;
        t.chop(1);
    } else if (t.endsWith(QLatin1String("mm"))) {
        factor = kTwipsPerInch / 25.4;
        t.chop(2);
    } else if (t.endsWith(QLatin1String("cm"))) {
        factor = kTwipsPerInch / 2.54;
        t.chop(2);
    } else if (t.endsWith(QLatin1String("in"))) {
        factor = kTwipsPerInch;
        t.chop(2);
    } else if (t.endsWith(QLatin1String("pt"))) {
        factor = 20.0;
        t.chop(2);
    }
    bool ok = false;
    const double value = t.trimmed().toDouble(&ok);
    if (!ok || value < 0 || !std::isfinite(value))
        throwInvalidValue(property);
    return percent ? value * percentBase / 100.0 : value * factor;
}

} // namespace platform::print
