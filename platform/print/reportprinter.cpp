#include "platform/print/reportprinter.h"

#include "platform/print/colors.h"
#include "platform/print/errors.h"
#include "platform/print/fonts.h"
#include "platform/print/reportpreview.h"
#include "platform/print/textwidths.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextLayout>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVarLengthArray>
#include <cmath>

namespace platform::print {

namespace {

// Space between a cell's rules and its text, twips.
constexpr double kCellPadX = 60;
constexpr double kCellPadY = 20;
// Rows that end within this much of the bottom still fit (sums of
// percent heights are not exact in floating point).
constexpr double kFitTolerance = 0.01;

PrintDialogHandler &dialogHandler()
{
    static PrintDialogHandler handler = [](QPrinter &printer, QWidget *parent) {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    };
    return handler;
}

PrinterCatalog &catalog()
{
    static PrinterCatalog c{
        [] { return QPrinterInfo::availablePrinterNames(); },
        [] { return QPrinterInfo::defaultPrinterName(); },
    };
    return c;
}

QPageSize::PageSizeId pageSizeId(int paper)
{
    switch (paper) {
    case 1: return QPageSize::Letter;
    case 5: return QPageSize::Legal;
    case 8: return QPageSize::A3;
    case 9: return QPageSize::A4;
    case 11: return QPageSize::A5;
    case 12: return QPageSize::JisB4;
    case 13: return QPageSize::JisB5;
    default: return QPageSize::Custom;
    }
}

QStringList wrapLines(const QString &text, TextWidths &widthOf, double width)
{
    // The common case: one line that fits.
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))
        && (width <= 0 || widthOf(text) <= width))
        return {text};
    QStringList lines;
    QString t = text;
    if (t.contains(QLatin1Char('\r'))) {
        t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    const QStringList paragraphs = t.split(QLatin1Char('\n'));
    for (const QString &p : paragraphs) {
        if (width <= 0 || widthOf(p) <= width) {
            lines << p;
            continue;
        }
        QTextLayout layout(p, widthOf.font());
        layout.beginLayout();
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(width);
            lines << p.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
    }
    return lines;
}

// Which rules a border setting draws.
struct BorderRules {
    bool outline, headerRule, columns, rows;
};

BorderRules borderRules(int setting)
{
    switch (setting) {
    case 0: return {false, false, false, false};
    case 1: return {true, false, false, false};
    case 2: return {true, true, false, false};
    case 3: return {true, false, true, false};
    case 4: return {true, true, false, true};
    case 5: return {true, true, true, false};
    case 6: return {false, true, false, true};
    default: return {true, true, true, true};
    }
}

// The printing progress window: caption, device line, page line, cancel.
class PrintProgress : public QDialog {
public:
    PrintProgress(QWidget *parent, const QString &caption, const QString &deviceLine, const QString &cancel)
        : QDialog(parent)
    {
        setWindowTitle(caption);
        setModal(false);
        auto *layout = new QVBoxLayout(this);
        auto *device = new QLabel(deviceLine, this);
        m_page = new QLabel(this);
        auto *button = new QPushButton(cancel, this);
        button->setObjectName(QStringLiteral("printCancel"));
        layout->addWidget(device);
        layout->addWidget(m_page);
        layout->addWidget(button, 0, Qt::AlignHCenter);
        connect(button, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    }
    void setPageLine(const QString &text) { m_page->setText(text); }
    bool cancelled() const { return m_cancelled; }

protected:
    void reject() override { m_cancelled = true; }

private:
    QLabel *m_page = nullptr;
    bool m_cancelled = false;
};

} // namespace

struct ReportPrinter::PendingTable {
    bool added = false;
    QVector<ColumnFormat> columns;
    QStringList header;
    QVector<QStringList> body;
    QColor headerShade;
    QVector<double> rowHeight;           // per row, header first; < 0 = by content
    QHash<quint64, QColor> background;   // (row << 32) | column
    int rowCount() const { return int(body.size()) + 1; }
};

void ReportPrinter::setPrintDialogHandler(PrintDialogHandler handler)
{
    dialogHandler() = std::move(handler);
}

