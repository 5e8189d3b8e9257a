#include "talvik/dataview/clsGraph.h"

#include "platform/forms/accessibility.h"

#include "platform/print/colors.h"
#include "platform/print/drawsurface.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "platform/textdb/textdb.h"
#include "talvik/core/basComFunction.h"
#include "talvik/store/demandTable.h"

#include <cmath>

namespace talvik {

namespace {

using platform::print::DrawSurface;
using platform::print::RGB;

constexpr double plotTop = 15000;      // y of the plot's top edge
constexpr double thresholdEnd = 9600;  // the threshold line ends here in every kind
const QString graphFont = QStringLiteral("ＭＳ ゴシック");

// A coordinate of a point list: plain decimal notation, no exponent.
QString coord(double v)
{
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<long long>(v));
    QString s = QString::number(v, 'f', 6);
    while (s.endsWith(u'0'))
        s.chop(1);
    if (s.endsWith(u'.'))
        s.chop(1);
    return s;
}

void appendPoint(QString &points, double x, double y)
{
    points += coord(x);
    points += u',';
    points += coord(y);
    points += u',';
}

// Format(value, "0000") of a numeric text: the value rounded to a whole number
// (halves away from zero, as Format rounds).
QString formatValue(const QString &text)
{
    return platform::FormatZero(std::llround(platform::Val(text)), 4);
}

// Rounds to the nearest whole number, halves to the even one.
double roundEven(double v)
{
    return std::nearbyint(v);
}

// The marker of a line-graph point inside its box.
void drawMarker(DrawSurface &surface, double x1, double y1, double x2, double y2)
{
    surface.DrawEllipse(x1, y1, x2, y2);
}

void drawDottedLine(DrawSurface &surface, double x1, double y1, double x2, double y2)
{
    surface.setPenStyle(2);
    surface.DrawLine(x1, y1, x2, y2);
    surface.setPenStyle(0);
}

// The program folder removed from the front of a node path: the tree key.
QString treeKeyOf(const QString &nodePath)
{
    const QString home = platform::shell::programFolder();
    if (!home.isEmpty() && nodePath.startsWith(home, Qt::CaseInsensitive))
        return nodePath.mid(home.size());
    const int at = nodePath.indexOf(kTreeRootKey, 0, Qt::CaseInsensitive);
    return at >= 0 ? nodePath.mid(at) : nodePath;
}

} // namespace

