#pragma once
// Shared fixture of the dialog tests: a fresh program folder per case
// (TALVIK_HOME), scripted message boxes (an unscripted box fails the case),
// and a data-window double with a real customer tree and log list.
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/treeview.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/dataWindow.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace settingstest {

// The form that holds the data window double's log list.
class LogForm : public platform::forms::Form {
public:
    platform::forms::ListBox lstLogs{this, QStringLiteral("lstLogs")};
};

class DataWindowDouble : public talvik::IDataWindow {
public:
    talvik::clsTreeNode &TreeNode() override { return tree; }
    platform::forms::TreeView &treData() override { return view; }
    platform::forms::ListBox *lstLogs() override { return &logForm.lstLogs; }
    platform::forms::MSHFlexGrid &mfgData() override { return grid; }
    int TextWidth(const QString &text) override { return 100 * int(text.size()); }
    int GraphZoom() override { return 100; }
    void setGraphZoom(int) override {}
    void setRootMenus() override {}
    platform::forms::Form *form() override { return &logForm; }

    talvik::clsTreeNode tree;
    platform::forms::TreeView view;
    platform::forms::MSHFlexGrid grid;
    LogForm logForm;
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        m_savedHome = qgetenv("TALVIK_HOME");
        qputenv("TALVIK_HOME", home.path().toUtf8());
        platform::forms::DialogScript::setUnexpectedDialogHandler(
            [](const QString &report) { ADD_FAILURE() << report.toStdString(); });
        talvik::storeServices() = talvik::StoreServices();
    }
    void TearDown() override
    {
        talvik::dataForm = nullptr;
        talvik::appLogs = nullptr;
        talvik::dataFolder.clear();
        talvik::srvCustomer.clear();
        talvik::storeServices() = talvik::StoreServices();
        platform::forms::DialogScript::setUnexpectedDialogHandler({});
        if (m_savedHome.isEmpty())
            qunsetenv("TALVIK_HOME");
        else
            qputenv("TALVIK_HOME", m_savedHome);
    }

    QString path(const QString &relative) const { return home.path() + QLatin1Char('/') + relative; }
    void makeFolder(const QString &relative) const { ASSERT_TRUE(QDir().mkpath(path(relative))); }
    bool folderExists(const QString &relative) const { return QFileInfo(path(relative)).isDir(); }
    static void writeBytes(const QString &file, const QByteArray &bytes) { talviktest::writeFile(file, bytes); }
    static QByteArray readBytes(const QString &file) { return talviktest::readFile(file); }

    QTemporaryDir home;

private:
    QByteArray m_savedHome;
};

} // namespace settingstest