void ReportPrinter::setPrinterCatalog(PrinterCatalog c)
{
    catalog() = std::move(c);
}

ReportPrinter::ReportPrinter(QWidget *parent)
    : QWidget(parent),
      m_fontName(QStringLiteral("ＭＳ Ｐゴシック")),
      m_printingCaption(QStringLiteral("印刷中....")),
      m_cancelCaption(QStringLiteral("ｷｬﾝｾﾙ")),
      m_deviceLine(QStringLiteral("出力先 %s ( %s )")),
      m_pageLine(QStringLiteral("%d ﾍﾟｰｼﾞ目を印刷中"))
{
    for (MarginSpec &m : m_margins)
        m = MarginSpec{1440, false};

    // Opaque: the preview lies over other controls of its window.
    setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        m_zoomButtons[i] = new QToolButton(this);
        m_zoomButtons[i]->setCheckable(true);
        m_zoomButtons[i]->setToolButtonStyle(Qt::ToolButtonTextOnly);
        group->addButton(m_zoomButtons[i], i);
        bar->addWidget(m_zoomButtons[i]);
    }
    m_zoomButtons[0]->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { setZoomMode(id); });
    bar->addSpacing(12);
    m_prevButton = new QToolButton(this);
    m_prevButton->setArrowType(Qt::LeftArrow);
    m_nextButton = new QToolButton(this);
    m_nextButton->setArrowType(Qt::RightArrow);
    // The arrows have no text: assistive tools name them by the page they
    // turn to, in the preview's own words.
    m_prevButton->setAccessibleName(QStringLiteral("前ﾍﾟｰｼﾞ"));
    m_nextButton->setAccessibleName(QStringLiteral("次ﾍﾟｰｼﾞ"));
    m_pageLabel = new QLabel(this);
    bar->addWidget(m_prevButton);
    bar->addWidget(m_pageLabel);
    bar->addWidget(m_nextButton);
    bar->addStretch(1);
    connect(m_prevButton, &QToolButton::clicked, this, [this] { setPreviewPage(m_previewPage - (m_zoomMode == 2 ? 2 : 1)); });
    connect(m_nextButton, &QToolButton::clicked, this, [this] { setPreviewPage(m_previewPage + (m_zoomMode == 2 ? 2 : 1)); });
    layout->addLayout(bar);

    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(false);
    m_scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_preview = new ReportPreview;
    m_scroll->setWidget(m_preview);
    // The pages follow the room they are given, also when the preview gets
    // its size only as it is shown.
    m_scroll->viewport()->installEventFilter(this);
    layout->addWidget(m_scroll, 1);
    connect(m_preview, &ReportPreview::pageChosen, this, [this](int page) {
        m_previewPage = page;
        setZoomMode(0);
    });

    setZoomChoices(QStringLiteral("ﾍﾟｰｼﾞ全体(&P)|ﾍﾟｰｼﾞ幅(&W)|2ﾍﾟｰｼﾞ(&T)|ｻﾑﾈｲﾙ(&N)"));
    updatePreview();
}

ReportPrinter::~ReportPrinter() = default;

void ReportPrinter::BeginSetup()
{
    m_table.reset();
    m_document.reset();
    m_docOpen = false;
    m_previewPage = 0;
    updatePreview();
}

void ReportPrinter::setPaperSize(int paper)
{
    if (pageSizeId(paper) == QPageSize::Custom)
        throwInvalidValue(QStringLiteral("PaperSize"));
    m_paperSize = paper;
}

void ReportPrinter::setOrientation(int orientation)
{
    if (orientation != 0 && orientation != 1)
        throwInvalidValue(QStringLiteral("Orientation"));
    m_orientation = orientation;
}

QSizeF ReportPrinter::paperTwips() const
{
    // Millimetres are exact for the ISO and JIS sizes, inches for Letter and Legal.
    const QPageSize page(pageSizeId(m_paperSize));
    const bool metric = m_paperSize != 1 && m_paperSize != 5;
    const QSizeF size = page.size(metric ? QPageSize::Millimeter : QPageSize::Inch);
    const double factor = metric ? kTwipsPerInch / 25.4 : kTwipsPerInch;
    QSizeF twips(std::round(size.width() * factor), std::round(size.height() * factor));
    if (m_orientation == 1)
        twips.transpose();
    return twips;
}

