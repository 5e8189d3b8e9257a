#include "platform/forms/form.h"

#include "platform/forms/centring.h"
#include "platform/forms/control.h"
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/formwidget.h"
#include "platform/forms/menus.h"
#include "platform/forms/window_accessible.h"
#include "platform/runtime/runtime_error.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

namespace platform::forms {

namespace {
QList<Form *> &allForms()
{
    static QList<Form *> forms;
    return forms;
}

const QString selfHolder = QStringLiteral("self");

// The form whose window was shown last (the owner of a message box when no
// window is active, as on a headless platform).
QPointer<Form> &lastShownForm()
{
    static QPointer<Form> form;
    return form;
}

// The forms in the order their windows were last shown, the latest last.
QList<QPointer<Form>> &shownOrder()
{
    static QList<QPointer<Form>> forms;
    return forms;
}

// Brings a window to the front where the platform can (a headless one cannot).
void raiseWindow(QWidget *window)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    window->raise();
    window->activateWindow();
}

Qt::CursorShape cursorShape(int pointer)
{
    switch (pointer) {
    case vbArrow: return Qt::ArrowCursor;
    case vbCrosshair: return Qt::CrossCursor;
    case vbIbeam: return Qt::IBeamCursor;
    case vbHourglass: return Qt::WaitCursor;
    case 12: return Qt::ForbiddenCursor;
    case 13: return Qt::BusyCursor;
    case 15: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}
} // namespace

// ---- FormWidget -----------------------------------------------------------

FormWidget::FormWidget(Form *form) : QWidget(nullptr, Qt::Window), m_form(form), m_client(new QWidget(this))
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    detail::installFormWindowAccessibility();
    layoutClient();
    // The control the focus goes back to when the menu bar or another window
    // had it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && m_client->isAncestorOf(now))
            m_lastClientFocus = now;
    });
}

QMenuBar *FormWidget::menuBar()
{
    if (!m_menuBar) {
        const QSize clientSize = m_client->size();
        m_menuBar = new QMenuBar(this);
        m_menuBar->setNativeMenuBar(false);
        // A fixed height: the client area keeps its design size whatever
        // the bar holds.
        m_menuBar->setFixedHeight(std::max(m_menuBar->sizeHint().height(), m_menuBar->fontMetrics().height() + 8));
        m_menuBar->show();
        // F10 takes up the menu bar as Alt does.
        auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
        connect(f10, &QShortcut::activated, this, [this] { takeUpMenuBar(); });
        resizeClient(clientSize.width(), clientSize.height());
    }
    return m_menuBar;
}

void FormWidget::takeUpMenuBar()
{
    if (!m_menuBar || !m_menuBar->isVisible() || m_menuBar->actions().isEmpty())
        return;
    // The menu bar has no call for its keyboard mode: it is given the Alt
    // press and release it enters that mode on, as from the keyboard. (A key
    // event of Alt tells the Alt modifier flipped: the press made without it
    // reads as one with Alt held.)
    QWidget *focus = QApplication::focusWidget();
    QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(focus && focus->window() == this ? focus : this, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(m_menuBar, &release);
}

int FormWidget::menuBarHeight() const
{
    return m_menuBar ? m_menuBar->height() : 0;
}

void FormWidget::resizeClient(int width, int height)
{
    resize(width, height + menuBarHeight());
    layoutClient();
}

void FormWidget::layoutClient()
{
    const int bar = menuBarHeight();
    if (m_menuBar)
        m_menuBar->setGeometry(0, 0, width(), bar);
    m_client->setGeometry(0, bar, width(), std::max(0, height() - bar));
}

void FormWidget::closeEvent(QCloseEvent *event)
{
    // The form decides; its unload destroys this window. A disabled window
    // takes no input, its close box included (the window manager still
    // offers one).
    event->ignore();
    if (m_form && isEnabled())
        m_form->userClose();
}

void FormWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutClient();
    if (m_form)
        m_form->resized();
}

void FormWidget::keyPressEvent(QKeyEvent *event)
{
    // Escape presses the form's cancel button, Enter its default button.
    const bool escape = event->key() == Qt::Key_Escape;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (m_form && (escape || enter) && event->modifiers() == Qt::NoModifier
        && m_form->pressDialogButton(escape ? Form::CancelButton : Form::DefaultButton))
        return;
    QWidget::keyPressEvent(event);
}

