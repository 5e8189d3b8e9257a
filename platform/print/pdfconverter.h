#pragma once
// The PDF writer: converts the current document of a report control into a
// PDF file, as vectors, with the fonts embedded. The PDF is made in memory and
// written through the durable write: a failure leaves any earlier file of that
// name byte-identical and raises platform::fileio::WriteError, whose
// description names the file and the cause.
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
};

} // namespace platform::print
