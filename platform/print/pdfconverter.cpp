#include "platform/print/pdfconverter.h"

#include "platform/print/reportdocument.h"
#include "platform/print/reportprinter.h"
#include "platform/fileio/durable.h"
#include "platform/runtime/runtime_error.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace platform::print {

void PdfConverter::ConvertDocument(const ReportPrinter &source, const QString &path)
{
    const ReportDocument *document = source.document();
    if (!document)
        platform::raise(platform::err::InvalidProcedureCall, QStringLiteral("There is no finished document to convert"));
    writeDocument(*document, path);
}

void PdfConverter::writeDocument(const ReportDocument &document, const QString &path)
{
    if (path.isEmpty())
        platform::raise(platform::err::PathFileAccess, QStringLiteral("No PDF file name given"));
    // The PDF is made in memory; only a complete one reaches the disk, through
    // the durable write (its WriteError names the file and the cause).
    QByteArray image;
    {
        QBuffer buffer(&image);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        // One device unit is one twip, the unit of the document.
        writer.setResolution(int(kTwipsPerInch));
        const QSizeF portrait = document.orientation == 1 ? document.pageSize.transposed() : document.pageSize;
        writer.setPageLayout(QPageLayout(QPageSize(portrait / kTwipsPerInch, QPageSize::Inch),
                                         document.orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait,
                                         QMarginsF()));
        writer.setTitle(document.title);
        writer.setCreator(QCoreApplication::applicationName());
        QPainter painter;
        if (!painter.begin(&writer))
            platform::raise(platform::err::PathFileAccess, QStringLiteral("Cannot start the PDF file %1").arg(path));
        const int count = std::max(1, document.pageCount());
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                writer.newPage();
            document.renderPage(painter, i);
        }
        painter.end();
    }
    platform::fileio::writeFile(path, image);
}

} // namespace platform::print
