// The demand graph: display lists of the day, month and year graphs, the hit
// boxes and their round trip through the window's pixels, and snapshots.
#include "platform/print/colors.h"
#include "platform/print/drawsurface.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/dataview/clsGraph.h"
#include "talvik/store/demandTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using platform::print::DrawItem;
using platform::print::DrawKind;
using platform::print::DrawSurface;
using platform::print::RGB;
using talvik::clsGraph;
using talvik::GraphBar;

const QString kCustomer = QStringLiteral("東邦工業");
constexpr int kLadder[] = {50, 75, 100, 150, 200, 300, 500, 750, 1000};

// A table line: getdt (YYMMDD), gettm (HHMM), watt (4 digits), created.
QString row(const QString &yymmdd, const QString &hhmm, int watt)
{
    return yymmdd + hhmm + platform::FormatZero(watt, 4) + QStringLiteral("202405312359");
}

class GraphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("TALVIK_HOME", dir.path().toUtf8());
        surface.resize(1280, 800);
    }
    void TearDown() override { qunsetenv("TALVIK_HOME"); }

    QString yearKey(const QString &yyyy = QStringLiteral("2024")) const
    {
        return QStringLiteral("\\dDB.tran\\") + kCustomer + QStringLiteral("\\") + yyyy + QStringLiteral("年");
    }
    QString path(const QString &key) const { return dir.path() + key; }

    void writeYear(const QStringList &lines, const QString &yyyy = QStringLiteral("2024"))
    {
        const QString folder = path(yearKey(yyyy));
        ASSERT_TRUE(QDir().mkpath(platform::shell::toNativePath(folder)));
        talvik::TableWriter().replaceTable(folder, lines, false);
    }

    void draw(const QString &key, int style, int outValue, int threshold, int scale)
    {
        graph.setGraphData(surface, path(key), style, outValue, threshold, scale);
    }

    const QVector<DrawItem> &items() const { return surface.displayList().items; }
    QVector<DrawItem> itemsOf(DrawKind kind) const
    {
        QVector<DrawItem> out;
        for (const DrawItem &i : items())
            if (i.kind == kind)
                out << i;
        return out;
    }
    QVector<DrawItem> texts(const QString &text) const
    {
        QVector<DrawItem> out;
        for (const DrawItem &i : items())
            if (i.kind == DrawKind::Text && i.text == text)
                out << i;
        return out;
    }
    // Tick texts: right-aligned numbers at x -100, in drawing order.
    QStringList tickTexts() const
    {
        QStringList out;
        for (const DrawItem &i : items())
            if (i.kind == DrawKind::Text && i.align == 2 && i.points[0].x() == -100)
                out << i.text;
        return out;
    }
    QVector<DrawItem> thresholdLines() const
    {
        QVector<DrawItem> out;
        for (const DrawItem &i : itemsOf(DrawKind::Line))
            if (i.pen.width == 50)
                out << i;
        return out;
    }

    QTemporaryDir dir;
    DrawSurface surface;
    clsGraph graph;
};

} // namespace

// ---------------------------------------------------------------- day graph

