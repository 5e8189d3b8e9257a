#include "platform/forms/flexgrid.h"

#include "platform/forms/grid_accessible.h"

#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPalette>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <numeric>

namespace platform::forms {

namespace {

QColor colorOf(quint32 ole)
{
    if (ole & 0x80000000u) {
        // A system colour: the few the grid is given map to palette roles.
        const QPalette pal = QApplication::palette();
        switch (ole & 0xFF) {
        case 0x05: return pal.color(QPalette::Base);
        case 0x0F: return pal.color(QPalette::Button);
        case 0x0D: return pal.color(QPalette::Highlight);
        default: return pal.color(QPalette::Base);
        }
    }
    return QColor(int(ole & 0xFF), int((ole >> 8) & 0xFF), int((ole >> 16) & 0xFF));
}

} // namespace

// The grid's cells seen by the view, one model index per grid cell. The
// first fixed row is shown by the view's column header and the first fixed
// column by its row header (their cells are hidden in the body), so that they
// stay in view while the rows scroll; further fixed rows and columns are
// painted in the button-face colour. The cells of a selection range of more
// than one cell are painted highlighted.
class FlexGridModel : public QAbstractTableModel {
public:
    explicit FlexGridModel(MSHFlexGrid *grid) : QAbstractTableModel(grid), m_grid(grid) {}

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_grid->m_rows;
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_grid->m_cols;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const int r = index.row(), c = index.column();
        switch (role) {
        case Qt::DisplayRole:
            return m_grid->m_text[std::size_t(r) * m_grid->m_cols + c];
        case Qt::BackgroundRole:
            if (m_grid->inSelection(r, c))
                return QApplication::palette().color(QPalette::Highlight);
            if (const auto it = m_grid->m_back.constFind(m_grid->cellId(r, c)); it != m_grid->m_back.constEnd())
                return colorOf(*it);
            if (r < m_grid->m_fixedRows || c < m_grid->m_fixedCols)
                return QApplication::palette().color(QPalette::Button);
            return QVariant();
        case Qt::ForegroundRole:
            if (m_grid->inSelection(r, c))
                return QApplication::palette().color(QPalette::HighlightedText);
            return QVariant();
        default:
            return QVariant();
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || section < 0)
            return QVariant();
        if (orientation == Qt::Horizontal)
            return section < m_grid->m_cols && m_grid->m_rows > 0 ? m_grid->m_text[std::size_t(section)] : QString();
        return section < m_grid->m_rows && m_grid->m_cols > 0
                   ? m_grid->m_text[std::size_t(section) * m_grid->m_cols]
                   : QString();
    }
    void resetAll()
    {
        beginResetModel();
        endResetModel();
    }
    void cellsChanged(int r0, int c0, int r1, int c1)
    {
        if (r1 < r0 || c1 < c0)
            return;
        emit dataChanged(index(r0, c0), index(r1, c1));
        if (r0 == 0)
            emit headerDataChanged(Qt::Horizontal, c0, c1);
        if (c0 == 0)
            emit headerDataChanged(Qt::Vertical, r0, r1);
    }

private:
    MSHFlexGrid *m_grid;
};

MSHFlexGrid::MSHFlexGrid(QWidget *parent, const QString &name) : m_name(name)
{
    m_text.assign(std::size_t(m_rows) * m_cols, QString());
    m_colWidth.assign(std::size_t(m_cols), -1);
    m_model = new FlexGridModel(this);
    m_view = new detail::FlexGridView(parent);
    m_view->setModel(m_model);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideNone);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->horizontalHeader()->setMinimumSectionSize(0);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setHighlightSections(false);
    m_view->verticalHeader()->setDefaultSectionSize(18);
    m_view->verticalHeader()->setMinimumSectionSize(0);
    m_view->setSelectionMode(QAbstractItemView::NoSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab and Shift+Tab go on to the next and previous control of the form;
    // the arrow keys move between the cells.
    m_view->setTabKeyNavigation(false);
    m_view->setCornerButtonEnabled(false);
    connect(m_view, &QTableView::clicked, this, [this](const QModelIndex &i) {
        const Range before = selection();
        m_row = m_rowSel = i.row();
        m_col = m_colSel = i.column();
        selectionChanged(before);
        emit RowColChange();
        emit Click();
    });
    applyFixed();
}

