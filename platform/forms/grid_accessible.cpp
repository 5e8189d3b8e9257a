#include "platform/forms/grid_accessible.h"

#include "platform/forms/headered_table_accessible.h"
#include "platform/forms/view_accessible.h"

#include <QAccessible>
#include <QHeaderView>

namespace platform::forms::detail {

namespace {

class GridAccessible;

// A cell of the table, or (row -1) the header of a column; rows and
// columns are the table's, the grid's header row and column left out.
class GridCell final : public HeaderedCell<GridAccessible> {
public:
    using HeaderedCell::HeaderedCell;

    // QAccessibleInterface
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return isHeader() ? QAccessible::ColumnHeader : QAccessible::Cell; }
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface *>(this) : nullptr;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override;

private:
    FlexGridView *view() const;
    QModelIndex index() const;
};

class GridAccessible final : public HeaderedTable<GridAccessible, GridCell> {
public:
    explicit GridAccessible(FlexGridView *view) : HeaderedTable(view) {}

    FlexGridView *view() const { return static_cast<FlexGridView *>(widget()); }
    QAbstractItemModel *model() const { return view() ? view()->model() : nullptr; }
    // The model's index of a table cell.
    QModelIndex modelIndex(int row, int column) const
    {
        QAbstractItemModel *m = model();
        return m ? m->index(row + view()->headerRows(), column + view()->headerColumns()) : QModelIndex();
    }

    // QAccessibleInterface
    QAccessibleInterface *childAt(int x, int y) const override
    {
        FlexGridView *v = view();
        if (!v)
            return nullptr;
        const QPoint global(x, y);
        QHeaderView *header = v->horizontalHeader();
        if (header->isVisible() && header->rect().contains(header->mapFromGlobal(global))) {
            const int column = header->logicalIndexAt(header->mapFromGlobal(global).x()) - v->headerColumns();
            return column >= 0 && column < columnCount() ? cell(-1, column) : nullptr;
        }
        const QModelIndex at = v->indexAt(v->viewport()->mapFromGlobal(global));
        if (!at.isValid())
            return nullptr;
        return cellAt(at.row() - v->headerRows(), at.column() - v->headerColumns());
    }

    // QAccessibleTableInterface
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface *> selectedCells() const override { return {}; }
    QString columnDescription(int column) const override
    {
        QAbstractItemModel *m = model();
        return m ? m->headerData(column + view()->headerColumns(), Qt::Horizontal).toString() : QString();
    }
    QString rowDescription(int row) const override
    {
        QAbstractItemModel *m = model();
        return m && view()->headerColumns() ? m->headerData(row + view()->headerRows(), Qt::Vertical).toString()
                                            : QString();
    }
    // The grid's highlighted range is its own painting, not a selection
    // of the view: nothing is selected or selectable here.
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override
    {
        QAbstractItemModel *m = model();
        return m ? std::max(0, m->columnCount() - view()->headerColumns()) : 0;
    }
    int rowCount() const override
    {
        QAbstractItemModel *m = model();
        return m ? std::max(0, m->rowCount() - view()->headerRows()) : 0;
    }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
};

// ---- cells ------------------------------------------------------------------

FlexGridView *GridCell::view() const
{
    return m_table->view();
}

QModelIndex GridCell::index() const
{
    return isHeader() ? QModelIndex() : m_table->modelIndex(m_row, m_column);
}

QString GridCell::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name || !view() || !view()->model())
        return QString();
    if (isHeader())
        return m_table->columnDescription(m_column);
    return index().data(Qt::DisplayRole).toString();
}

QRect GridCell::rect() const
{
    FlexGridView *v = view();
    if (!v)
        return QRect();
    if (isHeader()) {
        QHeaderView *header = v->horizontalHeader();
        if (!header->isVisible())
            return QRect();
        const int section = m_column + v->headerColumns();
        const QRect local(header->sectionViewportPosition(section), 0, header->sectionSize(section), header->height());
        return QRect(header->mapToGlobal(local.topLeft()), local.size());
    }
    const QRect local = v->visualRect(index());
    return local.isValid() ? QRect(v->viewport()->mapToGlobal(local.topLeft()), local.size()) : QRect();
}

QAccessible::State GridCell::state() const
{
    QAccessible::State s = placeState();
    FlexGridView *v = view();
    if (!v)
        s.invalid = true;
    if (s.invalid || isHeader())
        return s;
    const QModelIndex i = index();
    if (!s.invisible && !v->viewport()->rect().intersects(v->visualRect(i)))
        s.offscreen = true;
    s.focusable = true;
    s.focused = v->hasFocus() && v->currentIndex() == i;
    return s;
}

bool GridCell::isSelected() const
{
    return false;
}

QAccessibleInterface *gridAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(FlexGridView::staticMetaObject.className()))
        if (auto *view = qobject_cast<FlexGridView *>(object))
            return new GridAccessible(view);
    // The view's viewport answers for the view, as for Qt's own item views.
    if (className == QLatin1String("QWidget") && object
        && object->objectName() == QLatin1String("qt_scrollarea_viewport"))
        if (auto *view = qobject_cast<FlexGridView *>(object->parent()))
            return new GridAccessible(view);
    return nullptr;
}

} // namespace

FlexGridView::FlexGridView(QWidget *parent) : QTableView(parent)
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(gridAccessibleFactory);
    }
}

int FlexGridView::headerRows() const
{
    return model() && model()->rowCount() > 0 && isRowHidden(0) && !horizontalHeader()->isHidden() ? 1 : 0;
}

int FlexGridView::headerColumns() const
{
    return model() && model()->columnCount() > 0 && isColumnHidden(0) && !verticalHeader()->isHidden() ? 1 : 0;
}

void FlexGridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The table view would tell the cell by its own numbering, with the
    // header row counted as a row: the cell is told here by the table's.
    QAbstractItemView::currentChanged(current, previous);
    if (!QAccessible::isActive() || !viewTellsChanges(this) || !hasFocus() || !current.isValid())
        return;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(this);
    QAccessibleTableInterface *table = iface ? iface->tableInterface() : nullptr;
    QAccessibleInterface *cell =
        table ? table->cellAt(current.row() - headerRows(), current.column() - headerColumns()) : nullptr;
    if (!cell)
        return;
    QAccessibleEvent event(cell, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

void FlexGridView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    // The view selects nothing (the grid paints its own range).
    QAbstractItemView::selectionChanged(selected, deselected);
}

} // namespace platform::forms::detail