TEST_F(GraphTest, DayBarGraphPlacesHalfHoursAndSkipsOtherTimes)
{
    writeYear({row("240515", "0000", 500), row("240515", "1015", 900), row("240515", "1030", 1000),
               row("240515", "2330", 250), row("240516", "0100", 777)});
    draw(yearKey() + "::240515", clsGraph::styleBar, clsGraph::valueMaximum, 0, 100);

    const auto &b = graph.bars();
    ASSERT_EQ(b.size(), 48u);
    // 00:00 is slot 1, 10:30 slot 22, 23:30 slot 48.
    EXPECT_EQ(b[0].label, "00:00");
    EXPECT_EQ(b[0].value, "0500");
    EXPECT_FLOAT_EQ(b[0].x1, 0);
    EXPECT_FLOAT_EQ(b[0].x2, 200);
    EXPECT_FLOAT_EQ(b[0].y1, 0);
    EXPECT_FLOAT_EQ(b[0].y2, 7500);
    EXPECT_EQ(b[21].label, "10:30");
    EXPECT_FLOAT_EQ(b[21].x1, 4200);
    EXPECT_FLOAT_EQ(b[21].y2, 15000);
    EXPECT_EQ(b[47].label, "23:30");
    EXPECT_FLOAT_EQ(b[47].y2, 3750);
    // 10:15 and the other day's row take no slot.
    int used = 0;
    for (const GraphBar &bar : b) {
        EXPECT_NE(bar.label, "10:15");
        EXPECT_NE(bar.value, "0777");
        used += bar.label.isEmpty() ? 0 : 1;
    }
    EXPECT_EQ(used, 3);

    // One polygon along the base line: four points per bar, grey.
    const auto polys = itemsOf(DrawKind::Polygon);
    ASSERT_EQ(polys.size(), 1);
    EXPECT_EQ(polys[0].points.size(), 12);
    EXPECT_EQ(polys[0].brush.color, RGB(200, 200, 200));
    EXPECT_EQ(polys[0].points[0], QPointF(200, 0));
    EXPECT_EQ(polys[0].points[1], QPointF(200, 7500));
    EXPECT_EQ(polys[0].points[2], QPointF(0, 7500));

    // The value at the top of the scale gets the arrow above its slot.
    const auto arrows = texts("↑");
    ASSERT_EQ(arrows.size(), 1);
    EXPECT_EQ(arrows[0].points[0], QPointF(4300, 15450));

    // Labels: full hours regular, the maximum bold, other half hours left out.
    const auto midnight = texts("00:00");
    ASSERT_EQ(midnight.size(), 1);
    EXPECT_FALSE(midnight[0].bold);
    EXPECT_EQ(midnight[0].angle, 900);
    EXPECT_EQ(midnight[0].points[0], QPointF(100, -750));
    const auto maximum = texts("10:30");
    ASSERT_EQ(maximum.size(), 1);
    EXPECT_TRUE(maximum[0].bold);
    EXPECT_TRUE(texts("23:30").isEmpty());

    EXPECT_EQ(texts("時　　間").size(), 1);
    EXPECT_EQ(texts("時　　間")[0].points[0], QPointF(5000, -1650));
    EXPECT_EQ(texts(QStringLiteral("時　間　別　の　電　力　（") + kCustomer + " 2024年05月15日）").size(), 1);
    EXPECT_EQ(graph.graphCaption(), kCustomer + " 2024年05月15日");
    // The plot: a white rectangle with a black outline.
    const auto rects = itemsOf(DrawKind::Rectangle);
    ASSERT_EQ(rects.size(), 1);
    EXPECT_EQ(rects[0].points[1], QPointF(9600, 15000));
    EXPECT_EQ(rects[0].brush.color, RGB(255, 255, 255));
    EXPECT_EQ(surface.TextAngle(), 0);
}

TEST_F(GraphTest, DayLineGraphMarkersBoxesAndSharedMaximum)
{
    writeYear({row("240515", "0900", 400), row("240515", "0930", 600), row("240515", "1000", 600),
               row("240515", "1030", 200)});
    draw(yearKey() + "::240515", clsGraph::styleLine, clsGraph::valueMaximum, 0, 100);

    const auto &b = graph.bars();
    // 09:30 is slot 20, centre 3900; the box reaches 40 and 120 around the point.
    EXPECT_EQ(b[19].label, "09:30");
    EXPECT_FLOAT_EQ(b[19].x1, 3860);
    EXPECT_FLOAT_EQ(b[19].x2, 3940);
    EXPECT_FLOAT_EQ(b[19].y1, 9000 - 120);
    EXPECT_FLOAT_EQ(b[19].y2, 9000 + 120);

    const auto markers = itemsOf(DrawKind::Ellipse);
    ASSERT_EQ(markers.size(), 4);
    EXPECT_EQ(markers[1].points[0], QPointF(3880, 9060));
    EXPECT_EQ(markers[1].brush.color, RGB(0, 0, 0));
    const auto lines = itemsOf(DrawKind::Polyline);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].points, QPolygonF({QPointF(3700, 6000), QPointF(3900, 9000), QPointF(4100, 9000),
                                          QPointF(4300, 3000)}));
    EXPECT_TRUE(itemsOf(DrawKind::Polygon).isEmpty());

    // 47 dotted slot rules across the plot, plus the 9 dotted tick rules.
    int dottedVertical = 0;
    for (const DrawItem &l : itemsOf(DrawKind::Line))
        if (l.pen.style == 2 && l.points[0].x() == l.points[1].x())
            ++dottedVertical;
    EXPECT_EQ(dottedVertical, 47);

    // Both slots of the maximum are labelled bold, the half-hour one too.
    ASSERT_EQ(texts("09:30").size(), 1);
    EXPECT_TRUE(texts("09:30")[0].bold);
    ASSERT_EQ(texts("10:00").size(), 1);
    EXPECT_TRUE(texts("10:00")[0].bold);
    EXPECT_FALSE(texts("09:00")[0].bold);
    EXPECT_TRUE(texts("10:30").isEmpty());
}