bool FormWidget::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_form) {
        if (!isEnabled()) {
            // A disabled window is never the one the user works in (a
            // window manager may hand it the activation when a window over
            // it closes): the window that holds it disabled takes it.
            QPointer<FormWidget> self(this);
            QTimer::singleShot(0, this, [self] {
                if (!self || self->isEnabled() || QApplication::activeWindow() != self)
                    return;
                if (QWidget *work = Form::windowToWorkIn(nullptr); work && work != self) {
                    work->raise();
                    work->activateWindow();
                }
            });
        }
        m_form->activated();
    }
    // A new caption is the window's new name, unless a name was given.
    if (event->type() == QEvent::WindowTitleChange && accessibleName().isEmpty())
        detail::tellWindowNameChanged(this);
    return QWidget::event(event);
}

// ---- Form -----------------------------------------------------------------

Form::Form(QObject *parent) : QObject(parent)
{
    allForms().append(this);
}

Form::~Form()
{
    allForms().removeAll(this);
    endModal();
    if (m_widget) {
        m_widget->detachForm();
        delete m_widget;
        m_widget = nullptr;
    }
}

void Form::Load()
{
    ensureLoaded();
}

void Form::ensureLoaded()
{
    if (m_state != State::Created)
        return;
    m_state = State::Loading;
    m_widget = new FormWidget(this);
    m_widget->setWindowTitle(QString());
    for (Control *control : m_controls)
        control->create(m_widget->client());
    applyEnabled();
    // A failing design or load step leaves the form loaded and reaches the
    // caller that touched the form, as in the original.
    struct Finish {
        Form *form;
        ~Finish()
        {
            if (form->m_state == State::Loading)
                form->m_state = State::Loaded;
        }
    } finish{this};
    designForm();
    Form_Load();
    emit Loaded();
}

void Form::Show(int modal, Form *owner)
{
    ensureLoaded();
    if (!m_widget)
        return; // unloaded by its own Form_Load
    if (modal == vbModal && m_widget->isVisible() && !m_modalLoop)
        platform::raise(platform::err::FormAlreadyDisplayed);
    if (owner && owner != this) {
        m_owner = owner;
        owner->ensureLoaded();
    }
    applyWindowFlags();
    if (m_owner && m_owner->m_widget) {
        // The owner keeps this window above it. Not a child widget: a
        // disabled owner must not disable this window.
        m_widget->winId();
        m_owner->m_widget->winId();
        if (m_widget->windowHandle() && m_owner->m_widget->windowHandle())
            m_widget->windowHandle()->setTransientParent(m_owner->m_widget->windowHandle());
    }
    placeForShow();
    lastShownForm() = this;
    shownOrder().removeAll(QPointer<Form>(this));
    shownOrder().removeAll(QPointer<Form>());
    shownOrder().append(this);
    if (modal == vbModal) {
        if (m_modalLoop)
            return;
        m_widget->setWindowModality(Qt::ApplicationModal);
        const bool first = !m_widget->isVisible();
        if (first)
            centreOnceShown();
        m_widget->show();
        if (first)
            keepOnScreen();
        raiseWindow(m_widget);
        // The window it came from is back at work once it is gone.
        FocusReturn focusReturn;
        QEventLoop loop;
        m_modalLoop = &loop;
        QPointer<Form> self(this);
        loop.exec(QEventLoop::DialogExec);
        if (self) {
            m_modalLoop = nullptr;
            if (m_widget)
                m_widget->setWindowModality(Qt::NonModal);
        }
        return;
    }
    const bool first = !m_widget->isVisible();
    if (first)
        centreOnceShown();
    m_widget->show();
    if (first)
        keepOnScreen();
    raiseWindow(m_widget);
}

bool Form::pressDialogButton(DialogButton which)
{
    for (Control *control : m_controls) {
        auto *button = qobject_cast<CommandButton *>(control);
        if (!button || !button->hasWidget() || !(which == CancelButton ? button->Cancel() : button->Default()))
            continue;
        if (button->widget()->isEnabled() && button->Visible()) {
            button->setValue(true);
            return true;
        }
    }
    return false;
}

