#include "tools/designer/DesignerWindow.h"

#include "platform/forms/dialogscript.h"
#include "platform/forms/msgbox.h"
#include "platform/forms/uisetup.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QToolBar>

namespace designer {

namespace forms = platform::forms;

namespace {

const QString kFilter = QStringLiteral("デザイン (*.json)|*.json");

} // namespace

DesignerWindow::DesignerWindow()
{
    // The program's Japanese Qt texts (file dialogs, standard buttons) and face.
    forms::setUpJapaneseUi();
    setWindowTitle(QStringLiteral("Talvik デザイナー"));
    auto *form = new QWidget(this);
    form->setMinimumSize(320, 200);
    setCentralWidget(form);
    m_session = std::make_unique<DesignerSession>(form);

    QMenu *file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->addAction(QStringLiteral("開く(&O)..."), QKeySequence::Open, this, [this] { open(); });
    m_saveAction = file->addAction(QStringLiteral("保存(&S)"), QKeySequence::Save, this, [this] { save(); });
    file->addAction(QStringLiteral("名前を付けて保存(&A)..."), this, [this] { saveAs(); });
    file->addSeparator();
    file->addAction(QStringLiteral("終了(&X)"), this, &QWidget::close);
    QMenu *control = menuBar()->addMenu(QStringLiteral("コントロール(&C)"));
    control->addAction(QStringLiteral("3D コンテナ"), this, [this] { replace(kContainerProgId); });
    control->addAction(QStringLiteral("コンボ"), this, [this] { replace(kComboProgId); });
    control->addSeparator();
    control->addAction(QStringLiteral("プロパティ(&P)..."), this, [this] { showProperties(); });
    QToolBar *bar = addToolBar(QStringLiteral("ツール"));
    bar->addAction(QStringLiteral("プロパティ"), this, [this] { showProperties(); });
}

DesignerWindow::~DesignerWindow() = default;

void DesignerWindow::setDesignFile(const QString &path, bool saveAtQuit)
{
    m_file = path;
    m_saveAtQuit = saveAtQuit;
}

void DesignerWindow::showError(const QString &text)
{
    forms::MsgBox(text, forms::vbCritical, windowTitle());
}

void DesignerWindow::replace(const QString &progId)
{
    const auto hr = m_session->create(progId);
    if (platform::com::FAILED(hr))
        showError(m_session->lastError().isEmpty()
                      ? QStringLiteral("%1 を作成できません (0x%2)。").arg(progId).arg(uint32_t(hr), 8, 16, QLatin1Char('0'))
                      : QStringLiteral("%1 を作成できません。%2").arg(progId, m_session->lastError()));
}

bool DesignerWindow::saveTo(const QString &path)
{
    QString error;
    if (m_session->save(path, &error))
        return true;
    showError(error);
    return false;
}

bool DesignerWindow::save()
{
    return m_file.isEmpty() ? saveAs() : saveTo(m_file);
}

bool DesignerWindow::saveAs()
{
    forms::FileDialogRequest request;
    request.save = true;
    request.title = QStringLiteral("名前を付けて保存");
    request.filter = kFilter;
    request.fileName = m_file;
    request.defaultExt = QStringLiteral("json");
    const auto answer = forms::DialogScript::showFileDialog(request);
    if (!answer || answer->path.isEmpty() || !saveTo(answer->path))
        return false;
    if (!m_saveAtQuit)
        m_file = answer->path;
    return true;
}

void DesignerWindow::open()
{
    forms::FileDialogRequest request;
    request.title = QStringLiteral("開く");
    request.filter = kFilter;
    const auto answer = forms::DialogScript::showFileDialog(request);
    if (!answer || answer->path.isEmpty())
        return;
    QString error;
    if (!m_session->load(answer->path, &error)) {
        showError(error);
        return;
    }
    if (!m_saveAtQuit)
        m_file = answer->path;
}

void DesignerWindow::showProperties()
{
    const auto hr = m_session->showProperties();
    if (platform::com::FAILED(hr))
        showError(QStringLiteral("プロパティ ページを開けません (0x%1)。").arg(uint32_t(hr), 8, 16, QLatin1Char('0')));
}

void DesignerWindow::closeEvent(QCloseEvent *event)
{
    if (m_saveAtQuit && !m_file.isEmpty()) {
        QString error;
        if (!m_session->save(m_file, &error)
            && forms::MsgBox(error + QStringLiteral("\n保存せずに終了しますか?"),
                             forms::vbYesNo | forms::vbExclamation | forms::vbDefaultButton2, windowTitle())
                   != forms::vbYes) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace designer