TEST_F(GraphTest, DayValuesAtAndAboveTheScaleAreClippedWithArrow)
{
    // Scale 50: factor 30 per tenth; 499 -> 14970, 500 -> 15000, 900 -> clipped.
    writeYear({row("240601", "0000", 499), row("240601", "0030", 500), row("240601", "0100", 900)});
    draw(yearKey() + "::240601", clsGraph::styleBar, clsGraph::valueMaximum, 0, 50);
    const auto &b = graph.bars();
    EXPECT_FLOAT_EQ(b[0].y2, 14970);
    EXPECT_FLOAT_EQ(b[1].y2, 15000);
    EXPECT_FLOAT_EQ(b[2].y2, 15000);
    EXPECT_EQ(b[2].value, "0900");
    EXPECT_EQ(texts("↑").size(), 2);
    for (const DrawItem &i : items()) {
        if (i.kind == DrawKind::Text)
            continue;
        for (const QPointF &p : i.points) {
            EXPECT_LE(p.y(), 15000);
        }
    }
}

TEST_F(GraphTest, DayWithoutRowsStillDrawsFrameTicksThresholdAndTitle)
{
    writeYear({row("240501", "0000", 100)});
    draw(yearKey() + "::240502", clsGraph::styleBar, clsGraph::valueMaximum, 40, 100);
    EXPECT_EQ(graph.bars().size(), 48u);
    for (const GraphBar &bar : graph.bars())
        EXPECT_TRUE(bar.label.isEmpty());
    EXPECT_EQ(itemsOf(DrawKind::Rectangle).size(), 1);
    EXPECT_TRUE(itemsOf(DrawKind::Polygon).isEmpty());
    EXPECT_EQ(tickTexts().size(), 11);
    EXPECT_EQ(thresholdLines().size(), 1);
    EXPECT_EQ(texts(QStringLiteral("時　間　別　の　電　力　（") + kCustomer + " 2024年05月02日）").size(), 1);
    // The vertical caption, one character below the other.
    const auto de = texts("デ");
    const auto chi = texts("値");
    ASSERT_EQ(de.size(), 1);
    ASSERT_EQ(chi.size(), 1);
    EXPECT_EQ(de[0].points[0], QPointF(-700, 10500));
    EXPECT_LT(chi[0].points[0].y(), de[0].points[0].y() - 4 * 1.5 * 100);
    ASSERT_EQ(texts("[kW]").size(), 1);
    EXPECT_EQ(texts("[kW]")[0].points[0], QPointF(-900, 15300));
}

// -------------------------------------------------------------- month graph

TEST_F(GraphTest, MonthGraphTakesRowsInQueryOrderWithDayLabels)
{
    writeYear({row("240501", "0000", 300), row("240501", "0030", 450), row("240502", "1200", 120),
               row("240505", "0800", 990), row("240601", "0800", 999)});
    draw(yearKey() + "::2405", clsGraph::styleBar, clsGraph::valueMaximum, 0, 100);

    const auto &b = graph.bars();
    ASSERT_EQ(b.size(), 31u);
    EXPECT_EQ(b[0].label, "01");
    EXPECT_EQ(b[0].value, "0450");
    EXPECT_EQ(b[1].label, "02");
    EXPECT_EQ(b[2].label, "05");
    EXPECT_EQ(b[2].value, "0990");
    EXPECT_TRUE(b[3].label.isEmpty());
    // Slot 3 spans 620..930; 990 tenths at 100 kW is 14850.
    EXPECT_FLOAT_EQ(b[2].x1, 620);
    EXPECT_FLOAT_EQ(b[2].x2, 930);
    EXPECT_FLOAT_EQ(b[2].y2, 14850);

    const auto five = texts("05");
    ASSERT_EQ(five.size(), 1);
    EXPECT_TRUE(five[0].bold);
    EXPECT_EQ(five[0].angle, 0);
    EXPECT_EQ(five[0].points[0], QPointF(775, -225));
    EXPECT_FALSE(texts("01")[0].bold);
    EXPECT_EQ(texts("　対　象　日　")[0].points[0], QPointF(5000, -900));
    EXPECT_EQ(texts("最").size(), 1);
    EXPECT_TRUE(texts("平").isEmpty());
    EXPECT_EQ(texts(QStringLiteral("日　別　の　最　大　電　力　（") + kCustomer + " 2024年05月）").size(), 1);
    EXPECT_EQ(itemsOf(DrawKind::Rectangle)[0].points[1], QPointF(9610, 15000));
}

