#pragma once
// The report control: page set-up, a document of tables and pictures laid
// out into pages, its preview (the control itself is the preview window),
// printing with a progress window and the print dialog. The PDF writer
// (PdfConverter) converts its current document.
//
// Units: lengths read back (margins, page size) are twips (1440 per inch).
// Margins are kept as given, so "10%" follows a later change of paper or
// orientation: left and right are percent of the page width, top and bottom
// of the page height. Row heights in percent are percent of the page height.
#include "platform/print/displaylist.h"
#include "platform/print/reportdocument.h"

#include <QHash>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>

class QPrinter;
class QScrollArea;
class QLabel;
class QToolButton;

namespace platform::print {

class ReportPreview;

// Settings of TableCell.
enum TableCellSetting {
    tcRowHeight = 7,   // value: "1.6%" (of the page height) or a length
    tcBackColor = 20,  // value: a Long colour (0x00BBGGRR or a system colour)
};

// Table border settings: which rules a table draws.
//   0 none, 1 outline, 2 outline and a rule under the header,
//   3 outline and column rules, 4 outline and row rules,
//   5 outline, column rules and the header rule, 6 row rules only,
//   7 every rule (outline, columns, rows).
enum TableBorderSetting { tbNone = 0, tbAll = 7 };

// Picture placement of DrawPicture: 0..8 keep the picture's proportions and
// place it left/centre/right (0-2 / 3-5 / 6-8) and top/middle/bottom in the
// box; 11 fills the whole box.
enum PictureAlignment { paLeftTop = 0, paCenterMiddle = 4, paRightBottom = 8, paFill = 11 };

using TableBody = QVector<QVariantList>;

// What the print dialog is asked: confirm printing on printer (the dialog
// may change the printer's settings). Tests install their own answer.
using PrintDialogHandler = std::function<bool(QPrinter &printer, QWidget *parent)>;

// Where printer names come from; tests install their own list.
struct PrinterCatalog {
    std::function<QStringList()> names;
    std::function<QString()> defaultName;
};

class ReportPrinter : public QWidget {
    Q_OBJECT
public:
    explicit ReportPrinter(QWidget *parent = nullptr);
    ~ReportPrinter() override;

    // Discards the current document and begins a new page set-up; the
    // page settings, texts and fonts stay as set.
    void BeginSetup();

    // Paper size by the Windows paper numbers: 1 Letter, 5 Legal, 8 A3,
    // 9 A4, 11 A5, 12 B4 (JIS), 13 B5 (JIS). Others raise error 380.
    int PaperSize() const { return m_paperSize; }
    void setPaperSize(int paper);
    // 0 portrait, 1 landscape.
    int Orientation() const { return m_orientation; }
    void setOrientation(int orientation);

    double MarginLeft() const;
    double MarginTop() const;
    double MarginRight() const;
    double MarginBottom() const;
    void setMarginLeft(const QString &margin);
    void setMarginTop(const QString &margin);
    void setMarginRight(const QString &margin);
    void setMarginBottom(const QString &margin);
    double PageWidth() const;
    double PageHeight() const;

    // The heading printed above the document; "" clears it.
    QString Title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    // What the control offers for the header's left part: the title.
    QString LeftHeader() const { return m_title; }
    // Running texts "left|centre|right"; "%d" is the page number.
    QString Header() const { return m_header; }
    void setHeader(const QString &header) { m_header = header; }
    QString Footer() const { return m_footer; }
    void setFooter(const QString &footer) { m_footer = footer; }

    // Font of the document text, in points.
    QString FontName() const { return m_fontName; }
    void setFontName(const QString &name) { m_fontName = name; }
    double FontSize() const { return m_fontSize; }
    void setFontSize(double points);

    void StartDoc();
    void EndDoc();
    bool IsDocOpen() const { return m_docOpen; }
    int PageCount() const { return m_document ? m_document->pageCount() : 0; }
    // The finished document, or nullptr before the first EndDoc.
    const ReportDocument *document() const { return m_docOpen ? nullptr : m_document.get(); }

