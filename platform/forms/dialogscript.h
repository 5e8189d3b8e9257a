#pragma once
// The dialog service: every message box and file dialog of the program goes
// through it. Outside tests the real QMessageBox / QFileDialog is shown.
// While a DialogScript exists, the boxes and dialogs are answered from its
// script instead, in order, and recorded in shown().
//
//   DialogScript script;
//   script.answerNext(vbYes);
//   script.chooseFile("/tmp/x.dmd");
//   script.cancelNextFileDialog();
//   ... code under test ...
//   EXPECT_TRUE(script.verify());
//
// A box or dialog for which nothing (or a step of the other kind) is scripted
// is answered with its default (the default button; cancel for a file
// dialog), recorded as unexpected and reported at once to the unexpected-
// dialog handler. Steps never used are reported by verify() and, unless
// verify() ran, by the destructor. Tests install the handler (e.g. one that
// calls ADD_FAILURE); with no handler installed a report aborts the program
// so that it can never pass unnoticed. The same happens for a box outside any
// script while the platform is headless ("offscreen"): nobody could answer it.
#include <QList>
#include <QRect>
#include <QStringList>
#include <QString>

#include <deque>
#include <functional>
#include <optional>

namespace platform::forms {

struct ShownDialog {
    enum Kind { MessageBox, OpenFile, SaveFile };
    Kind kind = MessageBox;
    QString prompt;      // message text; for file dialogs the initial file name
    QString title;       // box title / DialogTitle
    int style = 0;       // MsgBox style; for file dialogs the Flags
    QString initDir;     // file dialogs
    QString filter;      // file dialogs, "text|pattern|..."
    int filterIndex = 0; // file dialogs
    int result = 0;      // MsgBox result
    QString fileName;    // chosen file; "" when cancelled
    bool unexpected = false;
    // Of a box or dialog shown for real (showAndPressNext, showAndCancelNext):
    bool shownForReal = false;
    QString windowTitle;  // the title on its window
    QStringList buttons;  // texts of its buttons, in their order
    QStringList filters;  // the file types offered by a file dialog
    QString ownerTitle;   // title of the window that owns it; "" none
    QRect frame;          // its place on the screen
    QRect ownerFrame;     // the owner's place on the screen
};

// A request for a file dialog.
struct FileDialogRequest {
    bool save = false;
    QString title;
    QString initDir;
    QString filter;
    int filterIndex = 1;
    QString fileName;
    QString defaultExt;
    int flags = 0;
};

// Answer of a file dialog: the chosen path and filter index, or nothing when
// cancelled.
struct FileDialogAnswer {
    QString path;
    int filterIndex = 1;
};

class DialogScript {
public:
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript &) = delete;
    DialogScript &operator=(const DialogScript &) = delete;

    // Answers the next message box with a result (vbYes, vbOK ...).
    void answerNext(int result);
    // Answers the next message box by a callback that sees the box (it may
    // also inspect the program's state while the box is up).
    void answerNextWith(std::function<int(const ShownDialog &)> answer);
    // The next file dialog returns this path (filter index unchanged).
    void chooseFile(const QString &path, int filterIndex = 0);
    // The next file dialog is cancelled.
    void cancelNextFileDialog();
    // The next message box is shown for real, as the program shows it outside
    // tests, and answered by a press of its button for result; its button
    // texts, owner and place are recorded.
    void showAndPressNext(int result);
    // The next file dialog is shown for real and cancelled once its texts,
    // file types, owner and place were recorded.
    void showAndCancelNextFileDialog();

    const QList<ShownDialog> &shown() const { return m_shown; }
    QStringList prompts() const;
    int pending() const { return int(m_steps.size()); }
    int unexpectedCount() const;
    // True when every scripted step was used and nothing unexpected appeared;
    // reports unused steps to the handler.
    bool verify();

    // True while a script exists: popup menus are then only recorded
    // (Form::lastPopupMenu), never opened, so that no test waits on them.
    static bool isActive();

    using Handler = std::function<void(const QString &report)>;
    static void setUnexpectedDialogHandler(Handler handler);
    static Handler unexpectedDialogHandler();

    // The dialog service (used by MsgBox and CommonDialog).
    static int showMessageBox(const QString &prompt, int style, const QString &title);
    static std::optional<FileDialogAnswer> showFileDialog(const FileDialogRequest &request);

private:
    struct Step {
        enum Kind { Answer, Choose, CancelFile, ShowAndPress, ShowAndCancel } kind = Answer;
        int result = 0;
        std::function<int(const ShownDialog &)> callback;
        QString path;
        int filterIndex = 0;
    };
    static void report(const QString &text);

    std::deque<Step> m_steps;
    QList<ShownDialog> m_shown;
    bool m_verified = false;
    DialogScript *m_previous;
};

} // namespace platform::forms