double ReportPrinter::PageWidth() const { return paperTwips().width(); }
double ReportPrinter::PageHeight() const { return paperTwips().height(); }

double ReportPrinter::resolveMargin(const MarginSpec &spec, bool horizontal) const
{
    if (!spec.percent)
        return spec.value;
    const QSizeF page = paperTwips();
    return spec.value * (horizontal ? page.width() : page.height()) / 100.0;
}

ReportPrinter::MarginSpec ReportPrinter::parseMargin(const QString &text, const QString &property) const
{
    const QString t = text.trimmed();
    if (t.endsWith(QLatin1Char('%'))) {
        const double percent = parseLength(t, 100.0, property);
        if (percent >= 50)
            throwInvalidValue(property);
        return MarginSpec{percent, true};
    }
    return MarginSpec{parseLength(t, 0, property), false};
}

double ReportPrinter::MarginLeft() const { return resolveMargin(m_margins[0], true); }
double ReportPrinter::MarginTop() const { return resolveMargin(m_margins[1], false); }
double ReportPrinter::MarginRight() const { return resolveMargin(m_margins[2], true); }
double ReportPrinter::MarginBottom() const { return resolveMargin(m_margins[3], false); }
void ReportPrinter::setMarginLeft(const QString &m) { m_margins[0] = parseMargin(m, QStringLiteral("MarginLeft")); }
void ReportPrinter::setMarginTop(const QString &m) { m_margins[1] = parseMargin(m, QStringLiteral("MarginTop")); }
void ReportPrinter::setMarginRight(const QString &m) { m_margins[2] = parseMargin(m, QStringLiteral("MarginRight")); }
void ReportPrinter::setMarginBottom(const QString &m) { m_margins[3] = parseMargin(m, QStringLiteral("MarginBottom")); }

void ReportPrinter::setFontSize(double points)
{
    if (!(points > 0) || points > 500)
        throwInvalidValue(QStringLiteral("FontSize"));
    m_fontSize = points;
}

void ReportPrinter::setTableBorder(int setting)
{
    if (setting < 0 || setting > 7)
        throwInvalidValue(QStringLiteral("TableBorder"));
    m_tableBorder = setting;
}

int ReportPrinter::fontIndex(const QFont &font)
{
    for (int i = 0; i < m_document->fonts.size(); ++i)
        if (m_document->fonts[i] == font)
            return i;
    m_document->fonts.append(font);
    return int(m_document->fonts.size()) - 1;
}

void ReportPrinter::requireOpenDoc(const char *what) const
{
    if (!m_docOpen)
        platform::raise(platform::err::InvalidProcedureCall,
                        QStringLiteral("%1 needs a document started with StartDoc").arg(QLatin1String(what)));
}

void ReportPrinter::beginPage()
{
    ReportPage page;
    page.header = m_header;
    page.footer = m_footer;
    m_document->pages.append(page);
    m_cursorY = m_document->printable.top();
    m_pageHasContent = false;
    emit NewPage(m_document->pageCount());
}