void Form::applyWindowFlags()
{
    Qt::WindowFlags flags;
    switch (m_borderStyle) {
    case vbFixedDialog:
        flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                Qt::WindowCloseButtonHint;
        break;
    case vbFixedSingle:
        flags = (m_owner ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (!m_owner)
            flags |= Qt::WindowMinimizeButtonHint;
        break;
    case vbBSNone:
        flags = (m_owner ? Qt::Dialog : Qt::Window) | Qt::FramelessWindowHint;
        break;
    default:
        // An owned window is a dialog-type window to the window system, the
        // type for which it writes the owner as transient parent
        // (WM_TRANSIENT_FOR): the window manager then keeps it above its
        // owner. It keeps the buttons of a normal window.
        flags = m_owner ? Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint
                        : Qt::Window;
        break;
    }
    if (m_flagsApplied && m_appliedFlags == flags)
        return;
    // Changing the flags hides a shown window; it is shown again as it was.
    const bool visible = m_widget->isVisible();
    m_widget->setWindowFlags(flags);
    m_appliedFlags = flags;
    m_flagsApplied = true;
    if (visible)
        m_widget->show();
}

void Form::keepOnScreen()
{
    if (!m_widget || !m_widget->isVisible())
        return;
    QScreen *screen = m_widget->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = frameMarginsOf(m_widget);
    if (m_borderStyle == vbSizable) {
        const QSize room = area.size().shrunkBy(frame);
        if (m_widget->width() > room.width() || m_widget->height() > room.height())
            m_widget->resize(m_widget->size().boundedTo(room));
    }
    const QRect outer = outerGeometry(m_widget);
    QPoint topLeft = outer.topLeft();
    topLeft.setX(std::max(area.left(), std::min(topLeft.x(), area.right() + 1 - outer.width())));
    topLeft.setY(std::max(area.top(), std::min(topLeft.y(), area.bottom() + 1 - outer.height())));
    if (topLeft != outer.topLeft())
        moveFrameTo(m_widget, topLeft);
}

void Form::placeForShow()
{
    if (m_widget->isVisible())
        return;
    QScreen *screen = nullptr;
    QWidget *owner = m_owner && m_owner->m_widget && m_owner->m_widget->isVisible() ? m_owner->m_widget : nullptr;
    if (owner)
        screen = owner->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The frame the window manager adds: taken to be that of a shown window
    // (the owner first), else a usual title bar and border.
    QMargins frame(4, 28, 4, 4);
    QWidget *framed = owner;
    if (!framed)
        for (Form *form : allForms())
            if (form != this && form->m_widget && form->m_widget->isVisible())
                framed = form->m_widget;
    if (framed)
        frame = frameMarginsOf(framed);
    QSize size = m_widget->size();
    // A sizable window larger than the screen is made to fit it.
    if (m_borderStyle == vbSizable) {
        const QSize room = area.size().shrunkBy(frame);
        if (size.width() > room.width() || size.height() > room.height()) {
            size = size.boundedTo(room);
            m_widget->resize(size);
        }
    }
    const QSize outer = size.grownBy(frame);
    QPoint topLeft = m_widget->pos();
    if (!m_placed) {
        m_placed = true;
        int position = m_startUpPosition;
        if (position == vbStartUpWindowsDefault)
            position = owner ? vbStartUpOwner : vbStartUpScreen;
        if (position == vbStartUpOwner && !owner)
            position = vbStartUpScreen;
        if (position == vbStartUpOwner || position == vbStartUpScreen) {
            const QRect target = position == vbStartUpOwner ? outerGeometry(owner) : area;
            topLeft = centredTopLeft(outer, target);
            // The frame above is a guess: centred again with the window's
            // own frame once the window manager has framed it.
            m_centreOn = position == vbStartUpOwner ? owner : nullptr;
            m_centreAfterShow = true;
        }
    }
    // Fully on the screen where it fits.
    m_widget->move(keptOn(topLeft, outer, area));
}

void Form::centreOnceShown()
{
    if (!m_centreAfterShow)
        return;
    m_centreAfterShow = false;
    centreOnceFramed(m_widget, m_centreOn);
}

void Form::Hide()
{
    if (m_widget) {
        const bool wasActive = QApplication::activeWindow() == m_widget;
        m_widget->hide();
        if (wasActive)
            activateAfterClose(m_owner ? m_owner->m_widget : nullptr);
    }
    endModal();
}

void Form::activateAfterClose(QWidget *owner)
{
    // As the window system the program was made for does: the owner of an
    // active window that closes is the active window next (or the window
    // that works in its place, when it is disabled).
    QWidget *next = windowToWorkIn(owner);
    if (next && QApplication::activeWindow() != next) {
        next->raise();
        next->activateWindow();
    }
}

bool Form::Unload()
{
    return unloadWith(vbFormCode);
}

bool Form::unloadWith(int unloadMode)
{
    if (m_state == State::Created || m_inUnload)
        return true;
    m_inUnload = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_inUnload};
    int cancel = 0;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel != 0)
        return false;
    Form_Unload(cancel);
    if (cancel != 0)
        return false;
    destroyWindow();
    emit Unloaded();
    return true;
}

