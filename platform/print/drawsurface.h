#pragma once
// The drawing surface of the graphs: a stateful control. Pen, brush, font,
// text angle, alignment and position stay as last set until changed (Clear
// keeps them); every drawing call appends to a display list in user
// coordinates, which the window paints with one transform and which Picture
// hands to the report for printing as vectors. Mouse positions are reported in
// the same user coordinates.
#include "platform/print/displaylist.h"

#include <QPixmap>
#include <QWidget>
#include <cstdint>

namespace platform::print {

class DrawSurface : public QWidget {
    Q_OBJECT
public:
    explicit DrawSurface(QWidget *parent = nullptr);

    // Removes everything drawn; the drawing state is kept.
    void Clear();

    // User coordinates. A width or height of 0 raises error 380.
    double ScaleLeft() const { return m_list->scale.left; }
    void setScaleLeft(double value);
    double ScaleTop() const { return m_list->scale.top; }
    void setScaleTop(double value);
    double ScaleWidth() const { return m_list->scale.width; }
    void setScaleWidth(double value);
    double ScaleHeight() const { return m_list->scale.height; }
    void setScaleHeight(double value);

    // Font of later texts; the size is in user units of text height.
    QString FontName() const { return m_fontName; }
    void setFontName(const QString &name);
    double FontSize() const { return m_fontSize; }
    void setFontSize(double size);
    bool FontBold() const { return m_bold; }
    void setFontBold(bool bold) { m_bold = bold; }

    // Outline of later shapes: colour 0x00BBGGRR, width in user units (0 =
    // thinnest), style 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none.
    std::uint32_t PenColor() const { return m_pen.color; }
    void setPenColor(std::uint32_t color);
    double PenWidth() const { return m_pen.width; }
    void setPenWidth(double width);
    int PenStyle() const { return m_pen.style; }
    void setPenStyle(int style);

    // Fill of later shapes: style 0 solid, 1 none, 2..7 hatches.
    std::uint32_t BrushColor() const { return m_brush.color; }
    void setBrushColor(std::uint32_t color);
    int BrushStyle() const { return m_brush.style; }
    void setBrushStyle(int style);

    // Text: angle in tenths of a degree anticlockwise; alignment 0 left,
    // 1 centre, 2 right (the anchor is the left end, middle or right end); the
    // top of horizontal text lies at TextY, rotated text turns about the
    // anchor at the middle of its height.
    double TextAngle() const { return m_angle; }
    void setTextAngle(double angle) { m_angle = angle; }
    int TextAlign() const { return m_align; }
    void setTextAlign(int align);
    double TextX() const { return m_textX; }
    void setTextX(double x) { m_textX = x; }
    double TextY() const { return m_textY; }
    void setTextY(double y) { m_textY = y; }

    // Writing Text draws it at the anchor; reading returns the last text drawn.
    QString Text() const { return m_lastText; }
    void setText(const QString &text);
    // Height of the text in the current font, in user units (positive).
    double TextHeight(const QString &text) const;

    void DrawLine(double x1, double y1, double x2, double y2);
    void DrawRectangle(double x1, double y1, double x2, double y2);
    void DrawEllipse(double x1, double y1, double x2, double y2);
    // "x,y,x,y," point lists (see parsePointList).
    void Polygon(const QString &points);
    void Polyline(const QString &points);

    // The drawing as it is now, for printing.
    DrawPicture Picture() const;

    // Pointer over the surface: 0 default, 1 arrow, 2 cross, 3 I-beam,
    // 11 hourglass, 99 the custom MouseIcon; other values raise error 380.
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);
    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap &icon, const QPoint &hotSpot = QPoint(-1, -1));
    // Loads a cursor (.cur, .ico) or image file as the MouseIcon, with the
    // hot spot of a .cur file. A missing file raises 53, a bad one 481.
    void loadMouseIcon(const QString &path);

    QString ToolTipText() const { return m_toolTip; }
    void setToolTipText(const QString &text);

    // The list drawn so far, and the mapping of the window's pixels.
    const DisplayList &displayList() const { return *m_list.constData(); }
    QPointF toUser(const QPointF &pixel) const;
    QPointF toPixel(const QPointF &user) const;

    // Paints the drawing into target of any painter (image, printer, PDF).
    void render(QPainter &painter, const QRectF &target, double hairline = 1.0) const;

signals:
    // button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt; x, y user units.
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void Click();
    void DblClick();
    // delta as the wheel reports it: positive turned away from the user.
    void MouseWheel(int delta, int shift, double x, double y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    DrawItem newItem(DrawKind kind) const;
    void append(DrawItem &&item);
    void applyCursor();

    QSharedDataPointer<DisplayList> m_list;
    QString m_fontName;
    QString m_family;
    double m_fontSize = 450;
    bool m_bold = false;
    PenState m_pen;
    BrushState m_brush;
    double m_angle = 0;
    int m_align = 0;
    double m_textX = 0;
    double m_textY = 0;
    QString m_lastText;
    int m_mousePointer = 0;
    QPixmap m_mouseIcon;
    QPoint m_hotSpot{-1, -1};
    QString m_toolTip;
    bool m_pressedLeft = false;
};

// Button and shift codes of a mouse event, as the surface reports them.
int mouseButtonCode(Qt::MouseButtons buttons);
int shiftCode(Qt::KeyboardModifiers modifiers);

// Height of a text in a font of the given family and size in user units.
double textHeightInUnits(const QString &family, bool bold, double size, const QString &text);

} // namespace platform::print