void clsGraph::setGraphData(DrawSurface &surface, const QString &nodePath, int style, int outValue,
                            int threshold, int scale)
{
    enum class Kind { None, Day, Month, Year };

    surface.Clear();
    surface.setAccessibleName(QString());
    if (scale <= 0)
        platform::raise(platform::err::DivisionByZero);

    Kind kind = Kind::None;
    QString folder;
    QString sql;
    const int sep = nodePath.indexOf(QStringLiteral("::"));
    if (sep >= 0) {
        const QString tail = nodePath.mid(sep + 2);
        folder = nodePath.left(sep);
        if (tail.size() == 4) {
            kind = Kind::Month;
            m_bars.assign(31, GraphBar());
            if (outValue == valueMaximum)
                sql = QStringLiteral("Select Mid(getdt,5,2) as 監視日,MAX(watt) as 電力量 ");
            else
                sql = QStringLiteral("Select Mid(getdt,5,2) as 監視日,AVG(watt) as 電力量 ");
            sql += extraColumns(kindMonth, outValue);
            sql += QStringLiteral("From ") + tableFileName + QStringLiteral(" ");
            sql += QStringLiteral("Where getdt like '") + tail + QStringLiteral("%' ");
            sql += QStringLiteral("Group By Mid(getdt,5,2)");
        } else if (tail.size() == 6) {
            kind = Kind::Day;
            m_bars.assign(48, GraphBar());
            sql = QStringLiteral("Select Left(gettm,2) & ':' & Mid(gettm,3,2) as 監視時間,watt as 電力量［KW］, ");
            sql += extraColumns(kindDay, outValue);
            sql += QStringLiteral(
                "'20' & Left(getdt,2) & '年' & Mid(getdt,3,2) & '月' & Mid(getdt,5,2) & '日' as 検索用日付,");
            sql += QStringLiteral("Left(gettm,2) & '時' & Mid(gettm,3,2) & '分' as 検索用時間 ");
            sql += QStringLiteral("From ") + tableFileName + QStringLiteral(" ");
            sql += QStringLiteral("Where getdt = '") + tail + QStringLiteral("' ");
            sql += QStringLiteral("Order by gettm");
        } else {
            // A key of no known level: nothing is drawn, and no slot of an
            // earlier graph stays behind to be hit on the cleared surface.
            m_bars.clear();
        }
        m_graphCaption = getTreeKeyCaption(treeKeyOf(nodePath));
    } else {
        kind = Kind::Year;
        folder = nodePath;
        m_graphCaption = getTreeKeyCaption(treeKeyOf(nodePath));
        m_bars.assign(12, GraphBar());
        if (outValue == valueMaximum)
            sql = QStringLiteral("Select Mid(getdt,3,2) as 監視月,MAX(watt) as 電力量 ");
        else
            sql = QStringLiteral("Select Mid(getdt,3,2) as 監視月,AVG(watt) as 電力量 ");
        sql += extraColumns(kindYear, outValue);
        sql += QStringLiteral("From ") + tableFileName + QStringLiteral(" ");
        sql += QStringLiteral("Group By Mid(getdt,3,2)");
    }

    if (kind == Kind::None)
        return;
    if (!platform::shell::FileExists(folder + QStringLiteral("\\") + tableFileName))
        return;

    platform::textdb::Connection connection;
    connection.Open(textDriverConnectionString(folder));
    platform::textdb::Recordset rows;
    rows.Open(sql, connection, platform::textdb::adOpenStatic, platform::textdb::adLockReadOnly,
              platform::textdb::adCmdText);
    switch (kind) {
    case Kind::Day:
        drawDayGraph(surface, rows, style, threshold, scale);
        break;
    case Kind::Month:
        drawMonthGraph(surface, rows, style, outValue, threshold, scale);
        break;
    case Kind::Year:
        drawYearGraph(surface, rows, style, outValue, threshold, scale);
        break;
    case Kind::None:
        break;
    }
    rows.Close();
    connection.Close();
}

void clsGraph::drawStart(DrawSurface &surface, double plotWidth, double captionY,
                         const QString &axisCaption) const
{
    surface.setScaleWidth(11000);
    surface.setScaleLeft(-1000);
    surface.setScaleHeight(-19500);
    surface.setScaleTop(17250);

    surface.setFontName(graphFont);
    surface.setFontSize(450);
    surface.setFontBold(false);
    surface.setPenWidth(0);
    surface.setPenColor(RGB(0, 0, 0));
    surface.setPenStyle(0);
    surface.setBrushColor(RGB(255, 255, 255));
    surface.setBrushStyle(0);

    surface.DrawRectangle(0, 0, plotWidth, plotTop);

    surface.setTextAngle(0);
    surface.setTextX(5000);
    surface.setTextY(captionY);
    surface.setTextAlign(1);
    surface.setText(axisCaption);
}

