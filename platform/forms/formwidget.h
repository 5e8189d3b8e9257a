#pragma once
// The top-level window of a loaded form (internal to the forms layer).
#include <QPointer>
#include <QWidget>

class QMenuBar;

namespace platform::forms {

class Form;

class FormWidget : public QWidget {
    Q_OBJECT
public:
    explicit FormWidget(Form *form);
    void detachForm() { m_form = nullptr; }
    Form *form() const { return m_form; }
    // The client area below the menu bar: the controls' parent.
    QWidget *client() const { return m_client; }
    // The menu bar, created with the first top-level menu.
    QMenuBar *menuBar();
    int menuBarHeight() const;
    // Resizes the window so that its client area gets this size.
    void resizeClient(int width, int height);
    // Puts the menu bar in its keyboard mode (first menu marked, none open).
    void takeUpMenuBar();
    // The control of the client area that had the focus last, or nullptr.
    QWidget *lastClientFocus() const { return m_lastClientFocus; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    void layoutClient();
    Form *m_form;
    QWidget *m_client;
    QMenuBar *m_menuBar = nullptr;
    QPointer<QWidget> m_lastClientFocus;
};

} // namespace platform::forms
