// LHA archives from bytes: listing, and extraction into a folder inside a
// scratch folder (all entries with paths kept, then only the "dDB" root with
// paths dropped). Whatever the archive holds, nothing may appear in the
// scratch folder outside the destination folders, no link may be created, and
// a failed extraction leaves its destination empty.
#include "fuzzSupport.h"
#include "platform/archive/archive.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstddef>
#include <cstdint>

using namespace platform::archive;

namespace {

// Every path below root, the root excluded (links not followed).
QStringList everything(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    return out;
}

void extractInto(const QString &archive, const QString &dest, const ExtractOptions &options)
{
    bool failed = false;
    try {
        extract(archive, dest, options);
    } catch (const platform::RuntimeError &) {
        failed = true;
    }
    for (const QString &p : everything(dest)) {
        FUZZ_CHECK(!QFileInfo(p).isSymLink());
        FUZZ_CHECK(p.startsWith(dest + QLatin1Char('/')));
    }
    if (failed)
        FUZZ_CHECK(everything(dest).isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsupport::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    auto scratch = fuzzsupport::scratchDir();
    const QString root = scratch->path();
    const QString archive = root + QStringLiteral("/in.lzh");
    {
        QFile f(archive);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly));
        FUZZ_CHECK(f.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }
    const QString all = root + QStringLiteral("/all");
    const QString picked = root + QStringLiteral("/picked");
    FUZZ_CHECK(QDir().mkpath(all) && QDir().mkpath(picked));

    // Listing checks the headers only (names are judged by extraction).
    try {
        (void)list(archive);
    } catch (const platform::RuntimeError &) {
    }
    extractInto(archive, all, ExtractOptions());
    ExtractOptions flat;
    flat.roots = QStringList{QStringLiteral("dDB")};
    flat.keepPaths = false;
    extractInto(archive, picked, flat);

    // Only the archive and the two destinations sit in the scratch folder.
    for (const QString &p : everything(root))
        FUZZ_CHECK(p == archive || p == all || p == picked || p.startsWith(all + QLatin1Char('/'))
                   || p.startsWith(picked + QLatin1Char('/')));
    // The archive itself is untouched.
    QFile f(archive);
    FUZZ_CHECK(f.open(QIODevice::ReadOnly));
    FUZZ_CHECK(f.readAll() == QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