MSHFlexGrid::~MSHFlexGrid()
{
    if (m_view && !m_view->parent())
        delete m_view;
}

QTableView *MSHFlexGrid::widget() const
{
    return m_view;
}

int MSHFlexGrid::pixelWidth(int col) const
{
    if (m_colWidth[col] < 0)
        return 64;
    // The width holds a text of that many twips. Where the column's texts
    // need more in the face the grid shows them in, the column takes that
    // (the texts of a column share one format: its first rows and its last
    // row tell). The cell's text margins and its grid line come on top.
    const QFontMetrics metrics(m_view->font());
    int text = m_colWidth[col] / twipsPerPixel;
    const int sampled = std::min(m_rows, 64);
    for (int r = 0; r < m_rows; r = r + 1 < sampled ? r + 1 : std::max(r + 1, m_rows - 1))
        text = std::max(text, metrics.horizontalAdvance(m_text[std::size_t(r) * m_cols + col]));
    const int margin = m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1;
    return text + 2 * margin + 1;
}

void MSHFlexGrid::applyFixed()
{
    // The first fixed row is the column header, the first fixed column the
    // row header; their body cells are hidden.
    const bool headerRow = m_fixedRows > 0 && m_rows > 0;
    const bool headerCol = m_fixedCols > 0 && m_cols > 0;
    m_view->horizontalHeader()->setVisible(headerRow);
    m_view->verticalHeader()->setVisible(headerCol);
    if (m_rows > 0)
        m_view->setRowHidden(0, headerRow);
    if (m_cols > 0)
        m_view->setColumnHidden(0, headerCol);
    if (headerCol)
        m_view->verticalHeader()->setFixedWidth(pixelWidth(0));
    for (int c = 0; c < m_cols; ++c)
        if (!(headerCol && c == 0))
            m_view->setColumnWidth(c, pixelWidth(c));
}

void MSHFlexGrid::cellsChanged()
{
    if (!m_redraw) {
        m_dirty = true;
        return;
    }
    m_model->resetAll();
    applyFixed();
    m_dirty = false;
}

MSHFlexGrid::Range MSHFlexGrid::selection() const
{
    return {std::min(m_row, m_rowSel), std::min(m_col, m_colSel), std::max(m_row, m_rowSel),
            std::max(m_col, m_colSel)};
}

bool MSHFlexGrid::inSelection(int row, int col) const
{
    if (row < m_fixedRows || col < m_fixedCols || (m_row == m_rowSel && m_col == m_colSel))
        return false;
    const Range s = selection();
    return row >= s.r0 && row <= s.r1 && col >= s.c0 && col <= s.c1;
}

void MSHFlexGrid::selectionChanged(const Range &before)
{
    if (!m_redraw) {
        m_dirty = true;
        return;
    }
    const Range now = selection();
    m_model->cellsChanged(before.r0, before.c0, before.r1, before.c1);
    m_model->cellsChanged(now.r0, now.c0, now.r1, now.c1);
}

void MSHFlexGrid::resize(int rows, int cols)
{
    if (rows < 0 || cols < 0)
        throw RuntimeError(30009, QStringLiteral("行数または列数が正しくありません。"));
    if (rows < m_fixedRows || cols < m_fixedCols)
        throw RuntimeError(30009, QStringLiteral("固定行または固定列の数より少なくはできません。"));
    std::vector<QString> text(std::size_t(rows) * cols);
    for (int r = 0; r < std::min(rows, m_rows); ++r)
        for (int c = 0; c < std::min(cols, m_cols); ++c)
            text[std::size_t(r) * cols + c] = std::move(m_text[std::size_t(r) * m_cols + c]);
    for (auto it = m_back.begin(); it != m_back.end();) {
        const int r = int(it.key() >> 32), c = int(it.key() & 0xFFFFFFFF);
        if (r >= rows || c >= cols)
            it = m_back.erase(it);
        else
            ++it;
    }
    m_text = std::move(text);
    m_colWidth.resize(std::size_t(cols), -1);
    m_rows = rows;
    m_cols = cols;
    m_row = std::min(m_row, std::max(0, rows - 1));
    m_col = std::min(m_col, std::max(0, cols - 1));
    m_rowSel = std::min(m_rowSel, std::max(0, rows - 1));
    m_colSel = std::min(m_colSel, std::max(0, cols - 1));
    cellsChanged();
}