TEST_F(GraphTest, MonthAverageIsTakenToTheNearestTenth)
{
    // Day 03: (100 + 101 + 102 + 104) / 4 = 101.75 -> 0102; day 04: 123.333 -> 0123.
    writeYear({row("240703", "0000", 100), row("240703", "0030", 101), row("240703", "0100", 102),
               row("240703", "0130", 104), row("240704", "0000", 123), row("240704", "0030", 123),
               row("240704", "0100", 124)});
    draw(yearKey() + "::2407", clsGraph::styleLine, clsGraph::valueAverage, 0, 100);
    const auto &b = graph.bars();
    EXPECT_EQ(b[0].label, "03");
    EXPECT_EQ(b[0].value, "0102");
    EXPECT_EQ(b[1].value, "0123");
    // Line boxes: 60 either side of the slot centre (155, 465).
    EXPECT_FLOAT_EQ(b[1].x1, 405);
    EXPECT_FLOAT_EQ(b[1].x2, 525);
    EXPECT_FLOAT_EQ(b[1].y1, 1845 - 120);
    EXPECT_EQ(texts("平").size(), 1);
    EXPECT_TRUE(texts("最").isEmpty());
    EXPECT_EQ(texts(QStringLiteral("日　別　の　平　均　電　力　（") + kCustomer + " 2024年07月）").size(), 1);
    // Dotted rules after each point but the last slot of the month.
    int rules = 0;
    for (const DrawItem &l : itemsOf(DrawKind::Line))
        if (l.pen.style == 2 && l.points[0].x() == l.points[1].x())
            ++rules;
    EXPECT_EQ(rules, 2);
}

TEST_F(GraphTest, LeapDayAndShortMonthsFillTheirOwnSlots)
{
    writeYear({row("240228", "0000", 200), row("240229", "2330", 321)});
    draw(yearKey() + "::2402", clsGraph::styleBar, clsGraph::valueMaximum, 0, 50);
    EXPECT_EQ(graph.bars()[1].label, "29");
    EXPECT_EQ(graph.bars()[1].value, "0321");
    EXPECT_EQ(texts("29").size(), 1);
    EXPECT_TRUE(texts("29")[0].bold);

    // A full 31-day month uses every slot, the last ending at 9610.
    QStringList lines;
    for (int d = 1; d <= 31; ++d)
        lines << row(QStringLiteral("2501") + platform::FormatZero(d, 2), "1200", 10 * d);
    writeYear(lines, "2025");
    draw(yearKey("2025") + "::2501", clsGraph::styleBar, clsGraph::valueMaximum, 0, 50);
    EXPECT_EQ(graph.bars()[30].label, "31");
    EXPECT_FLOAT_EQ(graph.bars()[30].x2, 9610);
}

// --------------------------------------------------------------- year graph