void clsGraph::drawDayGraph(DrawSurface &surface, platform::textdb::Recordset &rows, int style,
                            int threshold, int scale)
{
    constexpr int slotCount = 48;
    constexpr int slotWidth = 200;
    constexpr double plotWidth = slotCount * slotWidth;

    drawStart(surface, plotWidth, -1650, QStringLiteral("時　　間"));
    if (style == styleLine) {
        for (int n = 1; n <= slotCount - 1; ++n)
            drawDottedLine(surface, n * slotWidth, 0, n * slotWidth, plotTop);
        surface.setPenWidth(0);
    }

    QString points;
    double maxValue = 0;
    while (!rows.Eof()) {
        const QString time = rows.Fields(0).text();
        const QString minutes = time.mid(3, 2);
        const int hours = int(platform::Val(time.left(2)));
        const int n = 2 * hours + 1 + (minutes == QStringLiteral("30") ? 1 : 0);
        if ((minutes != QStringLiteral("00") && minutes != QStringLiteral("30")) || n > slotCount || n < 1) {
            rows.MoveNext();
            continue;
        }

        const QString watt = rows.Fields(1).text();
        const double v = platform::Val(watt);
        double y = plotTop / scale / 10 * v;
        if (y > 14999)
            y = plotTop;

        GraphBar &bar = m_bars[std::size_t(n - 1)];
        if (style == styleLine) {
            const double x = n * slotWidth - slotWidth / 2;
            appendPoint(points, x, y);
            surface.setBrushColor(RGB(0, 0, 0));
            surface.setBrushStyle(0);
            drawMarker(surface, x - 20, y + 60, x + 20, y - 60);
            bar.x1 = float(x - 40);
            bar.x2 = float(x + 40);
            bar.y1 = float(y - 120);
            bar.y2 = float(y + 120);
        } else {
            const double X = n * slotWidth;
            appendPoint(points, X, 0);
            appendPoint(points, X, y);
            appendPoint(points, X - slotWidth, y);
            appendPoint(points, X - slotWidth, 0);
            bar.x1 = float(X - slotWidth);
            bar.x2 = float(X);
            bar.y1 = 0;
            bar.y2 = float(y);
        }
        bar.label = time;
        bar.value = formatValue(watt);
        annotateBar(bar, rows);
        if (platform::Val(bar.value) > maxValue)
            maxValue = platform::Val(bar.value);
        if (y == plotTop) {
            surface.setTextAngle(0);
            surface.setTextAlign(1);
            surface.setTextX(n * slotWidth - slotWidth / 2);
            surface.setTextY(15450);
            surface.setText(QStringLiteral("↑"));
        }
        rows.MoveNext();
    }

    drawFinish(surface, style, points, maxValue, plotWidth,
               {QStringLiteral("デ"), QStringLiteral("マ"), QStringLiteral("ン"), QStringLiteral("ド"),
                QStringLiteral("値")},
               threshold, scale, QStringLiteral("時　間　別　の　電　力　"));
}

void clsGraph::drawSlotRows(DrawSurface &surface, platform::textdb::Recordset &rows, int style, int scale,
                            int slotCount, int slotWidth, QString &points, double &maxValue)
{
    const double W = slotWidth;
    int n = 0;
    while (!rows.Eof()) {
        if (slotsByNumber()) {
            n = int(platform::Val(rows.Fields(0).text()));
            if (n < 1 || n > slotCount) {
                rows.MoveNext();
                continue;
            }
        } else {
            if (n + 1 > slotCount)
                break;
            ++n;
        }
        const QString text = rows.Fields(1).text();
        const double v = roundEven(platform::Val(text));
        double y = roundEven(plotTop / scale / 10 * v);
        if (y > 14999)
            y = plotTop;

        GraphBar &bar = m_bars[std::size_t(n - 1)];
        if (style == styleLine) {
            const double x = n * W - W / 2;
            appendPoint(points, x, y);
            surface.setBrushColor(RGB(0, 0, 0));
            surface.setBrushStyle(0);
            drawMarker(surface, x - 20, y + 60, x + 20, y - 60);
            if (n > 0 && n < slotCount)
                drawDottedLine(surface, n * W, 0, n * W, plotTop);
            bar.x1 = float(x - 60);
            bar.x2 = float(x + 60);
            bar.y1 = float(y - 120);
            bar.y2 = float(y + 120);
        } else {
            appendPoint(points, n * W, 0);
            appendPoint(points, n * W, y);
            appendPoint(points, n * W - W, y);
            appendPoint(points, n * W - W, 0);
            bar.x1 = float(n * W - W);
            bar.x2 = float(n * W);
            bar.y1 = 0;
            bar.y2 = float(y);
        }
        bar.label = rows.Fields(0).text();
        bar.value = formatValue(text);
        annotateBar(bar, rows);
        if (platform::Val(bar.value) > maxValue)
            maxValue = platform::Val(bar.value);
        if (y == plotTop) {
            surface.setTextAngle(0);
            surface.setTextAlign(1);
            surface.setTextX(n * W - W / 2);
            surface.setTextY(15450);
            surface.setText(QStringLiteral("↑"));
        }
        rows.MoveNext();
    }
}

