#include "platform/forms/listview_accessible.h"

#include "platform/forms/headered_table_accessible.h"

#include <QAccessible>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace platform::forms::detail {

namespace {

class ListViewAccessible;

// A cell of the view, or (row -1) the header of a column. It holds its
// place, not the item: what it tells is read from the model when asked.
class ListViewCell final : public HeaderedCell<ListViewAccessible>, public QAccessibleActionInterface {
public:
    using HeaderedCell::HeaderedCell;

    // The first cell of a row whose model gives it a check state.
    bool isCheckBox() const;

    // QAccessibleInterface
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTableCellInterface
    bool isSelected() const override;

    // QAccessibleActionInterface: a check box toggles.
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    QAbstractItemView *view() const;
    QModelIndex index() const;
};

// The view: column headers first, then the cells row by row (see
// headered_table_accessible.h).
class ListViewAccessible final : public HeaderedTable<ListViewAccessible, ListViewCell> {
public:
    explicit ListViewAccessible(QAbstractItemView *view) : HeaderedTable(view) {}

    QAbstractItemView *view() const { return static_cast<QAbstractItemView *>(widget()); }
    QAbstractItemModel *model() const { return view() ? view()->model() : nullptr; }

    // QAccessibleInterface
    QAccessibleInterface *childAt(int x, int y) const override
    {
        QAbstractItemView *v = view();
        if (!v)
            return nullptr;
        const QPoint global(x, y);
        if (auto *tree = qobject_cast<QTreeView *>(v); tree && tree->header()->isVisible()) {
            QHeaderView *header = tree->header();
            const QPoint local = header->mapFromGlobal(global);
            if (header->rect().contains(local)) {
                const int column = header->logicalIndexAt(local.x());
                return column >= 0 ? cell(-1, column) : nullptr;
            }
        }
        const QModelIndex at = v->indexAt(v->viewport()->mapFromGlobal(global));
        return at.isValid() ? cell(at.row(), at.column()) : nullptr;
    }

    // QAccessibleTableInterface
    int selectedCellCount() const override { return int(selectedIndexes().size()); }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> out;
        for (const QModelIndex &i : selectedIndexes())
            if (QAccessibleInterface *c = cellAt(i.row(), i.column()))
                out << c;
        return out;
    }
    QString columnDescription(int column) const override
    {
        QAbstractItemModel *m = model();
        return m ? m->headerData(column, Qt::Horizontal).toString() : QString();
    }
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return int(selectedColumns().size()); }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override
    {
        QAbstractItemModel *m = model();
        return m ? m->columnCount(view()->rootIndex()) : 0;
    }
    int rowCount() const override
    {
        QAbstractItemModel *m = model();
        return m ? m->rowCount(view()->rootIndex()) : 0;
    }
    QList<int> selectedColumns() const override
    {
        QList<int> out;
        if (QItemSelectionModel *s = selection())
            for (const QModelIndex &i : s->selectedColumns())
                out << i.column();
        return out;
    }
    QList<int> selectedRows() const override
    {
        QList<int> out;
        if (QItemSelectionModel *s = selection())
            for (const QModelIndex &i : s->selectedRows())
                out << i.row();
        return out;
    }
    bool isColumnSelected(int column) const override
    {
        QItemSelectionModel *s = selection();
        return s && s->isColumnSelected(column, view()->rootIndex());
    }
    bool isRowSelected(int row) const override
    {
        QItemSelectionModel *s = selection();
        return s && s->isRowSelected(row, view()->rootIndex());
    }
    bool selectRow(int row) override
    {
        QItemSelectionModel *s = selection();
        const QAbstractItemView::SelectionMode mode = view() ? view()->selectionMode() : QAbstractItemView::NoSelection;
        if (!s || mode == QAbstractItemView::NoSelection || row < 0 || row >= rowCount())
            return false;
        const auto clear = mode == QAbstractItemView::SingleSelection ? QItemSelectionModel::ClearAndSelect
                                                                      : QItemSelectionModel::Select;
        s->select(model()->index(row, 0, view()->rootIndex()), clear | QItemSelectionModel::Rows);
        return true;
    }
    bool selectColumn(int) override { return false; } // the view selects whole rows
    bool unselectRow(int row) override
    {
        QItemSelectionModel *s = selection();
        if (!s || row < 0 || row >= rowCount())
            return false;
        s->select(model()->index(row, 0, view()->rootIndex()), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        return true;
    }
    bool unselectColumn(int) override { return false; }

private:
    QItemSelectionModel *selection() const { return view() ? view()->selectionModel() : nullptr; }
    QModelIndexList selectedIndexes() const
    {
        QItemSelectionModel *s = selection();
        return s ? s->selectedIndexes() : QModelIndexList();
    }
};

// ---- cells ------------------------------------------------------------------

QAbstractItemView *ListViewCell::view() const
{
    return m_table->view();
}

QModelIndex ListViewCell::index() const
{
    QAbstractItemView *v = view();
    if (!v || !v->model() || isHeader())
        return QModelIndex();
    return v->model()->index(m_row, m_column, v->rootIndex());
}

bool ListViewCell::isCheckBox() const
{
    const QModelIndex i = index();
    return m_column == 0 && i.isValid() && i.data(Qt::CheckStateRole).isValid();
}

QString ListViewCell::text(QAccessible::Text t) const
{
    QAbstractItemView *v = view();
    if (!v || !v->model())
        return QString();
    if (isHeader())
        return t == QAccessible::Name ? v->model()->headerData(m_column, Qt::Horizontal).toString() : QString();
    const QModelIndex i = index();
    switch (t) {
    case QAccessible::Name: {
        const QString given = i.data(Qt::AccessibleTextRole).toString();
        return given.isEmpty() ? i.data(Qt::DisplayRole).toString() : given;
    }
    case QAccessible::Description:
        return i.data(Qt::AccessibleDescriptionRole).toString();
    default:
        return QString();
    }
}

