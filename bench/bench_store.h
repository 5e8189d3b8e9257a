#pragma once
// The data window the store benchmarks need: tree, grid, no log list.
#include "platform/forms/flexgrid.h"
#include "platform/forms/treeview.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/dataWindow.h"

namespace bench {

class StoreWindow : public talvik::IDataWindow {
public:
    talvik::clsTreeNode &TreeNode() override { return tree; }
    platform::forms::TreeView &treData() override { return view; }
    platform::forms::ListBox *lstLogs() override { return nullptr; }
    platform::forms::MSHFlexGrid &mfgData() override { return grid; }
    int TextWidth(const QString &t) override { return 120 * int(t.size()); }
    int GraphZoom() override { return 100; }
    void setGraphZoom(int) override {}
    void setRootMenus() override {}
    platform::forms::Form *form() override { return nullptr; }
    talvik::clsTreeNode tree;
    platform::forms::TreeView view;
    platform::forms::MSHFlexGrid grid;
};

} // namespace bench
