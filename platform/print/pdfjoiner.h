#pragma once
// Joins PDF files that our own PDF writer made from consecutive page ranges
// of one document into one PDF: each part's objects renumbered, one page
// tree with every part's pages in order, one catalog, the first part's
// document information (title, creator, creation date), a new cross-
// reference table and trailer.
//
// It reads only what the writer makes: one classic cross-reference table
// per file, no object streams, no encryption, direct or indirect stream
// lengths. Every offset, length and reference is checked; anything else
// raises platform::RuntimeError (error 5) with a description naming the
// part and what was wrong. It never reads outside its inputs.
#include <QByteArray>
#include <QList>

namespace platform::print {

class PdfJoiner {
public:
    // The joined PDF of parts, in their order. One part is returned as it is
    // once it has been checked the same way.
    static QByteArray join(const QList<QByteArray> &parts);
};

} // namespace platform::print
