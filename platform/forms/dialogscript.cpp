#include "platform/forms/dialogscript.h"

#include "platform/forms/centring.h"
#include "platform/forms/commondialog.h"
#include "platform/forms/form.h"
#include "platform/forms/msgbox.h"

#include <QAbstractButton>
#include <QTimer>
#include <QWindow>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace platform::forms {

namespace {
DialogScript *activeScript = nullptr;
DialogScript::Handler &handlerSlot()
{
    static DialogScript::Handler handler;
    return handler;
}

// No person answers a box: on a headless platform, and in a program that
// reports unexpected boxes (a test run, also on a real display).
bool headless()
{
    return QGuiApplication::platformName() == QLatin1String("offscreen") ||
           QGuiApplication::platformName() == QLatin1String("minimal") || bool(handlerSlot());
}

QString describe(const ShownDialog &dialog)
{
    switch (dialog.kind) {
    case ShownDialog::OpenFile: return QStringLiteral("open file dialog \"%1\"").arg(dialog.title);
    case ShownDialog::SaveFile: return QStringLiteral("save file dialog \"%1\"").arg(dialog.title);
    default: return QStringLiteral("message box \"%1\" (style %2)").arg(dialog.prompt).arg(dialog.style);
    }
}

// The message box as the program shows it: owned by the window the user
// works in (centred on it), the original's button captions. The box lives
// on the heap: an owner closed by a timer while the box is up takes the box
// with it, and the answer is then that of Escape.
struct MessageBoxSetup {
    QPointer<QMessageBox> box;
    QList<QPushButton *> buttons;
    QList<int> results;
    int escapeResult = vbCancel;
    MessageBoxSetup(const QString &prompt, int style, const QString &title)
        : box(new QMessageBox(Form::activeWindow()))
    {
        box->setWindowTitle(title);
        box->setText(prompt);
        switch (msgBoxIcon(style)) {
        case vbCritical: box->setIcon(QMessageBox::Critical); break;
        case vbQuestion: box->setIcon(QMessageBox::Question); break;
        case vbExclamation: box->setIcon(QMessageBox::Warning); break;
        case vbInformation: box->setIcon(QMessageBox::Information); break;
        default: box->setIcon(QMessageBox::NoIcon); break;
        }
        results = msgBoxResults(style);
        for (int result : results) {
            const QMessageBox::ButtonRole role = result == vbCancel || result == vbNo ? QMessageBox::RejectRole
                                                                                       : QMessageBox::AcceptRole;
            buttons.append(box->addButton(msgBoxButtonText(result), role));
        }
        const int defaultIndex = msgBoxDefaultButton(style);
        box->setDefaultButton(buttons.value(defaultIndex < buttons.size() ? defaultIndex : 0));
        // Escape answers Cancel where there is one, No for Yes/No, OK for a
        // lone OK button; Abort/Retry/Ignore has no Escape button.
        if (msgBoxButtons(style) != vbAbortRetryIgnore)
            box->setEscapeButton(buttons.at(int(results.indexOf(msgBoxEscapeResult(style)))));
        escapeResult = msgBoxEscapeResult(style);
    }
    ~MessageBoxSetup() { delete box; }
    MessageBoxSetup(const MessageBoxSetup &) = delete;
    MessageBoxSetup &operator=(const MessageBoxSetup &) = delete;
    int exec()
    {
        // Centred on the owner's window with the box's own frame once shown.
        centreOnceFramed(box, box->parentWidget() ? box->parentWidget()->window() : nullptr);
        {
            const FocusReturn focusReturn;
            box->exec();
        }
        const int clicked = box ? int(buttons.indexOf(static_cast<QPushButton *>(box->clickedButton()))) : -1;
        // A box that went without a press (with its owner) answers as Escape.
        if (clicked < 0)
            return escapeResult;
        return results.at(clicked);
    }
};

int realMessageBox(const QString &prompt, int style, const QString &title)
{
    MessageBoxSetup setup(prompt, style, title);
    return setup.exec();
}

// Runs then once dialog is on the screen (the window system has mapped and
// framed it and its placing is done, so that its place is the one a person
// sees), at most after three seconds.
void whenExposed(QWidget *dialog, std::function<void()> then)
{
    auto *poll = new QTimer(dialog);
    poll->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, dialog, [dialog, poll, tries, then = std::move(then)] {
        QWindow *handle = dialog->windowHandle();
        if (!(handle && handle->isExposed() && !placingPending(dialog)) && ++*tries < 300)
            return;
        poll->stop();
        poll->deleteLater();
        then();
    });
    poll->start();
}

