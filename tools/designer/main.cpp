// The design harness of the control libraries: hosts "Ryx.Container3D7" or
// "Brenwold.Combo7" in design mode, opens its property frame through the
// properties verb, saves its design to a file and loads it back.
//
//   talvik-designer [--control PROGID] [--load FILE] [--save FILE]
//                   [--properties] [--screenshot DIR]
//
// --save FILE: ファイル → 保存 writes there, and so does quitting. Without
// --properties or --screenshot the design is saved at once and the program
// ends (exit status 0 when written), so that it can be scripted.
// --screenshot DIR writes designer.png, screen.png (the whole screen while
// the property frame is up) and one frame-N.png per property page (each page
// selected in turn), then quits.
#include "tools/designer/DesignerWindow.h"

#include "platform/fileio/durable.h"
#include "platform/win/ole/propframe.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDialog>
#include <QScreen>
#include <QDir>
#include <QTabWidget>
#include <QWindow>

#include <cstdio>

namespace {

using designer::DesignerWindow;

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// Writes an image as PNG through the durable write.
bool writePng(const QImage &image, const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return false;
    try {
        platform::fileio::writeFile(path, bytes);
    } catch (const platform::RuntimeError &e) {
        say(e.Description());
        return false;
    }
    return true;
}

// Lets the window manager place and map the window first, so that what is
// centred on it is centred on where it finally stands.
void waitUntilExposed(QWidget &window)
{
    const QDeadlineTimer deadline(2000);
    while (!deadline.hasExpired() && !(window.windowHandle() && window.windowHandle()->isExposed()))
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption controlOption("control", "ProgID of the control to host.", "progid", designer::kContainerProgId);
    QCommandLineOption loadOption("load", "Design file to load.", "file");
    QCommandLineOption saveOption("save",
                                  "Save the design to this file before quitting (at once and quit when neither "
                                  "--properties nor --screenshot is given).",
                                  "file");
    QCommandLineOption propertiesOption("properties", "Open the property frame.");
    QCommandLineOption screenshotOption("screenshot", "Write screenshots into this folder and quit.", "dir");
    parser.addOptions({controlOption, loadOption, saveOption, propertiesOption, screenshotOption});
    parser.process(app);

    QString error;
    if (!designer::DesignerSession::registerLibraries(QCoreApplication::applicationDirPath(), &error))
        say(error);

    DesignerWindow window;
    window.resize(480, 320);
    if (parser.isSet(loadOption)) {
        if (!window.session().load(parser.value(loadOption), &error)) {
            say(error);
            return 1;
        }
    } else if (platform::com::FAILED(window.session().create(parser.value(controlOption)))) {
        say(QStringLiteral("%1 を作成できません。%2").arg(parser.value(controlOption), window.session().lastError()));
        return 1;
    }

    const bool screenshots = parser.isSet(screenshotOption);
    const bool properties = parser.isSet(propertiesOption);
    const bool saving = parser.isSet(saveOption);
    const QString savePath = parser.value(saveOption);
    if (saving && !properties && !screenshots) {
        // Scripted: load or create, save, done.
        if (!window.session().save(savePath, &error)) {
            say(error);
            return 1;
        }
        return 0;
    }
    if (saving)
        window.setDesignFile(savePath, true);
    window.show();

    int status = 0;
    const QString dir = parser.value(screenshotOption);
    if (screenshots) {
        QDir().mkpath(dir);
        platform::win::SetPropertyFrameShownHook([&](QDialog *frame) {
            // The whole screen first: where the frame stands on the designer's window.
            waitUntilExposed(*frame);
            if (QScreen *screen = frame->screen())
                if (!writePng(screen->grabWindow(0).toImage(), dir + QStringLiteral("/screen.png")))
                    status = 1;
            auto *tabs = frame->findChild<QTabWidget *>("tabs");
            for (int i = 0; tabs && i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                QApplication::processEvents();
                if (!writePng(frame->grab().toImage(), dir + QStringLiteral("/frame-%1.png").arg(i)))
                    status = 1;
            }
            frame->reject();
        });
        QApplication::processEvents();
        if (!writePng(window.grab().toImage(), dir + QStringLiteral("/designer.png")))
            status = 1;
    }
    if (properties || screenshots) {
        waitUntilExposed(window);
        const auto hr = window.session().showProperties();
        if (platform::com::FAILED(hr))
            say(QStringLiteral("プロパティ ページを開けません (0x%1)。").arg(uint32_t(hr), 8, 16, QLatin1Char('0')));
    }
    if (screenshots) {
        if (saving && !window.session().save(savePath, &error)) {
            say(error);
            status = 1;
        }
        return status;
    }
    return app.exec();
}
