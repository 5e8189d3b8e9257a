#pragma once
// Toolbar with keyed buttons (1-based Buttons collection). A button click
// emits ButtonClick with the button; Value is the pressed state of a check
// button. The toolbar can host other controls (container of their widgets).
#include "platform/forms/control.h"

#include <QPointer>

#include <memory>
#include <vector>

#include <QAction>
class QToolBar;

namespace platform::forms {

class ImageList;
class Toolbar;

constexpr int tbrDefault = 0;
constexpr int tbrCheck = 1;
constexpr int tbrButtonGroup = 2;
constexpr int tbrSeparator = 3;
constexpr int tbrPlaceholder = 4;
constexpr int tbrUnpressed = 0;
constexpr int tbrPressed = 1;

class ToolbarButton {
public:
    int Index() const { return m_index; }
    QString Key() const { return m_key; }
    QString Caption() const;
    void setCaption(const QString &caption);
    QString ToolTipText() const;
    void setToolTipText(const QString &text);
    bool Enabled() const;
    void setEnabled(bool enabled);
    bool Visible() const;
    void setVisible(bool visible);
    int Value() const;
    void setValue(int value);
    int Style() const { return m_style; }
    QAction *action() const { return m_action; }

private:
    friend class Toolbar;
    int m_index = 0;
    QString m_key;
    int m_style = tbrDefault;
    QPointer<QAction> m_action;
};

class Toolbar : public Control {
    Q_OBJECT
public:
    using Control::Control;
    // Buttons.Add: appends a button (index -1) or inserts it at a 1-based
    // index; a key that is taken raises error 35602. image: 1-based index
    // into the image list, 0 none.
    ToolbarButton &Add(const QString &key, const QString &caption = QString(), int style = tbrDefault,
                       int image = 0, int index = -1);
    int Count();
    // Button by 1-based index (error 35600) or key (error 35601).
    ToolbarButton &Buttons(int index);
    ToolbarButton &Buttons(const QString &key);
    ToolbarButton *find(const QString &key);
    void setImageList(ImageList *images) { m_images = images; }
    // Presses a button in code as the user would (ignored when disabled).
    void clickButton(const QString &key);
    // Makes the buttons smaller until the last one shown ends before the
    // controls placed on the bar (run after every layout of the bar).
    void fitButtons();

signals:
    void ButtonClick(platform::forms::ToolbarButton *Button);

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetDestroyed() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_fitting = false;
    void renumber();
    std::vector<std::unique_ptr<ToolbarButton>> m_buttons;
    ImageList *m_images = nullptr;
};

} // namespace platform::forms
