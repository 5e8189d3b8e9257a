#pragma once
// Forms of the runtime. A Form object lives in three states:
//  - created: the C++ object exists, no window and no controls;
//  - loaded: the window and its controls exist and Form_Load has run. A form
//    is loaded by Load(), Show(), or the first touch of one of its controls
//    or of a window property (Caption, MousePointer, hWnd, TextWidth ...);
//    never implicitly otherwise;
//  - shown.
// Unload() destroys the window and the controls; the C++ object and its plain
// members survive and a later touch loads the form again from its design.
//
// Enabled is kept as a set of named disable holds: the form is enabled only
// while no holder keeps it disabled, so independent parties (a progress
// dialog, an owner window, a button lock) cannot undo each other's holds.
// Holds and Visible() do not load a form.
#include "platform/forms/constants.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

class QEventLoop;
class QMenuBar;
class QWidget;

namespace platform::forms {

class Control;
class FormWidget;
class Menu;

class Form : public QObject {
    Q_OBJECT
public:
    explicit Form(QObject *parent = nullptr);
    ~Form() override;

    // Lifecycle.
    void Load();
    bool isLoaded() const { return m_state != State::Created; }
    void ensureLoaded();
    void Show(int modal = vbModeless, Form *owner = nullptr);
    void Hide();
    // Runs Form_QueryUnload(vbFormCode) and Form_Unload; false when cancelled.
    bool Unload();
    bool Visible() const;
    void setVisible(bool visible);
    Form *Owner() const { return m_owner; }
    int BorderStyle() const { return m_borderStyle; }
    int StartUpPosition() const { return m_startUpPosition; }
    // The form window the user works in now: the active one, else the most
    // recently shown visible one (the owner of a message box).
    static QWidget *activeWindow();
    bool isModal() const { return m_modalLoop != nullptr; }
    // A dialog box by design (assistive tools are told a dialog even while
    // it is shown modeless); a form shown modally is one in any case.
    bool isDialogBox() const { return m_dialogBox; }

    // Window properties (these load the form).
    QString Caption();
    void setCaption(const QString &caption);
    int MousePointer();
    void setMousePointer(int pointer);
    quintptr hWnd();
    QWidget *widget();
    int TextWidth(const QString &text);
    int TextHeight(const QString &text = QStringLiteral("Ag"));
    void Refresh();
    // Outer position and size, and the inner (client) size, in twips.
    int Left();
    int Top();
    int Width();
    int Height();
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void Move(int left, int top, int width = -1, int height = -1);
    int ScaleWidth();
    int ScaleHeight();
    void ZOrder(int position = 0);
    // The window's menu bar (created with the first top-level menu).
    QMenuBar *menuBar();
    // Shows the items of a menu as a popup at the mouse; the chosen item's
    // Click runs before it returns. On a headless platform, and while a
    // DialogScript runs, nothing can be chosen: the request is only recorded
    // (lastPopupMenu).
    void PopupMenu(Menu &menu);
    Menu *lastPopupMenu() const;

    // Presses the form's default (Enter) or cancel (Esc) command button when
    // it is enabled and visible, as a dialog does for those keys; false when
    // there is none.
    enum DialogButton { DefaultButton, CancelButton };
    bool pressDialogButton(DialogButton which);

    // Disable holds.
    bool Enabled() const { return m_holds.isEmpty(); }
    void setEnabled(bool enabled); // the form's own hold, holder "self"
    void addDisableHold(const QString &holder);
    void releaseDisableHold(const QString &holder);
    bool hasDisableHold(const QString &holder) const { return m_holds.contains(holder); }
    QStringList disableHolds() const;

    // Controls of the form in creation order (timers included).
    const QList<Control *> &Controls() const { return m_controls; }
    Control *control(const QString &name, int index = -1) const;

    // The window the user can work in, preferred first: preferred when it is
    // shown and takes input, else the modal window up, else the form window
    // shown last that is shown and enabled; nullptr when there is none.
    static QWidget *windowToWorkIn(QWidget *preferred);

