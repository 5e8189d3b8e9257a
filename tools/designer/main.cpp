// The design harness of the control libraries: hosts "Ryx.Container3D7" or
// "Brenwold.Combo7" in design mode, opens its property frame through the
// properties verb, saves its design to a file and loads it back.
//
//   talvik-designer [--control PROGID] [--load FILE] [--save FILE]
//                   [--properties] [--screenshot DIR]
//
// --screenshot DIR writes designer.png and one frame-N.png per property page
// (each page selected in turn), then quits.
#include "tools/designer/DesignerSession.h"

#include "platform/fileio/durable.h"
#include "platform/win/ole/propframe.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include <cstdio>

namespace {

using designer::DesignerSession;

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
        std::fprintf(stderr, "%s\n", e.Description().toLocal8Bit().constData());
        return false;
    }
    return true;
}

class DesignerWindow : public QMainWindow {
public:
    DesignerWindow()
    {
        setWindowTitle(QStringLiteral("Talvik デザイナー"));
        auto *form = new QWidget(this);
        form->setMinimumSize(320, 200);
        setCentralWidget(form);
        m_session = std::make_unique<DesignerSession>(form);

        QMenu *file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
        file->addAction(QStringLiteral("開く(&O)..."), this, [this] { openFile(); });
        file->addAction(QStringLiteral("保存(&S)..."), this, [this] { saveFile(); });
        file->addSeparator();
        file->addAction(QStringLiteral("終了(&X)"), this, &QWidget::close);
        QMenu *control = menuBar()->addMenu(QStringLiteral("コントロール(&C)"));
        control->addAction(QStringLiteral("3D コンテナ"), this, [this] { replace(designer::kContainerProgId); });
        control->addAction(QStringLiteral("コンボ"), this, [this] { replace(designer::kComboProgId); });
        control->addSeparator();
        control->addAction(QStringLiteral("プロパティ(&P)..."), this, [this] { m_session->showProperties(); });
        QToolBar *bar = addToolBar(QStringLiteral("tools"));
        bar->addAction(QStringLiteral("プロパティ"), this, [this] { m_session->showProperties(); });
    }

    DesignerSession &session() { return *m_session; }

    void replace(const QString &progId)
    {
        const auto hr = m_session->create(progId);
        if (platform::com::FAILED(hr))
            QMessageBox::critical(this, windowTitle(),
                                  QStringLiteral("%1 を作成できません。").arg(progId));
    }

private:
    void openFile()
    {
        const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("デザイン (*.json)"));
        QString error;
        if (!path.isEmpty() && !m_session->load(path, &error))
            QMessageBox::critical(this, windowTitle(), error);
    }
    void saveFile()
    {
        const QString path = QFileDialog::getSaveFileName(this, QString(), QString(), QStringLiteral("デザイン (*.json)"));
        QString error;
        if (!path.isEmpty() && !m_session->save(path, &error))
            QMessageBox::critical(this, windowTitle(), error);
    }

    std::unique_ptr<DesignerSession> m_session;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption controlOption("control", "ProgID of the control to host.", "progid", designer::kContainerProgId);
    QCommandLineOption loadOption("load", "Design file to load.", "file");
    QCommandLineOption saveOption("save", "Save the design to this file before quitting.", "file");
    QCommandLineOption propertiesOption("properties", "Open the property frame.");
    QCommandLineOption screenshotOption("screenshot", "Write screenshots into this folder and quit.", "dir");
    parser.addOptions({controlOption, loadOption, saveOption, propertiesOption, screenshotOption});
    parser.process(app);

    QString error;
    if (!DesignerSession::registerLibraries(QCoreApplication::applicationDirPath(), &error))
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());

    DesignerWindow window;
    window.resize(480, 320);
    window.show();
    if (parser.isSet(loadOption)) {
        if (!window.session().load(parser.value(loadOption), &error)) {
            std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
            return 1;
        }
    } else if (platform::com::FAILED(window.session().create(parser.value(controlOption)))) {
        std::fprintf(stderr, "%s\n", QStringLiteral("%1 を作成できません。").arg(parser.value(controlOption)).toLocal8Bit().constData());
        return 1;
    }

    int status = 0;
    const bool screenshots = parser.isSet(screenshotOption);
    const QString dir = parser.value(screenshotOption);
    if (screenshots) {
        QDir().mkpath(dir);
        platform::win::SetPropertyFrameShownHook([&](QDialog *frame) {
            auto *tabs = frame->findChild<QTabWidget *>("tabs");
            for (int i = 0; tabs && i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                QApplication::processEvents();
                if (!writePng(frame->grab().toImage(), dir + QStringLiteral("/frame-%1.png").arg(i)))
                    status = 1;
            }
            frame->reject();
        });
    }
    if (parser.isSet(saveOption) && !window.session().save(parser.value(saveOption), &error)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    if (screenshots) {
        QApplication::processEvents();
        if (!writePng(window.grab().toImage(), dir + QStringLiteral("/designer.png")))
            status = 1;
    }
    if (parser.isSet(propertiesOption) || screenshots) {
        const auto hr = window.session().showProperties();
        if (platform::com::FAILED(hr))
            std::fprintf(stderr, "properties: 0x%08x\n", static_cast<unsigned>(hr));
    }
    if (screenshots)
        return status;
    return app.exec();
}