void MSHFlexGrid::setRows(int rows)
{
    resize(rows, m_cols);
}

void MSHFlexGrid::setCols(int cols)
{
    resize(m_rows, cols);
}

void MSHFlexGrid::setFixedRows(int rows)
{
    if (rows < 0 || rows > m_rows)
        throw RuntimeError(30009, QStringLiteral("固定行の数が正しくありません。"));
    m_fixedRows = rows;
    cellsChanged();
}

void MSHFlexGrid::setFixedCols(int cols)
{
    if (cols < 0 || cols > m_cols)
        throw RuntimeError(30009, QStringLiteral("固定列の数が正しくありません。"));
    m_fixedCols = cols;
    cellsChanged();
}

void MSHFlexGrid::requireCell(int row, int col) const
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        throw RuntimeError(errSubscript, QStringLiteral("行または列の値が正しくありません。(%1, %2)").arg(row).arg(col));
}

QString MSHFlexGrid::TextMatrix(int row, int col) const
{
    requireCell(row, col);
    return m_text[std::size_t(row) * m_cols + col];
}

void MSHFlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    requireCell(row, col);
    m_text[std::size_t(row) * m_cols + col] = text;
    if (m_redraw)
        m_model->cellsChanged(row, col, row, col);
    else
        m_dirty = true;
}

void MSHFlexGrid::setRow(int row)
{
    requireCell(row, 0);
    const Range before = selection();
    m_row = m_rowSel = row;
    selectionChanged(before);
}

void MSHFlexGrid::setCol(int col)
{
    requireCell(0, col);
    const Range before = selection();
    m_col = m_colSel = col;
    selectionChanged(before);
}

void MSHFlexGrid::setRowSel(int row)
{
    requireCell(row, 0);
    const Range before = selection();
    m_rowSel = row;
    selectionChanged(before);
}

void MSHFlexGrid::setColSel(int col)
{
    requireCell(0, col);
    const Range before = selection();
    m_colSel = col;
    selectionChanged(before);
}

int MSHFlexGrid::TopRow() const
{
    const int row = m_view->rowAt(0);
    return row >= 0 ? std::max(row, m_fixedRows) : m_fixedRows;
}

void MSHFlexGrid::setTopRow(int row)
{
    requireCell(row, 0);
    m_view->scrollTo(m_model->index(row, 0), QAbstractItemView::PositionAtTop);
}

int MSHFlexGrid::ColWidth(int col) const
{
    requireCell(0, col);
    return m_colWidth[col];
}

void MSHFlexGrid::setColWidth(int col, int twips)
{
    requireCell(0, col);
    m_colWidth[col] = twips;
    if (m_redraw)
        applyFixed();
    else
        m_dirty = true;
}

quint32 MSHFlexGrid::CellBackColor() const
{
    return cellBackColorAt(m_row, m_col);
}

quint32 MSHFlexGrid::cellBackColorAt(int row, int col) const
{
    requireCell(row, col);
    return m_back.value(cellId(row, col), 0);
}

void MSHFlexGrid::setCellBackColor(quint32 oleColor)
{
    // The colour goes to every cell of the selection, as in the control.
    const int r0 = std::min(m_row, m_rowSel), r1 = std::max(m_row, m_rowSel);
    const int c0 = std::min(m_col, m_colSel), c1 = std::max(m_col, m_colSel);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            if (oleColor == 0)
                m_back.remove(cellId(r, c));
            else
                m_back.insert(cellId(r, c), oleColor);
        }
    if (m_redraw)
        m_model->cellsChanged(r0, c0, r1, c1);
    else
        m_dirty = true;
}

bool MSHFlexGrid::Enabled() const
{
    return m_view->isEnabled();
}

void MSHFlexGrid::setEnabled(bool enabled)
{
    m_view->setEnabled(enabled);
}