void ReportPrinter::StartDoc()
{
    m_table.reset();
    auto doc = std::make_unique<ReportDocument>();
    doc->paperSize = m_paperSize;
    doc->orientation = m_orientation;
    doc->pageSize = paperTwips();
    doc->printable = QRectF(MarginLeft(), MarginTop(), doc->pageSize.width() - MarginLeft() - MarginRight(),
                            doc->pageSize.height() - MarginTop() - MarginBottom());
    if (doc->printable.width() <= 0 || doc->printable.height() <= 0)
        throwInvalidValue(QStringLiteral("margins"));
    doc->title = m_title;
    m_document = std::move(doc);
    m_docOpen = true;
    m_previewPage = 0;
    m_preview->setDocument(nullptr);

    QFont body = resolveFont(m_fontName);
    body.setPixelSize(std::max(1, int(std::lround(m_fontSize * 20))));
    fontIndex(body);
    QFont running = body;
    running.setPixelSize(std::max(1, int(std::lround(m_fontSize * 0.9 * 20))));
    m_document->headerFont = fontIndex(running);

    beginPage();
    if (!m_title.isEmpty()) {
        QFont titleFont = resolveFont(m_fontName, true);
        titleFont.setPixelSize(std::max(1, int(std::lround(m_fontSize * 1.4 * 20))));
        const int font = fontIndex(titleFont);
        TextWidths widthOf(titleFont);
        const QFontMetricsF &fm = widthOf.metrics();
        const QRectF area = m_document->printable;
        const QStringList lines = wrapLines(m_title, widthOf, area.width());
        for (const QString &line : lines) {
            const double x = area.left() + (area.width() - widthOf(line)) / 2;
            m_document->pages.last().texts.append(ReportText{QPointF(x, m_cursorY + fm.ascent()), line, font});
            m_cursorY += fm.height();
        }
        m_cursorY += fm.height() / 2;
        m_pageHasContent = true;
    }
}

void ReportPrinter::EndDoc()
{
    requireOpenDoc("EndDoc");
    flushTable();
    m_docOpen = false;
    updatePreview();
    emit DocumentEnded();
}

void ReportPrinter::StartTable()
{
    requireOpenDoc("StartTable");
    flushTable();
    m_table = std::make_unique<PendingTable>();
}

void ReportPrinter::AddTable(const QString &format, const QString &header, const TableBody &body,
                             std::uint32_t headerShade)
{
    requireOpenDoc("AddTable");
    if (m_table && m_table->added)
        flushTable();
    if (!m_table)
        m_table = std::make_unique<PendingTable>();
    PendingTable &t = *m_table;
    t.columns = parseColumnFormat(format);
    t.header = header.isEmpty() ? QStringList() : header.split(QLatin1Char('|'));
    while (t.columns.size() < t.header.size())
        t.columns.append(ColumnFormat{});
    if (t.columns.isEmpty())
        platform::raise(platform::err::InvalidProcedureCall, QStringLiteral("A table needs a format or a header"));
    t.headerShade = oleColor(headerShade);
    const int columns = int(t.columns.size());
    t.body.reserve(body.size());
    for (const QVariantList &row : body) {
        QStringList cells;
        cells.reserve(columns);
        for (int c = 0; c < columns; ++c)
            cells << (c < row.size() ? row[c].toString() : QString());
        t.body.append(cells);
    }
    t.rowHeight = QVector<double>(t.rowCount(), -1.0);
    t.added = true;
}

void ReportPrinter::TableCell(int setting, int row1, int col1, int row2, int col2, const QVariant &value)
{
    if (!m_table || !m_table->added)
        platform::raise(platform::err::InvalidProcedureCall, QStringLiteral("TableCell needs a table added with AddTable"));
    PendingTable &t = *m_table;
    const int rows = t.rowCount();
    const int columns = int(t.columns.size());
    int rFirst = row1, rLast = row2 < 0 ? row1 : row2;
    int cFirst = col1, cLast = col2 < 0 ? col1 : col2;
    if (row1 < 0) {
        rFirst = 0;
        rLast = rows - 1;
    }
    if (col1 < 0) {
        cFirst = 1;
        cLast = columns;
    }
    if (rFirst > rLast)
        std::swap(rFirst, rLast);
    if (cFirst > cLast)
        std::swap(cFirst, cLast);
    if (rFirst < 0 || rLast >= rows || cFirst < 1 || cLast > columns)
        platform::raise(platform::err::SubscriptOutOfRange,
                        QStringLiteral("Table cell (%1, %2) is outside the table of %3 rows and %4 columns")
                            .arg(row1).arg(col1).arg(rows).arg(columns));
    switch (setting) {
    case tcRowHeight: {
        const double height = value.typeId() == QMetaType::QString
                                  ? parseLength(value.toString(), m_document->pageSize.height(), QStringLiteral("row height"))
                                  : value.toDouble();
        if (!(height >= 0))
            throwInvalidValue(QStringLiteral("row height"));
        for (int r = rFirst; r <= rLast; ++r)
            t.rowHeight[r] = height;
        break;
    }
    case tcBackColor: {
        bool ok = false;
        const qlonglong raw = value.toLongLong(&ok);
        if (!ok || raw < 0 || raw > 0xFFFFFFFFLL)
            throwInvalidValue(QStringLiteral("cell colour"));
        const QColor colour = oleColor(std::uint32_t(raw));
        for (int r = rFirst; r <= rLast; ++r)
            for (int c = cFirst; c <= cLast; ++c)
                t.background.insert((quint64(r) << 32) | quint64(c), colour);
        break;
    }
    default:
        throwInvalidValue(QStringLiteral("TableCell setting %1").arg(setting));
    }
}

