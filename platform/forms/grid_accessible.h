#pragma once
// The flex grid's view and what assistive tools see of it: a table whose
// rows are the grid's records and whose column headers are the captions
// of its header row. The grid's first fixed row (shown by the view's
// column header) is not a row of the table, nor is its first fixed column
// (shown by the row header) a column: a grid of a header row and 26
// records has 26 rows. The children are the column headers and then each
// row's cells, row by row. Cells are named by their text and offer no
// action: the grid's cells are read, not toggled or edited. Hidden or
// disabled, the view tells no focus or selection changes.
#include <QTableView>

namespace platform::forms::detail {

class FlexGridView final : public QTableView {
    Q_OBJECT
public:
    explicit FlexGridView(QWidget *parent = nullptr);

    // The model's first row and column when they are the grid's header
    // row and column (shown by the view's headers), else 0.
    int headerRows() const;
    int headerColumns() const;

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
};

} // namespace platform::forms::detail