void Form::destroyWindow()
{
    endModal();
    FormWidget *widget = m_widget;
    m_widget = nullptr;
    for (Control *control : m_controls)
        control->detach();
    m_state = State::Created;
    QWidget *owner = m_owner ? m_owner->m_widget : nullptr;
    m_owner = nullptr;
    m_placed = false;
    if (widget) {
        const bool wasActive = QApplication::activeWindow() == widget;
        widget->detachForm();
        widget->hide();
        if (wasActive)
            activateAfterClose(owner);
        // The window may be on the call stack (a click of its own button).
        widget->deleteLater();
    }
}

void Form::endModal()
{
    if (m_modalLoop) {
        m_modalLoop->exit(0);
        m_modalLoop = nullptr;
    }
}

void Form::userClose()
{
    unloadWith(vbFormControlMenu);
}

void Form::resized()
{
    if (m_state == State::Loaded)
        Form_Resize();
}

void Form::activated()
{
    if (m_state == State::Loaded)
        Form_Activate();
}

bool Form::Visible() const
{
    return m_widget && m_widget->isVisible();
}

void Form::setVisible(bool visible)
{
    if (visible)
        Show();
    else
        Hide();
}

void Form::Form_QueryUnload(int &, int) {}

void Form::Form_Unload(int &) {}

QString Form::Caption()
{
    ensureLoaded();
    return m_widget ? m_widget->windowTitle() : QString();
}

void Form::setCaption(const QString &caption)
{
    ensureLoaded();
    if (m_widget)
        m_widget->setWindowTitle(caption);
}

int Form::MousePointer()
{
    ensureLoaded();
    if (!m_widget || !m_widget->testAttribute(Qt::WA_SetCursor))
        return vbDefault;
    return m_widget->property("talvikMousePointer").toInt();
}

void Form::setMousePointer(int pointer)
{
    ensureLoaded();
    if (!m_widget)
        return;
    m_widget->setProperty("talvikMousePointer", pointer);
    if (pointer == vbDefault)
        m_widget->unsetCursor();
    else
        m_widget->setCursor(cursorShape(pointer));
}

quintptr Form::hWnd()
{
    ensureLoaded();
    return reinterpret_cast<quintptr>(m_widget);
}

QWidget *Form::widget()
{
    ensureLoaded();
    return m_widget;
}

int Form::TextWidth(const QString &text)
{
    ensureLoaded();
    QFontMetrics metrics(m_widget->font());
    int widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest * TwipsPerPixel;
}

int Form::TextHeight(const QString &text)
{
    ensureLoaded();
    QFontMetrics metrics(m_widget->font());
    return metrics.height() * int(text.count(QLatin1Char('\n')) + 1) * TwipsPerPixel;
}

void Form::Refresh()
{
    ensureLoaded();
    if (m_widget)
        m_widget->repaint();
}

int Form::Left()
{
    ensureLoaded();
    return outerGeometry(m_widget).x() * TwipsPerPixel;
}

int Form::Top()
{
    ensureLoaded();
    return outerGeometry(m_widget).y() * TwipsPerPixel;
}

int Form::Width()
{
    ensureLoaded();
    const int asked = outerSizeAsked(m_widget).width();
    return (asked >= 0 ? asked : outerGeometry(m_widget).width()) * TwipsPerPixel;
}

int Form::Height()
{
    ensureLoaded();
    const int asked = outerSizeAsked(m_widget).height();
    return (asked >= 0 ? asked : outerGeometry(m_widget).height()) * TwipsPerPixel;
}

void Form::setLeft(int twips)
{
    ensureLoaded();
    moveFrameTo(m_widget, QPoint(twips / TwipsPerPixel, outerGeometry(m_widget).y()));
    keepPlaceOnceFramed(m_widget);
}

