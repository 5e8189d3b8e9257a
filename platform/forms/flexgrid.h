#pragma once
// Flex grid control: a table of text cells with fixed (header) rows and
// columns, a current cell (Row, Col) with a selection (RowSel, ColSel), cell
// background colours as OLE colour numbers, column widths in twips, a redraw
// switch, sorting and binding to a recordset. Shown by a QTableView over a
// model that paints only the rows on view, so that a year of half hours
// (17,520 rows) fills without a widget per cell; while Redraw is off nothing
// is repainted. The first fixed row stays in view as the column header.
#include <QAbstractTableModel>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

class QTableView;
class QWidget;

namespace platform::forms {

enum SortSettings {
    flexSortNone = 0,
    flexSortGenericAscending = 1,
    flexSortGenericDescending = 2,
    flexSortNumericAscending = 3,
    flexSortNumericDescending = 4,
    flexSortStringNoCaseAscending = 5,
    flexSortStringNoCaseDescending = 6,
    flexSortStringAscending = 7,
    flexSortStringDescending = 8,
};

constexpr int twipsPerPixel = 15;
constexpr int errSubscript = 381; // invalid row or column index

class FlexGridModel;

class MSHFlexGrid : public QObject {
    Q_OBJECT
public:
    explicit MSHFlexGrid(QWidget *parent = nullptr, const QString &name = QStringLiteral("MSHFlexGrid"));
    ~MSHFlexGrid() override;

    QString Name() const { return m_name; }
    QTableView *widget() const;

    int Rows() const { return m_rows; }
    void setRows(int rows);
    int Cols() const { return m_cols; }
    void setCols(int cols);
    int FixedRows() const { return m_fixedRows; }
    void setFixedRows(int rows);
    int FixedCols() const { return m_fixedCols; }
    void setFixedCols(int cols);

    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    // Text of the current cell.
    QString Text() const { return TextMatrix(m_row, m_col); }
    void setText(const QString &text) { setTextMatrix(m_row, m_col, text); }

    int Row() const { return m_row; }
    void setRow(int row); // also sets RowSel
    int Col() const { return m_col; }
    void setCol(int col); // also sets ColSel
    int RowSel() const { return m_rowSel; }
    void setRowSel(int row);
    int ColSel() const { return m_colSel; }
    void setColSel(int col);
    int TopRow() const;
    void setTopRow(int row);

    // Width of a column in twips; -1 is the default width.
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);

    // Background of the current cell; 0 before one was set means the default.
    quint32 CellBackColor() const;
    void setCellBackColor(quint32 oleColor);
    // Colour of any cell (for tests and printing): 0 when none was set.
    quint32 cellBackColorAt(int row, int col) const;

    // Whether the grid takes mouse and keyboard input.
    bool Enabled() const;
    void setEnabled(bool enabled);

    bool Redraw() const { return m_redraw; }
    void setRedraw(bool redraw);

    // Sorts the non-fixed rows between Row and RowSel by the columns between
    // Col and ColSel (leftmost first), as the control's Sort property does.
    void setSort(int setting);

    // Clears texts and colours of every cell; sizes stay, except for a grid
    // filled from a data source, which keeps only its fixed rows.
    void Clear();

    // Binds a recordset (anything with columnNames(), RecordCount() and
    // row(i)[c]): one header row with the column names, then one row per
    // result row; Cols becomes the number of fields.
    template <class Recordset> void setDataSource(Recordset &recordset)
    {
        bindRows(recordset.columnNames(), int(recordset.RecordCount()),
                 [&recordset](int row, int col) { return recordset.row(row)[std::size_t(col)]; });
    }
    void bindRows(const QStringList &names, int recordCount, const std::function<QVariant(int row, int col)> &value);

signals:
    void Click();
    void RowColChange();

private:
    friend class FlexGridModel;
    struct Range {
        int r0, c0, r1, c1;
    };
    void requireCell(int row, int col) const;
    void cellsChanged();
    // Headers for the first fixed row and column, and the column widths.
    void applyFixed();
    int pixelWidth(int col) const;
    Range selection() const;
    bool inSelection(int row, int col) const;
    void selectionChanged(const Range &before);
    void resize(int rows, int cols);
    quint64 cellId(int row, int col) const { return (quint64(quint32(row)) << 32) | quint32(col); }

    QString m_name;
    QPointer<QTableView> m_view;
    FlexGridModel *m_model = nullptr;
    int m_rows = 2, m_cols = 2, m_fixedRows = 1, m_fixedCols = 1;
    std::vector<QString> m_text; // m_rows * m_cols, row-major
    QHash<quint64, quint32> m_back;
    std::vector<int> m_colWidth;
    int m_row = 1, m_col = 1, m_rowSel = 1, m_colSel = 1;
    bool m_redraw = true;
    bool m_dirty = false;
    bool m_bound = false; // rows came from a data source
};

} // namespace platform::forms
