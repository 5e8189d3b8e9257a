#include "serviceFixture.h"

#include "platform/forms/form.h"
#include "platform/forms/treeview.h"
#include "platform/print/drawsurface.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"
#include "talvik/settings/frmImportCustomSrv.h"
#include "talvik/store/dataWindow.h"

#include <QDir>
#include <QGuiApplication>
#include <QTest>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>
#include <memory>

namespace srvtest {

QByteArray srvLine(const char *yymmdd, const char *hhmm, const char *watt, const char *c1, const char *c2)
{
    return QByteArray(yymmdd) + hhmm + watt + "202402011200" + c1 + c2 + "\r\n";
}

void ServiceWindowTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    savedCurrentFolder = QDir::currentPath();
    qputenv("TALVIK_HOME", dir.path().toUtf8());
    talvik::appTitle = QStringLiteral("Orvantis");
    talvik::deviceLabel = QStringLiteral("検出器");
    talvik::deviceVersion.clear();
    talvik::commBusy = false;
    talvik::appLogs = nullptr;
    talvik::srvMode = false;
    talvik::srvCustomer.clear();
    talvik::dataFolder = path(QStringLiteral("input"));
    talvik::storeServices() = talvik::StoreServices();
    platform::forms::DialogScript::setUnexpectedDialogHandler(
        [](const QString &r) { ADD_FAILURE() << "unexpected dialog: " << r.toStdString(); });
    script = std::make_unique<platform::forms::DialogScript>();
    numberDialog = std::make_unique<talvik::frmImportCustomSrv>();
    talvik::importCustomSrvForm = numberDialog.get();
    wait = std::make_unique<talvik::frmWait>();
    talvik::waitForm = wait.get();
    talvik::frmDataSrv::setProgramEnd([this] { ++programEnds; });
}

void ServiceWindowTest::TearDown()
{
    talvik::srvMode = false;
    if (w && w->isLoaded()) {
        w->setDataChanged(false);
        w->Unload();
    }
    w.reset();
    talvik::frmDataSrv::setProgramEnd(nullptr);
    if (wait && wait->isLoaded())
        wait->Unload();
    talvik::waitForm = nullptr;
    wait.reset();
    talvik::importCustomSrvForm = nullptr;
    numberDialog.reset();
    script.reset();
    talvik::storeServices() = talvik::StoreServices();
    talvik::appLogs = nullptr;
    talvik::dataForm = nullptr;
    talvik::srvCustomer.clear();
    qunsetenv("TALVIK_HOME");
    QDir::setCurrent(savedCurrentFolder);
}

void ServiceWindowTest::makeInput()
{
    const QString folder = QStringLiteral("input/") + kCustomer + u'/';
    writeFile(folder + kCustomer + QStringLiteral(".csv"),
              "20240105,1000,0123\r\n20240105,1030,0456\r\n20240105,1100,0078\r\n20240210,0900,0200\r\n");
    writeFile(folder + kCustomer + QStringLiteral("as.csv"),
              "20240105,1000,3,1\r\n20240105,1030,12,4\r\n20240105,1100,-,-\r\n20240210,0900,7,0\r\n");
}

void ServiceWindowTest::answerNumberDialog(const QString &text, bool ok)
{
    // The dialog is up once its modal loop runs; the load may let events run
    // before (building the working store), so the answer polls instead of
    // waiting inside whichever event loop comes first.
    auto *timer = new QTimer;
    timer->setInterval(5);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [this, timer, ticks, text, ok] {
        if (!numberDialog->isModal()) {
            // About ten seconds without the dialog: the case fails.
            if (++*ticks > 2000) {
                timer->stop();
                timer->deleteLater();
                ADD_FAILURE() << "the number dialog did not show";
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        QWidget *field = numberDialog->TxtNum.widget();
        if (ok) {
            auto *edit = qobject_cast<QLineEdit *>(field);
            ASSERT_NE(edit, nullptr);
            edit->clear();
            QTest::keyClicks(edit, text);
            QTest::mouseClick(numberDialog->cmdOK.widget(), Qt::LeftButton);
        } else {
            QTest::mouseClick(numberDialog->cmdCancel.widget(), Qt::LeftButton);
        }
    });
    timer->start();
}

void ServiceWindowTest::loadWindow()
{
    w = std::make_unique<talvik::frmDataSrv>();
    w->setDialogs(&dialogs);
    talvik::dataForm = w.get();
    w->Load();
    if (w->isLoaded()) {
        w->Show();
        QCoreApplication::processEvents();
        // On a display the window manager maps and sizes the window after
        // it shows; clicks are aimed at the settled layout.
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(w->widget()));
            QSize last;
            for (int i = 0; i < 20 && w->widget()->size() != last; ++i) {
                last = w->widget()->size();
                QTest::qWait(50);
            }
        }
    }
}

void ServiceWindowTest::clickNode(const QString &key, Qt::MouseButton button)
{
    ASSERT_TRUE(w->treData().Exists(key)) << key.toStdString();
    platform::forms::Node *node = w->treData().Item(key);
    QTreeWidget *tree = w->treData().widget();
    // Open the parents so that the node has a place on the screen.
    for (QTreeWidgetItem *p = node->item()->parent(); p; p = p->parent())
        p->setExpanded(true);
    tree->scrollToItem(node->item());
    QCoreApplication::processEvents();
    const QRect rect = tree->visualItemRect(node->item());
    ASSERT_TRUE(rect.isValid()) << key.toStdString();
    QTest::mouseClick(tree->viewport(), button, Qt::NoModifier, rect.center());
    QCoreApplication::processEvents();
}

QPoint ServiceWindowTest::graphPoint(double x, double y) const
{
    return w->vsdGraph.toPixel(QPointF(x, y)).toPoint();
}

void ServiceWindowTest::moveOverGraph(double x, double y)
{
    QTest::mouseMove(&w->vsdGraph, graphPoint(x, y));
    const bool arrived = waitFor(
        [&] { return std::abs(w->graphMouseX - x) < 50 && std::abs(w->graphMouseY - y) < 50; }, 3000);
    EXPECT_TRUE(arrived) << "the move to " << x << "," << y << " did not reach the graph";
    QCoreApplication::processEvents();
}

bool ServiceWindowTest::menuEnabled(platform::forms::ControlArray<platform::forms::Menu> &menu,
                                    const QString &caption)
{
    for (int i : menu.indexes())
        if (menu(i).Caption() == caption)
            return menu(i).Enabled();
    ADD_FAILURE() << "no menu item " << caption.toStdString();
    return false;
}

QStringList ServiceWindowTest::logTexts()
{
    QStringList texts;
    auto *list = w->lstLogs();
    for (int i = 0; i < list->ListCount(); ++i)
        texts << list->List(i).mid(20);
    return texts;
}

QStringList ServiceWindowTest::prompts() const
{
    QStringList result;
    for (const auto &d : script->shown())
        result << d.prompt;
    return result;
}

QStringList ServiceWindowTest::tableRows()
{
    QStringList rows;
    auto &g = w->mfgData();
    for (int r = 0; r < g.Rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < g.Cols(); ++c)
            cells << g.TextMatrix(r, c);
        rows << cells.join(u'|');
    }
    return rows;
}

} // namespace srvtest