QVariant ReportPrinter::TableCellValue(int setting, int row, int col) const
{
    if (!m_table || !m_table->added || row < 0 || row >= m_table->rowCount() || col < 1
        || col > m_table->columns.size())
        return {};
    if (setting == tcRowHeight)
        return m_table->rowHeight[row];
    if (setting == tcBackColor) {
        const auto it = m_table->background.constFind((quint64(row) << 32) | quint64(col));
        return it == m_table->background.constEnd() ? QVariant() : QVariant(*it);
    }
    return {};
}

void ReportPrinter::EndTable()
{
    requireOpenDoc("EndTable");
    flushTable();
}

void ReportPrinter::flushTable()
{
    if (!m_table)
        return;
    std::unique_ptr<PendingTable> table = std::move(m_table);
    if (table->added)
        layoutTable(*table);
}

void ReportPrinter::layoutTable(PendingTable &t)
{
    ReportDocument &doc = *m_document;
    const QRectF area = doc.printable;
    const int columns = int(t.columns.size());

    // Column widths: percent of the printable width, lengths as given, the
    // rest shared by the columns without a width.
    QVector<double> widths(columns, 0.0);
    double fixed = 0;
    int autoCount = 0;
    for (int c = 0; c < columns; ++c) {
        const ColumnFormat &f = t.columns[c];
        if (f.widthKind == ColumnFormat::Width::Percent)
            widths[c] = area.width() * f.width / 100.0;
        else if (f.widthKind == ColumnFormat::Width::Length)
            widths[c] = f.width;
        else
            ++autoCount;
        fixed += widths[c];
    }
    if (autoCount > 0) {
        const double share = std::max(0.0, area.width() - fixed) / autoCount;
        for (int c = 0; c < columns; ++c)
            if (t.columns[c].widthKind == ColumnFormat::Width::Auto)
                widths[c] = share;
    }
    QVector<double> lefts(columns + 1, area.left());
    for (int c = 0; c < columns; ++c)
        lefts[c + 1] = lefts[c] + widths[c];

    QFont bodyFont = doc.fonts[0];
    QFont headFont = bodyFont;
    headFont.setBold(true);
    const int bodyIndex = 0;
    const int headIndex = fontIndex(headFont);
    TextWidths bodyWidths(bodyFont);
    TextWidths headWidths(headFont);
    const QFontMetricsF &bodyFm = bodyWidths.metrics();
    const QFontMetricsF &headFm = headWidths.metrics();
    const double lineHeight = std::max(bodyFm.height(), headFm.height());
    const BorderRules rules = borderRules(m_tableBorder);
    const bool hasHeader = !t.header.isEmpty();
    const double bottom = area.bottom();
    const QString emptyCell;

    // A row's lines, column by column, each with its width.
    struct CellLine {
        QString text;
        double width;
    };
    struct LaidRow {
        QVarLengthArray<CellLine, 8> lines;
        QVarLengthArray<int, 9> firstLine; // per column, and the end
        double height = 0;
    };
    // The last one-line text of each body column: a column repeats its text
    // down many rows (the date of 48 half hours), and comparing with the
    // text above is cheaper than looking it up.
    QVector<CellLine> above(columns, CellLine{QString(), 0.0});
    auto measure = [&](int row, const QStringList &cells, LaidRow &laid) {
        const bool head = row == 0;
        TextWidths &widthOf = head ? headWidths : bodyWidths;
        laid.lines.clear();
        laid.firstLine.clear();
        int maxLines = 1;
        for (int c = 0; c < columns; ++c) {
            laid.firstLine.append(int(laid.lines.size()));
            const QString &cell = c < cells.size() ? cells[c] : emptyCell;
            const double room = widths[c] - 2 * kCellPadX;
            if (!head && cell == above[c].text && !cell.isEmpty()) {
                laid.lines.append(above[c]);
                continue;
            }
            // The common case: one line that fits.
            if (!cell.contains(QLatin1Char('\r')) && !cell.contains(QLatin1Char('\n'))) {
                const double w = widthOf(cell);
                if (room <= 0 || w <= room) {
                    laid.lines.append(CellLine{cell, w});
                    if (!head)
                        above[c] = laid.lines.last();
                    continue;
                }
            }
            const QStringList lines = wrapLines(cell, widthOf, room);
            for (const QString &line : lines)
                laid.lines.append(CellLine{line, widthOf(line)});
            maxLines = std::max(maxLines, int(lines.size()));
        }
        laid.firstLine.append(int(laid.lines.size()));
        const double content = maxLines * lineHeight + 2 * kCellPadY;
        laid.height = std::max(content, t.rowHeight[row] >= 0 ? t.rowHeight[row] : 0.0);
    };

    auto place = [&](int row, const LaidRow &laid, double y) {
        ReportPage &page = doc.pages.last();
        const bool head = row == 0;
        const QFontMetricsF &fm = head ? headFm : bodyFm;
        const double ascent = fm.ascent();
        const bool anyBackground = !t.background.isEmpty();
        for (int c = 0; c < columns; ++c) {
            const QRectF cell(lefts[c], y, widths[c], laid.height);
            const auto bg = anyBackground ? t.background.constFind((quint64(row) << 32) | quint64(c + 1))
                                          : t.background.constEnd();
            if (bg != t.background.constEnd())
                page.fills.append(ReportFill{cell, *bg});
            else if (head)
                page.fills.append(ReportFill{cell, t.headerShade});
            const int first = laid.firstLine[c];
            const int count = laid.firstLine[c + 1] - first;
            const double block = count * lineHeight;
            double top = y + kCellPadY;
            if (t.columns[c].verticalCentre)
                top = y + (laid.height - block) / 2;
            // Headers are centred; body cells follow their column format.
            const Qt::Alignment align = head ? Qt::AlignHCenter : t.columns[c].horizontal;
            for (int l = 0; l < count; ++l) {
                const CellLine &line = laid.lines[first + l];
                if (line.text.isEmpty())
                    continue;
                const double w = line.width;
                double x = cell.left() + kCellPadX;
                if (align & Qt::AlignHCenter)
                    x = cell.left() + (cell.width() - w) / 2;
                else if (align & Qt::AlignRight)
                    x = cell.right() - kCellPadX - w;
                page.texts.append(ReportText{QPointF(x, top + l * lineHeight + ascent), line.text,
                                             head ? headIndex : bodyIndex});
            }
        }
    };

    // One run of the table on one page: its row boundaries, for the rules.
    QVector<double> boundaries;
    auto closeSegment = [&] {
        if (boundaries.size() < 2)
            return;
        ReportPage &page = doc.pages.last();
        const double top = boundaries.first();
        const double bot = boundaries.last();
        const double left = lefts.first();
        const double right = lefts.last();
        const double w = kReportHairline;
        if (rules.outline) {
            page.rules.append({QLineF(left, top, right, top), w});
            page.rules.append({QLineF(left, bot, right, bot), w});
            page.rules.append({QLineF(left, top, left, bot), w});
            page.rules.append({QLineF(right, top, right, bot), w});
        }
        if (rules.columns)
            for (int c = 1; c < columns; ++c)
                page.rules.append({QLineF(lefts[c], top, lefts[c], bot), w});
        for (int i = 1; i + 1 < boundaries.size(); ++i) {
            const bool headerRule = hasHeader && i == 1;
            if (rules.rows || (headerRule && rules.headerRule))
                page.rules.append({QLineF(left, boundaries[i], right, boundaries[i]), w});
        }
        boundaries.clear();
    };

    LaidRow headerRow;
    if (hasHeader)
        measure(0, t.header, headerRow);
    auto openSegment = [&] {
        boundaries.append(m_cursorY);
        if (hasHeader) {
            place(0, headerRow, m_cursorY);
            m_cursorY += headerRow.height;
            boundaries.append(m_cursorY);
        }
        m_pageHasContent = true;
    };

    // The header and the first row start on a new page when they do not fit.
    LaidRow laid;
    if (!t.body.isEmpty())
        measure(1, t.body[0], laid);
    const double firstNeed = headerRow.height + (t.body.isEmpty() ? 0.0 : laid.height);
    if (m_pageHasContent && m_cursorY + firstNeed > bottom + kFitTolerance)
        beginPage();
    openSegment();
    int rowsOnPage = 0;
    for (int i = 0; i < t.body.size(); ++i) {
        if (i > 0)
            measure(i + 1, t.body[i], laid);
        if (rowsOnPage > 0 && m_cursorY + laid.height > bottom + kFitTolerance) {
            closeSegment();
            beginPage();
            openSegment();
            rowsOnPage = 0;
        }
        place(i + 1, laid, m_cursorY);
        m_cursorY += laid.height;
        boundaries.append(m_cursorY);
        ++rowsOnPage;
    }
    closeSegment();
    m_cursorY += lineHeight / 2;
}

