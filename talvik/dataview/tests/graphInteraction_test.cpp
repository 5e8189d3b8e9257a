// The mouse-wheel ladder of the graph scale, the scale popup on the right
// button and the jump from the graph to the table.
#include "dataWindowFixture.h"

#include "platform/forms/constants.h"
#include "talvik/dataview/clsGraph.h"

using namespace dwtest;
using namespace platform::forms;

namespace {

// A data window that only keeps its scale.
struct ZoomWindow : talvik::IDataWindow {
    talvik::clsTreeNode &TreeNode() override { std::abort(); }
    TreeView &treData() override { std::abort(); }
    ListBox *lstLogs() override { return nullptr; }
    MSHFlexGrid &mfgData() override { std::abort(); }
    int TextWidth(const QString &) override { return 0; }
    int GraphZoom() override { return zoom; }
    void setGraphZoom(int kW) override
    {
        zoom = kW;
        ++writes;
    }
    void setRootMenus() override {}
    Form *form() override { return nullptr; }
    int zoom = 100;
    int writes = 0;
};

} // namespace

TEST(GraphWheel, LadderSteps)
{
    EXPECT_EQ(talvik::graphScaleStep(50, true), 75);
    EXPECT_EQ(talvik::graphScaleStep(750, true), 1000);
    EXPECT_EQ(talvik::graphScaleStep(1000, true), 1000);
    EXPECT_EQ(talvik::graphScaleStep(75, false), 50);
    EXPECT_EQ(talvik::graphScaleStep(50, false), 50);
    EXPECT_EQ(talvik::graphScaleStep(120, true), 120);
    EXPECT_EQ(talvik::graphScaleStep(120, false), 120);
}

TEST(GraphWheel, OneRungPer120Units)
{
    ZoomWindow w;
    // Towards the user: up the ladder.
    talvik::graphWheelProc(&w, -120);
    EXPECT_EQ(w.zoom, 150);
    talvik::graphWheelProc(&w, -240);
    EXPECT_EQ(w.zoom, 300);
    // Away from the user: down.
    talvik::graphWheelProc(&w, 120);
    EXPECT_EQ(w.zoom, 200);
    // A zero delta does nothing.
    const int writes = w.writes;
    talvik::graphWheelProc(&w, 0);
    EXPECT_EQ(w.zoom, 200);
    EXPECT_EQ(w.writes, writes);
    // Small steps of a fine wheel add up to one rung.
    talvik::graphWheelProc(&w, 40);
    talvik::graphWheelProc(&w, 40);
    EXPECT_EQ(w.zoom, 200);
    talvik::graphWheelProc(&w, 40);
    EXPECT_EQ(w.zoom, 150);
    // The rest of a turn does not carry into the other direction.
    talvik::graphWheelProc(&w, 60);
    talvik::graphWheelProc(&w, -60);
    talvik::graphWheelProc(&w, 60);
    EXPECT_EQ(w.zoom, 150);
    talvik::graphWheelProc(&w, 60);
    EXPECT_EQ(w.zoom, 100);
}

TEST(GraphWheel, EndsAndOffLadderValuesStay)
{
    ZoomWindow w;
    w.zoom = 1000;
    talvik::graphWheelProc(&w, -120);
    EXPECT_EQ(w.zoom, 1000);
    w.zoom = 50;
    talvik::graphWheelProc(&w, 360);
    EXPECT_EQ(w.zoom, 50);
    w.zoom = 120;
    talvik::graphWheelProc(&w, 120);
    talvik::graphWheelProc(&w, -120);
    EXPECT_EQ(w.zoom, 120);
    EXPECT_EQ(w.writes, 0) << "an unchanged scale is not written";
}

TEST_F(DataWindowTest, WheelOverTheGraphChangesGraphZoom)
{
    makeStore();
    loadWindow();
    ASSERT_EQ(w->GraphZoom(), 100);
    emit w->vsdGraph.MouseWheel(-120, 0, 0, 0);
    EXPECT_EQ(w->GraphZoom(), 150);
    emit w->vsdGraph.MouseWheel(240, 0, 0, 0);
    EXPECT_EQ(w->GraphZoom(), 75);
}

TEST_F(DataWindowTest, RightButtonOpensTheScalePopupOnly)
{
    makeStore();
    loadWindow();
    w->optDispStyle(1).setValue(true);
    w->setGraphZoom(300);
    w->vsdGraph_MouseDown(2, 0, 10, 10);
    EXPECT_EQ(w->lastPopupMenu(), &w->mnuPopScaleRoot);
    int checked = 0;
    for (int i : w->mnuPopScale.indexes()) {
        if (w->mnuPopScale(i).Checked()) {
            ++checked;
            EXPECT_EQ(i, 5);
        }
    }
    EXPECT_EQ(checked, 1);
    // A click after the right button does not switch to the table.
    w->vsdGraph_Click();
    EXPECT_TRUE(w->vsdGraphHost.Visible());
    EXPECT_FALSE(w->mfgDataHost.Visible());
    // A scale entry of the popup sets the scale.
    w->mnuPopScale_Click(8);
    EXPECT_EQ(w->GraphZoom(), 1000);
    // A left click on the graph of a customer switches to the table.
    clickNode(QStringLiteral("\\dDB.tran\\東京工場"));
    w->vsdGraph_MouseDown(1, 0, 10, 10);
    w->vsdGraph_Click();
    EXPECT_TRUE(w->mfgDataHost.Visible());
    EXPECT_FALSE(w->vsdGraphHost.Visible());
    EXPECT_TRUE(w->optDispStyle(0).Value());
}

TEST_F(DataWindowTest, LeftClickOnADayBarSelectsItsRow)
{
    makeStore();
    loadWindow();
    clickNode(QStringLiteral("\\dDB.tran\\東京工場\\2024年"));
    clickNode(QStringLiteral("\\dDB.tran\\東京工場\\2024年::2401"));
    clickNode(QStringLiteral("\\dDB.tran\\東京工場\\2024年::240105"));
    w->optDispStyle(1).setValue(true);
    // The bar of 10:30 as the graph drew it.
    const auto &bars = w->demandGraph->bars();
    int slot = -1;
    for (int i = 0; i < int(bars.size()); ++i)
        if (!bars[i].value.isEmpty() && bars[i].label == QStringLiteral("10:30"))
            slot = i;
    ASSERT_GE(slot, 0) << "the graph has the 10:30 bar";
    const auto &bar = bars[slot];
    const double x = (bar.x1 + bar.x2) / 2;
    const double y = (bar.y1 + bar.y2) / 2;
    w->vsdGraph_MouseMove(0, 0, x, y);
    EXPECT_EQ(w->vsdGraph.ToolTipText(), QStringLiteral("45.6 kW"));
    w->vsdGraph_MouseDown(1, 0, x, y);
    w->vsdGraph_Click();
    EXPECT_TRUE(w->mfgDataHost.Visible());
    EXPECT_EQ(w->mfgData().Row(), 2);
    EXPECT_EQ(w->mfgData().ColSel(), 3);
}