void clsGraph::drawMonthGraph(DrawSurface &surface, platform::textdb::Recordset &rows, int style,
                              int outValue, int threshold, int scale)
{
    drawSlotGraph(surface, rows, style, outValue, threshold, scale, 31, 310, QStringLiteral("　対　象　日　"),
                  outValue == valueMaximum ? QStringLiteral("日　別　の　最　大　電　力　")
                                           : QStringLiteral("日　別　の　平　均　電　力　"));
}

void clsGraph::drawYearGraph(DrawSurface &surface, platform::textdb::Recordset &rows, int style,
                             int outValue, int threshold, int scale)
{
    drawSlotGraph(surface, rows, style, outValue, threshold, scale, 12, 800, QStringLiteral("　対　象　月　"),
                  outValue == valueMaximum ? QStringLiteral("月　別　の　最　大　電　力　")
                                           : QStringLiteral("月　別　の　平　均　電　力　"));
}

void clsGraph::drawSlotGraph(DrawSurface &surface, platform::textdb::Recordset &rows, int style, int outValue,
                             int threshold, int scale, int slotCount, int slotWidth, const QString &axisCaption,
                             const QString &titleHead)
{
    const double plotWidth = double(slotCount) * slotWidth;
    drawStart(surface, plotWidth, -900, axisCaption);

    QString points;
    double maxValue = 0;
    drawSlotRows(surface, rows, style, scale, slotCount, slotWidth, points, maxValue);

    QStringList axisChars = outValue == valueMaximum ? QStringList{QStringLiteral("最"), QStringLiteral("大")}
                                                     : QStringList{QStringLiteral("平"), QStringLiteral("均")};
    axisChars << QStringLiteral("デ") << QStringLiteral("マ") << QStringLiteral("ン") << QStringLiteral("ド")
              << QStringLiteral("値");
    drawFinish(surface, style, points, maxValue, plotWidth, axisChars, threshold, scale, titleHead);
}

void clsGraph::drawFinish(DrawSurface &surface, int style, const QString &points, double maxValue,
                          double plotWidth, const QStringList &axisChars, int threshold, int scale,
                          const QString &titleHead) const
{
    // Bars or the line through the points.
    surface.setBrushColor(RGB(200, 200, 200));
    surface.setPenStyle(0);
    if (style == styleLine)
        surface.Polyline(points);
    else
        surface.Polygon(points);

    // Slot labels: the day's read upwards (full hours and the maximum), the
    // month's and year's horizontal; the maximum in bold.
    const int slotCount = int(m_bars.size());
    if (slotCount == 48) {
        surface.setTextAngle(900);
        surface.setTextAlign(1);
        for (int i = 0; i < slotCount; ++i) {
            const GraphBar &bar = m_bars[std::size_t(i)];
            if (bar.label.isEmpty())
                continue;
            surface.setTextX(i * 200 + 100);
            surface.setTextY(-750);
            if (platform::Val(bar.value) == maxValue) {
                surface.setFontBold(true);
                surface.setText(bar.label);
            } else {
                surface.setFontBold(false);
                if (!bar.label.endsWith(QStringLiteral(":30")))
                    surface.setText(bar.label);
            }
        }
    } else {
        const double W = plotWidth / slotCount;
        surface.setTextAngle(0);
        for (int i = 0; i < slotCount; ++i) {
            const GraphBar &bar = m_bars[std::size_t(i)];
            if (bar.label.isEmpty())
                continue;
            surface.setTextX((i + 1) * W - W / 2);
            surface.setTextY(-225);
            surface.setFontBold(platform::Val(bar.value) == maxValue);
            surface.setText(bar.label);
        }
    }

    // Vertical-axis caption, one character below the other, then the unit.
    surface.setTextX(-700);
    surface.setTextY(10500);
    surface.setTextAlign(0);
    surface.setTextAngle(0);
    surface.setFontBold(false);
    for (const QString &c : axisChars) {
        surface.setText(c);
        surface.setTextY(surface.TextY() - 1.5 * surface.TextHeight(c));
    }
    surface.setTextY(15300);
    surface.setTextX(surface.TextX() - 200);
    surface.setText(QStringLiteral("[kW]"));

    // Ticks: 0 and every k whose tenfold is a multiple of the scale.
    surface.setTextAngle(0);
    surface.setTextAlign(2);
    for (int k = 0; k <= scale; ++k) {
        if (k != 0 && (k * 10) % scale != 0)
            continue;
        const double Y = double(k) * plotTop / scale;
        if (Y > 0 && Y < plotTop)
            drawDottedLine(surface, 0, Y, plotWidth, Y);
        surface.setTextX(-100);
        surface.setTextY(Y + 225);
        surface.setText(QString::number(k));
    }

    // Threshold line with its value at the right end.
    if (threshold > 0) {
        const double yT = roundEven(double(threshold) * plotTop / scale);
        if (yT <= plotTop) {
            surface.setPenStyle(0);
            surface.setPenWidth(50);
            surface.DrawLine(0, yT, thresholdEnd, yT);
            surface.setTextX(9650);
            surface.setTextY(yT + 225);
            surface.setTextAlign(0);
            surface.setFontBold(true);
            surface.setText(QString::number(threshold));
        }
    }

    // Title.
    surface.setTextX(0);
    surface.setTextY(16125);
    surface.setTextAlign(0);
    surface.setFontBold(true);
    const QString title = titleHead + QStringLiteral("（") + m_graphCaption + QStringLiteral("）");
    surface.setText(title);
    surface.setTextAngle(0);
    // Assistive tools name the graph by its title as drawn (read without
    // the spaces that spread its letters); its bars are not told.
    surface.setAccessibleName(platform::forms::spokenCaption(title));
}