void ReportPrinter::DrawPicture(const platform::print::DrawPicture &picture, double left, double top, double width,
                                double height, int alignment, bool shade)
{
    requireOpenDoc("DrawPicture");
    if (picture.isNull())
        platform::raise(platform::err::ObjectRequired, QStringLiteral("DrawPicture needs a picture"));
    if (!(width > 0) || !(height > 0))
        throwInvalidValue(QStringLiteral("picture size"));
    if (!((alignment >= 0 && alignment <= 8) || alignment == paFill))
        throwInvalidValue(QStringLiteral("picture alignment"));
    flushTable();
    QRectF box(left, top, width, height);
    if (alignment != paFill) {
        const double aspect = picture.aspectRatio();
        QSizeF size(width, width / aspect);
        if (size.height() > height)
            size = QSizeF(height * aspect, height);
        const int column = alignment / 3;
        const int row = alignment % 3;
        const double x = left + (width - size.width()) * column / 2.0;
        const double y = top + (height - size.height()) * row / 2.0;
        box = QRectF(QPointF(x, y), size);
    }
    m_document->pages.last().pictures.append(ReportPicture{picture, box, shade});
    m_cursorY = std::max(m_cursorY, box.bottom());
    m_pageHasContent = true;
}

QString ReportPrinter::Device() const
{
    const QStringList names = catalog().names ? catalog().names() : QStringList();
    if (names.isEmpty())
        return QString();
    if (m_printer && names.contains(m_printer->printerName()))
        return m_printer->printerName();
    const QString def = catalog().defaultName ? catalog().defaultName() : QString();
    return names.contains(def) ? def : names.first();
}

