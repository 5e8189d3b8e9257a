// A process that runs the program itself (runProgram) with one argument and
// plays the user of the service mode with real input events: the number
// dialog, the tree, the analysis sorts, the graph, the PDF and CSV outputs,
// the data set, the delete and the close. Every check prints "CHECK <name>
// ok" or "CHECK <name> FAIL <detail>"; the exit code is the program's.
// SERVICE_E2E_MODE=cancel cancels the number dialog instead; =import only
// looks at the imported year and closes. Message boxes
// and file dialogs are answered through the forms stand-in's script; the
// output folder is SERVICE_E2E_OUT.
#include "platform/forms/application.h"
#include "platform/forms/constants.h"
#include <QWindow>
#include "platform/forms/dialogscript.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/treeview.h"
#include "platform/print/drawsurface.h"
#include "platform/shell/shell.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/clsGraph.h"
#include "talvik/dataview_service/frmDataSrv.h"
#include "talvik/settings/frmImportCustomSrv.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

using namespace talvik;
namespace fm = platform::forms;

namespace {

const QString kNumber = QStringLiteral("123456789");
const QString kCust = QStringLiteral("\\dDB.tran\\123456789");
const QString kYear = QStringLiteral("\\dDB.tran\\123456789\\2024年");
const QString kJan = kYear + QStringLiteral("::2401");
const QString kJan5 = kYear + QStringLiteral("::240105");

int failures = 0;

void check(const char *name, bool ok, const QString &detail = QString())
{
    if (!ok)
        ++failures;
    std::printf("CHECK %s %s %s\n", name, ok ? "ok" : "FAIL", ok ? "" : detail.toUtf8().constData());
    std::fflush(stdout);
}

frmDataSrv *window()
{
    return dynamic_cast<frmDataSrv *>(dataForm ? dataForm->form() : nullptr);
}

void clickNode(frmDataSrv *w, const QString &key)
{
    if (!w->treData().Exists(key)) {
        check("node exists", false, key);
        return;
    }
    QTreeWidgetItem *item = w->treData().Item(key)->item();
    QTreeWidget *tree = w->treData().widget();
    for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    tree->scrollToItem(item);
    QCoreApplication::processEvents();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(item).center());
    QCoreApplication::processEvents();
}

QString column(fm::MSHFlexGrid &g, int col)
{
    QStringList cells;
    for (int r = 1; r < g.Rows(); ++r)
        cells << g.TextMatrix(r, col);
    return cells.join(u',');
}

void showGraph(frmDataSrv *w, bool graph)
{
    QWidget *option = w->optDispStyle(graph ? 1 : 0).widget();
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, QPoint(6, option->height() / 2));
    QCoreApplication::processEvents();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The user's session once the service window is up.
