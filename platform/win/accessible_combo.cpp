// Combo box windows for assistive tools: the combo (role ComboBox) gives its
// text as its value and through the text interface, and holds an edit field
// that offers the same text and a list that holds the items, the selected
// one marked, whether it is open or not (closed, the list and its items are
// there but not showing). Everything is asked from the window with the combo
// box messages, so a window of any class that answers them is read alike.
#include "platform/win/accessible.h"
#include "platform/win/accessible_p.h"

#include "platform/codepage/codepage.h"
#include "platform/win/controls.h"
#include "platform/win/window.h"

#include <QAccessible>

#include <algorithm>
#include <utility>
#include <vector>

namespace platform::win::detail {

namespace {

class ComboAccessible;

// A part of the combo without a widget of its own.
class ComboPart : public QAccessibleInterface {
public:
    explicit ComboPart(ComboAccessible *combo) : m_combo(combo) {}
    bool isValid() const override;
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;

protected:
    ComboAccessible *m_combo;
};

// The combo's text, read only, for the combo and its edit field alike.
class ComboText : public QAccessibleTextInterface {
public:
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override { return int(comboText().size()); }
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return QString();
    }

protected:
    virtual QString comboText() const = 0;
};

class ComboEdit final : public ComboPart, public ComboText {
public:
    using ComboPart::ComboPart;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override { return QAccessible::EditableText; }
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this) : nullptr;
    }

    using ComboText::text;

protected:
    QString comboText() const override;
};

class ComboList;

class ComboListItem final : public ComboPart {
public:
    ComboListItem(ComboAccessible *combo, int index) : ComboPart(combo), m_index(index) {}
    bool isValid() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    int index() const { return m_index; }

private:
    int m_index;
};

class ComboList final : public ComboPart {
public:
    using ComboPart::ComboPart;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override { return QAccessible::List; }
    QAccessible::State state() const override;
};

// The interface of every window: a window's role can be told only once its
// class is known, which may be after Qt first asked for the interface, so
// each window's interface turns into a combo's whenever its role is
// ComboBox.
class ComboAccessible final : public WindowAccessible, public ComboText {
public:
    explicit ComboAccessible(WindowWidget *widget) : WindowAccessible(widget) {}
    using WindowAccessible::text;
    using ComboText::text;
    ~ComboAccessible() override
    {
        // The parts are registered with Qt's cache, which owns them.
        for (const QAccessible::Id id : m_partIds)
            QAccessible::deleteAccessibleInterface(id);
    }

    bool isCombo() const { return role() == QAccessible::ComboBox; }

    int childCount() const override { return isCombo() ? 2 : WindowAccessible::childCount(); }
    QAccessibleInterface *child(int index) const override
    {
        if (!isCombo())
            return WindowAccessible::child(index);
        if (index == 0)
            return edit();
        if (index == 1)
            return list();
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!isCombo())
            return WindowAccessible::indexOfChild(child);
        if (child && child == m_edit)
            return 0;
        if (child && child == m_list)
            return 1;
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        return isCombo() ? nullptr : WindowAccessible::childAt(x, y);
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface && isCombo())
            return static_cast<QAccessibleTextInterface *>(this);
        return WindowAccessible::interface_cast(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = WindowAccessible::state();
        if (!isCombo())
            return s;
        s.expandable = true;
        s.expanded = dropped();
        s.collapsed = !s.expanded;
        s.hasPopup = true;
        return s;
    }

    // What the window answers.
    int count() const
    {
        const HWND h = handle();
        const LRESULT n = h ? SendMessageA(h, CB_GETCOUNT, 0, 0) : 0;
        return n > 0 ? int(n) : 0;
    }
    QString itemText(int index) const
    {
        const HWND h = handle();
        if (!h || index < 0)
            return QString();
        const LRESULT length = SendMessageA(h, CB_GETLBTEXTLEN, WPARAM(index), 0);
        if (length <= 0)
            return QString();
        QByteArray bytes(int(length) + 1, '\0');
        const LRESULT got = SendMessageA(h, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(bytes.data()));
        bytes.truncate(int(std::clamp<LRESULT>(got, 0, length)));
        return codepage::fromAnsiLenient(bytes);
    }
    int current() const
    {
        const HWND h = handle();
        return h ? int(SendMessageA(h, CB_GETCURSEL, 0, 0)) : -1;
    }
    bool dropped() const
    {
        const HWND h = handle();
        return h && SendMessageA(h, CB_GETDROPPEDSTATE, 0, 0) != 0;
    }
    QString currentText() const { return handle() ? accessibleWindowText(handle()) : QString(); }
    bool hasFocus() const { return handle() && GetFocus() == handle(); }

    ComboEdit *edit() const
    {
        if (!m_edit)
            m_edit = own(new ComboEdit(const_cast<ComboAccessible *>(this)));
        return m_edit;
    }
    ComboList *list() const
    {
        if (!m_list)
            m_list = own(new ComboList(const_cast<ComboAccessible *>(this)));
        return m_list;
    }
    ComboListItem *item(int index) const
    {
        if (index < 0)
            return nullptr;
        while (int(m_items.size()) <= index)
            m_items.push_back(own(new ComboListItem(const_cast<ComboAccessible *>(this), int(m_items.size()))));
        return m_items[size_t(index)];
    }
    int indexOfItem(const QAccessibleInterface *child) const
    {
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i] == child)
                return int(i);
        return -1;
    }

    void notify(DWORD event)
    {
        if (!isCombo())
            return;
        switch (event) {
        case EVENT_OBJECT_VALUECHANGE: {
            const QString now = currentText();
            if (m_toldKnown && now == m_told)
                return;
            m_toldKnown = true;
            const QString before = std::exchange(m_told, now);
            QAccessibleTextUpdateEvent text(edit(), 0, before, now);
            QAccessible::updateAccessibility(&text);
            QAccessibleTextUpdateEvent own(this, 0, before, now);
            QAccessible::updateAccessibility(&own);
            QAccessibleValueChangeEvent value(this, now);
            QAccessible::updateAccessibility(&value);
            return;
        }
        case EVENT_OBJECT_SELECTION: {
            const int now = current();
            if (now == m_toldSelected)
                return;
            QAccessible::State selected;
            selected.selected = true;
            if (m_toldSelected >= 0) {
                QAccessibleStateChangeEvent off(item(m_toldSelected), selected);
                QAccessible::updateAccessibility(&off);
            }
            m_toldSelected = now;
            if (now >= 0) {
                QAccessibleStateChangeEvent on(item(now), selected);
                QAccessible::updateAccessibility(&on);
                QAccessibleEvent selection(item(now), QAccessible::Selection);
                QAccessible::updateAccessibility(&selection);
                if (dropped() && hasFocus()) {
                    QAccessibleEvent focus(item(now), QAccessible::Focus);
                    QAccessible::updateAccessibility(&focus);
                }
            }
            return;
        }
        case EVENT_OBJECT_SHOW:
        case EVENT_OBJECT_HIDE: {
            QAccessible::State expanded;
            expanded.expanded = true;
            expanded.collapsed = true;
            QAccessibleStateChangeEvent combo(this, expanded);
            QAccessible::updateAccessibility(&combo);
            QAccessibleEvent shown(list(), event == EVENT_OBJECT_SHOW ? QAccessible::ObjectShow : QAccessible::ObjectHide);
            QAccessible::updateAccessibility(&shown);
            m_toldSelected = -2; // the selection is told afresh in the list
            if (event == EVENT_OBJECT_SHOW)
                notify(EVENT_OBJECT_SELECTION);
            return;
        }
        default:
            return;
        }
    }