QPrinter &ReportPrinter::printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        const QString device = Device();
        if (!device.isEmpty())
            m_printer->setPrinterName(device);
    }
    return *m_printer;
}

int ReportPrinter::PrintDialog(int)
{
    QPrinter &p = printer();
    p.setPageLayout(QPageLayout(QPageSize(pageSizeId(m_paperSize)),
                                m_orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
    return dialogHandler()(p, this) ? 1 : 0;
}

bool ReportPrinter::PrintDoc()
{
    const ReportDocument *doc = document();
    if (!doc)
        platform::raise(platform::err::InvalidProcedureCall, QStringLiteral("There is no finished document to print"));
    QPrinter &p = printer();
    const bool toFile = p.outputFormat() == QPrinter::PdfFormat || !p.outputFileName().isEmpty();
    if (!toFile && Device().isEmpty())
        platform::raise(kPrinterError, platform::errorDescription(kPrinterError, QStringLiteral("使用できるプリンタがありません")));
    p.setFullPage(true);
    p.setPageLayout(QPageLayout(QPageSize(pageSizeId(doc->paperSize)),
                                doc->orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
    p.setDocName(doc->title.isEmpty() ? QCoreApplication::applicationName() : doc->title);

    QString deviceLine = m_deviceLine;
    const QString name = toFile ? p.outputFileName() : p.printerName();
    const QString port = toFile ? QStringLiteral("FILE") : QPrinterInfo::printerInfo(p.printerName()).location();
    deviceLine.replace(deviceLine.indexOf(QLatin1String("%s")), 2, name);
    const qsizetype second = deviceLine.indexOf(QLatin1String("%s"));
    if (second >= 0)
        deviceLine.replace(second, 2, port);
    PrintProgress progress(this, m_printingCaption, deviceLine, m_cancelCaption);
    progress.show();

    QPainter painter;
    if (!painter.begin(&p))
        platform::raise(kPrinterError,
                        platform::errorDescription(kPrinterError, QStringLiteral("プリンタ「%1」で印刷を開始できません").arg(name)));
    const double scale = p.resolution() / kTwipsPerInch;
    bool cancelled = false;
    for (int i = 0; i < doc->pageCount(); ++i) {
        QString line = m_pageLine;
        line.replace(QLatin1String("%d"), QString::number(i + 1));
        progress.setPageLine(line);
        emit PrintingPage(i + 1);
        QCoreApplication::processEvents();
        if (progress.cancelled()) {
            cancelled = true;
            break;
        }
        if (i > 0 && !p.newPage()) {
            painter.end();
            platform::raise(kPrinterError, platform::errorDescription(
                kPrinterError, QStringLiteral("プリンタ「%1」: %2 ページ目で失敗しました").arg(name).arg(i + 1)));
        }
        painter.save();
        painter.scale(scale, scale);
        doc->renderPage(painter, i);
        painter.restore();
    }
    if (cancelled)
        p.abort();
    painter.end();
    progress.hide();
    return !cancelled;
}

void ReportPrinter::setZoomMode(int mode)
{
    if (mode < 0 || mode > 3)
        throwInvalidValue(QStringLiteral("Zoom"));
    m_zoomMode = mode;
    m_zoomButtons[mode]->setChecked(true);
    updatePreview();
}

void ReportPrinter::setPreviewPage(int page)
{
    const int count = PageCount();
    m_previewPage = std::clamp(page, 0, std::max(0, count - 1));
    updatePreview();
}

void ReportPrinter::setZoomChoices(const QString &t)
{
    m_zoomChoices = t;
    const QStringList parts = t.split(QLatin1Char('|'));
    for (int i = 0; i < 4; ++i)
        m_zoomButtons[i]->setText(parts.value(i));
}

void ReportPrinter::updatePreview()
{
    const ReportDocument *doc = document();
    m_preview->setDocument(doc);
    const int count = doc ? doc->pageCount() : 0;
    m_previewPage = std::clamp(m_previewPage, 0, std::max(0, count - 1));
    QSize viewport = m_scroll->viewport()->size();
    if (m_zoomMode == 1 || m_zoomMode == 3)
        viewport.rwidth() -= m_scroll->verticalScrollBar()->sizeHint().width();
    m_preview->relayout(m_zoomMode, m_previewPage, viewport);
    // The label tells its new text as a new name; the arrows, where the
    // user is when the page turns, carry it as their description.
    const QString counter = count ? QStringLiteral("%1 / %2").arg(m_previewPage + 1).arg(count) : QString();
    m_pageLabel->setText(counter);
    m_prevButton->setAccessibleDescription(counter);
    m_nextButton->setAccessibleDescription(counter);
    m_prevButton->setEnabled(m_zoomMode != 3 && m_previewPage > 0);
    m_nextButton->setEnabled(m_zoomMode != 3 && m_previewPage + (m_zoomMode == 2 ? 2 : 1) < count);
}

void ReportPrinter::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updatePreview();
}

bool ReportPrinter::eventFilter(QObject *watched, QEvent *event)
{
    if (m_scroll && watched == m_scroll->viewport() && event->type() == QEvent::Resize && !m_relayingOut) {
        m_relayingOut = true;
        updatePreview();
        m_relayingOut = false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace platform::print