void Form::setTop(int twips)
{
    ensureLoaded();
    moveFrameTo(m_widget, QPoint(outerGeometry(m_widget).x(), twips / TwipsPerPixel));
    keepPlaceOnceFramed(m_widget);
}

void Form::setWidth(int twips)
{
    ensureLoaded();
    const QMargins margins = frameMarginsOf(m_widget);
    const int frame = margins.left() + margins.right();
    m_widget->resize(std::max(1, twips / TwipsPerPixel - frame), m_widget->height());
    keepSizeOnceFramed(m_widget, twips / TwipsPerPixel, -1);
}

void Form::setHeight(int twips)
{
    ensureLoaded();
    const QMargins margins = frameMarginsOf(m_widget);
    const int frame = margins.top() + margins.bottom();
    m_widget->resize(m_widget->width(), std::max(1, twips / TwipsPerPixel - frame));
    keepSizeOnceFramed(m_widget, -1, twips / TwipsPerPixel);
}

void Form::Move(int left, int top, int width, int height)
{
    setLeft(left);
    setTop(top);
    if (width >= 0)
        setWidth(width);
    if (height >= 0)
        setHeight(height);
}

int Form::ScaleWidth()
{
    ensureLoaded();
    return m_widget->client()->width() * TwipsPerPixel;
}

int Form::ScaleHeight()
{
    ensureLoaded();
    return m_widget->client()->height() * TwipsPerPixel;
}

void Form::ZOrder(int position)
{
    ensureLoaded();
    if (position == 0)
        raiseWindow(m_widget);
    else
        m_widget->lower();
}

QMenuBar *Form::menuBar()
{
    ensureLoaded();
    return m_widget->menuBar();
}

Menu *Form::lastPopupMenu() const
{
    return qobject_cast<Menu *>(m_lastPopup.data());
}

void Form::PopupMenu(Menu &menu)
{
    ensureLoaded();
    m_lastPopup = &menu;
    QMenu *items = menu.popupMenu();
    if (!items || QGuiApplication::platformName() == QLatin1String("offscreen") || DialogScript::isActive())
        return;
    items->exec(QCursor::pos());
}

void Form::setDesignSize(int widthTwips, int heightTwips)
{
    ensureLoaded();
    m_widget->resizeClient(std::max(1, widthTwips / TwipsPerPixel), std::max(1, heightTwips / TwipsPerPixel));
}

void Form::setFixedBorder(bool fixed)
{
    setBorderStyle(fixed ? vbFixedSingle : vbSizable);
}

void Form::setBorderStyle(int style)
{
    ensureLoaded();
    if (style < vbBSNone || style > vbFixedDialog)
        platform::raise(platform::err::InvalidPropertyValue);
    m_borderStyle = style;
    if (style == vbFixedSingle || style == vbFixedDialog)
        m_widget->setFixedSize(m_widget->size());
    else
        m_widget->setMinimumSize(0, 0), m_widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    applyWindowFlags();
}

void Form::setStartUpPosition(int position)
{
    if (position < vbStartUpManual || position > vbStartUpWindowsDefault)
        platform::raise(platform::err::InvalidPropertyValue);
    m_startUpPosition = position;
}

QWidget *Form::activeWindow()
{
    // A window just closed may still be the active one until the window
    // system says otherwise; it is hidden and about to go, and owns nothing.
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible())
        return modal;
    QWidget *active = QApplication::activeWindow();
    if (active && active->isVisible())
        return active;
    if (lastShownForm() && lastShownForm()->m_widget && lastShownForm()->m_widget->isVisible())
        return lastShownForm()->m_widget;
    const QList<Form *> forms = allForms();
    for (auto it = forms.crbegin(); it != forms.crend(); ++it)
        if ((*it)->m_widget && (*it)->m_widget->isVisible())
            return (*it)->m_widget;
    return nullptr;
}

void Form::setEnabled(bool enabled)
{
    if (enabled)
        releaseDisableHold(selfHolder);
    else
        addDisableHold(selfHolder);
}

void Form::addDisableHold(const QString &holder)
{
    m_holds.insert(holder);
    applyEnabled();
}

void Form::releaseDisableHold(const QString &holder)
{
    m_holds.remove(holder);
    applyEnabled();
}

QStringList Form::disableHolds() const
{
    QStringList holders(m_holds.begin(), m_holds.end());
    holders.sort();
    return holders;
}