TEST_F(GraphTest, YearGraphMaximumAndAverageByMonth)
{
    writeYear({row("240110", "0000", 100), row("240111", "0000", 300), row("240315", "0000", 250),
               row("241231", "2330", 800)});
    draw(yearKey(), clsGraph::styleBar, clsGraph::valueMaximum, 0, 100);
    const auto &b = graph.bars();
    ASSERT_EQ(b.size(), 12u);
    EXPECT_EQ(b[0].label, "01");
    EXPECT_EQ(b[0].value, "0300");
    EXPECT_EQ(b[1].label, "03");
    EXPECT_EQ(b[2].label, "12");
    EXPECT_FLOAT_EQ(b[2].x1, 1600);
    EXPECT_FLOAT_EQ(b[2].x2, 2400);
    EXPECT_TRUE(b[3].label.isEmpty());
    EXPECT_EQ(texts("12")[0].points[0], QPointF(2000, -225));
    EXPECT_TRUE(texts("12")[0].bold);
    EXPECT_EQ(texts(QStringLiteral("月　別　の　最　大　電　力　（") + kCustomer + " 2024年）").size(), 1);
    EXPECT_EQ(texts("　対　象　月　").size(), 1);

    draw(yearKey(), clsGraph::styleBar, clsGraph::valueAverage, 0, 100);
    EXPECT_EQ(graph.bars()[0].value, "0200");
    EXPECT_EQ(texts(QStringLiteral("月　別　の　平　均　電　力　（") + kCustomer + " 2024年）").size(), 1);
}

TEST_F(GraphTest, NodesWithoutTableLeaveTheSurfaceEmpty)
{
    writeYear({row("240110", "0000", 100)});
    draw(yearKey(), clsGraph::styleBar, clsGraph::valueMaximum, 0, 100);
    ASSERT_FALSE(items().isEmpty());

    // The customer and the root: no table in their folders.
    for (const QString &key : {QStringLiteral("\\dDB.tran\\") + kCustomer, QStringLiteral("\\dDB.tran")}) {
        draw(key, clsGraph::styleBar, clsGraph::valueMaximum, 50, 100);
        EXPECT_TRUE(items().isEmpty());
        ASSERT_EQ(graph.bars().size(), 12u);
        for (const GraphBar &bar : graph.bars())
            EXPECT_TRUE(bar.label.isEmpty());
        QString month = "keep", value = "keep";
        graph.getSelectedDemandByYear(400, 100, month, value);
        EXPECT_EQ(month, "keep");
        EXPECT_EQ(value, "keep");
    }
    EXPECT_EQ(graph.graphCaption(), "ルート");

    // A month of a year without a table: 31 empty slots.
    draw(yearKey("2023") + "::2305", clsGraph::styleBar, clsGraph::valueMaximum, 0, 100);
    EXPECT_TRUE(items().isEmpty());
    EXPECT_EQ(graph.bars().size(), 31u);
}

TEST_F(GraphTest, ScaleOfZeroIsRefusedBeforeAnythingIsDrawn)
{
    writeYear({row("240110", "0000", 100)});
    try {
        draw(yearKey(), clsGraph::styleBar, clsGraph::valueMaximum, 0, 0);
        FAIL() << "no error";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), 11);
    }
    EXPECT_TRUE(items().isEmpty());
}

// ---------------------------------------------------- ticks, zoom, threshold

TEST_F(GraphTest, TicksFollowEveryRungOfTheScaleLadder)
{
    writeYear({row("240515", "1200", 500)});
    for (int scale : kLadder) {
        SCOPED_TRACE(scale);
        draw(yearKey() + "::240515", clsGraph::styleBar, clsGraph::valueMaximum, 0, scale);
        QStringList expected;
        if (scale == 75)
            expected = {"0", "15", "30", "45", "60", "75"};
        else
            for (int i = 0; i <= 10; ++i)
                expected << QString::number(scale / 10 * i);
        EXPECT_EQ(tickTexts(), expected);
        // The top tick sits on the plot's top edge; 50 kW at height 50 x 15000 / scale.
        const auto top = texts(QString::number(scale));
        ASSERT_FALSE(top.isEmpty());
        EXPECT_EQ(top.back().points[0], QPointF(-100, 15000 + 225));
        const float expectedY = std::min(15000.0, 500.0 * 15000 / (scale * 10.0));
        EXPECT_NEAR(graph.bars()[24].y2, expectedY, 1e-3);
    }
    // The first and last ticks draw no rule; the ones between are dotted.
    draw(yearKey() + "::240515", clsGraph::styleBar, clsGraph::valueMaximum, 0, 75);
    int tickRules = 0;
    for (const DrawItem &l : itemsOf(DrawKind::Line))
        if (l.pen.style == 2 && l.points[0].y() == l.points[1].y()) {
            ++tickRules;
            EXPECT_EQ(l.points[1].x(), 9600);
        }
    EXPECT_EQ(tickRules, 4);
}

