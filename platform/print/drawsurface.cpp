#include "platform/print/drawsurface.h"

#include "platform/print/colors.h"
#include "platform/print/errors.h"
#include "platform/print/fonts.h"

#include <QCursor>
#include <QFile>
#include <QFontMetricsF>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <QtEndian>
#include <cmath>

namespace platform::print {

int mouseButtonCode(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

double textHeightInUnits(const QString &family, bool bold, double size, const QString &text)
{
    // Measured at a large reference size: the fonts are unhinted, so the
    // height scales linearly to the size of the drawing.
    constexpr int kReference = 1000;
    QFont font(family);
    font.setPixelSize(kReference);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF fm(font);
    const qsizetype lines = std::max<qsizetype>(1, text.count(QLatin1Char('\n')) + 1);
    return fm.height() * double(lines) / kReference * std::abs(size);
}

DrawSurface::DrawSurface(QWidget *parent)
    : QWidget(parent), m_list(new DisplayList)
{
    setFontName(QStringLiteral("ＭＳ Ｐゴシック"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void DrawSurface::Clear()
{
    // A picture taken earlier keeps its own copy of the list.
    m_list->items.clear();
    m_list->items.squeeze();
    update();
}

void DrawSurface::setScaleLeft(double value)
{
    m_list->scale.left = value;
    update();
}

void DrawSurface::setScaleTop(double value)
{
    m_list->scale.top = value;
    update();
}

void DrawSurface::setScaleWidth(double value)
{
    if (value == 0 || !std::isfinite(value))
        throwInvalidValue(QStringLiteral("ScaleWidth"));
    m_list->scale.width = value;
    update();
}

void DrawSurface::setScaleHeight(double value)
{
    if (value == 0 || !std::isfinite(value))
        throwInvalidValue(QStringLiteral("ScaleHeight"));
    m_list->scale.height = value;
    update();
}

void DrawSurface::setFontName(const QString &name)
{
    m_fontName = name;
    m_family = resolveFontFamily(name);
}

void DrawSurface::setFontSize(double size)
{
    if (!(size > 0) || !std::isfinite(size))
        throwInvalidValue(QStringLiteral("FontSize"));
    m_fontSize = size;
}

void DrawSurface::setPenColor(std::uint32_t color)
{
    oleColor(color); // validates
    m_pen.color = color;
}

void DrawSurface::setPenWidth(double width)
{
    if (width < 0 || !std::isfinite(width))
        throwInvalidValue(QStringLiteral("PenWidth"));
    m_pen.width = width;
}

void DrawSurface::setPenStyle(int style)
{
    if (style < 0 || style > 5)
        throwInvalidValue(QStringLiteral("PenStyle"));
    m_pen.style = style;
}

void DrawSurface::setBrushColor(std::uint32_t color)
{
    oleColor(color);
    m_brush.color = color;
}

void DrawSurface::setBrushStyle(int style)
{
    if (style < 0 || style > 7)
        throwInvalidValue(QStringLiteral("BrushStyle"));
    m_brush.style = style;
}

void DrawSurface::setTextAlign(int align)
{
    if (align < 0 || align > 2)
        throwInvalidValue(QStringLiteral("TextAlign"));
    m_align = align;
}

DrawItem DrawSurface::newItem(DrawKind kind) const
{
    DrawItem item;
    item.kind = kind;
    item.pen = m_pen;
    item.brush = m_brush;
    return item;
}

void DrawSurface::append(DrawItem &&item)
{
    m_list->items.append(std::move(item));
    update();
}

void DrawSurface::setText(const QString &text)
{
    m_lastText = text;
    DrawItem item = newItem(DrawKind::Text);
    item.points = QPolygonF({QPointF(m_textX, m_textY)});
    item.text = text;
    item.family = m_family;
    item.fontSize = m_fontSize;
    item.bold = m_bold;
    item.angle = m_angle;
    item.align = m_align;
    append(std::move(item));
}

double DrawSurface::TextHeight(const QString &text) const
{
    return textHeightInUnits(m_family, m_bold, m_fontSize, text);
}

void DrawSurface::DrawLine(double x1, double y1, double x2, double y2)
{
    DrawItem item = newItem(DrawKind::Line);
    item.points = QPolygonF({QPointF(x1, y1), QPointF(x2, y2)});
    append(std::move(item));
}

void DrawSurface::DrawRectangle(double x1, double y1, double x2, double y2)
{
    DrawItem item = newItem(DrawKind::Rectangle);
    item.points = QPolygonF({QPointF(x1, y1), QPointF(x2, y2)});
    append(std::move(item));
}

void DrawSurface::DrawEllipse(double x1, double y1, double x2, double y2)
{
    DrawItem item = newItem(DrawKind::Ellipse);
    item.points = QPolygonF({QPointF(x1, y1), QPointF(x2, y2)});
    append(std::move(item));
}

void DrawSurface::Polygon(const QString &points)
{
    QPolygonF parsed = parsePointList(points);
    if (parsed.isEmpty())
        return;
    DrawItem item = newItem(DrawKind::Polygon);
    item.points = std::move(parsed);
    append(std::move(item));
}

void DrawSurface::Polyline(const QString &points)
{
    QPolygonF parsed = parsePointList(points);
    if (parsed.isEmpty())
        return;
    DrawItem item = newItem(DrawKind::Polyline);
    item.points = std::move(parsed);
    append(std::move(item));
}

DrawPicture DrawSurface::Picture() const
{
    const double aspect = height() > 0 ? double(width()) / double(height()) : 1.0;
    return DrawPicture(m_list, aspect);
}

void DrawSurface::setMousePointer(int pointer)
{
    switch (pointer) {
    case 0: case 1: case 2: case 3: case 11: case 99:
        break;
    default:
        throwInvalidValue(QStringLiteral("MousePointer"));
    }
    m_mousePointer = pointer;
    applyCursor();
}

void DrawSurface::setMouseIcon(const QPixmap &icon, const QPoint &hotSpot)
{
    m_mouseIcon = icon;
    m_hotSpot = hotSpot;
    applyCursor();
}

void DrawSurface::loadMouseIcon(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        platform::raise(platform::err::FileNotFound, platform::errorDescription(platform::err::FileNotFound, path));
    if (!file.open(QIODevice::ReadOnly))
        platform::raise(platform::err::PermissionDenied, platform::errorDescription(platform::err::PermissionDenied, path));
    const QByteArray data = file.readAll();
    QPoint hotSpot(-1, -1);
    // A .cur file is an icon directory of type 2 whose first entry carries
    // the hot spot where an icon keeps its planes and bit count.
    if (data.size() >= 22 && qFromLittleEndian<quint16>(data.constData()) == 0
        && qFromLittleEndian<quint16>(data.constData() + 2) == 2) {
        hotSpot = QPoint(qFromLittleEndian<quint16>(data.constData() + 10),
                         qFromLittleEndian<quint16>(data.constData() + 12));
        // The icon reader reads cursors once the type says icon.
        QByteArray asIcon = data;
        asIcon[2] = 1;
        QImage image = QImage::fromData(asIcon, "ICO");
        if (!image.isNull()) {
            setMouseIcon(QPixmap::fromImage(image), hotSpot);
            return;
        }
    }
    QImage image = QImage::fromData(data);
    if (image.isNull())
        platform::raise(platform::err::InvalidPicture, platform::errorDescription(platform::err::InvalidPicture, path));
    setMouseIcon(QPixmap::fromImage(image), hotSpot);
}

void DrawSurface::applyCursor()
{
    switch (m_mousePointer) {
    case 1: setCursor(Qt::ArrowCursor); break;
    case 2: setCursor(Qt::CrossCursor); break;
    case 3: setCursor(Qt::IBeamCursor); break;
    case 11: setCursor(Qt::WaitCursor); break;
    case 99:
        if (!m_mouseIcon.isNull())
            setCursor(QCursor(m_mouseIcon, m_hotSpot.x(), m_hotSpot.y()));
        else
            unsetCursor();
        break;
    default: unsetCursor(); break;
    }
}

void DrawSurface::setToolTipText(const QString &text)
{
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    setToolTip(text);
    // A tip already shown follows the new text at once.
    if (text.isEmpty())
        QToolTip::hideText();
    else if (QToolTip::isVisible() && underMouse())
        QToolTip::showText(QCursor::pos(), text, this);
}

QPointF DrawSurface::toUser(const QPointF &pixel) const
{
    bool invertible = false;
    const QTransform inverse = m_list.constData()->scale.toTarget(QRectF(rect())).inverted(&invertible);
    return invertible ? inverse.map(pixel) : QPointF();
}

QPointF DrawSurface::toPixel(const QPointF &user) const
{
    return m_list.constData()->scale.toTarget(QRectF(rect())).map(user);
}

void DrawSurface::render(QPainter &painter, const QRectF &target, double hairline) const
{
    m_list.constData()->replay(painter, target, hairline);
}

void DrawSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    render(painter, QRectF(rect()), 1.0);
}

void DrawSurface::mousePressEvent(QMouseEvent *event)
{
    const QPointF p = toUser(event->position());
    if (event->button() == Qt::LeftButton)
        m_pressedLeft = true;
    emit MouseDown(mouseButtonCode(event->button()), shiftCode(event->modifiers()), p.x(), p.y());
}

void DrawSurface::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = toUser(event->position());
    emit MouseMove(mouseButtonCode(event->buttons()), shiftCode(event->modifiers()), p.x(), p.y());
}

void DrawSurface::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF p = toUser(event->position());
    emit MouseUp(mouseButtonCode(event->button()), shiftCode(event->modifiers()), p.x(), p.y());
    if (event->button() == Qt::LeftButton && m_pressedLeft) {
        m_pressedLeft = false;
        if (rect().contains(event->position().toPoint()))
            emit Click();
    }
}

void DrawSurface::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit DblClick();
    QWidget::mouseDoubleClickEvent(event);
}

void DrawSurface::wheelEvent(QWheelEvent *event)
{
    const QPointF p = toUser(event->position());
    emit MouseWheel(event->angleDelta().y(), shiftCode(event->modifiers()), p.x(), p.y());
    event->accept();
}

} // namespace platform::print
