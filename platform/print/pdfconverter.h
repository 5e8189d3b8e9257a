#pragma once
// The PDF writer: converts the current document of a report control into a
// PDF file, as vectors, with the fonts embedded. The PDF is made in memory and
// written through the durable write: a failure leaves any earlier file of that
// name byte-identical and raises platform::fileio::WriteError, whose
// description names the file and the cause.
//
// A long document is drawn in parts, consecutive page ranges, each by its
// own PDF writer on a worker thread, and the parts are joined into one file
// (PdfJoiner). Drawing text and compressing pages is most of the cost, and
// one writer does both on one thread.
#include <QByteArray>
#include <QString>

namespace platform::print {

class ReportPrinter;
class ReportDocument;

class PdfConverter {
public:
    // Writes the finished document of source to path. No finished document
    // raises error 5; a file that cannot be written raises WriteError.
    void ConvertDocument(const ReportPrinter &source, const QString &path);

    // The same for a laid-out document.
    static void writeDocument(const ReportDocument &document, const QString &path);

    // The PDF of document drawn in parts page ranges (1: one writer on this
    // thread), joined. An error of a worker is raised here. A join that
    // fails raises its error too (writeDocument falls back to one writer).
    static QByteArray documentPdf(const ReportDocument &document, int parts);

    // How many parts writeDocument draws a document of pageCount pages in:
    // 1 for short documents, else up to the number of processor threads.
    static int partsFor(int pageCount);
};

} // namespace platform::print
