#include "platform/forms/controls.h"
#include "platform/forms/view_accessible.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace platform::forms {

namespace {
[[noreturn]] void invalidArgument()
{
    platform::raise(platform::err::InvalidProcedureCall);
}
[[noreturn]] void invalidPropertyValue()
{
    platform::raise(platform::err::InvalidPropertyValue);
}
Qt::Alignment horizontalAlignment(int alignment)
{
    switch (alignment) {
    case 1: return Qt::AlignRight;
    case 2: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// A command button takes Enter as Space: the focused button is the one that
// Enter presses, whether or not it is the form's default button (a window
// that is no dialog gives a Qt button no Enter of its own).
class CommandPushButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (!event->isAutoRepeat())
                click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};
} // namespace

// ---- CommandButton --------------------------------------------------------

QWidget *CommandButton::createWidget(QWidget *parent)
{
    m_cancel = false;
    auto *button = new CommandPushButton(parent);
    button->setAutoDefault(false);
    return button;
}

void CommandButton::widgetCreated()
{
    connect(static_cast<QPushButton *>(widget()), &QPushButton::clicked, this, [this] { emit Click(); });
}

QString CommandButton::Caption()
{
    return w<QPushButton>()->text();
}

void CommandButton::setCaption(const QString &caption)
{
    w<QPushButton>()->setText(caption);
}

bool CommandButton::Default()
{
    return w<QPushButton>()->isDefault();
}

void CommandButton::setDefault(bool isDefault)
{
    w<QPushButton>()->setDefault(isDefault);
}

bool CommandButton::Cancel()
{
    load();
    return m_cancel;
}

void CommandButton::setCancel(bool isCancel)
{
    load();
    m_cancel = isCancel;
}

void CommandButton::setValue(bool pressed)
{
    load();
    if (pressed)
        emit Click();
}

// ---- Label ----------------------------------------------------------------

QWidget *Label::createWidget(QWidget *parent)
{
    m_autoSize = false;
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

bool Label::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget()) {
        if (event->type() == QEvent::MouseButtonRelease)
            emit Click();
        else if (event->type() == QEvent::MouseButtonDblClick)
            emit DblClick();
    }
    return Control::eventFilter(watched, event);
}

QString Label::Caption()
{
    return w<QLabel>()->text();
}

void Label::setCaption(const QString &caption)
{
    w<QLabel>()->setText(caption);
    fitSize();
}

bool Label::AutoSize()
{
    load();
    return m_autoSize;
}

void Label::setAutoSize(bool autoSize)
{
    load();
    m_autoSize = autoSize;
    fitSize();
}

int Label::Alignment()
{
    const Qt::Alignment alignment = w<QLabel>()->alignment();
    if (alignment & Qt::AlignRight)
        return 1;
    if (alignment & Qt::AlignHCenter)
        return 2;
    return 0;
}

void Label::setAlignment(int alignment)
{
    w<QLabel>()->setAlignment(horizontalAlignment(alignment) | Qt::AlignTop);
}

bool Label::WordWrap()
{
    return w<QLabel>()->wordWrap();
}

void Label::setWordWrap(bool wrap)
{
    w<QLabel>()->setWordWrap(wrap);
    fitSize();
}

void Label::fitSize()
{
    auto *label = w<QLabel>();
    if (m_autoSize && label)
        label->resize(label->sizeHint());
}

// ---- Frame ----------------------------------------------------------------

QWidget *Frame::createWidget(QWidget *parent)
{
    return new QGroupBox(parent);
}

QString Frame::Caption()
{
    return w<QGroupBox>()->title();
}

void Frame::setCaption(const QString &caption)
{
    w<QGroupBox>()->setTitle(caption);
}

// ---- TextBox --------------------------------------------------------------

QWidget *TextBox::createWidget(QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setMaxLength(32767);
    return edit;
}

void TextBox::widgetCreated()
{
    connect(static_cast<QLineEdit *>(widget()), &QLineEdit::textChanged, this, [this] { emit Change(); });
}

bool TextBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        int keyCode = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ? vbKeyReturn
                      : key->key() == Qt::Key_Escape                              ? vbKeyEscape
                                                                                  : key->key();
        const int shift = (key->modifiers() & Qt::ShiftModifier ? 1 : 0) |
                          (key->modifiers() & Qt::ControlModifier ? 2 : 0) |
                          (key->modifiers() & Qt::AltModifier ? 4 : 0);
        emit KeyDown(keyCode, shift);
        if (keyCode == 0)
            return true;
        const QString text = key->text();
        if (!text.isEmpty()) {
            int ascii = text.at(0).unicode();
            emit KeyPress(ascii);
            if (ascii == 0)
                return true; // the handler swallowed the key
        }
    }
    return Control::eventFilter(watched, event);
}

