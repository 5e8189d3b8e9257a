#include "platform/forms/listview_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>

#include <utility>

namespace platform::forms::detail {

namespace {

class ListViewAccessible;

// A cell of the view, or (row -1) the header of a column. It holds its
// place, not the item: what it tells is read from the model when asked.
class ListViewCell final : public QAccessibleInterface,
                           public QAccessibleTableCellInterface,
                           public QAccessibleActionInterface {
public:
    ListViewCell(ListViewAccessible *table, int row, int column) : m_table(table), m_row(row), m_column(column) {}

    bool isHeader() const { return m_row < 0; }
    int row() const { return m_row; } // -1: the header
    int column() const { return m_column; }
    // The first cell of a row whose model gives it a check state.
    bool isCheckBox() const;

    // QAccessibleInterface
    bool isValid() const override;
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTableCellInterface
    bool isSelected() const override;
    QList<QAccessibleInterface *> columnHeaderCells() const override;
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return isHeader() ? 0 : m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override;

    // QAccessibleActionInterface: a check box toggles.
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    QAbstractItemView *view() const;
    QModelIndex index() const;

    ListViewAccessible *m_table;
    int m_row;
    int m_column;
};

// The view: column headers first, then the cells row by row, so that child
// i is what the item view names by i in its focus and selection events
// ((row + 1) * columns + column).
class ListViewAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ListViewAccessible(QAbstractItemView *view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~ListViewAccessible() override { dropCells(); }

    QAbstractItemView *view() const { return static_cast<QAbstractItemView *>(widget()); }
    QAbstractItemModel *model() const { return view() ? view()->model() : nullptr; }

    // QAccessibleInterface
    int childCount() const override
    {
        const int columns = columnCount();
        return columns > 0 ? (rowCount() + 1) * columns : 0;
    }
    QAccessibleInterface *child(int index) const override
    {
        const int columns = columnCount();
        if (index < 0 || index >= childCount() || columns <= 0)
            return nullptr;
        return cell(index / columns - 1, index % columns);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *cell = dynamic_cast<const ListViewCell *>(child);
        if (!cell || cell->table() != this || !cell->isValid())
            return -1;
        return (cell->row() + 1) * columnCount() + cell->column();
    }
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
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // QAccessibleTableInterface
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        return cell(row, column);
    }
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
    void modelChange(QAccessibleTableModelChangeEvent *event) override
    {
        // Rows or columns came or went: the cells made so far stand at
        // other places now. Changed data is read afresh when asked.
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            dropCells();
    }

private:
    QItemSelectionModel *selection() const { return view() ? view()->selectionModel() : nullptr; }
    QModelIndexList selectedIndexes() const
    {
        QItemSelectionModel *s = selection();
        return s ? s->selectedIndexes() : QModelIndexList();
    }
    // The cell at a place (row -1: the header), made once and registered
    // with Qt's cache, which hands it out by id.
    QAccessibleInterface *cell(int row, int column) const
    {
        const quint64 key = (quint64(quint32(row + 1)) << 32) | quint32(column);
        if (const QAccessible::Id id = m_cells.value(key))
            if (QAccessibleInterface *known = QAccessible::accessibleInterface(id))
                return known;
        auto *made = new ListViewCell(const_cast<ListViewAccessible *>(this), row, column);
        m_cells.insert(key, QAccessible::registerAccessibleInterface(made));
        return made;
    }
    void dropCells()
    {
        const QHash<quint64, QAccessible::Id> cells = std::exchange(m_cells, {});
        for (const QAccessible::Id id : cells)
            QAccessible::deleteAccessibleInterface(id);
    }

    mutable QHash<quint64, QAccessible::Id> m_cells; // (row + 1, column) -> id
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

bool ListViewCell::isValid() const
{
    if (!m_table->isValid() || m_column >= m_table->columnCount())
        return false;
    return isHeader() || m_row < m_table->rowCount();
}

QWindow *ListViewCell::window() const
{
    return m_table->window();
}

QAccessibleInterface *ListViewCell::parent() const
{
    return m_table;
}

QAccessibleInterface *ListViewCell::table() const
{
    return m_table;
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
    QAccessible::State s;
    QAbstractItemView *v = view();
    if (!v || !isValid()) {
        s.invalid = true;
        return s;
    }
    const QAccessible::State table = m_table->state();
    s.invisible = table.invisible;
    s.disabled = table.disabled;
    if (isHeader())
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

QList<QAccessibleInterface *> ListViewCell::columnHeaderCells() const
{
    if (isHeader())
        return {};
    QAccessibleInterface *header = m_table->child(m_column);
    return header ? QList<QAccessibleInterface *>{header} : QList<QAccessibleInterface *>{};
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