protected:
    QString comboText() const override { return currentText(); }

private:
    template <class T> T *own(T *part) const
    {
        m_partIds.push_back(QAccessible::registerAccessibleInterface(part));
        return part;
    }

    mutable ComboEdit *m_edit = nullptr;
    mutable ComboList *m_list = nullptr;
    mutable std::vector<ComboListItem *> m_items;
    mutable std::vector<QAccessible::Id> m_partIds;
    QString m_told;           // the text assistive tools were last told
    bool m_toldKnown = false;
    int m_toldSelected = -2;  // the item they were last told selected
};

// ---- parts ------------------------------------------------------------------

bool ComboPart::isValid() const
{
    return m_combo && m_combo->isValid();
}

QWindow *ComboPart::window() const
{
    return m_combo ? m_combo->window() : nullptr;
}

QRect ComboPart::rect() const
{
    return m_combo ? m_combo->rect() : QRect();
}

QAccessibleInterface *ComboEdit::parent() const
{
    return m_combo;
}

QString ComboEdit::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name)
        return m_combo->text(QAccessible::Name);
    if (t == QAccessible::Value)
        return m_combo->currentText();
    return QString();
}

QAccessible::State ComboEdit::state() const
{
    QAccessible::State s;
    const QAccessible::State combo = m_combo->state();
    s.editable = true;
    s.focusable = combo.focusable;
    s.focused = combo.focused;
    s.disabled = combo.disabled;
    s.invisible = combo.invisible;
    return s;
}

QString ComboText::text(int startOffset, int endOffset) const
{
    const QString all = comboText();
    if (endOffset < 0 || endOffset > all.size())
        endOffset = int(all.size());
    startOffset = std::clamp(startOffset, 0, endOffset);
    return all.mid(startOffset, endOffset - startOffset);
}

QString ComboEdit::comboText() const
{
    return m_combo->currentText();
}

QAccessibleInterface *ComboList::parent() const
{
    return m_combo;
}

int ComboList::childCount() const
{
    return m_combo->count();
}

QAccessibleInterface *ComboList::child(int index) const
{
    return index >= 0 && index < childCount() ? m_combo->item(index) : nullptr;
}

int ComboList::indexOfChild(const QAccessibleInterface *child) const
{
    const int i = m_combo->indexOfItem(child);
    return i < childCount() ? i : -1;
}

QString ComboList::text(QAccessible::Text t) const
{
    return t == QAccessible::Name ? m_combo->text(QAccessible::Name) : QString();
}

QAccessible::State ComboList::state() const
{
    QAccessible::State s;
    s.invisible = !m_combo->dropped();
    return s;
}

bool ComboListItem::isValid() const
{
    return ComboPart::isValid() && m_index < m_combo->count();
}

QAccessibleInterface *ComboListItem::parent() const
{
    return m_combo->list();
}

QString ComboListItem::text(QAccessible::Text t) const
{
    return t == QAccessible::Name ? m_combo->itemText(m_index) : QString();
}

QAccessible::State ComboListItem::state() const
{
    QAccessible::State s;
    s.selectable = true;
    s.selected = m_combo->current() == m_index;
    s.focusable = true;
    s.focused = s.selected && m_combo->dropped() && m_combo->hasFocus();
    s.invisible = !m_combo->dropped();
    return s;
}

} // namespace

QAccessibleInterface *newWindowAccessible(WindowWidget *widget)
{
    return new ComboAccessible(widget);
}

void notifyComboEvent(QAccessibleInterface *combo, DWORD event)
{
    if (auto *c = dynamic_cast<ComboAccessible *>(combo))
        c->notify(event);
}

} // namespace platform::win::detail