    // The form whose window handle is given, or nullptr.
    static Form *fromHWnd(quintptr handle);
    static QList<Form *> loadedForms();

signals:
    void Loaded();
    void Unloaded();

protected:
    // Design-time state: sizes, captions, positions. Runs at every load, after
    // the controls were created and before Form_Load.
    virtual void designForm() {}
    virtual void Form_Load() {}
    virtual void Form_QueryUnload(int &cancel, int unloadMode);
    virtual void Form_Unload(int &cancel);
    virtual void Form_Resize() {}
    virtual void Form_Activate() {}
    // Client size of the window at design, in twips.
    void setDesignSize(int widthTwips, int heightTwips);
    // A fixed single border: the user cannot resize the window.
    void setFixedBorder(bool fixed);
    // The window's border (vbSizable, vbFixedSingle, vbFixedDialog, vbBSNone).
    // A fixed dialog has only its close button and, shown with an owner, no
    // task-bar entry; a fixed single border has no maximise button and a
    // minimise button only when the window has no owner. Fixed borders keep
    // the window's size.
    void setBorderStyle(int style);
    // Where the window first appears: vbStartUpOwner centred on its owner,
    // vbStartUpScreen centred on the screen, vbStartUpManual at Left/Top,
    // vbStartUpWindowsDefault (the default) centred on the owner when it has
    // one, else on the screen.
    void setStartUpPosition(int position);
    void setDialogBox(bool dialogBox) { m_dialogBox = dialogBox; }

private:
    friend class Control;
    friend class FormWidget;
    enum class State { Created, Loading, Loaded };

    void registerControl(Control *control);
    void unregisterControl(Control *control);
    void applyEnabled();
    bool unloadWith(int unloadMode);
    void destroyWindow();
    void userClose();
    void resized();
    void activated();
    void endModal();
    void applyWindowFlags();
    // Places the window for its first showing and keeps it on the screen.
    void placeForShow();
    // Once shown with its real frame: moved (a sizable one also shrunk) so
    // that the whole window is on the screen.
    void keepOnScreen();
    // Hands a centring from placeForShow on to the window's first exposure.
    void centreOnceShown();
    // After the active window closed: its owner (or the window at work in
    // its place) is activated.
    static void activateAfterClose(QWidget *owner);

    State m_state = State::Created;
    FormWidget *m_widget = nullptr;
    QList<Control *> m_controls;
    QSet<QString> m_holds;
    QPointer<Form> m_owner;
    QEventLoop *m_modalLoop = nullptr;
    bool m_inUnload = false;
    QPointer<QObject> m_lastPopup;
    int m_borderStyle = 2;
    // The flags last given to the window (Qt widens them when they are set,
    // so the window's own flags cannot tell whether they changed).
    Qt::WindowFlags m_appliedFlags;
    bool m_flagsApplied = false;
    int m_startUpPosition = 3;
    bool m_dialogBox = false;
    bool m_placed = false;
    bool m_centreAfterShow = false;
    QPointer<QWidget> m_centreOn; // null: the screen
    // The control that had the focus when the window was disabled: Qt takes
    // the focus from a window it disables, and it goes back at the enabling.
    QPointer<QWidget> m_focusBeforeDisable;
};

// Held while a message box or a modal window is up: once it is gone, the
// window the user worked in is the active window again and its focus is
// back on the control that had it (the control the menu bar took it from
// when the box or window came from a menu). A window that can no longer
// take input gives way to the one windowToWorkIn() names.
class FocusReturn {
public:
    FocusReturn();
    ~FocusReturn();
    FocusReturn(const FocusReturn &) = delete;
    FocusReturn &operator=(const FocusReturn &) = delete;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focus;
};

// The application-wide mouse pointer (Screen.MousePointer): a value, not a
// stack; vbDefault removes the override.
class Screen {
public:
    static int MousePointer();
    static void setMousePointer(int pointer);
    static int Width();  // twips
    static int Height(); // twips
};

} // namespace platform::forms
