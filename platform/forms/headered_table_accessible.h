#pragma once
// What assistive tools see of a view shown as a table under a header row:
// the column headers first, then the cells row by row, so that child i is
// the cell (i / columns - 1, i % columns), row -1 being the header. That
// number, (row + 1) * columns + column, is the one the item views give in
// their focus and selection events. A cell holds its place, not an item:
// what it tells is read from the model when asked. Each place's cell is
// made once and registered with Qt's cache; when rows or columns come or
// go the cells made so far are dropped (they would stand elsewhere now),
// while changed data is simply read afresh.
//
// A view's table derives from HeaderedTable<Table, Cell> and gives the
// row and column counts and the rest of the table interface; its cells
// derive from HeaderedCell<Table> and give their text, place, role, state
// and selection.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QList>

#include <utility>

namespace platform::forms::detail {

template <typename Table>
class HeaderedCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    HeaderedCell(Table *table, int row, int column) : m_table(table), m_row(row), m_column(column) {}

    bool isHeader() const { return m_row < 0; }
    int row() const { return m_row; } // -1: the header
    int column() const { return m_column; }

    // QAccessibleInterface
    bool isValid() const override
    {
        if (!m_table->isValid() || m_column >= m_table->columnCount())
            return false;
        return isHeader() || m_row < m_table->rowCount();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_table->window(); }
    QAccessibleInterface *parent() const override { return m_table; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}

    // QAccessibleTableCellInterface
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        if (isHeader() || m_column >= m_table->columnCount())
            return {};
        return {m_table->cell(-1, m_column)};
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return isHeader() ? 0 : m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return m_table; }

protected:
    // What every cell's state starts from: invalid once its place is gone,
    // else hidden and disabled with its table.
    QAccessible::State placeState() const
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const QAccessible::State table = m_table->state();
        s.invisible = table.invisible;
        s.disabled = table.disabled;
        return s;
    }

    Table *m_table;
    int m_row;
    int m_column;
};

template <typename Table, typename Cell>
class HeaderedTable : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit HeaderedTable(QWidget *view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~HeaderedTable() override { dropCells(); }

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
        const auto *c = dynamic_cast<const Cell *>(child);
        if (!c || c->table() != this || !c->isValid())
            return -1;
        return (c->row() + 1) * columnCount() + c->column();
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
    void modelChange(QAccessibleTableModelChangeEvent *event) override
    {
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            dropCells();
    }

    // The cell at a place (row -1: the header), made once and registered
    // with Qt's cache, which hands it out by id.
    QAccessibleInterface *cell(int row, int column) const
    {
        const quint64 key = (quint64(quint32(row + 1)) << 32) | quint32(column);
        if (const QAccessible::Id id = m_cells.value(key))
            if (QAccessibleInterface *known = QAccessible::accessibleInterface(id))
                return known;
        auto *made = new Cell(static_cast<Table *>(const_cast<HeaderedTable *>(this)), row, column);
        m_cells.insert(key, QAccessible::registerAccessibleInterface(made));
        return made;
    }

private:
    void dropCells()
    {
        const QHash<quint64, QAccessible::Id> cells = std::exchange(m_cells, {});
        for (const QAccessible::Id id : cells)
            QAccessible::deleteAccessibleInterface(id);
    }

    mutable QHash<quint64, QAccessible::Id> m_cells; // (row + 1, column) -> id
};

} // namespace platform::forms::detail