QString TextBox::Text()
{
    return w<QLineEdit>()->text();
}

void TextBox::setText(const QString &text)
{
    w<QLineEdit>()->setText(text);
}

int TextBox::MaxLength()
{
    const int length = w<QLineEdit>()->maxLength();
    return length == 32767 ? 0 : length;
}

void TextBox::setMaxLength(int length)
{
    if (length < 0)
        invalidPropertyValue();
    w<QLineEdit>()->setMaxLength(length == 0 ? 32767 : length);
}

bool TextBox::Locked()
{
    return w<QLineEdit>()->isReadOnly();
}

void TextBox::setLocked(bool locked)
{
    w<QLineEdit>()->setReadOnly(locked);
}

int TextBox::SelStart()
{
    auto *edit = w<QLineEdit>();
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

void TextBox::setSelStart(int start)
{
    auto *edit = w<QLineEdit>();
    edit->setCursorPosition(std::clamp(start, 0, int(edit->text().size())));
}

int TextBox::SelLength()
{
    return int(w<QLineEdit>()->selectedText().size());
}

void TextBox::setSelLength(int length)
{
    auto *edit = w<QLineEdit>();
    const int start = SelStart();
    edit->setSelection(start, std::clamp(length, 0, int(edit->text().size()) - start));
}

QString TextBox::SelText()
{
    return w<QLineEdit>()->selectedText();
}

void TextBox::setAlignment(int alignment)
{
    w<QLineEdit>()->setAlignment(horizontalAlignment(alignment) | Qt::AlignVCenter);
}

// ---- CheckBox -------------------------------------------------------------

QWidget *CheckBox::createWidget(QWidget *parent)
{
    auto *box = new QCheckBox(parent);
    box->setTristate(false);
    return box;
}

void CheckBox::widgetCreated()
{
    // Every change of the value fires Click once: a click, the Space key,
    // an assistive tool's toggle action (which changes the state without a
    // click) and a value set by code.
    connect(static_cast<QCheckBox *>(widget()), &QCheckBox::stateChanged, this, [this] { emit Click(); });
}

QString CheckBox::Caption()
{
    return w<QCheckBox>()->text();
}

void CheckBox::setCaption(const QString &caption)
{
    w<QCheckBox>()->setText(caption);
}

int CheckBox::Value()
{
    switch (w<QCheckBox>()->checkState()) {
    case Qt::Checked: return vbChecked;
    case Qt::PartiallyChecked: return vbGrayed;
    default: return vbUnchecked;
    }
}

void CheckBox::setValue(int value)
{
    if (value < vbUnchecked || value > vbGrayed)
        invalidPropertyValue();
    auto *box = w<QCheckBox>();
    if (value == vbGrayed)
        box->setTristate(true);
    // A change fires Click through the box's state change.
    box->setCheckState(value == vbChecked ? Qt::Checked : value == vbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
}

// ---- OptionButton ---------------------------------------------------------

QWidget *OptionButton::createWidget(QWidget *parent)
{
    return new QRadioButton(parent);
}

void OptionButton::widgetCreated()
{
    // The user's click fires Click only when it selects the option.
    connect(static_cast<QRadioButton *>(widget()), &QRadioButton::clicked, this, [this](bool checked) {
        if (checked)
            emit Click();
    });
}

QString OptionButton::Caption()
{
    return w<QRadioButton>()->text();
}

void OptionButton::setCaption(const QString &caption)
{
    w<QRadioButton>()->setText(caption);
}

bool OptionButton::Value()
{
    return w<QRadioButton>()->isChecked();
}

void OptionButton::setValue(bool value)
{
    auto *button = w<QRadioButton>();
    const bool before = button->isChecked();
    if (value) {
        button->setChecked(true);
        if (!before)
            emit Click();
    } else if (before) {
        // An exclusive radio button cannot be cleared on its own.
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
    }
}

// ---- ListBox --------------------------------------------------------------

QWidget *ListBox::createWidget(QWidget *parent)
{
    return new detail::ListBoxWidget(parent);
}

void ListBox::widgetCreated()
{
    auto *list = static_cast<QListWidget *>(widget());
    connect(list, &QListWidget::currentRowChanged, this, [this](int) { emit Click(); });
    connect(list, &QListWidget::itemDoubleClicked, this, [this] { emit DblClick(); });
}

void ListBox::AddItem(const QString &item, int index)
{
    auto *list = w<QListWidget>();
    if (index < -1 || index > list->count())
        invalidArgument();
    if (index == -1)
        list->addItem(item);
    else
        list->insertItem(index, item);
}

void ListBox::RemoveItem(int index)
{
    auto *list = w<QListWidget>();
    if (index < 0 || index >= list->count())
        invalidArgument();
    delete list->takeItem(index);
}

void ListBox::Clear()
{
    auto *list = w<QListWidget>();
    const QSignalBlocker blocker(list);
    list->clear();
}

QString ListBox::List(int index)
{
    auto *list = w<QListWidget>();
    if (index < 0 || index >= list->count())
        return QString();
    return list->item(index)->text();
}

void ListBox::setList(int index, const QString &item)
{
    auto *list = w<QListWidget>();
    if (index < 0)
        invalidPropertyValue();
    if (index >= list->count())
        list->addItem(item);
    else
        list->item(index)->setText(item);
}

int ListBox::ListCount()
{
    return w<QListWidget>()->count();
}

int ListBox::ListIndex()
{
    return w<QListWidget>()->currentRow();
}

void ListBox::setListIndex(int index)
{
    auto *list = w<QListWidget>();
    if (index < -1 || index >= list->count())
        invalidPropertyValue();
    list->setCurrentRow(index);
}

QString ListBox::Text()
{
    auto *list = w<QListWidget>();
    return list->currentItem() ? list->currentItem()->text() : QString();
}

bool ListBox::Selected(int index)
{
    auto *list = w<QListWidget>();
    if (index < 0 || index >= list->count())
        invalidArgument();
    return list->item(index)->isSelected();
}

void ListBox::setSelected(int index, bool selected)
{
    auto *list = w<QListWidget>();
    if (index < 0 || index >= list->count())
        invalidArgument();
    if (selected)
        list->setCurrentRow(index);
    list->item(index)->setSelected(selected);
}

int ListBox::TopIndex()
{
    auto *list = w<QListWidget>();
    QListWidgetItem *top = list->itemAt(0, 0);
    return top ? list->row(top) : 0;
}

void ListBox::setTopIndex(int index)
{
    auto *list = w<QListWidget>();
    if (index >= 0 && index < list->count())
        list->scrollToItem(list->item(index), QAbstractItemView::PositionAtTop);
}

// ---- ComboBox -------------------------------------------------------------

QWidget *ComboBox::createWidget(QWidget *parent)
{
    m_style = vbComboDropdown;
    m_maxLength = 0;
    auto *combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

void ComboBox::widgetCreated()
{
    auto *combo = static_cast<QComboBox *>(widget());
    connect(combo, &QComboBox::activated, this, [this](int) { emit Click(); });
    if (combo->lineEdit())
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this] { emit Change(); });
    if (combo->lineEdit() && m_maxLength > 0)
        combo->lineEdit()->setMaxLength(m_maxLength);
}

int ComboBox::Style()
{
    load();
    return m_style;
}

int ComboBox::MaxLength()
{
    load();
    return m_maxLength;
}

void ComboBox::setStyle(int style)
{
    load();
    if (style != vbComboDropdown && style != vbComboSimple && style != vbComboDropdownList)
        invalidPropertyValue();
    m_style = style;
    if (hasWidget()) {
        auto *combo = static_cast<QComboBox *>(widget());
        const bool editable = style != vbComboDropdownList;
        if (combo->isEditable() != editable) {
            combo->setEditable(editable);
            widgetCreated();
        }
    }
}

void ComboBox::setMaxLength(int length)
{
    load();
    m_maxLength = std::max(0, length);
    if (hasWidget()) {
        auto *combo = static_cast<QComboBox *>(widget());
        if (combo->lineEdit())
            combo->lineEdit()->setMaxLength(m_maxLength > 0 ? m_maxLength : 32767);
    }
}

void ComboBox::AddItem(const QString &item, int index)
{
    auto *combo = w<QComboBox>();
    if (index < -1 || index > combo->count())
        invalidArgument();
    const QString text = combo->isEditable() ? combo->currentText() : QString();
    const int current = combo->currentIndex();
    const QSignalBlocker blocker(combo);
    combo->insertItem(index == -1 ? combo->count() : index, item);
    // Adding an item selects nothing new; an edited text stays as it is.
    if (current < 0) {
        combo->setCurrentIndex(-1);
        if (combo->isEditable())
            combo->setEditText(text);
    }
}

void ComboBox::RemoveItem(int index)
{
    auto *combo = w<QComboBox>();
    if (index < 0 || index >= combo->count())
        invalidArgument();
    combo->removeItem(index);
}

void ComboBox::Clear()
{
    auto *combo = w<QComboBox>();
    const QSignalBlocker blocker(combo);
    combo->clear();
    if (combo->isEditable())
        combo->setEditText(QString());
}

QString ComboBox::List(int index)
{
    auto *combo = w<QComboBox>();
    if (index < 0 || index >= combo->count())
        return QString();
    return combo->itemText(index);
}

int ComboBox::ListCount()
{
    return w<QComboBox>()->count();
}

int ComboBox::ListIndex()
{
    auto *combo = w<QComboBox>();
    // An edited text that no longer matches the chosen item selects nothing.
    if (combo->isEditable() && combo->currentIndex() >= 0 &&
        combo->currentText() != combo->itemText(combo->currentIndex()))
        return -1;
    return combo->currentIndex();
}

void ComboBox::setListIndex(int index)
{
    auto *combo = w<QComboBox>();
    if (index < -1 || index >= combo->count())
        invalidPropertyValue();
    const bool changed = combo->currentIndex() != index;
    {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(index);
        if (index == -1 && combo->isEditable())
            combo->setEditText(QString());
    }
    if (changed)
        emit Click();
}

QString ComboBox::Text()
{
    auto *combo = w<QComboBox>();
    return combo->currentText();
}

void ComboBox::setText(const QString &text)
{
    auto *combo = w<QComboBox>();
    if (!combo->isEditable()) {
        const int index = combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (index < 0)
            platform::raise(platform::err::PropertyReadOnly,
                            QStringLiteral("'Text' ") + platform::errorDescription(platform::err::PropertyReadOnly));
        setListIndex(index);
        return;
    }
    const bool changed = combo->currentText() != text;
    {
        const QSignalBlocker blocker(combo);
        const int index = combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        combo->setCurrentIndex(index);
        combo->setEditText(text);
    }
    if (changed)
        emit Change();
}

// ---- Picture --------------------------------------------------------------

int Picture::Width() const
{
    return m_pixmap.width() * TwipsPerPixel;
}

int Picture::Height() const
{
    return m_pixmap.height() * TwipsPerPixel;
}

Picture LoadPicture(const QString &path)
{
    if (path.isEmpty())
        return Picture();
    if (!QFileInfo(path).isFile())
        platform::raise(platform::err::FileNotFound);
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        platform::raise(platform::err::InvalidPicture);
    return Picture(QPixmap::fromImage(image));
}

// ---- Image ----------------------------------------------------------------

QWidget *Image::createWidget(QWidget *parent)
{
    m_picture = Picture();
    m_stretch = false;
    return new QLabel(parent);
}

bool Image::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget()) {
        if (event->type() == QEvent::MouseButtonRelease)
            emit Click();
        else if (event->type() == QEvent::Resize && m_stretch)
            paint();
    }
    return Control::eventFilter(watched, event);
}