void MSHFlexGrid::setRedraw(bool redraw)
{
    m_redraw = redraw;
    m_view->setUpdatesEnabled(redraw);
    if (redraw && m_dirty)
        cellsChanged();
}

void MSHFlexGrid::setSort(int setting)
{
    if (setting == flexSortNone)
        return;
    const int r0 = std::max(m_fixedRows, std::min(m_row, m_rowSel));
    const int r1 = std::max(m_row, m_rowSel);
    const int c0 = std::min(m_col, m_colSel), c1 = std::max(m_col, m_colSel);
    if (r1 <= r0)
        return;
    std::vector<int> order(std::size_t(r1 - r0 + 1));
    std::iota(order.begin(), order.end(), r0);
    const bool descending = setting % 2 == 0;
    auto cmpCell = [&](const QString &a, const QString &b) -> int {
        switch (setting) {
        case flexSortNumericAscending:
        case flexSortNumericDescending: {
            const double x = Val(a), y = Val(b);
            return x < y ? -1 : x > y ? 1 : 0;
        }
        case flexSortStringAscending:
        case flexSortStringDescending:
            return a.compare(b, Qt::CaseSensitive);
        case flexSortGenericAscending:
        case flexSortGenericDescending:
            if (IsNumeric(a) && IsNumeric(b)) {
                const double x = Val(a), y = Val(b);
                return x < y ? -1 : x > y ? 1 : 0;
            }
            [[fallthrough]];
        default:
            return a.compare(b, Qt::CaseInsensitive);
        }
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (int c = c0; c <= c1; ++c) {
            const int k = cmpCell(m_text[std::size_t(a) * m_cols + c], m_text[std::size_t(b) * m_cols + c]);
            if (k != 0)
                return descending ? k > 0 : k < 0;
        }
        return false;
    });
    std::vector<QString> text = m_text;
    QHash<quint64, quint32> back;
    for (auto it = m_back.begin(); it != m_back.end(); ++it)
        if (int(it.key() >> 32) < r0 || int(it.key() >> 32) > r1)
            back.insert(it.key(), it.value());
    for (int i = 0; i < int(order.size()); ++i) {
        const int from = order[i], to = r0 + i;
        for (int c = 0; c < m_cols; ++c) {
            text[std::size_t(to) * m_cols + c] = m_text[std::size_t(from) * m_cols + c];
            if (const auto it = m_back.constFind(cellId(from, c)); it != m_back.constEnd())
                back.insert(cellId(to, c), *it);
        }
    }
    m_text = std::move(text);
    m_back = std::move(back);
    cellsChanged();
}

void MSHFlexGrid::Clear()
{
    // A grid filled from a data source gives its rows back with the data:
    // only the fixed rows stay.
    if (m_bound) {
        m_bound = false;
        const int rows = m_fixedRows;
        m_text.resize(std::size_t(rows) * m_cols);
        m_rows = rows;
        m_row = m_rowSel = std::min(m_row, std::max(0, rows - 1));
    }
    std::fill(m_text.begin(), m_text.end(), QString());
    m_back.clear();
    cellsChanged();
}

void MSHFlexGrid::bindRows(const QStringList &names, int recordCount,
                           const std::function<QVariant(int row, int col)> &value)
{
    const int rows = 1 + recordCount;
    const int cols = std::max<int>(1, int(names.size()));
    m_fixedRows = std::min(m_fixedRows, rows);
    m_fixedCols = std::min(m_fixedCols, cols);
    m_back.clear();
    m_text.assign(std::size_t(rows) * cols, QString());
    for (int c = 0; c < names.size(); ++c)
        m_text[c] = names[c];
    for (int r = 1; r < rows; ++r)
        for (int c = 0; c < int(names.size()); ++c)
            m_text[std::size_t(r) * cols + c] = value(r - 1, c).toString();
    m_rows = rows;
    m_cols = cols;
    m_colWidth.assign(std::size_t(cols), -1);
    m_row = m_rowSel = std::min(1, rows - 1);
    m_col = m_colSel = 0;
    m_bound = true;
    cellsChanged();
}

} // namespace platform::forms
