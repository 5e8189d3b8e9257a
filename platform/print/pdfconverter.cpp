#include "platform/print/pdfconverter.h"

#include "platform/print/pdfjoiner.h"
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
#include <QThread>
#include <QtDebug>

#include <exception>
#include <thread>
#include <vector>

namespace platform::print {

namespace {

// Documents shorter than this are drawn by one writer: starting writers and
// embedding a font subset per part costs more than it saves.
constexpr int kMinPagesToSplit = 24;
// Each part has at least this many pages.
constexpr int kMinPagesPerPart = 12;
constexpr int kMaxParts = 8;

// The PDF of pages [first, last] of document.
QByteArray renderPages(const ReportDocument &document, int first, int last, const QString &creator)
{
    QByteArray image;
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
    writer.setCreator(creator);
    QPainter painter;
    if (!painter.begin(&writer))
        platform::raise(platform::err::PathFileAccess,
                        platform::errorDescription(platform::err::PathFileAccess, QStringLiteral("PDF の作成を開始できません")));
    for (int i = first; i <= last; ++i) {
        if (i > first)
            writer.newPage();
        document.renderPage(painter, i);
    }
    painter.end();
    return image;
}

// A font with data of its own. Fonts share their loaded font engines; a
// worker thread loads engines of its own, and two threads must not load
// theirs into one shared font.
QFont unshared(const QFont &font)
{
    QFont copy(font);
    const bool kerning = font.kerning();
    copy.setKerning(!kerning); // detaches the copy
    copy.setKerning(kerning);
    copy.setResolveMask(font.resolveMask());
    return copy;
}

// Joins the worker threads however the drawing ends.
struct Workers {
    std::vector<std::thread> threads;
    ~Workers()
    {
        for (std::thread &t : threads)
            if (t.joinable())
                t.join();
    }
};

} // namespace

void PdfConverter::ConvertDocument(const ReportPrinter &source, const QString &path)
{
    const ReportDocument *document = source.document();
    if (!document)
        platform::raise(platform::err::InvalidProcedureCall, QStringLiteral("There is no finished document to convert"));
    writeDocument(*document, path);
}

int PdfConverter::partsFor(int pageCount)
{
    if (pageCount < kMinPagesToSplit)
        return 1;
    const int threads = std::max(1, QThread::idealThreadCount());
    return std::clamp(std::min(threads, pageCount / kMinPagesPerPart), 1, kMaxParts);
}

QByteArray PdfConverter::documentPdf(const ReportDocument &document, int parts)
{
    const QString creator = QCoreApplication::applicationName();
    const int count = std::max(1, document.pageCount());
    parts = std::clamp(parts, 1, count);
    if (parts == 1)
        return renderPages(document, 0, count - 1, creator);

    // Each part draws from a copy of its own: the copy's texts shaped for the
    // PDF stay with its thread, its fonts load their own engines. The pages
    // themselves are shared and only read.
    std::vector<ReportDocument> copies(static_cast<size_t>(parts), document);
    for (ReportDocument &copy : copies)
        for (QFont &font : copy.fonts)
            font = unshared(font);
    std::vector<QByteArray> images(static_cast<size_t>(parts));
    std::vector<std::exception_ptr> errors(static_cast<size_t>(parts));
    auto draw = [&](int part) {
        try {
            const int first = int(qint64(count) * part / parts);
            const int last = int(qint64(count) * (part + 1) / parts) - 1;
            images[size_t(part)] = renderPages(copies[size_t(part)], first, last, creator);
        } catch (...) {
            errors[size_t(part)] = std::current_exception();
        }
    };
    {
        Workers workers;
        int started = 1;
        try {
            for (; started < parts; ++started)
                workers.threads.emplace_back(draw, started);
        } catch (const std::system_error &) {
            // No thread to be had: the rest is drawn here.
        }
        draw(0);
        for (int part = started; part < parts; ++part)
            draw(part);
    }
    for (const std::exception_ptr &error : errors)
        if (error)
            std::rethrow_exception(error);
    return PdfJoiner::join(QList<QByteArray>(images.begin(), images.end()));
}

void PdfConverter::writeDocument(const ReportDocument &document, const QString &path)
{
    if (path.isEmpty())
        platform::raise(platform::err::PathFileAccess,
                        platform::errorDescription(platform::err::PathFileAccess, QStringLiteral("PDF ファイル名がありません")));
    // The PDF is made in memory; only a complete one reaches the disk, through
    // the durable write (its WriteError names the file and the cause).
    QByteArray image;
    const int parts = partsFor(document.pageCount());
    try {
        image = documentPdf(document, parts);
    } catch (const RuntimeError &e) {
        if (parts == 1)
            platform::raise(platform::err::PathFileAccess,
                            platform::errorDescription(platform::err::PathFileAccess, QStringLiteral("PDF ファイル %1 を作成できません: %2").arg(path, e.Description())));
        // The parts could not be joined: one writer makes the same pages.
        qWarning("%s", qPrintable(e.Description()));
        try {
            image = documentPdf(document, 1);
        } catch (const RuntimeError &again) {
            platform::raise(platform::err::PathFileAccess,
                            platform::errorDescription(platform::err::PathFileAccess, QStringLiteral("PDF ファイル %1 を作成できません: %2").arg(path, again.Description())));
        }
    }
    platform::fileio::writeFile(path, image);
}

} // namespace platform::print