    int TableBorder() const { return m_tableBorder; }
    void setTableBorder(int setting);
    void StartTable();
    // format: see parseColumnFormat; header "a|b|c"; body rows of values
    // (shown as text; CR, LF or CR LF break lines); headerShade a Long colour.
    void AddTable(const QString &format, const QString &header, const TableBody &body,
                  std::uint32_t headerShade = 0x80000016u);
    // row 0 is the header row, body rows count from 1; columns from 1. A row
    // or column of -1 (and row2, col2 of -1 = row1, col1) means all of them.
    void TableCell(int setting, int row1, int col1, int row2, int col2, const QVariant &value);
    void TableCell(int setting, const QVariant &value) { TableCell(setting, -1, -1, -1, -1, value); }
    QVariant TableCellValue(int setting, int row, int col) const;
    void EndTable();

    // Places a picture into the box (twips on the current page).
    void DrawPicture(const platform::print::DrawPicture &picture, double left, double top, double width,
                     double height, int alignment = paFill, bool shade = false);

    // Name of the printer documents go to; "" when no printer is available.
    QString Device() const;
    // Shows the print dialog; non-zero when the user confirms.
    int PrintDialog(int kind = 0);
    // Prints the finished document with the progress window; false when the
    // user cancelled. Failures raise error 482.
    bool PrintDoc();
    QPrinter &printer();

    // Preview zoom: 0 whole page, 1 page width, 2 two pages, 3 thumbnails.
    int ZoomMode() const { return m_zoomMode; }
    void setZoomMode(int mode);
    int PreviewPage() const { return m_previewPage; }
    void setPreviewPage(int page);

    // Texts of the printing progress window and the zoom choices.
    QString PrintingCaption() const { return m_printingCaption; }
    void setPrintingCaption(const QString &t) { m_printingCaption = t; }
    QString CancelCaption() const { return m_cancelCaption; }
    void setCancelCaption(const QString &t) { m_cancelCaption = t; }
    QString DeviceLineFormat() const { return m_deviceLine; }
    void setDeviceLineFormat(const QString &t) { m_deviceLine = t; }
    QString PageLineFormat() const { return m_pageLine; }
    void setPageLineFormat(const QString &t) { m_pageLine = t; }
    QString ZoomChoices() const { return m_zoomChoices; }
    void setZoomChoices(const QString &t);

    static void setPrintDialogHandler(PrintDialogHandler handler);
    static void setPrinterCatalog(PrinterCatalog catalog);

signals:
    // Raised while a document is built, when a page is begun (1-based).
    void NewPage(int page);
    // Raised when a document is finished.
    void DocumentEnded();
    // Raised before each page is sent to the printer (1-based).
    void PrintingPage(int page);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct MarginSpec {
        double value = 1440;
        bool percent = false;
    };
    struct PendingTable;

    QSizeF paperTwips() const;
    double resolveMargin(const MarginSpec &spec, bool horizontal) const;
    MarginSpec parseMargin(const QString &text, const QString &property) const;
    void requireOpenDoc(const char *what) const;
    void flushTable();
    void layoutTable(PendingTable &table);
    void beginPage();
    int fontIndex(const QFont &font);
    void updatePreview();

    int m_paperSize = 9;
    int m_orientation = 0;
    MarginSpec m_margins[4]; // left, top, right, bottom
    QString m_title;
    QString m_header;
    QString m_footer;
    QString m_fontName;
    double m_fontSize = 10;
    int m_tableBorder = 7;

    std::unique_ptr<ReportDocument> m_document;
    bool m_docOpen = false;
    double m_cursorY = 0;
    bool m_pageHasContent = false;
    std::unique_ptr<PendingTable> m_table;

    std::unique_ptr<QPrinter> m_printer;
    int m_zoomMode = 0;
    int m_previewPage = 0;
    QString m_printingCaption;
    QString m_cancelCaption;
    QString m_deviceLine;
    QString m_pageLine;
    QString m_zoomChoices;

    QScrollArea *m_scroll = nullptr;
    ReportPreview *m_preview = nullptr;
    bool m_relayingOut = false; // a relayout changes the viewport (scroll bars)
    QToolButton *m_zoomButtons[4] = {};
    QToolButton *m_prevButton = nullptr;
    QToolButton *m_nextButton = nullptr;
    QLabel *m_pageLabel = nullptr;

    friend class ReportPreview;
};

} // namespace platform::print
