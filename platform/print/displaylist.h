#pragma once
// The display list of a drawing surface: every shape and text in the user
// coordinates of the drawing, with the pen, brush and font it was drawn with.
// One transform maps the whole list into any target rectangle: the window on
// screen, a printer page, a PDF page or an image.
#include <QPolygonF>
#include <QRectF>
#include <QSharedData>
#include <QSharedDataPointer>
#include <QString>
#include <QTransform>
#include <QVector>
#include <cstdint>

class QPainter;

namespace platform::print {

struct PenState {
    std::uint32_t color = 0;  // 0x00BBGGRR
    double width = 0;         // user units; 0 = the thinnest line of the target
    int style = 0;            // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none
};

struct BrushState {
    std::uint32_t color = 0xFFFFFF;
    int style = 0;            // 0 solid, 1 none, 2..7 hatches
};

enum class DrawKind { Line, Rectangle, Ellipse, Polygon, Polyline, Text };

struct DrawItem {
    DrawKind kind = DrawKind::Line;
    PenState pen;
    BrushState brush;
    QPolygonF points;   // line: two ends; rectangle, ellipse: two corners; text: the anchor
    QString text;
    QString family;     // resolved font family (text)
    double fontSize = 0; // user units of text height (text)
    bool bold = false;
    double angle = 0;   // tenths of a degree, anticlockwise
    int align = 0;      // 0 left, 1 centre, 2 right
};

// User coordinate system: x from left to left + width, y from top to
// top + height (a negative height makes y grow upward).
struct UserScale {
    double left = 0;
    double top = 0;
    double width = 10000;
    double height = 10000;

    // Maps user coordinates onto target.
    QTransform toTarget(const QRectF &target) const;
};

class DisplayList : public QSharedData {
public:
    UserScale scale;
    QVector<DrawItem> items;

    // Paints every item into target with one transform. hairline is the
    // width, in the painter's units, of a pen of width 0.
    void replay(QPainter &painter, const QRectF &target, double hairline) const;
};

// Parses an "x,y,x,y," point list: plain decimal numbers separated by ",",
// an optional trailing ",", blanks around numbers allowed. An empty text is an
// empty list; a non-number, an empty field or an odd count raises error 5.
QPolygonF parsePointList(const QString &text);

// A snapshot of a drawing, kept as vectors. Later changes of the surface do
// not change a picture taken before them.
class DrawPicture {
public:
    DrawPicture() = default;
    DrawPicture(QSharedDataPointer<DisplayList> list, double aspect);

    bool isNull() const { return !m_list; }
    // Width / height of the window the drawing was shown in (1 when unknown).
    double aspectRatio() const { return m_aspect; }
    int itemCount() const;

    void paint(QPainter &painter, const QRectF &target, double hairline) const;

private:
    QSharedDataPointer<DisplayList> m_list;
    double m_aspect = 1.0;
};

} // namespace platform::print