void clsGraph::hitTest(float x, float y, QString &label, QString &value) const
{
    for (const GraphBar &bar : m_bars) {
        if (bar.x1 < x && x < bar.x2 && bar.y1 < y && y < bar.y2) {
            label = bar.label;
            value = bar.value;
        }
    }
}

void clsGraph::getSelectedTimeByDay(float x, float y, QString &timeText, QString &value) const
{
    QString label;
    QString hitValue;
    hitTest(x, y, label, hitValue);
    if (hitValue.isEmpty())
        return;
    timeText = label.replace(QStringLiteral(":"), QStringLiteral("時")) + QStringLiteral("分");
    value = hitValue;
}

void clsGraph::getSelectedDemandByMonth(float x, float y, QString &day, QString &value) const
{
    hitTest(x, y, day, value);
}

void clsGraph::getSelectedDemandByYear(float x, float y, QString &month, QString &value) const
{
    hitTest(x, y, month, value);
}

} // namespace talvik

namespace talvik {

void clsGraph::hitTest(float x, float y, QString &label, QString &value, QString &annotation) const
{
    for (const GraphBar &bar : m_bars) {
        if (bar.x1 < x && x < bar.x2 && bar.y1 < y && y < bar.y2) {
            label = bar.label;
            value = bar.value;
            annotation = bar.annotation;
        }
    }
}

void clsGraph::getSelectedTimeByDay(float x, float y, QString &timeText, QString &value, QString &annotation) const
{
    QString label;
    QString hitValue;
    QString hitAnnotation;
    hitTest(x, y, label, hitValue, hitAnnotation);
    if (hitValue.isEmpty())
        return;
    timeText = label.replace(QStringLiteral(":"), QStringLiteral("時")) + QStringLiteral("分");
    value = hitValue;
    annotation = hitAnnotation;
}

void clsGraph::getSelectedDemandByMonth(float x, float y, QString &day, QString &value, QString &annotation) const
{
    hitTest(x, y, day, value, annotation);
}

void clsGraph::getSelectedDemandByYear(float x, float y, QString &month, QString &value, QString &annotation) const
{
    hitTest(x, y, month, value, annotation);
}

} // namespace talvik
