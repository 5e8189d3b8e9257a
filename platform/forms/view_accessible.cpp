#include "platform/forms/view_accessible.h"

#include <QAccessible>

namespace platform::forms::detail {

bool viewTellsChanges(const QWidget *view)
{
    return view && view->isVisible() && view->isEnabled();
}

// ---- tree -------------------------------------------------------------------

AccessibleTreeWidget::AccessibleTreeWidget(QWidget *parent) : QTreeWidget(parent)
{
    connect(this, &QTreeView::expanded, this, &AccessibleTreeWidget::tellExpanded);
    connect(this, &QTreeView::collapsed, this, &AccessibleTreeWidget::tellExpanded);
}

void AccessibleTreeWidget::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (viewTellsChanges(this)) {
        QTreeWidget::currentChanged(current, previous);
        return;
    }
    // What the tree view does for a new current item, without telling it.
    viewport()->update();
    QAbstractItemView::currentChanged(current, previous);
}

void AccessibleTreeWidget::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    if (viewTellsChanges(this))
        QTreeWidget::selectionChanged(selected, deselected);
    else
        QAbstractItemView::selectionChanged(selected, deselected);
}

void AccessibleTreeWidget::tellExpanded(const QModelIndex &index)
{
    if (!QAccessible::isActive() || !viewTellsChanges(this) || !index.isValid())
        return;
    QAccessibleInterface *tree = QAccessible::queryAccessibleInterface(this);
    QAccessibleTableInterface *table = tree ? tree->tableInterface() : nullptr;
    if (!table)
        return;
    // The tree's accessible rows are its shown rows, top to bottom.
    int row = 0;
    for (QModelIndex at = model()->index(0, 0, rootIndex()); at.isValid() && at != index.siblingAtColumn(0);
         at = indexBelow(at))
        ++row;
    QAccessibleInterface *node = table->cellAt(row, 0);
    if (!node)
        return;
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(node, changed);
    QAccessible::updateAccessibility(&event);
}

// ---- list box ---------------------------------------------------------------

void ListBoxWidget::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (viewTellsChanges(this))
        QListWidget::currentChanged(current, previous);
    else
        QAbstractItemView::currentChanged(current, previous);
}

void ListBoxWidget::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    if (viewTellsChanges(this))
        QListWidget::selectionChanged(selected, deselected);
    else
        QAbstractItemView::selectionChanged(selected, deselected);
}

} // namespace platform::forms::detail