// What a test reads of a dialog shown for real.
void recordShown(QWidget *dialog, ShownDialog &shown)
{
    shown.shownForReal = true;
    shown.windowTitle = dialog->windowTitle();
    shown.frame = outerGeometry(dialog);
    if (QWidget *owner = dialog->parentWidget()) {
        shown.ownerTitle = owner->window()->windowTitle();
        shown.ownerFrame = outerGeometry(owner->window());
    }
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
        if (button->isVisible() && !button->text().isEmpty() && qobject_cast<QPushButton *>(button))
            shown.buttons.append(button->text());
    if (auto *files = qobject_cast<QFileDialog *>(dialog))
        shown.filters = files->nameFilters();
}

// The file dialog as the program shows it: Qt's own (translated) dialog,
// owned by the window the user works in.
void setUpFileDialog(QFileDialog &dialog, const FileDialogRequest &request)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks about overwriting itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = CommonDialog::qtFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size() ? request.filterIndex : 1;
        dialog.selectNameFilter(filters.at(index - 1));
    }
    QString directory = request.initDir;
    if (directory.isEmpty())
        directory = QDir::currentPath();
    dialog.setDirectory(directory);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (!request.defaultExt.isEmpty())
        dialog.setDefaultSuffix(request.defaultExt);
}

std::optional<FileDialogAnswer> realFileDialog(const FileDialogRequest &request)
{
    QFileDialog dialog(Form::activeWindow());
    setUpFileDialog(dialog, request);
    const QStringList filters = dialog.nameFilters();
    int shown = QDialog::Rejected;
    {
        const FocusReturn focusReturn;
        shown = dialog.exec();
    }
    if (shown != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    FileDialogAnswer answer;
    answer.path = dialog.selectedFiles().first();
    answer.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (answer.filterIndex <= 0)
        answer.filterIndex = request.filterIndex;
    return answer;
}
} // namespace

DialogScript::DialogScript() : m_previous(activeScript)
{
    activeScript = this;
}

DialogScript::~DialogScript()
{
    if (!m_verified)
        verify();
    activeScript = m_previous;
}

void DialogScript::answerNext(int result)
{
    Step step;
    step.kind = Step::Answer;
    step.result = result;
    m_steps.push_back(step);
}

void DialogScript::answerNextWith(std::function<int(const ShownDialog &)> answer)
{
    Step step;
    step.kind = Step::Answer;
    step.callback = std::move(answer);
    m_steps.push_back(step);
}

void DialogScript::chooseFile(const QString &path, int filterIndex)
{
    Step step;
    step.kind = Step::Choose;
    step.path = path;
    step.filterIndex = filterIndex;
    m_steps.push_back(step);
}

void DialogScript::cancelNextFileDialog()
{
    Step step;
    step.kind = Step::CancelFile;
    m_steps.push_back(step);
}

bool DialogScript::isActive()
{
    return activeScript != nullptr;
}

void DialogScript::showAndPressNext(int result)
{
    Step step;
    step.kind = Step::ShowAndPress;
    step.result = result;
    m_steps.push_back(step);
}

void DialogScript::showAndCancelNextFileDialog()
{
    Step step;
    step.kind = Step::ShowAndCancel;
    m_steps.push_back(step);
}

QStringList DialogScript::prompts() const
{
    QStringList texts;
    for (const ShownDialog &dialog : m_shown)
        if (dialog.kind == ShownDialog::MessageBox)
            texts.append(dialog.prompt);
    return texts;
}

int DialogScript::unexpectedCount() const
{
    int count = 0;
    for (const ShownDialog &dialog : m_shown)
        count += dialog.unexpected ? 1 : 0;
    return count;
}

bool DialogScript::verify()
{
    m_verified = true;
    if (!m_steps.empty()) {
        report(QStringLiteral("%1 scripted dialog answer(s) were never used").arg(m_steps.size()));
        m_steps.clear();
        return false;
    }
    return unexpectedCount() == 0;
}

void DialogScript::setUnexpectedDialogHandler(Handler handler)
{
    handlerSlot() = std::move(handler);
}

DialogScript::Handler DialogScript::unexpectedDialogHandler()
{
    return handlerSlot();
}

