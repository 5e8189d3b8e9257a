#pragma once
// The demand graph of the data window: the half-hour values of a day, the
// daily maximum or average of a month, or the monthly maximum or average of a
// year, drawn on the window's drawing surface from the node's yearly table.
// For every bar or point drawn a hit box with its label and value is kept, so
// the window can show the value under the mouse and jump to the table row.
#include <QString>
#include <QStringList>
#include <vector>

namespace platform::print {
class DrawSurface;
}
namespace platform::textdb {
class Recordset;
}

namespace talvik {

// One slot of the graph; all zero / empty when the slot has no data.
// Coordinates are the graph's logical units (x to the right, y upwards).
struct GraphBar {
    float x1 = 0;   // left edge of the hit box
    float x2 = 0;   // right edge
    float y1 = 0;   // bottom edge
    float y2 = 0;   // top edge
    QString label;  // "10:30" (day), "05" (day of a month), "07" (month of a year)
    QString value;  // demand in tenths of a kW, formatted "0000"
    QString annotation; // further text of the slot shown with its value; "" none
};

class clsGraph {
public:
    virtual ~clsGraph() = default;

    // Graph styles and value kinds as the graph options give them.
    static constexpr int styleBar = 0;
    static constexpr int styleLine = 1;
    static constexpr int valueMaximum = 0;
    static constexpr int valueAverage = 1;

    // Clears the surface and draws the graph of the node. nodePath is the
    // program folder followed by the node's tree key ("...\dDB.tran\name\2024年"
    // for a year, with "::YYMM" for a month or "::YYMMDD" for a day); style 0 bar,
    // 1 line; outValue 0 maximum, 1 average; threshold in kW (0 = none); scale
    // the kW at the top of the plot. Without a "demand.csv" in the node's
    // folder the surface stays empty and every slot stays empty. Errors of the
    // text driver reach the caller.
    virtual void setGraphData(platform::print::DrawSurface &surface, const QString &nodePath, int style,
                              int outValue, int threshold, int scale);

    // Hit tests at a point in logical units. The outputs are set only when a
    // slot's box contains the point (strictly); otherwise they keep what the
    // caller passed in. The day test gives the time as "10時30分".
    void getSelectedTimeByDay(float x, float y, QString &timeText, QString &value) const;
    void getSelectedDemandByMonth(float x, float y, QString &day, QString &value) const;
    void getSelectedDemandByYear(float x, float y, QString &month, QString &value) const;
    // The same with the slot's annotation (left as passed in when no slot is hit).
    void getSelectedTimeByDay(float x, float y, QString &timeText, QString &value, QString &annotation) const;
    void getSelectedDemandByMonth(float x, float y, QString &day, QString &value, QString &annotation) const;
    void getSelectedDemandByYear(float x, float y, QString &month, QString &value, QString &annotation) const;

    // State of the last drawing: one entry per slot (48, 31 or 12; empty
    // before the first drawing), and the caption of the drawn node.
    const std::vector<GraphBar> &bars() const { return m_bars; }
    const QString &graphCaption() const { return m_graphCaption; }

protected:
    // Graph kinds of the statement hook.
    static constexpr int kindDay = 0;
    static constexpr int kindMonth = 1;
    static constexpr int kindYear = 2;
    // Further select-list columns after the demand column (position 2 on):
    // for a day a text ending in ", ", for a month or a year one starting
    // with ",". None here.
    virtual QString extraColumns(int kind, int outValue) const
    {
        (void)kind;
        (void)outValue;
        return QString();
    }
    // Month and year: true places each row in the slot of its day or month
    // number; false fills the slots in the order the rows arrive.
    virtual bool slotsByNumber() const { return false; }
    // Called for every drawn slot with the row it was drawn from.
    virtual void annotateBar(GraphBar &bar, platform::textdb::Recordset &row) const
    {
        (void)bar;
        (void)row;
    }

private:
    void drawDayGraph(platform::print::DrawSurface &surface, platform::textdb::Recordset &rows, int style,
                      int threshold, int scale);
    void drawMonthGraph(platform::print::DrawSurface &surface, platform::textdb::Recordset &rows, int style,
                        int outValue, int threshold, int scale);
    void drawYearGraph(platform::print::DrawSurface &surface, platform::textdb::Recordset &rows, int style,
                       int outValue, int threshold, int scale);

    // The month and year graphs: one slot per row in query order.
    void drawSlotGraph(platform::print::DrawSurface &surface, platform::textdb::Recordset &rows, int style,
                       int outValue, int threshold, int scale, int slotCount, int slotWidth,
                       const QString &axisCaption, const QString &titleHead);
    // The steps all three kinds share.
    void drawStart(platform::print::DrawSurface &surface, double plotWidth, double captionY,
                   const QString &axisCaption) const;
    void drawSlotRows(platform::print::DrawSurface &surface, platform::textdb::Recordset &rows, int style,
                      int scale, int slotCount, int slotWidth, QString &points, double &maxValue);
    void drawFinish(platform::print::DrawSurface &surface, int style, const QString &points,
                    double maxValue, double plotWidth, const QStringList &axisChars, int threshold,
                    int scale, const QString &titleHead) const;
    void hitTest(float x, float y, QString &label, QString &value) const;
    void hitTest(float x, float y, QString &label, QString &value, QString &annotation) const;

    std::vector<GraphBar> m_bars;
    QString m_graphCaption;
};

} // namespace talvik