TEST_F(GraphTest, ThresholdLineZeroTopAndAboveTheScale)
{
    writeYear({row("240515", "1200", 500)});
    const QString day = yearKey() + "::240515";

    draw(day, clsGraph::styleBar, clsGraph::valueMaximum, 0, 100);
    EXPECT_TRUE(thresholdLines().isEmpty());

    draw(day, clsGraph::styleBar, clsGraph::valueMaximum, 60, 100);
    ASSERT_EQ(thresholdLines().size(), 1);
    EXPECT_EQ(thresholdLines()[0].points, QPolygonF({QPointF(0, 9000), QPointF(9600, 9000)}));
    EXPECT_EQ(thresholdLines()[0].pen.style, 0);
    const auto label = texts("60");
    ASSERT_FALSE(label.isEmpty());
    EXPECT_EQ(label.back().points[0], QPointF(9650, 9225));
    EXPECT_TRUE(label.back().bold);
    EXPECT_EQ(label.back().align, 0);

    draw(day, clsGraph::styleBar, clsGraph::valueMaximum, 100, 100);
    ASSERT_EQ(thresholdLines().size(), 1);
    EXPECT_EQ(thresholdLines()[0].points[0].y(), 15000);

    draw(day, clsGraph::styleBar, clsGraph::valueMaximum, 101, 100);
    EXPECT_TRUE(thresholdLines().isEmpty());

    // Scale 75, threshold 7: 1400 exactly; 1000 kW, 333 -> 4995.
    draw(yearKey(), clsGraph::styleLine, clsGraph::valueMaximum, 7, 75);
    EXPECT_EQ(thresholdLines()[0].points[0].y(), 1400);
    draw(yearKey() + "::2405", clsGraph::styleBar, clsGraph::valueAverage, 333, 1000);
    EXPECT_EQ(thresholdLines()[0].points[0].y(), 4995);
    EXPECT_EQ(thresholdLines()[0].points[1].x(), 9600);
}

// ---------------------------------------------------------------- hit tests

TEST_F(GraphTest, HitTestsAreStrictAndKeepOutputsOnAMiss)
{
    writeYear({row("240515", "1030", 123), row("240515", "1100", 0), row("240516", "0000", 50)});
    draw(yearKey() + "::240515", clsGraph::styleBar, clsGraph::valueMaximum, 0, 100);
    // 10:30 spans 4200..4400 and 0..1845.
    QString time = "old", value = "old";
    graph.getSelectedTimeByDay(4300, 900, time, value);
    EXPECT_EQ(time, "10時30分");
    EXPECT_EQ(value, "0123");

    for (const QPointF p : {QPointF(4200, 900), QPointF(4400, 900), QPointF(4300, 0), QPointF(4300, 1845),
                            QPointF(4300, 1900), QPointF(4500, 0.5)}) {
        QString t = "keep", v = "keep";
        graph.getSelectedTimeByDay(float(p.x()), float(p.y()), t, v);
        EXPECT_EQ(t, "keep") << p.x() << "," << p.y();
        EXPECT_EQ(v, "keep");
    }

    // Month: the value of the hit slot, the day label as it is.
    draw(yearKey() + "::2405", clsGraph::styleLine, clsGraph::valueMaximum, 0, 100);
    QString day, dv;
    graph.getSelectedDemandByMonth(155, float(123 * 15), day, dv);
    EXPECT_EQ(day, "15");
    EXPECT_EQ(dv, "0123");
    day.clear();
    graph.getSelectedDemandByMonth(155 + 61, float(123 * 15), day, dv);
    EXPECT_TRUE(day.isEmpty());
}

