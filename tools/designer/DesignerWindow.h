#pragma once
// The designer's window: the hosted control on a form, the ファイル menu
// (open, save, save as, quit), the コントロール menu (which control, its
// property frame) and a toolbar button for the property frame. Messages and
// file dialogs go through the program's dialog service (platform/forms), so
// they are Japanese and a test can answer them.
#include "tools/designer/DesignerSession.h"

#include <QMainWindow>

#include <memory>

class QAction;

namespace designer {

class DesignerWindow : public QMainWindow {
public:
    DesignerWindow();
    ~DesignerWindow() override;

    DesignerSession &session() { return *m_session; }

    // The file ファイル → 保存 writes. With saveAtQuit the design is also
    // written there when the window closes; a failed write asks whether to
    // quit without saving.
    void setDesignFile(const QString &path, bool saveAtQuit);
    const QString &designFile() const { return m_file; }

    // Hosts a new control of the kind; a failure is shown.
    void replace(const QString &progId);
    // Writes the design to path; a failure is shown and false returned.
    bool saveTo(const QString &path);
    // ファイル → 保存: to the design file, or to a chosen one when there is none.
    bool save();
    bool saveAs();
    void open();
    // The control's property frame (modal, centred on this window).
    void showProperties();

    QAction *saveAction() const { return m_saveAction; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showError(const QString &text);

    std::unique_ptr<DesignerSession> m_session;
    QString m_file;
    bool m_saveAtQuit = false;
    QAction *m_saveAction = nullptr;
};

} // namespace designer
