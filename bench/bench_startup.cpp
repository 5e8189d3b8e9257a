// Main window start-up: from Main() until the main window has been shown and
// painted, in a fresh process (libraries loaded for the first time), on a
// new program folder with the default settings. One figure per run; the
// script runs it several times and takes the median:
//   for i in $(seq 9); do bench_startup; done | sort -n | sed -n 5p
// With BENCH_REGISTERED=1 in the environment the libraries beside the program are registered before
// the clock starts (a program that has started before); without it the run
// registers them itself, as the first start does.
#include "platform/com/com.h"
#include "platform/forms/app.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/uisetup.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::forms::setUpJapaneseUi();
    QTemporaryDir home, other;
    qputenv("TALVIK_HOME", home.path().toLocal8Bit());
    qputenv("TALVIK_REGISTRY", (other.path() + QStringLiteral("/registry.json")).toLocal8Bit());
    if (qEnvironmentVariableIntValue("BENCH_REGISTERED") == 1)
        for (const char *library : {"libportwick.so", "liblumafold.so", "libpickwell.so"}) {
            const QString path = QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(library);
            if (QFile::exists(path))
                platform::com::registerServerLibrary(path);
        }
    qputenv("TALVIK_SERIAL_ADAPTERS", (other.path() + QStringLiteral("/usbdev")).toLocal8Bit());
    const QString defaults = QStringLiteral(TALVIK_SOURCE_DIR "/talvik/app/defaults/");
    for (const char *ini : {"system2.ini", "Serial.ini"})
        QFile::copy(defaults + QString::fromLatin1(ini), home.path() + QLatin1Char('/') + QString::fromLatin1(ini));
    platform::forms::DialogScript script; // no dialog is expected; any would be answered, not waited on

    QElapsedTimer timer;
    timer.start();
    const bool ok = talvik::Main();
    QWidget *window = ok && talvik::mainForm ? talvik::mainForm->widget() : nullptr;
    if (window)
        window->repaint();
    QCoreApplication::processEvents();
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!window) {
        std::fprintf(stderr, "the main window did not open\n");
        return 1;
    }
    std::printf("%.1f\n", ms);
    std::fflush(stdout);
    std::_Exit(0); // the figure is taken; skip the two-second shut-down
}
