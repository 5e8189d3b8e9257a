#pragma once
// What an assistive tool reads of a combo's accessible interface: its own
// text, the text of its edit child and the items of its list child.
#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QStringList>

namespace talviktest {

// The item names of the combo's list as the interface gives them, "*"
// before the selected ones; the list holds them while it is closed too.
inline QStringList comboItems(QAccessibleInterface *combo)
{
    QStringList out;
    QAccessibleInterface *list = combo->child(1);
    for (int i = 0; list && i < list->childCount(); ++i) {
        QAccessibleInterface *item = list->child(i);
        out << (item->state().selected ? QStringLiteral("*") : QString()) + item->text(QAccessible::Name);
    }
    return out;
}

// The text of the combo's edit child, through its text interface.
inline QString comboEditText(QAccessibleInterface *combo)
{
    QAccessibleInterface *edit = combo->child(0);
    QAccessibleTextInterface *text = edit ? edit->textInterface() : nullptr;
    return text ? text->text(0, text->characterCount()) : QStringLiteral("<no text interface>");
}

// The combo's own text, through its text interface.
inline QString comboText(QAccessibleInterface *combo)
{
    QAccessibleTextInterface *text = combo ? combo->textInterface() : nullptr;
    return text ? text->text(0, text->characterCount()) : QStringLiteral("<no text interface>");
}

} // namespace talviktest