// The window's mouse positions come back in logical units that land in the
// boxes the graph drew: for every bar, the pixel of its centre is sent as a
// mouse event and the reported point is hit-tested.
TEST_F(GraphTest, MouseRoundTripThroughWindowPixels)
{
    QStringList lines;
    for (int h = 0; h < 24; ++h)
        lines << row("240515", platform::FormatZero(h * 100, 4), 40 * h + 20)
              << row("240515", platform::FormatZero(h * 100 + 30, 4), 40 * h + 40);
    for (int m = 1; m <= 12; ++m)
        lines << row(QStringLiteral("24") + platform::FormatZero(m, 2) + "01", "0000", 70 * m);
    writeYear(lines);
    surface.show();
    QCoreApplication::processEvents();

    struct Case {
        QString key;
        int style;
    };
    const Case cases[] = {{yearKey() + "::240515", clsGraph::styleBar},
                          {yearKey() + "::240515", clsGraph::styleLine},
                          {yearKey(), clsGraph::styleBar},
                          {yearKey(), clsGraph::styleLine}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key.toStdString() + " style " + std::to_string(c.style));
        draw(c.key, c.style, clsGraph::valueMaximum, 0, 100);
        const bool day = c.key.contains("::");
        int checked = 0;
        for (const GraphBar &bar : graph.bars()) {
            if (bar.label.isEmpty())
                continue;
            const QPointF centre((bar.x1 + bar.x2) / 2, (bar.y1 + bar.y2) / 2);
            const QPointF pixel = surface.toPixel(centre);
            double gotX = 0, gotY = 0;
            QObject::connect(&surface, &DrawSurface::MouseMove, &surface,
                             [&](int, int, double x, double y) { gotX = x; gotY = y; },
                             Qt::SingleShotConnection);
            QMouseEvent move(QEvent::MouseMove, pixel, surface.mapToGlobal(pixel), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&surface, &move);
            QString label, value;
            if (day) {
                graph.getSelectedTimeByDay(float(gotX), float(gotY), label, value);
                EXPECT_EQ(label, QString(bar.label).replace(":", "時") + "分");
            } else {
                graph.getSelectedDemandByYear(float(gotX), float(gotY), label, value);
                EXPECT_EQ(label, bar.label);
            }
            EXPECT_EQ(value, bar.value);
            ++checked;
        }
        EXPECT_EQ(checked, day ? 48 : 12);
    }
}

// ------------------------------------------------------------------ images

TEST_F(GraphTest, SnapshotsOfADayAndAYearGraph)
{
    QStringList lines;
    for (int s = 0; s < 48; ++s)
        lines << row("240515", platform::FormatZero((s / 2) * 100 + (s % 2) * 30, 4), 300 + (s * 37) % 500);
    for (int m = 1; m <= 12; ++m)
        lines << row(QStringLiteral("24") + platform::FormatZero(m, 2) + "10", "1200", 150 + 40 * m);
    writeYear(lines);

    const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS", QDir::tempPath());
    QDir().mkpath(artifacts);
    struct Shot {
        QString key;
        int style;
        QString file;
    };
    for (const Shot &shot : {Shot{yearKey() + "::240515", clsGraph::styleBar, "graph_day.png"},
                             Shot{yearKey(), clsGraph::styleLine, "graph_year.png"}}) {
        draw(shot.key, shot.style, clsGraph::valueMaximum, 60, 100);
        QImage image(1280, 800, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            surface.render(painter, QRectF(0, 0, 1280, 800));
        }
        ASSERT_TRUE(image.save(artifacts + "/" + shot.file));

        // Inside the first slot's bar (or below the year's point) the pixel is
        // the bar grey or the plot white; outside the plot, above the title,
        // it stays the background.
        const GraphBar &first = graph.bars()[0];
        const double insideY = shot.style == clsGraph::styleBar ? first.y2 / 2 : 750;
        const QPointF inside = surface.toPixel(QPointF((first.x1 + first.x2) / 2, insideY));
        const QColor c = image.pixelColor(inside.toPoint());
        if (shot.style == clsGraph::styleBar) {
            EXPECT_EQ(c, QColor(200, 200, 200));
        } else {
            EXPECT_EQ(c, QColor(255, 255, 255));
        }
        // The threshold line (60 kW, 50 units thick) is black across the plot.
        const QPoint onLine = surface.toPixel(QPointF(9000, 9000)).toPoint();
        int darkest = 255;
        for (int dy = -1; dy <= 1; ++dy)
            darkest = std::min(darkest, qGray(image.pixel(onLine.x(), onLine.y() + dy)));
        EXPECT_LT(darkest, 60);
        // Something dark is drawn in the label band below the plot.
        const int labelRow = surface.toPixel(QPointF(0, shot.style == clsGraph::styleBar ? -750 : -400)).y();
        int dark = 0;
        for (int x = 0; x < 1280; ++x)
            if (qGray(image.pixel(x, labelRow)) < 128)
                ++dark;
        EXPECT_GT(dark, 10);
    }
}
