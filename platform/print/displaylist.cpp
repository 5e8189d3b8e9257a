#include "platform/print/displaylist.h"

#include "platform/print/colors.h"
#include "platform/runtime/runtime_error.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <algorithm>
#include <limits>
#include <optional>
#include <vector>
#include <QPaintEngine>

namespace platform::print {

QTransform UserScale::toTarget(const QRectF &target) const
{
    const double sx = target.width() / width;
    const double sy = target.height() / height;
    return QTransform(sx, 0, 0, sy, target.left() - left * sx, target.top() - top * sy);
}

namespace {

Qt::PenStyle qtPenStyle(int style)
{
    switch (style) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

Qt::BrushStyle qtBrushStyle(int style)
{
    switch (style) {
    case 1: return Qt::NoBrush;
    case 2: return Qt::HorPattern;
    case 3: return Qt::VerPattern;
    case 4: return Qt::FDiagPattern;
    case 5: return Qt::BDiagPattern;
    case 6: return Qt::CrossPattern;
    case 7: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

// Fonts of one replay, by family, pixel size and weight.
class FontCache {
public:
    struct Entry {
        QString family;
        int pixels;
        bool bold;
        QFont font;
        QFontMetricsF metrics;
    };

    const Entry &get(const QString &family, int pixels, bool bold)
    {
        for (const Entry &e : m_entries)
            if (e.pixels == pixels && e.bold == bold && e.family == family)
                return e;
        QFont font(family);
        font.setPixelSize(pixels);
        font.setBold(bold);
        font.setStyleStrategy(QFont::PreferOutline);
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setKerning(false);
        m_entries.push_back(Entry{family, pixels, bold, font, QFontMetricsF(font)});
        return m_entries.back();
    }

private:
    std::vector<Entry> m_entries;
};

struct Edge {
    double yTop;
    double yBottom;
    double xTop;
    double slope; // dx / dy
    double x;     // at the current scan line
};

// Even-odd fill of a polygon in device pixels, sampled at pixel centres, as
// rectangles merged across rows. Qt's raster fill of one polygon grows with
// the square of its edges (a bar series of a year takes 100 ms); this one is
// linear for polygons whose edges rarely cross, such as bar outlines.
void fillPolygonByRows(QPainter &painter, const QPolygonF &poly, const QBrush &brush, const QRect &clip)
{
    std::vector<Edge> edges;
    edges.reserve(poly.size());
    double minY = std::numeric_limits<double>::max();
    double maxY = std::numeric_limits<double>::lowest();
    for (qsizetype i = 0; i < poly.size(); ++i) {
        const QPointF a = poly[i];
        const QPointF b = poly[(i + 1) % poly.size()];
        if (a.y() == b.y())
            continue;
        const QPointF top = a.y() < b.y() ? a : b;
        const QPointF bottom = a.y() < b.y() ? b : a;
        edges.push_back(Edge{top.y(), bottom.y(), top.x(), (bottom.x() - top.x()) / (bottom.y() - top.y()), 0});
        minY = std::min(minY, top.y());
        maxY = std::max(maxY, bottom.y());
    }
    if (edges.empty())
        return;
    std::sort(edges.begin(), edges.end(), [](const Edge &l, const Edge &r) { return l.yTop < r.yTop; });
    const int firstRow = std::max(clip.top(), int(std::ceil(minY - 0.5)));
    const int lastRow = std::min(clip.bottom(), int(std::ceil(maxY - 0.5)) - 1);

    struct Span {
        int x0, x1, top;
    };
    std::vector<Span> open;
    std::vector<Span> next;
    std::vector<const Edge *> active;
    std::vector<double> xs;
    std::size_t nextEdge = 0;
    auto flush = [&](const Span &s, int bottomRow) {
        painter.fillRect(QRect(QPoint(s.x0, s.top), QPoint(s.x1, bottomRow)), brush);
    };
    for (int row = firstRow; row <= lastRow + 1; ++row) {
        next.clear();
        if (row <= lastRow) {
            const double yc = row + 0.5;
            while (nextEdge < edges.size() && edges[nextEdge].yTop <= yc)
                active.push_back(&edges[nextEdge++]);
            active.erase(std::remove_if(active.begin(), active.end(), [yc](const Edge *e) { return e->yBottom <= yc; }),
                         active.end());
            for (const Edge *e : active)
                const_cast<Edge *>(e)->x = e->xTop + (yc - e->yTop) * e->slope;
            // Nearly sorted from the row before: insertion sort is linear.
            for (std::size_t i = 1; i < active.size(); ++i) {
                const Edge *e = active[i];
                std::size_t j = i;
                while (j > 0 && active[j - 1]->x > e->x) {
                    active[j] = active[j - 1];
                    --j;
                }
                active[j] = e;
            }
            for (std::size_t i = 0; i + 1 < active.size(); i += 2) {
                const int c0 = std::max(clip.left(), int(std::ceil(active[i]->x - 0.5)));
                const int c1 = std::min(clip.right(), int(std::ceil(active[i + 1]->x - 0.5)) - 1);
                if (c0 > c1)
                    continue;
                if (!next.empty() && next.back().x1 + 1 >= c0) {
                    next.back().x1 = std::max(next.back().x1, c1);
                    continue;
                }
                next.push_back(Span{c0, c1, row});
            }
        }
        // Spans equal to one of the row above continue its rectangle.
        std::size_t j = 0;
        for (Span &s : next) {
            while (j < open.size() && open[j].x0 < s.x0)
                flush(open[j++], row - 1);
            if (j < open.size() && open[j].x0 == s.x0 && open[j].x1 == s.x1)
                s.top = open[j++].top;
        }
        while (j < open.size())
            flush(open[j++], row - 1);
        open.swap(next);
    }
}

} // namespace

void DisplayList::replay(QPainter &painter, const QRectF &target, double hairline) const
{
    if (target.isEmpty())
        return;
    const QTransform tr = scale.toTarget(target);
    const double sy = std::abs(tr.m22());
    const double penScale = std::sqrt(std::abs(tr.m11()) * sy);
    // Pens are cosmetic, sized in device pixels: stroking a long bar outline
    // with a geometric pen costs a hundred times more on the raster engine.
    const QTransform device = painter.deviceTransform();
    const double deviceScale = std::sqrt(std::abs(device.determinant()));
    // Large polygons on a raster target without scaling or turning are
    // filled row by row; vector targets (PDF, printers) get the polygon.
    constexpr qsizetype kRowFillPoints = 64;
    const bool rowFill = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster
                         && device.type() <= QTransform::TxTranslate && device.dx() == std::round(device.dx())
                         && device.dy() == std::round(device.dy());
    const QRect deviceClip = target.toAlignedRect();

    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    FontCache fonts;
    std::optional<PenState> lastPen;
    std::optional<BrushState> lastBrush;
    auto applyPen = [&](const PenState &p) {
        if (lastPen && lastPen->color == p.color && lastPen->width == p.width && lastPen->style == p.style)
            return;
        lastPen = p;
        if (p.style == 5) {
            painter.setPen(Qt::NoPen);
            return;
        }
        const double w = p.width <= 0 ? hairline : std::max(hairline, p.width * penScale);
        QPen pen(oleColor(p.color), w * deviceScale, qtPenStyle(p.style), Qt::FlatCap, Qt::MiterJoin);
        pen.setCosmetic(true);
        painter.setPen(pen);
    };
    auto applyBrush = [&](const BrushState *b) {
        if (!b) {
            if (lastBrush && lastBrush->style == 1)
                return;
            lastBrush = BrushState{0, 1};
            painter.setBrush(Qt::NoBrush);
            return;
        }
        if (lastBrush && lastBrush->color == b->color && lastBrush->style == b->style)
            return;
        lastBrush = *b;
        painter.setBrush(QBrush(oleColor(b->color), qtBrushStyle(b->style)));
    };

    for (const DrawItem &item : items) {
        switch (item.kind) {
        case DrawKind::Line:
            applyPen(item.pen);
            painter.drawLine(tr.map(item.points[0]), tr.map(item.points[1]));
            break;
        case DrawKind::Rectangle:
        case DrawKind::Ellipse: {
            applyPen(item.pen);
            applyBrush(&item.brush);
            const QRectF r = QRectF(tr.map(item.points[0]), tr.map(item.points[1])).normalized();
            if (item.kind == DrawKind::Rectangle)
                painter.drawRect(r);
            else
                painter.drawEllipse(r);
            break;
        }
        case DrawKind::Polygon: {
            const QPolygonF mapped = tr.map(item.points);
            if (rowFill && item.points.size() > kRowFillPoints && item.brush.style != 1) {
                fillPolygonByRows(painter, mapped, QBrush(oleColor(item.brush.color), qtBrushStyle(item.brush.style)),
                                  deviceClip);
                applyPen(item.pen);
                applyBrush(nullptr);
                painter.drawPolygon(mapped);
            } else {
                applyPen(item.pen);
                applyBrush(&item.brush);
                painter.drawPolygon(mapped, Qt::OddEvenFill);
            }
            break;
        }
        case DrawKind::Polyline:
            applyPen(item.pen);
            applyBrush(nullptr);
            painter.drawPolyline(tr.map(item.points));
            break;
        case DrawKind::Text: {
            if (item.text.isEmpty())
                break;
            const int pixels = std::max(1, int(std::lround(item.fontSize * sy)));
            const FontCache::Entry &f = fonts.get(item.family, pixels, item.bold);
            painter.setFont(f.font);
            applyPen(PenState{0, 0, 0});
            const QPointF anchor = tr.map(item.points[0]);
            const double width = f.metrics.horizontalAdvance(item.text);
            const double dx = item.align == 1 ? -width / 2 : item.align == 2 ? -width : 0.0;
            if (item.angle == 0) {
                // The top of the text lies at the anchor.
                painter.drawText(QPointF(anchor.x() + dx, anchor.y() + f.metrics.ascent()), item.text);
            } else {
                // Rotated text turns about the anchor, which lies on the middle
                // of the text's height, so rotated labels centre on it.
                painter.save();
                painter.translate(anchor);
                painter.rotate(-item.angle / 10.0);
                painter.drawText(QPointF(dx, f.metrics.ascent() - f.metrics.height() / 2), item.text);
                painter.restore();
            }
            break;
        }
        }
    }
    painter.restore();
}

QPolygonF parsePointList(const QString &text)
{
    QPolygonF points;
    const QStringView view(text);
    if (view.trimmed().isEmpty())
        return points;
    QList<QStringView> fields = view.split(u',');
    if (fields.size() > 1 && fields.last().trimmed().isEmpty())
        fields.removeLast();
    if (fields.size() % 2 != 0)
        platform::raise(platform::err::InvalidProcedureCall,
                        QStringLiteral("Point list has an odd number of coordinates: %1").arg(fields.size()));
    points.reserve(fields.size() / 2);
    for (qsizetype i = 0; i < fields.size(); i += 2) {
        bool okX = false;
        bool okY = false;
        const double x = fields[i].trimmed().toDouble(&okX);
        const double y = fields[i + 1].trimmed().toDouble(&okY);
        if (!okX || !okY || !std::isfinite(x) || !std::isfinite(y))
            platform::raise(platform::err::InvalidProcedureCall,
                            QStringLiteral("Point list has an invalid coordinate at position %1").arg(i + (okX ? 2 : 1)));
        points.append(QPointF(x, y));
    }
    return points;
}

DrawPicture::DrawPicture(QSharedDataPointer<DisplayList> list, double aspect)
    : m_list(std::move(list)), m_aspect(aspect > 0 ? aspect : 1.0)
{
}

int DrawPicture::itemCount() const
{
    return m_list ? int(m_list.constData()->items.size()) : 0;
}

void DrawPicture::paint(QPainter &painter, const QRectF &target, double hairline) const
{
    if (m_list)
        m_list.constData()->replay(painter, target, hairline);
}

} // namespace platform::print
