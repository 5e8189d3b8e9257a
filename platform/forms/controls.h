#pragma once
// Standard controls of the form runtime: command buttons, labels, frames,
// text boxes, check and option buttons, list and combo boxes, images and
// picture boxes, and control arrays by index.
#include "platform/forms/constants.h"
#include "platform/forms/control.h"
#include "platform/forms/form.h"
#include "platform/forms/olecolor.h"
#include "platform/runtime/runtime_error.h"

#include <QPixmap>
#include <QStringList>

#include <map>
#include <memory>

namespace platform::forms {

class CommandButton : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Caption();
    void setCaption(const QString &caption);
    bool Default();
    void setDefault(bool isDefault);
    // Cancel: Escape on the form presses this button.
    bool Cancel();
    void setCancel(bool isCancel);
    bool Value() const { return false; }
    // Value = True presses the button in code: Click runs (also when disabled,
    // as in the original).
    void setValue(bool pressed);

signals:
    void Click();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;

private:
    bool m_cancel = false;
};

class Label : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Caption();
    void setCaption(const QString &caption);
    bool AutoSize();
    void setAutoSize(bool autoSize);
    // 0 left, 1 right, 2 centre.
    int Alignment();
    void setAlignment(int alignment);
    bool WordWrap();
    void setWordWrap(bool wrap);

signals:
    void Click();
    void DblClick();

protected:
    QWidget *createWidget(QWidget *parent) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitSize();
    bool m_autoSize = false;
};

class Frame : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Caption();
    void setCaption(const QString &caption);

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class TextBox : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Text();
    void setText(const QString &text);
    int MaxLength();
    void setMaxLength(int length); // 0: no limit
    bool Locked();
    void setLocked(bool locked);
    int SelStart();
    void setSelStart(int start);
    int SelLength();
    void setSelLength(int length);
    QString SelText();
    // 0 left, 1 right, 2 centre.
    void setAlignment(int alignment);

signals:
    void Change();
    void KeyPress(int &KeyAscii);
    void KeyDown(int &KeyCode, int Shift);

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

class CheckBox : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Caption();
    void setCaption(const QString &caption);
    // vbUnchecked 0, vbChecked 1, vbGrayed 2; a change fires Click.
    int Value();
    void setValue(int value);

signals:
    void Click();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
};

// Option buttons in the same container exclude each other.
class OptionButton : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Caption();
    void setCaption(const QString &caption);
    bool Value();
    // True selects this option (the others of its container clear) and fires
    // Click when it was not selected; False clears it.
    void setValue(bool value);

signals:
    void Click();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
};

class ListBox : public Control {
    Q_OBJECT
public:
    using Control::Control;
    // index -1 appends; an index beyond ListCount raises error 5.
    void AddItem(const QString &item, int index = -1);
    void RemoveItem(int index);
    void Clear();
    // "" outside the list, as the original.
    QString List(int index);
    void setList(int index, const QString &item);
    int ListCount();
    // -1: nothing selected; an index outside -1..ListCount-1 raises error 380.
    int ListIndex();
    void setListIndex(int index);
    QString Text();
    bool Selected(int index);
    void setSelected(int index, bool selected);
    int TopIndex();
    void setTopIndex(int index);

signals:
    void Click();
    void DblClick();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
};

class ComboBox : public Control {
    Q_OBJECT
public:
    using Control::Control;
    void AddItem(const QString &item, int index = -1);
    void RemoveItem(int index);
    void Clear();
    QString List(int index);
    int ListCount();
    int ListIndex();
    void setListIndex(int index);
    QString Text();
    // Style 2: only the text of an item can be set (error 383 otherwise).
    void setText(const QString &text);
    // vbComboDropdown 0 (editable) or vbComboDropdownList 2 (design time).
    int Style();
    void setStyle(int style);
    int MaxLength();
    void setMaxLength(int length);

signals:
    void Click();
    void Change();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;

private:
    int m_style = vbComboDropdown;
    int m_maxLength = 0;
};

