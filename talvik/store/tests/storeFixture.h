#pragma once
// A fresh program folder per test, a data-window double and a wait-dialog
// double wired into the store's services.
#include "platform/forms/flexgrid.h"
#include "platform/forms/treeview.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/dataWindow.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace storetest {

class WaitDouble : public talvik::IWaitDialog {
public:
    void clear() override { msg.clear(); info1.clear(); info2.clear(); }
    void setWaitMsg(const QString &t) override { msg = t; loaded = true; }
    QString loadInfo1() override { return info1; }
    void setLoadInfo1(const QString &t) override { info1 = t; loaded = true; infos1 << t; }
    void setLoadInfo2(const QString &t) override { info2 = t; loaded = true; }
    void setEnableCancel(bool) override {}
    bool isCancel() const override { return false; }
    bool Visible() const override { return visible; }
    void show(platform::forms::Form *) override { visible = loaded = true; ++shows; }
    void unload() override { visible = loaded = false; ++unloads; }
    QString msg, info1, info2;
    QStringList infos1;
    bool visible = false, loaded = false;
    int shows = 0, unloads = 0;
};

class DataWindowDouble : public talvik::IDataWindow {
public:
    talvik::clsTreeNode &TreeNode() override { return tree; }
    platform::forms::TreeView &treData() override { return view; }
    platform::forms::ListBox *lstLogs() override { return nullptr; }
    platform::forms::MSHFlexGrid &mfgData() override { return grid; }
    int TextWidth(const QString &text) override { return 100 * int(text.size()); }
    int GraphZoom() override { return zoom; }
    void setGraphZoom(int kW) override { zoom = kW; }
    void setRootMenus() override {}
    platform::forms::Form *form() override { return nullptr; }

    talvik::clsTreeNode tree;
    platform::forms::TreeView view;
    platform::forms::MSHFlexGrid grid;
    int zoom = 100;
};

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString home() const { return dir.path(); }
    // A file of the program folder, "\"-separated path below it.
    QByteArray readFile(const QString &relative) const;
    void writeFile(const QString &relative, const QByteArray &bytes) const;
    bool exists(const QString &relative) const;
    // An 18-byte RD block.
    static QByteArray block(const char *yymmddhhmm, const char *watt, bool last = false);

    QTemporaryDir dir;
    WaitDouble wait;
    DataWindowDouble window;
    QStringList logLines;
    QStringList messages;
};

// The 4-column schema as the store writes it.
QByteArray expectedSchema4();

// Every file below the folder by its relative path, with its bytes.
QMap<QString, QByteArray> filesBelow(const QString &root);

} // namespace storetest