Picture Image::picture()
{
    load();
    return m_picture;
}

void Image::setPicture(const Picture &picture)
{
    load();
    m_picture = picture;
    paint();
}

bool Image::Stretch()
{
    load();
    return m_stretch;
}

void Image::setStretch(bool stretch)
{
    load();
    m_stretch = stretch;
    paint();
}

void Image::paint()
{
    auto *label = w<QLabel>();
    if (!label)
        return;
    if (m_picture.isNull()) {
        label->clear();
        return;
    }
    if (m_stretch) {
        label->setPixmap(m_picture.pixmap().scaled(label->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    } else {
        // Without Stretch an image control takes the size of its picture.
        label->setPixmap(m_picture.pixmap());
        label->resize(m_picture.pixmap().size());
    }
}

// ---- PictureBox -----------------------------------------------------------

QWidget *PictureBox::createWidget(QWidget *parent)
{
    m_picture = Picture();
    m_autoSize = false;
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFrameShape(QFrame::StyledPanel);
    return label;
}

bool PictureBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget() && event->type() == QEvent::MouseButtonRelease)
        emit Click();
    return Control::eventFilter(watched, event);
}

Picture PictureBox::picture()
{
    load();
    return m_picture;
}

void PictureBox::setPicture(const Picture &picture)
{
    load();
    m_picture = picture;
    paint();
}

bool PictureBox::AutoSize()
{
    load();
    return m_autoSize;
}

void PictureBox::setAutoSize(bool autoSize)
{
    load();
    m_autoSize = autoSize;
    paint();
}

void PictureBox::Cls()
{
    setPicture(Picture());
}

void PictureBox::paint()
{
    auto *label = w<QLabel>();
    if (!label)
        return;
    if (m_picture.isNull())
        label->clear();
    else
        label->setPixmap(m_picture.pixmap());
    if (m_autoSize && !m_picture.isNull())
        label->resize(m_picture.pixmap().size());
}

} // namespace platform::forms