// A picture loaded from a file; empty for "no picture".
class Picture {
public:
    Picture() = default;
    explicit Picture(const QPixmap &pixmap) : m_pixmap(pixmap) {}
    bool isNull() const { return m_pixmap.isNull(); }
    const QPixmap &pixmap() const { return m_pixmap; }
    int Width() const;  // twips
    int Height() const; // twips

private:
    QPixmap m_pixmap;
};

// LoadPicture: "" gives an empty picture; a missing file raises error 53, an
// unreadable one error 481 (invalid picture).
Picture LoadPicture(const QString &path = QString());

class Image : public Control {
    Q_OBJECT
public:
    using Control::Control;
    Picture picture();
    void setPicture(const Picture &picture);
    bool Stretch();
    void setStretch(bool stretch);

signals:
    void Click();

protected:
    QWidget *createWidget(QWidget *parent) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paint();
    Picture m_picture;
    bool m_stretch = false;
};

class PictureBox : public Control {
    Q_OBJECT
public:
    using Control::Control;
    Picture picture();
    void setPicture(const Picture &picture);
    bool AutoSize();
    void setAutoSize(bool autoSize);
    void Cls();

signals:
    void Click();

protected:
    QWidget *createWidget(QWidget *parent) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paint();
    Picture m_picture;
    bool m_autoSize = false;
};

// Events of a control array carry the element's index.
class ControlArrayBase : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
signals:
    void Click(int index);
    void DblClick(int index);
    void Change(int index);
    void GotFocus(int index);
    void LostFocus(int index);
    void KeyPress(int index, int &KeyAscii);
};

// A control array: elements by index, not necessarily contiguous. Touching
// an element that does not exist raises error 340.
template <class T> class ControlArray : public ControlArrayBase {
public:
    ControlArray(Form *owner, const QString &name, int count, Control *container = nullptr)
        : m_owner(owner), m_name(name), m_container(container)
    {
        for (int i = 0; i < count; ++i)
            Load(i);
    }
    ControlArray(Form *owner, const QString &name, std::initializer_list<int> indexes,
                 Control *container = nullptr)
        : m_owner(owner), m_name(name), m_container(container)
    {
        for (int i : indexes)
            Load(i);
    }

    T &operator()(int index) { return item(index); }
    T &item(int index)
    {
        auto it = m_items.find(index);
        if (it == m_items.end())
            platform::raise(platform::err::ControlArrayElementMissing,
                            platform::errorDescription(platform::err::ControlArrayElementMissing, QString::number(index)));
        return *it->second;
    }
    bool exists(int index) const { return m_items.count(index) != 0; }
    int Count() const { return int(m_items.size()); }
    int LBound() const { return m_items.empty() ? 0 : m_items.begin()->first; }
    int UBound() const { return m_items.empty() ? -1 : m_items.rbegin()->first; }
    QList<int> indexes() const
    {
        QList<int> result;
        for (const auto &entry : m_items)
            result.append(entry.first);
        return result;
    }
    QString Name() const { return m_name; }

    // Adds an element at run time (error 360 when the index is taken).
    T &Load(int index)
    {
        if (exists(index))
            platform::raise(platform::err::ObjectAlreadyLoaded);
        auto element = std::make_unique<T>(m_owner, m_name, m_container, index);
        T *raw = element.get();
        if constexpr (requires { &T::Click; })
            QObject::connect(raw, &T::Click, this, [this, index] { emit Click(index); });
        if constexpr (requires { &T::DblClick; })
            QObject::connect(raw, &T::DblClick, this, [this, index] { emit DblClick(index); });
        if constexpr (requires { &T::Change; })
            QObject::connect(raw, &T::Change, this, [this, index] { emit Change(index); });
        QObject::connect(raw, &Control::GotFocus, this, [this, index] { emit GotFocus(index); });
        QObject::connect(raw, &Control::LostFocus, this, [this, index] { emit LostFocus(index); });
        m_items.emplace(index, std::move(element));
        raw->attachIfLoaded();
        return *raw;
    }
    void Unload(int index) { m_items.erase(index); }

private:
    Form *m_owner;
    QString m_name;
    Control *m_container;
    std::map<int, std::unique_ptr<T>> m_items;
};

} // namespace platform::forms