QRect ListViewCell::rect() const
{
    QAbstractItemView *v = view();
    if (!v)
        return QRect();
    if (isHeader()) {
        auto *tree = qobject_cast<QTreeView *>(v);
        if (!tree || !tree->header()->isVisible())
            return QRect();
        QHeaderView *header = tree->header();
        const QRect section(header->sectionViewportPosition(m_column), 0, header->sectionSize(m_column),
                            header->height());
        return QRect(header->mapToGlobal(section.topLeft()), section.size());
    }
    const QRect local = v->visualRect(index());
    return local.isValid() ? QRect(v->viewport()->mapToGlobal(local.topLeft()), local.size()) : QRect();
}

QAccessible::Role ListViewCell::role() const
{
    if (isHeader())
        return QAccessible::ColumnHeader;
    return isCheckBox() ? QAccessible::CheckBox : QAccessible::Cell;
}

QAccessible::State ListViewCell::state() const
{
    QAccessible::State s = placeState();
    QAbstractItemView *v = view();
    if (!v)
        s.invalid = true;
    if (s.invalid || isHeader())
        return s;
    const QModelIndex i = index();
    const Qt::ItemFlags flags = i.flags();
    if (!(flags & Qt::ItemIsEnabled))
        s.disabled = true;
    // A cell scrolled out of the view is not on the screen.
    if (!s.invisible && !v->viewport()->rect().intersects(v->visualRect(i)))
        s.offscreen = true;
    s.focusable = true;
    s.focused = v->hasFocus() && v->currentIndex() == i;
    if (v->selectionMode() != QAbstractItemView::NoSelection && (flags & Qt::ItemIsSelectable)) {
        s.selectable = true;
        s.selected = isSelected();
    }
    if (isCheckBox()) {
        s.checkable = true;
        const auto check = Qt::CheckState(i.data(Qt::CheckStateRole).toInt());
        s.checked = check == Qt::Checked;
        s.checkStateMixed = check == Qt::PartiallyChecked;
    }
    return s;
}

void *ListViewCell::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface *>(this);
    if (t == QAccessible::ActionInterface && isCheckBox())
        return static_cast<QAccessibleActionInterface *>(this);
    return nullptr;
}

bool ListViewCell::isSelected() const
{
    QAbstractItemView *v = view();
    return v && v->selectionModel() && !isHeader() && v->selectionModel()->isSelected(index());
}

QStringList ListViewCell::actionNames() const
{
    return isCheckBox() ? QStringList{toggleAction()} : QStringList();
}

void ListViewCell::doAction(const QString &actionName)
{
    if (actionName != toggleAction() || !isCheckBox())
        return;
    QAbstractItemView *v = view();
    const QModelIndex i = index();
    // Only a box the user could tick with the mouse is ticked: the view and
    // the row enabled and the box not fixed.
    const Qt::ItemFlags flags = i.flags();
    if (!v->isEnabled() || !(flags & Qt::ItemIsEnabled) || !(flags & Qt::ItemIsUserCheckable))
        return;
    // As the view does it for a click on the box: the model takes the new
    // state, and the view reports the item changed.
    const bool checked = Qt::CheckState(i.data(Qt::CheckStateRole).toInt()) == Qt::Checked;
    v->model()->setData(i, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

QStringList ListViewCell::keyBindingsForAction(const QString &actionName) const
{
    return actionName == toggleAction() && isCheckBox() ? QStringList{QStringLiteral("Space")} : QStringList();
}

// ---- factory and events -----------------------------------------------------

QAccessibleInterface *listViewAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(ListViewWidget::staticMetaObject.className()))
        if (auto *view = qobject_cast<ListViewWidget *>(object))
            return new ListViewAccessible(view);
    // The view's viewport answers for the view, as for Qt's own item views.
    if (className == QLatin1String("QWidget") && object
        && object->objectName() == QLatin1String("qt_scrollarea_viewport"))
        if (auto *view = qobject_cast<ListViewWidget *>(object->parent()))
            return new ListViewAccessible(view);
    return nullptr;
}

void installListViewAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(listViewAccessibleFactory);
}

// Tells assistive tools that cells changed: a new tick of a row's box (the
// checked state), a new text (the cell's name).
void tellChangedCells(ListViewWidget *view, const QModelIndex &topLeft, const QModelIndex &bottomRight,
                      const QList<int> &roles)
{
    // Changes made with the view's signals blocked are the program's own
    // set-up (rows being added), not changes for the user to hear.
    if (!QAccessible::isActive() || view->signalsBlocked() || !topLeft.isValid() || !bottomRight.isValid())
        return;
    const bool check = roles.isEmpty() || roles.contains(Qt::CheckStateRole);
    const bool text = roles.isEmpty() || roles.contains(Qt::DisplayRole);
    if (!check && !text)
        return;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(view);
    QAccessibleTableInterface *table = iface ? iface->tableInterface() : nullptr;
    if (!table)
        return;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
            QAccessibleInterface *cell = table->cellAt(row, column);
            if (!cell)
                continue;
            if (check && cell->role() == QAccessible::CheckBox) {
                QAccessible::State changed;
                changed.checked = true;
                QAccessibleStateChangeEvent event(cell, changed);
                QAccessible::updateAccessibility(&event);
            }
            if (text) {
                QAccessibleEvent event(cell, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
}

} // namespace

ListViewWidget::ListViewWidget(QWidget *parent) : AccessibleTreeWidget(parent)
{
    installListViewAccessibility();
    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
                tellChangedCells(this, topLeft, bottomRight, roles);
            });
}

} // namespace platform::forms::detail
