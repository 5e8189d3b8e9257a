// The data window around its graph: GraphZoom, the mouse-wheel ladder, the
// value read-out under the mouse, the jump from a bar to its table row, the
// scale popup, and the print control's notifications.
#include "talvik/dataview/frmData.h"

#include "platform/forms/doevents.h"
#include "platform/runtime/numeric.h"
#include "talvik/core/basComFunction.h"
#include "talvik/dataview/clsGraph.h"

#include <cmath>
#include <exception>
#include <iterator>

namespace talvik {

using namespace platform::forms;

namespace {

// Wheel units of one rung, and the part of a turn not yet used.
constexpr int kWheelStep = 120;
int wheelRest = 0;
bool wheelBusy = false;

// Tool tip of a graph value in tenths of a kW: "12.3 kW", "12 kW".
QString valueTip(const QString &value)
{
    return QString::number(platform::Val(value) / 10.0) + QStringLiteral(" kW");
}

void setPointer(platform::print::DrawSurface &surface, int pointer)
{
    try {
        surface.setMousePointer(pointer);
    } catch (const std::exception &) {
        // No custom cursor loaded: keep the default.
        surface.setMousePointer(vbDefault);
    }
}

} // namespace

int graphScaleStep(int z, bool up)
{
    const int n = int(std::size(kGraphScaleLadder));
    for (int i = 0; i < n; ++i) {
        if (kGraphScaleLadder[i] != z)
            continue;
        if (up)
            return i + 1 < n ? kGraphScaleLadder[i + 1] : z;
        return i > 0 ? kGraphScaleLadder[i - 1] : z;
    }
    return z;
}

void graphWheelProc(IDataWindow *window, int delta)
{
    if (!window || delta == 0 || wheelBusy)
        return;
    wheelBusy = true;
    // A turn in the other direction drops what was left of the last one.
    if ((wheelRest < 0) != (delta < 0))
        wheelRest = 0;
    wheelRest += delta;
    const int rungs = wheelRest / kWheelStep;
    wheelRest -= rungs * kWheelStep;
    const int z0 = window->GraphZoom();
    int z = z0;
    // Turned towards the user (negative) the scale rises.
    for (int i = 0; i < std::abs(rungs); ++i)
        z = graphScaleStep(z, rungs < 0);
    if (z != z0) {
        try {
            window->setGraphZoom(z);
        } catch (const std::exception &) {
        }
    }
    wheelBusy = false;
}

int frmData::GraphZoom()
{
    return graphScale;
}

void frmData::setGraphZoom(int kW)
{
    graphScale = kW;
    redrawGraph();
}

void frmData::vsdGraph_MouseWheel(int delta, int Shift, double x, double y)
{
    (void)Shift;
    (void)x;
    (void)y;
    graphWheelProc(this, delta);
}

void frmData::vsdGraph_MouseMove(int Button, int Shift, double x, double y)
{
    (void)Button;
    (void)Shift;
    graphMouseX = x;
    graphMouseY = y;
    if (!demandGraph)
        return;
    QString label;
    QString value;
    QString annotation;
    const int level = getTreeKeyLevel(currentKey);
    switch (level) {
    case 2:
        demandGraph->getSelectedDemandByYear(float(x), float(y), label, value, annotation);
        break;
    case 3:
        demandGraph->getSelectedDemandByMonth(float(x), float(y), label, value, annotation);
        break;
    case 4:
        demandGraph->getSelectedTimeByDay(float(x), float(y), label, value, annotation);
        break;
    default:
        setPointer(vsdGraph, vbDefault);
        DoEvents();
        return;
    }
    if (value.isEmpty()) {
        vsdGraph.setToolTipText(QString());
        setPointer(vsdGraph, vbDefault);
    } else {
        vsdGraph.setToolTipText(annotation.isEmpty() ? valueTip(value)
                                                     : valueTip(value) + QStringLiteral(", ") + annotation);
        // The pointer tells that a click jumps to the row: not for averages.
        const bool custom = level == 4 || graphValueKind == 0;
        setPointer(vsdGraph, custom ? vbCustom : vbDefault);
    }
    DoEvents();
}

void frmData::vsdGraph_MouseDown(int Button, int Shift, double x, double y)
{
    (void)Shift;
    (void)x;
    (void)y;
    m_graphButton = Button;
    if (Button != 2)
        return;
    int checked = -1;
    try {
        checked = dialogs().getScaleIndexByWeight(GraphZoom());
    } catch (const std::exception &) {
    }
    for (int i : mnuPopScale.indexes())
        mnuPopScale(i).setChecked(i == checked);
    PopupMenu(mnuPopScaleRoot);
}

void frmData::vsdGraph_Click()
{
    // Only the left button jumps to the table.
    if (m_graphButton != 1)
        return;
    const float x = float(graphMouseX);
    const float y = float(graphMouseY);
    int match = -1;
    const int level = getTreeKeyLevel(currentKey);
    if (level >= 2 && level <= 4) {
        if (!demandGraph)
            return;
        QString label;
        QString value;
        if (level == 4) {
            demandGraph->getSelectedTimeByDay(x, y, label, value);
        } else {
            if (graphValueKind == 1)
                return;
            if (level == 3)
                demandGraph->getSelectedDemandByMonth(x, y, label, value);
            else
                demandGraph->getSelectedDemandByYear(x, y, label, value);
        }
        if (value.isEmpty())
            return;
        const long long wanted = std::llround(platform::Val(value));
        for (int r = 1; r < m_mfgData.Rows(); ++r) {
            bool hit = false;
            if (level == 4) {
                hit = m_mfgData.TextMatrix(r, 1) == label;
            } else {
                const QString date = m_mfgData.TextMatrix(r, 0);
                const QString part = level == 3 ? date.mid(8, 2) : date.mid(5, 2);
                hit = part == label && std::llround(platform::Val(m_mfgData.TextMatrix(r, 3)) * 10) == wanted;
            }
            if (hit) {
                match = r;
                break;
            }
            DoEvents();
        }
        if (match > 0) {
            m_mfgData.setRow(match);
            m_mfgData.setCol(0);
            m_mfgData.setRowSel(match);
            m_mfgData.setColSel(level == 4 ? dayRowLastColumn() : 3);
            m_mfgData.setTopRow(match);
        }
    }
    setPointer(vsdGraph, vbDefault);
    showTable(true);
    optDispStyle(0).setValue(true);
    optDispStyle(1).setValue(false);
}

void frmData::vspPrint_NewPage(int page)
{
    (void)page;
    DoEvents();
}

void frmData::vspPrint_DocumentEnded()
{
}

} // namespace talvik
