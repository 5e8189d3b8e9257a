// Takes screenshots of the data window on a small generated store, driven by
// mouse clicks: the year level in the table view, the print preview, a
// dialog over its owner and a message box. Writes PNG files into the folder
// given as the argument (default: the build's artifacts folder).
#include "bench/store_generator.h"
#include "platform/forms/app.h"
#include "platform/forms/constants.h"
#include "platform/forms/msgbox.h"
#include "platform/forms/uisetup.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/frmData.h"
#include "talvik/dataview/tests/quietDialogs.h"
#include "talvik/settings/frmGraphSet.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <cstdio>

namespace {

QString outDir;

void settle(int ms = 600)
{
    QTest::qWait(ms);
}

void shoot(const QString &name)
{
    QApplication::processEvents();
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    const QString path = outDir + u'/' + name;
    std::printf("%s %s\n", screen.save(path) ? "wrote" : "FAILED", qPrintable(path));
}

// The graph options of the window come from the real dialog; nothing else
// is opened.
using Dialogs = talviktest::QuietDialogs;

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    platform::forms::setUpJapaneseUi();
    outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TALVIK_ARTIFACTS_DIR);
    QDir().mkpath(outDir);
    QTemporaryDir home;
    qputenv("TALVIK_HOME", home.path().toUtf8());
    talvik::appTitle = QStringLiteral("Orvantis");
    platform::forms::App::setTitle(talvik::appTitle);
    bench::writeProgramStore(home.path(), 3, 2, 20240513);

    Dialogs dialogs;
    talvik::frmData window;
    window.setDialogs(&dialogs);
    talvik::dataForm = &window;
    window.Show();
    if (!QTest::qWaitForWindowExposed(window.widget())) {
        std::fprintf(stderr, "the data window never appeared on the screen\n");
        return 1;
    }
    settle();

    // The year level in the table view, reached by clicks on the tree.
    QTreeWidget *tree = window.treData().widget();
    auto click = [&](const QString &key) {
        QTreeWidgetItem *item = window.treData().Item(key)->item();
        tree->scrollToItem(item);
        QApplication::processEvents();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
        settle(300);
    };
    click(QStringLiteral("\\dDB.tran\\C001"));
    click(QStringLiteral("\\dDB.tran\\C001\\2016年"));
    shoot(QStringLiteral("datawindow_year_table.png"));

    // The preview, from its toolbar button.
    auto *bar = qobject_cast<QToolBar *>(window.tlbData.widget());
    QTest::mouseClick(bar->widgetForAction(window.tlbData.Buttons(QStringLiteral("mnuFile|8")).action()),
                      Qt::LeftButton);
    settle(1000);
    shoot(QStringLiteral("datawindow_preview.png"));
    QTest::mouseClick(window.cmdPreBack.widget(), Qt::LeftButton);
    settle();

    // The graph options dialog over its owner (modeless here, so that the
    // screenshot can be taken; the program shows it modally).
    talvik::frmGraphSet graphSet;
    graphSet.Show(platform::forms::vbModeless, &window);
    settle(800);
    shoot(QStringLiteral("dialog_over_owner.png"));
    if (qEnvironmentVariableIsSet("TALVIK_SCREENSHOT_HOLD")) {
        std::printf("dialog window 0x%llx\n", (unsigned long long)graphSet.widget()->winId());
        std::fflush(stdout);
        settle(qEnvironmentVariableIntValue("TALVIK_SCREENSHOT_HOLD"));
    }
    graphSet.Unload();
    settle();

    // A message box with its buttons, as closing with changed data shows it.
    window.setDataChanged(true);
    QTimer::singleShot(1000, [] {
        shoot(QStringLiteral("messagebox.png"));
        if (QWidget *modal = QApplication::activeModalWidget())
            QTest::keyClick(modal, Qt::Key_Escape);
    });
    window.Unload();
    window.setDataChanged(false);
    window.Unload();
    return 0;
}