void Form::applyEnabled()
{
    if (!m_widget)
        return;
    const bool enable = m_holds.isEmpty();
    if (!enable && m_widget->isEnabled()) {
        QWidget *focus = m_widget->focusWidget();
        if (!focus || qobject_cast<QMenuBar *>(focus))
            focus = m_widget->lastClientFocus();
        m_focusBeforeDisable = focus;
    }
    const bool wasEnabled = m_widget->isEnabled();
    m_widget->setEnabled(enable);
    if (enable && !wasEnabled) {
        QWidget *focus = m_focusBeforeDisable;
        m_focusBeforeDisable = nullptr;
        QWidget *now = m_widget->focusWidget();
        if (focus && focus->window() == m_widget && focus->isVisible() && focus->isEnabled() &&
            focus->focusPolicy() != Qt::NoFocus && (!now || now == focus || qobject_cast<QMenuBar *>(now)))
            focus->setFocus(Qt::OtherFocusReason);
    }
}

Control *Form::control(const QString &name, int index) const
{
    for (Control *control : m_controls)
        if (control->Name().compare(name, Qt::CaseInsensitive) == 0 && control->Index() == index)
            return control;
    return nullptr;
}

void Form::registerControl(Control *control)
{
    m_controls.append(control);
}

void Form::unregisterControl(Control *control)
{
    m_controls.removeAll(control);
}

Form *Form::fromHWnd(quintptr handle)
{
    for (Form *form : allForms())
        if (form->m_widget && reinterpret_cast<quintptr>(form->m_widget) == handle)
            return form;
    return nullptr;
}

QList<Form *> Form::loadedForms()
{
    QList<Form *> loaded;
    for (Form *form : allForms())
        if (form->isLoaded())
            loaded.append(form);
    return loaded;
}

QWidget *Form::windowToWorkIn(QWidget *preferred)
{
    const auto works = [](QWidget *window) { return window && window->isVisible() && window->isEnabled(); };
    if (works(preferred))
        return preferred;
    QWidget *modal = QApplication::activeModalWidget();
    if (works(modal))
        return modal;
    const QList<QPointer<Form>> order = shownOrder();
    for (auto it = order.crbegin(); it != order.crend(); ++it)
        if (*it && works((*it)->m_widget))
            return (*it)->m_widget;
    return nullptr;
}

// ---- FocusReturn ----------------------------------------------------------

FocusReturn::FocusReturn() : m_window(Form::activeWindow())
{
    if (!m_window)
        return;
    m_focus = m_window->focusWidget();
    // A box chosen from the menu bar's keyboard mode finds the focus on the
    // menu bar; it goes back to the control the bar took it from.
    if (auto *form = qobject_cast<FormWidget *>(m_window.data());
        form && (!m_focus || qobject_cast<QMenuBar *>(m_focus.data())))
        m_focus = form->lastClientFocus();
}

FocusReturn::~FocusReturn()
{
    QWidget *window = Form::windowToWorkIn(m_window);
    if (!window)
        return;
    if (QApplication::activeWindow() != window) {
        window->raise();
        window->activateWindow();
    }
    // The window keeps its focus child while it is inactive; only a window
    // left with none, or with the menu bar, gets its control back (a
    // handler may have put the focus elsewhere meanwhile, and keeps it).
    QWidget *now = window->focusWidget();
    if (now && !qobject_cast<QMenuBar *>(now))
        return;
    const auto usable = [window](QWidget *w) {
        return w && w->window() == window && w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus &&
               !qobject_cast<QMenuBar *>(w);
    };
    QWidget *focus = m_focus;
    if (!usable(focus))
        if (auto *form = qobject_cast<FormWidget *>(window))
            focus = form->lastClientFocus();
    if (usable(focus))
        focus->setFocus(Qt::ActiveWindowFocusReason);
}

// ---- Screen ---------------------------------------------------------------

namespace {
int screenPointer = vbDefault;
}

int Screen::MousePointer()
{
    return screenPointer;
}

void Screen::setMousePointer(int pointer)
{
    if (pointer == vbDefault) {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    } else if (QGuiApplication::overrideCursor()) {
        QGuiApplication::changeOverrideCursor(QCursor(cursorShape(pointer)));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(cursorShape(pointer)));
    }
    screenPointer = pointer;
}

int Screen::Width()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() * TwipsPerPixel : 0;
}

int Screen::Height()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() * TwipsPerPixel : 0;
}

} // namespace platform::forms
