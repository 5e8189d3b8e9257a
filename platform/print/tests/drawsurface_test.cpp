#include "platform/print/colors.h"
#include "platform/print/drawsurface.h"
#include "platform/print/fonts.h"
#include "platform/runtime/runtime_error.h"
#include "support.h"

#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QWheelEvent>

using namespace platform::print;
using printtest::inkBounds;

namespace {

// The coordinate system of the demand graphs: x -1000..10000, y upward
// from -2250 at the bottom to 17250 at the top.
void graphScale(DrawSurface &s)
{
    s.setScaleWidth(11000);
    s.setScaleLeft(-1000);
    s.setScaleHeight(-19500);
    s.setScaleTop(17250);
}

QImage renderSurface(const DrawSurface &s, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    s.render(p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.end();
    return image;
}

int expectError(const std::function<void()> &f)
{
    try {
        f();
    } catch (const platform::RuntimeError &e) {
        return e.Number();
    }
    return 0;
}

} // namespace

TEST(DrawSurfaceScale, NegativeHeightMakesYGrowUpwardAndMouseRoundTripsUnderResize)
{
    DrawSurface s;
    graphScale(s);
    for (const QSize size : {QSize(1280, 800), QSize(640, 300), QSize(333, 777)}) {
        s.resize(size);
        // Top left corner is (-1000, 17250), bottom right (10000, -2250).
        const QPointF tl = s.toPixel(QPointF(-1000, 17250));
        const QPointF br = s.toPixel(QPointF(10000, -2250));
        EXPECT_NEAR(tl.x(), 0, 1e-6);
        EXPECT_NEAR(tl.y(), 0, 1e-6);
        EXPECT_NEAR(br.x(), size.width(), 1e-6);
        EXPECT_NEAR(br.y(), size.height(), 1e-6);
        // The plot's top edge lies above its base line on screen.
        EXPECT_LT(s.toPixel(QPointF(0, 15000)).y(), s.toPixel(QPointF(0, 0)).y());
        for (const QPointF user : {QPointF(0, 0), QPointF(4800, 7500), QPointF(9600, 15000), QPointF(-700, 10500)}) {
            const QPointF back = s.toUser(s.toPixel(user));
            EXPECT_NEAR(back.x(), user.x(), 1e-6);
            EXPECT_NEAR(back.y(), user.y(), 1e-6);
        }
    }
}

TEST(DrawSurfaceScale, MouseEventsReportUserCoordinatesAndButtons)
{
    DrawSurface s;
    graphScale(s);
    s.resize(1100, 975); // 10 user units per pixel across, 20 down
    struct Seen {
        int button = -1, shift = -1;
        double x = 0, y = 0;
    } down, move, up, wheel;
    int clicks = 0;
    QObject::connect(&s, &DrawSurface::MouseDown, [&](int b, int sh, double x, double y) { down = {b, sh, x, y}; });
    QObject::connect(&s, &DrawSurface::MouseMove, [&](int b, int sh, double x, double y) { move = {b, sh, x, y}; });
    QObject::connect(&s, &DrawSurface::MouseUp, [&](int b, int sh, double x, double y) { up = {b, sh, x, y}; });
    QObject::connect(&s, &DrawSurface::MouseWheel, [&](int d, int sh, double x, double y) { wheel = {d, sh, x, y}; });
    QObject::connect(&s, &DrawSurface::Click, [&] { ++clicks; });

    const QPointF pixel(100, 862.5); // user (0, 0)
    QMouseEvent moveEv(QEvent::MouseMove, pixel, s.mapToGlobal(pixel), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&s, &moveEv);
    EXPECT_NEAR(move.x, 0, 1e-6);
    EXPECT_NEAR(move.y, 0, 1e-6);
    EXPECT_EQ(move.button, 0);

    const QPointF p2(580, 100); // user (4800, 15250)
    QMouseEvent press(QEvent::MouseButtonPress, p2, s.mapToGlobal(p2), Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&s, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p2, s.mapToGlobal(p2), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&s, &release);
    EXPECT_EQ(down.button, 1);
    EXPECT_EQ(down.shift, 1);
    EXPECT_NEAR(down.x, 4800, 1e-6);
    EXPECT_NEAR(down.y, 15250, 1e-6);
    EXPECT_EQ(up.button, 1);
    EXPECT_EQ(clicks, 1);

    // The right button reports 2 and is no click.
    QMouseEvent rpress(QEvent::MouseButtonPress, p2, s.mapToGlobal(p2), Qt::RightButton, Qt::RightButton, Qt::ControlModifier);
    QApplication::sendEvent(&s, &rpress);
    QMouseEvent rrelease(QEvent::MouseButtonRelease, p2, s.mapToGlobal(p2), Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&s, &rrelease);
    EXPECT_EQ(down.button, 2);
    EXPECT_EQ(down.shift, 2);
    EXPECT_EQ(clicks, 1);

    QWheelEvent w(pixel, s.mapToGlobal(pixel), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(&s, &w);
    EXPECT_EQ(wheel.button, -120); // turned toward the user
    EXPECT_NEAR(wheel.y, 0, 1e-6);
}

TEST(DrawSurfaceState, StateOutlivesDrawingAndClearAndIsRecordedPerItem)
{
    DrawSurface s;
    s.setFontBold(true);
    s.setTextAlign(2);
    s.setPenWidth(50);
    s.setPenStyle(2);
    s.setPenColor(RGB(10, 20, 30));
    s.setBrushColor(RGB(200, 200, 200));
    s.setTextX(9650);
    s.setTextY(7725);
    s.setText(QStringLiteral("80"));
    s.Clear();
    EXPECT_TRUE(s.displayList().items.isEmpty());
    // Clear removes the drawing, not the state.
    EXPECT_TRUE(s.FontBold());
    EXPECT_EQ(s.TextAlign(), 2);
    EXPECT_EQ(s.PenWidth(), 50);
    EXPECT_EQ(s.PenStyle(), 2);
    EXPECT_EQ(s.PenColor(), RGB(10, 20, 30));
    EXPECT_EQ(s.TextX(), 9650);
    EXPECT_EQ(s.TextY(), 7725);

    s.setText(QStringLiteral("bold right"));
    s.DrawLine(0, 1, 2, 3);
    s.setFontBold(false);
    s.setPenStyle(0);
    s.setText(QStringLiteral("regular"));
    s.DrawRectangle(0, 0, 10, 10);
    const auto &items = s.displayList().items;
    ASSERT_EQ(items.size(), 4);
    EXPECT_TRUE(items[0].bold);
    EXPECT_EQ(items[0].align, 2);
    EXPECT_EQ(items[1].pen.style, 2);
    EXPECT_EQ(items[1].pen.width, 50);
    EXPECT_FALSE(items[2].bold);
    EXPECT_EQ(items[2].align, 2); // alignment left over from before
    EXPECT_EQ(items[3].pen.style, 0);
    EXPECT_EQ(items[3].brush.color, RGB(200, 200, 200));
    EXPECT_EQ(s.Text(), QStringLiteral("regular"));
}

TEST(DrawSurfaceState, InvalidValuesAreRefused)
{
    DrawSurface s;
    EXPECT_EQ(expectError([&] { s.setScaleHeight(0); }), 380);
    EXPECT_EQ(expectError([&] { s.setScaleWidth(0); }), 380);
    EXPECT_EQ(expectError([&] { s.setTextAlign(3); }), 380);
    EXPECT_EQ(expectError([&] { s.setPenStyle(9); }), 380);
    EXPECT_EQ(expectError([&] { s.setBrushStyle(-1); }), 380);
    EXPECT_EQ(expectError([&] { s.setPenColor(0x01000000u); }), 380);
    EXPECT_EQ(expectError([&] { s.setMousePointer(42); }), 380);
    EXPECT_EQ(s.ScaleHeight(), 10000); // unchanged by the refused value
}

TEST(DrawSurfacePoints, PointListsParseWithTrailingCommaAndRejectGarbage)
{
    const QPolygonF pts = parsePointList(QStringLiteral("200,0,200,7500.5,0,7500.5,0,0,"));
    ASSERT_EQ(pts.size(), 4);
    EXPECT_EQ(pts[1], QPointF(200, 7500.5));
    EXPECT_EQ(pts[3], QPointF(0, 0));
    EXPECT_EQ(parsePointList(QStringLiteral(" 1 , -2 ,3,4")).value(0), QPointF(1, -2));
    EXPECT_TRUE(parsePointList(QString()).isEmpty());
    EXPECT_EQ(expectError([] { parsePointList(QStringLiteral("1,2,3,")); }), 5);
    EXPECT_EQ(expectError([] { parsePointList(QStringLiteral("1,,2,3")); }), 5);
    EXPECT_EQ(expectError([] { parsePointList(QStringLiteral("1,2,x,4")); }), 5);
    EXPECT_EQ(expectError([] { parsePointList(QStringLiteral("1,2,nan,4")); }), 5);

    DrawSurface s;
    s.Polygon(QStringLiteral("0,0,10,0,10,10,"));
    s.Polyline(QStringLiteral("0,0,5,5,"));
    s.Polygon(QString()); // nothing to draw
    ASSERT_EQ(s.displayList().items.size(), 2);
    EXPECT_EQ(s.displayList().items[0].kind, DrawKind::Polygon);
    EXPECT_EQ(s.displayList().items[1].points.size(), 2);
}

TEST(DrawSurfaceText, AlignmentAnchorsAndTopEdge)
{
    DrawSurface s;
    s.setScaleLeft(0);
    s.setScaleTop(1000);
    s.setScaleWidth(1000);
    s.setScaleHeight(-1000); // 1 unit = 0.4 px in a 400 x 400 image
    s.setFontName(QStringLiteral("ＭＳ ゴシック"));
    s.setFontSize(60);
    const QSize size(400, 400);
    // Anchor (500, 800) is pixel (200, 80).
    QRect ink[3];
    for (int align = 0; align < 3; ++align) {
        s.Clear();
        s.setTextAlign(align);
        s.setTextX(500);
        s.setTextY(800);
        s.setText(QStringLiteral("HHHH"));
        ink[align] = inkBounds(renderSurface(s, size));
        ASSERT_FALSE(ink[align].isNull());
        // The top of the text lies at the anchor, the glyphs below it.
        EXPECT_GE(ink[align].top(), 80);
        EXPECT_LE(ink[align].top(), 80 + 8);
    }
    EXPECT_NEAR(ink[0].left(), 200, 4);
    EXPECT_NEAR(ink[2].right(), 200, 4);
    EXPECT_NEAR((ink[1].left() + ink[1].right()) / 2.0, 200, 3);

    // A quarter turn reads upward, centred on the anchor in both directions.
    s.Clear();
    s.setTextAlign(1);
    s.setTextAngle(900);
    s.setTextX(500);
    s.setTextY(500);
    s.setText(QStringLiteral("HHHHHH"));
    const QRect turned = inkBounds(renderSurface(s, size));
    EXPECT_GT(turned.height(), 2 * turned.width());
    EXPECT_NEAR(turned.center().y(), 200, 4);
    EXPECT_NEAR(turned.center().x(), 200, 5);
}

TEST(DrawSurfaceText, TextHeightFollowsFontSizeAndLines)
{
    DrawSurface s;
    s.setFontName(QStringLiteral("ＭＳ ゴシック"));
    s.setFontSize(450);
    const double h = s.TextHeight(QStringLiteral("デ"));
    EXPECT_GT(h, 400);
    EXPECT_LT(h, 700);
    s.setFontSize(900);
    EXPECT_NEAR(s.TextHeight(QStringLiteral("デ")), 2 * h, 1e-6);
    EXPECT_NEAR(s.TextHeight(QStringLiteral("a\nb")), 4 * h, 1e-6);
}

TEST(DrawSurfaceColours, LongColoursAreBlueGreenRed)
{
    EXPECT_EQ(oleColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(oleColor(0xC0C0FF), QColor(255, 192, 192));
    EXPECT_EQ(oleColor(0x80000016u), QColor(227, 227, 227));
    EXPECT_EQ(expectError([] { oleColor(0x800000FFu); }), 380);

    DrawSurface s;
    s.setScaleLeft(0);
    s.setScaleTop(0);
    s.setScaleWidth(100);
    s.setScaleHeight(100);
    s.setPenColor(RGB(255, 0, 0));
    s.setBrushColor(RGB(0, 0, 255));
    s.DrawRectangle(10, 10, 90, 90);
    const QImage img = renderSurface(s, QSize(100, 100));
    EXPECT_EQ(img.pixelColor(50, 50), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(50, 10), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(5, 5), QColor(255, 255, 255));
}

TEST(DrawSurfacePicture, PictureIsASnapshot)
{
    DrawSurface s;
    s.resize(400, 200);
    s.DrawLine(0, 0, 10, 10);
    s.DrawLine(0, 10, 10, 0);
    const DrawPicture pic = s.Picture();
    EXPECT_EQ(pic.itemCount(), 2);
    EXPECT_DOUBLE_EQ(pic.aspectRatio(), 2.0);
    s.Clear();
    s.DrawEllipse(0, 0, 5, 5);
    EXPECT_EQ(pic.itemCount(), 2);
    EXPECT_EQ(s.displayList().items.size(), 1);
}

TEST(DrawSurfacePointer, CursorFileGivesCustomPointerWithHotSpot)
{
    QTemporaryDir dir;
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::black);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&buffer, "ico").write(icon));
    QByteArray cur = buffer.data();
    cur[2] = 2;             // a cursor
    cur[10] = 5;            // hot spot x
    cur[12] = 7;            // hot spot y
    const QString path = dir.filePath(QStringLiteral("harrow.cur"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cur);
    f.close();

    DrawSurface s;
    s.loadMouseIcon(path);
    EXPECT_FALSE(s.MouseIcon().isNull());
    s.setMousePointer(99);
    EXPECT_EQ(s.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(s.cursor().hotSpot(), QPoint(5, 7));
    s.setMousePointer(0);
    EXPECT_EQ(s.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(expectError([&] { s.loadMouseIcon(dir.filePath(QStringLiteral("none.cur"))); }), 53);

    s.setToolTipText(QStringLiteral("12.3 kW"));
    EXPECT_EQ(s.toolTip(), QStringLiteral("12.3 kW"));
    s.setToolTipText(QString());
    EXPECT_TRUE(s.toolTip().isEmpty());
}

TEST(DrawSurfaceMouse, AnIconThatCannotBeLoadedIsToldInJapaneseWithItsPath)
{
    QTemporaryDir dir;
    const auto failureOf = [](const std::function<void()> &f) {
        try {
            f();
        } catch (const platform::RuntimeError &e) {
            return std::make_pair(e.Number(), e.Description());
        }
        return std::make_pair(0, QString());
    };
    DrawSurface s;
    const QString none = dir.filePath(QStringLiteral("none.cur"));
    EXPECT_EQ(failureOf([&] { s.loadMouseIcon(none); }),
              std::make_pair(53, QStringLiteral("ファイルが見つかりません。(%1)").arg(none)));
    const QString garbage = dir.filePath(QStringLiteral("garbage.cur"));
    QFile f(garbage);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a cursor at all");
    f.close();
    EXPECT_EQ(failureOf([&] { s.loadMouseIcon(garbage); }),
              std::make_pair(481, QStringLiteral("ピクチャが不正です。(%1)").arg(garbage)));
    EXPECT_TRUE(s.MouseIcon().isNull()) << "a refused icon leaves the surface as it was";
}

TEST(DrawSurfaceFonts, WindowsNamesResolveToInstalledJapaneseFaces)
{
    EXPECT_EQ(resolveFontFamily(QStringLiteral("ＭＳ ゴシック")), QStringLiteral("IPAGothic"));
    EXPECT_EQ(resolveFontFamily(QStringLiteral("MS Gothic")), QStringLiteral("IPAGothic"));
    EXPECT_EQ(resolveFontFamily(QStringLiteral("ＭＳ Ｐゴシック")), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(resolveFontFamily(QStringLiteral("MS UI Gothic")), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(resolveFontFamily(QStringLiteral("ＭＳ 明朝")), QStringLiteral("IPAMincho"));
    EXPECT_EQ(resolveFontFamily(QStringLiteral("Arial")), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(resolveFontFamily(QStringLiteral("No Such Face")), QStringLiteral("IPAPGothic"));
    // The resolved face really is the installed one.
    const QFont font = resolveFont(QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("IPAGothic"));
}

#include "sample_graph.h"

TEST(DrawSurfaceSnapshot, SampleGraphPaintsOnScreenAndIntoAnImage)
{
    DrawSurface s;
    s.resize(1280, 800);
    printtest::drawSampleDayGraph(s);
    const QImage shot = s.grab().toImage();
    const QString path = printtest::artifactsDir() + QStringLiteral("/print_day_graph.png");
    ASSERT_TRUE(shot.save(path));
    // The plot frame's corners land where the scale puts them.
    const QPointF base = s.toPixel(QPointF(0, 0));
    const QPointF top = s.toPixel(QPointF(9600, 15000));
    const QImage img = shot.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(img.pixelColor(int(base.x()) + 1, int(base.y())), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(int(top.x()), int(top.y()) + 5), QColor(0, 0, 0));
    // A grey bar (slot 32, 750 = 11250 units high) and white plot above it.
    const QPointF inBar = s.toPixel(QPointF(6300, 5000));
    EXPECT_EQ(img.pixelColor(inBar.toPoint()), QColor(200, 200, 200));
    const QPointF aboveBar = s.toPixel(QPointF(6300, 13000));
    EXPECT_EQ(img.pixelColor(aboveBar.toPoint()), QColor(255, 255, 255));
    // Rotated labels stay between the plot's base line and the axis caption.
    const QPointF lo = s.toPixel(QPointF(0, -1650));
    QImage strip = img.copy(QRect(QPoint(int(base.x()) + 2, int(base.y()) + 2), QPoint(int(top.x()) - 2, int(lo.y()) - 2)));
    const QRect labels = inkBounds(strip);
    EXPECT_FALSE(labels.isNull());
    EXPECT_GT(labels.top(), 0);
    EXPECT_LT(labels.bottom(), strip.height() - 1);
}

TEST(DrawSurfacePolygon, LargePolygonsFillLikeTheEvenOddRule)
{
    // A bar series and a self-crossing star, both big enough for the row fill.
    QString bars;
    for (int n = 1; n <= 100; ++n)
        bars += QStringLiteral("%1,0,%1,%2,%3,%2,%3,0,").arg(n * 96).arg(1000 + n * 97 % 13000).arg(n * 96 - 96);
    QString star;
    for (int i = 0; i < 101; ++i) {
        const double a = i * 2 * M_PI * 50 / 101; // every 50th vertex of 101: crossings, odd regions
        star += QStringLiteral("%1,%2,").arg(4800 + 4000 * std::cos(a)).arg(7500 + 7000 * std::sin(a));
    }
    for (const QString &points : {bars, star}) {
        DrawSurface s;
        s.setScaleWidth(11000);
        s.setScaleLeft(-1000);
        s.setScaleHeight(-19500);
        s.setScaleTop(17250);
        s.setPenStyle(5);
        s.setBrushColor(RGB(0, 0, 0));
        s.Polygon(points);
        const QSize size(640, 400);
        const QImage mine = renderSurface(s, size);

        QImage reference(size, QImage::Format_RGB32);
        reference.fill(Qt::white);
        QPainter p(&reference);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        const QTransform tr = s.displayList().scale.toTarget(QRectF(0, 0, 640, 400));
        p.drawPolygon(tr.map(parsePointList(points)), Qt::OddEvenFill);
        p.end();

        int differ = 0, black = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                differ += mine.pixel(x, y) != reference.pixel(x, y);
                black += qGray(reference.pixel(x, y)) < 128;
            }
        EXPECT_GT(black, 10000);
        // Only pixels on edges may round the other way.
        EXPECT_LT(differ, black / 50) << differ << " of " << black;
    }
}
