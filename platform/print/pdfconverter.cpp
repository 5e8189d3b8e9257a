#include "platform/print/pdfconverter.h"

#include "platform/print/reportdocument.h"
#include "platform/print/reportprinter.h"
#include "platform/runtime/runtime_error.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        platform::raise(platform::err::PathFileAccess,
                        QStringLiteral("Cannot write the PDF file %1: %2").arg(path, file.errorString()));
    {
        QPdfWriter writer(&file);
        // One device unit is one twip, the unit of the document.
        writer.setResolution(int(kTwipsPerInch));
        const QSizeF portrait = document.orientation == 1 ? document.pageSize.transposed() : document.pageSize;
        writer.setPageLayout(QPageLayout(QPageSize(portrait / kTwipsPerInch, QPageSize::Inch),
                                         document.orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait,
                                         QMarginsF()));
        writer.setTitle(document.title);
        writer.setCreator(QCoreApplication::applicationName());
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            platform::raise(platform::err::PathFileAccess, QStringLiteral("Cannot start the PDF file %1").arg(path));
        }
        const int count = std::max(1, document.pageCount());
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                writer.newPage();
            document.renderPage(painter, i);
        }
        painter.end();
    }
    if (file.error() != QFileDevice::NoError || !file.commit())
        platform::raise(platform::err::PathFileAccess,
                        QStringLiteral("Cannot write the PDF file %1: %2").arg(path, file.errorString()));
}

} // namespace platform::print