void DialogScript::report(const QString &text)
{
    if (handlerSlot()) {
        handlerSlot()(text);
        return;
    }
    std::fprintf(stderr, "unexpected dialog: %s\n", text.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

int DialogScript::showMessageBox(const QString &prompt, int style, const QString &title)
{
    DialogScript *script = activeScript;
    if (!script) {
        if (!headless())
            return realMessageBox(prompt, style, title);
        ShownDialog dialog;
        dialog.prompt = prompt;
        dialog.title = title;
        dialog.style = style;
        report(QStringLiteral("%1 appeared without a dialog script").arg(describe(dialog)));
        return msgBoxDefaultResult(style);
    }
    ShownDialog dialog;
    dialog.kind = ShownDialog::MessageBox;
    dialog.prompt = prompt;
    dialog.title = title;
    dialog.style = style;
    if (script->m_steps.empty() ||
        (script->m_steps.front().kind != Step::Answer && script->m_steps.front().kind != Step::ShowAndPress)) {
        dialog.unexpected = true;
        dialog.result = msgBoxDefaultResult(style);
        script->m_shown.append(dialog);
        report(QStringLiteral("%1 appeared with no answer scripted").arg(describe(dialog)));
        return dialog.result;
    }
    Step step = script->m_steps.front();
    script->m_steps.pop_front();
    if (step.kind == Step::ShowAndPress) {
        MessageBoxSetup setup(prompt, style, title);
        const int pressed = int(setup.results.indexOf(step.result));
        // The poll is the box's child: it goes with the box.
        whenExposed(setup.box, [&setup, &dialog, pressed] {
            recordShown(setup.box, dialog);
            if (pressed >= 0)
                setup.buttons.at(pressed)->click();
            else
                setup.box->reject();
        });
        dialog.result = setup.exec();
        if (pressed < 0) {
            dialog.unexpected = true;
            report(QStringLiteral("%1 has no button for %2").arg(describe(dialog)).arg(step.result));
        }
        script->m_shown.append(dialog);
        return dialog.result;
    }
    dialog.result = step.callback ? step.callback(dialog) : step.result;
    if (!msgBoxResults(style).contains(dialog.result)) {
        dialog.unexpected = true;
        report(QStringLiteral("%1 answered with %2, which is not one of its buttons")
                   .arg(describe(dialog))
                   .arg(dialog.result));
    }
    script->m_shown.append(dialog);
    return dialog.result;
}

std::optional<FileDialogAnswer> DialogScript::showFileDialog(const FileDialogRequest &request)
{
    DialogScript *script = activeScript;
    ShownDialog dialog;
    dialog.kind = request.save ? ShownDialog::SaveFile : ShownDialog::OpenFile;
    dialog.prompt = request.fileName;
    dialog.title = request.title;
    dialog.style = request.flags;
    dialog.initDir = request.initDir;
    dialog.filter = request.filter;
    dialog.filterIndex = request.filterIndex;
    if (!script) {
        if (!headless())
            return realFileDialog(request);
        report(QStringLiteral("%1 appeared without a dialog script").arg(describe(dialog)));
        return std::nullopt;
    }
    if (script->m_steps.empty() || script->m_steps.front().kind == Step::Answer ||
        script->m_steps.front().kind == Step::ShowAndPress) {
        dialog.unexpected = true;
        script->m_shown.append(dialog);
        report(QStringLiteral("%1 appeared with no file scripted").arg(describe(dialog)));
        return std::nullopt;
    }
    const Step step = script->m_steps.front();
    script->m_steps.pop_front();
    if (step.kind == Step::ShowAndCancel) {
        QFileDialog files(Form::activeWindow());
        setUpFileDialog(files, request);
        QTimer::singleShot(0, &files, [&files, &dialog] {
            recordShown(&files, dialog);
            files.reject();
        });
        {
            const FocusReturn focusReturn;
            files.exec();
        }
        script->m_shown.append(dialog);
        return std::nullopt;
    }
    if (step.kind == Step::CancelFile) {
        script->m_shown.append(dialog);
        return std::nullopt;
    }
    dialog.fileName = step.path;
    script->m_shown.append(dialog);
    FileDialogAnswer answer;
    answer.path = step.path;
    answer.filterIndex = step.filterIndex > 0 ? step.filterIndex : request.filterIndex;
    return answer;
}

} // namespace platform::forms