void session(fm::DialogScript &script, const QString &out)
{
    frmDataSrv *w = window();
    check("window shown", w && w->Visible());
    if (!w)
        return;
    check("main window disabled behind", mainForm && !mainForm->widget()->isEnabled());
    clickNode(w, kCust);
    clickNode(w, kYear);
    fm::MSHFlexGrid &g = w->mfgData();
    check("table 7 columns", g.Cols() == 7 && g.TextMatrix(0, 4) == QStringLiteral("注意件数")
                                 && g.TextMatrix(0, 5) == QStringLiteral("限界件数"));
    check("table counts", column(g, 4) == QStringLiteral("3,12,-,7"), column(g, 4));
    check("weekday", g.TextMatrix(1, 0) == QStringLiteral("2024年01月05日(金)"), g.TextMatrix(1, 0));

    // The analysis sorts, from the graph, and back.
    showGraph(w, true);
    w->mnuPopAnalyze(1).action()->trigger();
    check("sort caution", column(g, 4) == QStringLiteral("12,7,3,-") && w->mfgDataHost.Visible(), column(g, 4));
    w->mnuPopAnalyze(2).action()->trigger();
    check("sort limit", column(g, 5) == QStringLiteral("4,1,0,-"), column(g, 5));
    w->mnuPopAnalyze(0).action()->trigger();
    check("sort back", column(g, 1) == QStringLiteral("10時00分,10時30分,11時00分,09時00分"), column(g, 1));

    // Graph of the day: annotation in the tool tip, the scale pop-up, a bar click.
    clickNode(w, kJan);
    clickNode(w, kJan5);
    showGraph(w, true);
    QWidget *surface = &w->vsdGraph;
    // The 10:30 bar where the graph last drew it (its place follows the
    // window's size, which the screen decides).
    QPoint bar;
    if (w->demandGraph)
        for (const talvik::GraphBar &b : w->demandGraph->bars())
            if (b.label == QStringLiteral("10:30"))
                bar = w->vsdGraph.toPixel(QPointF((b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2)).toPoint();
    check("bar found", !bar.isNull());
    // Moved on the window itself: a move given to a widget goes to whichever
    // window the screen stacks at that point, here the main window behind.
    QTest::mouseMove(w->widget()->windowHandle(), surface->mapTo(w->widget(), bar));
    QCoreApplication::processEvents();
    check("tool tip", w->vsdGraph.ToolTipText() == QStringLiteral("45.6 kW, 注意：12, 限界：4"), w->vsdGraph.ToolTipText());
    QTest::mouseClick(surface, Qt::RightButton, Qt::NoModifier, bar);
    check("scale pop-up", w->lastPopupMenu() == &w->mnuPopScaleRoot);
    QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, bar);
    QCoreApplication::processEvents();
    check("bar selects row", w->mfgDataHost.Visible() && g.Row() == 2 && g.Col() == 0 && g.ColSel() == 6);

    // PDF (8 columns) of the year, and the CSV.
    clickNode(w, kYear);
    script.chooseFile(out + QStringLiteral("/report.pdf"));
    w->mnuFileOut(1).action()->trigger();
    check("pdf written", QFile::exists(out + QStringLiteral("/report.pdf")));
    w->mnuFile(8).action()->trigger();
    check("preview", w->vspPrintHost.Visible());
    w->cmdPreBack_Click();
    script.chooseFile(out + QStringLiteral("/export.csv"));
    w->mnuFileOut(0).action()->trigger();
    check("csv written", fileBytes(out + QStringLiteral("/export.csv"))
                             == "20240105,1000,0123\r\n20240105,1030,0456\r\n20240105,1100,0078\r\n20240210,0900,0200\r\n");

    // The data set, saved and opened again byte for byte.
    const QString table = platform::shell::programFolder() + QStringLiteral("/dDB.tran/123456789/2024年/demand.csv");
    const QByteArray before = fileBytes(table);
    script.chooseFile(out + QStringLiteral("/set.dmd"));
    w->mnuFile(2).action()->trigger();
    script.chooseFile(out + QStringLiteral("/set.dmd"));
    w->mnuFile(0).action()->trigger();
    check("data set round trip", fileBytes(table) == before && before != "<missing>");

    // Delete the year: question, folder gone, log line.
    clickNode(w, kCust);
    clickNode(w, kYear);
    script.answerNext(fm::vbOK);
    w->mnuEdit(4).action()->trigger();
    check("year deleted", !QFile::exists(table));
    check("delete logged", w->lstLogs()->List(0).contains(QStringLiteral("年間データの削除　　　「123456789 2024年」")),
          w->lstLogs()->List(0));
    check("script used", script.verify());
    // Close: no question in service mode; the program ends.
    w->mnuFile(11).action()->trigger();
}

// SERVICE_E2E_MODE=import: the imported year is looked at, then the window
// closes; the store stays as the import left it.
void importSession()
{
    frmDataSrv *w = window();
    check("window shown", w && w->Visible());
    if (!w)
        return;
    check("imported customer selected", w->currentKey == kCust, w->currentKey);
    clickNode(w, kYear);
    check("table counts with the old row's none", column(w->mfgData(), 4) == QStringLiteral("-,3,12,-,7"),
          column(w->mfgData(), 4));
    w->mnuFile(11).action()->trigger();
}

} // namespace

int main(int argc, char *argv[])
{
    // The program's application object, as the program's own main makes it.
    fm::Application app(argc, argv);
    const bool cancel = qEnvironmentVariable("SERVICE_E2E_MODE") == QStringLiteral("cancel");
    const bool importOnly = qEnvironmentVariable("SERVICE_E2E_MODE") == QStringLiteral("import");
    const QString out = qEnvironmentVariable("SERVICE_E2E_OUT");
    fm::DialogScript::setUnexpectedDialogHandler([](const QString &r) { check("unexpected dialog", false, r); });
    fm::DialogScript script;

    bool answered = false;
    bool sessionStarted = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!answered && importCustomSrvForm && importCustomSrvForm->isModal()) {
            answered = true;
            bool anyShown = false;
            for (fm::Form *f : fm::Form::loadedForms())
                if (f != importCustomSrvForm && f->Visible())
                    anyShown = true;
            check("no window before the number", !anyShown);
            if (cancel) {
                QTest::mouseClick(importCustomSrvForm->cmdCancel.widget(), Qt::LeftButton);
            } else {
                QTest::keyClicks(importCustomSrvForm->TxtNum.widget(), kNumber);
                QTest::mouseClick(importCustomSrvForm->cmdOK.widget(), Qt::LeftButton);
            }
            return;
        }
        if (answered && !sessionStarted && !cancel && mainForm && mainForm->widget()->isVisible() && window()
            && window()->Visible()) {
            sessionStarted = true;
            poll.stop();
            if (importOnly)
                importSession();
            else
                session(script, out);
        }
    });
    poll.start();
    const int code = talvik::runProgram();
    check("number dialog seen", answered);
    if (!cancel)
        check("session ran", sessionStarted);
    std::printf("EXIT %d FAILURES %d\n", code, failures);
    return failures ? 3 : code;
}
