#pragma once
// The PDF writer: converts the current document of a report control into a
// PDF file, as vectors, with the fonts embedded. The file is written whole or
// not at all: a failure leaves any earlier file of that name untouched and
// raises error 75 with a description.
#include <QString>

namespace platform::print {

class ReportPrinter;
class ReportDocument;

class PdfConverter {
public:
    // Writes the finished document of source to path. No finished document
    // raises error 5; a file that cannot be written raises error 75.
    void ConvertDocument(const ReportPrinter &source, const QString &path);

    // The same for a laid-out document.
    static void writeDocument(const ReportDocument &document, const QString &path);
};

} // namespace platform::print
